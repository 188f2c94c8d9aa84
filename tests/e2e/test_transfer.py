"""Files dropped on the real Vantrel.exe reach a real FTP server.

The drop comes through the X server (XDND), as from a Linux file manager;
Vantrel writes its control file and runs ftp.exe from the Wine prefix's
system32, as it would run the Windows client."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

# Overridable so that runs by hand beside other tests do not share a port.
HOST = os.environ.get("VANTREL_TRANSFER_TEST_HOST", "127.0.0.5")
DOWN_HOST = "127.0.0.7"  # nothing listens here


def machine_table(address=HOST, password="secret", folder="NCDATA", extension=0, name="MC1"):
    machine = {"address": address, "username": "vantrel", "password": password, "extention": extension}
    if folder is not None:
        machine["initpath"] = folder
    return {"machine": {"machine0": name, "default": 0}, name: machine}


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
        shutil.rmtree(self.tmp, ignore_errors=True)

    def source(self, name, size=5000):
        data = os.urandom(size)
        path = self.sources / name
        path.write_bytes(data)
        return path

    def start(self, table, under=None, **settings):
        ini = {"table": {"machine": "machines.ini"}}
        if settings:
            ini["Vantrel"] = settings
        folder = e2e.ProgramFolder(self.tmp / under if under else self.tmp, ini)
        folder.write_machine_table(table)
        app = e2e.Vantrel(folder).start()
        self.addCleanup(app.kill)
        return folder, app

    def with_silent_client(self):
        """Puts a stand-in in the place of the prefix's ftp.exe (Vantrel
        starts the system folder's) until the test ends: it sends nothing
        and ends with 0, as the Windows client does after a failed command.
        Returns where it records its command line (args.txt; its working
        folder goes to cwd.txt beside it)."""
        self.addCleanup(e2e.restore_shared_prefix)
        e2e.replace_client(e2e.ARG_RECORDER_EXE)
        return e2e.system32() / "args.txt"

    def with_windows_version(self, version, programs=("Vantrel.exe", "ftp.exe")):
        """Makes Wine report another Windows version ("win7") to the named
        programs until the test ends, failed or not."""
        self.addCleanup(e2e.restore_shared_prefix)
        e2e.set_windows_version(version, programs)

    def mount_full_file_system(self, folder):
        """Mounts a tiny file system on `folder` (until the test ends) and fills it."""
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4k,nr_inodes=16", "tmpfs", str(folder)], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", str(folder)], check=True)
        filler = os.open(folder / "filler", os.O_WRONLY | os.O_CREAT)
        try:
            with self.assertRaises(OSError):  # full
                while True:
                    os.write(filler, b"x" * 1024)
        finally:
            os.close(filler)

    def confirmations(self, app):
        return [line for line in app.list_lines() if line.startswith("... 転送確認済み ")]

    def runs_in_list(self, app):
        return [line[len("... 転送ファイル "):] for line in app.list_lines() if line.startswith("... 転送ファイル ")]

    def test_three_files_dropped_at_once_arrive_in_drop_order(self):
        files = [self.source("a b.nc"), self.source("テスト.nc"), self.source("PROG")]
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table())
            self.assertEqual(app.combo()["text"], "MC1")
            self.assertEqual(app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST), ["O0001\n"])

            e2e.drop(app.hwnd, files)
            remote = {"a b": files[0], "テスト": files[1], "PROG": files[2]}
            e2e.wait_until(lambda: all(server.local_path("NCDATA/" + n).exists() for n in remote)
                           and len(self.runs_in_list(app)) == 3, timeout=60, what="three uploads")
            # The last upload is on the server before its run has ended.
            self.assertEqual(app.settle(), [])
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
                        % e2e.windows_path(source)).encode("utf-8")
            self.assertEqual((folder.path / "tmp" / names[0]).read_bytes(), expected)

    def test_a_japanese_folder_with_a_blank_under_windows_10(self):
        """As a new user on Windows 10: Vantrel in a folder with a blank, the
        file dropped from 「加工 データ」, the machine's server on another
        port. The control file is UTF-8 (Windows 10's client reads it so),
        its lines and quoting as ever and "open host port"; the client runs
        in tmp and gets -s: with the control file's bare name."""
        (self.sources / "加工 データ").mkdir()
        source = self.source("加工 データ/O2525.NC")
        with e2e.FtpServer(self.server_home, host=HOST, port=2121) as server:
            folder, app = self.start(machine_table(address=HOST + ":2121"), under="my tools", delete=0)
            self.assertIn(" ", str(folder.path))
            e2e.drop(app.hwnd, [source])
            arrived = server.local_path("NCDATA/O2525")
            e2e.wait_until(lambda: arrived.exists() and arrived.read_bytes() == source.read_bytes(), timeout=60,
                           what="the whole file on the server")
            (name,) = control_files(folder)
            expected = ("open %s 2121\r\nvantrel\r\nsecret\r\nbinary\r\ncd NCDATA\r\nput \"%s\" O2525\r\nquit\r\n"
                        % (HOST, e2e.windows_path(source))).encode("utf-8")
            self.assertEqual((folder.path / "tmp" / name).read_bytes(), expected)
            self.assertEqual(app.dialogs(), [])

            recorded = self.with_silent_client()
            e2e.drop(app.hwnd, [source])
            e2e.wait_until(recorded.exists, timeout=60, what="the client's command line")
            self.assertRegex(recorded.read_bytes(), rb"^-s:\d{12}\.txt$")
            self.assertIn(recorded.read_bytes()[3:].decode(), control_files(folder))
            working_folder = (recorded.parent / "cwd.txt").read_bytes().decode("cp932")
            self.assertEqual(working_folder, e2e.windows_path(folder.path / "tmp"))

    def test_the_control_file_follows_the_clients_file_version(self):
        """Windows 7's client (ftp61.exe, file version 6.1) reads the ANSI
        code page: the control file is Shift-JIS for it. Windows 10's client
        while Wine reports Windows 7 to Vantrel, as 「互換モード: Windows 7」
        makes Windows do: still UTF-8, which that client reads."""
        (self.sources / "加工 データ").mkdir()
        source = self.source("加工 データ/テスト表ソ.NC")  # 表 and ソ end in byte 0x5C
        put = 'put "%s" テスト表ソ\r\n' % e2e.windows_path(source)
        self.addCleanup(e2e.restore_shared_prefix)
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            arrived = server.local_path("NCDATA/テスト表ソ")
            for client, reported, encoding in [("ftp61.exe", None, "cp932"), ("ftp.exe", "win7", "utf-8")]:
                with self.subTest(client=client, reported=reported):
                    e2e.replace_client(e2e.FTP_EXE.parent / client)
                    if reported is not None:
                        e2e.set_windows_version(reported, ("Vantrel.exe",))
                    folder, app = self.start(machine_table(), delete=0)
                    # (two runs in one minute write control files of one name)
                    for name in control_files(folder):
                        (folder.path / "tmp" / name).unlink()
                    if arrived.exists():
                        arrived.unlink()
                    e2e.drop(app.hwnd, [source])
                    e2e.wait_until(lambda: arrived.exists() and arrived.read_bytes() == source.read_bytes(),
                                   timeout=60, what="the whole file on the server")
                    self.assertEqual(app.settle(), [])
                    (name,) = control_files(folder)
                    self.assertIn(put.encode(encoding), (folder.path / "tmp" / name).read_bytes())
                    app.close()
                    app.wait_exit()

    def test_ftp_exe_that_cannot_start_is_reported_for_each_file(self):
        """Without ftp.exe in the prefix: one error box per file (Vantrel's,
        the shell's own is not shown: it would come while the control file
        still lies in tmp), each control file deleted all the same, and the
        next file of the drop still runs. With verify=1 nothing is checked:
        the copies of both files already on the server (sent earlier) must
        not pass for this transfer."""
        files = [self.source("O1.NC"), self.source("O2.NC")]
        for source in files:
            (self.server_home / "NCDATA" / source.stem).write_bytes(source.read_bytes())
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table(), verify=1)
            e2e.wait_until(lambda: app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST), timeout=30, what="the file list")
            logins = [c["cmd"] for c in server.commands()].count("USER")
            # End-to-end scripts run one at a time: no other test needs the client meanwhile.
            self.addCleanup(e2e.restore_shared_prefix)
            e2e.replace_client(None)
            e2e.drop(app.hwnd, files)
            for _ in files:
                box = app.expect_box(timeout=30)
                self.assertEqual((box["icon"], box["text"]), ("error", "エラー：ファイルの実行に失敗しました"))
            e2e.wait_until(lambda: len(self.runs_in_list(app)) == 2, timeout=30, what="both runs")
            self.assertEqual(control_files(folder), [])
            self.assertEqual(app.dialogs(), [])
            self.assertEqual(self.confirmations(app), [])
            # The check before each client logs in; no delivery check after.
            self.assertEqual([c["cmd"] for c in server.commands()].count("USER"), logins + len(files))

    @unittest.skipUnless(os.geteuid() == 0, "mounting a tiny file system needs root (scripts/test.sh gives an "
                         "ordinary user a user and mount namespace of their own, where they count as root)")
    def test_a_control_file_that_cannot_be_written_whole_is_not_run(self):
        """tmp on a full 4 KiB file system: the control file's write fails at
        its flush; it is deleted, ftp.exe never starts (the server sees the
        check's login before it only, and no STOR), and the box names the
        dropped file."""
        source = self.source("O3000.NC")
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table())  # the start-up list is fetched first
            self.mount_full_file_system(folder.path / "tmp")
            logins = [c["cmd"] for c in server.commands()].count("USER")
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=30)
            self.assertEqual(box["icon"], "error")
            self.assertRegex(box["text"], r"^エラー：コントロールファイル .*\\tmp\\\d{12}\.txt を書き込めないため、"
                             r"ファイル %s を転送しませんでした$" % re.escape(e2e.windows_path(source)))
            self.assertEqual(control_files(folder), [])
            # The drop's run has ended (no client is waited for): no login came.
            self.assertEqual(app.settle(), [])
            commands = [c["cmd"] for c in server.commands()]
            self.assertEqual(commands.count("USER"), logins + 1)
            self.assertNotIn("STOR", commands)
            self.assertFalse(server.local_path("NCDATA/O3000").exists())

    def test_verify_confirms_what_arrived_by_size_or_by_the_listing(self):
        """The check asks for the name the put line gave, or with extention=1
        the name the file kept."""
        source = self.source("O3000.NC")
        app = None
        for extension, without, remote in [(0, (), "O3000"), (0, ("SIZE",), "O3000"), (1, (), "O3000.NC")]:
            expected = "... 転送確認済み %s (5000 バイト、内容一致)" % remote
            with self.subTest(extension=extension, without=without), \
                    e2e.FtpServer(self.server_home, host=HOST, without=without) as server:
                if app is None or extension:
                    if app is not None:
                        app.kill()
                    _, app = self.start(machine_table(extension=extension), verify=1)
                # The same line may be there from the case before: this drop's is one more.
                before = self.confirmations(app).count(expected)
                e2e.drop(app.hwnd, [source])
                e2e.wait_until(lambda: self.confirmations(app).count(expected) > before, timeout=60,
                               what="confirmation line")
                self.assertEqual(server.local_path("NCDATA/" + remote).read_bytes(), source.read_bytes())
                asked = [line for line in server.command_lines() if line.startswith(("SIZE", "LIST", "RETR"))]
                self.assertEqual(asked, ["SIZE " + remote] + (["LIST"] if without else []) + ["RETR " + remote])
                self.assertFalse([line for line in app.list_lines() if line.startswith("エラー")])
                self.assertEqual(app.dialogs(), [])
                server.local_path("NCDATA/" + remote).unlink()

    def test_verify_turns_a_silent_loss_into_an_error_box(self):
        sources = [self.source("O3001.NC"), self.source("O3002.NC")]
        # A file of another size already under the second name.
        (self.server_home / "NCDATA" / "O3002").write_bytes(b"%\r\nM30\r\n%\r\n")
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            # verify=0 and no check before the client: the loss passes in
            # silence, and nobody asks the server.
            folder, app = self.start(machine_table(), check=0)
            recorded = self.with_silent_client()
            e2e.wait_until(lambda: server.command_lines(), timeout=30, what="the start-up file list")
            e2e.wait_until(lambda: server.command_lines()[-1] == "QUIT", timeout=30, what="the file list to end")
            commands = len(server.command_lines())
            e2e.drop(app.hwnd, sources)
            e2e.wait_until(lambda: len(self.runs_in_list(app)) == 2, timeout=60, what="two runs")
            self.assertEqual(app.settle(), [])
            self.assertTrue(recorded.exists())
            self.assertEqual(len(server.command_lines()), commands)
            app.close()
            app.wait_exit()

            # verify=1: one error box per file, the second run follows the first.
            folder, app = self.start(machine_table(), verify=1)
            e2e.drop(app.hwnd, sources)
            first = app.expect_box(timeout=60)
            second = app.expect_box(timeout=60)
            form = "エラー：ファイル %s が正しく届いていません（フォルダ NCDATA の %s：%s）"
            self.assertEqual((first["icon"], first["text"]),
                             ("error", form % (e2e.windows_path(sources[0]), "O3001", "ありません")))
            self.assertEqual((second["icon"], second["text"]),
                             ("error", form % (e2e.windows_path(sources[1]), "O3002",
                                               "11 バイト、送ったファイルは 5000 バイト")))
            self.assertEqual(self.confirmations(app), [])
            self.assertEqual(server.local_path("NCDATA/O3002").read_bytes(), b"%\r\nM30\r\n%\r\n")

    def test_verify_compares_content_over_a_stale_copy_of_the_same_length(self):
        """The machine holds an older O3333 of the same length (one byte
        edited). A client that sends nothing and ends with 0: the error box
        names the first differing byte, and the read-back, stopped there,
        is aborted with the session kept in step (ABOR, PWD, QUIT). A good
        transfer over the old copy: confirmed by content."""
        source = self.source("O3333.NC")
        stale = bytearray(source.read_bytes())
        stale[1234] ^= 0x01
        remote = self.server_home / "NCDATA" / "O3333"
        remote.write_bytes(bytes(stale))
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            self.with_silent_client()
            folder, app = self.start(machine_table(), verify=1)
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=60)
            self.assertEqual((box["icon"], box["text"]), (
                "error", "エラー：ファイル %s が正しく届いていません（フォルダ NCDATA の O3333：同じ 5000 バイトですが、"
                         "1235 バイト目から内容が違います）" % e2e.windows_path(source)))
            self.assertEqual(self.confirmations(app), [])
            self.assertEqual(remote.read_bytes(), bytes(stale))
            lines = server.command_lines()
            self.assertEqual(lines[lines.index("RETR O3333"):], ["RETR O3333", "ABOR", "PWD", "QUIT"])

            e2e.restore_shared_prefix()
            e2e.drop(app.hwnd, [source])
            e2e.wait_until(lambda: self.confirmations(app), timeout=60, what="the confirmation line")
            self.assertEqual(self.confirmations(app), ["... 転送確認済み O3333 (5000 バイト、内容一致)"])
            self.assertEqual(remote.read_bytes(), source.read_bytes())
            self.assertEqual(app.dialogs(), [])

    def test_verify_warns_when_the_server_will_not_give_the_file_back(self):
        """A server that takes programs but refuses RETR: the size matches,
        yet nothing is confirmed; the warning says why."""
        source = self.source("O3334.NC")
        with e2e.FtpServer(self.server_home, host=HOST, without=("RETR",)) as server:
            folder, app = self.start(machine_table(), verify=1)
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=60)
            self.assertEqual(box["icon"], "warning")
            self.assertRegex(box["text"], "^" + re.escape("ファイル %s の転送を確認できませんでした：読み出して確かめられません: "
                                                          "サーバーの拒否: 500 " % e2e.windows_path(source)))
            self.assertEqual(server.local_path("NCDATA/O3334").read_bytes(), source.read_bytes())
            self.assertEqual(self.confirmations(app), [])

    def test_verify_names_the_folder_the_file_did_not_reach_and_a_server_it_could_not_ask(self):
        # The delivery check's findings after the client: the check before it
        # (which stops both runs first) is off.
        source = self.source("O3003.NC")
        with e2e.FtpServer(self.server_home, host=HOST):
            # The Windows client, refused "cd NOSUCH", puts the file into the login folder.
            (self.server_home / "O3003").write_bytes(source.read_bytes())
            self.with_silent_client()
            folder, app = self.start(machine_table(folder="NOSUCH"), verify=1, check=0)
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=60)
            self.assertEqual(box["icon"], "error")
            self.assertRegex(box["text"], "^" + re.escape(
                "エラー：ファイル %s が正しく届いていません（フォルダ NOSUCH の O3003：フォルダに移動できません（サーバーの拒否: 550 "
                % e2e.windows_path(source)))
            app.close()
            app.wait_exit()

            # The client's refused cd is its failure: its box (naming the
            # server's line, and the exit status of a client that gives one)
            # is the only one, the check's finding goes to the list.
            e2e.restore_shared_prefix()
            folder, app = self.start(machine_table(folder="NOSUCH"), verify=1, check=0)
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=60)
            self.assertRegex(box["text"], "^" + re.escape("エラー：ファイル %s の転送に失敗しました（ftp.exe"
                                                          % e2e.windows_path(source))
                             + r"( 終了コード 1、|)「550 .*」：初期フォルダに移動できませんでした")
            finding = "エラー：ファイル %s が正しく届いていません（フォルダ NOSUCH の O3003：" % e2e.windows_path(source)
            e2e.wait_until(lambda: [line for line in app.list_lines() if line.startswith(finding)], timeout=30,
                           what="the server's answer in the list")
            self.assertEqual(app.settle(), [])
            app.close()
            app.wait_exit()

        # Nobody serves the machine's address: a warning, not an error.
        folder, app = self.start(machine_table(address=DOWN_HOST), verify=1, check=0)
        self.with_silent_client()
        e2e.drop(app.hwnd, [source])
        box = app.expect_box(timeout=60)
        self.assertEqual(box["icon"], "warning")
        self.assertRegex(box["text"], "^" + re.escape("ファイル %s の転送を確認できませんでした：%s に接続できません"
                                                      % (e2e.windows_path(source), DOWN_HOST)))

    def backups(self, folder):
        """{path relative to backup\\, "/" separated: content} of every file under backup\\."""
        root = folder.path / "backup"
        return {p.relative_to(root).as_posix(): p.read_bytes() for p in root.rglob("*") if p.is_file()}

    def test_backup_keeps_the_machines_copy_before_it_is_overwritten(self):
        """backup=1 with verify=1 on a machine whose registration name holds
        a "/": an edited O4000 on the machine is kept byte for byte before
        the new one arrives; O4001 is new there (no backup); O4002 is the
        same (the line says nothing changes). Each backup line comes before
        its client and its check."""
        old = os.urandom(3000)
        files = [self.source("O4000.NC"), self.source("O4001.NC"), self.source("O4002.NC")]
        (self.server_home / "NCDATA" / "O4000").write_bytes(old)
        (self.server_home / "NCDATA" / "O4002").write_bytes(files[2].read_bytes())
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table(name="NC/1号機"), backup=1, verify=1)
            e2e.wait_until(lambda: app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST), timeout=30, what="the file list")
            logins = [c["cmd"] for c in server.commands()].count("USER")
            e2e.drop(app.hwnd, files)
            e2e.wait_until(lambda: len(self.confirmations(app)) == 3, timeout=90, what="three confirmations")
            for source in files:
                self.assertEqual(server.local_path("NCDATA/" + source.stem).read_bytes(), source.read_bytes())
            kept = self.backups(folder)
            self.assertEqual(sorted(kept.values()), sorted([old, files[2].read_bytes()]), list(kept))
            paths = {content: name for name, content in kept.items()}
            self.assertRegex(paths[old], r"^NC_1号機/\d{8}/\d{6}_O4000$")
            self.assertRegex(paths[files[2].read_bytes()], r"^NC_1号機/\d{8}/\d{6}_O4002$")

            lines = app.list_lines()
            backup = e2e.windows_path(folder.path / "backup") + "\\"
            expected = ["... バックアップ済み %s%s (3000 バイト)" % (backup, paths[old].replace("/", "\\")),
                        "... バックアップなし O4001 (機械に同じ名前のファイルはありません)",
                        "... バックアップ済み %s%s (5000 バイト、送るファイルと同じ内容のため機械のファイルは変わりません)"
                        % (backup, paths[files[2].read_bytes()].replace("/", "\\"))]
            self.assertEqual([line for line in lines if line.startswith("... バックアップ")], expected)
            for text, source in zip(expected, files):
                run = lines.index("... 転送ファイル " + e2e.windows_path(source))
                self.assertLess(run, lines.index(text))
                self.assertLess(lines.index(text), lines.index("... 転送確認済み %s (5000 バイト、内容一致)" % source.stem))
            # Three logins per file: backup, client, check.
            self.assertEqual([c["cmd"] for c in server.commands()].count("USER"), logins + 3 * len(files))
            self.assertEqual(app.dialogs(), [])

    @unittest.skipUnless(os.geteuid() == 0, "mounting a tiny file system needs root (scripts/test.sh gives an "
                         "ordinary user a user and mount namespace of their own, where they count as root)")
    def test_a_backup_that_cannot_be_written_stops_the_transfer(self):
        """backup\\ on a full file system: the machine's O4100 cannot be
        kept, so it is not overwritten; the control file is deleted, ftp.exe
        never logs in, one box says why, and no part of a backup is left."""
        old = os.urandom(3000)
        (self.server_home / "NCDATA" / "O4100").write_bytes(old)
        source = self.source("O4100.NC")
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            folder, app = self.start(machine_table(), backup=1)
            full = folder.path / "backup"
            full.mkdir()
            self.mount_full_file_system(full)
            e2e.wait_until(lambda: app.list_lines(e2e.ids.IDC_SERVER_FILE_LIST), timeout=30, what="the file list")
            logins = [c["cmd"] for c in server.commands()].count("USER")
            e2e.drop(app.hwnd, [source])
            box = app.expect_box(timeout=60)
            self.assertEqual(box["icon"], "error")
            self.assertRegex(box["text"], "^" + re.escape(
                "エラー：機械の O4100 をバックアップできないため、ファイル %s を転送しませんでした（バックアップファイル %s\\MC1\\"
                % (e2e.windows_path(source), e2e.windows_path(full))) + r"\d{8}\\\d{6}_O4100 を書き込めません: ")
            self.assertEqual(app.settle(), [])
            self.assertEqual(control_files(folder), [])
            self.assertEqual(server.local_path("NCDATA/O4100").read_bytes(), old)
            # The backup's login only, and no STOR.
            commands = [c["cmd"] for c in server.commands()]
            self.assertEqual(commands.count("USER"), logins + 1)
            self.assertNotIn("STOR", commands)
            self.assertEqual([k for k in self.backups(folder) if k != "filler"], [])


if __name__ == "__main__":
    unittest.main()
