"""The command-line words of the real Vantrel.exe under Wine: "system" writes
[system] and ends, "version" and "proginf" show their views and end with 0
when they are dismissed."""
import os
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

VERSION_TEXT = "ＮＣファイル転送／Tarnvale Service#Vantrel Version 2026R0.07.3037 [Build Date 2026/10/11]"
PROGRAM_INFO_CAPTION = "プログラム情報 【 Close with any Key 】"
INFO_CLOSE = e2e.ids.IDM_INFO_CLOSE


def file_time(path):
    """The file's last-write time as the program writes it, in local time."""
    return time.strftime("%Y/%m/%d %H:%M:%S", time.localtime(Path(path).stat().st_mtime))


class CommandLineWordsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def test_system_adds_both_keys_with_the_program_files_time_and_ends(self):
        folder = e2e.ProgramFolder(self.tmp.name, {"Vantrel": {"consol": 0}})
        # A file time far from now: the value cannot be the time of the run.
        stamp = time.mktime((2026, 10, 11, 9, 5, 0, 0, 0, -1))
        os.utime(folder.exe, (stamp, stamp))
        e2e.kill_windows_of_class("Vantrel")  # a running instance would take this start's place
        app = e2e.Vantrel(folder, ["SYSTEM"]).launch()
        try:
            self.assertEqual(app.wait_exit(60), 0)
        finally:
            app.kill()
        self.assertEqual(folder.read_settings(),
                         "[Vantrel]\r\nconsol=0\r\n[system]\r\nversion=R0.07.3037\r\ndatetime=2026/10/11 09:05:00\r\n")

    def test_system_on_an_unwritable_settings_file_shows_two_errors_and_ends_with_zero(self):
        folder = e2e.ProgramFolder(self.tmp.name)
        folder.settings_path.mkdir()  # a folder where the settings file should be: every write fails
        with e2e.Vantrel(folder, ["system"]) as app:
            first = app.expect_box(timeout=20)
            second = app.expect_box(timeout=20)
            self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(first["text"], "エラー：[system] version=R0.07.3037 | 書き込み失敗")
        self.assertEqual(second["text"], "エラー：[system] datetime=%s | 書き込み失敗" % file_time(folder.exe))
        for box in (first, second):
            self.assertEqual((box["caption"], box["icon"]), ("Vantrel", "error"))

    def test_version_shows_the_about_box_and_ends_when_it_is_closed(self):
        folder = e2e.ProgramFolder(self.tmp.name)
        with e2e.Vantrel(folder, ["Version"]) as app:
            about = e2e.wait_until(lambda: app.dialogs(), timeout=20, what="the version box")[0]
            # Wine's about box does not split the text at "#": it shows it whole.
            # (100 and 101 are the controls of Wine's about box, not ours.)
            first_line = e2e.driver("text", "--hwnd", about["hwnd"], "--id", 100)
            further = e2e.driver("text", "--hwnd", about["hwnd"], "--id", 101)
            self.assertTrue(app.window_state()["visible"])  # the view opened over the main window
            app.expect_box()  # OK
            self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(bytes.fromhex(first_line["text_hex"]).decode("cp932"), VERSION_TEXT)
        self.assertRegex(bytes.fromhex(further["text_hex"]).decode("cp932"),
                         r"^Copyright .*2026 Tarnvale Service\. All rights reserved\.$")
        self.assertTrue(about["caption"].startswith(VERSION_TEXT), about["caption"])

    def test_proginf_shows_the_program_information_and_ends_when_it_is_dismissed(self):
        for dismiss in ("menu item", "close box"):
            with self.subTest(dismiss=dismiss):
                folder = e2e.ProgramFolder(Path(self.tmp.name) / dismiss.replace(" ", "-"))
                with e2e.Vantrel(folder, ["proginf"]) as app:
                    window = e2e.wait_until(lambda: app.dialogs(), timeout=20, what="the information window")[0]
                    self.assertEqual(window["caption"], PROGRAM_INFO_CAPTION)
                    self.assertEqual(app.window_state()["visible"], True)
                    if dismiss == "menu item":
                        e2e.driver("command", "--hwnd", window["hwnd"], "--id", INFO_CLOSE)
                    else:
                        e2e.driver("close", "--hwnd", window["hwnd"])
                    self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
