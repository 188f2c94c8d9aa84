"""Harness for the end-to-end tests: real .exe files under Wine on Xvfb.

CTest gives the paths of the built programs in the environment (VANTREL_EXE,
VANTREL_FTP_EXE, VANTREL_FILELIST_EXE, VANTREL_FTPCLIENT_EXE, VANTREL_DRIVER,
VANTREL_DROP_TOOL) and, in a test run, WINEPREFIX and DISPLAY. Run by hand,
the paths fall back to build/win and tests/rig/wine-session.sh supplies a
prefix and an Xvfb. Every wait here has a time-out, and every process started
here is killed again (process group) when its owner is closed or garbage.
"""
import atexit
import filecmp
import json
import shutil
import os
import re
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

sys.path.insert(0, str(RIG_DIR))
# The test FTP server's fault timings, for the tests that depend on them.
from ftp_test_server import LATE_S, LINGER_S, SLOW_RATE  # noqa: E402,F401


def _path(variable, fallback):
    value = os.environ.get(variable)
    return Path(value) if value else fallback


VANTREL_EXE = _path("VANTREL_EXE", BUILD / "app" / "Vantrel.exe")
FTP_EXE = _path("VANTREL_FTP_EXE", BUILD / "ftp_exe" / "ftp.exe")
FILELIST_EXE = _path("VANTREL_FILELIST_EXE", BUILD / "filelist" / "filelist.exe")
FTPCLIENT_EXE = _path("VANTREL_FTPCLIENT_EXE", BUILD / "ftpclient" / "FTPClient.exe")
DRIVER_EXE = _path("VANTREL_DRIVER", BUILD / "tests" / "vdriver.exe")
ARG_RECORDER_EXE = _path("VANTREL_ARG_RECORDER", BUILD / "tests" / "arg_recorder.exe")
DROP_TOOL = _path("VANTREL_DROP_TOOL", BUILD / "tests" / "host" / "xdnd_drop")


def _resource_ids(header):
    """The `#define NAME number` lines of a resource header, as attributes."""
    ids = {}
    for line in (REPO / header).read_text(encoding="utf-8").splitlines():
        match = re.match(r"#define\s+(\w+)\s+(\d+)\b", line)
        if match:
            ids[match.group(1)] = int(match.group(2))
    return type("ResourceIds", (), ids)


# Control and command ids by their names in the sources: ids.IDM_REFRESH_FILE_LIST.
ids = _resource_ids("resources/resource.h")
client_ids = _resource_ids("ftpclient/ids.h")  # FTPClient.exe
FTPCLIENT_CAPTION = "FTPクライアント"  # the title of FTPClient.exe's window


class HarnessError(AssertionError):
    """A wait that timed out or a tool that failed: fails the test."""


# --------------------------------------------------------------------------
# Wine environment

_wine_env = None


def _wine_settings():
    """What tests/rig/wine-env.sh sets (the one place of it), read through
    bash from an environment that holds only the caller's WINEDEBUG."""
    own = {name: os.environ[name] for name in ("WINEDEBUG",) if name in os.environ}
    script = 'source "$0" && for name in $(compgen -e); do printf "%s=%s\\0" "$name" "${!name}"; done'
    out = subprocess.run(["/bin/bash", "-c", script, str(RIG_DIR / "wine-env.sh")], env=own, check=True,
                         stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=30).stdout
    settings = dict(entry.partition("=")[::2] for entry in out.decode().split("\0") if entry)
    for made_by_bash in ("PWD", "SHLVL", "OLDPWD", "_"):
        settings.pop(made_by_bash, None)
    return settings


def wine_env():
    """Environment for Wine programs: the run's prefix and display (made by
    tests/rig/wine-session.sh when not set) and tests/rig/wine-env.sh's
    settings (Japanese locale, no debug output)."""
    global _wine_env
    if _wine_env is None:
        env = dict(os.environ)
        if not env.get("WINEPREFIX") or not env.get("DISPLAY"):
            out = subprocess.run(["bash", str(RIG_DIR / "wine-session.sh")], env=env, check=True,
                                 stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=300).stdout
            for line in out.decode().splitlines():
                name, _, value = line.partition("=")
                env[name] = value
        env.update(_wine_settings())
        _wine_env = env
        # A script killed before its clean-up may have left the prefix changed.
        restore_shared_prefix()
    return dict(_wine_env)


