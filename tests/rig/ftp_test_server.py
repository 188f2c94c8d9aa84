"""The FTP server of the tests, the bench and the demo: pyftpdlib with one
user, run as a program of its own (Debian's /usr/bin/python3, which has
pyftpdlib):

  ftp_test_server.py --host H --port P [--port P2 ...] --user U --password PW --root DIR
                     [--mode MODE] [--log FILE] [--without CMD,CMD] [--refused-login-delay S]

It listens on the first of the ports it may take and says so on standard
error ("listening on port P"). Names are stored as the client's bytes
(Shift-JIS stays Shift-JIS), as the data server of a machining centre
does. --log appends every command received as a JSON line (its raw bytes
in hex, the verb, the time); --without answers the named commands as
unknown (500), as older servers lack SIZE. A --mode from MODES makes the
server misbehave on purpose, for the fault tests.

Importing this module needs no pyftpdlib (the tests may run under another
Python): the table and the timings below are plain Python.
"""
import argparse
import json
import os
import socket
import struct
import sys
import time

TRICKLE_S = 2  # trickle: one byte of a listing this often
SLOW_RATE = 100_000  # slow, slownodele: bytes a second read from an upload
LATE_S = 3  # latecwd: the delay of every CWD reply
LINGER_S = 60  # linger: the longest wait for the client's close
CUT_AFTER = 65536  # reset, stall: bytes of an upload taken first


class Mode:
    """A way to misbehave: what it does, and the hooks that do it.

    greet(handler) replaces the greeting. before(handler, base, line, cmd,
    arg) sees every command first and returns true when it has dealt with
    it (base: pyftpdlib's own pre_process_command, bound). commands maps a
    verb to hook(handler, base, *args), which replaces its ftp_VERB (base:
    pyftpdlib's, bound). drops_reply(text) is true for a reply not to send.
    On the data connection: received(dtp) after each read of an upload,
    sending(dtp) in place of a download or listing, finished(dtp) at its end
    (true when it has taken the close over); keeps_open: the sender never
    closes it; throttled: uploads are read at SLOW_RATE; masquerade: the
    PASV reply names .253 of the server's /24."""

    def __init__(self, description, greet=None, before=None, commands=None, drops_reply=None, received=None,
                 sending=None, finished=None, keeps_open=False, throttled=False, masquerade=False):
        self.description = description
        self.greet, self.before, self.commands = greet, before, commands or {}
        self.drops_reply = drops_reply
        self.received, self.sending, self.finished = received, sending, finished
        self.keeps_open, self.throttled, self.masquerade = keeps_open, throttled, masquerade


def neighbour(host, last):
    """The address `last` of host's /24."""
    return ".".join(host.split(".")[:3] + [str(last)])


def reset(connection):
    """Closes with a reset: SO_LINGER 0 makes close() send RST instead of FIN."""
    plain = getattr(connection, "socket", connection)
    plain.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    connection.close()


def any_case(path):
    """The stored file whose name is `path`'s in another ASCII case, else `path`."""
    folder, name = os.path.split(path)
    for stored in os.listdir(folder):
        if stored.lower() == name.lower():
            return os.path.join(folder, stored)
    return path


# Command hooks: hook(handler, base, *args).

def answer(reply):
    """Answers the command with `reply` and does nothing else."""
    return lambda handler, base, *args: handler.respond(reply)


def ignore(handler, base, *args):
    """No reply at all."""


def in_any_case(handler, base, file, *args, **kwargs):
    return base(any_case(file), *args, **kwargs)


