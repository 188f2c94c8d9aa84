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

Names are stored as the client's bytes (Shift-JIS stays Shift-JIS)."""
import socket
import subprocess
import time

from vantrel_e2e import PYTHON

_SCRIPT = r'''
import socket, struct, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, DTPHandler
from pyftpdlib.servers import FTPServer
host, root, mode, user, password = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")

def reset(dtp):
    # SO_LINGER 0: close() sends RST instead of FIN.
    dtp.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    dtp.close()

class Data(DTPHandler):
    def handle_read_event(self):
        DTPHandler.handle_read(self)
        if mode == "reset" and self.receive and self.tot_bytes_received >= 65536:
            reset(self)
        elif mode == "stall" and self.tot_bytes_received >= 65536:
            self.ioloop.modify(self._fileno, 0)
    # A listing (NLST pushes its data, LIST a producer) is cut before any byte.
    def push(self, data):
        if mode == "reset":
            return reset(self)
        DTPHandler.push(self, data)
    def push_with_producer(self, producer):
        if mode == "reset":
            return reset(self)
        DTPHandler.push_with_producer(self, producer)

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
        elif mode == "greet120":
            self.respond("120 Service ready in a while.")
            self.ioloop.call_every(1, lambda: None if self._closed else self.respond("120 Service ready in a while."))
        else:
            FTPHandler.handle(self)
    def ftp_PORT(self, line):
        if mode == "masq":
            return self.respond("502 PORT not allowed here.")
        if mode == "foreign":
            parts = line.split(",")
            intruder = socket.socket()
            intruder.bind((".".join(host.split(".")[:3] + ["254"]), 0))
            intruder.connect((".".join(parts[:4]), int(parts[4]) * 256 + int(parts[5])))
            intruder.sendall(b"EVIL\r\n")
            intruder.close()
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
        if mode == "put552":
            self.respond("552 Requested file action aborted. Exceeded storage allocation.")
        elif mode == "put553":
            self.respond("553 Requested action not taken. File name not allowed.")
        else:
            return FTPHandler.ftp_STOR(self, file, mode_)
    def ftp_PASV(self, line):
        if mode in ("nopasv", "foreign"):
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
        self.process = subprocess.Popen([PYTHON, "-c", _SCRIPT, host, str(root), mode, user, password],
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
