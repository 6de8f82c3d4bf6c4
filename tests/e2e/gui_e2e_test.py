#!/usr/bin/env python3
"""End-to-end tests of the window: the updater's test build runs under Wine on a
private X server (Xvfb), is driven with xdotool, and is checked through its log, the
files it leaves and screenshots, at 96 DPI (1x art) and 144 DPI ("@2x" art).

Run through tests/servers/with-servers (--nginx-root and --fault-root naming the same
folder, --wine-prefix naming VUP_GUI_PREFIX) with these variables:
  VUP_GUI_UPDATER   VelmoraUpdater-test.exe (server and key from the environment)
  VUP_GUI_DAMAGED   the same with a damaged picture among its resources
  VUP_GUI_GAME      test_game.exe, published as the game's KSLv41.exe
  VUP_GUI_DEMO_GAME demo_game.exe, the game of the install cases (it records the options it read)
  VUP_GUI_FAKE_INSTANCE fake_instance.exe, a stand-in updater holding the session
  VUP_GUI_POST      post_message.exe, posts the worker's message number from outside
  VUP_GUI_PREFIX    the Wine prefix the tests run in (its log is theirs alone)
  VUP_GUI_SHOTS     where the screenshots go
  VUP_E2E_PUBLISH   the native velmora-publish
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)

from gui_driver import WINE_RUN, Display, Screenshot, UpdaterWindow, reads_like, wine_env  # noqa: E402

UPDATER = os.environ.get("VUP_GUI_UPDATER", "")
DAMAGED = os.environ.get("VUP_GUI_DAMAGED", "")
GAME = os.environ.get("VUP_GUI_GAME", "")
DEMO_GAME = os.environ.get("VUP_GUI_DEMO_GAME", "")
FAKE_INSTANCE = os.environ.get("VUP_GUI_FAKE_INSTANCE", "")
POST = os.environ.get("VUP_GUI_POST", "")
PREFIX = os.environ.get("VUP_GUI_PREFIX", "")
SHOTS = os.environ.get("VUP_GUI_SHOTS", "")
PUBLISH = os.environ.get("VUP_E2E_PUBLISH", "")
SITE = os.environ.get("VUP_NGINX_ROOT", "")
FLOOR = 1794484334
# Polish, Russian and Greek: letters beyond the Latin ones, all in the window's fonts.
LETTERS_FOLDER = "Łódź Игры Ωμέγα"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def ascii_of(text):
    return "".join(c if ord(c) < 0x80 else "?" for c in text)


def write(folder, relative, content):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    return path


class Release:
    """A key pair and a game published with it under SITE/<name>/, with `launcher`
    (a file) as its VelmoraUpdater.exe when given."""

    def __init__(self, work, name, game_program, launcher=None, seq=None):
        self.name = name
        self.game = os.path.join(work, "game")
        key_file = os.path.join(work, "release.key")
        keygen = subprocess.run([PUBLISH, "keygen", "--secret-key", key_file], capture_output=True, text=True,
                                check=True)
        self.key = keygen.stdout.strip()
        with open(game_program, "rb") as f:
            write(self.game, "KSLv41.exe", f.read())
        # Enough bytes that the slow server takes a while over them.
        write(self.game, "Data/World.rk", os.urandom(3 << 20))
        write(self.game, "Data/Music.rk", os.urandom(1 << 20))
        write(self.game, "readme.txt", b"Velmora\n")
        self.seq = seq or (1772841600 if 1772841600 > FLOOR else FLOOR + 1)
        subprocess.run([PUBLISH, "build", "--game", self.game, "--out", os.path.join(SITE, name), "--secret-key",
                        key_file, "--seq", str(self.seq)] + (["--launcher", launcher] if launcher else []),
                       capture_output=True, check=True)


DISPLAY = None


def wait_for_file(test, path, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if os.path.exists(path):
            return
        time.sleep(0.05)
    test.fail(path + " never appeared")


def restart_wine():
    """Ends the prefix's Wine session, so that the next program starts a new one on our
    display with the settings of now (a session begun elsewhere, say by the trust
    helper without a display, cannot open windows)."""
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


def set_prefix_dpi(dpi):
    """The prefix's system DPI, which a Wine program reads when it starts."""
    subprocess.run([os.path.join(HERE, "..", "..", "cmake", "wine-run"), PREFIX, "reg", "add",
                    r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
                    "/f"], env=wine_env(PREFIX, DISPLAY.name), capture_output=True, check=True)
    restart_wine()


