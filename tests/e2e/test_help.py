"""The help command of the real Vantrel.exe under Wine: help\\help.ini is
looked up under the program folder, and the shipped help folder names a page
for the main window's key."""
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

HELP = e2e.ids.IDM_HELP
SHIPPED_HELP = e2e.REPO / "help"

QUIET_TABLE = {
    "machine": {"machine0": "MC1", "default": 0},
    "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
}


class HelpCommandTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.folder = e2e.ProgramFolder(self.tmp.name, {"table": {"machine": "machines.ini"}})
        self.folder.write_machine_table(QUIET_TABLE)

    def test_without_a_help_folder_the_table_path_is_named(self):
        with e2e.Vantrel(self.folder) as app:
            app.command(HELP)
            box = app.expect_box(timeout=15)
            app.close()
            self.assertEqual(app.wait_exit(), 0)
        expected = "ヘルプテーブル %s\\help\\help.ini がありません。" % e2e.windows_path(self.folder.path)
        self.assertEqual((box["text"], box["icon"]), (expected, "error"))

    def test_the_shipped_help_folder_reaches_the_shell(self):
        shutil.copytree(SHIPPED_HELP, self.folder.path / "help")
        with e2e.Vantrel(self.folder) as app:
            # Sent: the answer comes once the command is done, unless a box
            # holds it up.
            handled = e2e.driver("command", "--hwnd", app.hwnd, "--id", HELP, "--send", check=False)
            if not handled.get("ok"):
                # The table, the key and the page were found; whether the
                # shell has a viewer for .html is the system's (a Wine prefix
                # made without mshtml has none): its refusal is the only box allowed.
                box = app.expect_box(timeout=15)
                self.assertEqual(box["text"], "エラー：ヘルプファイルが開けません")
            lines = app.list_lines()
            app.close()
            self.assertEqual(app.wait_exit(), 0)
        self.assertFalse([line for line in lines if "ヘルプテーブル" in line or "ヘルプファイル取得失敗" in line
                          or line.startswith("ヘルプファイル ")], lines)


if __name__ == "__main__":
    unittest.main()
