#!/usr/bin/env python3
"""The windowed demo (run through scripts/demo, which installs what it needs first).

    demo.py            run VelmoraUpdater.exe in the demo's player folder: empty the
                       first time (it installs the game), up to date or behind later
    demo.py publish    publish a new version of the demo game; the next run updates
    demo.py reset      empty the player folder; the next run installs again

Everything lives in build/demo/: the demo's signing key (made here, never committed),
the published site, the player folder, a Wine prefix of its own, the build of the
updater configured for this server and key, and the screenshots. The site is served
by nginx on 127.0.0.1:DEMO_PORT (default 18443) over HTTPS with a throw-away CA that
only the demo's Wine prefix trusts, for as long as the updater runs.

With a display (DISPLAY set and reachable) the updater opens there and you click.
Without one it runs on a private Xvfb and drives the window itself (Install, the
options, Play), saving a screenshot of every step.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(ROOT, "tests", "servers"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import nginx_server  # noqa: E402
import test_certs  # noqa: E402
from gui_driver import WINE_RUN, Display, UpdaterWindow, wine_env  # noqa: E402

DEMO = os.path.join(ROOT, "build", "demo")
PORT = int(os.environ.get("DEMO_PORT", "18443"))
KEY_FILE = os.path.join(DEMO, "demo.key")
PUBLIC_KEY = os.path.join(DEMO, "demo.pub")
SITE = os.path.join(DEMO, "site")
PLAYER = os.path.join(DEMO, "player")
PREFIX = os.path.join(DEMO, "wineprefix")
BUILD = os.path.join(DEMO, "windows")
SHOTS = os.path.join(DEMO, "screenshots")
VERSION = os.path.join(DEMO, "version")
PUBLISH = os.path.join(ROOT, "build", "native", "tools", "velmora-publish")
FLOOR = 1794484334


def say(text):
    print("demo: " + text, flush=True)


def run(*args, quiet=True):
    result = subprocess.run(list(args), capture_output=quiet, text=True)
    if result.returncode != 0:
        if quiet:
            sys.stderr.write(result.stdout[-4000:] + result.stderr[-4000:])
        sys.exit("demo: failed: " + " ".join(args))
    return result.stdout


# -- building ---------------------------------------------------------------------
def build():
    say("building the publisher (native)")
    if not os.path.exists(os.path.join(ROOT, "build", "native", "build.ninja")):
        run("cmake", "--preset", "native")
    run("cmake", "--build", "--preset", "native", "--target", "velmora-publish")

    os.makedirs(DEMO, exist_ok=True)
    if not os.path.exists(PUBLIC_KEY):
        key = run(PUBLISH, "keygen", "--secret-key", KEY_FILE).strip()
        with open(PUBLIC_KEY, "w") as f:
            f.write(key + "\n")
    with open(PUBLIC_KEY) as f:
        public_key = f.read().strip()

    say("building VelmoraUpdater.exe for https://localhost:%d/ and the demo's key" % PORT)
    run("cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "--toolchain", os.path.join(ROOT, "cmake", "mingw-w64.cmake"),
        "-DCMAKE_BUILD_TYPE=Release", "-DVELMORA_UPDATE_URL=https://localhost:%d/" % PORT,
        "-DVELMORA_PUBLIC_KEY=" + public_key)
    run("cmake", "--build", BUILD, "--target", "VelmoraUpdater", "demo_game", "vup_trust_test_ca")


# -- the demo game and its releases -----------------------------------------------------
def publish_version(version):
    """Publishes version `version` of the demo game: its executable, data, music and a DLL."""
    game = os.path.join(DEMO, "game")
    shutil.rmtree(game, ignore_errors=True)
    os.makedirs(os.path.join(game, "Data"))
    shutil.copy(os.path.join(BUILD, "tests", "demo_game.exe"), os.path.join(game, "KSLv41.exe"))
    rng = random.Random(version)
    with open(os.path.join(game, "Data", "World.rk"), "wb") as f:
        f.write(rng.randbytes(40 << 20))  # big enough to watch it arrive
    with open(os.path.join(game, "Data", "Music.rk"), "wb") as f:
        f.write(random.Random("music").randbytes(6 << 20))  # the same in every version
    with open(os.path.join(game, "quillsound.dll"), "wb") as f:
        f.write(b"MZ" + random.Random("dll").randbytes(200000))
    with open(os.path.join(game, "README.txt"), "w") as f:
        f.write("Quillfen demo game, version %d\n" % version)
    if version > 1:
        with open(os.path.join(game, "Data", "Quest-%d.rk" % version), "wb") as f:
            f.write(rng.randbytes(3 << 20))
    seq = max(int(time.time()), FLOOR + version)
    run(PUBLISH, "build", "--game", game, "--out", SITE, "--secret-key", KEY_FILE, "--seq", str(seq),
        "--created", "demo version %d" % version)
    with open(VERSION, "w") as f:
        f.write("%d\n" % version)
    say("published demo version %d to %s" % (version, SITE))


def current_version():
    try:
        with open(VERSION) as f:
            return int(f.read())
    except (OSError, ValueError):
        return 0


# -- running ----------------------------------------------------------------------------
def reachable_display():
    if not os.environ.get("DISPLAY"):
        return False
    return subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0


class Checker:
    """Stands in for a test case where the driver wants one."""

    def fail(self, message):
        raise SystemExit("demo: " + message)


def shot(window, name, steps):
    path = os.path.join(SHOTS, "%d-%s.png" % (len(steps) + 1, name))
    window.screenshot().save(path)
    steps.append(path)
    say("screenshot: " + path)


def drive(display, updater):
    """Clicks through an install (or an update), the options and Play on a private display."""
    check = Checker()
    shutil.rmtree(SHOTS, ignore_errors=True)
    os.makedirs(SHOTS)
    steps = []
    window = UpdaterWindow(PREFIX, display, updater, PLAYER, "", "", 96)
    try:
        window.wait_shown(check)
        status = window.screenshot().read_text(window.status_box())
        if "Install" in status:
            shot(window, "install-prompt", steps)
            window.click_dips(400, 530)  # Install
        deadline = time.time() + 120
        while time.time() < deadline:
            status = window.screenshot().read_text(window.status_box())
            if "Downloading" in status:
                shot(window, "downloading", steps)
                break
            if "Ready" in status:
                break
            time.sleep(0.2)
        window.wait_log_line(check, "Up to date.", timeout=300)
        window.wait_status(check, "Ready")
        shot(window, "ready", steps)

        window.click_dips(759, 560)  # options
        window.click_dips(596, 371)  # a larger window for the game
        window.click_dips(562, 416)  # music on or off
        time.sleep(0.5)
        shot(window, "options", steps)
        window.click_dips(400, 547)  # back
        window.click_dips(400, 530)  # Play
        # The game opens and the updater closes.
        for _ in range(150):
            if display.windows_named(r"Quillfen \(demo game\)") and not display.windows_named("VelmoraUpdater"):
                break
            time.sleep(0.2)
        time.sleep(0.5)
        path = os.path.join(SHOTS, "%d-game.png" % (len(steps) + 1))
        display.screenshot().save(path)
        steps.append(path)
        say("screenshot: " + path)
        window.wait_exit(check, timeout=60)
    finally:
        window.kill()
    return steps


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else "run"
    if command not in ("run", "publish", "reset"):
        sys.exit(__doc__)
    if command == "reset":
        shutil.rmtree(PLAYER, ignore_errors=True)
        say("the player folder is empty again; the next run installs the game")
        return
    build()
    if command == "publish" or current_version() == 0:
        publish_version(current_version() + 1)
        if command == "publish":
            say("run scripts/demo to see VelmoraUpdater bring the player folder up to date")
            return

    os.makedirs(PLAYER, exist_ok=True)
    updater = os.path.join(PLAYER, "VelmoraUpdater.exe")
    shutil.copy(os.path.join(BUILD, "app", "VelmoraUpdater.exe"), updater)
    subprocess.run([WINE_RUN, "--make-prefix", PREFIX], check=True)
    work = tempfile.mkdtemp(prefix="velmora-demo-")
    trust = [WINE_RUN, PREFIX, os.path.join(BUILD, "tests", "vup_trust_test_ca.exe")]
    server = None
    certs = None
    try:
        certs = test_certs.make_certs(os.path.join(work, "certs"))
        env = wine_env(PREFIX, "")
        env.pop("DISPLAY")
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=env, capture_output=True)
        run(*trust, "add", certs["ca-der"])
        subprocess.run(["wineserver", "-w"], env=env, capture_output=True)
        # At 8 MB/s a download takes long enough to be watched.
        server = nginx_server.NginxServer(SITE, certs["server"], certs["key"], port=PORT, rate=8 << 20).start()
        say("serving demo version %d on https://localhost:%d/" % (current_version(), PORT))
        say("player folder: " + PLAYER)

        if reachable_display():
            say("VelmoraUpdater opens on your display: click Install (or Play), try the options, then Play.")
            subprocess.run([WINE_RUN, PREFIX, updater], env=wine_env(PREFIX, os.environ["DISPLAY"]))
            say("VelmoraUpdater has ended; close the demo game's window (if you started it) to end the demo")
            subprocess.run(["wineserver", "-w"], env=wine_env(PREFIX, os.environ["DISPLAY"]), capture_output=True)
        else:
            say("no display: running on a private Xvfb and clicking through it")
            display = Display()
            try:
                os.environ["VELMORA_DEMO_GAME_SECONDS"] = "6"
                steps = drive(display, updater)
            finally:
                display.stop()
            say("%d screenshots in %s" % (len(steps), SHOTS))
        say("scripts/demo publish makes a new version; scripts/demo then updates to it")
    finally:
        if server:
            server.stop()
        if certs:
            subprocess.run(trust + ["remove", certs["ca-der"]], capture_output=True)
        subprocess.run(["wineserver", "-k"], env=wine_env(PREFIX, ""), capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
