"""A small HTTPS server that misbehaves on purpose, for the client and end-to-end tests.

    python3 fault_server.py --cert C --key K [--root DIR] [--tls11]   # prints "port N", serves until killed

Listens on 127.0.0.1 only, on a free port. Bodies are made of the test pattern
(byte i is i % 251). Answers by path:
  /status/<code>            that status with a short body; 3xx carry "Location: /body/16"
  /body/<n>                 n bytes with Content-Length
  /body-nolength/<n>        n bytes, no Content-Length, the end marked by closing the connection
  /announce/<length>/<n>    Content-Length <length> but n bytes; when n < length the connection
                            is dropped after them (a body that stops midway)
  /slow/<n>                 n bytes with Content-Length, in 16 pieces 0.1 s apart
  /headers                  the request's header lines, one "Name: value" per line
  /tree/<mode>/<path>       the file <path> under --root, with <mode> applied to every file
                            except any "manifest.json" (so a whole tree can be served with one fault):
                            plain, nolength, slow, flip (last byte changed), short (last byte
                            missing, length to match), extra (one byte more, length to match),
                            drop (half the bytes, then the connection drops), drop-once (drop on
                            the first request of each path, plain after), status-<code>;
                            crawl (as slow, 0.4 s between pieces); late-list: plain, but
                            "manifest.json" answers only after 8 s
Anything else is 404.
"""
import argparse
import http.server
import os
import socket
import ssl
import sys
import threading
import time

from local_server import LocalServer, tls_context

_PATTERN_BLOCK = bytes(i % 251 for i in range(251 * 1024))


def pattern(n):
    """The first n bytes of the test pattern."""
    whole, rest = divmod(n, len(_PATTERN_BLOCK))
    return _PATTERN_BLOCK * whole + _PATTERN_BLOCK[:rest]


class FaultHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VelmoraFault/1"
    sys_version = ""

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if self.server.verbose:
            sys.stderr.write("fault-server: " + (format % args) + "\n")

    # -- answers ---------------------------------------------------------------
    def _head(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def _send(self, body, length=None, status=200, extra=()):
        self._head(status, len(body) if length is None else length, extra)
        self.wfile.write(body)

    def _send_nolength(self, body):
        self._head(200, None)
        self.wfile.write(body)

    def _drop_after(self, body, length):
        self._head(200, length)
        self.wfile.write(body)
        self.wfile.flush()
        self.close_connection = True
        # Close the socket under TLS without a goodbye, as a broken link would.
        self.connection.shutdown(socket.SHUT_RDWR)

    def _send_slow(self, body, pause=0.1):
        self._head(200, len(body))
        step = max(1, -(-len(body) // 16))
        for i in range(0, len(body), step):
            self.wfile.write(body[i:i + step])
            self.wfile.flush()
            time.sleep(pause)

    def _status(self, code):
        extra = [("Location", "/body/16")] if 300 <= code < 400 else []
        self._send(("status %d\n" % code).encode(), status=code, extra=extra)

    # -- routing ---------------------------------------------------------------
    def do_GET(self):  # noqa: N802 - the base class's name
        parts = self.path.split("?", 1)[0].split("/")[1:]
        try:
            self._route(parts)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def _route(self, parts):
        kind = parts[0] if parts else ""
        numbers = [int(p) for p in parts[1:] if p.isdigit()]
        if kind == "status" and len(numbers) == 1:
            return self._status(numbers[0])
        if kind == "body" and len(numbers) == 1:
            return self._send(pattern(numbers[0]))
        if kind == "body-nolength" and len(numbers) == 1:
            return self._send_nolength(pattern(numbers[0]))
        if kind == "announce" and len(numbers) == 2:
            length, n = numbers
            if n < length:
                return self._drop_after(pattern(n), length)
            return self._send(pattern(n), length=length)
        if kind == "slow" and len(numbers) == 1:
            return self._send_slow(pattern(numbers[0]))
        if kind == "headers" and len(parts) == 1:
            return self._send("".join("%s: %s\n" % (k, v) for k, v in self.headers.items()).encode())
        if kind == "tree" and len(parts) >= 3 and self.server.root:
            return self._tree(parts[1], "/".join(parts[2:]))
        return self._status(404)

    def _tree(self, mode, relative):
        root = os.path.realpath(self.server.root)
        path = os.path.realpath(os.path.join(root, relative))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            return self._status(404)
        with open(path, "rb") as f:
            body = f.read()
        if relative.split("/")[-1] == "manifest.json":
            if mode == "late-list":
                time.sleep(8)
            return self._send(body)
        if mode in ("plain", "late-list"):
            return self._send(body)
        if mode == "drop-once":
            with self.server.lock:
                first = relative not in self.server.dropped
                self.server.dropped.add(relative)
            mode = "drop" if first else "plain"
        if mode == "plain":
            return self._send(body)
        if mode == "nolength":
            return self._send_nolength(body)
        if mode == "slow":
            return self._send_slow(body)
        if mode == "crawl":
            return self._send_slow(body, 0.4)
        if mode == "flip" and body:
            return self._send(body[:-1] + bytes([body[-1] ^ 0xFF]))
        if mode == "short" and body:
            return self._send(body[:-1])
        if mode == "extra":
            return self._send(body + b"\x00")
        if mode == "drop":
            return self._drop_after(body[:len(body) // 2], len(body))
        if mode.startswith("status-") and mode[7:].isdigit():
            return self._status(int(mode[7:]))
        return self._status(404)


class FaultServer(LocalServer, http.server.ThreadingHTTPServer):
    def __init__(self, context, root=None, verbose=False):
        super().__init__(("127.0.0.1", 0), FaultHandler)
        self.context = context
        self.root = root
        self.verbose = verbose
        self.lock = threading.Lock()
        self.dropped = set()

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser(description="Fault-injecting HTTPS test server on 127.0.0.1")
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--root")
    parser.add_argument("--tls11", action="store_true")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    FaultServer(tls_context(args.cert, args.key, args.tls11), args.root, args.verbose).run()


if __name__ == "__main__":
    main()
