#!/usr/bin/env python3
"""Local HTTP server for the notice check tests under Wine.

  notice_server.py start <folder>   starts the server in the background on a free port of
                                    127.0.0.1, writes <folder>/port and <folder>/pid, returns
  notice_server.py stop <folder>    ends it

The partner part of /pub/bmb/<partner>/notify.xml picks the answer:
  ok        a notice for 1.6.0.0 .. 1.6.0.28 with an http address
  upper     a notice with only ver_max 1.6.0.28
  unsafe    an applicable notice whose address is a program path
  missing   404 with a well-formed, applicable notice as its body
  garbage   200 with a body that is not XML
  slow      200, announces 4096 bytes, sends a few, then holds the connection until
            /release is requested (or 60 s pass) and closes it
  huge      like slow, but announces 8 MB
/log answers the request lines seen so far, one a line; /release lets "slow" end.
"""
import os
import signal
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

NOTICE = """<?xml version="1.0" encoding="UTF-8"?>
<notify>
  {bounds}
  <label>新しいバージョンがあります</label>
  <description>ブリムレットボックス 1.7 を公開しました</description>
  <url>{url}</url>
</notify>
"""

release = threading.Event()
log = []
log_lock = threading.Lock()


def notice(bounds, url):
    return NOTICE.format(bounds=bounds, url=url).encode("utf-8")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, content_type="text/xml; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def do_GET(self):
        path = self.path
        if path == "/log":
            with log_lock:
                body = "".join(line + "\n" for line in log).encode("utf-8")
            return self.answer(200, body, "text/plain")
        if path == "/release":
            release.set()
            return self.answer(200, b"released", "text/plain")
        with log_lock:
            log.append(path)
        partner = path.split("/")[3] if path.startswith("/pub/bmb/") else ""
        ranged = "<ver_min>1.6.0.0</ver_min><ver_max>1.6.0.28</ver_max>"
        if partner == "ok":
            return self.answer(200, notice(ranged, "http://127.0.0.1/brimlet/new.html"))
        if partner == "upper":
            return self.answer(200, notice("<ver_max>1.6.0.28</ver_max>",
                                           "https://127.0.0.1/brimlet/new.html"))
        if partner == "unsafe":
            return self.answer(200, notice(ranged, "C:\\Windows\\System32\\calc.exe"))
        if partner == "missing":
            return self.answer(404, notice(ranged, "http://127.0.0.1/brimlet/new.html"))
        if partner == "garbage":
            return self.answer(200, b"<html><body>Service Unavailable", "text/html")
        if partner in ("slow", "huge"):
            release.clear()
            self.send_response(200)
            self.send_header("Content-Type", "text/xml")
            self.send_header("Content-Length", "4096" if partner == "slow" else "8388608")
            self.end_headers()
            self.wfile.write(b"<?xml version=\"1.0\"?><notify><ver_min>1.0</ver_min>")
            self.wfile.flush()
            release.wait(60)
            self.close_connection = True
            return
        self.answer(404, b"not here", "text/plain")


def serve(folder):
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    with open(os.path.join(folder, "port.tmp"), "w") as f:
        f.write(str(port))
    os.replace(os.path.join(folder, "port.tmp"), os.path.join(folder, "port"))
    server.serve_forever()


def start(folder):
    os.makedirs(folder, exist_ok=True)
    stop(folder)
    for name in ("port", "pid"):
        try:
            os.remove(os.path.join(folder, name))
        except FileNotFoundError:
            pass
    pid = os.fork()
    if pid == 0:
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        try:
            serve(folder)
        finally:
            os._exit(0)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(pid))
    port_file = os.path.join(folder, "port")
    for _ in range(100):
        if os.path.exists(port_file):
            port = int(open(port_file).read())
            with socket.create_connection(("127.0.0.1", port), timeout=2):
                pass
            print("notice server on port", port)
            return 0
        time.sleep(0.05)
    print("notice server did not start", file=sys.stderr)
    return 1


def stop(folder):
    try:
        pid = int(open(os.path.join(folder, "pid")).read())
    except (FileNotFoundError, ValueError):
        return 0
    # A stale pid file may name an unrelated process by now: end only our own server.
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            ours = b"notice_server.py" in f.read()
    except OSError:
        ours = False
    if ours:
        os.kill(pid, signal.SIGTERM)
    os.remove(os.path.join(folder, "pid"))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
