"""An FTP server (pyftpdlib, in a child process) that misbehaves on purpose,
for the fault tests. Modes:

  ok        behaves
  greet421  answers the connection with 421 and closes it
  login530  refuses every password with 530
  cd550     refuses every CWD with 550
  put552    refuses every STOR with 552 (storage exceeded)
  put553    refuses every STOR with 553 (name not allowed)
  reset     resets the data connection after 64 KiB of an upload, and at
            once for a listing
  mute      stops answering after the login: a CWD gets no reply
  nopasv    refuses PASV with 502 (the client must fall back to PORT)
  badpasv   names a passive port that nobody listens on
  stall     takes the first 64 KiB of an upload, then reads nothing more
  greet120  greets with "120 ready in a while" and repeats it every second,
            never with the real greeting
  masq      names another address in its PASV reply (as behind NAT) and
            refuses PORT: only a client that connects to the address it
            talks to, at the port the reply names, gets a data connection
  foreign   refuses PASV; on PORT a third host (.254 of the server's /24)
            connects to the client's data port first and sends "EVIL"
  resetthird refuses PASV; on PORT a third host (.254) connects to the
            client's data port and resets that connection at once, before
            the client can take it
  trickle   sends a listing one byte every TRICKLE_S seconds, for ever: each
            byte comes well within the clients' data idle time
  endless   greets with a multi-line reply that never ends ("220-..." lines
            as fast as the client reads them)
  slow      reads uploads at SLOW_RATE bytes a second (ThrottledDTPHandler),
            as a slow line would
  slownodele the same, and refuses every DELE with 550
  short     sends the first half of a file for RETR and ends the transfer
            with 226, while SIZE and LIST give the whole size
  shortlist the same, and refuses SIZE with 502 (only LIST gives the size)
  get550    refuses every RETR with 550, while SIZE and LIST show the file
  nocase    takes a file name in any ASCII case, as a Windows server does
            (RETR and STOR of "O1234" reach a stored "o1234"), and refuses
            SIZE with 502 (only the listing tells what is there)
  opts200   answers OPTS UTF8 ON with 200 before the login (names then come
            in UTF-8 and are stored as those bytes, like every name)
  opts500   answers OPTS UTF8 ON with 500 (pyftpdlib itself says 530 to
            any OPTS before the login)
  optshangup closes the connection on OPTS UTF8 ON without a reply
  opts530hangup answers OPTS UTF8 ON with 530 and then closes the
            connection, as the servers of the reports do
  noport    refuses PORT with 502 (passive works)
  port425   takes PORT, but answers STOR, RETR and LIST with 425 without
            connecting, as when the client's firewall blocks the connection
  silent150 sends no 226 after a transfer: after 150 it says nothing more
  latecwd   answers every CWD only after LATE_S seconds, longer than the
            strict clients' shortest reply wait (1 s)
  hold150   answers every STOR with 150 and then never again, taking no
            data: nothing arrives, and a client without a time limit
            waits for ever
  linger    sends a listing or a download, then half-closes the data
            connection and sends 226 only once the client has closed its end
            too, or after LINGER_S seconds, as ProFTPD does
  user230   logs in on USER alone, answering it with 230
  nofiles   refuses LIST and NLST of an empty folder with "450 No files
            found." (without a data connection)
  idle421   in the first connection, answers the next command after the
            first listing with "421 Timeout." and closes, as vsftpd ends
            an idle session; later connections behave
  dropcwd   in the first connection, closes it without a word at the next
            command after the first listing; later connections are refused
            every CWD with 550 (they stay in the login folder)

Names are stored as the client's bytes (Shift-JIS stays Shift-JIS)."""
import socket
import subprocess
import time

from vantrel_e2e import PYTHON

TRICKLE_S = 2
SLOW_RATE = 100_000
LATE_S = 3
LINGER_S = 60

