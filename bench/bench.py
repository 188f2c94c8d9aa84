"""Vantrel performance bench: the real programs under Wine against pyftpdlib
on loopback, side by side with curl and with the floor the transfer design
allows. Run through bench/run.sh, which builds everything and provides the
Wine prefix and display; prints a Markdown table (and writes it with --out).

Every figure is the median of --reps repetitions taken in this run.
"""
import argparse
import json
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import vantrel_e2e as e2e  # noqa: E402

PROBE = Path(os.environ.get("VANTREL_BENCH_PROBE", e2e.VANTREL_EXE.parents[1] / "bench" / "probe.exe"))
NOOP = Path(os.environ.get("VANTREL_BENCH_NOOP", e2e.VANTREL_EXE.parents[1] / "bench" / "noop.exe"))
WINSOCK_COST = Path(os.environ.get("VANTREL_BENCH_WINSOCK_COST",
                                   e2e.VANTREL_EXE.parents[1] / "bench" / "winsock_cost.exe"))
# The upload's own sends: blocks of 1 MiB into a 512 KiB send buffer (ftp/session_data.cpp).
UPLOAD_BLOCK_KIB, UPLOAD_SEND_BUFFER_KIB = 1024, 512
USER, PASSWORD, FOLDER = "vantrel", "secret", "NCDATA"
PAUSE_MS = 100  # the pause Vantrel takes after writing each put command
# Drops held to 1.3 x the silent floor (the client runs without a console
# now, so the console's first output is no longer part of its cost): one
# drop's XDND hand-shake and WM_DROPFILES delivery weigh on a single file
# alone.
DROP_TARGET_COUNTS = (10, 100)
DROP_TARGET = 1.3
POLL_S = 0.002  # file-system polling interval for "file complete"
# The delivery check (verify=1) is timed on files of these sizes; what it
# may add per file on loopback, where a target is set.
VERIFY_SIZES = ((5000, "5 KB"), (1_000_000, "1 MB"))
VERIFY_TARGET_MS = {5000: 60}
# What the check before the client (a login and the initial folder) may add per 5 KB file on loopback.
CHECK_TARGET_MS = 30


def median(values):
    return statistics.median(values)


def probe(*args, timeout=600):
    result = e2e.run_windows_program(PROBE, [str(a) for a in args], timeout=timeout)
    lines = result.stdout.decode(errors="replace").strip().splitlines()
    answer = json.loads(lines[-1]) if lines else {}
    if not answer.get("ok"):
        raise e2e.HarnessError("probe %s: %r" % (list(args), result))
    return answer


def machine_table(host):
    return {"machine": {"machine0": "MC1", "default": 0},
            "MC1": {"address": host, "username": USER, "password": PASSWORD, "extention": 0, "initpath": FOLDER}}


def program_folder(root, host):
    folder = e2e.ProgramFolder(root, {"table": {"machine": "machines.ini"}})
    folder.write_machine_table(machine_table(host))
    return folder


def clear_folder(path):
    for entry in path.iterdir():
        entry.unlink()


def curl_upload(path, host):
    """One curl process per file: a login per file, as Vantrel's ftp.exe runs.
    Returns curl's (time_pretransfer, time_total) in seconds."""
    result = subprocess.run(["curl", "-s", "-S", "-w", "%{time_pretransfer} %{time_total}", "-T", str(path),
                             "ftp://%s:%s@%s/%s/" % (USER, PASSWORD, host, FOLDER)],
                            check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=120)
    return [float(x) for x in result.stdout.split()]


