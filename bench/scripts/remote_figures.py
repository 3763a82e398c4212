#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Figures of the network remote on loopback, run by remote_figures.sh under Xvfb + openbox.

- command to frame: a scrollBy posted to the API, to the first prompter frame painted after it
  (the program's own trace, CLOCK_MONOTONIC like time.monotonic_ns here);
- server CPU: the program's CPU while the prompter plays, with and without a WebSocket client
  taking every state, in the same run;
- follower lag: a second instance following the first, the difference of their offsets while
  both play (both lay the text out alike: same screen, same settings).
"""
import argparse
import base64
import http.client
import json
import os
import socket
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from app_figures import Run, percentile, read_trace, script_text, park_pointer  # noqa: E402

TOKEN = "0123456789abcdef0123456789abcdef"


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def call(port, path, body=None):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    headers = {"Authorization": "Bearer " + TOKEN}
    c.request("POST" if body is not None else "GET", path,
              json.dumps(body) if body is not None else None, headers)
    r = c.getresponse()
    data = r.read()
    c.close()
    return r.status, json.loads(data) if data else None


def state(port):
    return call(port, "/api/state")[1]


def command(port, name, **args):
    status, answer = call(port, "/api/command", dict(command=name, **args))
    if status != 200:
        raise RuntimeError(f"{name}: {status} {answer}")


def wait(what, condition, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if condition():
                return
        except OSError:
            pass
        time.sleep(0.05)
    raise RuntimeError("timed out waiting for " + what)


class WsClient(threading.Thread):
    """A minimal WebSocket client that reads every message until told to stop."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.sock = socket.create_connection(("127.0.0.1", port))
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += self.sock.recv(1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise RuntimeError("no WebSocket: " + head.decode(errors="replace"))
        self.send(json.dumps({"token": TOKEN}))
        self.messages = 0
        self.stopped = False

    def send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        header = bytes([0x81, 0x80 | 126]) + len(data).to_bytes(2, "big") if len(data) > 125 \
            else bytes([0x81, 0x80 | len(data)])
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def recv_exact(self, n):
        out = b""
        while len(out) < n:
            chunk = self.sock.recv(n - len(out))
            if not chunk:
                raise EOFError
            out += chunk
        return out

    def run(self):
        try:
            while not self.stopped:
                b0, b1 = self.recv_exact(2)
                n = b1 & 0x7F
                if n == 126:
                    n = int.from_bytes(self.recv_exact(2), "big")
                elif n == 127:
                    n = int.from_bytes(self.recv_exact(8), "big")
                self.recv_exact(n)
                self.messages += 1
        except (EOFError, OSError):
            pass

    def stop(self):
        self.stopped = True
        self.sock.close()


def settings(port, osc, **more):
    s = {"countdown": False, "speed": 47, "remoteEnabled": True, "remotePort": port,
         "oscPort": osc, "remoteToken": TOKEN}
    s.update(more)
    return s


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--bin", required=True)
    p.add_argument("--tmp", required=True)
    p.add_argument("--out", required=True)
    a = p.parse_args()
    text, _ = script_text(words=6000)
    park_pointer()

    port = free_port()
    leader = Run(a.bin, a.tmp, 1, settings(port, free_port()), text)
    runs = [leader]
    try:
        leader.wait_for("first-paint", 90)
        wait("the remote", lambda: state(port) is not None)
        command(port, "show")
        wait("the prompter", lambda: state(port)["shown"] and state(port)["maxOffset"] > 0)
        command(port, "pause")
        command(port, "scrollBy", points=400)
        time.sleep(1)
        rest = (time.monotonic_ns(), None)
        time.sleep(1)
        rest = (rest[0], time.monotonic_ns())

        # Command to frame, at rest: each command is the only thing that moves the text.
        sent = []
        for i in range(150):
            t0 = time.monotonic_ns()
            command(port, "scrollBy", points=6 if i % 2 == 0 else -6)
            sent.append(t0)
            time.sleep(0.08)
        time.sleep(1.5)  # the frame trace is written out by a timer
        frames = sorted(t for n, t in read_trace(leader.trace) if n == "frame")
        latencies = []
        for t0 in sent:
            after = next((t for t in frames if t > t0), None)
            if after is not None:
                latencies.append((after - t0) / 1e6)
        latencies.sort()
        # Frames drawn while nothing was asked of the prompter: were there any, a frame after a
        # command need not be that command's.
        at_rest = sum(1 for t in frames if rest[0] <= t <= rest[1])

        # Server CPU while playing: alone, then with a phone's WebSocket taking every state.
        command(port, "restart")
        time.sleep(1)
        command(port, "play")
        time.sleep(2)
        alone, _ = leader.cpu_over(10)
        phone = WsClient(port)
        phone.start()
        time.sleep(1)
        with_phone, _ = leader.cpu_over(10)
        states = phone.messages
        phone.stop()

        # A follower on the same machine, its own data folder and runtime dir.
        f_port = free_port()
        link = f"http://127.0.0.1:{port}/#{TOKEN}"
        run_dir = os.path.join(a.tmp, "follower-run")
        os.makedirs(run_dir, mode=0o700, exist_ok=True)
        follower = Run(a.bin, a.tmp, 2, settings(f_port, free_port(), followLeader=link), text,
                       env={"XDG_RUNTIME_DIR": run_dir})
        runs.append(follower)
        follower.wait_for("first-paint", 90)
        command(port, "restart")
        wait("the follower playing", lambda: state(f_port)["playing"] and state(f_port)["offset"] > 0)
        time.sleep(3)
        lags = []
        for _ in range(60):
            lo = state(port)["offset"]
            fo = state(f_port)["offset"]
            lags.append(abs(lo - fo))
            time.sleep(0.1)
        lags.sort()
        font = 19
    finally:
        for r in runs:
            r.stop()

    rows = [
        ("command to frame, median", f"{percentile(latencies, 50):.1f} ms", "< 30 ms"),
        ("command to frame, p99", f"{percentile(latencies, 99):.1f} ms", "< 60 ms"),
        ("commands that reached a frame", f"{len(latencies)} of {len(sent)}", ""),
        ("frames in a second at rest before them", f"{at_rest}", "0"),
        ("CPU while playing, no client", f"{alone:.1f} % of a core", ""),
        ("CPU while playing, a phone connected", f"{with_phone:.1f} % of a core", ""),
        ("the server's share with a phone", f"{with_phone - alone:+.1f} % of a core",
         "< 1 % of a core"),
        ("states sent to the phone", f"{states / 10:.0f} a second", ""),
        ("follower behind the leader, median", f"{percentile(lags, 50):.1f} pt "
         f"({percentile(lags, 50) / font:.2f} em)", "< 1 line"),
        ("follower behind the leader, p95", f"{percentile(lags, 95):.1f} pt "
         f"({percentile(lags, 95) / font:.2f} em)", "< 1 line"),
    ]
    table = "| Figure | Measured | Goal |\n| --- | --- | --- |\n" + "\n".join(
        f"| {f} | {m} | {g} |" for f, m, g in rows)
    note = (f"{len(sent)} scrollBy commands posted over HTTP on loopback, one every 80 ms, to a "
            "paused prompter (6000 words, speed 47); CPU over 10 s of play each, in one run; "
            f"follower lag over 60 samples of both offsets at speed 47, font {font} px (a line "
            "is at least one em). The frames drawn unasked at rest say how likely a frame after a "
            "command is another's.")
    print(table)
    print()
    print(note)
    with open(a.out, "w", encoding="utf-8") as f:
        f.write(f"# Network remote figures\n\n{table}\n\n{note}\n")


if __name__ == "__main__":
    main()
