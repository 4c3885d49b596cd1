#!/usr/bin/env python3
"""Loopback HTTP server for the download tests under Wine.

  fetch_test_server.py start DIR   serve on a free port in the background; DIR/port names it
  fetch_test_server.py stop DIR    end that server

The first path segment picks the answer; whatever follows only tells the
requests of one test apart from the others':
  /bytes/N/...     200 with N bytes and their Content-Length
  /status/N/...    status N with a short body
  /empty/...       200 with an empty body
  /short/...       Content-Length 100, 40 bytes, then the connection closes
  /cut/...         no Content-Length, 40 bytes, then the connection closes
  /trickle/...     no Content-Length, one byte every quarter second
  /stall/...       headers, then nothing for 30 seconds
  /redirect/...    302 to /bytes/10/...
  /loop/...        302 to itself
  /_count/PATH     how often PATH was requested
  /_agent/PATH     the user agent of the last request for PATH
"""
import http.server
import os
import signal
import sys
import threading
import time

requests = {}
agents = {}
lock = threading.Lock()


def pattern(n):
    return (b"0123456789" * (n // 10 + 1))[:n]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=(), length=True):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        parts = path.split("/")
        kind, rest = parts[1], "/".join(parts[2:])
        if kind in ("_count", "_agent"):
            with lock:
                table = requests if kind == "_count" else agents
                self.answer(200, str(table.get("/" + rest, 0 if kind == "_count" else "")).encode())
            return
        with lock:
            requests[path] = requests.get(path, 0) + 1
            agents[path] = self.headers.get("User-Agent", "")
        try:
            self.serve(kind, rest)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def serve(self, kind, rest):
        if kind == "bytes":
            self.answer(200, pattern(int(rest.split("/")[0])))
        elif kind == "status":
            self.answer(int(rest.split("/")[0]), b"status page")
        elif kind == "empty":
            self.answer(200)
        elif kind in ("short", "cut"):
            self.send_response(200)
            if kind == "short":
                self.send_header("Content-Length", "100")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(pattern(40))
            self.close_connection = True
        elif kind == "trickle":
            self.answer(200, length=False)
            for _ in range(240):
                self.wfile.write(b"t")
                self.wfile.flush()
                time.sleep(0.25)
        elif kind == "stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.flush()
            time.sleep(30)
            self.close_connection = True
        elif kind == "redirect":
            self.answer(302, headers=[("Location", "/bytes/10/" + rest)])
        elif kind == "loop":
            self.answer(302, headers=[("Location", "/loop/" + rest)])
        else:
            self.answer(404, b"unknown")


def start(folder):
    os.makedirs(folder, exist_ok=True)
    port_file = os.path.join(folder, "port")
    if os.path.exists(port_file):
        os.remove(port_file)
    if os.fork():
        for _ in range(100):
            if os.path.exists(port_file):
                return 0
            time.sleep(0.1)
        return 1
    # The server must not hold the caller's output pipes open, or the test
    # runner waits for it to end.
    os.setsid()
    null = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(null, fd)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(os.getpid()))
    with open(port_file + ".new", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + ".new", port_file)
    server.serve_forever()
    return 0


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    for name in ("pid", "port"):
        try:
            os.remove(os.path.join(folder, name))
        except OSError:
            pass
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