class WindowTest(unittest.TestCase):
    dpi = 96
    game_program = GAME

    @classmethod
    def setUpClass(cls):
        cls.display = DISPLAY
        cls.work = tempfile.mkdtemp(prefix="vup-gui-")
        cls.release = cls.make_release()
        set_prefix_dpi(cls.dpi)

    @classmethod
    def make_release(cls):
        return Release(cls.work, "gui-%d-%d-%s" % (os.getpid(), cls.dpi, cls.__name__), cls.game_program)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)
        shutil.rmtree(os.path.join(SITE, cls.release.name), ignore_errors=True)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="player-", dir=self.work)
        self.windows = []

    def tearDown(self):
        for window in self.windows:
            window.kill()

    # -- helpers ---------------------------------------------------------------
    def game_folder(self, with_data=False):
        """A game folder holding the game executable (and the data, when asked)."""
        shutil.copy(os.path.join(self.release.game, "KSLv41.exe"), self.folder)
        if with_data:
            shutil.copytree(os.path.join(self.release.game, "Data"), os.path.join(self.folder, "Data"))
            shutil.copy(os.path.join(self.release.game, "readme.txt"), self.folder)
        return self.folder

    def base_url(self, mode):
        return {
            "nginx": os.environ["VUP_NGINX_URL"] + self.release.name + "/",
            "crawl": os.environ["VUP_FAULT_URL"] + "tree/crawl/" + self.release.name + "/",
            "late-list": os.environ["VUP_FAULT_URL"] + "tree/late-list/" + self.release.name + "/",
            "flip": os.environ["VUP_FAULT_URL"] + "tree/flip/" + self.release.name + "/",
            "closed": os.environ["VUP_CLOSED_URL"],
        }[mode]

    def start(self, mode="nginx", folder=None):
        window = UpdaterWindow(PREFIX, self.display, UPDATER, folder or self.folder, self.base_url(mode),
                               self.release.key, self.dpi)
        self.windows.append(window)
        window.wait_shown(self)
        return window

    def wait_ready(self, window):
        """"Ready.": the run's last line in the log, and on the screen with Play lit."""
        window.wait_log_line(self, "Up to date.")
        shot = window.wait_status(self, "Ready")
        self.assertTrue(shot.button_lit(window.button_box()), "Play is not enabled")

    def shot(self, window, state):
        shot = window.screenshot()
        shot.save(os.path.join(SHOTS, "%d-%s.png" % (self.dpi, state)))
        self.assertEqual(shot.size, window.expected_size())
        # The background art is there, pixel for pixel the piece chosen for this DPI.
        self.assertTrue(window.art_matches(shot, "bg", (20, 110, 200, 60)),
                        "the background is not the %s art" % ("@2x" if self.dpi >= 144 else "1x"))
        # Every state shows a status line on the plate and the footer.
        self.assertTrue(shot.has_light_text(window.dips(250, 380, 300, 30)), "no status text")
        self.assertTrue(shot.has_light_text(window.dips(12, 580, 150, 14)), "no footer text")
        return shot

    # -- the cases ---------------------------------------------------------------
    def test_download_ready_and_play(self):
        self.game_folder()
        window = self.start("crawl")
        window.wait_log_line(self, "[2/")
        window.wait_status(self, "Downloading World.rk")
        time.sleep(2)
        shot = self.shot(window, "downloading")
        # The progress text is too small for the OCR to read reliably; it is there, and the bar is part full.
        self.assertTrue(shot.has_light_text(window.detail_box()), "no progress text")
        self.assertFalse(shot.has_bright_fill(window.dips(650, 438, 40, 12)), "the bar is full while downloading")
        self.assertTrue(shot.has_bright_fill(window.dips(108, 438, 40, 12)), "no progress fill")
        self.assertFalse(shot.button_lit(window.button_box()), "the button is enabled while downloading")

        self.wait_ready(window)
        shot = self.shot(window, "ready")
        self.assertTrue(shot.has_bright_fill(window.dips(600, 438, 80, 12)), "the bar is not full")

        window.click_dips(400, 530)  # Play
        self.assertEqual(window.wait_exit(self), 0)
        started = os.path.join(self.folder, "started.txt")
        for _ in range(50):
            if os.path.exists(started):
                break
            time.sleep(0.1)
        with open(started, encoding="utf-8") as f:
            self.assertEqual(f.read().strip(), windows_path(self.folder))
        self.assertIn("Started KSLv41.exe.", window.log_since_start())

    def test_checking_state_then_closing_while_the_art_is_held(self):
        self.game_folder(with_data=True)
        window = self.start("late-list")
        window.wait_status(self, "Checking for updates")
        shot = self.shot(window, "checking")
        self.assertFalse(shot.button_lit(window.button_box()), "the button is enabled while checking")
        self.assertFalse(shot.has_bright_fill(window.dips(108, 438, 40, 12)), "a fill before any download")
        # Closing waits for the run, which waits for the list; a press held on the art
        # meanwhile runs the window-move loop, inside which the window is destroyed.
        window.close_button()
        window.wait_status(self, "Stopping")
        self.display.run("xdotool", "mousemove", *window.screen_point(400, 200), "mousedown", "1")
        window.wait_closed(self, timeout=30)
        self.display.run("xdotool", "mouseup", "1")
        self.assertEqual(window.wait_exit(self, timeout=20), 0)
        self.assertIn("STOPPED (40)", window.log_since_start())

    def test_failure_shows_retry_and_the_log(self):
        self.game_folder(with_data=True)
        window = self.start("closed")
        window.wait_log_line(self, "STOPPED (20)")
        window.wait_status(self, "Cannot reach the update server")
        shot = self.shot(window, "failed")
        self.assertTrue(shot.button_lit(window.button_box()), "Retry is not enabled")
        self.assertTrue(shot.has_orange_text(window.dips(100, 463, 600, 28)), "no orange failure detail")
        # The footer names the log: longer than "Launcher 1.1".
        self.assertTrue(shot.has_light_text(window.dips(250, 581, 150, 12)), "the footer does not point at the log")
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)

    def test_closing_during_a_download_stops_cleanly(self):
        self.game_folder()
        window = self.start("crawl")
        window.wait_log_line(self, "[1/")
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)
        self.assertIn("STOPPED (40): the update was stopped before it finished.", window.log_since_start())
        parts = glob.glob(os.path.join(self.folder, "**", "*.vup-part"), recursive=True)
        self.assertEqual(parts, [])

    def test_second_start_raises_the_first_and_exits(self):
        self.game_folder(with_data=True)
        first = self.start()
        self.wait_ready(first)
        first.minimise_button()
        time.sleep(0.5)
        second = UpdaterWindow(PREFIX, self.display, UPDATER, self.folder, "", "", self.dpi)
        self.windows.append(second)
        self.assertEqual(second.wait_exit(self), 0)
        self.assertEqual(len(self.display.windows_named("VelmoraUpdater")), 1)
        self.assertTrue(first.is_viewable(), "the first window was not restored")
        first.close_button()
        self.assertEqual(first.wait_exit(self), 0)

    def test_dragging_by_empty_art_moves_the_window_and_controls_do_not(self):
        self.game_folder(with_data=True)
        window = self.start()
        self.wait_ready(window)
        before = window.position()
        window.drag_dips((400, 200), (60, 40))
        moved = window.position()
        self.assertNotEqual(moved, before, "dragging the art did not move the window")
        # Pressing Play and moving off before releasing neither drags nor plays.
        window.drag_dips((400, 530), (0, -150))
        self.assertEqual(window.position(), moved)
        time.sleep(0.5)
        self.assertIsNone(window.poll())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "started.txt")))
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)

    def test_presses_on_the_art_while_the_game_starts_never_keep_the_program(self):
        """Play, then presses on empty art while the game starts. A press there runs the
        platform's window-move loop; when the window is destroyed inside it, the
        program must end all the same, every time. (Before the first try: messages
        that another program posts change nothing.)"""
        self.game_folder(with_data=True)
        started = os.path.join(self.folder, "started.txt")
        for attempt in range(6):
            if os.path.exists(started):
                os.remove(started)
            window = self.start()
            self.wait_ready(window)
            if attempt == 0:
                self.check_messages_from_outside_change_nothing(window)
            play, art = window.screen_point(400, 530), window.screen_point(400, 200)
            if attempt % 2 == 0:
                # Held until the game has started and the window is gone.
                self.display.run("xdotool", "mousemove", *play, "click", "1", "mousemove", *art, "mousedown", "1")
                wait_for_file(self, started)
                window.wait_closed(self, timeout=20)
                self.display.run("xdotool", "mouseup", "1")
            else:
                # Quick clicks, as a player's.
                self.display.run("xdotool", "mousemove", *play, "click", "1", "mousemove", *art,
                                 "click", "--repeat", "8", "--delay", "80", "1")
                wait_for_file(self, started)
            try:
                code = window.process.wait(20)
            except subprocess.TimeoutExpired:
                self.fail("try %d: the updater lives on after the game started" % attempt)
            self.assertEqual(code, 0)

    def check_messages_from_outside_change_nothing(self, window):
        """The worker's message number posted by another program, with parameters that
        name no record of the window: nothing happens."""
        posted = subprocess.run([WINE_RUN, PREFIX, POST, "0", "1", "16", "4294967296", "18446744073709551615"],
                                env=wine_env(PREFIX, self.display.name), capture_output=True)
        self.assertEqual(posted.returncode, 0, "the messages were not posted")
        time.sleep(1)
        self.assertIsNone(window.poll(), "the updater ended")
        shot = window.wait_status(self, "Ready")
        self.assertTrue(shot.button_lit(window.button_box()), "Play is not enabled")


