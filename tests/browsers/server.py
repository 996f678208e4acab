#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A web server on loopback for the browser tests: serves the test pages of this folder and logs every request
as one line, "<path as requested>\t<User-Agent>", to the file named by its second argument."""
import http.server
import os
import sys

port, log = int(sys.argv[1]), sys.argv[2]
here = os.path.dirname(os.path.abspath(__file__))


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=here, **kwargs)

    def do_GET(self):
        with open(log, "a", encoding="utf-8") as out:
            out.write(f"{self.path}\t{self.headers.get('User-Agent', '')}\n")
        if self.path.startswith("/drop.html"):
            return super().do_GET()
        body = b"<!doctype html><title>Target</title><p>target</p>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
