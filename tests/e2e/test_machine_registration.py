"""The machine registry in the real Vantrel.exe under Wine: a program folder
without a machine table opens the registration dialog at start-up, a machine
saved there is listed in the main window once the dialog closes, and text
typed into the machine combo box changes nothing."""
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

SETTINGS = {"table": {"machine": "machines.ini"}}
DIALOG_CAPTION = "マシニングデータサーバー情報登録"
REGISTRATION_NAME = e2e.ids.IDC_REGISTRATION_NAME  # then IDC_ADDRESS, IDC_USER_NAME, IDC_PASSWORD, IDC_INITIAL_FOLDER
SAVE, CLOSE = e2e.ids.IDM_SAVE, e2e.ids.IDM_CLOSE


def cp932(hex_text):
    return bytes.fromhex(hex_text).decode("cp932")


def set_item(dialog, control_id, text):
    e2e.driver("settext", "--hwnd", dialog, "--id", control_id, "--hex", text.encode("cp932").hex())


class MachineRegistrationTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def wait_for_window(self, app, message_box):
        """The first visible message box (or, with message_box false, dialog) of the program."""
        def find():
            return next((d for d in app.dialogs() if d["message_box"] == message_box), None)
        return e2e.wait_until(find, timeout=20, what="message box" if message_box else "dialog")

    def test_fresh_folder_registers_its_first_machine_at_start_up(self):
        folder = e2e.ProgramFolder(self.tmp.name, SETTINGS)
        with e2e.Vantrel(folder) as app:
            # The default machine cannot be read: its error comes first, then the dialog.
            box = app.expect_box(timeout=20)
            self.assertEqual((box["text"], box["icon"]), ("エラー：IPアドレス取得失敗", "error"))
            dialog = self.wait_for_window(app, message_box=False)
            self.assertEqual(cp932(dialog["caption_hex"]), DIALOG_CAPTION)
            hwnd = dialog["hwnd"]

            values = ["第一工場ＭＣ", "127.0.0.9", "nc", "pw", "NCDATA"]
            for offset, text in enumerate(values):
                set_item(hwnd, REGISTRATION_NAME + offset, text)
            e2e.driver("command", "--hwnd", hwnd, "--id", SAVE)
            info = self.wait_for_window(app, message_box=True)
            self.assertEqual((cp932(info["text_hex"]), info["icon"]),
                             ("新規にマシニング情報を登録しました", "information"))
            e2e.driver("command", "--hwnd", info["hwnd"], "--id", 1)
            e2e.wait_until(lambda: not any(d["message_box"] for d in app.dialogs()), what="box to close")

            e2e.driver("command", "--hwnd", hwnd, "--id", CLOSE)
            combo = e2e.wait_until(lambda: (lambda c: c if c["items"] else None)(app.combo()),
                                   timeout=20, what="machine combo box to be filled")
            lines = app.list_lines()

        self.assertEqual(combo["items"], ["第一工場ＭＣ"])
        self.assertEqual(combo["text"], "第一工場ＭＣ")
        saved = lines.index("??? icheck=0 | inumber=-1")
        self.assertEqual(lines[saved - 1], "routine name : RegisterFtpValue")
        self.assertEqual(lines[saved + 1], "??? 0 マシニング登録")
        shown = lines.index("IPアドレス   : 127.0.0.9")
        self.assertGreater(shown, saved)
        self.assertEqual(lines[shown + 1:shown + 4], ["ユーザー名   : nc", "パスワード   : pw", "初期フォルダ : NCDATA"])
        table = (folder.path / "machines.ini").read_bytes().decode("cp932")
        self.assertIn("machine0=第一工場ＭＣ\r\n", table)
        self.assertIn("[第一工場ＭＣ]\r\naddress=127.0.0.9\r\n", table)

    def test_text_typed_into_the_machine_combo_box_changes_nothing(self):
        folder = e2e.ProgramFolder(self.tmp.name, SETTINGS)
        folder.write_machine_table({
            "machine": {"machine0": "MC1", "machine1": "旋盤セル２", "default": 0},
            "MC1": {"address": "127.0.0.9", "username": "nc", "password": "pw", "extention": 0},
            "旋盤セル２": {"address": "127.0.0.8", "username": "op", "password": "pw2", "extention": 1},
        })
        with e2e.Vantrel(folder) as app:
            e2e.wait_until(lambda: "IPアドレス   : 127.0.0.9" in app.list_lines(), what="default machine")
            before = app.list_lines()
            app.set_text(e2e.ids.IDC_MACHINE_COMBO, "旋盤セル２")
            # What typing reports to the main window (CBN_EDITCHANGE), handled before the call returns.
            app.command(e2e.ids.IDC_MACHINE_COMBO, code=5, send=True)
            after = app.list_lines()
            combo = app.combo()
        self.assertEqual(after, before)
        self.assertEqual(combo["text"], "旋盤セル２")
        self.assertEqual(combo["items"], ["MC1", "旋盤セル２"])


if __name__ == "__main__":
    unittest.main()