class HighDensityWindowTest(WindowTest):
    dpi = 144
    # The message handling does not depend on the scaling.
    test_presses_on_the_art_while_the_game_starts_never_keep_the_program = None


def own_cases_only(cls):
    """A window test class that runs the cases it defines, not WindowTest's again."""
    for name in dir(WindowTest):
        if name.startswith("test_") and name not in vars(cls):
            setattr(cls, name, None)
    return cls


@own_cases_only
class SelfUpdateTest(WindowTest):
    """A release that lists a new launcher: the running one gives its name to it and
    hands over; one that arrives damaged changes nothing. Launcher B is launcher A's
    bytes and some padding after them, which Windows does not read."""
    release_seq = FLOOR + 86400 * 40

    @classmethod
    def setUpClass(cls):
        cls.work_for_launcher = tempfile.mkdtemp(prefix="vup-gui-launcher-")
        with open(UPDATER, "rb") as f:
            cls.old_launcher = f.read()
        cls.new_launcher = cls.old_launcher + b"\0" * 4096
        cls.launcher_file = write(cls.work_for_launcher, "VelmoraUpdater.exe", cls.new_launcher)
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.work_for_launcher, ignore_errors=True)

    @classmethod
    def make_release(cls):
        return Release(cls.work, "gui-%d-%d-%s" % (os.getpid(), cls.dpi, cls.__name__), cls.game_program,
                       launcher=cls.launcher_file, seq=cls.release_seq)

    def launcher_names(self):
        return sorted(n for n in os.listdir(self.folder) if n.lower().startswith("velmoraupdater.exe"))

    def launcher_bytes(self):
        with open(os.path.join(self.folder, "VelmoraUpdater.exe"), "rb") as f:
            return f.read()

    def test_the_new_launcher_takes_over_without_a_click(self):
        self.game_folder(with_data=True)
        old = self.start()
        self.assertEqual(old.wait_exit(self), 0)
        log = old.log_since_start()
        self.assertIn("[1/1] VelmoraUpdater.exe", log)
        self.assertIn("The launcher was replaced: the new one takes over once the update has finished.", log)
        handed_over = "update: the launcher was updated; started the new one\n"
        self.assertIn(handed_over, log)
        self.assertEqual(self.launcher_bytes(), self.new_launcher)

        # The new one runs from the launcher's name, finds the folder up to date and is ready.
        new = UpdaterWindow.running(PREFIX, self.display, self.dpi,
                                    old.log_start + len(log[:log.index(handed_over) + len(handed_over)].encode()))
        self.windows.append(new)
        new.wait_shown(self)
        self.wait_ready(new)
        self.assertIn("5 files are up to date, 0 to download", new.log_since_start())
        shot = self.shot(new, "after-self-update")
        date = "%d %s %d" % (time.gmtime(self.release_seq).tm_mday, time.strftime("%b", time.gmtime(self.release_seq)),
                             time.gmtime(self.release_seq).tm_year)
        # The small cream type on the dark ground reads best with a low threshold.
        footer = shot.read_text(new.dips(12, 578, 420, 18), threshold=40)
        self.assertTrue(reads_like(footer, "game files of") and date in footer, "the footer read %r" % footer)
        # Its start deleted the old one, which had ended by then.
        self.assertEqual(self.launcher_names(), ["VelmoraUpdater.exe"])

        new.click_dips(400, 530)  # Play
        wait_for_file(self, os.path.join(self.folder, "started.txt"))
        new.wait_closed(self)

    def test_a_damaged_new_launcher_changes_nothing(self):
        self.game_folder(with_data=True)
        window = self.start("flip")
        window.wait_log_line(self, "STOPPED (31)")
        window.wait_status(self, "A download failed")
        self.assertIn("STOPPED (31): VelmoraUpdater.exe: the file arrived damaged (its hash does not match the "
                      "manifest)", window.log_since_start())
        self.assertEqual(self.launcher_names(), ["VelmoraUpdater.exe"])
        self.assertEqual(self.launcher_bytes(), self.old_launcher)
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)
        # It still starts.
        again = self.start("closed")
        again.wait_status(self, "Cannot reach the update server")
        again.close_button()
        self.assertEqual(again.wait_exit(self), 0)


