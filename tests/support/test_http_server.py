#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 for the tests, serving the files of one folder and misbehaving
on request. Prints its port on the first line of standard output, then serves until killed.
Every request line is appended to the log file, proxied ones marked with "proxy ".

Routes (NAME is a file of the folder):
  /files/NAME                  the file, with its length
  /status/CODE                 that status with a short body
  /redirect/N/PATH             N redirects, then PATH
  /redirect-loop               redirects to itself
  /redirect-to?url=URL         one redirect to URL (any scheme)
  /redirect-endless?url=URL[&length=N]  a redirect to URL whose body never ends, announcing
                               N bytes if given
  /gzip-type/NAME              the file gzipped, Content-Type application/x-gzip
  /gzip-encoding/NAME          the file with Content-Encoding gzip
  /gzip-corrupt                application/x-gzip content that is not gzip
  /disposition/NAME?filename=F the file with Content-Disposition filename F
  /no-length/NAME              the file without a length, ended by closing the connection
  /extra/NAME                  announces half of the file's length, sends it all
  /drop/NAME                   announces the whole length, sends half, closes
  /stall                       headers, then no byte at all
  /stall-headers               no response at all
  /slow?bytes=N&chunks=C&interval=MS   N bytes in C pieces, MS milliseconds apart
  /type/TYPE/NAME              the file with that Content-Type (TYPE with "_" for "/")
  /bomb?mib=N&as=type|encoding N MiB of zeros gzipped, as application/x-gzip content or with
                               Content-Encoding gzip
  /endless                     a body without a length that never ends
  /declare?length=N            announces N bytes, then sends none
  /drip?interval=MS[&gzip=1]   announces 100 bytes, then sends one every MS milliseconds; with
                               gzip=1 a gzip-encoded MiB of zeros, its first 100 bytes at once,
                               then each byte decoding to about a KiB
  /drip-headers?interval=MS    a status line, then one header line every MS milliseconds
  /paced/NAME?seconds=S        the file in ten pieces spread over S seconds
  /flaky/NAME?...              the file with an ETag, honouring Range and If-Range, its first
                               requests misbehaving. Each request with a Range logs a line
                               "range R if-range V"; each logs "sent N" with its body bytes.
                               cut=N         the body ends after N of its bytes ...
                               then=reset|stall  ... by a reset, or by a stall of stall=MS
                                             milliseconds (default 120 s) and a close;
                               times=K       ... for the first K requests (default 1; "all"
                                             for every request)
                               status=CODE   the first `times` requests get that status instead,
                                             with retry_after=S as Retry-After if given
                               ranges=ignore Range is ignored: always the whole file
                               ranges=refuse every Range is answered with 416
                               ranges=short  a Range is answered with all but the last byte
                               ranges=stitch a Range is answered with 206 whatever If-Range says
                               partial=1     the first `times` requests without a Range get a
                                             206 with the first half of the file
                               validator=etag|date|changing|none  what the file's version
                                             shows: an ETag, a Last-Modified date, an ETag
                                             that is new on every request, nothing
                               gzip=1        Content-Encoding gzip for clients that accept it
  /disposition/NAME?filename_hex=HEX  the same with the file name's bytes given in hex
  any other path                the file at that path under the folder, if there is one;
                               with a file PATH.stall beside it, only its headers, then a stall;
                               with a file PATH.hold beside it, its headers, then its body once
                               PATH.hold has been removed;
                               with a file PATH.route beside it, the route written in that file;
                               with a file PATH.redirect beside it, a redirect to the URL it holds;
                               with a file PATH.pace holding MS, in 20 pieces MS milliseconds apart
