#!/usr/bin/env python3
"""The build's check of the update address and the public key: cmake/ReleaseSettings.cmake
says, case by case, what velmora-check-config (the programs' own rules) says, and a
configure of the project refuses what they refuse.

    release_settings_test.py CMAKE SOURCE_DIR VELMORA_CHECK_CONFIG
"""
import base64
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CMAKE, SOURCE, CHECK_CONFIG = (sys.argv[1:4] + ["", "", ""])[:3]
MODULE = os.path.join(SOURCE, "cmake", "ReleaseSettings.cmake")

GOOD_URL = "https://updates.example.com/game/"
GOOD_KEY = base64.b64encode(bytes(range(32))).decode()
PLUS_KEY = base64.b64encode(bytes([0xFB] * 32)).decode()  # holds "+" and "/"
SECRET_FILE = ("VELMORA-SECRET-KEY-" + GOOD_KEY + "\n# The secret key of a VelmoraUpdater release.\n")

# (address, the reason it is refused for, or None when it is accepted)
ADDRESSES = [
    ("https://updates.invalid/", None),
    (GOOD_URL, None),
    ("https://h:8443/a/b/", None),
    ("https://127.0.0.1:1/", None),
    ("https://h:65535/", None),
    ("https://h:00443/", None),
    ("https://h/a;b/", None),
    ("https://h/a b/", None),
    ("http://updates.example.com/", "it must begin with https:// (updates never come over plain http)"),
    ("HTTPS://h/", "it must begin with https://"),
    ("ftp://h/", "it must begin with https://"),
    ("", "it must begin with https://"),
    ("https://updates.example.com", "it must end with \"/\""),
    ("https://updates.example.com/game", "it must end with \"/\""),
    ("https://", "it names no host"),
    ("https:///", "it names no host"),
    ("https://:443/", "it names no host before the port"),
    ("https://h:/", "the port must be"),
    ("https://h:0/", "the port must be"),
    ("https://h:65536/", "the port must be"),
    ("https://h:123456/", "the port must be"),
    ("https://h:8a/", "the port must be"),
    ("https://user:pw@h/", "the port must be"),
    ("https://[::1]/", "the port must be"),
    ("https://user@h/", "the host name may hold only"),
    ("https://h_x:8443/", "the host name may hold only"),
    ("https://h x/", "the host name may hold only"),
]

# (key, "missing" / "secret" / "malformed", or None when it is accepted)
KEYS = [
    (GOOD_KEY, None),
    (PLUS_KEY, None),
    ("", "missing"),
    ("VELMORA-SECRET-KEY-" + GOOD_KEY, "secret"),
    (SECRET_FILE, "secret"),
    ("x VELMORA-SECRET-KEY-", "secret"),
    (GOOD_KEY[:43] + "!", "malformed"),
    (GOOD_KEY[:42] + "9=", "malformed"),  # stray bits before the "="
    (base64.b64encode(bytes(31)).decode(), "malformed"),
    (base64.b64encode(bytes(33)).decode(), "malformed"),
    (base64.b64encode(bytes(36)).decode(), "malformed"),
    (GOOD_KEY[:43], "malformed"),
    (GOOD_KEY + "\n", "malformed"),
    (" " + GOOD_KEY, "malformed"),
    (PLUS_KEY.replace("+", "-").replace("/", "_"), "malformed"),
    (GOOD_KEY[:10] + ";" + GOOD_KEY[11:], "malformed"),
]
KEY_SENTENCES = {
    "missing": "the public key is missing",
    "secret": "this is the SECRET key, not the public key",
    "malformed": "the public key is malformed",
}


def cmake_says(url, key):
    run = subprocess.run([CMAKE, "-DVELMORA_UPDATE_URL=" + url, "-DVELMORA_PUBLIC_KEY=" + key, "-P", MODULE],
                         capture_output=True, text=True)
    # The problems come first, one a line; CMake's own report of the refusal follows.
    lines = run.stderr.split("\nCMake Error at ")[0].splitlines() if run.returncode else run.stderr.splitlines()
    return run.returncode == 0, lines


def programs_say(url, key):
    run = subprocess.run([CHECK_CONFIG, url, key], capture_output=True, text=True)
    return run.returncode == 0, run.stderr.splitlines()


