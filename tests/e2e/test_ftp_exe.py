"""ftp.exe under Wine against a real FTP server (pyftpdlib) on loopback.

The control files are written exactly as the main program writes them
where the system reports Windows 10, as the test prefix does (CR LF, values
byte for byte, a value with a blank in double quotes, UTF-8, which the
client of Windows 8 and later reads; names go to the server in Shift-JIS
unless it takes OPTS UTF8 ON). By default ftp.exe behaves as the Windows
client (WindowsClientTest); the strict mode (--strict) keeps its own tests.
ftp61.exe, the same client with Windows 7's file version, reads Shift-JIS
and offers no UTF-8. The same control file is also run through Debian's
tnftp, a client nobody here wrote.
"""
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from vantrel_e2e import FTP_DOWN_HOST as DOWN_HOST, FTP_TEST_HOST as HOST, FTP_TEST_PASSWORD as PASSWORD
from vantrel_e2e import FTP_TEST_USER as USER
from vantrel_e2e import (FTP_EXE, LATE_S, LINGER_S, SLOW_RATE, FtpServer, MisbehavingFtpServer, control_file,
                         put_line, run_timed, run_windows_program, windows_path)

# The reply and data-progress limit and the connect limit (README, "The
# sibling programs"), short as in the fault matrix: the silent cases end
# after them instead of the default 30 s and 10 s.
REPLY_LIMIT, CONNECT_LIMIT = 5, 3
SHORT_LIMITS = {"VANTREL_FTP_TIMEOUT": str(REPLY_LIMIT), "VANTREL_FTP_CONNECT_TIMEOUT": str(CONNECT_LIMIT)}
STRICT = "--strict"
FTP61_EXE = FTP_EXE.with_name("ftp61.exe")  # Windows 7's client: Shift-JIS script, no OPTS


class FtpExeCase(unittest.TestCase):
    """A work folder, a server root with NC, and the helpers of both test classes."""

    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="ftp-exe-"))
        self.addCleanup(shutil.rmtree, self.work, True)
        self.server_root = self.work / "server"
        (self.server_root / "NC").mkdir(parents=True)
        self.local = self.work / "my dir"  # a blank in every local path
        self.local.mkdir()

    def server(self):
        return FtpServer(self.server_root, user=USER, password=PASSWORD, host=HOST)

    def make_local(self, name, size):
        path = self.local / name
        path.write_bytes(os.urandom(size))
        return path

    def run_script(self, content, timeout=120, options=(), exe=FTP_EXE, env=SHORT_LIMITS):
        script = self.work / "tmp dir" / "202610110905.txt"
        script.parent.mkdir(exist_ok=True)
        script.write_bytes(content)
        # Wine quotes a word with a blank when it forms the command line.
        return run_timed(exe, list(options) + ["-s:" + windows_path(script)], self.work, timeout, env)

    def assert_in_order(self, output, lines, case):
        """Each of `lines` starts a line of `output`, in this order."""
        shown = output.replace("\r", "").split("\n")
        at = 0
        for line in lines:
            found = next((i for i in range(at, len(shown)) if shown[i].startswith(line)), None)
            self.assertIsNotNone(found, f"{case}: {line!r} not after line {at} of\n{output}")
            at = found + 1

    def server_files(self):
        return sorted(str(p.relative_to(self.server_root)) for p in self.server_root.rglob("*") if p.is_file())

    def assert_arrived(self, local, remote_name):
        remote = bytes(self.server_root / "NC") + b"/" + remote_name
        self.assertTrue(os.path.exists(remote), f"{remote!r} missing; server has "
                        f"{os.listdir(bytes(self.server_root / 'NC'))}")
        with open(remote, "rb") as arrived:
            self.assertEqual(arrived.read(), local.read_bytes())