def first_half(handler, base, file):
    """Sends the first half of the file and ends the transfer as complete."""
    with open(file, "rb") as whole:
        data = whole.read()
    handler.push_dtp_data(data[:len(data) // 2], cmd="RETR")


def intrude(then):
    """On PORT a third host (.254) connects to the client's data port first
    and does `then` to that connection; the PORT itself is then served."""
    def hook(handler, base, line):
        parts = line.split(",")
        intruder = socket.socket()
        intruder.bind((neighbour(handler.host, 254), 0))
        intruder.connect((".".join(parts[:4]), int(parts[4]) * 256 + int(parts[5])))
        then(intruder)
        base(line)
    return hook


def send_evil(connection):
    connection.sendall(b"EVIL\r\n")
    connection.close()


# Greetings: greet(handler).

def greet_421(handler):
    handler.respond("421 Service not available, closing control connection.")
    handler.close_when_done()


def greet_120_for_ever(handler):
    waiting = "120 Service ready in a while."
    handler.respond(waiting)
    handler.ioloop.call_every(1, lambda: None if handler._closed else handler.respond(waiting))


class Endless:
    """A producer of "220-" lines without end."""

    def more(self):
        return b"220-Welcome, and welcome again.\r\n" * 100


def greet_endless(handler):
    handler.push_with_producer(Endless())


# Hooks before pyftpdlib's own handling: before(handler, base, line, cmd, arg).

def on_utf8_on(action):
    """`action(handler)` for OPTS UTF8 ON, before the login too (pyftpdlib
    itself answers 530 to any OPTS before the login, before ftp_OPTS runs)."""
    def before(handler, base, line, cmd, arg):
        if cmd == "OPTS" and arg.upper() == "UTF8 ON":
            action(handler)
            return True
        return False
    return before


def reply_and_hang_up(reply):
    def action(handler):
        handler.respond(reply)
        handler.close_when_done()
    return action


def log_in_on_user(handler, base, line, cmd, arg):
    if cmd == "USER" and not handler.authenticated:
        handler.username = arg
        handler.handle_auth_success(handler.root, "", "User logged in.")
        return True
    return False


def refuse_without_data(reply, commands, when=lambda handler: True):
    """Answers `commands` of a logged-in session with `reply`, without a data
    connection (one already open is closed), when `when(handler)`."""
    def before(handler, base, line, cmd, arg):
        if cmd in commands and handler.authenticated and when(handler):
            if handler.data_channel is not None:
                handler.data_channel.close()
            handler.respond(reply)
            return True
        return False
    return before


def folder_is_empty(handler):
    return not os.listdir(handler.fs.ftp2fs(handler.fs.cwd))


def refuse_port(handler, base, line, cmd, arg):
    if cmd == "PORT":
        handler.respond("502 PORT not allowed here.")
        return True
    return False


def late_cwd(handler, base, line, cmd, arg):
    if cmd == "CWD" and handler.authenticated:
        handler.ioloop.call_later(float(LATE_S), lambda: None if handler._closed else base(line, cmd, arg))
        return True
    return False


def after_first_listing(end, refuse_cwd_later=False):
    """In the first session (numbered at its first command), `end(handler)`
    at the next command after its first listing; with refuse_cwd_later,
    every CWD of a later session is refused with 550."""
    def before(handler, base, line, cmd, arg):
        if not hasattr(handler, "fault_session"):
            Handler = type(handler)
            Handler.fault_sessions = getattr(Handler, "fault_sessions", 0) + 1
            handler.fault_session = Handler.fault_sessions
        if handler.fault_session == 1 and getattr(handler, "fault_listed", False):
            end(handler)
            return True
        if handler.fault_session == 1 and cmd in ("LIST", "NLST", "MLSD"):
            handler.fault_listed = True
        if refuse_cwd_later and handler.fault_session > 1 and cmd == "CWD" and handler.authenticated:
            handler.respond("550 No such directory.")
            return True
        return False
    return before


# Data connection hooks.

def reset_upload_after_cut(dtp):
    if dtp.receive and dtp.tot_bytes_received >= CUT_AFTER:
        reset(dtp)


def stop_reading_after_cut(dtp):
    if dtp.tot_bytes_received >= CUT_AFTER:
        dtp.ioloop.modify(dtp._fileno, 0)


def trickle(dtp):
    from pyftpdlib.handlers import DTPHandler
    dtp._trickle = dtp.ioloop.call_every(float(TRICKLE_S), lambda: DTPHandler.push(dtp, b"O"))


def linger(dtp):
    """The sender's FIN first; the client's close (a read of nothing) or
    LINGER_S lets the reply go (Data.end_linger)."""
    if dtp.receive or dtp._closed or dtp.producer_fifo or dtp._linger_end is not None:
        return False
    dtp.socket.shutdown(socket.SHUT_WR)
    dtp._linger_end = dtp.ioloop.call_later(float(LINGER_S), dtp.end_linger)
    dtp.ioloop.modify(dtp._fileno, dtp.ioloop.READ)
    return True


NO_SUCH_FOLDER = answer("550 No such directory.")
REFUSE_PASV = answer("502 PASV not allowed here.")
REFUSE_SIZE = answer("502 SIZE not implemented.")

MODES = {
    "ok": Mode("behaves"),
    "greet421": Mode("answers the connection with 421 and closes it", greet=greet_421),
    "login530": Mode("refuses every password with 530", commands={"PASS": answer("530 Login incorrect.")}),
    "cd550": Mode("refuses every CWD with 550", commands={"CWD": NO_SUCH_FOLDER}),
    "put552": Mode("refuses every STOR with 552 (storage exceeded)",
                   commands={"STOR": answer("552 Requested file action aborted. Exceeded storage allocation.")}),
    "put553": Mode("refuses every STOR with 553 (name not allowed)",
                   commands={"STOR": answer("553 Requested action not taken. File name not allowed.")}),
    "reset": Mode("resets the data connection after 64 KiB of an upload, and at once for a listing",
                  received=reset_upload_after_cut, sending=reset),
    "mute": Mode("stops answering after the login: a CWD gets no reply", commands={"CWD": ignore}),
    "nopasv": Mode("refuses PASV with 502 (the client must fall back to PORT)", commands={"PASV": REFUSE_PASV}),
    "badpasv": Mode("names a passive port that nobody listens on",
                    commands={"PASV": answer("227 Entering passive mode (127,0,0,1,0,9).")}),
    "stall": Mode("takes the first 64 KiB of an upload, then reads nothing more", received=stop_reading_after_cut),
    "greet120": Mode('greets with "120 ready in a while" and repeats it every second, never with the real greeting',
                     greet=greet_120_for_ever),
    "masq": Mode("names another address in its PASV reply (as behind NAT) and refuses PORT: only a client that"
                 " connects to the address it talks to, at the port the reply names, gets a data connection",
                 masquerade=True, commands={"PORT": answer("502 PORT not allowed here.")}),
    "foreign": Mode('refuses PASV; on PORT a third host (.254 of the server\'s /24) connects to the client\'s data'
                    ' port first and sends "EVIL"', commands={"PASV": REFUSE_PASV, "PORT": intrude(send_evil)}),
    "resetthird": Mode("refuses PASV; on PORT a third host (.254) connects to the client's data port and resets"
                       " that connection at once, before the client can take it",
                       commands={"PASV": REFUSE_PASV, "PORT": intrude(reset)}),
    "trickle": Mode("sends a listing one byte every TRICKLE_S seconds, for ever: each byte comes well within the"
                    " clients' data idle time", sending=trickle, keeps_open=True),
    "endless": Mode('greets with a multi-line reply that never ends ("220-..." lines as fast as the client reads'
                    ' them)', greet=greet_endless),
    "slow": Mode("reads uploads at SLOW_RATE bytes a second (ThrottledDTPHandler), as a slow line would",
                 throttled=True),
    "slownodele": Mode("the same, and refuses every DELE with 550", throttled=True,
                       commands={"DELE": answer("550 Not allowed.")}),
    "short": Mode("sends the first half of a file for RETR and ends the transfer with 226, while SIZE and LIST"
                  " give the whole size", commands={"RETR": first_half}),
    "shortlist": Mode("the same, and refuses SIZE with 502 (only LIST gives the size)",
                      commands={"RETR": first_half, "SIZE": REFUSE_SIZE}),
    "get550": Mode("refuses every RETR with 550, while SIZE and LIST show the file",
                   commands={"RETR": answer("550 Not allowed to read.")}),
    "nocase": Mode('takes a file name in any ASCII case, as a Windows server does (RETR and STOR of "O1234" reach'
                   ' a stored "o1234"), and refuses SIZE with 502 (only the listing tells what is there)',
                   commands={"STOR": in_any_case, "RETR": in_any_case, "SIZE": REFUSE_SIZE}),
    "opts200": Mode("answers OPTS UTF8 ON with 200 before the login (names then come in UTF-8 and are stored as"
                    " those bytes, like every name)",
                    before=on_utf8_on(lambda handler: handler.respond(
                        "200 OPTS UTF8 command successful - UTF8 encoding now ON."))),
    "opts500": Mode("answers OPTS UTF8 ON with 500 (pyftpdlib itself says 530 to any OPTS before the login)",
                    before=on_utf8_on(lambda handler: handler.respond("500 Command not understood."))),
    "optshangup": Mode("closes the connection on OPTS UTF8 ON without a reply",
                       before=on_utf8_on(lambda handler: handler.close())),
    "opts530hangup": Mode("answers OPTS UTF8 ON with 530 and then closes the connection, as the servers of the"
                          " reports do", before=on_utf8_on(reply_and_hang_up("530 Please login with USER and PASS."))),
    "noport": Mode("refuses PORT with 502 (passive works)", before=refuse_port),
    "port425": Mode("takes PORT, but answers STOR, RETR and LIST with 425 without connecting, as when the client's"
                    " firewall blocks the connection",
                    before=refuse_without_data("425 Can't open data connection.", ("STOR", "RETR", "LIST", "NLST"))),
    "silent150": Mode("sends no 226 after a transfer: after 150 it says nothing more",
                      drops_reply=lambda text: text.startswith("226")),
    "latecwd": Mode("answers every CWD only after LATE_S seconds, longer than the strict clients' shortest reply"
                    " wait (1 s)", before=late_cwd),
    "hold150": Mode("answers every STOR with 150 and then never again, taking no data: nothing arrives, and a"
                    " client without a time limit waits for ever",
                    commands={"STOR": answer("150 File status okay. About to open data connection.")}),
    "linger": Mode("sends a listing or a download, then half-closes the data connection and sends 226 only once"
                   " the client has closed its end too, or after LINGER_S seconds, as ProFTPD does", finished=linger),
    "user230": Mode("logs in on USER alone, answering it with 230", before=log_in_on_user),
    "nofiles": Mode('refuses LIST and NLST of an empty folder with "450 No files found." (without a data'
                    ' connection)', before=refuse_without_data("450 No files found.", ("LIST", "NLST"),
                                                               folder_is_empty)),
    "idle421": Mode('in the first connection, answers the next command after the first listing with "421 Timeout."'
                    " and closes, as vsftpd ends an idle session; later connections behave",
                    before=after_first_listing(reply_and_hang_up("421 Timeout."))),
    "dropcwd": Mode("in the first connection, closes it without a word at the next command after the first"
                    " listing; later connections are refused every CWD with 550 (they stay in the login folder)",
                    before=after_first_listing(lambda handler: handler.close(), refuse_cwd_later=True)),
}


def _handler_classes(mode, host, root, log, without, refused_login_delay):
    """pyftpdlib's control and data handlers with the mode's hooks."""
    from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler

    Base = ThrottledDTPHandler if mode.throttled else DTPHandler

    class Data(Base):
        read_limit = SLOW_RATE
        _trickle = None
        _linger_end = None

        def handle_read_event(self):
            if self._linger_end is not None:
                try:
                    closed = not self.socket.recv(4096)
                except OSError:
                    closed = True
                if closed:
                    self._linger_end.cancel()
                    self.end_linger()
                return
            if mode.throttled:
                return Base.handle_read_event(self)
            DTPHandler.handle_read(self)
            if mode.received:
                mode.received(self)

        # A listing (NLST pushes its data, LIST a producer) is handed over before any byte.
        def push(self, data):
            if mode.sending:
                return mode.sending(self)
            DTPHandler.push(self, data)

        def push_with_producer(self, producer):
            if mode.sending:
                return mode.sending(self)
            DTPHandler.push_with_producer(self, producer)

        def handle_close(self):
            if mode.finished and mode.finished(self):
                return
            Base.handle_close(self)

        def end_linger(self):
            if not self._closed:
                self.producer_fifo.clear()
                Base.handle_close(self)

        def readable(self):
            return self._linger_end is not None or Base.readable(self)

        def close_when_done(self):
            if not mode.keeps_open:
                DTPHandler.close_when_done(self)

        def close(self):
            if self._trickle is not None:
                self._trickle.cancel()
                self._trickle = None
            Base.close(self)

    class Handler(FTPHandler):
        unicode_errors = "surrogateescape"
        auth_failed_timeout = refused_login_delay
        dtp_handler = Data
        proto_cmds = {verb: entry for verb, entry in FTPHandler.proto_cmds.items() if verb not in without}

        def handle(self):
            if mode.greet:
                return mode.greet(self)
            FTPHandler.handle(self)

        def pre_process_command(self, line, cmd, arg):
            if log is not None:
                raw = line.encode("utf-8", "surrogateescape").hex()
                log.write(json.dumps({"raw": raw, "cmd": cmd, "time": time.time()}) + "\n")
                log.flush()
            base = FTPHandler.pre_process_command.__get__(self)
            if mode.before and mode.before(self, base, line, cmd, arg):
                return None
            return base(line, cmd, arg)

        def respond(self, resp, logfun=None):
            if mode.drops_reply and mode.drops_reply(resp):
                return None
            return FTPHandler.respond(self, resp) if logfun is None else FTPHandler.respond(self, resp, logfun)

    def command(verb, hook):
        base_method = getattr(FTPHandler, "ftp_" + verb)
        return lambda self, *args, **kwargs: hook(self, base_method.__get__(self), *args, **kwargs)

    for verb, hook in mode.commands.items():
        setattr(Handler, "ftp_" + verb, command(verb, hook))
    Handler.host, Handler.root = host, root
    if mode.masquerade:
        Handler.masquerade_address = neighbour(host, 253)
    return Handler


def serve(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--host", required=True)
    parser.add_argument("--port", type=int, action="append", required=True,
                        help="a port to listen on; the first free one of several is taken")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--root", required=True, help="the user's home folder")
    parser.add_argument("--mode", choices=sorted(MODES), default="ok")
    parser.add_argument("--log", help="appends every command received, as JSON lines")
    parser.add_argument("--without", default="", help="commands answered as unknown (500), comma-separated")
    # pyftpdlib waits 3 s before it refuses a password; the tests' servers 0.1 s.
    parser.add_argument("--refused-login-delay", type=float, default=0.1)
    args = parser.parse_args(argv)

    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.servers import FTPServer

    log = open(args.log, "a", encoding="utf-8") if args.log else None
    Handler = _handler_classes(MODES[args.mode], args.host, args.root, log,
                               [verb for verb in args.without.split(",") if verb], args.refused_login_delay)
    Handler.authorizer = DummyAuthorizer()
    Handler.authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    for port in args.port:
        try:
            server = FTPServer((args.host, port), Handler)
            break
        except OSError as error:
            print("port %s: %s" % (port, error), file=sys.stderr, flush=True)
    else:
        sys.exit(1)
    print("listening on port %s" % port, file=sys.stderr, flush=True)
    server.serve_forever(timeout=0.2)


if __name__ == "__main__":
    serve(sys.argv[1:])
