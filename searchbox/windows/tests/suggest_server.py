#!/usr/bin/env python3
"""Local search service for the boxes' suggestion tests under Wine.

  suggest_server.py start <folder>   starts it in the background on a free port of 127.0.0.1,
                                     writes <folder>/port and <folder>/pid, returns
  suggest_server.py stop <folder>    ends it

/<case>/complete?q=<words> answers the OpenSearch suggestion format; the case picks how:
  ok      [words, [words + " station", words + " tower", words + " dome"]], with a cookie
  slow    the same after 3 s
  huge    a well-formed answer of about 80 KB, without a Content-Length
  bad     an answer cut in the middle (not JSON)
  other   a well-formed answer for other words
Each request is logged as "<case> <words>", with " cookie" when it carried a Cookie header;
/log answers the lines so far, one a line, and /reset empties the log.
"""
import json
import os
import sys
import threading
import time
import urllib.parse
from http.server import ThreadingHTTPServer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "platform", "testing"))
import background_server  # noqa: E402

log = []
log_lock = threading.Lock()


def suggestions(words):
    return [words + " station", words + " tower", words + " dome"]


class Handler(background_server.QuietHandler):
    content_type = "application/x-suggestions+json"

    def do_GET(self):
        address = urllib.parse.urlsplit(self.path)
        if address.path == "/log":
            with log_lock:
                body = "".join(line + "\n" for line in log)
            return self.answer(200, body.encode("utf-8"), "text/plain; charset=utf-8")
        if address.path == "/reset":
            with log_lock:
                log.clear()
            return self.answer(200, b"")
        case = address.path.strip("/").split("/")[0]
        words = urllib.parse.parse_qs(address.query).get("q", [""])[0]
        with log_lock:
            log.append(case + " " + words + (" cookie" if self.headers.get("Cookie") else ""))
        if case == "slow":
            time.sleep(3)
        if case in ("ok", "slow"):
            body = json.dumps([words, suggestions(words)], ensure_ascii=False).encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", self.content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Set-Cookie", "id=linked; Path=/")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            self.close_connection = True
        elif case == "huge":
            body = json.dumps([words, [words + " %05d" % i + "x" * 70 for i in range(1000)]])
            self.send_response(200)
            self.send_header("Content-Type", self.content_type)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body.encode("utf-8"))
            self.close_connection = True
        elif case == "bad":
            self.answer(200, ('["' + words + '", ["' + words + ' station", "').encode("utf-8"))
        elif case == "other":
            self.answer(200, json.dumps(["kyoto", suggestions("kyoto")]).encode("utf-8"))
        else:
            self.answer(404, b"")


def serve(folder):
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    background_server.publish_port(folder, server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    folder = sys.argv[2]
    if sys.argv[1] == "start":
        sys.exit(background_server.start(folder, "suggest server", "suggest_server.py",
                                         lambda: serve(folder)))
    sys.exit(background_server.stop(folder, "suggest_server.py"))
