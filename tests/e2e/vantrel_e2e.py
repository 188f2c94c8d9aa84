"""Harness for the end-to-end tests: real .exe files under Wine on Xvfb.

CTest gives the paths of the built programs in the environment (VANTREL_EXE,
VANTREL_FTP_EXE, VANTREL_FILELIST_EXE, VANTREL_FTPCLIENT_EXE, VANTREL_DRIVER,
VANTREL_DROP_TOOL) and, in a test run, WINEPREFIX and DISPLAY. Run by hand,
the paths fall back to build/win and tests/rig/wine-env.sh supplies a prefix
and an Xvfb. Every wait here has a time-out, and every process started here
is killed again (process group) when its owner is closed or garbage.
"""
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
RIG_DIR = Path(os.environ.get("VANTREL_RIG_DIR", REPO / "tests" / "rig"))
BUILD = REPO / "build" / "win"
PYTHON = "/usr/bin/python3"  # Debian's, which has pyftpdlib


def _path(variable, fallback):
    value = os.environ.get(variable)
    return Path(value) if value else fallback


VANTREL_EXE = _path("VANTREL_EXE", BUILD / "app" / "Vantrel.exe")
FTP_EXE = _path("VANTREL_FTP_EXE", BUILD / "ftp_exe" / "ftp.exe")
FILELIST_EXE = _path("VANTREL_FILELIST_EXE", BUILD / "filelist" / "filelist.exe")
FTPCLIENT_EXE = _path("VANTREL_FTPCLIENT_EXE", BUILD / "ftpclient" / "FTPClient.exe")
DRIVER_EXE = _path("VANTREL_DRIVER", BUILD / "tests" / "vdriver.exe")
DROP_TOOL = _path("VANTREL_DROP_TOOL", BUILD / "tests" / "host" / "xdnd_drop")


class HarnessError(AssertionError):
    """A wait that timed out or a tool that failed: fails the test."""


# --------------------------------------------------------------------------
# Wine environment

_wine_env = None


def wine_env():
    """Environment for Wine programs: the run's prefix and display (made by
    tests/rig/wine-env.sh when not set), Japanese locale, no debug output."""
    global _wine_env
    if _wine_env is None:
        env = dict(os.environ)
        if not env.get("WINEPREFIX") or not env.get("DISPLAY"):
            out = subprocess.run(["bash", str(RIG_DIR / "wine-env.sh")], env=env, check=True,
                                 stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=300).stdout
            for line in out.decode().splitlines():
                name, _, value = line.partition("=")
                env[name] = value
        env.update(LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
                   WINEDEBUG=env.get("WINEDEBUG", "-all"), WINEDLLOVERRIDES="mscoree,mshtml=")
        _wine_env = env
    return dict(_wine_env)


def windows_path(path):
    """The Windows form of a Linux path (drive Z: is the root in every prefix)."""
    return "Z:" + str(Path(path).absolute()).replace("/", "\\")


def _kill_group(process):
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        pass


