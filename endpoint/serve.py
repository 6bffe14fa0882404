#!/usr/bin/env python3
"""A small web server for a published endpoint folder, on 127.0.0.1 only.

  serve.py start <state> <root>   serves <root> on a free port in the background; writes
                                  <state>/port and <state>/pid and returns
  serve.py stop <state>           ends it
  serve.py run <root> [port]      serves in the foreground (an operator trying a layout)

Every request line is appended to <state>/requests.log as it arrives (pings included),
followed by " cookie=<value>" when the request carried a Cookie header. Every answer sets
a cookie, so that a client which keeps cookies shows it in its next request. Files are
served as they are; the query part is ignored. Usage-log pings (/bmb/l/...) are answered
200 with an empty body. For tests, a file beside a published one changes its answer:
  <file>.status   holds a status code: the file is sent with that status instead of 200
  <file>.stall    the headers and half the body are sent, then the connection is held
                  until /release is requested (or 60 s pass)
  <file>.nolength the body is sent without a Content-Length, slowly (16 KB every 40 ms)
A missing file is a 404 with a body. /release is not logged.
"""
import os
import sys
import threading
import time
from http.server import ThreadingHTTPServer
from urllib.parse import unquote, urlsplit

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "platform",
                                "testing"))
import background_server  # noqa: E402

release = threading.Event()
log_lock = threading.Lock()


def make_handler(root, log_path):
    def log(line):
        if log_path:
            with log_lock, open(log_path, "a", encoding="utf-8") as f:
                f.write(line + "\n")

    class Handler(background_server.QuietHandler):
        def end_headers(self):
            self.send_header("Set-Cookie", "brimlet-test=seen; Path=/")
            super().end_headers()

        def stream(self, body):
            self.send_response(200)
            self.send_header("Content-Type", self.content_type)
            self.send_header("Connection", "close")
            self.end_headers()
            try:
                for at in range(0, len(body), 16384):
                    self.wfile.write(body[at:at + 16384])
                    self.wfile.flush()
                    time.sleep(0.04)
            except OSError:
                pass
            self.close_connection = True

        def do_GET(self):
            if self.path == "/release":
                release.set()
                return self.answer(200, b"released", "text/plain")
            cookie = self.headers.get("Cookie")
            log(self.path + (" cookie=" + cookie if cookie else ""))
            if self.path.startswith("/bmb/l/"):
                status_file = os.path.join(root, "bmb", "l.status")
                status = int(open(status_file).read()) if os.path.exists(status_file) else 200
                return self.answer(status, b"" if status == 200 else b"log error", "text/plain")
            parts = [unquote(p) for p in urlsplit(self.path).path.split("/") if p]
            if any(p in (".", "..") or "\\" in p for p in parts):
                return self.answer(404, b"<html>not here</html>", "text/html")
            path = os.path.join(root, *parts)
            if not os.path.isfile(path):
                return self.answer(404, b"<html><body>404 Not Found</body></html>", "text/html")
            body = open(path, "rb").read()
            if os.path.exists(path + ".nolength"):
                return self.stream(body)
            if os.path.exists(path + ".stall"):
                release.clear()
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                release.wait(60)
                self.close_connection = True
                return
            status = 200
            if os.path.exists(path + ".status"):
                status = int(open(path + ".status").read())
            self.answer(status, body)

    return Handler


def serve(root, state, port=0):
    log_path = os.path.join(state, "requests.log") if state else None
    server = ThreadingHTTPServer(("127.0.0.1", port), make_handler(root, log_path))
    server.daemon_threads = True
    if state:
        background_server.publish_port(state, server.server_address[1])
    else:
        print("serving %s on http://127.0.0.1:%d" % (root, server.server_address[1]))
    server.serve_forever()


def start(state, root):
    return background_server.start(state, "endpoint server", "serve.py",
                                   lambda: serve(os.path.abspath(root), state),
                                   ("port", "pid", "requests.log"))


def stop(state):
    return background_server.stop(state, "serve.py")


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == "start":
        sys.exit(start(args[1], args[2]))
    if len(args) == 2 and args[0] == "stop":
        sys.exit(stop(args[1]))
    if len(args) in (2, 3) and args[0] == "run":
        serve(args[1], None, int(args[2]) if len(args) == 3 else 8080)
    print(__doc__, file=sys.stderr)
    sys.exit(2)
