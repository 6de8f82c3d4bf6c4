"""A small forward proxy that only tunnels, as company proxies do for HTTPS.

    python3 connect_proxy.py [--cert C --key K] [--log FILE]   # prints "port N", serves until killed

Listens on 127.0.0.1 only, on a free port; with --cert and --key the proxy itself
speaks TLS (an "https://" proxy). "CONNECT host:port HTTP/1.1" to localhost or
127.0.0.1 answers "200 Connection established" and relays bytes both ways until
either side closes. Any other target gets 403, any other method 405, so nothing
leaves the machine. Every request line is appended to --log, one per line, so a
test can tell that its request went through the proxy.
"""
import argparse
import select
import socket
import socketserver
import ssl
import sys
import threading

from local_server import LocalServer, tls_context

ALLOWED_HOSTS = ("localhost", "127.0.0.1")
HEADER_LIMIT = 16384


class ProxyHandler(socketserver.BaseRequestHandler):
    def handle(self):
        client = self.request
        client.settimeout(30)
        try:
            head = self._read_head(client)
        except (OSError, ssl.SSLError):
            return
        if head is None:
            return
        head, _, early = head.partition(b"\r\n\r\n")  # bytes sent before the tunnel opened
        request_line = head.split(b"\r\n", 1)[0].decode("latin-1")
        self.server.record(request_line)
        parts = request_line.split(" ")
        if len(parts) != 3 or parts[0] != "CONNECT":
            return self._answer(client, "405 Method Not Allowed")
        host, _, port = parts[1].rpartition(":")
        if host not in ALLOWED_HOSTS or not port.isdigit():
            return self._answer(client, "403 Forbidden")
        try:
            upstream = socket.create_connection(("127.0.0.1", int(port)), timeout=10)
        except OSError:
            return self._answer(client, "502 Bad Gateway")
        with upstream:
            try:
                client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
                if early:
                    upstream.sendall(early)
                self._relay(client, upstream)
            except (OSError, ssl.SSLError):
                pass

    @staticmethod
    def _read_head(client):
        head = b""
        while b"\r\n\r\n" not in head:
            if len(head) > HEADER_LIMIT:
                return None
            chunk = client.recv(4096)
            if not chunk:
                return None
            head += chunk
        return head

    @staticmethod
    def _answer(client, status):
        try:
            client.sendall(("HTTP/1.1 %s\r\nContent-Length: 0\r\nConnection: close\r\n\r\n" % status).encode())
        except (OSError, ssl.SSLError):
            pass

    @staticmethod
    def _relay(client, upstream):
        upstream.settimeout(None)
        client.settimeout(None)
        while True:
            # A TLS socket may hold decrypted bytes that select cannot see.
            pending = isinstance(client, ssl.SSLSocket) and client.pending() > 0
            ready = [client] if pending else select.select([client, upstream], [], [], 60)[0]
            if not ready:
                return
            for source in ready:
                target = upstream if source is client else client
                data = source.recv(65536)
                if not data:
                    return
                target.sendall(data)


class ConnectProxy(LocalServer, socketserver.ThreadingTCPServer):
    allow_reuse_address = True

    def __init__(self, context=None, log=None):
        super().__init__(("127.0.0.1", 0), ProxyHandler)
        self.context = context
        self.log = log
        self.lock = threading.Lock()

    def record(self, line):
        if self.log:
            with self.lock, open(self.log, "a", encoding="latin-1") as f:
                f.write(line + "\n")

    def handle_error(self, request, client_address):
        pass


def main():
    parser = argparse.ArgumentParser(description="Tunnelling (CONNECT) proxy on 127.0.0.1")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--log")
    args = parser.parse_args()
    if bool(args.cert) != bool(args.key):
        parser.error("--cert and --key go together")
    context = tls_context(args.cert, args.key) if args.cert else None
    ConnectProxy(context, args.log).run()


if __name__ == "__main__":
    sys.exit(main())
