#!/usr/bin/env python3
"""What velmora-update says when a server host gets something wrong: each case is a
command line and a folder, with the exit code and the phrases the output must hold.
Natively, through tests/servers/with-servers, with the variables of update_e2e_test.py.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, HERE)

import update_e2e_test as e2e  # noqa: E402


class HeadlessMessagesTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vup-messages-")
        self.addCleanup(shutil.rmtree, self.work, True)
        name = "messages-%d" % os.getpid()
        self.release = e2e.Release(self.work, name)
        self.other = e2e.Release(self.work, name + "-other")
        self.addCleanup(lambda: [shutil.rmtree(s, True) for s in self.release.sites | self.other.sites])
        self.game = os.path.join(self.work, "game")
        e2e.write(self.game, "KSLv41.exe", b"MZ game " * 100)
        e2e.write(self.game, "Data/Sub/map.rk", b"map " * 100)
        self.site = self.release.publish(self.game, name, e2e.FLOOR + 10)
        self.other_site = self.other.publish(self.game, name + "-other", e2e.FLOOR + 10)
        # The same release with one file missing on the server.
        self.gap_site = self.release.publish(self.game, name + "-gap", e2e.FLOOR + 10)
        os.remove(os.path.join(e2e.SITE, self.gap_site, "files", e2e.sha256(os.path.join(self.game, "Data/Sub/map.rk"))))

    def run_update(self, args, site, base=None):
        env = dict(os.environ)
        env["VELMORA_TEST_UPDATE_URL"] = (base or os.environ["VUP_NGINX_URL"]) + site + "/"
        env["VELMORA_TEST_PUBLIC_KEY"] = self.release.public_key
        env["XDG_STATE_HOME"] = os.path.join(self.work, "state")
        done = subprocess.run([e2e.UPDATE] + args, capture_output=True, text=True, env=env, timeout=120,
                              errors="replace")
        return done.returncode, done.stderr

    def test_messages(self):
        w = self.work
        closed = os.environ["VUP_CLOSED_URL"]
        empty = os.path.join(w, "empty")
        os.makedirs(empty)
        # A game folder that already has an empty Data/ of its own, and the game.
        game_folder = os.path.join(w, "game-folder")
        os.makedirs(os.path.join(game_folder, "Data"))
        shutil.copy(os.path.join(self.game, "KSLv41.exe"), game_folder)
        a_file = e2e.write(w, "a-file", "not a folder")
        cases = [
            # (what, arguments, site, base, exit code, phrases that must appear, phrases that must not)
            ("the wrong key", ["--folder", empty, "--install"], self.other_site, None, 21,
             ["The update could not be trusted: the manifest signature does not verify",
              "signed with another key than the one built into this program"],
             ["trusted: the update could not be trusted"]),
            ("no game without --install", ["--folder", empty], self.site, None, 11,
             ["KSLv41.exe was not found next to VelmoraUpdater.exe. Put VelmoraUpdater.exe in the game folder.",
              "add --install", "--folder DIR"], []),
            ("a folder that does not exist", ["--folder", os.path.join(w, "nowhere")], self.site, None, 2,
             ["the folder '%s' does not exist" % os.path.join(w, "nowhere")], ["disk space"]),
            ("nor its parent, with --install", ["--install", "--folder", os.path.join(w, "no", "game")], self.site,
             None, 2, ["does not exist, nor does '%s'" % os.path.join(w, "no"), "only the last folder"], []),
            ("a file for a folder", ["--folder", a_file], self.site, None, 2, ["is a file, not a folder"], []),
            ("--folder without its value", ["--folder"], self.site, None, 2, ["--folder needs a folder"],
             ["unexpected argument"]),
            ("--folder followed by an option", ["--folder", "--install"], self.site, None, 2,
             ["--folder needs a folder"], []),
            ("--folder twice", ["--folder", empty, "--folder", empty], self.site, None, 2,
             ["--folder is given twice"], []),
            ("a server that is down", ["--folder", game_folder], self.site + "-x", closed, 20,
             ["Cannot reach the update server: ", "the connection to %s was refused (error 7)"
              % closed[len("https://"):-1]], ["request failed"]),
            ("a certificate from an authority the system does not trust", ["--folder", game_folder], self.site,
             os.environ["VUP_UNKNOWN_CA_URL"], 25,
             ["The update server could not be verified: the host's certificate is not from an authority this "
              "system trusts", "CURL_CA_BUNDLE"], ["verified: the update host could not be verified"]),
            ("a file missing on the server", ["--folder", game_folder], self.gap_site, None, 31,
             ["A download failed: Data/Sub/map.rk: the server answered 404",
              "The update server does not have Data/Sub/map.rk"], []),
            ("an install into a new folder", ["--install", "--folder", os.path.join(w, "new")], self.site, None, 0,
             ["Made the folder %s" % os.path.join(w, "new"), "Up to date."], []),
            ("an install into a new folder that fails", ["--install", "--folder", os.path.join(w, "new-gap")],
             self.gap_site, None, 31, ["Made the folder", "The update server does not have Data/Sub/map.rk"], []),
        ]
        for what, args, site, base, code, present, absent in cases:
            with self.subTest(what):
                got, output = self.run_update(args, site, base)
                self.assertEqual(got, code, output)
                for phrase in present:
                    self.assertIn(phrase, output)
                for phrase in absent:
                    self.assertNotIn(phrase, output)

        # What the runs left behind: the failed download removed the folder it made
        # (Data/Sub) and kept the empty one that was there (Data); the failed install
        # removed the game folder it made; the one that succeeded installed the game.
        self.assertEqual(sorted(os.listdir(game_folder)), ["Data", "KSLv41.exe"])
        self.assertEqual(os.listdir(os.path.join(game_folder, "Data")), [])
        self.assertFalse(os.path.exists(os.path.join(w, "new-gap")))
        self.assertFalse(os.path.exists(os.path.join(w, "nowhere")))
        self.assertFalse(os.path.exists(os.path.join(w, "no")))
        self.assertEqual(os.listdir(empty), [])
        installed = e2e.tree(os.path.join(w, "new"))
        installed.pop("VelmoraUpdater.state.json", None)
        self.assertEqual(installed, e2e.tree(self.game))


if __name__ == "__main__":
    if not (e2e.SITE and e2e.PUBLISH and e2e.UPDATE):
        sys.exit("run through tests/servers/with-servers with VUP_E2E_PUBLISH and VUP_E2E_UPDATE set")
    unittest.main(verbosity=2)
