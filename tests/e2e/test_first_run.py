"""The README's run command as a newcomer meets it: no Wine prefix yet and
no desktop. scripts/run.sh must open the window on the first try, the drop
command it prints must deliver the sample unchanged to the folder it names,
and Ctrl+C (SIGINT to the whole foreground process group) must leave nothing
of the demo running and promise no log that was never written."""
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


def processes_naming(values):
    """Process ids (other than ours) whose environment holds one of the
    "NAME=value" strings: whatever the demo started inherits its variables,
    the Xvfb, the FTP server and every Wine process with its wineserver."""
    wanted = {v.encode() for v in values}
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environment = set((entry / "environ").read_bytes().split(b"\0"))
            state = (entry / "stat").read_text().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if state != "Z" and environment & wanted:
            found.append(int(entry.name))
    return found


class FirstRunTest(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-first-run-"))
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.prefix = self.tmp / "prefix"
        self.prefix.mkdir()  # an empty folder, as after `mkdir` or a clean-up
        self.demo = self.tmp / "demo"

    def test_fresh_prefix_without_display_drops_the_sample_and_ctrl_c_ends_everything(self):
        env = {name: value for name, value in os.environ.items()
               if name not in ("DISPLAY", "WINEPREFIX", "WINEDEBUG", "WAYLAND_DISPLAY")}
        env.update(VANTREL_WINEPREFIX=str(self.prefix), VANTREL_DEMO_HOST=HOST, VANTREL_DEMO_DIR=str(self.demo),
                   VANTREL_WIN_BUILD=str(BUILD_DIR))
        marks = ["VANTREL_WINEPREFIX=%s" % self.prefix, "WINEPREFIX=%s" % self.prefix]
        started = time.monotonic()
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

        os.killpg(run.pid, signal.SIGINT)
        try:
            self.assertEqual(run.wait(timeout=30), 130)
        except subprocess.TimeoutExpired:
            raise AssertionError("run.sh did not end on Ctrl+C:\n%s" % output.text())
        output.close()
        e2e.wait_until(lambda: not processes_naming(marks), timeout=20,
                       what="every process of the demo (Xvfb, Wine, wineserver, FTP server) to end")
        text = output.text()
        self.assertIn("run: stopped by Ctrl+C", text)
        # Ended at once: no log written, and none claimed.
        self.assertEqual(list((self.demo / "program" / "Log").iterdir()), [])
        self.assertNotIn("its log:", text)
        print("first run: window after %.0f s, whole test %.0f s" % (window_open, time.monotonic() - started),
              file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
