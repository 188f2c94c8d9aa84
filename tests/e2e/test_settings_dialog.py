"""The initial settings dialog of the real Vantrel.exe under Wine: it moves
the main window as soon as a position box is left, corrects values outside
0..1, and touches the settings file only on its save command."""
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

OPEN_SETTINGS, SAVE, CLOSE = e2e.ids.IDM_INITIAL_SETTINGS, e2e.ids.IDM_SAVE, e2e.ids.IDM_CLOSE
BOX_X, BOX_Y = e2e.ids.IDC_POSITION_X, e2e.ids.IDC_POSITION_Y
BOX_WINDOW_COLOR, BOX_TEXT_COLOR = e2e.ids.IDC_WINDOW_COLOR, e2e.ids.IDC_TEXT_COLOR
EN_KILLFOCUS = 0x0200

# A machine whose data server does not exist: start-up stays quiet.
QUIET_TABLE = {
    "machine": {"machine0": "MC1", "default": 0},
    "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
}


class InitialSettingsDialogTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def box(self, dialog, control_id):
        return bytes.fromhex(e2e.driver("text", "--hwnd", dialog, "--id", control_id)["text_hex"]).decode("cp932")

    def type_into(self, dialog, control_id, text):
        e2e.driver("settext", "--hwnd", dialog, "--id", control_id, "--hex", text.encode("cp932").hex())

    def leave(self, dialog, control_id, send=True):
        """The box's kill-focus notification, as when the user tabs away."""
        args = ["--hwnd", dialog, "--id", control_id, "--code", EN_KILLFOCUS] + (["--send"] if send else [])
        e2e.driver("command", *args)

    def test_moves_the_main_window_live_and_writes_only_on_save(self):
        folder = e2e.ProgramFolder(self.tmp.name, {
            "window": {"X": 0.5, "Y": 0.5},
            "color": {"window": "220,220,220", "text": "0,0,0"},
            "table": {"machine": "machines.ini"},
        })
        folder.write_machine_table(QUIET_TABLE)
        stored = folder.settings_path.read_bytes()

        with e2e.Vantrel(folder) as app:
            app.command(OPEN_SETTINGS)
            dialog = e2e.wait_until(lambda: [d for d in app.dialogs() if d["caption"] == "初期設定"],
                                    timeout=15, what="the settings dialog")[0]["hwnd"]
            self.assertEqual([self.box(dialog, i) for i in (BOX_X, BOX_Y, BOX_WINDOW_COLOR, BOX_TEXT_COLOR)],
                             ["0.5", "0.5", "220,220,220", "0,0,0"])

            # Right edge, top edge: the main window moves at once, the file stays.
            self.type_into(dialog, BOX_X, "1")
            self.type_into(dialog, BOX_Y, "0")
            self.leave(dialog, BOX_X)
            state = app.window_state()
            left, top, right, _ = state["rect"]
            self.assertEqual((right, top), (state["screen_width"], 0))
            self.assertEqual(folder.settings_path.read_bytes(), stored)

            # Out of range: corrected in the box, reported, placed at the limit.
            self.type_into(dialog, BOX_Y, "-0.3")
            self.leave(dialog, BOX_Y, send=False)
            error = app.expect_box(timeout=15)
            self.assertEqual((error["text"], error["icon"]), ("データは 0～1 の範囲にして下さい。", "error"))
            e2e.wait_until(lambda: self.box(dialog, BOX_Y) == "0", what="the corrected Y box")
            self.assertEqual(folder.settings_path.read_bytes(), stored)

            # Save writes the two changed values and says so.
            e2e.driver("command", "--hwnd", dialog, "--id", SAVE)
            saved = app.expect_box(timeout=15)
            self.assertEqual((saved["text"], saved["icon"]),
                             ("2個の設定値を保存しました\n再起動時に有効になります", "information"))
            settings = folder.read_settings()
            self.assertIn("[window]\r\nX=1\r\nY=0\r\n", settings)
            self.assertIn("[color]\r\nwindow=220,220,220\r\ntext=0,0,0\r\n", settings)
            self.assertEqual(app.list_lines()[-2:], ["2個の設定値を保存しました", "再起動時に有効になります"])

            # Closing ends the dialog only; the main window stays where it was put.
            e2e.driver("command", "--hwnd", dialog, "--id", CLOSE)
            e2e.wait_until(lambda: not any(d["caption"] == "初期設定" for d in app.dialogs()),
                           what="the dialog to close")
            self.assertEqual(app.window_state()["rect"][2], state["screen_width"])
            app.close()
            self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
