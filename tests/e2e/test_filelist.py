"""filelist.exe under Wine against a real FTP server on loopback: the names
of a folder land in tmp\\filelist.tmp beside the program, one per line with
CR LF; any failure leaves no such file and a non-zero exit status."""
import shutil
import tempfile
import unittest
from pathlib import Path

from test_ftp_exe import DOWN_HOST, HOST, PASSWORD, USER, run_timed
from vantrel_e2e import FILELIST_EXE, FtpServer
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

    def test_missing_tmp_folder_fails(self):
        shutil.rmtree(self.program_folder / "tmp")
        with FtpServer(self.root, user=USER, password=PASSWORD, host=HOST):
            status, output, _ = self.run_filelist(HOST, USER, PASSWORD, "NC")
        self.assertNotEqual(status, 0, output)
        self.assertIn("filelist.tmp", output)
        self.assertFalse((self.program_folder / "tmp").exists())


if __name__ == "__main__":
    unittest.main()