_SCRIPT = r'''
import os, socket, struct, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, DTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
host, root, mode, user, password, trickle_s, slow_rate, late_s, linger_s = sys.argv[1:10]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")

def any_case(path):
    """The stored file whose name is `path`'s in another ASCII case, else `path`."""
    folder, name = os.path.split(path)
    for stored in os.listdir(folder):
        if stored.lower() == name.lower():
            return os.path.join(folder, stored)
    return path

def reset(connection):
    # SO_LINGER 0: close() sends RST instead of FIN.
    plain = getattr(connection, "socket", connection)
    plain.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    connection.close()

class Endless:
    """A producer of "220-" lines without end."""
    def more(self):
        return b"220-Welcome, and welcome again.\r\n" * 100

Base = ThrottledDTPHandler if mode in ("slow", "slownodele") else DTPHandler

class Data(Base):
    read_limit = int(slow_rate)
    _trickle = None
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
        if mode in ("slow", "slownodele"):
            return Base.handle_read_event(self)
        DTPHandler.handle_read(self)
        if mode == "reset" and self.receive and self.tot_bytes_received >= 65536:
            reset(self)
        elif mode == "stall" and self.tot_bytes_received >= 65536:
            self.ioloop.modify(self._fileno, 0)
    # A listing (NLST pushes its data, LIST a producer) is cut before any byte.
    def push(self, data):
        if mode == "reset":
            return reset(self)
        if mode == "trickle":
            return self.trickle()
        DTPHandler.push(self, data)
    def push_with_producer(self, producer):
        if mode == "reset":
            return reset(self)
        if mode == "trickle":
            return self.trickle()
        DTPHandler.push_with_producer(self, producer)
    _linger_end = None
    def handle_close(self):
        # linger: the sender's FIN first; the client's close (a read of
        # nothing) or the linger time lets the reply go.
        if mode == "linger" and not self.receive and not self._closed and not self.producer_fifo:
            if self._linger_end is None:
                self.socket.shutdown(socket.SHUT_WR)
                self._linger_end = self.ioloop.call_later(float(linger_s), self.end_linger)
                self.ioloop.modify(self._fileno, self.ioloop.READ)
                return
        Base.handle_close(self)
    def end_linger(self):
        if not self._closed:
            self.producer_fifo.clear()
            Base.handle_close(self)
    def readable(self):
        return self._linger_end is not None or Base.readable(self)
    def trickle(self):
        self._trickle = self.ioloop.call_every(float(trickle_s), lambda: DTPHandler.push(self, b"O"))
    def close_when_done(self):
        if mode != "trickle":
            DTPHandler.close_when_done(self)
    def close(self):
        if self._trickle is not None:
            self._trickle.cancel()
            self._trickle = None
        Base.close(self)

class Handler(FTPHandler):
    unicode_errors = "surrogateescape"
    auth_failed_timeout = 0.1
    dtp_handler = Data
    if mode == "masq":
        masquerade_address = ".".join(host.split(".")[:3] + ["253"])
    def handle(self):
        if mode == "greet421":
            self.respond("421 Service not available, closing control connection.")
            self.close_when_done()
        elif mode == "endless":
            self.push_with_producer(Endless())
        elif mode == "greet120":
            self.respond("120 Service ready in a while.")
            self.ioloop.call_every(1, lambda: None if self._closed else self.respond("120 Service ready in a while."))
        else:
            FTPHandler.handle(self)
    def ftp_PORT(self, line):
        if mode == "masq":
            return self.respond("502 PORT not allowed here.")
        if mode in ("foreign", "resetthird"):
            parts = line.split(",")
            intruder = socket.socket()
            intruder.bind((".".join(host.split(".")[:3] + ["254"]), 0))
            intruder.connect((".".join(parts[:4]), int(parts[4]) * 256 + int(parts[5])))
            if mode == "foreign":
                intruder.sendall(b"EVIL\r\n")
                intruder.close()
            else:
                reset(intruder)
        FTPHandler.ftp_PORT(self, line)
    def ftp_PASS(self, line):
        if mode == "login530":
            self.respond("530 Login incorrect.")
        else:
            FTPHandler.ftp_PASS(self, line)
    def ftp_CWD(self, path):
        if mode == "cd550":
            self.respond("550 No such directory.")
        elif mode != "mute":
            FTPHandler.ftp_CWD(self, path)
    def ftp_STOR(self, file, mode_="w"):
        if mode == "nocase":
            file = any_case(file)
        if mode == "hold150":
            self.respond("150 File status okay. About to open data connection.")
        elif mode == "put552":
            self.respond("552 Requested file action aborted. Exceeded storage allocation.")
        elif mode == "put553":
            self.respond("553 Requested action not taken. File name not allowed.")
        else:
            return FTPHandler.ftp_STOR(self, file, mode_)
    def ftp_DELE(self, path):
        if mode == "slownodele":
            return self.respond("550 Not allowed.")
        return FTPHandler.ftp_DELE(self, path)
    def ftp_RETR(self, file):
        if mode == "get550":
            return self.respond("550 Not allowed to read.")
        if mode == "nocase":
            file = any_case(file)
        if mode not in ("short", "shortlist"):
            return FTPHandler.ftp_RETR(self, file)
        with open(file, "rb") as whole:
            data = whole.read()
        self.push_dtp_data(data[:len(data) // 2], cmd="RETR")
    def ftp_SIZE(self, path):
        if mode in ("shortlist", "nocase"):
            return self.respond("502 SIZE not implemented.")
        return FTPHandler.ftp_SIZE(self, path)
    def pre_process_command(self, line, cmd, arg):
        # OPTS before the login: pyftpdlib answers 530 before ftp_OPTS runs.
        if cmd == "OPTS" and arg.upper() == "UTF8 ON" and mode in ("opts200", "opts500", "optshangup",
                                                                   "opts530hangup"):
            if mode == "optshangup":
                return self.close()
            if mode == "opts530hangup":
                self.respond("530 Please login with USER and PASS.")
                return self.close_when_done()
            return self.respond("200 OPTS UTF8 command successful - UTF8 encoding now ON." if mode == "opts200"
                                else "500 Command not understood.")
        if mode == "user230" and cmd == "USER" and not self.authenticated:
            self.username = arg
            return self.handle_auth_success(root, "", "User logged in.")
        if (mode == "nofiles" and cmd in ("LIST", "NLST") and self.authenticated
                and not os.listdir(self.fs.ftp2fs(self.fs.cwd))):
            if self.data_channel is not None:
                self.data_channel.close()
            return self.respond("450 No files found.")
        if mode == "port425" and cmd in ("STOR", "RETR", "LIST", "NLST") and self.authenticated:
            if self.data_channel is not None:
                self.data_channel.close()
            return self.respond("425 Can't open data connection.")
        if mode == "noport" and cmd == "PORT":
            return self.respond("502 PORT not allowed here.")
        if mode == "latecwd" and cmd == "CWD" and self.authenticated:
            return self.ioloop.call_later(float(late_s), lambda: None if self._closed else
                                          FTPHandler.pre_process_command(self, line, cmd, arg))
        if mode in ("idle421", "dropcwd"):
            if not hasattr(self, "fault_session"):  # numbered at its first command
                Handler.fault_sessions = getattr(Handler, "fault_sessions", 0) + 1
                self.fault_session = Handler.fault_sessions
            if self.fault_session == 1 and getattr(self, "fault_listed", False):
                if mode == "dropcwd":
                    return self.close()
                self.respond("421 Timeout.")
                return self.close_when_done()
            if self.fault_session == 1 and cmd in ("LIST", "NLST", "MLSD"):
                self.fault_listed = True
            if mode == "dropcwd" and self.fault_session > 1 and cmd == "CWD" and self.authenticated:
                return self.respond("550 No such directory.")
        return FTPHandler.pre_process_command(self, line, cmd, arg)
    def respond(self, resp, logfun=None):
        if mode == "silent150" and resp.startswith("226"):
            return None
        return FTPHandler.respond(self, resp) if logfun is None else FTPHandler.respond(self, resp, logfun)
    def ftp_PASV(self, line):
        if mode in ("nopasv", "foreign", "resetthird"):
            self.respond("502 PASV not allowed here.")
        elif mode == "badpasv":
            self.respond("227 Entering passive mode (127,0,0,1,0,9).")
        else:
            FTPHandler.ftp_PASV(self, line)

Handler.authorizer = authorizer
FTPServer((host, 21), Handler).serve_forever(timeout=0.2)
'''


class FaultServer:
    """with FaultServer(root, "put552", host, user, password): ..."""

    def __init__(self, root, mode, host, user, password):
        self.host = host
        self.process = subprocess.Popen([PYTHON, "-c", _SCRIPT, host, str(root), mode, user, password,
                                         str(TRICKLE_S), str(SLOW_RATE), str(LATE_S), str(LINGER_S)],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)
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