def wait_complete(path, size, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if path.stat().st_size == size:
                return time.monotonic()
        except FileNotFoundError:
            pass
        time.sleep(POLL_S)
    raise e2e.HarnessError("%s not complete within %s s" % (path, timeout))


class Bench:
    def __init__(self, args):
        self.args = args
        self.tmp = Path(tempfile.mkdtemp(prefix="vantrel-bench-"))
        self.rows = []
        self.notes = []

    def close(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def row(self, what, ours, baseline, baseline_name, target, ok):
        """One line of the table; ok None means reported without a target."""
        ratio = ours / baseline if baseline else float("nan")
        self.rows.append((what, ours, baseline, baseline_name, ratio, target, ok))
        print("bench: %-48s %9.1f vs %9.1f (%s) ratio %.2f  target %s  %s" % (
            what, ours, baseline, baseline_name, ratio, target, {True: "met", False: "MISSED", None: "-"}[ok]),
            flush=True)

    # ------------------------------------------------------------------
    def launch_floor(self):
        """ShellExecuteExA + wait of a do-nothing console program, in ms:
        printing one line (the console's first output, which ftp.exe like any
        console client that reports what it does pays) and, for reference,
        silent."""
        answer = probe("launch", self.args.launches, e2e.windows_path(NOOP))
        self.launch_ms = median(answer["ms"])
        self.notes.append("ShellExecuteExA + wait of noop.exe: median %.1f ms of %d (min %.1f, max %.1f)" % (
            self.launch_ms, len(answer["ms"]), min(answer["ms"]), max(answer["ms"])))
        # The same with one line of output: the console window's first write.
        answer = probe("launch", self.args.launches, e2e.windows_path(NOOP), "ftp> quit")
        self.console_launch_ms = median(answer["ms"])
        self.notes.append("ShellExecuteExA + wait of noop.exe printing one line: median %.1f ms of %d (min %.1f, "
                          "max %.1f)" % (self.console_launch_ms, len(answer["ms"]), min(answer["ms"]),
                                         max(answer["ms"])))
        return self.launch_ms

    def drops(self, home):
        folder = program_folder(self.tmp / "drop", self.args.host)
        incoming = home / FOLDER
        sources_root = self.tmp / "sources"
        with e2e.Vantrel(folder) as app:
            for count in self.args.counts:
                files = nc_files(sources_root / str(count), "O", count, 5000)
                ours, curl = [], []
                done_runs = 0
                for _ in range(self.args.reps):
                    clear_folder(incoming)
                    # Wine answers the drop (XdndFinished) only once Vantrel has
                    # handled WM_DROPFILES, i.e. after the last transfer: the
                    # drop tool runs beside the wait for the last file.
                    start = time.monotonic()
                    dropper = threading.Thread(target=e2e.drop, args=(app.hwnd, files),
                                               kwargs={"timeout": 60 + count * 10})
                    dropper.start()
                    end = wait_complete(incoming / files[-1].name, 5000, timeout=60 + count * 10)
                    dropper.join()
                    ours.append((end - start) * 1000 / count)
                    done_runs += count
                    # The next drop only once Vantrel is back in its message loop.
                    e2e.wait_until(lambda: sum(1 for line in app.list_lines() if line.startswith("... 転送ファイル "))
                                   >= done_runs, timeout=60, what="Vantrel idle")
                    for path in files:
                        if (incoming / path.name).read_bytes() != path.read_bytes():
                            raise e2e.HarnessError("%s arrived damaged" % path.name)
                    errors = [line for line in app.list_lines() if line.startswith("エラー")]
                    if errors:
                        raise e2e.HarnessError("Vantrel reported %r" % errors[:3])

                    clear_folder(incoming)
                    start = time.monotonic()
                    for path in files:
                        curl_upload(path, self.args.host)
                    curl.append((time.monotonic() - start) * 1000 / count)
                    if len(list(incoming.iterdir())) != count:
                        raise e2e.HarnessError("curl did not upload every file")
                self.drop_row("drop of %d × 5 KB, ms per file" % count, count, ours, curl)

    def drop_row(self, what, count, ours, curl):
        """Reports per-file times of drops of `count` files against the silent
        floor: pause + do-nothing console program printing nothing + curl per
        file; the floor with one console line beside it."""
        curl_ms, ours_ms = median(curl), median(ours)
        floor = PAUSE_MS + self.console_launch_ms + curl_ms
        silent_floor = PAUSE_MS + self.launch_ms + curl_ms
        versus = "floor %.1f (%.2f × floor; silent floor %.1f, %.2f ×)" % (
            floor, ours_ms / floor, silent_floor, ours_ms / silent_floor)
        if count in DROP_TARGET_COUNTS:
            self.row(what, ours_ms, curl_ms, "curl", "≤ %.1f × silent floor; %s" % (DROP_TARGET, versus),
                     ours_ms <= DROP_TARGET * silent_floor)
        else:
            self.row(what, ours_ms, curl_ms, "curl", "none; " + versus, None)
        self.notes.append("%s: %s (from the start of the drop to the last file complete, divided by %d); curl "
                          "per file %s ms" % (what, fmt(ours), count, fmt(curl)))

    def verify_cost(self):
        """Drops of 10 files of 5 KB and of 1 MB with verify=0 and with
        verify=1, taken in turn by one Vantrel (the key is read at each
        transfer): what the delivery check (one more login, SIZE, and the
        file read back and compared) adds per file. Each time runs from the
        start of the drop to the drop's answer, which Wine gives once Vantrel
        has handled WM_DROPFILES, i.e. after the last transfer and its check.
        The server (on the list host, free at this point) stamps each
        command, which times the check's own conversation."""
        count = 10
        home = self.tmp / "server-verify"
        incoming = home / FOLDER
        incoming.mkdir(parents=True)
        # Not empty at start, or the start-up file list would say so in a box.
        (incoming / "O0000").write_bytes(b"%\r\nO0000\r\nM30\r\n%\r\n")
        folder = program_folder(self.tmp / "verify", self.args.list_host)
        with e2e.FtpServer(home, host=self.args.list_host) as server, e2e.Vantrel(folder) as app:
            for size, label in VERIFY_SIZES:
                files = nc_files(self.tmp / ("verify-sources-%d" % size), "V", count, size)
                per_file = {0: [], 1: []}
                talk, after_client = [], []
                for _ in range(self.args.reps):
                    for verify in (0, 1):
                        folder.write_settings({"table": {"machine": "machines.ini"}, "Vantrel": {"verify": verify}})
                        clear_folder(incoming)
                        confirmed = sum(1 for line in app.list_lines() if line.startswith("... 転送確認済み "))
                        seen = len(server.commands())
                        per_file[verify].append(timed_drop(app, files, incoming))
                        lines = app.list_lines()
                        now_confirmed = sum(1 for line in lines if line.startswith("... 転送確認済み "))
                        if now_confirmed - confirmed != count * verify:
                            raise e2e.HarnessError("verify=%d confirmed %d of %d files" % (
                                verify, now_confirmed - confirmed, count))
                        errors = [line for line in lines if line.startswith("エラー")]
                        if errors or app.dialogs():
                            raise e2e.HarnessError("Vantrel reported %r" % errors[:3])
                        if verify:
                            spans = check_spans(server.commands()[seen:])
                            if len(spans) != count:
                                raise e2e.HarnessError("%d checks seen by the server" % len(spans))
                            talk += [s[0] for s in spans]
                            after_client += [s[1] for s in spans]
                plain, checked = median(per_file[0]), median(per_file[1])
                # Each verify=1 drop follows its verify=0 drop at once: the pair's
                # difference is the steadier figure when the machine's load drifts.
                extra = median([b - a for a, b in zip(per_file[0], per_file[1])])
                what = "drop of %d × %s with verify=1, ms per file" % (count, label)
                if size in VERIFY_TARGET_MS:
                    limit = VERIFY_TARGET_MS[size]
                    self.row(what, checked, plain, "verify=0", "check ≤ %d ms per file (adds %.1f)" % (limit, extra),
                             extra <= limit)
                else:
                    self.row(what, checked, plain, "verify=0", "none (adds %.1f ms per file)" % extra, None)
                self.notes.append("verify, %s: drop of %d, ms per file from the drop to its answer, verify=0 %s, "
                                  "verify=1 %s; the check adds %.1f ms per file (median of the pairs' differences %s)"
                                  % (label, count, fmt(per_file[0]), fmt(per_file[1]), extra,
                                     fmt([b - a for a, b in zip(per_file[0], per_file[1])])))
                self.notes.append("verify, %s: as the server saw the %d checks, USER to QUIT median %.1f ms (min %.1f, "
                                  "max %.1f); from the client's QUIT to the check's QUIT (the client's ending, "
                                  "Vantrel's wake-up, connect and greeting included) median %.1f ms (min %.1f, max %.1f)"
                                  % (label, len(talk), median(talk), min(talk), max(talk), median(after_client),
                                     min(after_client), max(after_client)))

    def backup_cost(self):
        """Drops of 10 files of 5 KB, each with an older copy of its name on
        the machine, with backup=0 and at once with backup=1, taken in turn
        by one Vantrel (the key is read at each transfer): what keeping the
        machine's copy (one more login, SIZE, the old file read into
        backup\\) adds per file. Timed as verify_cost times its drops."""
        count, size = 10, 5000
        home = self.tmp / "server-backup"
        incoming = home / FOLDER
        incoming.mkdir(parents=True)
        folder = program_folder(self.tmp / "backup", self.args.list_host)
        kept = folder.path / "backup"
        files = nc_files(self.tmp / "backup-sources", "B", count, size)
        old = {path.name: nc_text(size, i + 100) for i, path in enumerate(files)}
        # There at start too, or the start-up file list would say it is empty in a box.
        for name, content in old.items():
            (incoming / name).write_bytes(content)
        per_file = {0: [], 1: []}
        with e2e.FtpServer(home, host=self.args.list_host, log_commands=False), e2e.Vantrel(folder) as app:
            for _ in range(self.args.reps):
                for backup in (0, 1):
                    folder.write_settings({"table": {"machine": "machines.ini"}, "Vantrel": {"backup": backup}})
                    for name, content in old.items():
                        (incoming / name).write_bytes(content)
                    if kept.exists():
                        shutil.rmtree(kept)
                    per_file[backup].append(timed_drop(app, files, incoming))
                    copies = sorted(p.read_bytes() for p in kept.rglob("*") if p.is_file()) if kept.exists() else []
                    if copies != (sorted(old.values()) if backup else []):
                        raise e2e.HarnessError("backup=%d kept %d copies, not the old files" % (backup, len(copies)))
                    errors = [line for line in app.list_lines() if line.startswith("エラー")]
                    if errors or app.dialogs():
                        raise e2e.HarnessError("Vantrel reported %r" % errors[:3])
        differences = [b - a for a, b in zip(per_file[0], per_file[1])]
        extra = median(differences)
        self.row("drop of %d × 5 KB with backup=1 (old copy present), ms per file" % count, median(per_file[1]),
                 median(per_file[0]), "backup=0", "none (adds %.1f ms per file)" % extra, None)
        self.notes.append("backup, 5 KB: drop of %d over old copies, ms per file from the drop to its answer, backup=0 "
                          "%s, backup=1 %s; keeping the copies adds %.1f ms per file (median of the pairs' "
                          "differences %s)" % (count, fmt(per_file[0]), fmt(per_file[1]), extra, fmt(differences)))

    def check_cost(self):
        """Drops of 10 files of 5 KB with check=0 and at once with check=1,
        taken in turn by one Vantrel (the key is read at each transfer): what
        the check before the client (one more login, OPTS UTF8 ON where the
        system's client sends it, the initial folder) adds per file. Timed as
        verify_cost times its drops."""
        count = 10
        home = self.tmp / "server-check"
        incoming = home / FOLDER
        incoming.mkdir(parents=True)
        (incoming / "O0000").write_bytes(b"%\r\nO0000\r\nM30\r\n%\r\n")
        folder = program_folder(self.tmp / "check", self.args.list_host)
        files = nc_files(self.tmp / "check-sources", "C", count, 5000)
        per_file = {0: [], 1: []}
        talk = []
        with e2e.FtpServer(home, host=self.args.list_host) as server, e2e.Vantrel(folder) as app:
            for _ in range(self.args.reps):
                for check in (0, 1):
                    folder.write_settings({"table": {"machine": "machines.ini"}, "Vantrel": {"check": check}})
                    for path in files:
                        (incoming / path.name).unlink(missing_ok=True)
                    seen = len(server.commands())
                    per_file[check].append(timed_drop(app, files, incoming))
                    commands = server.commands()[seen:]
                    logins = [c["cmd"] for c in commands].count("USER")
                    if logins != count * (1 + check):
                        raise e2e.HarnessError("check=%d: %d logins for %d files" % (check, logins, count))
                    if check:
                        talk += session_spans(commands, lambda cmds: "STOR" not in cmds)
                    errors = [line for line in app.list_lines() if line.startswith("エラー")]
                    if errors or app.dialogs():
                        raise e2e.HarnessError("Vantrel reported %r" % errors[:3])
        differences = [b - a for a, b in zip(per_file[0], per_file[1])]
        extra = median(differences)
        self.row("drop of %d × 5 KB with check=1, ms per file" % count, median(per_file[1]), median(per_file[0]),
                 "check=0", "check ≤ %d ms per file (adds %.1f)" % (CHECK_TARGET_MS, extra), extra <= CHECK_TARGET_MS)
        self.notes.append("check, 5 KB: drop of %d, ms per file from the drop to its answer, check=0 %s, check=1 %s; "
                          "the check adds %.1f ms per file (median of the pairs' differences %s)"
                          % (count, fmt(per_file[0]), fmt(per_file[1]), extra, fmt(differences)))
        self.notes.append("check, 5 KB: as the server saw the %d checks, first command to QUIT median %.1f ms (min %.1f, "
                          "max %.1f; the connection and the greeting before it not seen)"
                          % (len(talk), median(talk), min(talk), max(talk)))

    def bare_send_ms(self, mib):
        """A bare Winsock send loop in the same prefix, the upload's blocks and
        send buffer, to a sink on the bench's host that reads and drops: the
        most a Windows program gets from Wine here. Milliseconds from the
        first send to the sink's close after the last byte."""
        sink = socket.create_server((self.args.host, 0))
        port = sink.getsockname()[1]
        def drain():
            connection, _ = sink.accept()
            with connection:
                while connection.recv(1 << 20):
                    pass
        reader = threading.Thread(target=drain)
        reader.start()
        result = e2e.run_windows_program(WINSOCK_COST, [self.args.host, str(port), str(mib), str(UPLOAD_BLOCK_KIB),
                                                        str(UPLOAD_SEND_BUFFER_KIB)], timeout=300)
        reader.join(60)
        sink.close()
        lines = [line for line in result.text.splitlines() if line.startswith("{")]
        if result.returncode != 0 or not lines:
            raise e2e.HarnessError("winsock_cost.exe did not send: %r" % result)
        return json.loads(lines[0])["confirmed_ms"]

    def big_file(self, home):
        size = self.args.big_mb * 1024 * 1024
        source = self.tmp / "BIG0001"
        with open(source, "wb") as out:
            chunk = nc_text(1024 * 1024, 7)
            for _ in range(self.args.big_mb):
                out.write(chunk)
        control = self.tmp / "big-control.txt"
        control.write_bytes(("open %s\r\n%s\r\n%s\r\nbinary\r\ncd %s\r\nput %s %s\r\nquit\r\n" % (
            self.args.host, USER, PASSWORD, FOLDER, e2e.windows_path(source), source.name)).encode("cp932"))
        target = home / FOLDER / source.name
        ftp_exe = Path(os.environ.get("VANTREL_FTP_EXE", e2e.FTP_EXE))
        ours, curl, ours_put, curl_put, bare = [], [], [], [], []
        for _ in range(self.args.reps):
            bare.append(self.bare_send_ms(self.args.big_mb))
            # The whole run as Vantrel makes it: shell start, console, login, put, quit.
            answer = probe("launch", 1, "ftp.exe", "-s:" + e2e.windows_path(control))
            if answer["exit_codes"] != [0] or target.stat().st_size != size:
                raise e2e.HarnessError("ftp.exe did not send the file: %r" % answer)
            ours.append(answer["ms"][0])
            target.unlink()
            # The put alone, as ftp.exe reports it ("... bytes sent in S Seconds").
            result = e2e.run_windows_program(ftp_exe, ["-s:" + e2e.windows_path(control)], timeout=300)
            # The rate has more digits than the seconds (10 ms steps).
            match = re.search(r"(\d+) bytes sent in [\d.]+Seconds ([\d.]+)Kbytes/sec", result.text)
            if result.returncode != 0 or not match or int(match.group(1)) != size:
                raise e2e.HarnessError("ftp.exe did not send the file: %r" % result)
            ours_put.append(size / 1000 / float(match.group(2)) * 1000)
            target.unlink()
            start = time.monotonic()
            timing = curl_upload(source, self.args.host)
            curl.append((time.monotonic() - start) * 1000)
            curl_put.append((timing[1] - timing[0]) * 1000)
            if target.stat().st_size != size:
                raise e2e.HarnessError("curl did not send the file")
            target.unlink()
        mb = size / 1e6
        ours_rate, curl_rate = mb / (median(ours) / 1000), mb / (median(curl) / 1000)
        self.row("%d MiB, whole run (Vantrel's way vs curl), MB/s" % self.args.big_mb, ours_rate, curl_rate, "curl",
                 "≥ 0.9 × curl", ours_rate >= 0.9 * curl_rate)
        ours_rate, curl_rate = mb / (median(ours_put) / 1000), mb / (median(curl_put) / 1000)
        self.row("%d MiB, data phase only, MB/s" % self.args.big_mb, ours_rate, curl_rate, "curl",
                 "≥ 0.9 × curl", ours_rate >= 0.9 * curl_rate)
        bare_rate = mb / (median(bare) / 1000)
        ours_rate = mb / (median(ours_put) / 1000)
        self.row("%d MiB, data phase beside a bare Winsock send loop, MB/s" % self.args.big_mb, ours_rate, bare_rate,
                 "send loop", "≥ 0.9 × send loop", ours_rate >= 0.9 * bare_rate)
        self.notes.append("%d MiB: bare Winsock send loop in the prefix (winsock_cost.exe, %d KiB sends, %d KiB send "
                          "buffer, to a sink that drops) %s ms" % (self.args.big_mb, UPLOAD_BLOCK_KIB,
                                                                   UPLOAD_SEND_BUFFER_KIB, fmt(bare)))
        self.notes.append("%d MiB: ftp.exe whole run %s ms (ShellExecuteExA to end), put alone %s ms (from ftp.exe's "
                          "own report: PASV to the 226 reply); curl whole run %s ms, transfer %s ms (time_total - "
                          "time_pretransfer)" % (self.args.big_mb, fmt(ours), fmt(ours_put), fmt(curl), fmt(curl_put)))

    def startup(self):
        folder = program_folder(self.tmp / "startup", self.args.host)
        exe = e2e.windows_path(folder.exe)
        probe("startup", exe, timeout=120)  # warm-up, not counted
        runs = [probe("startup", exe, timeout=120) for _ in range(self.args.reps)]
        both = [max(r["visible_ms"], r["banner_ms"]) for r in runs]
        gap = max(r["longest_poll_gap_ms"] for r in runs)
        self.row("start-up to banner and window shown, ms", median(both), 1000, "target", "< 1000 ms",
                 median(both) < 1000)
        self.notes.append("start-up: window visible %s ms, banner readable %s ms, both %s ms; polling every 1 ms, "
                          "longest gap between polls %.1f ms" % (
                              fmt([r["visible_ms"] for r in runs]), fmt([r["banner_ms"] for r in runs]), fmt(both),
                              gap))

    def refresh(self):
        home = self.tmp / "server-many"
        (home / FOLDER).mkdir(parents=True)
        for i in range(self.args.list_files):
            (home / FOLDER / ("O%04d" % i)).write_bytes(b"%\r\nM30\r\n%\r\n")
        folder = program_folder(self.tmp / "refresh", self.args.list_host)
        with e2e.FtpServer(home, host=self.args.list_host, log_commands=False):
            with e2e.Vantrel(folder) as app:
                answer = probe("refresh", app.hwnd, self.args.reps)
                if any(int(n) != self.args.list_files for n in answer["entries"]):
                    raise e2e.HarnessError("refresh listed %r entries" % answer["entries"])
                app.close()
                app.wait_exit()
            sibling = probe("launch", self.args.reps, e2e.windows_path(folder.path / "filelist.exe"),
                            "%s %s %s %s" % (self.args.list_host, USER, PASSWORD, FOLDER))
            if any(int(c) != 0 for c in sibling["exit_codes"]):
                raise e2e.HarnessError("filelist.exe failed: %r" % sibling)
        refresh_ms, sibling_ms = median(answer["ms"]), median(sibling["ms"])
        self.row("refresh with %d files, ms" % self.args.list_files, refresh_ms, sibling_ms, "filelist.exe alone",
                 "< 1000 + filelist.exe", refresh_ms < 1000 + sibling_ms)
        self.notes.append("refresh: command %s ms; filelist.exe alone (ShellExecuteExA + wait) %s ms" % (
            fmt(answer["ms"]), fmt(sibling["ms"])))

    def listing(self):
        """filelist.exe and FTPClient.exe on a folder of N names, to the list
        shown (filelist.exe: started and ended, its list file written;
        FTPClient.exe: from its start to the status line's "完了" with every
        row in the server pane), beside curl's listing of the same folder
        (NLST for filelist.exe, LIST for FTPClient.exe, as each asks)."""
        local = self.tmp / "listing-local"
        local.mkdir()
        (local / "LOCAL.NC").write_bytes(b"%\r\nM30\r\n%\r\n")
        for count in self.args.listing_counts:
            home = self.tmp / ("server-listing-%d" % count)
            (home / FOLDER).mkdir(parents=True)
            for i in range(count):
                (home / FOLDER / ("O%06d.NC" % i)).write_bytes(b"")
            folder = program_folder(self.tmp / ("listing-%d" % count), self.args.list_host)
            list_file = folder.path / "tmp" / "filelist.tmp"
            client_args = "--host %s --user %s --password %s --encoding sjis --remote-dir %s --local-dir %s\\" % (
                self.args.list_host, USER, PASSWORD, FOLDER, e2e.windows_path(local))
            filelist, client, curl_names, curl_list = [], [], [], []
            with e2e.FtpServer(home, host=self.args.list_host, log_commands=False):
                for _ in range(self.args.reps):
                    answer = probe("launch", 1, e2e.windows_path(folder.path / "filelist.exe"),
                                   "%s %s %s %s" % (self.args.list_host, USER, PASSWORD, FOLDER), timeout=900)
                    lines = list_file.read_bytes().count(b"\n") if list_file.exists() else -1
                    if answer["exit_codes"] != [0] or lines != count:
                        raise e2e.HarnessError("filelist.exe listed %d of %d names: %r" % (lines, count, answer))
                    filelist.append(answer["ms"][0])
                    list_file.unlink()
                    answer = probe("client", e2e.windows_path(e2e.FTPCLIENT_EXE), client_args, timeout=900)
                    if answer["rows"] != count + 1:  # and ".."
                        raise e2e.HarnessError("FTPClient.exe showed %d rows of %d" % (answer["rows"], count + 1))
                    client.append(answer["shown_ms"])
                    for option, times in (("-l", curl_names), (None, curl_list)):
                        start = time.monotonic()
                        result = subprocess.run(["curl", "-s", "-S"] + ([option] if option else []) + [
                            "ftp://%s:%s@%s/%s/" % (USER, PASSWORD, self.args.list_host, FOLDER)],
                            check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=600)
                        times.append((time.monotonic() - start) * 1000)
                        if result.stdout.count(b"\n") != count:
                            raise e2e.HarnessError("curl listed %d of %d names" % (result.stdout.count(b"\n"), count))
            self.row("filelist.exe, %d names, ms" % count, median(filelist), median(curl_names), "curl NLST",
                     "none", None)
            self.row("FTPClient.exe, %d names to the list shown, ms" % count, median(client), median(curl_list),
                     "curl LIST", "none", None)
            self.notes.append("listing of %d names: filelist.exe %s ms (ShellExecuteExA + wait), FTPClient.exe %s ms "
                              "(start to the list shown), curl NLST %s ms, curl LIST %s ms (whole process)" % (
                                  count, fmt(filelist), fmt(client), fmt(curl_names), fmt(curl_list)))
            shutil.rmtree(home, ignore_errors=True)

    # ------------------------------------------------------------------
    def run(self):
        home = self.tmp / "server"
        (home / FOLDER).mkdir(parents=True)
        (home / FOLDER / "O0000").write_bytes(b"%\r\nO0000\r\nM30\r\n%\r\n")
        e2e.kill_windows_of_class("Vantrel")
        sections = self.args.only or ["drop", "check", "verify", "backup", "big", "startup", "refresh", "listing"]
        self.launch_floor()
        with e2e.FtpServer(home, host=self.args.host, log_commands=False):
            if "drop" in sections:
                self.drops(home)
            if "big" in sections:
                self.big_file(home)
            if "startup" in sections:
                self.startup()
        if "check" in sections:
            self.check_cost()
        if "verify" in sections:
            self.verify_cost()
        if "backup" in sections:
            self.backup_cost()
        if "refresh" in sections:
            self.refresh()
        if "listing" in sections:
            self.listing()

    def table(self):
        lines = ["| measure | Vantrel | baseline | baseline is | ratio | target | met |",
                 "|---|---:|---:|---|---:|---|---|"]
        for what, ours, base, base_name, ratio, target, ok in self.rows:
            lines.append("| %s | %.1f | %.1f | %s | %.2f | %s | %s |" % (
                what, ours, base, base_name, ratio, target, {True: "yes", False: "**no**", None: "–"}[ok]))
        lines.append("")
        lines.append("Medians of %d repetitions. Floor per file = %d ms pause + ShellExecuteExA/wait of noop.exe "
                     "printing one line (%.1f ms) + curl's per-file time; silent floor the same with noop.exe "
                     "printing nothing (%.1f ms). Target for drops of %s files: ≤ %.1f × silent floor." % (
                         self.args.reps, PAUSE_MS, self.console_launch_ms, self.launch_ms,
                         " and ".join(str(c) for c in DROP_TARGET_COUNTS), DROP_TARGET))
        lines += ["- " + note for note in self.notes]
        return "\n".join(lines) + "\n"


def timed_drop(app, files, incoming):
    """Drops `files` on Vantrel; ms per file from the drop until the window
    is idle again. Each must have arrived in `incoming` whole."""
    start = time.monotonic()
    limit = 60 + len(files) * 10
    e2e.drop(app.hwnd, files, timeout=limit)
    # The window serves its messages while it sends, so the drop is let go
    # before the last file has gone: the time runs until the window is idle.
    boxes = app.settle(timeout=limit)
    if boxes:
        raise e2e.HarnessError("the drop ended in boxes: %r" % [box["text"] for box in boxes])
    ms = (time.monotonic() - start) * 1000 / len(files)
    for path in files:
        if (incoming / path.name).read_bytes() != path.read_bytes():
            raise e2e.HarnessError("%s arrived damaged" % path.name)
    return ms


def nc_files(folder, letter, count, size):
    """`count` NC programs of `size` bytes, <letter>0001 on, in a new `folder`."""
    folder.mkdir(parents=True)
    files = []
    for i in range(count):
        path = folder / ("%s%04d" % (letter, i + 1))
        path.write_bytes(nc_text(size, i))
        files.append(path)
    return files


def nc_text(size, seed):
    """NC program text of the given size: lines as a machine shop's files have."""
    lines = []
    total = 0
    n = 0
    while total < size:
        line = "N%05d G01 X%.3f Y%.3f Z-%.3f F%d\r\n" % (n, (n * 7 + seed) % 500 / 3, (n * 13) % 400 / 7,
                                                         (n % 50) / 10, 100 + n % 900)
        lines.append(line)
        total += len(line)
        n += 1
    return "".join(lines).encode("ascii")[:size]


def check_spans(commands):
    """(USER to QUIT, client's QUIT to the check's QUIT) in ms for each
    delivery check in a server's command log: the session that asks SIZE
    right after a client's session."""
    spans = []
    for i, entry in enumerate(commands):
        if entry["cmd"] != "SIZE":
            continue
        user = max(j for j in range(i) if commands[j]["cmd"] == "USER")
        client_quit = max(j for j in range(user) if commands[j]["cmd"] == "QUIT")
        quit_ = next(j for j in range(i, len(commands)) if commands[j]["cmd"] == "QUIT")
        spans.append(((commands[quit_]["time"] - commands[user]["time"]) * 1000,
                      (commands[quit_]["time"] - commands[client_quit]["time"]) * 1000))
    return spans


def session_spans(commands, chosen):
    """First command to QUIT in ms of each session in a server's command log
    (sessions end at QUIT) whose list of commands `chosen` accepts."""
    spans, start = [], 0
    for i, entry in enumerate(commands):
        if entry["cmd"] != "QUIT":
            continue
        session = commands[start:i + 1]
        if chosen([c["cmd"] for c in session]):
            spans.append((entry["time"] - session[0]["time"]) * 1000)
        start = i + 1
    return spans


def fmt(values):
    return "[" + ", ".join("%.0f" % v for v in values) + "]"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--counts", type=lambda s: [int(x) for x in s.split(",")], default=[1, 10, 100])
    parser.add_argument("--big-mb", type=int, default=50)
    parser.add_argument("--list-files", type=int, default=1000)
    parser.add_argument("--launches", type=int, default=25)
    parser.add_argument("--host", default=os.environ.get("VANTREL_BENCH_HOST", "127.0.0.90"))
    parser.add_argument("--list-host", default=os.environ.get("VANTREL_BENCH_LIST_HOST", "127.0.0.91"))
    parser.add_argument("--listing-counts", type=lambda s: [int(x) for x in s.split(",")], default=[10000, 100000])
    parser.add_argument("--only", action="append", choices=["drop", "check", "verify", "backup", "big", "startup", "refresh",
                                                            "listing"])
    parser.add_argument("--out", help="also write the table to this file")
    args = parser.parse_args()
    bench = Bench(args)
    try:
        bench.run()
    finally:
        bench.close()
    text = bench.table()
    print(text)
    if args.out:
        Path(args.out).write_text(text, encoding="utf-8")
    return 0 if all(row[6] is not False for row in bench.rows) else 1


if __name__ == "__main__":
    sys.exit(main())
