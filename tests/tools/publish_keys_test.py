#!/usr/bin/env python3
"""velmora-publish's keys, help and counted messages.

    publish_keys_test.py VELMORA_PUBLISH
"""
import base64
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PUBLISH = sys.argv[1] if len(sys.argv) > 1 else ""
FLOOR = 1794484334


def run(*args):
    return subprocess.run([PUBLISH, *args], capture_output=True, text=True)


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode())
    return path


class Keys(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vup-keys-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.game = os.path.join(self.work, "game")
        write(os.path.join(self.game, "KSLv41.exe"), b"MZ game")
        write(os.path.join(self.game, "Data", "Map.rk"), b"map")

    def keygen(self, name="release.key"):
        path = os.path.join(self.work, name)
        made = run("keygen", "--secret-key", path)
        self.assertEqual(made.returncode, 0, made.stderr)
        return path, made.stdout.strip()

    def publish_and_verify(self, key_file, public_key, out):
        built = run("build", "--game", self.game, "--out", out, "--secret-key", key_file, "--seq", str(FLOOR + 1))
        self.assertEqual(built.returncode, 0, built.stderr)
        verified = run("verify", "--out", out, "--public-key", public_key)
        self.assertEqual(verified.returncode, 0, verified.stderr)
        return built

    def test_new_key_file_says_it_is_secret_and_never_decodes_as_a_key(self):
        key_file, public_key = self.keygen()
        with open(key_file) as f:
            text = f.read()
        lines = text.splitlines()
        self.assertTrue(lines[0].startswith("VELMORA-SECRET-KEY-"), lines[0])
        self.assertEqual(len(base64.b64decode(lines[0][len("VELMORA-SECRET-KEY-"):], validate=True)), 32)
        self.assertTrue(all(line.startswith("#") for line in lines[1:]) and len(lines) > 1, text)
        self.assertIn("secret key", lines[1])
        self.assertEqual(oct(os.stat(key_file).st_mode & 0o777), "0o600")
        # Neither the whole file, its first line nor its first word passes as a public key.
        for given in (text, text.strip(), lines[0], text.split()[0]):
            with self.subTest(given=given[:30]):
                refused = run("verify", "--out", self.work, "--public-key", given)
                self.assertEqual(refused.returncode, 1)
                self.assertIn("--public-key is the secret key", refused.stderr)
        self.assertEqual(len(public_key), 44)
        self.assertEqual(len(base64.b64decode(public_key, validate=True)), 32)

    def test_public_key_prints_what_keygen_printed(self):
        key_file, public_key = self.keygen()
        again = run("public-key", "--secret-key", key_file)
        self.assertEqual((again.returncode, again.stdout, again.stderr), (0, public_key + "\n", ""))
        # A file edited on Windows (line ends CR LF) is the same key.
        with open(key_file, "rb") as f:
            crlf = write(os.path.join(self.work, "crlf.key"), f.read().replace(b"\n", b"\r\n"))
        self.assertEqual(run("public-key", "--secret-key", crlf).stdout, public_key + "\n")

    def test_old_form_key_files_still_sign_with_a_note(self):
        seed = bytes(range(32))
        old = write(os.path.join(self.work, "old.key"), base64.b64encode(seed).decode() + "\n")
        # The same seed in the new form gives the same key pair.
        new = write(os.path.join(self.work, "new.key"),
                    "VELMORA-SECRET-KEY-" + base64.b64encode(seed).decode() + "\n# a comment\n")
        printed = run("public-key", "--secret-key", new)
        self.assertEqual((printed.returncode, printed.stderr), (0, ""))
        public_key = printed.stdout.strip()

        from_old = run("public-key", "--secret-key", old)
        self.assertEqual((from_old.returncode, from_old.stdout.strip()), (0, public_key))
        notes = from_old.stderr.splitlines()
        self.assertEqual(len(notes), 1, from_old.stderr)
        self.assertIn("old.key is an old-form secret key", notes[0])
        self.assertIn("look exactly like a public key", notes[0])
        self.assertIn("make a new key with velmora-publish keygen", notes[0])

        built = self.publish_and_verify(old, public_key, os.path.join(self.work, "site"))
        self.assertIn("old.key is an old-form secret key", built.stderr)

    def test_unreadable_key_files(self):
        seed = base64.b64encode(bytes(32)).decode()
        cases = [
            ("missing", None, "does not exist"),
            ("empty", "", "is not a secret key file made by velmora-publish keygen"),
            ("only comments", "# nothing\n", "is not a secret key file"),
            ("31 bytes", "VELMORA-SECRET-KEY-" + base64.b64encode(bytes(31)).decode() + "\n", "is not a secret key"),
            ("two keys", "VELMORA-SECRET-KEY-%s\nVELMORA-SECRET-KEY-%s\n" % (seed, seed), "is not a secret key"),
            ("public key's prefix cut", "SECRET-KEY-" + seed + "\n", "is not a secret key"),
            ("a public key with the prefix", "VELMORA-SECRET-KEY-" + seed[:43] + "!\n", "is not a secret key"),
        ]
        for name, content, expected in cases:
            with self.subTest(name):
                path = os.path.join(self.work, name + ".key")
                if content is not None:
                    write(path, content)
                for command in ("public-key", "build"):
                    args = [command, "--secret-key", path]
                    if command == "build":
                        args += ["--game", self.game, "--out", os.path.join(self.work, "site")]
                    result = run(*args)
                    self.assertEqual(result.returncode, 1, result.stderr)
                    self.assertIn(expected, result.stderr)
                    self.assertEqual(result.stdout, "")

    def test_keygen_refuses_an_existing_file(self):
        key_file, _ = self.keygen()
        with open(key_file) as f:
            before = f.read()
        again = run("keygen", "--secret-key", key_file)
        self.assertEqual((again.returncode, again.stdout), (1, ""))
        self.assertIn("it must not exist yet", again.stderr)
        with open(key_file) as f:
            self.assertEqual(f.read(), before)


class HelpAndCounts(unittest.TestCase):
    def test_help_and_usage(self):
        out, err = "stdout", "stderr"
        cases = [
            (["--help"], 0, out, ["velmora-publish makes the signed update tree", "public-key --secret-key FILE"]),
            (["-h"], 0, out, ["usage: velmora-publish keygen"]),
            (["help"], 0, out, ["velmora-publish build --game DIR"]),
            ([], 2, err, ["usage: velmora-publish keygen"]),
            (["sign"], 2, err, ["unknown command sign", "usage: velmora-publish"]),
            (["keygen", "--help"], 0, out, ["VELMORA-SECRET-KEY-", "can never pass for a public key"]),
            (["help", "keygen"], 0, out, ["VELMORA-SECRET-KEY-"]),
            (["public-key", "-h"], 0, out, ["the same 44", "characters of Base64 that keygen printed"]),
            (["build", "--help"], 0, out, [
                # --created: what it is, its form, its default
                "--created TEXT     a note carried in the signed manifest", "ASCII text of at most 64",
                "Default: none", "gives it no meaning",
                # --keep-local: what it means for the player's copy, repeatable, the options file
                "belongs to\n                     the player once installed", "Repeat it for each such file",
                "quillfen.ini at the top of the game folder, is kept local by\n                     itself",
                # --seq: what it is, its default, the lowest the updater accepts
                "Default: the current time", "at least 1794484334", "least the highest seq that player's folder",
                "equal seq is accepted, a lower one is refused",
            ]),
            (["build", "--game", "x", "--help"], 0, out, ["--keep-local PATH"]),
            (["verify", "--help"], 0, out, ["usage: velmora-publish verify --out DIR --public-key KEY"]),
            (["keygen"], 2, err, ["usage: velmora-publish keygen --secret-key FILE"]),
            (["keygen", "--secret-key"], 2, err, ["missing value after --secret-key"]),
            (["public-key", "--secret"], 2, err, ["usage: velmora-publish public-key --secret-key FILE"]),
            (["build", "--game"], 2, err, ["missing value after --game"]),
            (["verify", "--out"], 2, err, ["missing value after --out"]),
            (["verify", "--out", "x"], 2, err, ["--out and --public-key are required"]),
        ]
        for args, code, stream, texts in cases:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, code, result.stdout + result.stderr)
                said, other = (result.stdout, result.stderr) if stream == out else (result.stderr, result.stdout)
                self.assertEqual(other, "")
                for text in texts:
                    self.assertIn(text, said)

    def test_counted_messages(self):
        work = tempfile.mkdtemp(prefix="vup-counts-")
        self.addCleanup(shutil.rmtree, work, True)
        key_file = os.path.join(work, "release.key")
        public_key = run("keygen", "--secret-key", key_file).stdout.strip()
        game, out = os.path.join(work, "game"), os.path.join(work, "site")
        names = ["KSLv41.exe", "Data/a.rk", "Data/b.rk"]
        write(os.path.join(game, names[0]), b"MZ game")
        for count, seq in ((1, FLOOR + 1), (3, FLOOR + 2)):
            with self.subTest(files=count):
                for name in names[1:count]:
                    write(os.path.join(game, name), name)
                built = run("build", "--game", game, "--out", out, "--secret-key", key_file, "--seq", str(seq))
                self.assertEqual(built.returncode, 0, built.stderr)
                noun = "1 file," if count == 1 else "%d files," % count
                self.assertIn("published seq %d: %s" % (seq, noun), built.stdout)
                verified = run("verify", "--out", out, "--public-key", public_key)
                self.assertIn("verified seq %d: %s" % (seq, noun), verified.stdout)

        def damage(files):
            for name in files:
                with open(os.path.join(out, "files", name), "ab") as f:
                    f.write(b"!")

        stored = sorted(os.listdir(os.path.join(out, "files")))
        for damaged, said in ((stored[:1], "1 file of the tree is not as signed"),
                              (stored[1:3], "3 files of the tree are not as signed")):
            with self.subTest(said):
                damage(damaged)
                verified = run("verify", "--out", out, "--public-key", public_key)
                self.assertEqual(verified.returncode, 1)
                self.assertEqual(verified.stderr.splitlines()[-1], "velmora-publish: " + said)


if __name__ == "__main__":
    if not PUBLISH:
        sys.exit("usage: publish_keys_test.py VELMORA_PUBLISH")
    unittest.main(argv=sys.argv[:1], verbosity=2)
