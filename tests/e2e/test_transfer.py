"""Files dropped on the real Vantrel.exe reach a real FTP server.

The drop comes through the X server (XDND), as from a Linux file manager;
Vantrel writes its control file and runs ftp.exe from the Wine prefix's
system32, as it would run the Windows client."""
import os
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

# Overridable so that runs by hand beside other tests do not share a port.
HOST = os.environ.get("VANTREL_TRANSFER_TEST_HOST", "127.0.0.5")
DOWN_HOST = "127.0.0.7"  # nothing listens here


def machine_table(address=HOST, password="secret", folder="NCDATA", extension=0):
    machine = {"address": address, "username": "vantrel", "password": password, "extention": extension}
    if folder is not None:
        machine["initpath"] = folder
    return {"machine": {"machine0": "MC1", "default": 0}, "MC1": machine}


def control_files(folder):
    return [name for name in folder.files("tmp") if name.endswith(".txt")]


class TransferTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-transfer-"))
        self.server_home = self.tmp / "server"
        (self.server_home / "NCDATA").mkdir(parents=True)
        # One file already there, so the start-up file list is not empty.
        (self.server_home / "NCDATA" / "O0001").write_bytes(b"%\r\nO0001\r\nM30\r\n%\r\n")
        self.sources = self.tmp / "src"
        self.sources.mkdir()

    def tearDown(self):
        import shutil
        shutil.rmtree(self.tmp, ignore_errors=True)

    def source(self, name, size=5000):
        data = os.urandom(size)
        path = self.sources / name
        path.write_bytes(data)
        return path

    def start(self, table, **settings):
        ini = {"table": {"machine": "machines.ini"}}
        if settings:
            ini["Vantrel"] = settings
        folder = e2e.ProgramFolder(self.tmp, ini)
        folder.write_machine_table(table)
        app = e2e.Vantrel(folder).start()
        self.addCleanup(app.kill)
        return folder, app

    def runs_in_list(self, app):
        return [line[len("... 転送ファイル "):] for line in app.list_lines() if line.startswith("... 転送ファイル ")]

    def test_three_files_dropped_at_once_arrive_in_drop_order(self):
        files = [self.source("a b.nc"), self.source("テスト.nc"), self.source("PROG")]
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table())
            self.assertEqual(app.combo()["text"], "MC1")
            self.assertEqual(app.list_lines(1001), ["O0001\n"])

            e2e.drop(app.hwnd, files)
            remote = {"a b": files[0], "テスト": files[1], "PROG": files[2]}
            e2e.wait_until(lambda: all(server.local_path("NCDATA/" + n).exists() for n in remote)
                           and len(self.runs_in_list(app)) == 3, timeout=60, what="three uploads")
            for name, source in remote.items():
                self.assertEqual(server.local_path("NCDATA/" + name).read_bytes(), source.read_bytes(), name)

            self.assertEqual(self.runs_in_list(app), [e2e.windows_path(f) for f in files])
            lines = app.list_lines()
            first = lines.index("routine name : StartVantrel")
            self.assertEqual(lines[first:first + 3], ["routine name : StartVantrel",
                                                     "... 転送ファイル " + e2e.windows_path(files[0]),
                                                     "routine name : SetControlFileName"])
            self.assertFalse([line for line in lines if line.startswith("エラー")], lines)
            self.assertEqual(control_files(folder), [])
            self.assertEqual(app.dialogs(), [])

    def test_extension_flag_keeps_the_name_and_delete_zero_keeps_the_control_file(self):
        source = self.source("O1234.NC")
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table(extension=1), delete=0)
            e2e.drop(app.hwnd, [source])
            e2e.wait_until(lambda: server.local_path("NCDATA/O1234.NC").exists() and control_files(folder),
                           timeout=60, what="upload and control file")
            e2e.wait_until(lambda: len(self.runs_in_list(app)) == 1, timeout=30, what="run listed")
            self.assertEqual(server.local_path("NCDATA/O1234.NC").read_bytes(), source.read_bytes())
            names = control_files(folder)
            self.assertEqual(len(names), 1)
            self.assertRegex(names[0], r"^\d{12}\.txt$")
            expected = ("open " + HOST + "\r\nvantrel\r\nsecret\r\nbinary\r\ncd NCDATA\r\nput %s\r\nquit\r\n"
                        % e2e.windows_path(source)).encode("cp932")
            self.assertEqual((folder.path / "tmp" / names[0]).read_bytes(), expected)

    def test_failed_transfers_are_reported_and_the_window_stays_alive(self):
        source = self.source("O2000.NC")
        cases = [
            ("server down", machine_table(address=DOWN_HOST)),
            ("wrong password", machine_table(password="wrong")),
            ("missing initial folder", machine_table(folder="NOSUCH")),
        ]
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            for what, table in cases:
                with self.subTest(what):
                    folder, app = self.start(table)
                    started = time.monotonic()
                    e2e.drop(app.hwnd, [source])
                    box = app.expect_box(timeout=60)
                    elapsed = time.monotonic() - started
                    self.assertEqual(box["icon"], "error")
                    self.assertEqual(box["caption"], "Vantrel")
                    self.assertEqual(box["text"], "エラー：ファイル %s の転送に失敗しました（ftp.exe 終了コード 1）"
                                     % e2e.windows_path(source))
                    self.assertLess(elapsed, 45)
                    # Still serving: it answers, lists the failure and takes the next command.
                    self.assertIn(box["text"], app.list_lines())
                    self.assertEqual(control_files(folder), [])  # the password does not stay behind
                    app.close()
                    self.assertEqual(app.wait_exit(), 0)
            self.assertFalse(server.local_path("O2000").exists())
            self.assertFalse(server.local_path("NCDATA/O2000").exists())


if __name__ == "__main__":
    unittest.main()