class Agreement(unittest.TestCase):
    def check(self, url, key, url_reason, key_kind):
        cmake = cmake_says(url, key)
        programs = programs_say(url, key)
        self.assertEqual(cmake, programs)
        accepted, lines = programs
        self.assertEqual(accepted, url_reason is None and key_kind is None, lines)
        expected = []
        if url_reason is not None:
            expected.append("the update address \"%s\" is not one the updater accepts: %s" % (url, url_reason))
        if key_kind is not None:
            expected.append(KEY_SENTENCES[key_kind])
        self.assertEqual(len(lines), len(expected), lines)
        for line, start in zip(lines, expected):
            self.assertTrue(line.startswith(start), (line, start))
        if url_reason is not None:
            self.assertTrue(lines[0].endswith("A good one: " + GOOD_URL), lines[0])

    def test_addresses(self):
        for url, reason in ADDRESSES:
            with self.subTest(url=url):
                self.check(url, GOOD_KEY, reason, None)

    def test_keys(self):
        for key, kind in KEYS:
            with self.subTest(key=key):
                self.check(GOOD_URL, key, None, kind)

    def test_both_wrong(self):
        self.check("http://h/", SECRET_FILE, "it must begin with https://", "secret")

    def test_secret_key_sentence_says_what_to_give_instead(self):
        _, lines = programs_say(GOOD_URL, "VELMORA-SECRET-KEY-" + GOOD_KEY)
        self.assertIn("velmora-publish public-key --secret-key FILE", lines[0])


class Configure(unittest.TestCase):
    """A configure of the project, which stops at the check (so it stays quick)."""

    def configure(self, *settings, toolchain=None):
        build = tempfile.mkdtemp(prefix="vup-configure-")
        self.addCleanup(shutil.rmtree, build, True)
        args = [CMAKE, "-S", SOURCE, "-B", build, "-G", "Ninja", "-DVELMORA_TESTS=OFF", *settings]
        if toolchain:
            args.append("-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE, "cmake", toolchain))
        run = subprocess.run(args, capture_output=True, text=True, timeout=300)
        cache = os.path.join(build, "CMakeCache.txt")
        self.cache = open(cache).read() if os.path.exists(cache) else ""
        # CMake wraps the lines of its messages; the words are what count.
        return run.returncode, " ".join(run.stderr.split())

    def test_secret_key_refused_in_both_builds(self):
        for toolchain in (None, "mingw-w64.cmake"):
            with self.subTest(toolchain=toolchain):
                if toolchain and not shutil.which("x86_64-w64-mingw32-g++-posix"):
                    self.skipTest("no MinGW-w64 compiler on this machine (a native-only setup)")
                code, said = self.configure("-DVELMORA_PUBLIC_KEY=" + SECRET_FILE, toolchain=toolchain)
                self.assertNotEqual(code, 0)
                self.assertIn("VELMORA_PUBLIC_KEY: this is the SECRET key, not the public key", said)
                self.assertIn("Give the public key, which velmora-publish public-key --secret-key FILE prints", said)
                # Nor does the secret stay in the build folder's cache.
                self.assertIn("VELMORA_UPDATE_URL", self.cache)
                self.assertNotIn(GOOD_KEY, self.cache)

    def test_bad_address_and_malformed_key_refused(self):
        code, said = self.configure("-DVELMORA_UPDATE_URL=http://updates.example.com",
                                    "-DVELMORA_PUBLIC_KEY=" + base64.b64encode(bytes(31)).decode())
        self.assertNotEqual(code, 0)
        self.assertIn("VELMORA_UPDATE_URL: the update address \"http://updates.example.com\" is not one the updater "
                      "accepts: it must begin with https://", said)
        self.assertIn("A good one: https://updates.example.com/game/", said)
        self.assertIn("VELMORA_PUBLIC_KEY: the public key is malformed", said)
        code, said = self.configure("-DVELMORA_UPDATE_URL=https://updates.example.com/game")
        self.assertNotEqual(code, 0)
        self.assertIn("it must end with \"/\", as a folder does", said)


if __name__ == "__main__":
    if not CHECK_CONFIG:
        sys.exit("usage: release_settings_test.py CMAKE SOURCE_DIR VELMORA_CHECK_CONFIG")
    unittest.main(argv=sys.argv[:1], verbosity=2)
