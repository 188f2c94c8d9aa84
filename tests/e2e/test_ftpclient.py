"""FTPClient.exe under Wine: option errors end in a message box, not a crash;
an upload and a download driven through its window with the keyboard (the
window's own mnemonics) arrive byte-identical, Shift-JIS or UTF-8 on the wire."""
import contextlib
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from test_ftp_exe import HOST, PASSWORD, USER, MisbehavingFtpServer
from vantrel_e2e import FTPCLIENT_EXE, FtpServer, driver, start_windows_program, wine_env, windows_path

CAPTION = "FTPクライアント"


def xdotool(env, *args):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=30)


def press_keys(env, window, *keys):
    """Focuses the window and presses the keys one by one, as a user would."""
    xdotool(env, "windowfocus", "--sync", window)
    for key in keys:
        xdotool(env, "key", key)
        time.sleep(0.3)


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise AssertionError(f"timed out waiting for {what}")


@unittest.skipUnless(shutil.which("xdotool"), "xdotool is not installed")
class FtpClientTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = wine_env()

    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="ftpclient-"))
        self.addCleanup(shutil.rmtree, self.work, True)
        self.client = None

    def tearDown(self):
        if self.client is not None and self.client.poll() is None:
            os.killpg(self.client.pid, signal.SIGKILL)
            self.client.wait()

    def start(self, arguments):
        # Wine forms the Windows command line from the words; the client reads it whole.
        self.client = start_windows_program(FTPCLIENT_EXE, arguments.split(" "))

    def windows(self):
        return xdotool(self.env, "search", "--onlyvisible", "--name", CAPTION).stdout.split()

    def wait_for_window(self):
        wait_for(lambda: self.windows() or self.client.poll() is not None, 30, "the client's window")
        self.assertIsNone(self.client.poll(), "the client ended without a window")
        return self.windows()[-1]

    def keys(self, window, *keys):
        press_keys(self.env, window, *keys)

    def test_bad_options_end_in_a_message_box(self):
        local = windows_path(self.work)
        for arguments in [
            f"--host  --user  --password  --encoding sjis --local-dir {local}\\",  # no machine loaded
            f"--host {HOST} --user {USER} --password {PASSWORD} --encoding euc-jp --local-dir {local}",
            f"--host {HOST} --user {USER} --password {PASSWORD} --encoding sjis",
            f"--host {HOST} --user {USER} --password {PASSWORD} --encoding sjis --local-dir {local}\\missing",
        ]:
            with self.subTest(arguments):
                self.start(arguments)
                box = self.wait_for_window()
                self.keys(box, "Return")
                self.assertEqual(self.client.wait(timeout=20), 2)

    @contextlib.contextmanager
    def transfer_through_window(self, encoding, local_files, keys, remote_dir):
        """Starts the client on a server, presses `keys` in its window, yields
        the local folder, then closes the window with its own button."""
        server_root = self.work / "server"
        local = self.work / "Program Files" / "Vantrel"
        local.mkdir(parents=True)
        for name, data in local_files.items():
            (local / name).write_bytes(data)
        with FtpServer(server_root, user=USER, password=PASSWORD, host=HOST):
            self.start(f"--host {HOST} --user {USER} --password {PASSWORD} --encoding {encoding} "
                       f"--remote-dir {remote_dir} --local-dir {windows_path(local)}\\")
            window = self.wait_for_window()
            time.sleep(2)  # the first listing
            self.keys(window, *keys)
            yield local
            self.keys(window, "alt+c")
            self.assertEqual(self.client.wait(timeout=20), 0)

    def test_upload_sends_the_name_in_the_chosen_encoding(self):
        data = os.urandom(3_000_000)
        for encoding, wire_name in [("sjis", "アップ表 1.nc".encode("cp932")), ("utf8", "アップ表 1.nc".encode())]:
            with self.subTest(encoding):
                shutil.rmtree(self.work, ignore_errors=True)
                (self.work / "server" / "NC").mkdir(parents=True)
                target = bytes(self.work / "server" / "NC") + b"/" + wire_name
                with self.transfer_through_window(encoding, {"アップ表 1.nc": data},
                                                  ["alt+l", "Home", "alt+u"], "NC"):
                    wait_for(lambda: os.path.exists(target) and os.path.getsize(target) == len(data), 30,
                             "the uploaded file")
                with open(target, "rb") as arrived:
                    self.assertEqual(arrived.read(), data)

    def test_download_writes_the_local_folder(self):
        (self.work / "server" / "NC").mkdir(parents=True)
        data = os.urandom(2_000_000)
        (self.work / "server" / "NC" / "O1234").write_bytes(data)
        # Rows of the server list: "..", then O1234.
        with self.transfer_through_window("sjis", {}, ["alt+v", "Home", "Down", "alt+d"], "NC") as local:
            wait_for(lambda: (local / "O1234").exists() and (local / "O1234").stat().st_size == len(data), 30,
                     "the downloaded file")
            self.assertEqual((local / "O1234").read_bytes(), data)
            # Only the finished file: the temporary download file is gone.
            wait_for(lambda: [p.name for p in local.iterdir()] == ["O1234"], 10, "no temporary file")

    def test_download_refuses_listed_names_that_leave_the_local_folder(self):
        """A server that lists "..\\evil.txt" must not get a file written
        beside the local folder; a name ending in a dot is refused too, each
        named in the error box, and the good file of the same job arrives."""
        (self.work / "server" / "NC").mkdir(parents=True)
        for name in ["..\\evil.txt", "O0002.", "O1234"]:
            (self.work / "server" / "NC" / name).write_bytes(b"%\r\nM30\r\n%\r\n")
        # Rows of the server list: "..", then the three files; all three taken.
        with self.transfer_through_window("sjis", {}, ["alt+v", "Home", "Down", "shift+End", "alt+d"],
                                          "NC") as local:
            pid = driver("find", "--class", "TkTopLevel", "--timeout", 10000)["pid"]
            box = driver("answer", "--pid", pid, "--timeout", 30000, timeout=60)["dialog"]
            text = bytes.fromhex(box["text_hex"]).decode("cp932")
            self.assertEqual(box["icon"], "error", text)
            self.assertEqual(sorted(text.splitlines()),
                             [name + ": ローカルのファイル名に使えない名前のため、ダウンロードしません。"
                              for name in ["..\\evil.txt", "O0002."]])
            self.assertEqual([p.name for p in local.iterdir()], ["O1234"])
            self.assertEqual([p.name for p in local.parent.iterdir()], ["Vantrel"])

    def test_stop_ends_a_stalled_upload_at_once(self):
        """The server stops reading mid-upload; the stop button ends the
        transfer without waiting for the data time-out, and the window
        closes at once."""
        (self.work / "server" / "NC").mkdir(parents=True)
        local = self.work / "local"
        local.mkdir()
        (local / "BIG.NC").write_bytes(os.urandom(8_000_000))
        with MisbehavingFtpServer(self.work / "server", "stall"):
            self.start(f"--host {HOST} --user {USER} --password {PASSWORD} --encoding sjis "
                       f"--remote-dir NC --local-dir {windows_path(local)}")
            window = self.wait_for_window()
            time.sleep(2)
            self.keys(window, "alt+l", "Home", "alt+u")
            time.sleep(2)
            stopped = time.monotonic()
            self.keys(window, "alt+s")
            # The result box ("中止しました。") is the second window with the caption.
            wait_for(lambda: len(self.windows()) == 2, 10, "the result box")
            self.assertLess(time.monotonic() - stopped, 10)
            box = [w for w in self.windows() if w != window][0]
            self.keys(box, "Return")
            self.keys(window, "alt+c")
            self.assertEqual(self.client.wait(timeout=15), 0)


if __name__ == "__main__":
    unittest.main()
