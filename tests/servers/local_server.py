"""What the Python test servers share: a threaded server on 127.0.0.1 (a free port)
that serves from a thread of its own and may speak TLS, and the TLS context."""
import ssl
import threading
import warnings


class LocalServer:
    """Mixed in before a socketserver.ThreadingTCPServer class; `context` is an
    ssl.SSLContext to speak TLS on every connection, or None for plain TCP."""

    daemon_threads = True
    context = None

    @property
    def port(self):
        return self.server_address[1]

    def finish_request(self, request, client_address):
        # The handshake runs on the connection's own thread, so a client that fails it
        # (as the certificate tests do on purpose) holds up nobody else.
        if self.context is not None:
            try:
                request = self.context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                request.close()
                return
        super().finish_request(request, client_address)

    def start(self):
        threading.Thread(target=self.serve_forever, daemon=True).start()
        return self

    def run(self):
        """Run on its own: print "port N", then serve until interrupted."""
        print("port", self.port, flush=True)
        try:
            self.serve_forever()
        except KeyboardInterrupt:
            pass

    def stop(self):
        self.shutdown()
        self.server_close()


def tls_context(cert, key, tls11_only=False):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    if tls11_only:
        # Old protocols are off at the default security level; this server exists to offer one.
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            context.minimum_version = ssl.TLSVersion.TLSv1_1
            context.maximum_version = ssl.TLSVersion.TLSv1_1
    return context
