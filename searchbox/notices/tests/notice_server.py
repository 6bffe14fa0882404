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
import sys
import threading
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

release = threading.Event()
log = []
log_lock = threading.Lock()


def notice(bounds, url):
    return NOTICE.format(bounds=bounds, url=url).encode("utf-8")


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