# --------------------------------------------------------------------------
# Changes to the prefix that every script shares
#
# A test that changes the prefix does it through these functions and calls
# restore_shared_prefix in its clean-up (addCleanup, which runs also when the
# test fails). A script killed before its clean-up leaves marks that the next
# script's first use of the prefix finds and undoes.

_DPI_MARK = ".vantrel-e2e-dpi-changed"
_DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
_VERSION_MARK = ".vantrel-e2e-version-changed"  # holds the program names
_APP_DEFAULTS_KEY = r"HKCU\Software\Wine\AppDefaults"


def _prefix():
    return Path(wine_env()["WINEPREFIX"])


def system32():
    return _prefix() / "drive_c" / "windows" / "system32"


def replace_client(stand_in):
    """Puts stand_in (a program path) in the place of the prefix's ftp.exe,
    where the shell finds "ftp.exe" before any other; None takes it away."""
    client = system32() / "ftp.exe"
    if stand_in is None:
        client.unlink()
    else:
        shutil.copyfile(stand_in, client)


def set_system_dpi(dpi):
    r"""Wine 8 takes the system DPI from HKCU\Control Panel\Desktop LogPixels
    (before the HKLM font key) when a process starts; no value means 96."""
    mark = _prefix() / _DPI_MARK
    if dpi != 96:
        mark.touch()
        args = ["add", _DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"]
    else:
        args = ["delete", _DESKTOP_KEY, "/v", "LogPixels", "/f"]
    run_windows_program("reg", args)
    if dpi == 96:
        mark.unlink(missing_ok=True)


def set_windows_version(version, programs):
    r"""Makes Wine report another Windows version ("win7") to the named
    programs (HKCU\Software\Wine\AppDefaults); None takes that away again.
    The prefix reports Windows 10 to every other program."""
    mark = _prefix() / _VERSION_MARK
    if version is not None:
        mark.write_text("\n".join(programs))
    for program in programs:
        key = _APP_DEFAULTS_KEY + "\\" + program
        if version is None:
            run_windows_program("reg", ["delete", key, "/v", "Version", "/f"])
        else:
            result = run_windows_program("reg", ["add", key, "/v", "Version", "/d", version, "/f"])
            if result.returncode != 0:
                raise HarnessError("reg add %s: %r" % (key, result))
    if version is None:
        mark.unlink(missing_ok=True)


def restore_shared_prefix():
    """Our ftp.exe in system32 (nothing the stand-ins left beside it), the
    system DPI and the Windows version of a new prefix."""
    folder = system32()
    client = folder / "ftp.exe"
    if FTP_EXE.exists() and not (client.exists() and filecmp.cmp(FTP_EXE, client, shallow=False)):
        shutil.copyfile(FTP_EXE, client)
    for record in ("args.txt", "cwd.txt"):
        (folder / record).unlink(missing_ok=True)
    if (_prefix() / _DPI_MARK).exists():
        set_system_dpi(96)
    version_mark = _prefix() / _VERSION_MARK
    if version_mark.exists():
        set_windows_version(None, version_mark.read_text().split())


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


# Every process group started here; whatever still runs when the test
# script ends is killed (a test that fails half-way leaves nothing behind).
_started = []


@atexit.register
def _kill_all_started():
    for process in _started:
        _kill_group(process)


def start_windows_program(exe, args=(), cwd=None, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=None):
    """Starts `wine exe args...` in a process group of its own; returns the Popen.
    Arguments are str (sent as UTF-8, which Wine turns into code page 932 for
    the A functions) or bytes; env adds variables to the Wine environment."""
    command = ["wine", str(exe)] + [a if isinstance(a, bytes) else str(a) for a in args]
    process = subprocess.Popen(command, cwd=str(cwd) if cwd else None, env=dict(wine_env(), **(env or {})),
                               stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
                               start_new_session=True)
    _started.append(process)
    return process


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


def run_windows_program(exe, args=(), cwd=None, timeout=60, env=None):
    """Runs a Windows program to its end; returns a ProgramResult. Raises
    HarnessError (after killing it and everything it started) on time-out.

    Output goes through temporary files, not pipes: a Wine program may start
    Wine's own long-lived processes (explorer.exe for the desktop, a new
    wineserver), which inherit its output and would keep a pipe open for
    ever after the program itself has ended."""
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
        process = start_windows_program(exe, args, cwd, stdout=out_file, stderr=err_file, env=env)
        try:
            process.wait(timeout=timeout)
            timed_out = False
        except subprocess.TimeoutExpired:
            _kill_group(process)
            timed_out = True
        out_file.seek(0)
        err_file.seek(0)
        out, err = out_file.read(), err_file.read()
    if timed_out:
        raise HarnessError("%s %s did not end within %s s; output %r %r" % (exe, list(args), timeout, out[-2000:], err[-2000:]))
    return ProgramResult(process.returncode, out, err)


def run_timed(exe, args, cwd, timeout=120, env=None):
    """(exit status, output as text, seconds taken) of a Windows program."""
    start = time.monotonic()
    result = run_windows_program(exe, args, cwd, timeout, env)
    return result.returncode, result.text + result.stderr.decode("cp932", "replace"), time.monotonic() - start


# --------------------------------------------------------------------------
# FTP server

TEST_FTP_SERVER = RIG_DIR / "ftp_test_server.py"  # also the demo's (scripts/run.sh)


def _start_test_ftp_server(host, port, user, password, root, options=(), stderr=subprocess.DEVNULL):
    """TEST_FTP_SERVER in a process group of its own; returns the Popen."""
    command = [PYTHON, str(TEST_FTP_SERVER), "--host=" + host, "--port=%d" % port, "--user=" + user,
               "--password=" + password, "--root=" + str(root), *options]
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr,
                            start_new_session=True)


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

    Commands named in `without` are answered as unknown (500).
    """

    def __init__(self, home, user="vantrel", password="secret", host="127.0.0.5", port=21,
                 log_commands=True, without=()):
        self.home = Path(home)
        self.user, self.password, self.host, self.port = user, password, host, port
        self.without = without
        self._log = None
        if log_commands:
            handle, name = tempfile.mkstemp(prefix="ftp-commands-", suffix=".jsonl")
            os.close(handle)
            self._log = Path(name)
        self._process = None

    def start(self, timeout=15):
        self.home.mkdir(parents=True, exist_ok=True)
        # A server left over from a killed run would answer the readiness
        # probe in place of this one, with another home folder.
        try:
            socket.create_connection((self.host, self.port), timeout=1).close()
            raise HarnessError("%s:%d is already served by another process" % (self.host, self.port))
        except OSError:
            pass
        options = ["--without=" + ",".join(self.without)] + (["--log=%s" % self._log] if self._log else [])
        # pyftpdlib logs every connection to stderr: a file, because a pipe
        # nobody reads would fill up and stop the server in a long test.
        self._stderr = tempfile.TemporaryFile()
        self._process = _start_test_ftp_server(self.host, self.port, self.user, self.password, self.home, options,
                                               self._stderr)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                self._stderr.seek(0)
                raise HarnessError("FTP server on %s:%d ended: %s" % (
                    self.host, self.port, self._stderr.read().decode(errors="replace")))
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
        verb), "raw" (the line's bytes), "line" (decoded from code page 932) and
        "time" (when it arrived, seconds since the epoch)."""
        if self._log is None:
            raise HarnessError("FtpServer started without log_commands")
        entries = []
        for entry in self._read_log():
            raw = bytes.fromhex(entry["raw"])
            entries.append({"cmd": entry["cmd"], "raw": raw, "line": raw.decode("cp932", errors="replace"),
                            "time": entry["time"]})
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


