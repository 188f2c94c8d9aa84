"""The main window of the real Vantrel.exe under Wine: start banner, status
bar, placement from the settings file, Enter/Escape, the log file that
closing writes, and the layout of the window and its dialogs at 144 DPI."""
import datetime
import re
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

RULE = "_/" * 30
BS_AUTOCHECKBOX = 3
WM_QUERYENDSESSION, WM_ENDSESSION = 0x0011, 0x0016

# A machine whose data server does not exist: start-up reads it without a
# box, and the file-list refresh fails quietly (filelist.exe exits non-zero).
QUIET_TABLE = {
    "machine": {"machine0": "MC1", "default": 0},
    "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
}


# The dialog font of every window of the resource script.
DIALOG_FACE, DIALOG_POINTS = "ＭＳ ゴシック", 14
OPEN_SETTINGS, OPEN_MACHINES, CLOSE_DIALOG = e2e.ids.IDM_INITIAL_SETTINGS, e2e.ids.IDM_MACHINE_REGISTRATION, e2e.ids.IDM_CLOSE
MESSAGE_LIST, STATUS_BAR = e2e.ids.IDC_MESSAGE_LIST, e2e.ids.IDC_STATUS_BAR


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


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
            app.command(e2e.ids.IDM_EXIT)
            self.assertEqual(app.wait_exit(), 0)

    def log_lines(self, folder):
        """The log files' bytes, oldest day first (a run over midnight writes
        into the next day's file), or None when there is none."""
        logs = sorted(folder.path.joinpath("Log").glob("Vantrel*.log"))
        for log in logs:
            self.assertRegex(log.name, r"^Vantrel\d{8}\.log$")
        return b"".join(log.read_bytes() for log in logs) if logs else None

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

    def test_log_file_written_when_windows_ends_the_session(self):
        """A shutdown sends WM_QUERYENDSESSION and WM_ENDSESSION, then ends
        the process without WM_CLOSE: the log is written there, once, with
        no box; a cancelled shutdown (WM_ENDSESSION FALSE) writes nothing."""
        folder = self.folder(settings(Vantrel={"systemlog": 1}))
        with e2e.Vantrel(folder) as app:
            shown = app.list_lines_bytes()
            send = [("WM_QUERYENDSESSION", WM_QUERYENDSESSION, 0, 1), ("WM_ENDSESSION FALSE", WM_ENDSESSION, 0, 0)]
            for what, message, wparam, result in send:
                answer = e2e.driver("message", "--hwnd", app.hwnd, "--msg", message, "--wparam", wparam)
                self.assertEqual(answer["result"], result, what)
            self.assertIsNone(self.log_lines(folder))
            for _ in range(2):
                e2e.driver("message", "--hwnd", app.hwnd, "--msg", WM_ENDSESSION, "--wparam", 1)
            self.assertEqual(app.dialogs(), [])
            app.kill()  # as Windows ends it
        log = self.log_lines(folder)
        self.assertIsNotNone(log)
        blocks = log.split(b"-" * 70 + b"\r\n")
        self.assertEqual(len(blocks), 3)  # "", the header, one block
        self.assertEqual(blocks[2], b"".join(line + b"\r\n" for line in shown) + b"\r\n")

    def layout(self, hwnd):
        return e2e.driver("layout", "--hwnd", hwnd, "--face", DIALOG_FACE, "--points", DIALOG_POINTS)

    def assert_laid_out(self, layout, window):
        """No control overlaps another or leaves the client area; every label
        and check box holds its whole text on one line."""
        controls = [c for c in layout["children"] if c["visible"]]
        client = layout["client"]
        for i, control in enumerate(controls):
            left, top, right, bottom = control["rect"]
            name = "%s %s %r" % (window, control["class"], control["text"])
            self.assertTrue(client[0] <= left and client[1] <= top and right <= client[2] and bottom <= client[3],
                            "%s %s outside the client area %s" % (name, control["rect"], client))
            for other in controls[i + 1:]:
                self.assertFalse(overlaps(control["rect"], other["rect"]),
                                 "%s %s overlaps %r %s" % (name, control["rect"], other["text"], other["rect"]))
            if control["class"] not in ("Button", "Static") or not control["text"]:
                continue
            text_width, text_height = control["text_size"]
            width, height = control["client"][2], control["client"][3]
            # A push button draws inside its 2-pixel edges; a check box's box
            # is about as wide as a line of text is high.
            if control["class"] == "Static":
                margin = 0
            else:
                margin = text_height + 4 if control["style"] & 0x0F == BS_AUTOCHECKBOX else 4
            self.assertLessEqual(text_width + margin, width, name + " is cut off")
            self.assertLessEqual(text_height, height, name + " is cut off")

    def test_layout_at_144_dpi_in_proportion_to_96(self):
        # A path line longer than any start-up line: it sets the message list's extent.
        ini = settings(Vantrel={"logmode": 11})
        ini["table"]["machine"] = "machine-table-with-a-name-long-enough-to-scroll.ini"
        folder = e2e.ProgramFolder(self.tmp.name, ini)
        folder.write_machine_table(QUIET_TABLE, name=ini["table"]["machine"])
        self.addCleanup(e2e.restore_shared_prefix)
        main = {}
        for dpi in (96, 144):
            e2e.set_system_dpi(dpi)
            with e2e.Vantrel(folder) as app:
                main[dpi] = self.layout(app.hwnd)
                self.assertEqual(main[dpi]["dpi"], dpi)
                self.assert_laid_out(main[dpi], "main window at %d DPI" % dpi)
                if dpi != 144:
                    continue
                for command, caption in ((OPEN_SETTINGS, "初期設定"), (OPEN_MACHINES, "マシニングデータサーバー情報登録")):
                    app.command(command)
                    (dialog,) = e2e.wait_until(lambda: [d for d in app.dialogs() if d["caption"] == caption],
                                               what=caption)
                    self.assert_laid_out(self.layout(dialog["hwnd"]), caption)
                    e2e.driver("command", "--hwnd", dialog["hwnd"], "--id", CLOSE_DIALOG)
                    e2e.wait_until(lambda: not any(d["caption"] == caption for d in app.dialogs()),
                                   what=caption + " to close")

        def control(layout, control_id):
            return next(c for c in layout["children"] if c["id"] == control_id)

        def width(rect):
            return rect[2] - rect[0]

        # Whatever the window grew by (its dialog font's size), the status
        # bar's parts and the message list's scrollable width grew alike.
        scale = width(main[144]["client"]) / width(main[96]["client"])
        self.assertGreater(scale, 1.3)
        bars = [control(main[dpi], STATUS_BAR)["edges"] for dpi in (96, 144)]
        self.assertEqual(len(bars[0]), 3)
        for small, large in zip(*bars):
            self.assertAlmostEqual(large / small, scale, delta=0.05)
        extents = [control(main[dpi], MESSAGE_LIST)["extent"] for dpi in (96, 144)]
        self.assertGreater(extents[0], 0)
        self.assertAlmostEqual(extents[1] / extents[0], scale, delta=0.1)


if __name__ == "__main__":
    unittest.main()
