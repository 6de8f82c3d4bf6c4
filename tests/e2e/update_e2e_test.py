#!/usr/bin/env python3
"""End-to-end tests of the updater: velmora-publish makes release trees, the test
servers serve them, and velmora-update (its test build, which takes the server and
key from the environment) updates real folders, natively or under Wine.

Run through tests/servers/with-servers with --nginx-root and --fault-root naming
the same folder, and these variables:
  VUP_E2E_PUBLISH   the native velmora-publish
  VUP_E2E_UPDATE    velmora-update-test (native, or the .exe for Wine)
  VUP_E2E_WINE      the Wine prefix when VUP_E2E_UPDATE is a Windows program
  VUP_E2E_WIN_PUBLISH, VUP_E2E_HOLD   velmora-publish.exe and hold_file.exe (Wine only)
"""
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, "..", "..", "cmake", "wine-run")
SITE = os.environ.get("VUP_NGINX_ROOT", "")
PUBLISH = os.environ.get("VUP_E2E_PUBLISH", "")
UPDATE = os.environ.get("VUP_E2E_UPDATE", "")
WINE = os.environ.get("VUP_E2E_WINE", "")
FLOOR = 1794484334


def windows_path(path):
    """How a Windows program under Wine names a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*args):
    return [WINE_RUN, WINE] + list(args)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def write(folder, relative, content):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode())
    return path


def tree(folder):
    """Every file below folder (relative path -> SHA-256), "/" separators."""
    found = {}
    for top, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(top, name)
            found[os.path.relpath(path, folder).replace(os.sep, "/")] = sha256(path)
    return found


class Release:
    """A key pair and the trees published with it under SITE/<name>/."""

    def __init__(self, work, name):
        self.work = work
        self.key_file = os.path.join(work, name + ".key")
        result = subprocess.run([PUBLISH, "keygen", "--secret-key", self.key_file],
                                capture_output=True, text=True, check=True)
        self.public_key = result.stdout.strip()
        assert len(self.public_key) == 44, result
        self.sites = set()

    def publish(self, game, site, seq, *extra):
        out = os.path.join(SITE, site)
        self.sites.add(out)
        result = subprocess.run([PUBLISH, "build", "--game", game, "--out", out, "--secret-key",
                                 self.key_file, "--seq", str(seq)] + list(extra),
                                capture_output=True, text=True)
        assert result.returncode == 0, result.stderr
        return site


class Run:
    def __init__(self, completed):
        self.code = completed.returncode
        self.output = completed.stderr

    def lines(self, start):
        return [l for l in self.output.splitlines() if l.startswith(start)]


class UpdaterTest(unittest.TestCase):
    counter = 0

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vup-e2e-")
        self.addCleanup(shutil.rmtree, self.work, True)
        UpdaterTest.counter += 1
        self.name = "t%d-%d" % (os.getpid(), UpdaterTest.counter)
        self.release = Release(self.work, self.name)
        self.addCleanup(lambda: [shutil.rmtree(site, True) for site in self.release.sites])
        self.game = os.path.join(self.work, "game")
        self.folder = os.path.join(self.work, "player")
        os.makedirs(self.folder)
        self.state_home = os.path.join(self.work, "state")
        self.seq = FLOOR + 1000

    # -- helpers ---------------------------------------------------------------
    def make_game(self, files):
        for relative, content in files.items():
            write(self.game, relative, content)

    def publish(self, *extra, site=None, release=None, seq=None):
        self.seq = seq if seq is not None else self.seq + 1
        return (release or self.release).publish(self.game, site or self.name, self.seq, *extra)

    def command(self, *args, folder=None):
        folder = folder or self.folder
        if WINE:
            return wine(UPDATE, "--folder", windows_path(folder), *args)
        return [UPDATE, "--folder", folder, *args]

    def environment(self, base_url, site, key, extra=None):
        env = dict(os.environ)
        env["VELMORA_TEST_UPDATE_URL"] = base_url + site + "/"
        env["VELMORA_TEST_PUBLIC_KEY"] = key or self.release.public_key
        env["XDG_STATE_HOME"] = self.state_home
        env.update(extra or {})
        return env

    def update(self, *args, site=None, key=None, base=None, folder=None, extra=None, timeout=300):
        base = base or os.environ["VUP_NGINX_URL"]
        completed = subprocess.run(self.command(*args, folder=folder), capture_output=True, text=True,
                                   env=self.environment(base, site or self.name, key, extra), timeout=timeout,
                                   errors="replace")
        return Run(completed)

    def assert_same_as_game(self, extra=()):
        found = tree(self.folder)
        for name in ("VelmoraUpdater.state.json",) + tuple(extra):
            found.pop(name, None)
        self.assertEqual(found, tree(self.game))

    def log_text(self):
        path = os.path.join(self.state_home, "VelmoraUpdater", "updater.log")
        if WINE or not os.path.exists(path):
            return None
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def standard_game(self):
        self.make_game({
            "KSLv41.exe": b"MZ game " * 1000,
            "Data/Map.rk": b"map data " * 5000,
            "Data/Sub/deep.dll": b"\x00\x01\x02" * 7000,
            "readme.txt": "Velmora\n",
            "empty.bin": b"",
        })

    # -- the normal road -------------------------------------------------------
    def test_install_then_nothing_to_do(self):
        self.standard_game()
        self.publish()
        first = self.update("--install")
        self.assertEqual(first.code, 0, first.output)
        self.assertEqual(len(first.lines("[")), 5)
        self.assert_same_as_game()

        second = self.update()
        self.assertEqual(second.code, 0, second.output)
        self.assertEqual(second.lines("  checking"), [])
        self.assertEqual(second.lines("["), [])
        self.assertIn("5 files are up to date, 0 to download (0.0 MB).", second.output)
        log = self.log_text()
        if log is not None:
            runs = log.split("VelmoraUpdater\n")
            self.assertNotIn("  checking", runs[-1])
            self.assertIn("Up to date.", runs[-1])

    def test_listed_launcher_is_an_ordinary_file_for_velmora_update(self):
        # velmora-update is not the launcher it downloads: no swap, no backup.
        self.standard_game()
        launcher = write(self.work, "build/VelmoraUpdater.exe", b"MZ the launcher " * 100)
        self.publish("--launcher", launcher)
        run = self.update("--install", "--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(tree(self.folder).get("VelmoraUpdater.exe"), sha256(launcher))
        self.assertNotIn("The launcher was replaced", run.output)
        self.assertEqual(sorted(n for n in os.listdir(self.folder) if n.startswith("VelmoraUpdater.exe")),
                         ["VelmoraUpdater.exe"])

    def test_changed_file_downloaded_and_touched_file_hashed_once(self):
        self.standard_game()
        self.publish()
        self.assertEqual(self.update("--install").code, 0)

        write(self.folder, "Data/Map.rk", b"broken")
        readme = os.path.join(self.folder, "readme.txt")
        later = time.time() + 100
        os.utime(readme, (later, later))
        run = self.update()
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(run.lines("["), ["[1/1] Data/Map.rk (0.0 MB)"])
        self.assertEqual(run.lines("  checking"), ["  checking readme.txt (0.0 MB)"])
        self.assert_same_as_game()

        again = self.update()
        self.assertEqual(again.code, 0, again.output)
        self.assertEqual(again.lines("  checking"), [])
        self.assertEqual(again.lines("["), [])

    def edit_keeping_time(self, relative, content):
        """Changes a file without changing its size or time, as a copy with cp -p,
        rsync -t or tar can leave it."""
        path = os.path.join(self.folder, relative)
        before = os.stat(path)
        self.assertEqual(len(content), before.st_size)
        write(self.folder, relative, content)
        os.utime(path, ns=(before.st_atime_ns, before.st_mtime_ns))

    def test_full_check_repairs_what_the_state_vouches_for(self):
        self.standard_game()
        self.publish()
        self.assertEqual(self.update("--install").code, 0)
        self.edit_keeping_time("Data/Map.rk", b"MAP DATA " * 5000)

        # The state stands for the content: the edit goes unseen, as designed.
        run = self.update("--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(run.lines("  checking"), [])
        self.assertNotEqual(tree(self.folder)["Data/Map.rk"], tree(self.game)["Data/Map.rk"])

        run = self.update("--full", "--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertIn("Full check: every game file is read, whatever the saved state says.", run.output)
        self.assertEqual(run.lines("["), ["[1/1] Data/Map.rk (0.0 MB)"])
        self.assertIn("4 files are up to date, 1 to download (0.0 MB).", run.output)
        # Every file is read by the run and again by the check.
        checked = sorted(l.split(" (")[0] for l in run.lines("  checking "))
        self.assertEqual(checked, sorted(["  checking " + name for name in tree(self.game)] * 2))
        self.assertIn("The game files are complete and unchanged.", run.output)
        self.assert_same_as_game()

        # An intact folder: everything read, nothing downloaded, and the state
        # written then spares the next run.
        run = self.update("--full")
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(len(run.lines("  checking ")), 5)
        self.assertEqual(run.lines("["), [])
        self.assertIn("5 files are up to date, 0 to download (0.0 MB).", run.output)
        run = self.update("--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(run.lines("  checking"), [])

    def test_full_check_trusts_no_record_of_a_file_that_left(self):
        # Removing a file that left the game takes the recorded size and time as
        # proof that it is the installed one; the full check asks for its hash.
        self.standard_game()
        self.make_game({"old.dll": b"old code"})
        self.publish()
        self.assertEqual(self.update("--install").code, 0)
        self.edit_keeping_time("old.dll", b"new code")
        os.remove(os.path.join(self.game, "old.dll"))
        self.publish()
        run = self.update("--full")
        self.assertEqual(run.code, 0, run.output)
        self.assertIn("Left old.dll in place: it is no longer part of the game, but it is not the file the "
                      "updater installed.", run.output)
        with open(os.path.join(self.folder, "old.dll"), "rb") as f:
            self.assertEqual(f.read(), b"new code")

    def test_keep_local_kept_and_restored_when_missing(self):
        self.standard_game()
        self.make_game({"options.ini": "[video]\nsize=1\n"})
        self.publish("--keep-local", "options.ini")
        self.assertEqual(self.update("--install").code, 0)

        write(self.folder, "options.ini", "[video]\nsize=3\nmine=yes\n")
        run = self.update("--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(run.lines("["), [])
        with open(os.path.join(self.folder, "options.ini")) as f:
            self.assertIn("mine=yes", f.read())

        os.remove(os.path.join(self.folder, "options.ini"))
        run = self.update()
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(run.lines("["), ["[1/1] options.ini (0.0 MB)"])
        self.assert_same_as_game()

    def test_files_that_left_the_game(self):
        self.standard_game()
        self.make_game({"old.dll": b"old code", "Mods/Edited.DLL": b"their code", "notes.txt": "x"})
        self.publish()
        self.assertEqual(self.update("--install").code, 0)
        write(self.folder, "Mods/Edited.DLL", b"the player changed this")

        for name in ("old.dll", "Mods/Edited.DLL", "notes.txt"):
            os.remove(os.path.join(self.game, name))
        self.publish()
        run = self.update("--verify")
        self.assertEqual(run.code, 24, run.output)  # the edited DLL stays, and is foreign now
        self.assertIn("Removed old.dll (no longer part of the game).", run.output)
        self.assertIn("Left mods/edited.dll in place: it is no longer part of the game, but it is not the "
                      "file the updater installed.", run.output)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "old.dll")))
        self.assertTrue(os.path.exists(os.path.join(self.folder, "Mods", "Edited.DLL")))
        self.assertTrue(os.path.exists(os.path.join(self.folder, "notes.txt")))  # never deleted
        self.assertIn("a file that is not part of the game is in the game folder: Mods/Edited.DLL. "
                      "Remove it, then try again.", run.output)

        os.remove(os.path.join(self.folder, "Mods", "Edited.DLL"))
        run = self.update("--verify")
        self.assertEqual(run.code, 0, run.output)
        self.assertNotIn("Left ", run.output)  # forgotten by the state

    def test_foreign_files_refused_before_play(self):
        self.standard_game()
        self.publish()
        self.assertEqual(self.update("--install", "--verify").code, 0)
        for name in ("zz.rk", "a/cheat.dll", "b.DLL", "notes.txt", "data/map.rk.bak"):
            write(self.folder, name, "x")
        run = self.update("--verify")
        self.assertEqual(run.code, 24, run.output)
        self.assertIn("An unknown file was found: a file that is not part of the game is in the game folder: "
                      "a/cheat.dll (and 2 more). Remove it, then try again.", run.output)

    # -- less tidy machines ------------------------------------------------------
    def test_game_folder_through_a_link(self):
        if WINE:
            self.skipTest("a linked game folder is a POSIX server's set-up")
        self.standard_game()
        self.make_game({"Mods/Old.DLL": b"old code"})
        self.publish()
        linked = os.path.join(self.work, "linked")
        os.symlink(self.folder, linked)
        run = self.update("--install", "--verify", folder=linked)
        self.assertEqual(run.code, 0, run.output)
        self.assert_same_as_game()

        os.remove(os.path.join(self.game, "Mods", "Old.DLL"))
        self.publish()
        run = self.update("--verify", folder=linked)
        self.assertEqual(run.code, 0, run.output)
        self.assertIn("Removed mods/old.dll (no longer part of the game).", run.output)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "Mods", "Old.DLL")))

    def test_long_game_folder(self):
        # Beyond the 260 characters of a plain Windows path (Wine does not hold
        # plain paths to that limit, so this checks that nothing else breaks).
        folder = os.path.join(self.work, "a" * 100, "b" * 100, "c" * 60)
        os.makedirs(folder)
        self.assertGreater(len(windows_path(folder) if WINE else folder), 260)
        self.standard_game()
        self.publish()
        run = self.update("--install", "--verify", folder=folder)
        self.assertEqual(run.code, 0, run.output)
        again = self.update("--verify", folder=folder)
        self.assertEqual(again.code, 0, again.output)
        self.assertIn("5 files are up to date, 0 to download (0.0 MB).", again.output)
        self.assertTrue(os.path.exists(os.path.join(folder, "VelmoraUpdater.state.json")))

    def test_special_files_never_block(self):
        if WINE:
            self.skipTest("pipes in the game folder are a POSIX matter")
        self.standard_game()
        self.publish()
        os.mkfifo(os.path.join(self.folder, "VelmoraUpdater.state.json"))
        run = self.update("--install", timeout=60)
        self.assertEqual(run.code, 0, run.output)
        self.assertIn("Note: the saved state could not be read and is rebuilt", run.output)
        self.assert_same_as_game()

        readme = os.path.join(self.folder, "readme.txt")
        os.remove(readme)
        os.mkfifo(readme)
        run = self.update(timeout=60)
        self.assertEqual(run.code, 22, run.output)
        self.assertIn("unsafe file location for readme.txt: %s is not a regular file" % readme, run.output)

    def test_publisher_signs_what_it_stored(self):
        if WINE:
            self.skipTest("the native publisher is tested natively")
        self.make_game({"a.bin": os.urandom(64 * 1048576), "z.bin": b"before"})
        out = os.path.join(SITE, self.name)
        self.release.sites.add(out)
        build = subprocess.Popen([PUBLISH, "build", "--game", self.game, "--out", out, "--secret-key",
                                  self.release.key_file, "--seq", str(self.seq)],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        # The first content being stored: every file is listed, none but a.bin read yet.
        files = os.path.join(out, "files")
        for _ in range(60000):
            if os.path.isdir(files) and os.listdir(files):
                break
            time.sleep(0.001)
        write(self.game, "z.bin", b"after, and longer")
        _, errors = build.communicate(timeout=300)
        if build.returncode != 0:
            self.assertIn("z.bin changed while it was being published", errors)
            return
        verify = subprocess.run([PUBLISH, "verify", "--out", out, "--public-key", self.release.public_key],
                                capture_output=True, text=True)
        self.assertEqual(verify.returncode, 0, verify.stderr)

    # -- what must change nothing ----------------------------------------------
    def test_older_manifest_refused(self):
        self.standard_game()
        self.publish(seq=FLOOR + 500)
        self.assertEqual(self.update("--install").code, 0)
        older = self.publish(site=self.name + "-old", seq=FLOOR + 400)
        before = tree(self.folder)
        run = self.update(site=older)
        self.assertEqual(run.code, 21, run.output)
        self.assertIn("The update could not be trusted: the manifest is older than one already seen (%d)"
                      % (FLOOR + 400), run.output)
        self.assertEqual(tree(self.folder), before)

    def test_other_key_refused_and_nothing_written(self):
        self.standard_game()
        other = Release(self.work, self.name + "-other")
        self.publish(release=other)
        run = self.update("--install")
        self.assertEqual(run.code, 21, run.output)
        self.assertIn("The update could not be trusted: the manifest signature does not verify", run.output)
        self.assertEqual(os.listdir(self.folder), [])

    # -- damaged transfers -----------------------------------------------------
    def fault_base(self, mode):
        return os.environ["VUP_FAULT_URL"] + "tree/" + mode + "/"

    def test_damaged_file_retried_then_refused(self):
        self.make_game({"KSLv41.exe": b"game" * 100})
        self.publish()
        started = time.monotonic()
        run = self.update("--install", base=self.fault_base("flip"))
        self.assertEqual(run.code, 31, run.output)
        attempts = run.lines("  KSLv41.exe: the file arrived damaged (its hash does not match the manifest)")
        self.assertEqual([a[-16:] for a in attempts], ["(attempt 1 of 3)", "(attempt 2 of 3)", "(attempt 3 of 3)"])
        self.assertIn("A download failed: KSLv41.exe: the file arrived damaged", run.output)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)
        self.assertEqual(os.listdir(self.folder), [])

    def test_transfer_faults(self):
        self.make_game({"KSLv41.exe": b"game" * 100})
        self.publish()
        cases = [
            ("extra", 31, "  KSLv41.exe: the server sent more than expected (attempt 1 of 3)"),
            ("short", 31, "  KSLv41.exe: the file arrived with the wrong size (399 bytes, expected 400) (attempt 1 of 3)"),
            ("status-404", 31, "  KSLv41.exe: the server answered 404 (attempt 1 of 3)"),
            ("drop-once", 0, "  KSLv41.exe: network problem: "),  # last: it installs the file
        ]
        for mode, code, line in cases:
            with self.subTest(mode):
                run = self.update("--install", base=self.fault_base(mode))
                self.assertEqual(run.code, code, run.output)
                self.assertTrue(any(l.startswith(line) for l in run.output.splitlines()), run.output)
                self.assertFalse([n for n in os.listdir(self.folder) if n.endswith(".vup-part")])
        self.assert_same_as_game()

    def test_interrupt_stops_cleanly(self):
        self.make_game({"KSLv41.exe": b"game" * 100, "a.rk": b"a" * 100000, "b.rk": b"b" * 100000})
        self.publish()
        env = self.environment(self.fault_base("slow"), self.name, None)
        process = subprocess.Popen(self.command("--install"), env=env, stderr=subprocess.PIPE, text=True)
        seen = []
        for line in process.stderr:
            seen.append(line)
            if line.startswith("[1/3]"):
                time.sleep(0.5)
                process.send_signal(signal.SIGINT)
                break
        seen.extend(process.stderr)
        process.stderr.close()
        self.assertEqual(process.wait(timeout=30), 40, "".join(seen))
        self.assertIn("the update was stopped before it finished. Run VelmoraUpdater again to finish it.",
                      "".join(seen))
        self.assertEqual([n for n in os.listdir(self.folder) if n.endswith(".vup-part")], [])
        self.assertFalse(os.path.exists(os.path.join(self.folder, "VelmoraUpdater.state.json")))

    def hold(self, path):
        """Opens path under Wine the way a virus scanner looks at a file (read access,
        sharing read only) until the returned function lets it go."""
        release = path + ".let-go"
        holder = subprocess.Popen(wine(os.environ["VUP_E2E_HOLD"], windows_path(path), windows_path(release)))
        for _ in range(300):
            if os.path.exists(path + ".held") or holder.poll() is not None:
                break
            time.sleep(0.1)
        self.assertTrue(os.path.exists(path + ".held"), "the holder did not open " + path)

        def let_go():
            if holder.poll() is None:
                write(os.path.dirname(release), os.path.basename(release), "")
                holder.wait(timeout=60)
            for leftover in (path + ".held", release):
                if os.path.exists(leftover):
                    os.remove(leftover)
        self.addCleanup(let_go)
        return let_go

    def update_watching(self, on_line):
        """An update run whose output lines go to on_line(line, process) as they come."""
        env = self.environment(os.environ["VUP_NGINX_URL"], self.name, None)
        process = subprocess.Popen(self.command(), env=env, stderr=subprocess.PIPE, text=True, errors="replace")
        seen = []
        for line in process.stderr:
            seen.append(line)
            on_line(line, process)
        process.stderr.close()
        return process.wait(timeout=60), "".join(seen)

    def installed_then_changed(self):
        """An installed folder, and a release with a new Data/Map.rk (the old file's path)."""
        if not WINE:
            self.skipTest("only Windows keeps a file from being replaced while another program has it open")
        self.standard_game()
        self.publish()
        self.assertEqual(self.update("--install").code, 0)
        write(self.game, "Data/Map.rk", b"new map data " * 5000)
        self.publish()
        return os.path.join(self.folder, "Data", "Map.rk")

    def assert_old_file_kept(self, target):
        self.assertEqual([n for n in tree(self.folder) if n.endswith(".vup-part")], [])
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"map data " * 5000)

    def test_file_held_for_a_moment_is_waited_for(self):
        target = self.installed_then_changed()
        let_go = self.hold(target)
        timer = threading.Timer(3, let_go)

        def on_line(line, _):
            if line.startswith("[1/1] Data/Map.rk"):  # the download starts: the move comes within a second
                timer.start()
        try:
            code, output = self.update_watching(on_line)
        finally:
            timer.cancel()
            let_go()
        self.assertEqual(code, 0, output)
        self.assertIn("  Data/Map.rk is held by another program; trying again for up to 10 s.", output)
        self.assert_same_as_game()

    def test_file_held_for_good(self):
        target = self.installed_then_changed()
        self.hold(target)
        started = time.monotonic()
        run = self.update()
        self.assertLess(time.monotonic() - started, 20)
        self.assertEqual(run.code, 32, run.output)
        self.assertEqual(run.lines("  Data/Map.rk is held by another program"),
                         ["  Data/Map.rk is held by another program; trying again for up to 10 s."])
        self.assertIn("Data/Map.rk is in use. Close the game and run VelmoraUpdater again.", run.output)
        self.assert_old_file_kept(target)

        # Closing the updater while it waits stops it as at any other moment.
        def on_line(line, process):
            if "is held by another program" in line:
                process.send_signal(signal.SIGINT)
        code, output = self.update_watching(on_line)
        self.assertEqual(code, 40, output)
        self.assertIn("the update was stopped before it finished. Run VelmoraUpdater again to finish it.", output)
        self.assert_old_file_kept(target)

    def test_running_launcher_swapped_in_or_kept_while_held(self):
        """velmora-update copied in as the game folder's VelmoraUpdater.exe is the
        running launcher: the new version takes its name through the swap, and while
        another program holds it, it stays as it was (code 32)."""
        if not WINE:
            self.skipTest("only Windows keeps a running program's file from being replaced")
        with open(UPDATE, "rb") as f:
            old = f.read()
        new = old + b"\0" * 4096  # padding after the program, which Windows does not read
        self.standard_game()
        self.publish("--launcher", write(self.work, "build/VelmoraUpdater.exe", new))
        self.assertEqual(self.update("--install").code, 0)
        launcher = write(self.folder, "VelmoraUpdater.exe", old)

        def run_launcher():
            return Run(subprocess.run(wine(launcher, "--folder", windows_path(self.folder)), capture_output=True,
                                      text=True, errors="replace", timeout=120,
                                      env=self.environment(os.environ["VUP_NGINX_URL"], self.name, None)))

        def launcher_files():
            return {n: sha256(os.path.join(self.folder, n)) for n in os.listdir(self.folder)
                    if n.startswith("VelmoraUpdater.exe")}

        let_go = self.hold(launcher)
        run = run_launcher()
        self.assertEqual(run.code, 32, run.output)
        self.assertIn("VelmoraUpdater.exe is in use by another program, so the launcher could not be updated.",
                      run.output)
        let_go()
        self.assertEqual(launcher_files(), {"VelmoraUpdater.exe": hashlib.sha256(old).hexdigest()})

        run = run_launcher()
        self.assertEqual(run.code, 0, run.output)
        self.assertIn("The launcher was replaced", run.output)
        self.assertEqual(launcher_files(), {"VelmoraUpdater.exe": hashlib.sha256(new).hexdigest(),
                                            "VelmoraUpdater.exe.old": hashlib.sha256(old).hexdigest()})

    def test_killed_download_leaves_no_partial_file(self):
        big = os.urandom(24 * 1048576)
        self.make_game({"KSLv41.exe": b"game", "Data/big.rk": big})
        self.publish()
        digest = hashlib.sha256(big).hexdigest()
        target = os.path.join(self.folder, "Data", "big.rk")
        env = self.environment(self.fault_base("slow"), self.name, None)
        process = subprocess.Popen(self.command("--install"), env=env, stderr=subprocess.DEVNULL)
        partial_seen = []
        stop = threading.Event()

        def watch():
            # Whenever the game file exists under its own name, it is whole.
            while not stop.is_set():
                if os.path.exists(target):
                    try:
                        if sha256(target) != digest:
                            partial_seen.append(os.path.getsize(target))
                    except OSError:
                        pass
                time.sleep(0.01)

        watcher = threading.Thread(target=watch)
        watcher.start()
        try:
            for _ in range(600):
                part = target + ".vup-part"
                if os.path.exists(part) and os.path.getsize(part) > 0:
                    break
                time.sleep(0.01)
            time.sleep(0.3)
            process.kill()
            process.wait(timeout=30)
            # Killed in the middle: the file is not in place yet, its temporary file is.
            self.assertFalse(os.path.exists(target))
            self.assertTrue(os.path.exists(target + ".vup-part"))
            run = self.update("--install")
        finally:
            stop.set()
            watcher.join()
        self.assertEqual(run.code, 0, run.output)
        self.assertEqual(partial_seen, [])
        self.assert_same_as_game()
        self.assertFalse(os.path.exists(target + ".vup-part"))

    def test_full_disk_stops_before_any_download(self):
        small = os.path.join(self.work, "small-disk")
        os.makedirs(small)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16m", "tmpfs", small],
                                 capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here: " + mounted.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", "-l", small])
        self.make_game({"KSLv41.exe": b"game" * 1000, "Data/Map.rk": os.urandom(1048576)})
        self.publish()
        run = self.update("--install", folder=small)
        self.assertEqual(run.code, 30, run.output)
        self.assertRegex(run.output, r"Not enough disk space: not enough free disk space: 65\.0 MB needed, "
                                     r"1[0-6]\.[0-9] MB free")
        self.assertEqual(run.lines("["), [])
        self.assertEqual(os.listdir(small), [])

    def test_out_of_memory_is_code_60(self):
        self.standard_game()
        self.publish()
        cases = [
            ("progress", ("--install",)),  # inside a transfer
            ("Checking the game files", ("--install", "--verify")),  # in the check after the update
        ]
        for where, args in cases:
            with self.subTest(where):
                run = self.update(*args, extra={"VELMORA_TEST_OUT_OF_MEMORY_AT": where})
                self.assertEqual(run.code, 60, run.output)
                self.assertIn("Something went wrong: unexpected error: std::bad_alloc", run.output)
                self.assertEqual([n for n in tree(self.folder) if n.endswith(".vup-part")], [])

    # -- through a proxy -------------------------------------------------------
    def through_proxy(self):
        """The environment of a player behind the tunnelling test proxy, nothing exempt."""
        env = {name: "" for name in ("no_proxy", "NO_PROXY", "all_proxy", "ALL_PROXY", "HTTPS_PROXY")}
        env["https_proxy"] = os.environ["VUP_PROXY_URL"]
        return env

    def proxy_log(self):
        with open(os.environ["VUP_PROXY_LOG"]) as f:
            return f.read().splitlines()

    def test_update_through_a_proxy(self):
        if WINE:
            self.skipTest("the Windows client takes the player's proxy from Windows "
                          "(test_windows_client_asks_for_the_players_proxy)")
        self.standard_game()
        self.publish()
        seen = len(self.proxy_log())
        run = self.update("--install", "--verify", extra=self.through_proxy())
        self.assertEqual(run.code, 0, run.output)
        self.assert_same_as_game()
        server = os.environ["VUP_NGINX_URL"][len("https://"):-1]
        self.assertIn("CONNECT %s HTTP/1.1" % server, self.proxy_log()[seen:])

        # A wrong certificate behind the proxy is refused as it is without one.
        run = self.update(base=os.environ["VUP_WRONG_NAME_URL"], extra=self.through_proxy())
        self.assertEqual(run.code, 25, run.output)
        self.assertIn("The update server could not be verified: the host's certificate is for a different name",
                      run.output)

    def test_windows_client_asks_for_the_players_proxy(self):
        if not WINE:
            self.skipTest("WinHTTP under Wine")
        # The automatic type makes Windows use the proxy the player set (Settings, or a
        # company's automatic configuration). Wine 8 resolves it to a direct connection
        # whatever is set, so the test reads WinHTTP's own trace of the session it opened.
        self.standard_game()
        self.publish()
        run = self.update("--install", extra={"WINEDEBUG": "trace+winhttp"})
        self.assertEqual(run.code, 0, run.output[-4000:])
        self.assert_same_as_game()
        opened = [l.split(":WinHttpOpen ", 1)[1] for l in run.output.splitlines()
                  if ":WinHttpOpen L" in l]
        self.assertTrue(opened, run.output[-4000:])
        for arguments in opened:
            self.assertTrue(arguments.startswith('L"VelmoraUpdater/1", 4, '), arguments)

    def test_windows_publisher(self):
        if not WINE:
            self.skipTest("the Windows publisher runs under Wine")
        key_file = os.path.join(self.work, "win.key")
        keygen = subprocess.run(wine(os.environ["VUP_E2E_WIN_PUBLISH"], "keygen", "--secret-key",
                                     windows_path(key_file)), capture_output=True, text=True)
        self.assertEqual(keygen.returncode, 0, keygen.stderr)
        public_key = keygen.stdout.strip()
        self.assertEqual(len(public_key), 44)
        self.standard_game()
        out = os.path.join(SITE, self.name + "-win")
        build = subprocess.run(wine(os.environ["VUP_E2E_WIN_PUBLISH"], "build", "--game", windows_path(self.game),
                                    "--out", windows_path(out), "--secret-key", windows_path(key_file)),
                               capture_output=True, text=True)
        self.assertEqual(build.returncode, 0, build.stderr)
        verify = subprocess.run(wine(os.environ["VUP_E2E_WIN_PUBLISH"], "verify", "--out", windows_path(out),
                                     "--public-key", public_key), capture_output=True, text=True)
        self.assertEqual(verify.returncode, 0, verify.stderr)
        run = self.update("--install", site=self.name + "-win", key=public_key)
        self.assertEqual(run.code, 0, run.output)
        self.assert_same_as_game()


if __name__ == "__main__":
    if not (SITE and PUBLISH and UPDATE):
        sys.exit("run through tests/servers/with-servers with VUP_E2E_PUBLISH and VUP_E2E_UPDATE set")
    unittest.main(verbosity=2)