class FaultServer:
    """A server on host:21 that misbehaves on purpose, by mode (the modes
    and what each does: MODES in tests/rig/ftp_test_server.py).

        with FaultServer(root, "put552", host, user, password): ...

    Its readiness probe sends no command: a mode that counts sessions
    (idle421, dropcwd) counts from their first command."""

    def __init__(self, root, mode, host, user, password):
        self.host = host
        self.process = _start_test_ftp_server(host, 21, user, password, root, ["--mode=" + mode])
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline and self.process.poll() is None:
            try:
                with socket.create_connection((host, 21), timeout=1) as probe:
                    if probe.recv(3) in (b"220", b"421", b"120"):
                        return
            except OSError:
                time.sleep(0.05)
        self.close()
        raise AssertionError(f"no {mode} FTP server on {host}:21")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# The tests of the FTP programs (ftp.exe, filelist.exe, FTPClient.exe): one
# server at port 21 of a loopback address, as on a machining centre, one login.
FTP_TEST_HOST = os.environ.get("VANTREL_FTP_TEST_HOST", "127.0.0.5")
FTP_DOWN_HOST = "127.0.0.6"  # nothing listens here
FTP_TEST_USER, FTP_TEST_PASSWORD = "mc1", "secret"


def MisbehavingFtpServer(root, mode):
    """A server on FTP_TEST_HOST that misbehaves by mode ("stall", "nopasv", "badpasv", ...: FaultServer)."""
    return FaultServer(root, mode, FTP_TEST_HOST, FTP_TEST_USER, FTP_TEST_PASSWORD)


