"""The real Vantrel.exe under Wine fed bad input: hand-broken settings and
machine table files, over-long dropped paths, a deep program folder and
Shift-JIS names whose trail byte is a backslash. It must neither crash nor
overrun: values are cut to their buffers on whole characters, and what it
cannot handle ends in an error of its own."""
import os
import re
import random
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

HOST = os.environ.get("VANTREL_BAD_INPUT_TEST_HOST", "127.0.0.75")
DOWN_HOST = os.environ.get("VANTREL_BAD_INPUT_DOWN_HOST", "127.0.0.76")  # nothing listens here


UTF8_BOX = ("エラー：%s は UTF-8%s で保存されているため、Vantrel は正しく読めません。メモ帳の［名前を付けて保存］で"
            "文字コードを ANSI にして保存し直してから、Vantrel を起動し直してください。それまでこのファイルには書き込みません")


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


class BadInputTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-bad-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.server_home = self.tmp / "server"
        (self.server_home / "NC").mkdir(parents=True)
        # The start-up file list must not be empty (that has a box of its own).
        (self.server_home / "NC" / "O0001").write_bytes(b"%\r\n")

    def start_with(self, settings, table, sub="p"):
        """Vantrel with the two files' raw bytes; answers the boxes of its
        start-up and returns their texts."""
        folder = e2e.ProgramFolder(self.tmp / sub)
        folder.settings_path.write_bytes(settings)
        (folder.path / "machines.ini").write_bytes(table)
        app = e2e.Vantrel(folder).start()
        self.addCleanup(app.kill)
        return folder, app, [box["text"] for box in app.settle()]

    def assert_sound_and_close(self, app):
        combo = app.combo()["text"]
        self.assertLessEqual(len(combo.encode("cp932")), 31, combo)
        self.assertTrue(app.list_lines())  # the window still answers
        app.close()
        self.assertEqual(app.wait_exit(), 0)

    def test_broken_settings_and_machine_tables_start_cleanly(self):
        settings = crlf("[table]\nmachine=machines.ini\n").encode()
        good_table = "[machine]\nmachine0=MC1\ndefault=0\n[MC1]\naddress=%s\nusername=u\npassword=p\n" % DOWN_HOST
        junk = random.Random(8)
        # (settings, machine table, the machine chosen at start, the boxes of the start)
        cases = {
            # No [table] machine to be found: no machine, one box.
            "binary junk": (bytes(junk.randrange(256) for _ in range(20000)),
                            bytes(junk.randrange(256) for _ in range(20000)), "",
                            ["エラー：接続マシニングテーブル取得失敗"]),
            "LF line ends": (settings.replace(b"\r\n", b"\n"), good_table.encode(), "MC1", []),
            # The first section and the first key win.
            "duplicate sections and keys": (settings + settings.replace(b"machines.ini", b"other.ini"), crlf(
                "[machine]\nmachine0=MC1\nmachine0=MC2\ndefault=0\n[MC1]\naddress=%s\nusername=u\npassword=p\n"
                "address=127.0.0.1\n[machine]\nmachine0=MC3\n[MC1]\naddress=127.0.0.1\n" % DOWN_HOST).encode(),
                "MC1", []),
            # Wine's profile functions read through a UTF-8 byte order mark;
            # Windows' do not (the first section is not found), so each file
            # saved so is named in a box, and neither is written to.
            "UTF-8 byte order mark": (b"\xef\xbb\xbf" + settings, b"\xef\xbb\xbf" + crlf(good_table).encode(),
                                      "MC1", [UTF8_BOX % ("{folder}Vantrel.ini", " (BOM 付き)"),
                                              UTF8_BOX % ("{folder}machines.ini", " (BOM 付き)")]),
            # As today's Notepad saves an edited file: UTF-8 without BOM.
            "UTF-8 Japanese": (settings, crlf("; 加工機\n" + good_table).encode(), "MC1",
                               [UTF8_BOX % ("{folder}machines.ini", "")]),
            "long name": (settings, crlf("[machine]\nmachine0=%s\ndefault=0\n[%s]\naddress=%s\nusername=u\n"
                                         "password=p\n" % ("ソ" * 3000, "ソ" * 15, DOWN_HOST)).encode("cp932"),
                          "ソ" * 15, []),
        }
        for what, (settings_bytes, table_bytes, combo, expected_boxes) in cases.items():
            with self.subTest(what):
                folder, app, boxes = self.start_with(settings_bytes, table_bytes, sub=what.replace(" ", "_"))
                shown = e2e.windows_path(folder.path) + "\\"
                expected_boxes = [box.replace("{folder}", shown) for box in expected_boxes]
                self.assertEqual((app.combo()["text"], boxes), (combo, expected_boxes))
                if combo:
                    self.assertIn("IPアドレス   : " + DOWN_HOST, app.list_lines())
                self.assert_sound_and_close(app)
                self.assertEqual((folder.settings_path.read_bytes(), (folder.path / "machines.ini").read_bytes()),
                                 (settings_bytes, table_bytes))

    def test_long_values_are_cut_to_their_buffers(self):
        """Values of thousands of bytes reach the control file cut on whole
        characters: address 23 bytes, user name and password 31, folder 15
        (as Shift-JIS; the prefix reports Windows 10, so the control file
        holds them in UTF-8)."""
        # The check before the client off: it would stop the run before the control file.
        settings = crlf("[table]\nmachine=machines.ini\n[Vantrel]\ndelete=0\ncheck=0\n[window]\nX=0.%s\nY=1e999\n"
                        "[color]\nwindow=%s\ntext=%s\n" % ("5" * 4000, "255," * 1500, "-" * 3000)).encode()
        address = DOWN_HOST + "9" * 5000
        table = crlf("[machine]\nmachine0=MC1\ndefault=0\n[MC1]\naddress=%s\nusername=%s\npassword=%s\n"
                     "initpath=%s\nextention=0\n" % (address, "ソ" * 2500, "p" * 5000, "表" * 2500)).encode("cp932")
        folder, app, _ = self.start_with(settings, table)
        source = self.tmp / "O1.NC"
        source.write_bytes(b"%\r\nO1\r\nM30\r\n%\r\n")
        e2e.drop(app.hwnd, [source], timeout=60)
        box = app.expect_box(timeout=60)
        self.assertIn("の転送に失敗しました", box["text"])
        scripts = [n for n in folder.files("tmp") if n.endswith(".txt")]
        self.assertEqual(len(scripts), 1)
        lines = (folder.path / "tmp" / scripts[0]).read_bytes().split(b"\r\n")
        self.assertEqual(lines[:5], [b"open " + address[:23].encode(), ("ソ" * 15).encode("utf-8"), b"p" * 31,
                                     b"binary", b"cd " + ("表" * 7).encode("utf-8")])
        self.assert_sound_and_close(app)

    def test_long_dropped_paths(self):
        """Paths are counted in characters, as Windows counts them: up to 259
        the drop is sent, also when its Shift-JIS bytes are more; from 260
        the window refuses it with a box naming it (the Windows client and
        the ANSI calls stop at MAX_PATH; Wine would open it); from 520 bytes
        it cannot even be read whole. Nothing is run for a refused one."""
        with e2e.FtpServer(self.server_home, host=HOST):
            table = crlf("[machine]\nmachine0=MC1\ndefault=0\n[MC1]\naddress=%s\nusername=vantrel\n"
                         "password=secret\ninitpath=NC\nextention=1\n" % HOST).encode()
            folder, app, _ = self.start_with(crlf("[table]\nmachine=machines.ini\n").encode(), table)
            for length, fill in ((259, ""), (259, "表" * 60), (260, ""), (519, ""), (520, ""), (600, "")):
                with self.subTest(length=length, japanese=bool(fill)):
                    path = self.long_path(length, fill)
                    windows = e2e.windows_path(path)
                    self.assertEqual(len(windows), length)
                    size = len(windows.encode("cp932"))
                    runs = app.list_lines().count("... 転送ファイル " + windows)
                    e2e.drop(app.hwnd, [path], timeout=60)
                    remote = self.server_home / "NC" / path.name
                    if size >= 520:
                        box = app.expect_box(timeout=20)
                        self.assertEqual(box["text"], "エラー：ファイルのパスが長すぎます（%d バイト）" % size)
                    elif length > 259:
                        box = app.expect_box(timeout=20)
                        self.assertEqual(box["text"], "エラー：ファイル %s のパスは %d 文字あり、Windows の ftp.exe が開ける "
                                                      "259 文字を超えるため、転送しませんでした" % (windows, length))
                    else:
                        e2e.wait_until(lambda: app.list_lines().count("... 転送ファイル " + windows) > runs,
                                       timeout=30, what="the run")
                        self.assertEqual(app.settle(), [])
                        self.assertEqual(remote.read_bytes(), path.read_bytes())
                        continue
                    self.assertEqual(app.settle(), [])
                    self.assertEqual(app.list_lines().count("... 転送ファイル " + windows), runs)
                    self.assertFalse(remote.exists())
            self.assert_sound_and_close(app)

    def long_path(self, length, fill=""):
        """A file whose Windows path (Z:\\...) is `length` characters long,
        with `fill` (at most 80 characters: a Unix name takes 255 bytes) as a
        folder of its own."""
        base = self.tmp / "long"
        if fill:
            base = base / fill
        unix_length = length - 2  # "Z:" in front, every "/" becomes "\"
        parts = []
        used = len(str(base))
        while unix_length - used > 101:
            parts.append("d" * 99)
            used += 100
        name_length = unix_length - used - 1 - len("%d" % length) - 1
        folder = base.joinpath(*parts)
        folder.mkdir(parents=True, exist_ok=True)
        path = folder / ("%d_%s" % (length, "n" * name_length))
        path.write_bytes(os.urandom(1000))
        return path

    def test_backslash_trail_bytes_in_names(self):
        """ソ, 表 and 能 end in byte 0x5C: at the start, middle and end of
        folder and file names the names must not be cut there."""
        names = ["ソ.nc", "aソb.nc", "ソソ", "表.ソ", "能ソ表.nc", "x.y表"]
        folder_path = self.tmp / "ソ表" / "能"
        folder_path.mkdir(parents=True)
        sources = []
        for name in names:
            path = folder_path / name
            path.write_bytes(os.urandom(2000))
            sources.append(path)
        with e2e.FtpServer(self.server_home, host=HOST) as server:
            table = crlf("[machine]\nmachine0=ソ表\ndefault=0\n[ソ表]\naddress=%s\nusername=vantrel\n"
                         "password=secret\ninitpath=NC\nextention=0\n" % HOST).encode("cp932")
            folder, app, boxes = self.start_with(crlf("[table]\nmachine=machines.ini\n").encode(), table)
            self.assertEqual(boxes, [])
            self.assertEqual(app.combo()["text"], "ソ表")
            e2e.drop(app.hwnd, sources, timeout=60)
            remote = {"ソ": sources[0], "aソb": sources[1], "ソソ": sources[2], "表": sources[3],
                      "能ソ表": sources[4], "x": sources[5]}
            e2e.wait_until(lambda: all(server.local_path("NC/" + n).exists() for n in remote), timeout=60,
                           what="six uploads")
            self.assertEqual(app.settle(), [])
            for name, source in remote.items():
                self.assertEqual(server.local_path("NC/" + name).read_bytes(), source.read_bytes(), name)
            self.assert_sound_and_close(app)

    def test_program_folder_path_longer_than_249_bytes(self):
        """A program folder of over 260 bytes: the check of its tmp folder, the
        machine table's path and the start-up file list fail with their boxes, so no machine is chosen and
        a drop is refused for that before any control file is written;
        nothing is sent and the window closes normally."""
        deep = self.tmp
        while len(e2e.windows_path(deep)) < 262:
            deep = deep / ("f" * 40)
        with e2e.FtpServer(self.server_home, host=HOST):
            table = crlf("[machine]\nmachine0=MC1\ndefault=0\n[MC1]\naddress=%s\nusername=vantrel\n"
                         "password=secret\ninitpath=NC\n" % HOST).encode()
            folder = e2e.ProgramFolder(deep)
            folder.settings_path.write_bytes(crlf("[table]\nmachine=machines.ini\n").encode())
            (folder.path / "machines.ini").write_bytes(table)
            self.assertGreater(len(e2e.windows_path(folder.path)), 249)
            app = e2e.Vantrel(folder)
            self.addCleanup(app.kill)
            app.start()
            # The folder cannot take a control file (the ANSI calls stop at
            # 260 bytes): one box says so first. Then Wine's shell says that
            # it cannot find filelist.exe's folder.
            boxes = [box["text"] for box in app.settle()]
            self.assertRegex(boxes[0], r"^エラー：フォルダー .*\\program\\tmp にファイルを書き込めないため、転送できません。")
            self.assertEqual(boxes[1:],
                             ["エラー：接続マシニングテーブル取得失敗", "パスが見つかりません。\r\n",
                              "エラー：ファイルの実行に失敗しました"])
            self.assertEqual(app.combo()["text"], "")
            source = self.tmp / "O2.NC"
            source.write_bytes(b"%\r\n")
            e2e.drop(app.hwnd, [source], timeout=60)
            box = app.expect_box(timeout=30)
            self.assertEqual((box["icon"], box["text"]), ("error", "エラー：マシニング取得失敗"))
            self.assertEqual(app.settle(), [])
            self.assertFalse((self.server_home / "NC" / "O2").exists())
            self.assert_sound_and_close(app)


if __name__ == "__main__":
    unittest.main()
