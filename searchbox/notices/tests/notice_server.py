#!/usr/bin/env python3
"""Local HTTP server for the notice check tests under Wine.

  notice_server.py start <folder>   starts the server in the background on a free port of
                                    127.0.0.1, writes <folder>/port and <folder>/pid, returns
  notice_server.py stop <folder>    ends it

The partner part of /pub/bmb/<partner>/notify.xml picks the answer; notify.xml.sig beside
it is the notice's statement, signed (endpoint/publish.sh) with the tests' key
(endpoint/tests/test-signing-key.pem) unless the case says otherwise:
  ok          a notice for 1.6.0.0 .. 1.6.0.28 with an http address
  upper       a notice with only ver_max 1.6.0.28
  unsafe      an applicable notice whose address is a program path
  foreignlink an applicable notice whose address is on another host
  unsigned    the "ok" notice without a statement (404)
  othersig    the "ok" notice signed with another key
  missing     404 with a well-formed, applicable notice as its body
  garbage     200 with a body that is not XML
  slow        200, announces 4096 bytes, sends a few, then holds the connection until
              /release is requested (or 60 s pass) and closes it
  huge        like slow, but announces 8 MB
  endless     200 without a Content-Length, 16 KB pieces every 20 ms up to 4 MB
/log answers the request lines seen so far, one a line; /release lets "slow" end.
"""
import os
import subprocess
import sys
import tempfile
import threading
import time
from http.server import ThreadingHTTPServer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "platform", "testing"))
import background_server  # noqa: E402

NOTICE = """<?xml version="1.0" encoding="UTF-8"?>
<notify>
  {bounds}
  <label>新しいバージョンがあります</label>
  <description>ブリムレットボックス 1.7 を公開しました</description>
  <url>{url}</url>
</notify>
"""

HERE = os.path.dirname(os.path.abspath(__file__))
ENDPOINT = os.path.join(HERE, "..", "..", "..", "endpoint")
KEY = os.path.join(ENDPOINT, "tests", "test-signing-key.pem")
RANGED = "<ver_min>1.6.0.0</ver_min><ver_max>1.6.0.28</ver_max>"

release = threading.Event()
log = []
log_lock = threading.Lock()


def notice(bounds, url):
    return NOTICE.format(bounds=bounds, url=url).encode("utf-8")


# Each partner's notice and, when it has one, its statement.
NOTICES = {
    "ok": notice(RANGED, "http://127.0.0.1/brimlet/new.html"),
    "upper": notice("<ver_max>1.6.0.28</ver_max>", "https://127.0.0.1/brimlet/new.html"),
    "unsafe": notice(RANGED, "C:\\Windows\\System32\\calc.exe"),
    "foreignlink": notice(RANGED, "https://evil.example/brimlet/new.html"),
    "unsigned": notice(RANGED, "http://127.0.0.1/brimlet/new.html"),
    "othersig": notice(RANGED, "http://127.0.0.1/brimlet/new.html"),
    "missing": notice(RANGED, "http://127.0.0.1/brimlet/new.html"),
}
STATEMENTS = {}


def sign_notices(folder):
    """Signs every notice but "unsigned" through publish.sh, "othersig" with another key."""
    with tempfile.TemporaryDirectory() as work:
        other_key = os.path.join(work, "other.pem")
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout",
                        "-out", other_key], check=True)
        for partner, body in NOTICES.items():
            if partner == "unsigned":
                continue
            target = os.path.join(work, "pub", "bmb", partner)
            os.makedirs(target)
            open(os.path.join(target, "notify.xml"), "wb").write(body)
            subprocess.run([os.path.join(ENDPOINT, "publish.sh"), work, "--partner", partner,
                            "--key", other_key if partner == "othersig" else KEY, "--sign-only",
                            "--catalogue", work], check=True, stdout=subprocess.DEVNULL)
            STATEMENTS[partner] = open(os.path.join(target, "notify.xml.sig"), "rb").read()


class Handler(background_server.QuietHandler):
    content_type = "text/xml; charset=utf-8"

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
        parts = path.split("?")[0].split("/")
        partner = parts[3] if path.startswith("/pub/bmb/") and len(parts) > 4 else ""
        if parts[-1] == "notify.xml.sig":
            if partner in STATEMENTS:
                return self.answer(200, STATEMENTS[partner], "text/plain")
            return self.answer(404, b"not here", "text/plain")
        if partner in NOTICES:
            return self.answer(404 if partner == "missing" else 200, NOTICES[partner])
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
        if partner == "endless":
            self.send_response(200)
            self.send_header("Content-Type", "text/xml")
            self.send_header("Connection", "close")
            self.end_headers()
            sent = 0
            try:
                self.wfile.write(b"<?xml version=\"1.0\"?><notify><!--")
                while sent < 4 << 20:
                    self.wfile.write(b"x" * 16384)
                    self.wfile.flush()
                    sent += 16384
                    time.sleep(0.02)
            except OSError:
                pass
            self.close_connection = True
            return
        self.answer(404, b"not here", "text/plain")


def serve(folder):
    sign_notices(folder)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    background_server.publish_port(folder, port)
    server.serve_forever()


def start(folder):
    return background_server.start(folder, "notice server", "notice_server.py",
                                   lambda: serve(folder))


def stop(folder):
    return background_server.stop(folder, "notice_server.py")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(start(sys.argv[2]) if sys.argv[1] == "start" else stop(sys.argv[2]))