# --------------------------------------------------------------------------
# Control files as the main program writes them


def script_path(path, encoding="utf-8"):
    """The Windows path as the bytes a control file holds (UTF-8; Shift-JIS for Windows 7)."""
    return windows_path(path).encode(encoding)


def put_line(local, remote=None, encoding="utf-8"):
    """The put line as the main program writes it: a value with a blank in
    double quotes, every other value byte for byte."""
    def quoted(value):
        return b'"' + value + b'"' if b" " in value else value
    line = b"put " + quoted(script_path(local, encoding))
    return line if remote is None else line + b" " + quoted(remote)


def control_file(host, user, password, folder, put):
    """The control file as the main program writes it."""
    lines = [b"open " + host.encode(), user.encode(), password.encode(), b"binary"]
    if folder is not None:
        lines.append(b"cd " + folder)
    lines += [put, b"quit"]
    return b"".join(line + b"\r\n" for line in lines)


# --------------------------------------------------------------------------
# Waiting


def wait_until(predicate, timeout=10, interval=0.1, what="condition"):
    """Calls predicate until it returns a true value, which is returned;
    raises HarnessError after timeout seconds. what may be a callable: it is
    called at the time-out, so the report can say what was there then."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError("timed out after %s s waiting for %s" % (timeout, what() if callable(what) else what))
        time.sleep(interval)


# --------------------------------------------------------------------------
# The driver (tests/rig/driver): another process's windows, from inside Wine


def driver(command, *args, timeout=30, check=True):
    """Runs `vdriver.exe command args...` and returns its JSON answer (dict).
    Raises HarnessError when the driver reports a failure and check is true."""
    for attempt in range(2):
        result = run_windows_program(DRIVER_EXE, [command] + [str(a) for a in args], timeout=timeout)
        lines = result.stdout.decode("utf-8", errors="replace").strip().splitlines()
        try:
            answer = json.loads(lines[-1])
            break
        except (IndexError, ValueError):
            # Seen once on a loaded machine: wine ended with 1 and no output
            # before the driver ran. Such a start is tried once more.
            if attempt == 1 or result.stdout:
                raise HarnessError("vdriver %s %s gave no JSON: %r" % (command, list(args), result))
            print("harness: vdriver %s gave no output (exit %s, errors %r); trying again" % (
                command, result.returncode, result.stderr[-1000:]), file=sys.stderr)
    if check and not answer.get("ok"):
        raise HarnessError("vdriver %s %s: %s" % (command, list(args), answer.get("error")))
    return answer


def kill_windows_of_class(class_name):
    """Terminates every process that owns a top-level window of the class
    (leftovers of a test that was killed before it could clean up).
    Returns the Windows process ids terminated."""
    pids = sorted({w["pid"] for w in top_level_windows() if w["class"] == class_name})
    for pid in pids:
        driver("kill", "--pid", pid, check=False)
    return pids


def top_level_windows(pid=None):
    """Top-level windows (of one Windows process id, or all): dicts with
    hwnd, pid, class, title, visible, rect [l, t, r, b], owner."""
    args = ["--pid", pid] if pid else []
    return driver("windows", *args)["windows"]


def screen_size():
    answer = driver("screen")
    return answer["width"], answer["height"]


def _decode_hex(text):
    return bytes.fromhex(text)


# --------------------------------------------------------------------------
# A throw-away program folder


def ini_text(data):
    """The text of an INI file from {section: {key: value}} (values str or int),
    or data itself when it is already a str."""
    if isinstance(data, str):
        return data
    lines = []
    for section, keys in data.items():
        lines.append("[%s]" % section)
        for key, value in keys.items():
            lines.append("%s=%s" % (key, value))
    return "\r\n".join(lines) + "\r\n"


def write_ini(path, data):
    """Writes an INI file as the program's own files are: code page 932, CR LF."""
    text = ini_text(data).replace("\r\n", "\n").replace("\n", "\r\n")
    Path(path).write_bytes(text.encode("cp932"))


