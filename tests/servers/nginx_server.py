"""nginx serving one folder over HTTPS on 127.0.0.1, with its own configuration in a
temporary folder (nothing of the system's nginx setup is used or changed).

    with NginxServer(root, cert, key) as server:   # server.port; stopped on leaving
        ...
"""
import os
import shutil
import socket
import subprocess
import tempfile
import time

_CONFIG = """daemon off;
master_process off;
worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/error.log warn;
events {{ worker_connections 256; }}
http {{
  access_log off;
  client_body_temp_path {work}/body;
  proxy_temp_path {work}/proxy;
  fastcgi_temp_path {work}/fastcgi;
  uwsgi_temp_path {work}/uwsgi;
  scgi_temp_path {work}/scgi;
  default_type application/octet-stream;
  sendfile on;
  server {{
    listen 127.0.0.1:{port} ssl;
    ssl_certificate {cert};
    ssl_certificate_key {key};
    ssl_protocols TLSv1.2 TLSv1.3;
    root {root};
    location / {{ limit_rate {rate}; }}
  }}
}}
"""


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=10.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


class NginxServer:
    def __init__(self, root, cert, key, port=None, rate=0):
        self.root = os.path.abspath(root)
        self.cert = cert
        self.key = key
        self.fixed_port = port  # None: any free port
        self.rate = rate  # bytes per second and connection; 0: as fast as it goes
        self.port = None
        self._process = None
        self._work = None

    def start(self):
        self._work = tempfile.mkdtemp(prefix="vup-nginx-")
        # Another process may take a port between our check and nginx's bind; try again then.
        for _ in range(1 if self.fixed_port else 5):
            self.port = self.fixed_port or free_port()
            config = os.path.join(self._work, "nginx.conf")
            with open(config, "w") as f:
                f.write(_CONFIG.format(work=self._work, port=self.port, cert=self.cert, key=self.key,
                                       root=self.root, rate=self.rate))
            self._process = subprocess.Popen(["nginx", "-p", self._work, "-c", config, "-e", "stderr"],
                                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                             stderr=subprocess.PIPE)
            if wait_for_port(self.port, self._process):
                return self
            self._stop_process()
        self.stop()
        if self.fixed_port:
            raise RuntimeError("nginx could not listen on 127.0.0.1:%d (is the port in use?)" % self.fixed_port)
        raise RuntimeError("nginx did not start")

    def _stop_process(self):
        if self._process is None:
            return
        if self._process.poll() is None:
            self._process.terminate()
            try:
                self._process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
        if self._process.stderr:
            self._process.stderr.close()
        self._process = None

    def stop(self):
        self._stop_process()
        if self._work:
            shutil.rmtree(self._work, ignore_errors=True)
            self._work = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
