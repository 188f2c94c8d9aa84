"""The README's run command as a newcomer meets it: no Wine prefix yet and
no desktop. scripts/run.sh must open the window on the first try, the drop
command it prints must deliver the sample unchanged to the folder it names,
and Ctrl+C (SIGINT to the whole foreground process group) must leave nothing
of the demo running and promise no log that was never written. Run again on
a desktop, Ctrl+C ends what the demo started (FTPClient.exe, ftp.exe) and
nothing the user started in the same prefix. The scripts refuse folders
they did not make and leave them as they were."""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel_e2e as e2e  # noqa: E402

# Overridable so that runs by hand beside other tests do not share an address.
HOST = os.environ.get("VANTREL_FIRST_RUN_TEST_HOST", "127.0.0.24")
BUILD_DIR = e2e.VANTREL_EXE.resolve().parents[1]
# A fresh prefix takes about 20 s on a quiet machine; a loaded one is slower.
WINDOW_TIMEOUT = 300


class Output:
    """The lines a process prints, collected as they come."""

    def __init__(self, stream):
        self.lines = []
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self._thread.start()

    def _read(self, stream):
        for raw in stream:
            with self._lock:
                self.lines.append(raw.decode("utf-8", errors="replace").rstrip("\n"))

    def text(self):
        with self._lock:
            return "\n".join(self.lines)

    def search(self, pattern):
        match = re.search(pattern, self.text(), re.MULTILINE)
        return match.group(1) if match else None

    def close(self, timeout=10):
        self._thread.join(timeout)


def tree_of(root):
    """Every file under root with its bytes: what a refused folder must keep."""
    return {str(path.relative_to(root)): path.read_bytes() if path.is_file() else None
            for path in sorted(Path(root).rglob("*"))}


def processes_naming(values, program=None):
    """Process ids (other than ours) whose environment holds one of the
    "NAME=value" strings: whatever the demo started inherits its variables,
    the Xvfb, the FTP server and every Wine process with its wineserver.
    With `program`, only those whose first word names it (a Wine process
    shows its Windows path there)."""
    wanted = {v.encode() for v in values}
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environment = set((entry / "environ").read_bytes().split(b"\0"))
            first = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
            state = (entry / "stat").read_text().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        named = program is None or first.replace("\\", "/").lower().endswith("/" + program.lower())
        if state != "Z" and environment & wanted and named:
            found.append(int(entry.name))
    return found


def signal_if_alive(pid, number):
    try:
        os.kill(pid, number)
    except ProcessLookupError:
        pass


class FirstRunTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-first-run-"))
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.prefix = self.tmp / "prefix"
        self.prefix.mkdir()  # an empty folder, as after `mkdir` or a clean-up
        self.demo = self.tmp / "demo"

    def run_demo(self, display=None):
        """scripts/run.sh as the README gives it, on `display` or (None) on a
        screen of its own; returns the process and its Output."""
        env = {name: value for name, value in os.environ.items()
               if name not in ("DISPLAY", "WINEPREFIX", "WINEDEBUG", "WAYLAND_DISPLAY")}
        env.update(VANTREL_WINEPREFIX=str(self.prefix), VANTREL_DEMO_HOST=HOST, VANTREL_DEMO_DIR=str(self.demo),
                   VANTREL_WIN_BUILD=str(BUILD_DIR))
        if display:
            env["DISPLAY"] = display
        marks = ["VANTREL_WINEPREFIX=%s" % self.prefix, "WINEPREFIX=%s" % self.prefix]
        # Its own session: the process group that a terminal's Ctrl+C reaches.
        run = subprocess.Popen(["bash", str(e2e.REPO / "scripts" / "run.sh")], cwd=str(e2e.REPO), env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
        output = Output(run.stdout)

        def end_run():
            if run.poll() is None:
                os.killpg(run.pid, signal.SIGKILL)
                run.wait()
            for pid in processes_naming(marks):
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
            output.close()
            run.stdout.close()
        self.addCleanup(end_run)
        return run, output

    def ctrl_c(self, run, output):
        os.killpg(run.pid, signal.SIGINT)
        try:
            self.assertEqual(run.wait(timeout=30), 130)
        except subprocess.TimeoutExpired:
            raise AssertionError("run.sh did not end on Ctrl+C:\n%s" % output.text())
        output.close()
        self.assertIn("run: stopped by Ctrl+C", output.text())

    def test_fresh_prefix_without_display_drops_the_sample_and_ctrl_c_ends_everything(self):
        marks = ["VANTREL_WINEPREFIX=%s" % self.prefix, "WINEPREFIX=%s" % self.prefix]
        started = time.monotonic()
        run, output = self.run_demo()

        def printed_drop():
            if run.poll() is not None:
                raise AssertionError("run.sh ended (%s) before the window opened:\n%s" % (run.returncode, output.text()))
            return output.search(r"^run:   (DISPLAY=\S+ \S+/xdnd_drop .*)$")
        drop = e2e.wait_until(printed_drop, timeout=WINDOW_TIMEOUT, interval=0.5, what="the printed drop command")
        window_open = time.monotonic() - started
        landing = Path(output.search(r"^run: dropped files land in: +(\S+)$"))
        sample = Path(output.search(r"^run: a file to drop: +(\S+)$"))
        self.assertEqual(landing, self.demo / "demo-server" / "NCDATA")
        self.assertIn(str(sample), drop)

        # Exactly as printed, through a shell, as a user would paste it.
        result = subprocess.run(drop, shell=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout.decode(errors="replace"))
        arrived = landing / sample.stem  # the demo machine stores names without their extension
        e2e.wait_until(lambda: arrived.exists() and arrived.read_bytes() == sample.read_bytes(), timeout=60,
                       what="the sample to arrive byte-identical in %s" % landing)

        self.ctrl_c(run, output)
        e2e.wait_until(lambda: not processes_naming(marks), timeout=20,
                       what="every process of the demo (Xvfb, Wine, wineserver, FTP server) to end")
        # Ended at once: no log written, and none claimed.
        self.assertEqual(list((self.demo / "program" / "Log").iterdir()), [])
        self.assertNotIn("its log:", output.text())
        print("first run: window after %.0f s, whole test %.0f s" % (window_open, time.monotonic() - started),
              file=sys.stderr)

        # Again, on a desktop (the test run's screen), with the prefix made
        # above: FTPClient.exe from the menu, and an ftp.exe that waits for
        # a server that has stopped answering.
        display = e2e.wine_env()["DISPLAY"]
        run, output = self.run_demo(display)
        e2e.wait_until(lambda: "run: the window is open" in output.text() or run.poll() is not None,
                       timeout=WINDOW_TIMEOUT, interval=0.5, what="the window")
        self.assertIsNone(run.poll(), output.text())
        env = dict(e2e.wine_env(), WINEPREFIX=str(self.prefix), DISPLAY=display)
        program = self.demo / "program"

        def demo_driver(*args):
            out = subprocess.run(["wine", str(e2e.DRIVER_EXE)] + [str(a) for a in args], env=env, timeout=60,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            return json.loads(out.stdout.decode().strip().splitlines()[-1])
        hwnd = demo_driver("find", "--class", "Vantrel", "--timeout", 20000)["hwnd"]
        demo_mark = ["VANTREL_DEMO_DIR=%s" % self.demo]
        demo_driver("command", "--hwnd", hwnd, "--id", e2e.ids.IDM_FTP_CLIENT)
        e2e.wait_until(lambda: processes_naming(demo_mark, "FTPClient.exe"), timeout=30,
                       what="the demo's FTPClient.exe")
        (server,) = [pid for pid in processes_naming(demo_mark)
                     if e2e.TEST_FTP_SERVER.name.encode() in Path("/proc/%d/cmdline" % pid).read_bytes()]
        os.kill(server, signal.SIGSTOP)
        self.addCleanup(signal_if_alive, server, signal.SIGCONT)
        # The client's window opens over Vantrel's: it is moved off to the right.
        vantrel = demo_driver("rect", "--hwnd", hwnd)["rect"]
        client = demo_driver("find", "--class", "TkTopLevel", "--timeout", 20000)
        left, top, right, bottom = demo_driver("rect", "--hwnd", client["hwnd"])["rect"]
        demo_driver("move", "--hwnd", client["hwnd"], "--x", vantrel[2] + 10, "--y", 0, "--width", right - left,
                    "--height", bottom - top)
        x, y = e2e.window_centre(vantrel)
        # The window takes the drop and then waits for ftp.exe: no confirmation
        # comes. The check before the client is off, or it would wait itself.
        ini = program / "Vantrel.ini"
        settings = ini.read_bytes()
        self.assertIn(b"[Vantrel]", settings)
        ini.write_bytes(settings.replace(b"[Vantrel]", b"[Vantrel]\r\ncheck=0", 1))
        subprocess.run([str(e2e.DROP_TOOL), "--timeout", "2000", "--x", str(x), "--y", str(y),
                        str(self.demo / "demo-files" / "O1234.NC")], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        e2e.wait_until(lambda: processes_naming(demo_mark, "ftp.exe"), timeout=30, what="the ftp.exe of the drop")
        # The user's own program in the same prefix: FTPClient.exe without
        # arguments, waiting in its usage box.
        own = subprocess.Popen(["wine", str(program / "FTPClient.exe")], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(lambda: own.poll() is None and (os.killpg(own.pid, signal.SIGKILL), own.wait()))
        e2e.wait_until(lambda: e2e.xdotool("search", "--onlyvisible", "--pid", str(own.pid)).stdout.strip(),
                       timeout=30, what="the usage box of the user's own FTPClient.exe")
        self.ctrl_c(run, output)
        signal_if_alive(server, signal.SIGCONT)
        for name in ("Vantrel.exe", "FTPClient.exe", "ftp.exe", "conhost.exe"):
            e2e.wait_until(lambda: not processes_naming(demo_mark, name), timeout=20,
                           what="the demo's %s to end" % name)
        self.assertIsNone(own.poll(), "the user's own FTPClient.exe in the same prefix was ended too")

    def test_folders_the_scripts_did_not_make_are_refused_and_kept(self):
        """A folder with something in it that lacks the scripts' mark (an
        existing Wine prefix, a working folder) is never written into."""
        for script, env, args, folder in [
                ("wine-prefix.sh", {}, [self.tmp / "wineprefix"], self.tmp / "wineprefix"),
                ("run.sh", {"VANTREL_DEMO_DIR": str(self.tmp / "work")}, [], self.tmp / "work" / "program"),
                ("build.sh", {"VANTREL_WIN_BUILD": str(self.tmp / "notes")}, ["win"], self.tmp / "notes")]:
            with self.subTest(script):
                (folder / "drive_c").mkdir(parents=True)
                (folder / "drive_c" / "letter.txt").write_text("mine")
                (folder / "user.reg").write_bytes(b"\xff\xfe")
                before = tree_of(self.tmp)
                result = subprocess.run(["bash", str(e2e.REPO / "scripts" / script)] + [str(a) for a in args],
                                        env=dict(os.environ, **env), cwd=str(e2e.REPO), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
                text = result.stdout.decode(errors="replace")
                self.assertNotEqual(result.returncode, 0, text)
                self.assertRegex(text, re.escape(str(folder)) + " is (not empty|neither empty)")
                self.assertEqual(tree_of(self.tmp), before)


if __name__ == "__main__":
    unittest.main()
