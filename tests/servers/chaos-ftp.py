#!/usr/bin/env python3
"""A misbehaving FTP server for soak tests, on 127.0.0.1 only.

    chaos-ftp.py <state folder> [--seed N] [--sessions N] [--seconds N] [--rate P]

Writes <state folder>/chaos.port (its port, then the port of its calm twin) and keeps <state folder>/chaos.stats up to date (one
"name count" line per fault injected, plus sessions and commands). It answers enough of FTP for a
client to connect, list, download and upload, and with probability P per command (default 0.2)
injects one fault instead: a delay, a truncated or oversized line, garbage bytes, a wrong reply
code, a passive address that is closed or never accepts, a data connection that resets or stalls,
or a sudden disconnect. Sessions on the second port get no faults (for checking that a fresh session
works); there the user "slow" downloads at about 800 KB/s (for killing a client mid-transfer).
It ends after N sessions or N seconds, whichever comes first; every stall is bounded too.
"""
import argparse
import os
import random
import select
import socket
import struct
import sys
import threading
import time

FAULTS = [
    "delay", "truncated", "oversized", "garbage", "wrong_code", "pasv_closed", "pasv_silent",
    "data_reset", "data_stall", "disconnect", "long_multiline",
]
STALL_MAX = 8.0  # seconds a stalled data connection or a silent port is held at most


class Stats:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.counts = {name: 0 for name in FAULTS}
        self.counts.update(sessions=0, commands=0)

    def add(self, name):
        with self.lock:
            self.counts[name] = self.counts.get(name, 0) + 1

    def save(self):
        with self.lock:
            tmp = self.path + ".tmp"
            with open(tmp, "w") as f:
                f.write("".join("%s %d\n" % kv for kv in sorted(self.counts.items())))
            os.replace(tmp, self.path)