Requests with an absolute URI are served the same way, as by a proxy.
"""
import fcntl
import gzip
import os
import select
import socket
import struct
import termios
import sys
import threading
import time
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT = os.path.abspath(sys.argv[1])
LOG = sys.argv[2]
LOG_LOCK = threading.Lock()
REQUESTS_SEEN = {}
STALL_SECONDS = 120


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self, proxied):
        self.note(("proxy " if proxied else "") + self.path)

    def note(self, line):
        with LOG_LOCK, open(LOG, "a") as log:
            log.write(line + "\n")

    def file_path(self, name):
        path = os.path.realpath(os.path.join(ROOT, urllib.parse.unquote(name)))
        if not path.startswith(ROOT + os.sep) or not os.path.isfile(path):
            return None
        return path

    def send_bytes(self, body, status=200, headers=(), length=None, close=False):
        self.send_response(status)
        for key, value in headers:
            self.send_header(key, value)
        if length is not None:
            self.send_header("Content-Length", str(length))
        if close:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def redirect(self, location):
        self.send_bytes(b"moved", 302, [("Location", location)], length=5)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        proxied = self.path.startswith("http://")
        if proxied:
            self.path = urllib.parse.urlsplit(self.path)._replace(scheme="", netloc="").geturl()
        self.record(proxied)
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        parts = url.path.split("/", 2)[1:]
        route, rest = parts[0], parts[1] if len(parts) > 1 else ""
        handler = getattr(self, "route_" + route.replace("-", "_"), None)
        if handler is None:
            target = self.file_path(url.path.lstrip("/") + ".route")
            if target is not None:
                self.path = open(target).read().strip()
                self.dispatch()
                return
            self.route_files(url.path.lstrip("/"), query)
            return
        handler(rest, query)

    def dispatch(self):
        url = urllib.parse.urlsplit(self.path)
        parts = url.path.split("/", 2)[1:]
        getattr(self, "route_" + parts[0].replace("-", "_"))(
            parts[1] if len(parts) > 1 else "", urllib.parse.parse_qs(url.query))

    def with_file(self, name):
        path = self.file_path(name)
        if path is None:
            self.send_bytes(b"not found", 404, length=9)
        return path

    def route_files(self, name, query):
        moved = self.file_path(name + ".redirect")
        if moved is not None:
            self.redirect(open(moved).read().strip())
            return
        path = self.with_file(name)
        if path is None:
            return
        size = os.path.getsize(path)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        if self.command == "HEAD":
            return
        if os.path.exists(path + ".stall"):
            self.wfile.flush()
            self.wait_for_close()
            return
        if os.path.exists(path + ".hold"):
            self.wfile.flush()
            if not self.hold(path + ".hold"):
                return
        self.wfile.flush()
        if os.path.exists(path + ".pace"):
            self.send_paced(open(path, "rb").read(), int(open(path + ".pace").read() or "0"))
            return
        with open(path, "rb") as f:
            self.connection.sendfile(f)

    def send_paced(self, body, interval_ms, pieces=20):
        step = max(1, -(-len(body) // pieces))
        for start in range(0, len(body), step):
            if start:
                time.sleep(interval_ms / 1000.0)
            self.wfile.write(body[start:start + step])
            self.wfile.flush()

    def route_type(self, rest, query):
        mime, _, name = rest.partition("/")
        path = self.with_file(name)
        if path is not None:
            body = open(path, "rb").read()
            self.send_bytes(body, headers=[("Content-Type", mime.replace("_", "/"))],
                            length=len(body))

    def route_status(self, code, query):
        self.send_bytes(b"status page", int(code), length=11)

    def route_redirect(self, rest, query):
        count, _, target = rest.partition("/")
        count = int(count)
        self.redirect("/" + target if count <= 1 else "/redirect/%d/%s" % (count - 1, target))

    def route_redirect_loop(self, rest, query):
        self.redirect("/redirect-loop")

    def route_redirect_to(self, rest, query):
        self.redirect(query["url"][0])

    def route_redirect_endless(self, rest, query):
        self.send_response(302)
        self.send_header("Location", query["url"][0])
        if "length" in query:
            self.send_header("Content-Length", query["length"][0])
        self.send_endless()

    def send_endless(self):
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        piece = b"e" * 65536
        try:
            while True:
                self.wfile.write(piece)
        except OSError:
            pass

    def route_gzip_type(self, name, query):
        path = self.with_file(name)
        if path is not None:
            body = gzip.compress(open(path, "rb").read())
            self.send_bytes(body, headers=[("Content-Type", "application/x-gzip")],
                            length=len(body))

    def route_gzip_encoding(self, name, query):
        path = self.with_file(name)
        if path is not None:
            body = gzip.compress(open(path, "rb").read())
            self.send_bytes(body, headers=[("Content-Type", "application/octet-stream"),
                                           ("Content-Encoding", "gzip")], length=len(body))

    def route_gzip_corrupt(self, rest, query):
        body = b"\x1f\x8b\x08\x00" + b"definitely not deflate data" * 10
        self.send_bytes(body, headers=[("Content-Type", "application/x-gzip")], length=len(body))

    def route_disposition(self, name, query):
        path = self.with_file(name)
        if path is not None:
            body = open(path, "rb").read()
            filename = query.get("filename", [""])[0]
            if "filename_hex" in query:
                # Header text goes out as Latin-1: these bytes reach the client unchanged.
                filename = bytes.fromhex(query["filename_hex"][0]).decode("latin-1")
            self.send_bytes(body, headers=[("Content-Disposition",
                                            'attachment; filename="%s"' % filename)],
                            length=len(body))

    def route_no_length(self, name, query):
        path = self.with_file(name)
        if path is not None:
            self.send_bytes(open(path, "rb").read(), close=True)

    def route_extra(self, name, query):
        path = self.with_file(name)
        if path is not None:
            body = open(path, "rb").read()
            self.send_bytes(body, length=len(body) // 2, close=True)

    def route_drop(self, name, query):
        path = self.with_file(name)
        if path is not None:
            body = open(path, "rb").read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True

    def route_stall(self, rest, query):
        self.send_response(200)
        self.send_header("Content-Length", "100")
        self.end_headers()
        self.wfile.flush()
        self.wait_for_close()

    def route_stall_headers(self, rest, query):
        self.wait_for_close()

    def wait_for_close(self):
        # Until the client hangs up, bounded so that the server never outlives a test run.
        self.connection.settimeout(STALL_SECONDS)
        try:
            self.connection.recv(1)
        except OSError:
            pass
        self.close_connection = True

    def hold(self, marker):
        # Until the test removes the marker (True) or the client hangs up (False), bounded as a
        # stall is.
        deadline = time.monotonic() + STALL_SECONDS
        while os.path.exists(marker) and time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.02)
            if readable:
                self.close_connection = True
                return False
        return True

    def route_slow(self, rest, query):
        total = int(query.get("bytes", ["1000"])[0])
        chunks = max(1, int(query.get("chunks", ["10"])[0]))
        interval = int(query.get("interval", ["100"])[0]) / 1000.0
        self.send_response(200)
        self.send_header("Content-Length", str(total))
        self.end_headers()
        sent = 0
        for i in range(chunks):
            piece = total // chunks + (1 if i < total % chunks else 0)
            if i > 0:
                time.sleep(interval)
            self.wfile.write(b"s" * piece)
            self.wfile.flush()
            sent += piece


    def route_bomb(self, rest, query):
        packer = zlib.compressobj(9, zlib.DEFLATED, 31)
        zeros = bytes(1 << 20)
        body = b"".join(packer.compress(zeros) for _ in range(int(query["mib"][0])))
        body += packer.flush()
        if query.get("as", ["type"])[0] == "encoding":
            headers = [("Content-Type", "application/octet-stream"), ("Content-Encoding", "gzip")]
        else:
            headers = [("Content-Type", "application/x-gzip")]
        self.send_bytes(body, headers=headers, length=len(body))

    def route_endless(self, rest, query):
        self.send_response(200)
        self.send_endless()

    def route_declare(self, rest, query):
        self.send_response(200)
        self.send_header("Content-Length", query["length"][0])
        self.end_headers()
        self.wfile.flush()
        self.wait_for_close()

    def route_drip(self, rest, query):
        interval = int(query["interval"][0]) / 1000.0
        body = b"d" * 100
        self.send_response(200)
        if "gzip" in query:
            body = gzip.compress(bytes(1 << 20))
            self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.close_connection = True
        # The gzip header and the first block's tables come at once, so that each byte after
        # them decodes to something.
        head = 100 if "gzip" in query else 0
        try:
            self.wfile.write(body[:head])
            for byte in body[head:]:
                self.wfile.flush()
                time.sleep(interval)
                self.wfile.write(bytes([byte]))
        except OSError:
            pass

    def route_drip_headers(self, rest, query):
        interval = int(query["interval"][0]) / 1000.0
        self.close_connection = True
        try:
            self.wfile.write(b"HTTP/1.1 200 OK\r\n")
            for n in range(100):
                self.wfile.flush()
                time.sleep(interval)
                self.wfile.write(b"X-Drip-%d: d\r\n" % n)
        except OSError:
            pass

    def route_paced(self, name, query):
        path = self.with_file(name)
        if path is None:
            return
        body = open(path, "rb").read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.send_paced(body, float(query["seconds"][0]) * 100, pieces=10)

    def route_flaky(self, name, query):
        path = self.with_file(name)
        if path is None:
            return
        with LOG_LOCK:
            number = REQUESTS_SEEN.get(self.path, 0)
            REQUESTS_SEEN[self.path] = number + 1
        option = lambda key, default=None: query.get(key, [default])[0]
        cut = int(option("cut", "-1"))
        times = option("times", "1")
        misbehaves = times == "all" or number < int(times)
        if option("status") and misbehaves:
            headers = [("Retry-After", option("retry_after"))] if option("retry_after") else []
            self.send_bytes(b"busy", int(option("status")), headers, length=4)
            return
        body = None
        length = os.path.getsize(path)
        validator = option("validator", "etag")
        headers = [("Content-Type", "application/octet-stream"), ("Accept-Ranges", "bytes")]
        version = '"v%d"' % number if validator == "changing" else '"v1"'
        if validator == "date":
            version = "Sat, 01 Feb 2025 10:00:00 GMT"
            headers.append(("Last-Modified", version))
        if option("gzip") and "gzip" in self.headers.get("Accept-Encoding", ""):
            body = gzip.compress(open(path, "rb").read(), mtime=0)
            length = len(body)
            headers.append(("Content-Encoding", "gzip"))
            version = version.replace('"v', '"gz')
        if validator not in ("date", "none"):
            headers.append(("ETag", version))
        start, status = self.wanted_range(length, version, option("ranges"))
        # A part that nobody asked for claims to be the file's first half.
        unasked = status == 200 and option("partial") and misbehaves
        status = 206 if unasked else status
        if status == 416:
            self.send_bytes(b"", 416, [("Content-Range", "bytes */%d" % length)], length=0)
            return
        # What this answer claims to hold: a short range stops one byte before the end.
        served = length - 1 if status == 206 and option("ranges") == "short" else length
        served = length // 2 if unasked else served
        if status == 206:
            headers.append(("Content-Range", "bytes %d-%d/%d" % (start, served - 1, length)))
        end = served
        if misbehaves and 0 <= cut < end - start:
            end = start + cut
        self.send_response(status)
        for key, value in headers:
            self.send_header(key, value)
        self.send_header("Content-Length", str(served - start))
        self.end_headers()
        self.wfile.flush()
        sent = 0
        try:
            if body is not None:
                self.connection.sendall(memoryview(body)[start:end])
                sent = end - start
            elif end > start:
                with open(path, "rb") as f:
                    sent = self.connection.sendfile(f, start, end - start)
        except OSError:
            pass
        self.note("sent %d" % sent)
        if end < served:
            self.misbehave(option("then", "reset"), int(option("stall", STALL_SECONDS * 1000)))

    def wanted_range(self, length, version, ranges):
        asked = self.headers.get("Range")
        if asked is None:
            return 0, 200
        self.note("range %s if-range %s" % (asked, self.headers.get("If-Range", "")))
        if ranges == "refuse":
            return 0, 416
        if ranges == "ignore" or not asked.startswith("bytes=") or not asked.endswith("-"):
            return 0, 200
        if ranges != "stitch" and self.headers.get("If-Range", version) != version:
            return 0, 200
        start = int(asked[len("bytes="):-1])
        return (start, 206) if start < length else (start, 416)

    def misbehave(self, how, stall_ms):
        self.close_connection = True
        if how == "stall":
            time.sleep(stall_ms / 1000.0)
            return
        # What was sent reaches the client first; a reset would throw away what is queued.
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            queued = fcntl.ioctl(self.connection, termios.TIOCOUTQ, struct.pack("i", 0))
            if struct.unpack("i", queued)[0] == 0:
                break
            time.sleep(0.005)
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server((sys.argv[3] if len(sys.argv) > 3 else "127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