class ProgramFolder:
    """A program folder under tmpdir: the executable (Vantrel.exe, or a
    renamed copy), filelist.exe and FTPClient.exe when built, tmp\\ and Log\\,
    and the settings file (base name of the executable + ".ini") when ini is
    given (str or dict, written in code page 932 with CR LF)."""

    def __init__(self, tmpdir, ini=None, exe_name="Vantrel.exe"):
        self.path = Path(tmpdir) / "program"
        self.path.mkdir(parents=True, exist_ok=True)
        self.exe_name = exe_name
        shutil.copyfile(VANTREL_EXE, self.path / exe_name)
        for sibling in (FILELIST_EXE, FTPCLIENT_EXE):
            if sibling.exists():
                shutil.copyfile(sibling, self.path / sibling.name)
        (self.path / "tmp").mkdir(exist_ok=True)
        (self.path / "Log").mkdir(exist_ok=True)
        if ini is not None:
            self.write_settings(ini)

    @property
    def exe(self):
        return self.path / self.exe_name

    @property
    def settings_path(self):
        base = self.exe_name.rsplit(".", 1)[0] if "." in self.exe_name else self.exe_name
        return self.path / (base + ".ini")

    def write_settings(self, data):
        write_ini(self.settings_path, data)

    def read_settings(self):
        return self.settings_path.read_bytes().decode("cp932")

    def write_machine_table(self, data, name="machines.ini"):
        write_ini(self.path / name, data)

    def write_help(self, help_ini, files=None):
        """help\\help.ini from help_ini (str or dict), and files {name: bytes or str}."""
        folder = self.path / "help"
        folder.mkdir(exist_ok=True)
        write_ini(folder / "help.ini", help_ini)
        for name, content in (files or {}).items():
            data = content.encode("cp932") if isinstance(content, str) else content
            (folder / name).write_bytes(data)

    def files(self, sub):
        """Names of the files in a sub-folder (e.g. "tmp", "Log")."""
        folder = self.path / sub
        return sorted(p.name for p in folder.iterdir()) if folder.exists() else []


# --------------------------------------------------------------------------
# The program under test