def file_bytes(name, size):
    """Known content: byte i of every file is (i * 7 + i // 256) % 256."""
    block = bytes((i * 7 + i // 256) % 256 for i in range(65536))
    return (block * (size // 65536 + 1))[:size]


def size_of(name):
    # "file-<n>.bin" holds n bytes; anything else 64 KiB.
    base = os.path.basename(name)
    if base.startswith("file-") and base.endswith(".bin"):
        try:
            return max(0, min(int(base[5:-4]), 8 << 20))
        except ValueError:
            pass
    return 65536


def listing():
    lines = ["drwxr-xr-x   2 ftp      ftp          4096 Jan 01  2024 folder%d" % i for i in range(3)]
    for n in (0, 1000, 65536, 300000, 1048576):
        lines.append("-rw-r--r--   1 ftp      ftp      %9d Jan 01  2024 file-%d.bin" % (n, n))
    return ("\r\n".join(lines) + "\r\n").encode()


def hard_close(sock):
    """Closes with a reset instead of an orderly end."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    sock.close()


class Session(threading.Thread):
    def __init__(self, conn, server, calm):
        super().__init__(daemon=True)
        self.conn, self.server = conn, server
        self.calm = calm
        self.rng = random.Random(server.rng.random())
        self.slow = False
        self.pasv = None        # listening socket of the passive mode
        self.port_to = None     # address of the active mode
        self.rest = 0
        self.rnfr = None
        self.silent = []        # listeners that never accept, closed with the session

    def send(self, text):
        self.conn.sendall(text.encode("latin-1") + b"\r\n")

    def fault(self, allowed):
        if self.calm or self.rng.random() >= self.server.rate:
            return None
        name = self.rng.choice(allowed)
        self.server.stats.add(name)
        return name

    def reply(self, text, cmd_faults=True):
        """Sends a reply, or a fault instead of it. Returns False when the session must end."""
        f = self.fault(["delay", "truncated", "oversized", "garbage", "wrong_code", "disconnect",
                        "long_multiline"]) if cmd_faults else None
        if f == "delay":
            time.sleep(self.rng.uniform(0.1, 1.5))
        elif f == "truncated":
            self.conn.sendall(text.encode("latin-1")[: self.rng.randint(0, len(text))])
            return False
        elif f == "oversized":
            size = self.rng.choice([3000, 70000, 400000])
            try:
                self.conn.sendall(text[:4].encode("latin-1") + b"x" * size + b"\r\n")
            except OSError:
                return False
            return self.rng.random() < 0.5
        elif f == "garbage":
            junk = bytes(self.rng.randrange(256) for _ in range(self.rng.randint(1, 300)))
            self.conn.sendall(junk + (b"\r\n" if self.rng.random() < 0.5 else b""))
        elif f == "wrong_code":
            text = "%d %s" % (self.rng.choice([110, 150, 226, 227, 230, 331, 421, 500, 550, 999]), "surprise")
        elif f == "disconnect":
            hard_close(self.conn) if self.rng.random() < 0.5 else self.conn.close()
            return False
        elif f == "long_multiline":
            code = text[:3]
            body = "".join("%s-filler line %d\r\n" % (code, i) for i in range(self.rng.choice([5, 500, 1500])))
            self.conn.sendall(body.encode())
        self.send(text)
        return True

    def open_data(self):
        """The data connection of this transfer, or None."""
        try:
            if self.pasv:
                self.pasv.settimeout(5)
                data, _ = self.pasv.accept()
                self.pasv.close()
                self.pasv = None
                return data
            if self.port_to:
                return socket.create_connection(self.port_to, 5)
        except OSError:
            return None
        return None

    def send_data(self, payload):
        """Sends over the data connection, perhaps with a reset or a stall. True when all went."""
        data = self.open_data()
        if data is None:
            return self.reply("425 Can't open data connection.", False)
        f = self.fault(["data_reset", "data_stall"])
        try:
            if f:
                data.sendall(payload[: self.rng.randint(0, len(payload))])
                if f == "data_stall":
                    time.sleep(self.rng.uniform(1.0, STALL_MAX))
                hard_close(data)
                return self.reply("426 Connection closed; transfer aborted.", False)
            if self.slow:
                for at in range(0, len(payload), 16384):
                    data.sendall(payload[at:at + 16384])
                    time.sleep(0.02)
            else:
                data.sendall(payload)
            data.close()
        except OSError:
            data.close()
            return self.reply("426 Connection closed; transfer aborted.", False)
        return self.reply("226 Transfer complete.")

    def receive_data(self):
        data = self.open_data()
        if data is None:
            return self.reply("425 Can't open data connection.", False)
        f = self.fault(["data_reset", "data_stall"])
        got = 0
        data.settimeout(10)
        try:
            while True:
                if f and got > 0:
                    if f == "data_stall":
                        time.sleep(self.rng.uniform(1.0, STALL_MAX))
                    hard_close(data)
                    return self.reply("426 Connection closed; transfer aborted.", False)
                chunk = data.recv(65536)
                if not chunk:
                    break
                got += len(chunk)
        except OSError:
            data.close()
            return self.reply("426 Connection closed; transfer aborted.", False)
        data.close()
        return self.reply("226 Transfer complete.")

    def passive(self):
        f = self.fault(["pasv_closed", "pasv_silent"])
        if self.pasv:
            self.pasv.close()
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        port = listener.getsockname()[1]
        if f == "pasv_closed":
            listener.close()   # nothing listens: the connect is refused
            self.pasv = None
        elif f == "pasv_silent":
            listener.listen(0)  # listens but never accepts
            self.silent.append(listener)
            self.pasv = None
        else:
            listener.listen(1)
            self.pasv = listener
        return self.reply("227 Entering Passive Mode (127,0,0,1,%d,%d)." % (port >> 8, port & 255))

    def run(self):
        try:
            self.conn.settimeout(30)
            self.serve()
        except OSError:
            pass
        finally:
            for s in self.silent + ([self.pasv] if self.pasv else []):
                s.close()
            try:
                self.conn.close()
            except OSError:
                pass
            self.server.stats.save()

    def serve(self):
        if not self.reply("220 Chaos FTP ready."):
            return
        buf = b""
        while True:
            while b"\n" not in buf:
                chunk = self.conn.recv(4096)
                if not chunk:
                    return
                buf += chunk
                if len(buf) > 65536:
                    return
            raw, buf = buf.split(b"\n", 1)
            line = raw.decode("latin-1").strip("\r").lstrip("\xff\xf4\xf2")
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            self.server.stats.add("commands")
            if not self.command(verb, arg):
                return

    def command(self, verb, arg):
        if verb == "USER":
            self.slow = self.calm and arg == "slow"
            return self.reply("331 Password please.")
        if verb == "PASS":
            return self.reply("230 Logged in.")
        if verb == "SYST":
            return self.reply("215 UNIX Type: L8")
        if verb == "PWD":
            return self.reply('257 "/" is the current directory.')
        if verb in ("TYPE", "MODE", "STRU", "NOOP", "ALLO"):
            return self.reply("200 OK.")
        if verb in ("CWD", "CDUP"):
            return self.reply("250 Directory changed.")
        if verb == "REST":
            try:
                self.rest = max(0, int(arg))
            except ValueError:
                return self.reply("501 Bad offset.")
            return self.reply("350 Restarting.")
        if verb == "SIZE":
            return self.reply("213 %d" % size_of(arg))
        if verb == "PASV":
            return self.passive()
        if verb == "PORT":
            parts = arg.split(",")
            if len(parts) != 6 or parts[:4] != ["127", "0", "0", "1"]:
                return self.reply("501 Only 127.0.0.1 here.")
            self.port_to = ("127.0.0.1", int(parts[4]) * 256 + int(parts[5]))
            return self.reply("200 PORT OK.")
        if verb in ("LIST", "NLST"):
            if not self.reply("150 Here comes the listing."):
                return False
            return self.send_data(listing())
        if verb == "RETR":
            size = size_of(arg)
            offset, self.rest = min(self.rest, size), 0
            if not self.reply("150 Opening BINARY mode data connection for %s (%d bytes)." % (arg, size - offset)):
                return False
            return self.send_data(file_bytes(arg, size)[offset:])
        if verb in ("STOR", "APPE"):
            if not self.reply("150 Ok to send data."):
                return False
            return self.receive_data()
        if verb == "ABOR":
            if self.pasv:
                self.pasv.close()
                self.pasv = None
            return self.reply("226 Abort ok.")
        if verb in ("MKD", "RMD", "DELE"):
            return self.reply("250 Done.")
        if verb == "RNFR":
            self.rnfr = arg
            return self.reply("350 Ready for RNTO.")
        if verb == "RNTO":
            return self.reply("250 Renamed." if self.rnfr else "503 RNFR first.")
        if verb == "QUIT":
            self.reply("221 Goodbye.", False)
            return False
        return self.reply("502 Not here.")


class Server:
    def __init__(self, state, seed, rate):
        self.rng = random.Random(seed)
        self.rate = rate
        self.stats = Stats(os.path.join(state, "chaos.stats"))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("state")
    p.add_argument("--seed", type=int, default=22)
    p.add_argument("--sessions", type=int, default=20000)
    p.add_argument("--seconds", type=float, default=3600)
    p.add_argument("--rate", type=float, default=0.2)
    a = p.parse_args()
    os.makedirs(a.state, exist_ok=True)
    server = Server(a.state, a.seed, a.rate)
    server.stats.save()
    listeners = []
    for _ in range(2):
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 0))
        listener.listen(64)
        listeners.append(listener)
    with open(os.path.join(a.state, "chaos.port"), "w") as f:
        f.write("%d\n%d\n" % (listeners[0].getsockname()[1], listeners[1].getsockname()[1]))
    end = time.time() + a.seconds
    served = 0
    while served < a.sessions and time.time() < end:
        ready, _, _ = select.select(listeners, [], [], 1.0)
        for listener in ready:
            try:
                conn, _ = listener.accept()
            except OSError:
                continue
            served += 1
            server.stats.add("sessions")
            Session(conn, server, listener is listeners[1]).start()
    for listener in listeners:
        listener.close()
    server.stats.save()


if __name__ == "__main__":
    sys.exit(main())
