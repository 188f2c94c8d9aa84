"""The data-server file list and the external FTP client, started from the
real Vantrel.exe under Wine against a real FTP server."""
import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

HOST = os.environ.get("VANTREL_TRANSFER_TEST_HOST", "127.0.0.5")
REFUSED = ["----------", "QzrFTPクライントが起動してます", "QzrFTPクライントを閉じて下さい"]


def table(folder="NCDATA"):
    machine = {"address": HOST, "username": "vantrel", "password": "secret", "extention": 1}
    if folder:
        machine["initpath"] = folder
    return {"machine": {"machine0": "MC1", "default": 0}, "MC1": machine}


class FileListAndClientTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-client-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.home = self.tmp / "server"
        (self.home / "NCDATA").mkdir(parents=True)
        for name in ("O0001", "O0002"):
            (self.home / "NCDATA" / name).write_bytes(b"%\r\n" + name.encode() + b"\r\nM30\r\n%\r\n")
        self.server = e2e.FtpServer(self.home, host=HOST).start()
        self.addCleanup(self.server.close)
        self.addCleanup(e2e.kill_windows_of_class, "TkTopLevel")

    def start(self, machine_table=None, **settings):
        ini = {"table": {"machine": "machines.ini"}}
        if settings:
            ini["Vantrel"] = settings
        folder = e2e.ProgramFolder(self.tmp, ini)
        folder.write_machine_table(machine_table or table())
        app = e2e.Vantrel(folder).start()
        self.addCleanup(app.kill)
        return folder, app

    def test_refresh_lists_the_server_folder_and_is_refused_while_a_client_is_open(self):
        folder, app = self.start()
        self.assertEqual(sorted(app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST)), ["O0001\n", "O0002\n"])
        self.assertNotIn("filelist.tmp", folder.files("tmp"))  # read and deleted

        source = self.tmp / "O0003.NC"
        source.write_bytes(b"%\r\nO0003\r\nM30\r\n%\r\n")
        e2e.drop(app.hwnd, [source])
        e2e.wait_until(lambda: self.server.local_path("NCDATA/O0003.NC").exists(), timeout=30, what="upload")
        self.assertEqual(sorted(app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST)), ["O0001\n", "O0002\n"])  # no refresh by itself
        app.command(e2e.ids.IDM_REFRESH_FILE_LIST, send=True)
        self.assertEqual(sorted(app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST)), ["O0001\n", "O0002\n", "O0003.NC\n"])

        app.command(e2e.ids.IDM_FTP_CLIENT, send=True)
        e2e.wait_until(lambda: [w for w in e2e.top_level_windows() if w["class"] == "TkTopLevel" and w["visible"]],
                       timeout=30, what="the FTP client's window")
        before = app.list_lines()
        app.command(e2e.ids.IDM_REFRESH_FILE_LIST, send=True)
        self.assertEqual(app.list_lines()[len(before):], REFUSED)
        self.assertEqual(sorted(app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST)), ["O0001\n", "O0002\n", "O0003.NC\n"])

    def test_client_refused_by_transfer_method_or_missing_program(self):
        folder, app = self.start(VantrelMode=1)
        app.command(e2e.ids.IDM_FTP_CLIENT)
        box = app.expect_box(timeout=15)
        self.assertEqual((box["text"], box["icon"]), ("エラー：転送方法が「FTP」ではありません", "error"))
        app.close()
        self.assertEqual(app.wait_exit(), 0)

        folder, app = self.start()
        (folder.path / "FTPClient.exe").unlink()
        app.command(e2e.ids.IDM_FTP_CLIENT)
        box = app.expect_box(timeout=15)
        self.assertEqual(box["text"], "エラー：ファイル %s がありません" % e2e.windows_path(folder.path / "FTPClient.exe"))
        self.assertEqual(box["icon"], "error")

    def test_client_receives_the_machine_and_the_program_folder_unquoted(self):
        for machine_table, remote in ((table(), "--remote-dir NCDATA "), (table(folder=None), "")):
            with self.subTest(remote=remote):
                folder, app = self.start(machine_table)
                shutil.copyfile(e2e.ARG_RECORDER_EXE, folder.path / "FTPClient.exe")
                app.command(e2e.ids.IDM_FTP_CLIENT, send=True)
                recorded = folder.path / "args.txt"
                # The prefix's ftp.exe is Windows 10's: FTPClient.exe offers OPTS UTF8 ON as it does.
                expected = ("--host %s --user vantrel --password secret --encoding auto %s--local-dir %s\\"
                            % (HOST, remote, e2e.windows_path(folder.path))).encode("cp932")
                # The recorder writes the whole line at once; a part read early is read again.
                e2e.wait_until(lambda: recorded.exists() and recorded.read_bytes() == expected, timeout=30,
                               what="the client's command line")
                app.close()
                self.assertEqual(app.wait_exit(), 0)
                recorded.unlink()

    @unittest.skipUnless(shutil.which("xdotool"), "xdotool is not installed")
    def test_client_started_from_the_menu_downloads_and_uploads(self):
        folder, app = self.start()
        upload = folder.path / "ZUPLOAD.NC"
        upload.write_bytes(os.urandom(200_000))
        app.command(e2e.ids.IDM_FTP_CLIENT, send=True)
        client = e2e.wait_until(lambda: [w for w in e2e.top_level_windows()
                                         if w["class"] == "TkTopLevel" and w["visible"]],
                                timeout=30, what="the client's window")[0]
        # Visible to Win32 before X has mapped it: the X window is waited for too.
        window = e2e.wait_until(lambda: e2e.xdotool("search", "--onlyvisible", "--name",
                                                    e2e.FTPCLIENT_CAPTION).stdout.split(),
                                timeout=30, what="the client's X window")[-1]

        def status():
            return bytes.fromhex(e2e.driver("text", "--hwnd", client["hwnd"], "--id", e2e.client_ids.IDC_STATUS)
                                 ["text_hex"]).decode("cp932")
        e2e.wait_until(lambda: status().startswith("完了: サーバーのファイル "), timeout=30, what="its first listing")

        def keys(*names):
            e2e.press_keys(window, *names)

        def row_of(list_id, name):
            rows = [bytes.fromhex(row[0]).decode("cp932")
                    for row in e2e.driver("listview", "--hwnd", client["hwnd"], "--id", list_id)["rows_hex"]]
            return rows.index(name)

        # Download: server list row of O0001, counted from the top.
        keys("alt+v", "Home", *["Down"] * row_of(e2e.client_ids.IDC_REMOTE_LIST, "O0001"), "alt+d")
        e2e.wait_until(lambda: status().startswith("完了: ダウンロードしました。"), timeout=30, what="the download")
        self.assertEqual((folder.path / "O0001").read_bytes(), (self.home / "NCDATA" / "O0001").read_bytes())

        # Upload: the local list shows the program folder's files.
        keys("alt+l", "Home", *["Down"] * row_of(e2e.client_ids.IDC_LOCAL_LIST, "ZUPLOAD.NC"), "alt+u")
        e2e.wait_until(lambda: status().startswith("完了: アップロードしました。"), timeout=30, what="the upload")
        self.assertEqual(self.server.local_path("NCDATA/ZUPLOAD.NC").read_bytes(), upload.read_bytes())
        keys("alt+c")


if __name__ == "__main__":
    unittest.main()