class Vantrel:
    """Vantrel.exe (or a renamed copy) started under Wine from its folder.

        with Vantrel(folder) as app:          # starts and waits for the window
            lines = app.list_lines(ids.IDC_MESSAGE_LIST)
            app.close()
            self.assertEqual(app.wait_exit(), 0)

    The process (and all it started) is killed when the block ends.
    Only one Vantrel may run at a time (single instance): start() first
    terminates any process that still has a window of class "Vantrel".
    """

    def __init__(self, folder, args=(), cwd=None):
        self.exe = folder.exe if isinstance(folder, ProgramFolder) else Path(folder)
        self.args = list(args)
        self.cwd = cwd or self.exe.parent
        self.process = None
        self.hwnd = None
        self.pid = None

    def launch(self):
        """Starts the process without waiting for anything. Wine's own error
        lines are kept for the report of a process that ends before its
        window (seen twice under load with status 1, from no code path of
        the program's own: every early end of Vantrel.exe returns 0)."""
        self.wine_errors = tempfile.TemporaryFile()
        self.process = start_windows_program(self.exe, self.args, self.cwd, stderr=self.wine_errors,
                                             env={"WINEDEBUG": "-all,err+all"})
        return self

    def start(self, timeout=30):
        """Starts the process and waits for its main window."""
        leftovers = kill_windows_of_class("Vantrel")
        if leftovers:
            print("harness: terminated a leftover Vantrel (pid %s)" % leftovers, file=sys.stderr)
            # Termination is asynchronous: a window still there would make
            # the new start hand over to it and end (single instance).
            wait_until(lambda: not [w for w in top_level_windows() if w["class"] == "Vantrel"],
                       timeout=15, what="the leftover Vantrel window to go")
        self.launch()
        self.wait_window(timeout)
        return self

    def wait_window(self, timeout=30):
        answer = driver("find", "--class", "Vantrel", "--timeout", int(timeout * 1000), timeout=timeout + 30,
                        check=False)
        if not answer.get("ok"):
            code = self.process.poll()
            self.wine_errors.seek(0)
            errors = self.wine_errors.read().decode(errors="replace").strip()
            raise HarnessError("no Vantrel window within %s s (process %s)%s" % (
                timeout, "running" if code is None else "ended with %d" % code,
                "; Wine said:\n" + errors if errors else ""))
        self.hwnd, self.pid = answer["hwnd"], answer["pid"]
        return answer

    # reading
    def list_lines(self, control_id=ids.IDC_MESSAGE_LIST):
        """Lines of a list box of the main window (IDC_MESSAGE_LIST, IDC_SERVER_FILE_LIST), as str."""
        return [line.decode("cp932") for line in self.list_lines_bytes(control_id)]

    def list_lines_bytes(self, control_id=ids.IDC_MESSAGE_LIST):
        """The same lines as code page 932 bytes."""
        answer = driver("listbox", "--hwnd", self.hwnd, "--id", control_id)
        return [_decode_hex(h) for h in answer["lines_hex"]]

    def combo(self, control_id=ids.IDC_MACHINE_COMBO):
        """The machine combo box: {"text", "selected", "items"} (str)."""
        answer = driver("combo", "--hwnd", self.hwnd, "--id", control_id)
        return {"text": _decode_hex(answer["text_hex"]).decode("cp932"), "selected": answer["selected"],
                "items": [_decode_hex(h).decode("cp932") for h in answer["items_hex"]]}

    def text(self, control_id=None):
        """WM_GETTEXT of the main window or one of its controls, as str."""
        args = ["--hwnd", self.hwnd] + (["--id", control_id] if control_id is not None else [])
        return _decode_hex(driver("text", *args)["text_hex"]).decode("cp932")

    def status_text(self):
        """The first part (0) of the status bar (IDC_STATUS_BAR) only: WM_GETTEXT answers part 0 and
        SB_GETTEXT is not marshalled between processes under Wine."""
        return self.text(ids.IDC_STATUS_BAR)

    def window_state(self):
        """{"rect": [l, t, r, b], "client", "visible", "iconic", "enabled",
        "foreground", "screen_width", "screen_height"} of the main window."""
        return driver("rect", "--hwnd", self.hwnd)

    def windows(self):
        """Top-level windows of this process."""
        return top_level_windows(self.pid)

    def dialogs(self):
        """Visible "#32770" windows of this process (message boxes and dialogs)."""
        return driver("dialogs", "--pid", self.pid)["dialogs"]

    # acting
    def command(self, command_id, code=0, send=False):
        """WM_COMMAND to the main window (posted; sent with send=True, which
        waits until the command has been handled)."""
        args = ["--hwnd", self.hwnd, "--id", command_id, "--code", code] + (["--send"] if send else [])
        return driver("command", *args)

    def set_text(self, control_id, text):
        return driver("settext", "--hwnd", self.hwnd, "--id", control_id, "--hex", text.encode("cp932").hex())

    def show(self, show_command):
        """ShowWindowAsync on the main window (6 minimise, 9 restore)."""
        return driver("show", "--hwnd", self.hwnd, "--cmd", show_command)

    def close(self):
        """Posts WM_CLOSE to the main window."""
        return driver("close", "--hwnd", self.hwnd)

    def expect_box(self, timeout=10, button=None, close=False):
        """Waits for a message box or dialog of this process and ends it (its
        default button, the given button id, or WM_CLOSE with close=True).
        Returns {"message_box", "caption", "text", "icon" (error,
        information, warning, question, other, none), "buttons", "pressed"}."""
        args = ["--pid", self.pid, "--timeout", int(timeout * 1000)]
        if close:
            args.append("--close")
        elif button is not None:
            args += ["--button", button]
        answer = driver("answer", *args, timeout=timeout + 30, check=False)
        if not answer.get("ok"):
            raise HarnessError("no message box or dialog within %s s" % timeout)
        box = answer["dialog"]
        return {"message_box": box["message_box"], "caption": _decode_hex(box["caption_hex"]).decode("cp932"),
                "text": _decode_hex(box["text_hex"]).decode("cp932"), "icon": box["icon"],
                "buttons": box["buttons"], "pressed": answer["pressed"]}

    def settle(self, timeout=120):
        """Waits until the main window has finished what it is doing (its
        start-up steps, a drop it has begun, a command) and answers every box
        that comes meanwhile; returns those boxes (as expect_box). A command
        sent to the window is handled once the window reads its messages
        again: after the work, or inside a box's own message loop. While a
        drop's transfer runs, the window serves messages but handles no
        command, and answers one with non-zero ("not handled")."""
        boxes = []
        deadline = time.monotonic() + timeout
        while True:
            answer = self.command(1, send=True)  # IDOK: does nothing in the main window
            if self.dialogs():
                boxes.append(self.expect_box())
            elif answer.get("result", 0) == 0:
                return boxes
            elif time.monotonic() > deadline:
                raise HarnessError("the window was still busy after %s s" % timeout)
            else:
                time.sleep(0.05)

    def ping(self, timeout_ms=1000):
        """WM_NULL sent with SendMessageTimeout: {"ok": answered in time, "ms": how long it took}."""
        return driver("ping", "--hwnd", self.hwnd, "--timeout", timeout_ms)

    def wait_exit(self, timeout=30):
        """Waits for the process to end; returns its exit code."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("Vantrel did not end within %s s" % timeout)

    def kill(self):
        """Ends the process. The Windows process is terminated through the
        driver: killing the launcher's process group does not always reach it."""
        if self.process is None:
            return
        if self.pid is not None and self.process.poll() is None:
            driver("kill", "--pid", self.pid, check=False)
        _kill_group(self.process)

    def __enter__(self):
        if self.process is None:
            self.start()
        return self

    def __exit__(self, *exc):
        self.kill()

    def __del__(self):
        self.kill()


