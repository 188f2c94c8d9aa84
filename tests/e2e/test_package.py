"""The Windows package as a machine shop gets it.

cpack is run on the build tree that holds the Vantrel.exe under test, with a
throw-away self-signed certificate (openssl) for the signing, as a release
is built with the maker's. The ZIP, unpacked into a fresh folder, must be a
program folder that sends a dropped file with nothing but its own sample
settings and one machine added to its sample machine table. The installer
must install silently under Wine, keep the user's settings on a second run,
start, and uninstall. Every program in the package, the installer and the
uninstaller carry a signature by that certificate."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

# Overridable so that runs by hand beside other tests do not share a port.
HOST = os.environ.get("VANTREL_PACKAGE_TEST_HOST", os.environ.get("VANTREL_TRANSFER_TEST_HOST", "127.0.0.5"))
BUILD_DIR = e2e.VANTREL_EXE.resolve().parents[1]
# Debian's softhsm2: a PKCS#11 token in files, as the signing test's stand-in for a hardware token.
SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so"
HELP_DIR = e2e.REPO / "help"

# Windows Vista, 7, 8, 8.1, 10 and 11.
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}

PROGRAM_FOLDER = {"Vantrel.exe", "filelist.exe", "FTPClient.exe", "Vantrel.ini", "machines.ini", "help/", "tmp/",
                  "Log/"} | {"help/" + p.name for p in HELP_DIR.iterdir()}


def folder_entries(root):
    """Relative names under root, folders with a trailing "/"."""
    names = set()
    for path in Path(root).rglob("*"):
        name = path.relative_to(root).as_posix()
        names.add(name + "/" if path.is_dir() else name)
    return names


def run_wine_quietly(args, timeout=60):
    """Runs a Windows program to its end with no output pipes (see
    e2e.run_windows_program) and, as every Wine program here, without Wine's
    menu builder (e2e.wine_env), which would turn Start-menu shortcuts into
    the host desktop's menu entries."""
    process = subprocess.Popen(["wine"] + [str(a) for a in args], env=e2e.wine_env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        raise e2e.HarnessError("%s did not end within %s s" % (args, timeout))


def start_menu_folder():
    """The Vantrel folder of the current Wine user's Start menu (whatever the user is called)."""
    users = Path(e2e.wine_env()["WINEPREFIX"]) / "drive_c" / "users"
    for user in users.iterdir():
        folder = user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vantrel"
        if folder.exists():
            return folder
    return None


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (BUILD_DIR / "CPackConfig.cmake").exists():
            raise unittest.SkipTest("no CPack configuration in %s" % BUILD_DIR)
        cls.tmp = Path(tempfile.mkdtemp(prefix="vantrel-package-"))
        cls.certificate = cls.tmp / "signing.pem"
        key, pfx = cls.tmp / "signing.key", cls.tmp / "signing.pfx"
        for command in (["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key,
                         "-out", cls.certificate, "-subj", "/CN=Vantrel test signing/O=Tarnvale Service",
                         "-addext", "extendedKeyUsage=codeSigning"],
                        ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cls.certificate, "-out", pfx,
                         "-passout", "pass:a pass word"]):
            subprocess.run([str(c) for c in command], check=True, capture_output=True, timeout=60)
        started = time.monotonic()
        out, log = cls.package(cls.tmp / "packages", VANTREL_SIGN_CERT=str(pfx), VANTREL_SIGN_PASSWORD="a pass word")
        print("cpack: %.1f s" % (time.monotonic() - started), file=sys.stderr)
        cls.cpack_log = log
        zips = sorted(out.glob("Vantrel-*-win64.zip"))
        setups = sorted(out.glob("Vantrel-*-win64-setup.exe"))
        if len(zips) != 1 or len(setups) != 1:
            raise AssertionError("expected one ZIP and one installer in %s" % sorted(out.iterdir()))
        cls.zip_path, cls.setup_path = zips[0], setups[0]

    @staticmethod
    def package(out, **signing):
        """Runs cpack into out, with or without the signing variables; returns out and its output."""
        env = {k: v for k, v in os.environ.items() if not k.startswith("VANTREL_SIGN_")}
        env.update(signing)
        result = subprocess.run(["cpack", "--config", str(BUILD_DIR / "CPackConfig.cmake"), "-B", str(out)], env=env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=180)
        log = result.stdout.decode(errors="replace")
        if result.returncode != 0:
            raise AssertionError("cpack failed: %s" % log)
        return out, log

    def verify_signature(self, program):
        """osslsigncode's verdict on a program's signature: (trusted through
        the test certificate, what it reports with the system's trust store)."""
        def verify(*trust):
            result = subprocess.run(["osslsigncode", "verify", *trust, "-in", str(program)], capture_output=True,
                                    timeout=60)
            return result.returncode, (result.stdout + result.stderr).decode(errors="replace")
        return verify("-CAfile", str(self.certificate)), verify()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def unpack(self, into):
        with zipfile.ZipFile(self.zip_path) as archive:
            archive.extractall(into)
        (top,) = Path(into).iterdir()
        return top

    def test_zip_is_the_program_folder_without_our_ftp_exe(self):
        top = self.unpack(self.tmp / "listing")
        self.assertEqual(top.name, self.zip_path.stem)
        self.assertEqual(folder_entries(top), PROGRAM_FOLDER)
        self.assertEqual(folder_entries(top / "tmp") | folder_entries(top / "Log"), set())
        for name in ("Vantrel.ini", "machines.ini"):
            data = (top / name).read_bytes()
            data.decode("cp932")  # every byte sequence a Shift-JIS reader accepts
            self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), name)
        self.assertEqual((top / "help" / "help.ini").read_bytes(), (HELP_DIR / "help.ini").read_bytes())

    def test_every_program_and_the_installer_are_signed_and_without_a_certificate_nothing_is(self):
        top = self.unpack(self.tmp / "signed")
        for program in [top / "Vantrel.exe", top / "filelist.exe", top / "FTPClient.exe", self.setup_path]:
            with self.subTest(program=program.name):
                (status, report), (untrusted_status, untrusted) = self.verify_signature(program)
                self.assertEqual(status, 0, report)
                self.assertIn("Signer's certificate:", report)
                self.assertIn("Subject: /CN=Vantrel test signing/O=Tarnvale Service", report)
                self.assertIn("Signature verification: ok", report)
                # What any self-signed certificate gets from a trust store that does not hold it.
                self.assertEqual(untrusted_status, 1, untrusted)
                self.assertIn("self-signed certificate", untrusted)
                self.assertIn("Signature verification: failed", untrusted)
        self.assertIn("sign: %s signed" % self.setup_path.name, self.cpack_log)

        out, log = self.package(self.tmp / "unsigned")
        self.assertIn("sign: VANTREL_SIGN_CERT is not set: Vantrel.exe filelist.exe FTPClient.exe left unsigned", log)
        self.assertIn("sign: VANTREL_SIGN_CERT is not set: Vantrel-", log)
        with zipfile.ZipFile(next(out.glob("Vantrel-*-win64.zip"))) as archive:
            archive.extractall(self.tmp / "unsigned-zip")
        (unsigned_top,) = (self.tmp / "unsigned-zip").iterdir()
        for program in [unsigned_top / "Vantrel.exe", next(out.glob("Vantrel-*-setup.exe"))]:
            (status, report), _ = self.verify_signature(program)
            self.assertNotEqual(status, 0, report)
            self.assertIn("No signature found", report)

    def test_a_key_on_a_token_signs_and_a_release_without_a_time_stamp_is_refused(self):
        """The key in a PKCS#11 token (softhsm2 standing in for the vendor's
        hardware), the certificate beside it, the PIN through a pipe: a
        signature the test certificate verifies. A release without a
        time-stamp server signs nothing and fails."""
        work = self.tmp / "token"
        (work / "tokens").mkdir(parents=True)
        config = work / "softhsm2.conf"
        config.write_text("directories.tokendir = %s\nobjectstore.backend = file\n" % (work / "tokens"))
        env = {k: v for k, v in os.environ.items() if not k.startswith("VANTREL_SIGN_")}
        env["SOFTHSM2_CONF"] = str(config)
        for command in (["softhsm2-util", "--init-token", "--free", "--label", "vantrel", "--pin", "2468",
                         "--so-pin", "13579"],
                        ["softhsm2-util", "--import", self.tmp / "signing.key", "--token", "vantrel", "--label", "sign",
                         "--id", "01", "--pin", "2468"]):
            subprocess.run([str(c) for c in command], env=env, check=True, capture_output=True, timeout=60)
        program = work / "Vantrel.exe"
        shutil.copyfile(e2e.VANTREL_EXE, program)
        unsigned = program.read_bytes()
        env.update(VANTREL_SIGN_CERT=str(self.certificate), VANTREL_SIGN_PKCS11_MODULE=SOFTHSM_MODULE,
                   VANTREL_SIGN_PKCS11_KEY="pkcs11:token=vantrel;object=sign", VANTREL_SIGN_PASSWORD="2468")

        def sign(**more):
            return subprocess.run(["bash", str(e2e.REPO / "packaging" / "sign.sh"), str(program)],
                                  env=dict(env, **more), capture_output=True, timeout=120)
        refused = sign(VANTREL_SIGN_RELEASE="1")
        self.assertEqual(refused.returncode, 1, refused)
        self.assertIn(b"VANTREL_SIGN_TIMESTAMP", refused.stderr)
        self.assertEqual(program.read_bytes(), unsigned)
        signed = sign()
        self.assertEqual(signed.returncode, 0, signed)
        (status, report), _ = self.verify_signature(program)
        self.assertEqual(status, 0, report)
        self.assertIn("Subject: /CN=Vantrel test signing/O=Tarnvale Service", report)

    def test_every_program_declares_itself_in_its_manifest(self):
        # Read as Windows' loader finds it, resource 1 of type RT_MANIFEST. A
        # manifest that is no well-formed XML keeps Windows from starting the
        # program at all (Wine starts it anyway).
        top = self.unpack(self.tmp / "manifests")
        windowed = {top / "Vantrel.exe": True, top / "FTPClient.exe": True, top / "filelist.exe": False,
                    e2e.FTP_EXE: False}
        for path, has_windows in windowed.items():
            with self.subTest(program=path.name):
                answer = e2e.driver("manifest", "--path", e2e.windows_path(path))
                self.assertEqual(answer["names"], [1])
                root = ElementTree.fromstring(bytes.fromhex(answer["manifest_1_hex"]))
                elements = {}
                for element in root.iter():
                    elements.setdefault(element.tag.rsplit("}", 1)[-1], []).append(element)
                (level,) = elements["requestedExecutionLevel"]
                self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "false"))
                self.assertEqual({os_id.get("Id") for os_id in elements["supportedOS"]}, SUPPORTED_OS)
                self.assertEqual([e.text for e in elements.get("dpiAware", [])], ["true"] if has_windows else [])
                # Shift-JIS through the ANSI code page, never UTF-8.
                self.assertNotIn("activeCodePage", elements)
                # Classic controls: themed check boxes would ignore the chosen text colour.
                self.assertNotIn("dependentAssembly", elements)

    def test_unpacked_zip_sends_a_dropped_file_with_its_sample_settings(self):
        # A blank in the folder: the client is given the control file's bare name in tmp.
        top = self.unpack(self.tmp / "fresh folder")
        table = top / "machines.ini"
        text = table.read_bytes().decode("cp932")
        self.assertIn("[machine]\r\ndefault=-1\r\n", text)
        machine = ("[machine]\r\nmachine0=MC1\r\ndefault=0\r\n[MC1]\r\naddress=%s\r\nusername=vantrel\r\n"
                   "password=secret\r\ninitpath=NCDATA\r\nextention=0\r\n" % HOST)
        table.write_bytes(text.replace("[machine]\r\ndefault=-1\r\n", machine).encode("cp932"))

        source = self.tmp / "O1234.NC"
        source.write_bytes(os.urandom(3000))
        home = self.tmp / "server"
        (home / "NCDATA").mkdir(parents=True)
        (home / "NCDATA" / "O0001").write_bytes(b"%\r\nO0001\r\nM30\r\n%\r\n")
        with e2e.FtpServer(home, host=HOST) as server:
            app = e2e.Vantrel(top / "Vantrel.exe").start()
            self.addCleanup(app.kill)
            self.assertEqual(app.combo()["text"], "MC1")
            e2e.drop(app.hwnd, [source])
            e2e.wait_until(lambda: server.local_path("NCDATA/O1234").exists()
                           and any(line.startswith("... 転送ファイル") for line in app.list_lines()),
                           timeout=60, what="the upload")
            self.assertEqual(server.local_path("NCDATA/O1234").read_bytes(), source.read_bytes())
            # verify=1 in the sample: the file read back and found the same.
            e2e.wait_until(lambda: "... 転送確認済み O1234 (3000 バイト、内容一致)" in app.list_lines(), timeout=30,
                           what="the delivery check")
            self.assertFalse([line for line in app.list_lines() if line.startswith("エラー")])
            self.assertEqual(app.dialogs(), [])
            # delete=1: the control file went (filelist.exe's own log stays).
            self.assertEqual([n for n in os.listdir(top / "tmp") if n.endswith(".txt")], [])
            app.close()
            self.assertEqual(app.wait_exit(), 0)
        # systemlog=1: the day's log holds the run.
        (log,) = (top / "Log").iterdir()
        self.assertRegex(log.name, r"^Vantrel\d{8}\.log$")
        self.assertIn("転送ファイル " + e2e.windows_path(source), log.read_bytes().decode("cp932"))

    def test_installer_installs_keeps_settings_starts_and_uninstalls_silently(self):
        # /D= must come last and unquoted, and Wine quotes a word with a
        # blank: the folder has none.
        target = self.tmp / "installed" / "Vantrel"
        # Not into the Windows folder (nor Program Files, whose name has a blank):
        # the program could not write its control files there.
        guarded = e2e.system32().parent / "Vantrel"
        self.assertNotEqual(run_wine_quietly([self.setup_path, "/S", "/D=C:\\windows\\Vantrel"]), 0)
        self.assertFalse(guarded.exists())
        setup = [self.setup_path, "/S", "/D=" + e2e.windows_path(target)]
        self.assertEqual(run_wine_quietly(setup), 0)
        self.assertEqual(folder_entries(target), PROGRAM_FOLDER | {"Uninstall.exe"})
        (status, report), _ = self.verify_signature(target / "Uninstall.exe")
        self.assertEqual(status, 0, report)
        menu = start_menu_folder()
        self.assertIsNotNone(menu, "no Start-menu folder")
        self.assertEqual({p.name for p in menu.iterdir()}, {"Vantrel.lnk", "Vantrel のアンインストール.lnk"})

        # A second installation (an update) keeps what the user has changed.
        table = target / "machines.ini"
        sample = table.read_bytes()
        table.write_bytes(sample + b"machine0=MC1\r\n")
        self.assertEqual(run_wine_quietly(setup), 0)
        self.assertEqual(table.read_bytes(), sample + b"machine0=MC1\r\n")
        table.write_bytes(sample)

        # The installed program's first start: no machine yet, so
        # after the default machine's error the registration dialog opens.
        app = e2e.Vantrel(target / "Vantrel.exe").start()
        self.addCleanup(app.kill)
        box = app.expect_box(timeout=20)
        self.assertEqual((box["text"], box["icon"]), ("エラー：IPアドレス取得失敗", "error"))
        dialog = app.expect_box(timeout=20, close=True)
        self.assertEqual((dialog["message_box"], dialog["caption"]), (False, "マシニングデータサーバー情報登録"))
        app.kill()

        (target / "tmp" / "202601010000.txt").write_bytes(b"open h\r\nuser\r\npassword\r\n")
        (target / "Log" / "Vantrel20260101.log").write_bytes(b"log\n")
        kept = target / "backup" / "MC1" / "20260101"
        kept.mkdir(parents=True)
        (kept / "120000_O1234").write_bytes(b"%\r\nO1234\r\n%\r\n")
        run_wine_quietly([target / "Uninstall.exe", "/S"])
        # The uninstaller runs on from a copy of itself in the temporary folder.
        e2e.wait_until(lambda: not (target / "Uninstall.exe").exists() and not menu.exists(), timeout=30,
                       what="the uninstaller")
        self.assertEqual(folder_entries(target), {"Vantrel.ini", "machines.ini", "Log/", "Log/Vantrel20260101.log",
                                                  "backup/", "backup/MC1/", "backup/MC1/20260101/",
                                                  "backup/MC1/20260101/120000_O1234"})


if __name__ == "__main__":
    unittest.main()