def ini_values(path):
    """The key=value lines of an INI file (UTF-16 or 8-bit), "section/key" -> value."""
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("latin-1")
    values, section = {}, ""
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1]
        elif "=" in line:
            key, value = line.split("=", 1)
            values[section + "/" + key.strip()] = value.strip()
    return values


@own_cases_only
class InstallTest(WindowTest):
    """The updater alone (or among other files) in a folder installs the game."""
    game_program = DEMO_GAME


    def test_install_here_set_options_and_play(self):
        window = self.start("crawl")
        shot = window.wait_status(self, "Install the game?")
        self.shot(window, "install-prompt")
        self.assertTrue(reads_like(shot.read_text(window.detail_box()), "The game will be downloaded into"))
        self.assertTrue(shot.button_lit(window.button_box()), "Install is not enabled")
        self.assertEqual(sorted(os.listdir(self.folder)), ["VelmoraUpdater.exe"], "the prompt changed the folder")

        window.click_dips(400, 530)  # Install
        window.wait_log_line(self, "[1/")
        marker = os.path.join(self.folder, "VelmoraUpdater.installing")
        self.assertTrue(os.path.exists(marker), "no install marker while installing")
        with open(marker, encoding="utf-8") as f:
            self.assertEqual(f.readline().strip(), "folder=" + windows_path(self.folder))
        self.wait_ready(window)
        self.assertFalse(os.path.exists(marker), "the marker stayed after the install")

        window.click_dips(759, 560)  # options
        window.click_dips(596, 371)  # next window size, twice: 1366 x 768
        window.click_dips(596, 371)
        window.click_dips(562, 416)  # music off
        time.sleep(0.5)
        self.shot_options(window)
        values = ini_values(os.path.join(self.folder, "quillfen.ini"))
        self.assertEqual((values.get("launcher/music"), values.get("launcher/largescreen"),
                          values.get("screen/width"), values.get("screen/height")), ("0", "1", "1366", "768"))
        window.click_dips(400, 547)  # back
        window.click_dips(400, 530)  # Play
        self.assertEqual(window.wait_exit(self), 0)
        started = self.wait_file(os.path.join(self.folder, "started.txt"))
        self.assertEqual(started[0], windows_path(self.folder))
        self.assertIn("window size=1366 x 768", started)
        self.assertIn("music=off", started)

    def test_install_into_the_subfolder_through_a_copy(self):
        # In a folder named in other letters, as players' folders often are.
        self.folder = os.path.join(self.folder, LETTERS_FOLDER)
        os.mkdir(self.folder)
        with open(os.path.join(self.folder, "holiday.jpg"), "wb") as f:
            f.write(b"a photo")
        # An options file of something else, which must stay as it is.
        foreign_ini = b"[launcher]\r\nmusic=1\r\n[printer]\r\nport=LPT1\r\n"
        with open(os.path.join(self.folder, "quillfen.ini"), "wb") as f:
            f.write(foreign_ini)
        first = self.start()
        shot = first.wait_status(self, "Install the game?")
        shot.save(os.path.join(SHOTS, "%d-install-prompt-subfolder.png" % self.dpi))
        # Two lines: the path is long, and its letters beyond ASCII take two bytes each.
        detail = shot.read_text(first.dips(100, 461, 600, 31), lines=2)
        self.assertTrue(reads_like(detail, "\\Velmora"), "the detail line read %r" % detail)
        # Options chosen at the prompt go with the install into the subfolder.
        first.click_dips(759, 560)  # options
        first.click_dips(596, 371)  # next window size, twice: 1366 x 768
        first.click_dips(596, 371)
        first.click_dips(562, 416)  # music off
        time.sleep(0.5)
        shot = first.screenshot()
        shot.save(os.path.join(SHOTS, "%d-options-held.png" % self.dpi))
        self.assertTrue(reads_like(shot.read_text(first.dips(12, 578, 420, 18)), "saved once the update has finished"))
        first.click_dips(400, 547)  # back
        first.click_dips(400, 530)  # Install
        self.assertEqual(first.wait_exit(self), 0)
        copy_folder = os.path.join(self.folder, "Velmora")
        self.assertTrue(os.path.exists(os.path.join(copy_folder, "VelmoraUpdater.exe")))
        # The log line has the path in ASCII, other letters as "?".
        self.assertIn("install: started the launcher in " + ascii_of(windows_path(copy_folder)),
                      first.log_since_start())
        # The copy installs without asking, holding the options until it has.
        copy = UpdaterWindow.running(PREFIX, self.display, self.dpi, first.log_start)
        self.windows.append(copy)
        copy.wait_shown(self)
        self.wait_ready(copy)
        self.assertTrue(os.path.exists(os.path.join(copy_folder, "KSLv41.exe")))
        self.assertFalse(os.path.exists(os.path.join(copy_folder, "VelmoraUpdater.installing")))
        values = ini_values(os.path.join(copy_folder, "quillfen.ini"))
        self.assertEqual((values.get("launcher/music"), values.get("launcher/largescreen"),
                          values.get("screen/width"), values.get("screen/height")), ("0", "1", "1366", "768"))
        with open(os.path.join(self.folder, "quillfen.ini"), "rb") as f:
            self.assertEqual(f.read(), foreign_ini, "the starting folder's quillfen.ini was written")
        self.assertEqual(sorted(os.listdir(self.folder)), ["Velmora", "VelmoraUpdater.exe", "holiday.jpg",
                                                           "quillfen.ini"])
        copy.click_dips(759, 560)  # options: the copy shows what was chosen
        time.sleep(0.5)
        self.assertIn("1366 x 768", copy.screenshot().read_text(copy.dips(452, 357, 126, 28)))
        copy.close_button()
        copy.wait_closed(self)

    def test_a_folder_named_in_other_letters(self):
        # Players name their folders in their own language; the prompt shows the path
        # and the install goes through it.
        folder = os.path.join(self.folder, LETTERS_FOLDER)
        os.mkdir(folder)
        window = self.start(folder=folder)
        shot = window.wait_status(self, "Install the game?")
        self.shot(window, "install-prompt-letters")
        self.assertTrue(reads_like(shot.read_text(window.detail_box()), "The game will be downloaded into"))
        window.click_dips(400, 530)  # Install
        self.wait_ready(window)
        self.assertIn("KSLv41.exe", os.listdir(folder))
        self.assertFalse(os.path.exists(os.path.join(folder, "VelmoraUpdater.installing")))
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)

    def test_an_install_killed_midway_carries_on_at_the_next_start(self):
        window = self.start("crawl")
        window.wait_status(self, "Install the game?")
        window.click_dips(400, 530)  # Install
        window.wait_log_line(self, "[1/")
        window.kill()
        self.assertTrue(os.path.exists(os.path.join(self.folder, "VelmoraUpdater.installing")))
        again = self.start()
        self.wait_ready(again)
        log = again.log_since_start()
        self.assertIn("Up to date.", log)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "KSLv41.exe")))
        self.assertFalse(os.path.exists(os.path.join(self.folder, "VelmoraUpdater.installing")))
        again.close_button()
        self.assertEqual(again.wait_exit(self), 0)

    # -- helpers ---------------------------------------------------------------
    def shot_options(self, window):
        shot = window.screenshot()
        shot.save(os.path.join(SHOTS, "%d-options.png" % self.dpi))
        self.assertIn("Options", shot.read_text(window.dips(298, 300, 204, 40)))
        self.assertIn("1366 x 768", shot.read_text(window.dips(452, 357, 126, 28)))

    def wait_file(self, path, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if os.path.exists(path):
                time.sleep(0.3)
                with open(path, encoding="utf-8") as f:
                    return f.read().splitlines()
            time.sleep(0.1)
        self.fail(path + " never appeared")


class HighDensityInstallTest(InstallTest):
    """The install prompt and the options screen with the double-size art, clicked in DIPs."""
    dpi = 144
    test_install_into_the_subfolder_through_a_copy = None
    test_an_install_killed_midway_carries_on_at_the_next_start = None


class StartFailureTest(unittest.TestCase):
    def test_a_damaged_picture_ends_the_start_with_a_message_and_code_60(self):
        display = DISPLAY
        folder = tempfile.mkdtemp(prefix="vup-gui-damaged-")
        self.addCleanup(shutil.rmtree, folder, True)
        start = UpdaterWindow(PREFIX, display, DAMAGED, folder, "", "", 96)
        self.addCleanup(start.kill)
        # The only window is the message box.
        for _ in range(300):
            boxes = display.windows_named("VelmoraUpdater")
            if boxes or start.poll() is not None:
                break
            time.sleep(0.1)
        self.assertTrue(boxes, "no message box; the log says:\n" + start.log_since_start())
        time.sleep(0.5)
        display.run("xdotool", "windowactivate", "--sync", boxes[0])
        display.run("xdotool", "key", "--window", boxes[0], "Return")
        self.assertEqual(start.wait_exit(self), 60)
        self.assertIn("window: could not set up the window or its art (Windows 10 version 1703 or later is needed)",
                      start.log_since_start())
        messages = [line.split("  ", 1)[-1] for line in start.log_since_start().splitlines()]
        self.assertNotIn("VelmoraUpdater", messages)  # no update run began


class SecondStartTest(unittest.TestCase):
    """A start that finds another updater holding the session: a stand-in holds the
    instance mutex, with a window of the updater's class or without one."""

    @classmethod
    def setUpClass(cls):
        # Its clicks are at 96 DPI, whichever class ran before it.
        set_prefix_dpi(96)

    def setUp(self):
        self.display = DISPLAY
        self.folder = tempfile.mkdtemp(prefix="vup-gui-second-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.helpers = []
        self.addCleanup(self.end_helpers)

    def end_helpers(self):
        for helper in self.helpers:
            if helper.poll() is None:
                helper.kill()
            helper.wait()

    def hold_session(self, *args):
        """Starts the stand-in; returns the name of its ready file once it holds the mutex."""
        ready = os.path.join(self.folder, "ready-%d" % len(self.helpers))
        self.helpers.append(subprocess.Popen([WINE_RUN, PREFIX, FAKE_INSTANCE, windows_path(ready), *args],
                                             env=wine_env(PREFIX, self.display.name), stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL))
        wait_for_file(self, ready)
        return ready

    def second_start(self):
        start = UpdaterWindow(PREFIX, self.display, UPDATER, self.folder, "", "", 96)
        self.addCleanup(start.kill)
        return start

    def test_a_window_still_being_set_up_is_raised_only_once_shown(self):
        ready = self.hold_session("window-after", "2500", "exit-after", "5000")
        self.assertEqual(self.second_start().wait_exit(self), 0)
        wait_for_file(self, ready + ".shown")
        self.assertFalse(os.path.exists(ready + ".early"), "the second start showed the first one's hidden window")

    def test_a_first_that_ends_without_a_window_leaves_the_session_to_the_second(self):
        self.hold_session("exit-after", "2500")
        window = self.second_start()
        window.wait_shown(self)
        window.close_button()
        self.assertEqual(window.wait_exit(self), 0)

    def test_a_first_without_a_window_for_seconds_is_said_to_be_not_responding(self):
        self.hold_session("exit-after", "60000")
        start = self.second_start()
        deadline = time.time() + 30
        boxes = []
        while not boxes and time.time() < deadline and start.poll() is None:
            boxes = self.display.windows_named("VelmoraUpdater")
            time.sleep(0.2)
        self.assertTrue(boxes, "no message box")
        time.sleep(0.5)
        out = self.display.run("xdotool", "getwindowgeometry", "--shell", boxes[0]).stdout
        geometry = dict(line.split("=", 1) for line in out.split())
        box = tuple(int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        shot = self.display.screenshot().crop(box)
        shot.save(os.path.join(SHOTS, "second-start-not-responding.png"))
        self.assertTrue(reads_like(shot.read_dark_text((0, 0, box[2], box[3])), "already running but not responding"))
        self.display.run("xdotool", "windowactivate", "--sync", boxes[0])
        self.display.run("xdotool", "key", "--window", boxes[0], "Return")
        self.assertEqual(start.wait_exit(self), 0)


def load_tests(loader, tests, pattern):
    suite = unittest.TestSuite()
    for case in (StartFailureTest, SecondStartTest, WindowTest, HighDensityWindowTest, InstallTest,
                 HighDensityInstallTest, SelfUpdateTest):
        suite.addTests(loader.loadTestsFromTestCase(case))
    return suite


if __name__ == "__main__":
    missing = [n for n in ("VUP_GUI_UPDATER", "VUP_GUI_DAMAGED", "VUP_GUI_GAME", "VUP_GUI_DEMO_GAME", "VUP_GUI_PREFIX", "VUP_GUI_SHOTS", "VUP_E2E_PUBLISH",
                           "VUP_GUI_FAKE_INSTANCE", "VUP_GUI_POST", "VUP_NGINX_ROOT") if not os.environ.get(n)]
    if missing:
        sys.exit("gui_e2e_test: missing " + ", ".join(missing))
    os.makedirs(SHOTS, exist_ok=True)
    unittest.main(verbosity=2)