# --------------------------------------------------------------------------
# Drag and drop, screenshots


def window_centre(target):
    """Screen coordinates of the centre of a window (hwnd text) or of a
    rectangle [left, top, right, bottom]."""
    rect = driver("rect", "--hwnd", target)["rect"] if isinstance(target, str) else target
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


# Two presses of a mouse button inside the double-click rectangle (4 x 4
# pixels around the first: SM_CXDOUBLECLK and SM_CYDOUBLECLK in the test
# prefix) within the double-click time (500 ms) are a double click; whether
# the steps between two presses take longer depends on the machine. So two
# presses in a row never fall on one spot: press_spot moves the second aside.
DOUBLE_CLICK_SIZE = 4  # pixels, as measured
_last_press = [None]


def press_spot(rect):
    """Where to press next in a rectangle [left, top, right, bottom] (a row,
    a header item): at its middle height, its centre or a quarter of its
    width to the left or right, the first of these outside the double-click
    rectangle of the previous press made here. Remembered as that press."""
    left, top, right, bottom = rect
    centre, y = (left + right) // 2, (top + bottom) // 2
    last = _last_press[0]
    for x in (centre, centre - (right - left) // 4, centre + (right - left) // 4):
        if last is None or abs(x - last[0]) > DOUBLE_CLICK_SIZE or abs(y - last[1]) > DOUBLE_CLICK_SIZE:
            _last_press[0] = (x, y)
            return x, y
    raise HarnessError("%s is too narrow to press it away from the press at %s" % (rect, last))


def drop(target, paths, timeout=20):
    """Drops files on the centre of a window (hwnd text) or rectangle, as a
    Linux file manager would (XDND). The drop arrives as WM_DROPFILES some
    time later: poll for its effect. Raises HarnessError when refused."""
    x, y = window_centre(target)
    command = [str(DROP_TOOL), "--x", str(x), "--y", str(y), "--timeout", str(int(timeout * 1000))]
    command += [str(Path(p).absolute()) for p in paths]
    try:
        result = subprocess.run(command, env=wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout + 10)
    except subprocess.TimeoutExpired:
        raise HarnessError("drop tool did not end")
    if result.returncode != 0:
        raise HarnessError("drop refused or failed (%d): %s" % (
            result.returncode, result.stderr.decode(errors="replace").strip()))


def xdotool(*args):
    return subprocess.run(["xdotool", *args], env=wine_env(), capture_output=True, text=True, timeout=30)


def press_keys(window, *keys):
    """Focuses an X window (xdotool's id) and presses the keys in order, as
    a user would. Wine hands each key to the window that has the focus when
    the key is read, so a key that moves the focus may be followed at once;
    the caller waits for the effect (a focus, a selection, a status text)."""
    xdotool("windowfocus", "--sync", str(window))
    if keys:
        xdotool("key", "--delay", "30", *keys)


def screenshot(path):
    """Saves the whole virtual screen as an image (PNG by the file name)."""
    subprocess.run(["import", "-display", wine_env()["DISPLAY"], "-window", "root", str(path)], check=True,
                   stdin=subprocess.DEVNULL, timeout=30)
