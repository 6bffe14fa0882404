"""Starts and ends a test's local HTTP server as a background process.

The server process writes its port to <state>/port once it listens (publish_port); start()
returns when a connection to it succeeds, after writing <state>/pid for stop().
"""
import os
import signal
import socket
import sys
import time
from http.server import BaseHTTPRequestHandler


class QuietHandler(BaseHTTPRequestHandler):
    """Logs nothing; answer() sends a whole response and closes the connection."""

    protocol_version = "HTTP/1.1"
    content_type = "application/octet-stream"

    def log_message(self, *args):
        pass

    def answer(self, status, body, content_type=None):
        self.send_response(status)
        self.send_header("Content-Type", content_type or self.content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def publish_port(state, port):
    with open(os.path.join(state, "port.tmp"), "w") as f:
        f.write(str(port))
    os.replace(os.path.join(state, "port.tmp"), os.path.join(state, "port"))


def start(state, name, script, serve, stale=("port", "pid")):
    """Runs serve() in a detached child; name is for the messages, script for stop()."""
    os.makedirs(state, exist_ok=True)
    stop(state, script)
    for stale_file in stale:
        try:
            os.remove(os.path.join(state, stale_file))
        except FileNotFoundError:
            pass
    pid = os.fork()
    if pid == 0:
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        try:
            serve()
        finally:
            os._exit(0)
    with open(os.path.join(state, "pid"), "w") as f:
        f.write(str(pid))
    port_file = os.path.join(state, "port")
    # A server may sign its cases before it listens (several openssl runs): on a loaded
    # machine that takes seconds.
    for _ in range(600):
        if os.path.exists(port_file):
            port = int(open(port_file).read())
            with socket.create_connection(("127.0.0.1", port), timeout=2):
                pass
            print(name, "on port", port)
            return 0
        time.sleep(0.05)
    print(name, "did not start", file=sys.stderr)
    return 1


def stop(state, script):
    try:
        pid = int(open(os.path.join(state, "pid")).read())
    except (FileNotFoundError, ValueError):
        return 0
    # A stale pid file may name an unrelated process by now: end only our own server.
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            ours = script.encode() in f.read()
    except OSError:
        ours = False
    if ours:
        os.kill(pid, signal.SIGTERM)
    os.remove(os.path.join(state, "pid"))
    return 0
