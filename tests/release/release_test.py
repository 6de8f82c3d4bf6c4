#!/usr/bin/env python3
"""Signing a Windows program, and the release command's refusals.
    VUP_SIGN_EXE=some.exe python3 release_test.py
A throw-away code-signing certificate made with openssl signs a copy of VUP_SIGN_EXE
through scripts/codesign; osslsigncode verify accepts it and refuses it once one byte
has changed. scripts/release, given what it must refuse, says why and leaves no
release folder behind. The refusals come before anything is built, except for a
malformed address or key, which the programs' own rules judge (a small build).
"""
import base64
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CODESIGN = os.path.join(ROOT, "scripts", "codesign")
RELEASE = os.path.join(ROOT, "scripts", "release")
EXE = os.environ.get("VUP_SIGN_EXE", "")
PASSWORD = "correct horse battery staple"
GOOD_KEY = base64.b64encode(bytes(range(32))).decode()


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_certificate(folder, name, usage):
    """name.p12 (password in password.txt) holding a self-signed certificate with
    the given extended key usage, and name.pem, its certificate."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".pem",
            "-days", "30", "-subj", "/CN=Velmora Test Studio " + name, "-addext", "extendedKeyUsage=" + usage,
            "-addext", "keyUsage=digitalSignature", cwd=folder)
    openssl("pkcs12", "-export", "-in", name + ".pem", "-inkey", name + ".key", "-out", name + ".p12",
            "-passout", "file:password.txt", cwd=folder)
    return os.path.join(folder, name + ".p12")


class Certificates(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        with open(os.path.join(cls.folder, "password.txt"), "w") as f:
            f.write(PASSWORD + "\n")
        with open(os.path.join(cls.folder, "wrong.txt"), "w") as f:
            f.write("not the password\n")
        with open(os.path.join(cls.folder, "junk.p12"), "w") as f:
            f.write("this is not a certificate file\n")
        cls.password = os.path.join(cls.folder, "password.txt")
        cls.signing = make_certificate(cls.folder, "signing", "codeSigning")
        cls.tls = make_certificate(cls.folder, "tls", "serverAuth")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)


@unittest.skipUnless(EXE, "VUP_SIGN_EXE names no program to sign")
class SigningTest(Certificates):
    def verify(self, path):
        # Trusting the test certificate alone, as a player's PC trusts the studio's CA.
        return subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(self.folder, "signing.pem"),
                               "-in", path], capture_output=True, text=True)

    def test_signed_program_verifies_and_one_changed_byte_does_not(self):
        work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, work)
        signed = os.path.join(work, "signed.exe")
        for how, args, env in [
                ("password from a file", ["--password-file", self.password], {}),
                ("password from the environment", [], {"VELMORA_CERT_PASSWORD": PASSWORD})]:
            with self.subTest(how):
                sign = subprocess.run([CODESIGN, "sign", "--cert", self.signing, *args, "--name", "test",
                                       EXE, signed], capture_output=True, text=True, env={**os.environ, **env})
                self.assertEqual(sign.returncode, 0, sign.stderr)
                self.assertEqual(self.verify(signed).returncode, 0, self.verify(signed).stdout)
                self.assertEqual(subprocess.run([CODESIGN, "verify", "--cert", self.signing, *args, signed],
                                                env={**os.environ, **env}).returncode, 0)

        # One byte inside the signed part: the digest no longer matches.
        with open(signed, "r+b") as f:
            f.seek(os.path.getsize(EXE) // 2)
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x01]))
        self.assertNotEqual(self.verify(signed).returncode, 0)
        check = subprocess.run([CODESIGN, "verify", "--cert", self.signing, "--password-file", self.password, signed],
                               capture_output=True, text=True)
        self.assertNotEqual(check.returncode, 0)
        self.assertIn("does not carry a valid signature", check.stderr)


class RefusalTest(Certificates):
    def release(self, *args, env=None, script=RELEASE):
        out = os.path.join(self.work, "dist")
        result = subprocess.run([script, "--out", out, "--build", os.path.join(self.work, "build"), *args],
                                capture_output=True, text=True, env={**os.environ, **(env or {})})
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertFalse(os.path.exists(out), "a release folder was left behind")
        return result.stderr

    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)

    def test_certificates_that_cannot_sign(self):
        url = ["--url", "https://updates.example.com/", "--public-key", GOOD_KEY]
        cases = [
            ("wrong password", ["--cert", self.signing, "--cert-password-file", os.path.join(self.folder, "wrong.txt")],
             {}, "the password does not open"),
            ("wrong password in the environment", ["--cert", self.signing], {"VELMORA_CERT_PASSWORD": "nope"},
             "the password does not open"),
            ("no password", ["--cert", self.signing], {}, "needs its password"),
            ("not for code signing", ["--cert", self.tls, "--cert-password-file", self.password], {},
             "is not for code signing"),
            ("a file that is not a certificate", ["--cert", os.path.join(self.folder, "junk.p12"),
                                                  "--cert-password-file", self.password], {},
             "does not open as a PKCS#12 certificate file"),
            ("a file that is not there", ["--cert", os.path.join(self.folder, "missing.p12"),
                                          "--cert-password-file", self.password], {}, "cannot be read"),
            ("a password on the command line", ["--cert", self.signing, "--cert-password", PASSWORD], {},
             "visible to every user"),
        ]
        for name, args, env, message in cases:
            with self.subTest(name):
                environment = {k: v for k, v in os.environ.items() if k != "VELMORA_CERT_PASSWORD"}
                environment.update(env)
                result = subprocess.run([RELEASE, "--out", os.path.join(self.work, "dist"), *url, *args],
                                        capture_output=True, text=True, env=environment)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.work, "dist")))

    def test_missing_address_or_key(self):
        self.assertIn("--public-key is missing", self.release("--url", "https://updates.example.com/"))
        self.assertIn("--url is missing", self.release("--public-key", GOOD_KEY))

    def test_malformed_address_and_key_by_the_programs_rules(self):
        message = self.release("--url", "http://updates.example.com/", "--public-key", GOOD_KEY[:43] + "!")
        self.assertIn("is not one the updater accepts", message)
        self.assertIn("the public key is malformed", message)
        message = self.release("--url", "https://updates.example.com/", "--public-key", "VELMORA-SECRET-KEY-" + GOOD_KEY)
        self.assertIn("release: this is the SECRET key, not the public key", message)

    def test_dirty_work_tree_when_reproducibility_is_asked_for(self):
        clone = os.path.join(self.work, "clone")
        subprocess.run(["git", "clone", "--quiet", "--shared", ROOT, clone], check=True)
        with open(os.path.join(clone, "README.md"), "a") as f:
            f.write("a change that is not committed\n")
        message = self.release("--url", "https://updates.example.com/", "--public-key", GOOD_KEY, "--reproducible",
                               script=os.path.join(clone, "scripts", "release"))
        self.assertIn("not committed", message)
        self.assertIn("README.md", message)


if __name__ == "__main__":
    unittest.main()