class FtpExeTest(FtpExeCase):
    def test_control_files_as_written_transfer_byte_identical(self):
        program = self.make_local("O1234.NC", 300_000)
        japanese = self.make_local("テスト表ソ.nc", 20_000)  # 表 and ソ end in byte 0x5C
        blank = self.make_local("my prog.nc", 1000)
        no_dot = self.make_local("PROG", 5000)
        cases = [
            (program, put_line(program, b"O1234"), b"O1234"),
            # Extension flag 1: no remote name, the local file's own name is used.
            (japanese, put_line(japanese), "テスト表ソ.nc".encode("cp932")),
            (japanese, put_line(japanese, "テスト表ソ".encode("utf-8")), "テスト表ソ".encode("cp932")),
            (blank, put_line(blank, b"my prog"), b"my prog"),
            (no_dot, put_line(no_dot, b"PROG"), b"PROG"),
        ]
        with self.server() as server:
            for local, line, remote_name in cases:
                with self.subTest(remote=remote_name):
                    status, output, _ = self.run_script(control_file(HOST, USER, PASSWORD, b"NC", line))
                    self.assertEqual(status, 0, output)
                    self.assert_arrived(local, remote_name)
                    commands = [c["cmd"] for c in server.commands()]
                    self.assertIn(b"STOR " + remote_name, [c["raw"] for c in server.commands()])
                    # As the Windows client: UTF-8 offered before USER, active mode only.
                    self.assertEqual(commands[:2], ["OPTS", "USER"])
                    self.assertIn("PORT", commands)
                    self.assertNotIn("PASV", commands)
                    self.assertIn("ftp> binary", output)
                    self.assertIn("226 ", output)
                    self.assertRegex(output, rf"ftp: {local.stat().st_size} bytes sent in [0-9.]+Seconds")
                    self.assertNotIn(PASSWORD, output)

    def test_strict_failures_end_non_zero_in_bounded_time(self):
        program = self.make_local("O1234.NC", 1000)
        japanese = self.make_local("テスト.nc", 1000)
        put = put_line(program, b"O1234")
        with self.server() as server:
            cases = {
                "server down": control_file(DOWN_HOST, USER, PASSWORD, b"NC", put),
                "wrong password": control_file(HOST, USER, "wrong", b"NC", put),
                "missing folder": control_file(HOST, USER, PASSWORD, b"NOPE", put),
                "missing local file": control_file(HOST, USER, PASSWORD, b"NC",
                                                   put_line(self.local / "gone.nc", b"gone")),
                "unknown command": control_file(HOST, USER, PASSWORD, b"NC", b"mput *.nc"),
                # Windows 7's Shift-JIS where UTF-8 is read: the line is not run.
                "Shift-JIS script": control_file(HOST, USER, PASSWORD, b"NC",
                                                 b'put "' + windows_path(japanese).encode("cp932") + b'" T'),
            }
            for name, content in cases.items():
                with self.subTest(name):
                    status, output, seconds = self.run_script(content, timeout=60, options=[STRICT])
                    self.assertEqual(status, 1, output)
                    self.assertLess(seconds, 20, output)
                    if name == "Shift-JIS script":
                        self.assertIn("ftp: スクリプトの 6 行目は UTF-8 でないか", output)
            # A failed cd must not send the file into the login folder.
            self.assertNotIn("STOR", [c["cmd"] for c in server.commands()])
        self.assertEqual(os.listdir(self.server_root), ["NC"])

    def test_a_bad_option_or_an_unreadable_control_file_ends_with_2(self):
        """Exit status 2, before any connection: the caller can tell a
        command line it got wrong from a transfer that failed (1)."""
        (self.work / "a folder").mkdir()
        for what, args, message in [
                ("unknown option", ["-x", "-s:" + windows_path(self.work / "s.txt")], "ftp: 不明なオプション -x"),
                ("missing control file", ["-s:" + windows_path(self.work / "gone.txt")], "Error opening script file"),
                ("a folder for a control file", ["-s:" + windows_path(self.work / "a folder")],
                 "Error opening script file")]:
            with self.subTest(what):
                status, output, _ = run_timed(FTP_EXE, args, self.work, 60)
                self.assertEqual(status, 2, output)
                self.assertIn(message, output)

    def test_a_file_held_open_for_writing_still_uploads(self):
        """As with an editor that keeps the file open: here cmd.exe holds it
        open for appending (ftp.exe's standard error, which stays empty)
        while ftp.exe reads it. No blanks in these paths: cmd.exe gets them
        as separate words, unquoted."""
        folder = self.work / "held"
        folder.mkdir()
        program = folder / "O1234.NC"
        program.write_bytes(os.urandom(100_000))
        script = folder / "202610110905.txt"
        script.write_bytes(control_file(HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234")))
        with self.server():
            result = run_windows_program("cmd", ["/c", windows_path(FTP_EXE), "-s:" + windows_path(script),
                                                 "2>>" + windows_path(program)], self.work, 60)
            self.assertEqual(result.returncode, 0, result)
            self.assert_arrived(program, b"O1234")

    def test_strict_passive_refused_or_unreachable_falls_back_to_active(self):
        program = self.make_local("O1234.NC", 200_000)
        for mode in ("nopasv", "badpasv"):
            with self.subTest(mode), MisbehavingFtpServer(self.server_root, mode):
                status, output, _ = self.run_script(control_file(
                    HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234")), options=[STRICT])
                self.assertEqual(status, 0, output)
                self.assertIn("200 Active data connection established.", output)
                self.assert_arrived(program, b"O1234")
                (self.server_root / "NC" / "O1234").unlink()

    def test_strict_stalled_upload_is_given_up(self):
        program = self.make_local("O1234.NC", 4_000_000)
        with MisbehavingFtpServer(self.server_root, "stall"):
            status, output, seconds = self.run_script(control_file(
                HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234")), options=[STRICT])
        self.assertEqual(status, 1, output)
        # The limit without progress on the data connection, plus the goodbye.
        self.assertIn("データ転送が %d 秒間止まった" % REPLY_LIMIT, output)
        self.assertLess(seconds, REPLY_LIMIT + 15, output)

    def test_strict_reads_what_a_server_sends_only_after_our_close(self):
        """A server that, as ProFTPD, sends 226 only once the client has
        closed the data connection too (or after LINGER_S seconds, longer
        than the reply limit): a listing and a download end at once."""
        self.assertGreater(LINGER_S, REPLY_LIMIT + 30)
        (self.server_root / "NC" / "O1").write_bytes(b"G01 X1\r\n")
        lines = ["open " + HOST, USER, PASSWORD, "cd NC", "ls", f'get O1 "{windows_path(self.local / "O1")}"', "bye"]
        with MisbehavingFtpServer(self.server_root, "linger"):
            status, output, _ = self.run_script("".join(line + "\r\n" for line in lines).encode("utf-8"),
                                                timeout=REPLY_LIMIT + 30, options=[STRICT])
        self.assertEqual(status, 0, output)
        self.assertIn("O1\n", output.replace("\r", ""))
        self.assertEqual((self.local / "O1").read_bytes(), b"G01 X1\r\n")

    def test_strict_upload_to_a_slow_machine_waits_for_what_is_buffered(self):
        """1 MB to a server that reads SLOW_RATE bytes a second: after the
        last send has returned, our send buffer and the server's still hold
        more than a reply limit's worth, which the end of the upload waits for."""
        limit = 3
        program = self.make_local("O1234.NC", 1_000_000)
        self.assertGreater(512 * 1024 / SLOW_RATE, limit)
        with MisbehavingFtpServer(self.server_root, "slow"):
            status, output, _ = self.run_script(control_file(HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234")),
                                                options=[STRICT], env={"VANTREL_FTP_TIMEOUT": str(limit)})
        self.assertEqual(status, 0, output)
        self.assert_arrived(program, b"O1234")

    def test_get_ls_and_script_from_trailing_host(self):
        (self.server_root / "NC" / "O1").write_bytes(b"G01 X1\r\n")
        lines = [USER, PASSWORD, "cd NC", "ls", f'get O1 "{windows_path(self.local / "O1")}"', "bye"]
        script = self.work / "s.txt"
        script.write_bytes("".join(line + "\r\n" for line in lines).encode("utf-8"))
        with self.server():
            status, output, _ = run_timed(FTP_EXE, ["-s:" + windows_path(script), HOST], self.work, 60)
        self.assertEqual(status, 0, output)
        self.assertIn("O1\n", output.replace("\r", ""))
        self.assertEqual((self.local / "O1").read_bytes(), b"G01 X1\r\n")


class WindowsClientTest(FtpExeCase):
    """The default: what is documented and reported of the Windows 8+ client
    (docs/wine-notes.md, "The Windows ftp.exe"). Every run ends with 0."""

    def test_a_failed_command_does_not_stop_the_script(self):
        program = self.make_local("O1234.NC", 5000)
        put = put_line(program, b"O1234")
        put_echo = "ftp> " + put.decode("utf-8")
        host = f"{HOST}:(none)"
        # (case, fault mode, control file, lines of the output in order, files on the server afterwards)
        cases = [
            ("refused login", "login530", control_file(HOST, USER, PASSWORD, b"NC", put),
             [f"User ({host}): ", "331 ", "Password:", "530 Login incorrect.", "Login failed.",
              "ftp> binary", "530 ", "ftp> cd NC", "530 ", put_echo, "530 ", "ftp> quit"], []),
            ("missing folder", "cd550", control_file(HOST, USER, PASSWORD, b"NC", put),
             ["ftp> cd NC", "550 No such directory.", put_echo, "200 Active data connection established.",
              "226 ", "ftp: 5000 bytes sent in "], ["O1234"]),
            ("server down", "ok", control_file(DOWN_HOST, USER, PASSWORD, b"NC", put),
             ["ftp> open " + DOWN_HOST, "> ftp: connect :Connection refused", "ftp> " + USER, "Invalid command.",
              "ftp> " + PASSWORD, "Invalid command.", "ftp> binary", "Not connected.", "ftp> cd NC",
              "Not connected.", put_echo, "Not connected."], []),
            ("hang-up on OPTS", "optshangup", control_file(HOST, USER, PASSWORD, b"NC", put),
             ["Connected to " + HOST + ".", "220 ", "Connection closed by remote host.", "ftp> " + USER,
              "Invalid command.", "ftp> " + PASSWORD, "Invalid command.", "ftp> binary", "Not connected.",
              put_echo, "Not connected."], []),
            ("530 and hang-up on OPTS", "opts530hangup", control_file(HOST, USER, PASSWORD, b"NC", put),
             ["220 ", "530 Please login with USER and PASS.", f"User ({host}): ",
              "Connection closed by remote host.", "ftp> " + PASSWORD, "Invalid command.", "ftp> binary",
              "Not connected."], []),
            # Active mode only: a server that takes no PORT gets no file.
            ("PORT refused", "noport", control_file(HOST, USER, PASSWORD, b"NC", put),
             ["ftp> cd NC", "250 ", put_echo, "502 PORT not allowed here.", "ftp> quit"], []),
            ("425 on the data connection", "port425", control_file(HOST, USER, PASSWORD, b"NC", put),
             [put_echo, "200 Active data connection established.", "425 Can't open data connection.",
              "ftp> quit"], []),
        ]
        for case, mode, content, lines, files in cases:
            with self.subTest(case), MisbehavingFtpServer(self.server_root, mode):
                status, output, _ = self.run_script(content)
                self.assertEqual(status, 0, f"{case}: {output}")
                self.assert_in_order(output, lines, case)
                self.assertEqual(self.server_files(), files, f"{case}: {output}")
                for name in files:
                    self.assertEqual((self.server_root / name).read_bytes(), program.read_bytes(), case)
                    (self.server_root / name).unlink()

    def test_a_password_nobody_asked_for_is_neither_shown_nor_sent(self):
        """A server that logs in on USER alone (230): the control file's next
        line, the password, is not echoed as a command; the commands after
        it run."""
        program = self.make_local("O1234.NC", 1000)
        with MisbehavingFtpServer(self.server_root, "user230"):
            status, output, _ = self.run_script(control_file(HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234")))
        self.assertEqual(status, 0, output)
        self.assertNotIn(PASSWORD, output)
        self.assert_in_order(output, ["230 User logged in.", "ftp> binary", "200 ", "ftp> cd NC", "250 "], "user230")
        self.assert_arrived(program, b"O1234")

    def test_opts_utf8_decides_how_names_travel(self):
        japanese = self.make_local("テスト表ソ.nc", 3000)  # 表 and ソ end in byte 0x5C
        remote = "テスト表ソ"
        # (case, client, fault mode, control file encoding, OPTS reply shown, remote name's bytes on the server)
        cases = [
            ("OPTS answered 200", FTP_EXE, "opts200", "utf-8", "200 OPTS UTF8 command successful",
             remote.encode("utf-8")),
            ("OPTS answered 500", FTP_EXE, "opts500", "utf-8", "500 Command not understood.", remote.encode("cp932")),
            ("pyftpdlib: 530 before the login", FTP_EXE, "ok", "utf-8", "530 Log in with USER and PASS first.",
             remote.encode("cp932")),
            ("Windows 7's client offers nothing", FTP61_EXE, "opts200", "cp932", None, remote.encode("cp932")),
            ("Windows 7's client and a server that hangs up on OPTS", FTP61_EXE, "optshangup", "cp932", None,
             remote.encode("cp932")),
        ]
        for case, exe, mode, encoding, reply, wire in cases:
            line = put_line(japanese, remote.encode(encoding), encoding)
            with self.subTest(case), MisbehavingFtpServer(self.server_root, mode):
                status, output, _ = self.run_script(control_file(HOST, USER, PASSWORD, b"NC", line), exe=exe)
                self.assertEqual(status, 0, f"{case}: {output}")
                if reply is None:
                    self.assertNotIn("OPTS", output, case)
                    self.assert_in_order(output, ["220 ", f"User ({HOST}:(none)): "], case)
                else:
                    # Right after the greeting, before the user name is asked for.
                    self.assert_in_order(output, ["220 ", reply, f"User ({HOST}:(none)): "], case)
                arrived = bytes(self.server_root / "NC") + b"/" + wire
                self.assertEqual(os.listdir(bytes(self.server_root / "NC")), [wire], f"{case}: {output}")
                with open(arrived, "rb") as stored:
                    self.assertEqual(stored.read(), japanese.read_bytes(), case)
                os.unlink(arrived)

    def test_names_after_opts_utf8_are_converted_both_ways(self):
        """The server took UTF-8: the folder and file names of the script go
        out in UTF-8, the reply naming the folder and the listing come back
        in Shift-JIS, and a name Shift-JIS cannot write is left out of the
        listing rather than garbled."""
        folder = self.server_root / "テスト"  # on disk as its UTF-8 bytes, as the server took them
        folder.mkdir()
        (folder / "表.nc").write_bytes(b"G01 X1\r\n")
        (folder / "한.nc").write_bytes(b"G01 X2\r\n")  # no Shift-JIS character
        listed, fetched = self.local / "list.txt", self.local / "O1"
        lines = ["open " + HOST, USER, PASSWORD, "binary", "cd テスト", "pwd", f'ls . "{windows_path(listed)}"',
                 f'get 表.nc "{windows_path(fetched)}"', "quit"]
        with MisbehavingFtpServer(self.server_root, "opts200"):
            status, output, _ = self.run_script("".join(line + "\r\n" for line in lines).encode("utf-8"))
        self.assertEqual(status, 0, output)
        self.assert_in_order(output, ["ftp> cd テスト", "250 ", "ftp> pwd", '257 "/テスト"'], "replies shown")
        self.assertEqual(listed.read_bytes(), "表.nc\r\n".encode("cp932"), output)
        self.assertEqual(fetched.read_bytes(), b"G01 X1\r\n", output)

    def test_no_time_limit_where_strict_gives_up(self):
        """The server answers CWD only after LATE_S seconds, longer than the
        strict mode's reply wait set here (1 s): the default waits for it."""
        program = self.make_local("O1234.NC", 5000)
        content = control_file(HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234"))
        one_second = {"VANTREL_FTP_TIMEOUT": "1", "VANTREL_FTP_CONNECT_TIMEOUT": "1"}
        self.assertGreater(LATE_S, 1)
        # (case, options, exit status, a line of the output, files on the server)
        cases = [
            ("default", [], 0, "250 ", ["NC/O1234"]),
            ("strict", [STRICT], 1, "ftp: サーバーが 1 秒以内に応答しませんでした。", []),
        ]
        for case, options, expected_status, line, files in cases:
            with self.subTest(case), MisbehavingFtpServer(self.server_root, "latecwd"):
                status, output, _ = self.run_script(content, options=options, env=one_second)
                self.assertEqual(status, expected_status, f"{case}: {output}")
                self.assert_in_order(output, ["ftp> cd NC", line], case)
                self.assertEqual(self.server_files(), files, f"{case}: {output}")
                for name in files:
                    (self.server_root / name).unlink()

    def test_strict_names_a_hang_up_on_opts(self):
        program = self.make_local("O1234.NC", 1000)
        content = control_file(HOST, USER, PASSWORD, b"NC", put_line(program, b"O1234"))
        # (fault mode, the line that names it): unanswered, or answered 530 and then closed.
        cases = [
            ("optshangup", "> ftp: connect :サーバーが OPTS UTF8 ON"),
            ("opts530hangup", "ftp: サーバーが OPTS UTF8 ON"),
        ]
        for mode, line in cases:
            with self.subTest(mode), MisbehavingFtpServer(self.server_root, mode):
                status, output, _ = self.run_script(content, options=[STRICT])
                self.assertEqual(status, 1, f"{mode}: {output}")
                self.assert_in_order(output, ["220 ", line], mode)
                self.assertEqual(self.server_files(), [], mode)


@unittest.skipUnless(shutil.which("tnftp") and shutil.which("setsid"), "tnftp is not installed")
class OtherClientTest(unittest.TestCase):
    """The control file is plain FTP client input: tnftp runs it too. Its local
    paths are Linux paths, the one change its syntax needs."""

    def test_same_control_file_through_tnftp(self):
        work = Path(tempfile.mkdtemp(prefix="ftp-tnftp-"))
        self.addCleanup(shutil.rmtree, work, True)
        (work / "server" / "NC").mkdir(parents=True)
        (work / "my dir").mkdir()
        program = work / "my dir" / "O1234.NC"
        program.write_bytes(os.urandom(100_000))
        content = control_file(HOST, USER, PASSWORD, b"NC", b'put "' + bytes(program) + b'" O1234')
        with FtpServer(work / "server", user=USER, password=PASSWORD, host=HOST):
            subprocess.run("tr -d '\\r' | setsid -w tnftp", shell=True, input=content,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60, check=False)
        self.assertEqual((work / "server" / "NC" / "O1234").read_bytes(), program.read_bytes())


if __name__ == "__main__":
    unittest.main()
