"""The main window of the real Vantrel.exe under Wine: start banner, status
bar, placement from the settings file, Enter/Escape, and the log file that
closing writes."""
import datetime
import re
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

RULE = "_/" * 30

# A machine whose data server does not exist: start-up reads it without a
# box, and the file-list refresh fails quietly (filelist.exe exits non-zero).
QUIET_TABLE = {
    "machine": {"machine0": "MC1", "default": 0},
    "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
}


def settings(**sections):
    data = {"table": {"machine": "machines.ini"}}
    data.update(sections)
    return data


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def folder(self, ini):
        folder = e2e.ProgramFolder(self.tmp.name, ini)
        folder.write_machine_table(QUIET_TABLE)
        return folder

    def test_banner_and_status_bar(self):
        with e2e.Vantrel(self.folder(settings())) as app:
            lines = app.list_lines()
            rect = app.window_state()["rect"]
            status = app.status_text()
        self.assertEqual(lines[0], RULE)
        self.assertEqual(lines[1], "ＮＣファイルVantrel / Tarnvale Service")
        self.assertEqual(lines[2], "File Transfer Protocol Release Version R0.07.3037")
        match = re.fullmatch(r"Start (\d{4})/(\d{1,2})/(\d{1,2}) \((.)\) (\d\d):(\d\d):(\d\d) ・ "
                             r"Window Size (\d+)×(\d+)", lines[3])
        self.assertIsNotNone(match, lines[3])
        year, month, day = (int(match.group(i)) for i in (1, 2, 3))
        weekday = "月火水木金土日"[datetime.date(year, month, day).weekday()]
        self.assertEqual(match.group(4), weekday)
        self.assertEqual((int(match.group(8)), int(match.group(9))), (rect[2] - rect[0], rect[3] - rect[1]))
        self.assertEqual(lines[4], RULE)
        # Start-up then cleans tmp and reads the default machine.
        self.assertEqual(lines[5], "routine name : ExecuteDeleteFiles")
        self.assertIn("IPアドレス   : 127.0.0.9", lines)
        self.assertRegex(status, r"^\d{4}年 \d{1,2}月 \d{1,2}日 \([日月火水木金土]\) \d{1,2}:\d\d$")

    def test_placement_from_settings(self):
        cases = [
            ({"X": 0, "Y": 0}, (0.0, 0.0)),
            ({"X": 1, "Y": 1}, (1.0, 1.0)),
            ({"X": 0.25, "Y": 0.75}, (0.25, 0.75)),
            ({"X": -3, "Y": 7}, (0.0, 1.0)),
            ({"X": "abc", "Y": ""}, (0.0, 0.5)),
            ({}, (0.5, 0.5)),
        ]
        for window, (fx, fy) in cases:
            with self.subTest(window=window):
                ini = settings(window=window) if window else settings()
                folder = self.folder(ini)
                with e2e.Vantrel(folder) as app:
                    state = app.window_state()
                    app.close()
                    self.assertEqual(app.wait_exit(), 0)
                left, top, right, bottom = state["rect"]
                width, height = right - left, bottom - top
                # A bare X server has no taskbar window: the whole screen is free.
                self.assertEqual(left, int((state["screen_width"] - width) * fx))
                self.assertEqual(top, int((state["screen_height"] - height) * fy))

    def test_enter_and_escape_do_nothing_and_close_ends_with_zero(self):
        with e2e.Vantrel(self.folder(settings())) as app:
            app.command(1, send=True)
            app.command(2, send=True)
            self.assertTrue(app.window_state()["visible"])
            self.assertEqual(app.dialogs(), [])
            app.command(40009)
            self.assertEqual(app.wait_exit(), 0)

    def log_lines(self, folder):
        today = datetime.date.today()
        log = folder.path / "Log" / ("Vantrel%d%02d%02d.log" % (today.year, today.month, today.day))
        return log.read_bytes() if log.exists() else None

    def test_log_file_written_on_close_only_with_systemlog_one(self):
        for value in (None, 0, 2):
            with self.subTest(systemlog=value):
                folder = self.folder(settings(Vantrel={"systemlog": value}) if value is not None else settings())
                with e2e.Vantrel(folder) as app:
                    app.close()
                    self.assertEqual(app.wait_exit(), 0)
                self.assertIsNone(self.log_lines(folder))

        folder = self.folder(settings(Vantrel={"systemlog": 1}))
        shown = []
        for _ in range(2):
            with e2e.Vantrel(folder) as app:
                shown.append(app.list_lines_bytes())
                app.close()
                self.assertEqual(app.wait_exit(), 0)
        log = self.log_lines(folder)
        self.assertIsNotNone(log)
        blocks = log.split(b"-" * 70 + b"\r\n")
        # "", header, block 1 lines, header, block 2 lines
        self.assertEqual(len(blocks), 5)
        for header, body, lines in ((blocks[1], blocks[2], shown[0]), (blocks[3], blocks[4], shown[1])):
            self.assertRegex(header.decode("cp932"),
                             r"^ {10}\S+ ・ \d{4}年 \d{1,2}月 \d{1,2}日  \d{1,2}時 \d{1,2}分 \d{1,2}秒\r\n$")
            self.assertEqual(body, b"".join(line + b"\r\n" for line in lines) + b"\r\n")


if __name__ == "__main__":
    unittest.main()
