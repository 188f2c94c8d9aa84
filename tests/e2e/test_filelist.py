"""filelist.exe under Wine against a real FTP server on loopback: the names
of a folder land in tmp\\filelist.tmp beside the program, one per line with
CR LF; any failure leaves no such file and a non-zero exit status."""
import shutil
import tempfile
import unittest
from pathlib import Path

from vantrel_e2e import FTP_DOWN_HOST as DOWN_HOST, FTP_TEST_HOST as HOST, FTP_TEST_PASSWORD as PASSWORD
from vantrel_e2e import FTP_TEST_USER as USER
from vantrel_e2e import FILELIST_EXE, FaultServer, FtpServer, run_timed
JAPANESE = "テスト表ソ.nc".encode("cp932")  # trail bytes 0x5C in 表 and ソ


class FileListTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="filelist-"))
        self.addCleanup(shutil.rmtree, self.work, True)
        # The program folder holds a blank, as under "Program Files".
        self.program_folder = self.work / "Program Files" / "Vantrel"
        (self.program_folder / "tmp").mkdir(parents=True)
        shutil.copy(FILELIST_EXE, self.program_folder / "filelist.exe")
        self.list_file = self.program_folder / "tmp" / "filelist.tmp"
        self.root = self.work / "server"
        (self.root / "NC").mkdir(parents=True)
        (self.root / "empty").mkdir()
        self.folder_names = {b"O1234", b"my prog.nc", b"PROG", JAPANESE}
        for name in self.folder_names:
            with open(bytes(self.root / "NC") + b"/" + name, "wb") as f:
                f.write(b"%\r\n")
        (self.root / "LOGIN.NC").write_bytes(b"%\r\n")

    def run_filelist(self, *args):
        return run_timed(self.program_folder / "filelist.exe", list(args), self.work, 60)

    def read_names(self):
        data = self.list_file.read_bytes()
        self.assertTrue(data == b"" or data.endswith(b"\r\n"), data)
        lines = data.split(b"\r\n")[:-1]
        self.assertFalse(any(b"\n" in line or b"\r" in line for line in lines), data)
        return lines

    def test_lists_folder_or_login_folder(self):
        with FtpServer(self.root, user=USER, password=PASSWORD, host=HOST):
            status, output, _ = self.run_filelist(HOST, USER, PASSWORD, "NC")
            self.assertEqual(status, 0, output)
            names = self.read_names()
            self.assertEqual(len(names), len(self.folder_names))
            self.assertEqual(set(names), self.folder_names)

            status, output, _ = self.run_filelist(HOST, USER, PASSWORD)
            self.assertEqual(status, 0, output)
            self.assertEqual(set(self.read_names()), {b"NC", b"empty", b"LOGIN.NC"})

            # An empty folder is a success with an empty list.
            status, output, _ = self.run_filelist(HOST, USER, PASSWORD, "empty")
            self.assertEqual(status, 0, output)
            self.assertEqual(self.read_names(), [])

    def test_failures_leave_no_file(self):
        with FtpServer(self.root, user=USER, password=PASSWORD, host=HOST):
            cases = {
                "server down": (DOWN_HOST, USER, PASSWORD, "NC"),
                "wrong password": (HOST, USER, "wrong", "NC"),
                "missing folder": (HOST, USER, PASSWORD, "NOPE"),
                "too few values": (HOST, USER),
            }
            for name, args in cases.items():
                with self.subTest(name):
                    # A list left from before must not pass for this run's.
                    self.list_file.write_bytes(b"STALE\r\n")
                    status, output, seconds = self.run_filelist(*args)
                    self.assertNotEqual(status, 0, output)
                    self.assertFalse(self.list_file.exists(), output)
                    self.assertLess(seconds, 20)
                    self.assertEqual([p.name for p in (self.program_folder / "tmp").iterdir()], ["filelist.log"])

    def test_offers_utf8_as_the_system_client_does(self):
        """The prefix's ftp.exe stands for Windows 10's client, which sends
        OPTS UTF8 ON: a server that takes it gets the folder's name in UTF-8
        and its names are listed in Shift-JIS; one that hangs up on it fails
        the list, and the log says so."""
        folder = self.root / "テスト"  # on disk as its UTF-8 bytes, as the server took them
        folder.mkdir()
        for name in ("表.nc", "한.nc"):  # 한 has no Shift-JIS character
            (folder / name).write_bytes(b"%\r\n")
        # (fault mode, exit status, names listed or None for no list, a line of the log)
        cases = [
            ("opts200", 0, ["表.nc".encode("cp932")], "filelist: Shift-JIS で書けない名前 1 件"),
            ("optshangup", 1, None, "filelist: サーバーが OPTS UTF8 ON"),
        ]
        for mode, expected_status, names, line in cases:
            with self.subTest(mode), FaultServer(self.root, mode, HOST, USER, PASSWORD):
                status, output, _ = self.run_filelist(HOST, USER, PASSWORD, "テスト")
                self.assertEqual(status, expected_status, output)
                if names is None:
                    self.assertFalse(self.list_file.exists(), output)
                else:
                    self.assertEqual(self.read_names(), names)
                log = (self.program_folder / "tmp" / "filelist.log").read_bytes().decode("cp932", "replace")
                self.assertIn(line, log)

    def test_missing_tmp_folder_fails(self):
        shutil.rmtree(self.program_folder / "tmp")
        with FtpServer(self.root, user=USER, password=PASSWORD, host=HOST):
            status, output, _ = self.run_filelist(HOST, USER, PASSWORD, "NC")
        self.assertNotEqual(status, 0, output)
        self.assertIn("filelist.tmp", output)
        self.assertFalse((self.program_folder / "tmp").exists())


if __name__ == "__main__":
    unittest.main()
