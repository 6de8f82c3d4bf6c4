#!/usr/bin/env python3
"""DLLs planted beside the programs: a web page can drop a file such as winhttp.dll into
the Downloads folder a player starts VelmoraUpdater.exe from. Under Wine, with a
native-first override for each planted name (so that Wine looks in the program's
folder first, as Windows does for every DLL that is not a KnownDLL), the three programs
do their work with a planted DLL under every name that they or the system DLLs load, and
none of those DLLs is loaded: each one writes a mark beside itself when a process loads it.

Run through tests/servers/with-servers (--nginx-root naming VUP_NGINX_ROOT, --wine-prefix
naming VUP_PLANT_PREFIX) with these variables:
  VUP_PLANT_DLL       planted.dll, the DLL that is planted under each name
  VUP_PLANT_PROBE     load_library.exe, which loads DLLs by name with nothing restricted
  VUP_PLANT_UPDATER   VelmoraUpdater-test.exe (server and key from the environment)
  VUP_PLANT_UPDATE    velmora-update-test.exe
  VUP_PLANT_PUBLISH   velmora-publish.exe
  VUP_PLANT_PREFIX    the Wine prefix the tests run in
  VUP_PLANT_SHOTS     where the screenshot of the window goes
  VUP_E2E_PUBLISH     the native velmora-publish
"""
import contextlib
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)

from gui_driver import WINE_RUN, Display, UpdaterWindow, wine_env  # noqa: E402

PREFIX = os.environ.get("VUP_PLANT_PREFIX", "")
SITE = os.environ.get("VUP_NGINX_ROOT", "")
FLOOR = 1794484334

# Every name that is no KnownDLL and that a run of the programs below loads under Wine
# (WINEDEBUG=+loaddll): first what the programs link, then what the system DLLs load for
# them. Not planted: the KnownDLLs; kernelbase, which every process has before its first
# line (on Windows from the KnownDLLs too); Wine's display driver, loaded by full path.
PLANTED = ("bcrypt", "d2d1", "dwrite", "windowscodecs", "winhttp",
           "comctl32", "crypt32", "d3d10_1", "d3d10core", "d3d11", "dnsapi", "dxgi", "iphlpapi", "jsproxy",
           "kerberos", "msv1_0", "netapi32", "opengl32", "propsys", "rsaenh", "schannel", "secur32", "shcore",
           "ucrtbase", "uxtheme", "version", "win32u", "wined3d", "zlib1")

# Wine's WinHTTP delay-loads crypt32 and secur32 with a search that begins in the
# program's folder whatever the process has restricted (Windows restricts those loads
# too), and crypt32 brings bcrypt along. The programs that talk HTTPS cannot keep those
# out under Wine, so they are not planted there; velmora-publish shows bcrypt.
WINE_HTTPS_LOADS = ("crypt32", "secur32", "bcrypt")
PLANTED_FOR_HTTPS = tuple(name for name in PLANTED if name not in WINE_HTTPS_LOADS)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def native_first(names):
    return {"WINEDLLOVERRIDES": ",".join(names) + "=n,b"}


def write(folder, relative, content):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)


DISPLAY = None


def restart_wine():
    """A new Wine session on our display (the trust helper began one without it)."""
    env = wine_env(PREFIX, DISPLAY.name)
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True)


def setUpModule():
    global DISPLAY
    DISPLAY = Display()
    restart_wine()


def tearDownModule():
    restart_wine()
    DISPLAY.stop()


class PlantedDllTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vup-planted-")
        cls.game = os.path.join(cls.work, "game")
        write(cls.game, "KSLv41.exe", b"MZ game " * 1000)
        write(cls.game, "Data/World.rk", os.urandom(1 << 20))
        write(cls.game, "readme.txt", b"Velmora\n")
        key_file = os.path.join(cls.work, "release.key")
        publish = os.environ["VUP_E2E_PUBLISH"]
        cls.key = subprocess.run([publish, "keygen", "--secret-key", key_file], capture_output=True, text=True,
                                 check=True).stdout.strip()
        cls.site = "planted-%d" % os.getpid()
        subprocess.run([publish, "build", "--game", cls.game, "--out", os.path.join(SITE, cls.site), "--secret-key",
                        key_file, "--seq", str(FLOOR + 1)], capture_output=True, check=True)
        cls.base_url = os.environ["VUP_NGINX_URL"] + cls.site + "/"

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)
        shutil.rmtree(os.path.join(SITE, cls.site), ignore_errors=True)

    # -- helpers ---------------------------------------------------------------
    def folder_with(self, program, name, names):
        """A new folder holding `program` as `name` and a planted DLL under each of `names`."""
        folder = tempfile.mkdtemp(prefix="downloads-", dir=self.work)
        shutil.copy(os.environ[program], os.path.join(folder, name))
        for planted in names:
            shutil.copy(os.environ["VUP_PLANT_DLL"], os.path.join(folder, planted + ".dll"))
        return folder

    def marks(self, folder):
        """Planted DLL -> the program it was loaded into."""
        found = {}
        for mark in glob.glob(os.path.join(folder, "*.loaded")):
            with open(mark, encoding="utf-8", errors="replace") as f:
                found[os.path.basename(mark)[:-len(".loaded")].lower()] = f.read()
        return found

    def ran_text(self, folder):
        return "; ".join("%s inside %s" % item for item in sorted(self.marks(folder).items()))

    def assert_none_loaded(self, folder):
        self.assertEqual(self.marks(folder), {}, "planted DLLs ran: " + self.ran_text(folder))

    @contextlib.contextmanager
    def naming_planted_dlls_that_ran(self, folder):
        """A failure inside says which planted DLLs ran: a program that loads one fails
        soon after, when it calls into it."""
        try:
            yield
        except AssertionError as failure:
            if not self.marks(folder):
                raise
            raise AssertionError("%s\nplanted DLLs ran: %s" % (failure, self.ran_text(folder))) from None

    def wine(self, folder, program, args, names, extra=None):
        env = wine_env(PREFIX, DISPLAY.name, dict(native_first(names), **(extra or {})))
        return subprocess.run([WINE_RUN, PREFIX, os.path.join(folder, program)] + list(args), env=env,
                              capture_output=True, text=True, errors="replace", timeout=300)

    # -- the cases ---------------------------------------------------------------
    def test_each_planted_dll_is_loaded_by_a_program_that_does_not_restrict_the_search(self):
        # Without this, a name that Wine never looks for in the folder would pass below
        # whatever the programs did.
        folder = self.folder_with("VUP_PLANT_PROBE", "load_library.exe", PLANTED)
        run = self.wine(folder, "load_library.exe", [name + ".dll" for name in PLANTED], PLANTED)
        self.assertEqual(run.returncode, 0, run.stderr)
        loaded = self.marks(folder)
        self.assertEqual(sorted(loaded), sorted(name + ".dll" for name in PLANTED))
        self.assertTrue(all(program.endswith("\\load_library.exe") for program in loaded.values()), loaded)

    def test_the_headless_updater_installs_and_loads_none(self):
        folder = self.folder_with("VUP_PLANT_UPDATE", "velmora-update.exe", PLANTED_FOR_HTTPS)
        player = tempfile.mkdtemp(prefix="player-", dir=self.work)
        with self.naming_planted_dlls_that_ran(folder):
            run = self.wine(folder, "velmora-update.exe", ["--folder", windows_path(player), "--install", "--verify"],
                            PLANTED_FOR_HTTPS,
                            {"VELMORA_TEST_UPDATE_URL": self.base_url, "VELMORA_TEST_PUBLIC_KEY": self.key})
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertIn("Up to date.", run.stderr)
            with open(os.path.join(player, "Data", "World.rk"), "rb") as got, \
                    open(os.path.join(self.game, "Data", "World.rk"), "rb") as published:
                self.assertEqual(got.read(), published.read())
        self.assert_none_loaded(folder)

    def test_the_publisher_makes_and_checks_a_release_and_loads_none(self):
        folder = self.folder_with("VUP_PLANT_PUBLISH", "velmora-publish.exe", PLANTED)
        key_file = windows_path(os.path.join(folder, "release.key"))
        out = windows_path(os.path.join(self.work, "site-from-windows"))
        with self.naming_planted_dlls_that_ran(folder):
            keygen = self.wine(folder, "velmora-publish.exe", ["keygen", "--secret-key", key_file], PLANTED)
            self.assertEqual(keygen.returncode, 0, keygen.stderr)
            build = self.wine(folder, "velmora-publish.exe", ["build", "--game", windows_path(self.game), "--out",
                                                              out, "--secret-key", key_file, "--seq", str(FLOOR + 1)],
                              PLANTED)
            self.assertEqual(build.returncode, 0, build.stderr)
            verify = self.wine(folder, "velmora-publish.exe",
                               ["verify", "--out", out, "--public-key", keygen.stdout.strip()], PLANTED)
            self.assertEqual(verify.returncode, 0, verify.stderr)
        self.assert_none_loaded(folder)

    def test_the_window_downloads_and_reaches_ready_and_loads_none(self):
        folder = self.folder_with("VUP_PLANT_UPDATER", "VelmoraUpdater.exe", PLANTED_FOR_HTTPS)
        shutil.copy(os.path.join(self.game, "KSLv41.exe"), folder)
        window = UpdaterWindow(PREFIX, DISPLAY, os.environ["VUP_PLANT_UPDATER"], folder, self.base_url, self.key, 96,
                               native_first(PLANTED_FOR_HTTPS))
        self.addCleanup(window.kill)
        with self.naming_planted_dlls_that_ran(folder):
            window.wait_shown(self)
            window.wait_log_line(self, "Up to date.")
            shot = window.wait_status(self, "Ready")
            self.assertTrue(shot.button_lit(window.button_box()), "Play is not enabled")
            shots = os.environ.get("VUP_PLANT_SHOTS")
            if shots:
                os.makedirs(shots, exist_ok=True)
                shot.save(os.path.join(shots, "96-ready-with-planted-dlls.png"))
            self.assertTrue(os.path.exists(os.path.join(folder, "Data", "World.rk")))
            window.close_button()
            self.assertEqual(window.wait_exit(self), 0)
        self.assert_none_loaded(folder)


if __name__ == "__main__":
    missing = [n for n in ("VUP_PLANT_DLL", "VUP_PLANT_PROBE", "VUP_PLANT_UPDATER", "VUP_PLANT_UPDATE",
                           "VUP_PLANT_PUBLISH", "VUP_PLANT_PREFIX", "VUP_E2E_PUBLISH", "VUP_NGINX_ROOT")
               if not os.environ.get(n)]
    if missing:
        sys.exit("planted_dll_test: missing " + ", ".join(missing))
    unittest.main(verbosity=2)
