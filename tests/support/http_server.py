#!/usr/bin/env python3
"""A loopback HTTP/1.1 server for the tests of the online speech modules.

usage: http_server.py FOLDER

Binds 127.0.0.1 on a free port, prints the port and a newline, and serves until it is killed or,
when its standard input is a pipe, until that pipe closes. Each request's path and query, as
received, and the value of its Content-Type header go to FOLDER/requests.log as one line
"PATH<TAB>VALUE" before the response is sent.

Paths:
  /file/NAME          the file FOLDER/NAME
  /zeros/N            N zero bytes, made while they are sent
  /prefix/NAME/N      FOLDER/NAME followed by N zero bytes
  anything else       404, text/html
Query options, for every path:
  type=T              Content-Type T (default application/octet-stream); type=none: no header
  delay=MS            wait before the status line
  chunk=N&pause=MS    the body in pieces of N bytes, MS apart
  stall=N             after N bytes of the body, silence with the connection open (until the
                      client goes, or 60 s)
  truncate=N          the full Content-Length announced, the connection closed after N bytes
  to=PATH             302 to PATH (on this server), with a text/html body
"""

import os
import select
import stat
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

BLOCK = 65536
STALL_LIMIT_SECONDS = 60


def zeros(count):
    while count > 0:
        size = min(count, BLOCK)
        yield bytes(size)
        count -= size


def read_file(folder, name):
    """The named file's bytes, or None; only files directly inside the folder are served."""
    name = urllib.parse.unquote(name)
    if not name or name != os.path.basename(name) or name in (".", ".."):
        return None
    try:
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()
    except OSError:
        return None


def body_of(folder, parts):
    """(status, default content type, length, pieces) of the path's response."""
    if len(parts) == 2 and parts[0] == "file":
        data = read_file(folder, parts[1])
        if data is not None:
            return 200, "application/octet-stream", len(data), iter([data])
    elif len(parts) == 2 and parts[0] == "zeros" and parts[1].isdigit():
        count = int(parts[1])
        return 200, "application/octet-stream", count, zeros(count)
    elif len(parts) == 3 and parts[0] == "prefix" and parts[2].isdigit():
        data = read_file(folder, parts[1])
        if data is not None:
            count = int(parts[2])
            return 200, "application/octet-stream", len(data) + count, iter([data, zeros(count)])
    page = b"<html><body>Not found</body></html>\n"
    return 404, "text/html", len(page), iter([page])


def flatten(pieces):
    for piece in pieces:
        if isinstance(piece, bytes):
            yield piece
        else:
            yield from piece


def limited(pieces, limit):
    """The first limit bytes of pieces (all of them when limit is None)."""
    for piece in pieces:
        if limit is not None and len(piece) >= limit:
            if limit:
                yield piece[:limit]
            return
        if limit is not None:
            limit -= len(piece)
        yield piece


def resized(pieces, size):
    """The same bytes in pieces of size (the last one shorter)."""
    pending = b""
    for piece in pieces:
        pending += piece
        while len(pending) >= size:
            yield pending[:size]
            pending = pending[size:]
    if pending:
        yield pending


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # each piece leaves when written, as a streaming service's do
    folder = "."
    log_lock = threading.Lock()

    def log_message(self, format, *args):  # the tests read requests.log, not standard error
        pass

    def record(self):
        value = self.headers.get("Content-Type", "")
        line = (self.path + "\t" + value + "\n").encode("iso-8859-1", "surrogateescape")
        with self.log_lock, open(os.path.join(self.folder, "requests.log"), "ab") as log:
            log.write(line)

    def do_GET(self):
        self.record()
        path, _, query = self.path.partition("?")
        options = urllib.parse.parse_qs(query, keep_blank_values=True)

        def number(name, default=None):
            values = options.get(name)
            return int(values[0]) if values and values[0].isdigit() else default

        status, content_type, length, pieces = body_of(self.folder, path.strip("/").split("/"))
        location = options.get("to", [None])[0]
        if location is not None:
            page = b"<html><body>Moved</body></html>\n"
            status, content_type, length, pieces = 302, "text/html", len(page), iter([page])
        content_type = options.get("type", [content_type])[0]
        time.sleep(number("delay", 0) / 1000)
        self.send_response(status)
        if location is not None:
            self.send_header("Location", location)
        if content_type != "none":
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(length))
        self.end_headers()
        self.send_body(flatten(pieces), number("chunk"), number("pause", 0), number("stall"), number("truncate"))

    def send_body(self, pieces, chunk, pause, stall, truncate):
        cut = min((n for n in (stall, truncate) if n is not None), default=None)
        pieces = limited(pieces, cut)
        if chunk:
            pieces = resized(pieces, chunk)
        try:
            for i, piece in enumerate(pieces):
                if i and pause:
                    time.sleep(pause / 1000)
                self.wfile.write(piece)
            if stall is not None and cut == stall:
                self.wait_for_client_to_go()
        except OSError:  # the client went
            pass
        if cut is not None:
            self.close_connection = True

    def wait_for_client_to_go(self):
        deadline = time.monotonic() + STALL_LIMIT_SECONDS
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], max(0, deadline - time.monotonic()))
            if readable and not self.connection.recv(4096):
                return


def exit_when_stdin_closes():
    """A parent that holds our standard input as a pipe stops us by closing it, even by dying."""
    if not stat.S_ISFIFO(os.fstat(0).st_mode):
        return

    def watch():
        while os.read(0, 4096):
            pass
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: http_server.py FOLDER")
    Handler.folder = sys.argv[1]
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    sys.stdout.write("%d\n" % server.server_address[1])
    sys.stdout.flush()
    exit_when_stdin_closes()
    server.serve_forever()


if __name__ == "__main__":
    main()
