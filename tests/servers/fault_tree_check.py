"""Checks the fault server's /tree/ modes, which the end-to-end tests rely on to serve
a published tree with one fault.   python3 fault_tree_check.py
Makes a small tree (manifest.json, files/a) in a temporary folder and runs itself
again through with-servers with that folder as --fault-root.
"""
import http.client
import os
import shutil
import ssl
import subprocess
import tempfile
import sys
import unittest
import urllib.parse

ROOT = os.environ.get("VUP_FAULT_TREE", "")
FILE = bytes(range(200))


def get(path):
    url = urllib.parse.urlsplit(os.environ["VUP_FAULT_URL"])
    context = ssl.create_default_context(cafile=os.environ["VUP_TEST_CA"])
    connection = http.client.HTTPSConnection(url.hostname, url.port, context=context, timeout=10)
    try:
        connection.request("GET", path)
        response = connection.getresponse()
        length = response.getheader("Content-Length")
        try:
            body = response.read()
        except http.client.IncompleteRead as partial:
            return response.status, length, partial.partial, "dropped"
        return response.status, length, body, "whole"
    finally:
        connection.close()


class TreeModes(unittest.TestCase):
    def test_modes_change_files_but_never_the_manifest(self):
        manifest = open(os.path.join(ROOT, "manifest.json"), "rb").read()
        cases = {
            "plain": (200, FILE, "whole"),
            "nolength": (200, FILE, "whole"),
            "slow": (200, FILE, "whole"),
            "flip": (200, FILE[:-1] + bytes([FILE[-1] ^ 0xFF]), "whole"),
            "short": (200, FILE[:-1], "whole"),
            "extra": (200, FILE + b"\0", "whole"),
            "drop": (200, FILE[:100], "dropped"),
            "status-404": (404, None, "whole"),
            "status-301": (301, None, "whole"),
        }
        for mode, (status, body, ending) in cases.items():
            with self.subTest(mode=mode):
                got_status, length, got_body, got_ending = get("/tree/%s/files/a" % mode)
                self.assertEqual(got_status, status)
                self.assertEqual(got_ending, ending)
                if body is not None:
                    self.assertEqual(got_body, body)
                self.assertEqual(length is None, mode == "nolength")
                self.assertEqual(get("/tree/%s/manifest.json" % mode)[2], manifest)

    def test_drop_once_fails_only_the_first_request(self):
        self.assertEqual(get("/tree/drop-once/files/a")[3], "dropped")
        self.assertEqual(get("/tree/drop-once/files/a")[2:], (FILE, "whole"))

    def test_nothing_outside_the_root(self):
        for path in ("/tree/plain/../fault_tree_check.py", "/tree/plain/files/missing", "/tree/plain/files"):
            with self.subTest(path=path):
                self.assertEqual(get(path)[0], 404)


def run_with_servers():
    root = tempfile.mkdtemp(prefix="vup-tree-")
    try:
        os.makedirs(os.path.join(root, "files"))
        with open(os.path.join(root, "manifest.json"), "wb") as f:
            f.write(b'{"payload": "x", "sig": "y"}')
        with open(os.path.join(root, "files", "a"), "wb") as f:
            f.write(FILE)
        wrapper = os.path.join(os.path.dirname(os.path.abspath(__file__)), "with-servers")
        env = dict(os.environ, VUP_FAULT_TREE=root)
        return subprocess.run([wrapper, "--fault-root", root, "--", sys.executable, __file__], env=env).returncode
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    if "VUP_FAULT_URL" not in os.environ:
        sys.exit(run_with_servers())
    unittest.main()