def start_windows_program(exe, args=(), cwd=None, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
    """Starts `wine exe args...` in a process group of its own; returns the Popen.
    Arguments are str (sent as UTF-8, which Wine turns into code page 932 for
    the A functions) or bytes."""
    command = ["wine", str(exe)] + [a if isinstance(a, bytes) else str(a) for a in args]
    return subprocess.Popen(command, cwd=str(cwd) if cwd else None, env=wine_env(),
                            stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
                            start_new_session=True)


class ProgramResult:
    """Exit code and output of a finished Windows program. stdout/stderr are
    bytes; .text is stdout decoded from code page 932."""

    def __init__(self, returncode, stdout, stderr):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr

    @property
    def text(self):
        return self.stdout.decode("cp932", errors="replace")

    def __repr__(self):
        return "ProgramResult(returncode=%r, stdout=%r, stderr=%r)" % (
            self.returncode, self.stdout[-2000:], self.stderr[-2000:])


def run_windows_program(exe, args=(), cwd=None, timeout=60):
    """Runs a Windows program to its end; returns a ProgramResult. Raises
    HarnessError (after killing it and everything it started) on time-out."""
    process = start_windows_program(exe, args, cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        _kill_group(process)
        out, err = process.communicate()
        raise HarnessError("%s %s did not end within %s s; output %r %r" % (exe, list(args), timeout, out[-2000:], err[-2000:]))
    return ProgramResult(process.returncode, out, err)


# --------------------------------------------------------------------------
# FTP server

_SERVER_SCRIPT = r'''
import json, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
host, port, user, password, home, log = sys.argv[1:7]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, home, perm="elradfmwMT")
log_file = open(log, "a", encoding="utf-8") if log else None

class Handler(FTPHandler):
    pass
Handler.authorizer = authorizer
# Names arrive as the client's bytes (Shift-JIS) and reach the disk unchanged.
Handler.unicode_errors = "surrogateescape"
Handler.auth_failed_timeout = 0.1
Handler.passive_ports = None
if log_file:
    def pre_process_command(self, line, cmd, arg, _base=FTPHandler.pre_process_command):
        raw = line.encode("utf-8", "surrogateescape").hex()
        log_file.write(json.dumps({"raw": raw, "cmd": cmd}) + "\n")
        log_file.flush()
        return _base(self, line, cmd, arg)
    Handler.pre_process_command = pre_process_command
server = FTPServer((host, int(port)), Handler)
server.serve_forever(timeout=0.2)
'''


class FtpServer:
    """A pyftpdlib server in a child process on host:port (port 21 needs root),
    with one user whose home is `home` (created when missing).

    File names travel as bytes: a Shift-JIS name from the client is stored
    on disk with exactly those bytes and listed back the same; local_path()
    and files() translate. With log_commands, every command received is
    kept: see commands().

        with FtpServer(tmp / "mc1", host="127.0.0.5") as server:
            ...
            self.assertIn("STOR O1234.NC", server.command_lines())
            self.assertTrue(server.local_path("テスト.NC").exists())
    """

    def __init__(self, home, user="vantrel", password="secret", host="127.0.0.5", port=21,
                 log_commands=True):
        self.home = Path(home)
        self.user, self.password, self.host, self.port = user, password, host, port
        self._log = None
        if log_commands:
            handle, name = tempfile.mkstemp(prefix="ftp-commands-", suffix=".jsonl")
            os.close(handle)
            self._log = Path(name)
        self._process = None

    def start(self, timeout=15):
        self.home.mkdir(parents=True, exist_ok=True)
        args = [PYTHON, "-c", _SERVER_SCRIPT, self.host, str(self.port), self.user, self.password,
                str(self.home), str(self._log or "")]
        self._process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE, start_new_session=True)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                raise HarnessError("FTP server on %s:%d ended: %s" % (
                    self.host, self.port, self._process.stderr.read().decode(errors="replace")))
            try:
                with socket.create_connection((self.host, self.port), timeout=1) as probe:
                    probe.settimeout(2)
                    if probe.recv(3) == b"220":
                        probe.sendall(b"QUIT\r\n")
                        self._forget_probe()
                        return self
            except OSError:
                pass
            time.sleep(0.05)
        self.stop()
        raise HarnessError("FTP server on %s:%d not ready within %s s" % (self.host, self.port, timeout))

    def _forget_probe(self):
        # The readiness probe's QUIT is not a command any test sent.
        if self._log is None:
            return
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            if any(entry["cmd"] == "QUIT" for entry in self._read_log()):
                break
            time.sleep(0.02)
        self._log.write_text("")

    def _read_log(self):
        if self._log is None or not self._log.exists():
            return []
        entries = []
        for line in self._log.read_text(encoding="utf-8").splitlines():
            if line.strip():
                entries.append(json.loads(line))
        return entries

    def commands(self):
        """Commands received so far, oldest first: dicts with "cmd" (upper-case
        verb), "raw" (the line's bytes) and "line" (decoded from code page 932)."""
        if self._log is None:
            raise HarnessError("FtpServer started without log_commands")
        entries = []
        for entry in self._read_log():
            raw = bytes.fromhex(entry["raw"])
            entries.append({"cmd": entry["cmd"], "raw": raw, "line": raw.decode("cp932", errors="replace")})
        return entries

    def command_lines(self):
        return [entry["line"] for entry in self.commands()]

    def local_path(self, name):
        """Where a file the client named `name` (str, "/" separated, relative
        to home) lies on disk."""
        return self.home / os.fsdecode(name.encode("cp932"))

    def files(self):
        """Relative paths of every file under home, "/" separated, names
        decoded from code page 932."""
        names = []
        for path in self.home.rglob("*"):
            if path.is_file():
                raw = os.fsencode(str(path.relative_to(self.home)))
                names.append(raw.decode("cp932", errors="replace"))
        return sorted(names)

    def stop(self):
        if self._process is not None:
            _kill_group(self._process)
            if self._process.stderr:
                self._process.stderr.close()
            self._process = None

    def close(self):
        self.stop()
        if self._log is not None and self._log.exists():
            self._log.unlink()

    def __enter__(self):
        if self._process is None:
            self.start()
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        self.stop()
