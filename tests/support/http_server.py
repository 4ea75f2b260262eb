#!/usr/bin/env python3
"""usage: http_server.py FOLDER: a loopback HTTP/1.1 server for the tests of the online modules.

It prints its port on 127.0.0.1 and a newline, and serves until its standard input (a pipe) ends.
Each request's path and query, as received, and its Content-Type header's value go to
FOLDER/requests.log as a line "PATH<TAB>VALUE" before the response.
Paths: /file/NAME (the file FOLDER/NAME), /zeros/N (N zero bytes), /prefix/NAME/N (the file, then
N zero bytes); anything else is a 404 page, text/html.
Query options, for every path:
  type=T            Content-Type T (default application/octet-stream); type=none: no header
  delay=MS          wait before the status line
  chunk=N&pause=MS  the body in pieces of N bytes, MS apart
  stall=N           after N bytes of the body, silence with the connection open (until the client
                    goes, or 60 s)
  truncate=N        the full Content-Length announced, the connection closed after N bytes
  to=PATH           302 to PATH (on this server), with a text/html body
  status=N          status N with the path's body, as a failing service answers
"""

import os
import pathlib
import select
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STALL_LIMIT_SECONDS = 60
FOLDER, LOG_LOCK = ".", threading.Lock()


def read_file(name):
    """The bytes of the file directly inside FOLDER, or None."""
    path = pathlib.Path(FOLDER, os.path.basename(urllib.parse.unquote(name)))
    return path.read_bytes() if path.is_file() else None


def answer(path):
    """(status, default content type, the body's first bytes, the count of zero bytes after them)."""
    kind, *rest = path.strip("/").split("/")
    if kind == "file" and len(rest) == 1 and (data := read_file(rest[0])) is not None:
        return 200, "application/octet-stream", data, 0
    if kind == "zeros" and len(rest) == 1 and rest[0].isdigit():
        return 200, "application/octet-stream", b"", int(rest[0])
    if kind == "prefix" and len(rest) == 2 and rest[1].isdigit() and (data := read_file(rest[0])) is not None:
        return 200, "application/octet-stream", data, int(rest[1])
    return 404, "text/html", b"<html><body>Not found</body></html>\n", 0


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # each piece leaves when written, as a streaming service's do

    def log_message(self, format, *args):  # the tests read requests.log, not standard error
        pass

    def do_GET(self):
        line = self.path + "\t" + self.headers.get("Content-Type", "") + "\n"
        with LOG_LOCK, open(os.path.join(FOLDER, "requests.log"), "ab") as log:
            log.write(line.encode("iso-8859-1", "surrogateescape"))
        path, _, query = self.path.partition("?")
        options = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
        number = lambda name: int(options[name]) if options.get(name, "").isdigit() else None  # noqa: E731
        status, content_type, data, zeros = answer(path)
        if "to" in options:
            status, content_type, data, zeros = 302, "text/html", b"<html><body>Moved</body></html>\n", 0
        status = number("status") or status
        content_type = options.get("type", content_type)
        time.sleep((number("delay") or 0) / 1000)
        self.send_response(status)
        if "to" in options:
            self.send_header("Location", options["to"])
        if content_type != "none":
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data) + zeros))
        self.end_headers()
        stall, truncate = number("stall"), number("truncate")
        cut = min([n for n in (stall, truncate) if n is not None] or [len(data) + zeros])
        body = (data + bytes(zeros))[:cut]
        size = number("chunk") or len(body) or 1
        try:
            for at in range(0, len(body), size):
                if at:
                    time.sleep((number("pause") or 0) / 1000)
                self.wfile.write(body[at : at + size])
            if stall is not None and cut == stall:
                self.wait_for_client_to_go()
        except OSError:  # the client went
            pass
        self.close_connection = self.close_connection or stall is not None or truncate is not None

    def wait_for_client_to_go(self):
        deadline = time.monotonic() + STALL_LIMIT_SECONDS
        while (left := deadline - time.monotonic()) > 0:
            if select.select([self.connection], [], [], left)[0] and not self.connection.recv(4096):
                return


def main():
    global FOLDER
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    FOLDER = sys.argv[1]
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    # The parent holds our standard input as a pipe and stops us by closing it, even by dying.
    threading.Thread(target=lambda: (sys.stdin.buffer.read(), os._exit(0)), daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
