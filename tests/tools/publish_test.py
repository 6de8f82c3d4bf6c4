#!/usr/bin/env python3
"""velmora-publish build on its own: what a release carries and what it refuses.

    publish_test.py VELMORA_PUBLISH
"""
import base64
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PUBLISH = sys.argv[1] if len(sys.argv) > 1 else ""
FLOOR = 1794484334


def write(folder, relative, content):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode())
    return path


class PublishBuildTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vup-publish-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.key = os.path.join(self.work, "release.key")
        keygen = subprocess.run([PUBLISH, "keygen", "--secret-key", self.key], capture_output=True, text=True)
        self.assertEqual(keygen.returncode, 0, keygen.stderr)
        self.public_key = keygen.stdout.strip()
        self.game = os.path.join(self.work, "game")
        self.out = os.path.join(self.work, "site")
        write(self.game, "KSLv41.exe", b"MZ game")
        write(self.game, "Data/Map.rk", b"map")

    def build(self, *extra):
        return subprocess.run([PUBLISH, "build", "--game", self.game, "--out", self.out, "--secret-key", self.key,
                               "--seq", str(FLOOR + 1)] + list(extra), capture_output=True, text=True)

    def manifest(self):
        verify = subprocess.run([PUBLISH, "verify", "--out", self.out, "--public-key", self.public_key],
                                capture_output=True, text=True)
        self.assertEqual(verify.returncode, 0, verify.stderr)
        with open(os.path.join(self.out, "manifest.json")) as f:
            payload = base64.b64decode(json.load(f)["payload"])
        return {entry["path"]: entry for entry in json.loads(payload)["files"]}

    def assert_refused(self, run, *texts):
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        for text in texts:
            self.assertIn(text, run.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.out, "manifest.json")))

    def test_launcher_joins_the_release_under_its_name(self):
        program = b"MZ\x90\x00 the new launcher"
        launcher = write(self.work, "build/Velmora-1.2.exe", program)
        run = self.build("--launcher", launcher)
        self.assertEqual(run.returncode, 0, run.stderr)
        files = self.manifest()
        self.assertEqual(sorted(files), ["Data/Map.rk", "KSLv41.exe", "VelmoraUpdater.exe"])
        entry = files["VelmoraUpdater.exe"]
        digest = hashlib.sha256(program).hexdigest()
        self.assertEqual((entry["sha256"], entry["size"], entry.get("keep_local", False)),
                         (digest, len(program), False))
        self.assertTrue(os.path.exists(os.path.join(self.out, "files", digest)))

    def test_launcher_refusals(self):
        not_a_program = write(self.work, "notes.txt", "MX: not a program")
        cases = [
            ("not a Windows program", ["--launcher", not_a_program], None,
             ["notes.txt is not a Windows program (it does not begin with \"MZ\")"]),
            ("missing", ["--launcher", os.path.join(self.work, "missing.exe")], None, ["--launcher: cannot read"]),
            ("in the game folder without --launcher", [], "VelmoraUpdater.exe",
             ["VelmoraUpdater.exe: the launcher is not taken from the game folder", "--launcher FILE"]),
            ("in the game folder in other letters", [], "velmoraupdater.EXE", ["velmoraupdater.EXE: ", "--launcher"]),
            ("in the game folder and given", ["--launcher", write(self.work, "new.exe", b"MZ new")],
             "VelmoraUpdater.exe", ["VelmoraUpdater.exe: the launcher comes from --launcher"]),
        ]
        for name, extra, in_game, texts in cases:
            with self.subTest(name):
                if in_game:
                    write(self.game, in_game, b"MZ the studio's copy")
                try:
                    self.assert_refused(self.build(*extra), *texts)
                finally:
                    if in_game:
                        os.remove(os.path.join(self.game, in_game))

    def test_names_the_updater_keeps_are_refused(self):
        for name in ("VelmoraUpdater.state.json", "VelmoraUpdater.state.json.tmp", "VelmoraUpdater.installing",
                     "velmoraupdater.installing.TMP", "Data/Map.rk.vup-part", "VelmoraUpdater.exe.old",
                     "VelmoraUpdater.exe.3.old"):
            with self.subTest(name):
                path = write(self.game, name, "x")
                try:
                    self.assert_refused(self.build(), name + ": this name belongs to the updater itself")
                finally:
                    os.remove(path)

    def test_options_file_is_kept_by_the_players(self):
        write(self.game, "Quillfen.ini", "[screen]\nwidth=1024\n")
        write(self.game, "Data/quillfen.ini", "not the options file\n")
        run = self.build()
        self.assertEqual(run.returncode, 0, run.stderr)
        said = [l for l in run.stdout.splitlines() if "keep_local" in l]
        self.assertEqual(said, ["Quillfen.ini is the game's options file: marked keep_local, so that players keep "
                                "their options"])
        files = self.manifest()
        self.assertTrue(files["Quillfen.ini"].get("keep_local"))
        self.assertNotIn("keep_local", files["Data/quillfen.ini"])

        # Asked for anyway: kept, and nothing to say.
        run = subprocess.run([PUBLISH, "build", "--game", self.game, "--out", self.out, "--secret-key", self.key,
                              "--seq", str(FLOOR + 2), "--keep-local", "quillfen.ini"], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertNotIn("keep_local", run.stdout)
        self.assertTrue(self.manifest()["Quillfen.ini"].get("keep_local"))


if __name__ == "__main__":
    if not PUBLISH:
        sys.exit("usage: publish_test.py VELMORA_PUBLISH")
    unittest.main(argv=sys.argv[:1], verbosity=2)
