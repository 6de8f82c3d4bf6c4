"""Driving the updater's window under Wine on a private X server: start it, find its
window, click and drag with xdotool, read its log, and take screenshots whose regions
the tests measure. Used by gui_e2e_test.py and the windowed demo."""
import difflib
import glob
import os
import shutil
import signal
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run")
ART = os.path.join(ROOT, "resources", "art", "png")
CONVERT = "/usr/bin/convert"  # ImageMagick; /usr/local/bin/convert may be something else


def wine_env(prefix, display, extra=None):
    env = dict(os.environ)
    env.update({"WINEPREFIX": prefix, "WINEDEBUG": "-all", "DISPLAY": display})
    env.update(extra or {})
    return env


def reads_like(text, expected, likeness=0.75):
    """Whether OCR text holds `expected`, allowing the odd misread letter of small type."""
    text = " ".join(text.split())
    if expected in text:
        return True
    width = len(expected)
    return any(difflib.SequenceMatcher(None, text[i:i + width], expected).ratio() >= likeness
               for i in range(max(1, len(text) - width + 1)))


class Display:
    """An Xvfb server of our own on a free display number."""

    def __init__(self, width=1280, height=1024):
        # Xvfb picks a free display number itself and writes it to the pipe.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                         "%dx%dx24" % (width, height), "-nolisten", "tcp", "-ac"],
                                        pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number

    def run(self, *args):
        env = dict(os.environ, DISPLAY=self.name)
        return subprocess.run(list(args), env=env, capture_output=True, text=True)

    def windows_named(self, name):
        found = self.run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % name)
        return found.stdout.split()

    def screenshot(self):
        # A window that changes while it is read can fail one capture.
        for _ in range(5):
            xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.name], capture_output=True)
            if xwd.returncode == 0:
                return Screenshot.from_image(xwd.stdout, "xwd")
            time.sleep(0.2)
        raise RuntimeError("xwd could not read the screen: " + xwd.stderr.decode(errors="replace"))

    def stop(self):
        self.process.terminate()
        self.process.wait()


class Screenshot:
    """RGB pixels of a picture, with the measures the tests use."""

    def __init__(self, width, height, rgb):
        self.size = (width, height)
        self.rgb = rgb

    @classmethod
    def from_image(cls, data, kind="png", crop=None, resize=None):
        args = [CONVERT, kind + ":-"]
        if resize:
            args += ["-filter", "Triangle", "-resize", "%dx%d!" % resize]
        if crop:
            x, y, w, h = crop
            args += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
        info = subprocess.run(args + ["-format", "%w %h", "info:"], input=data, capture_output=True, check=True)
        width, height = (int(v) for v in info.stdout.split())
        pixels = subprocess.run(args + ["-depth", "8", "rgb:-"], input=data, capture_output=True, check=True)
        return cls(width, height, pixels.stdout)

    def crop(self, box):
        x, y, w, h = box
        rows = []
        for row in range(y, y + h):
            start = (row * self.size[0] + x) * 3
            rows.append(self.rgb[start:start + w * 3])
        return Screenshot(w, h, b"".join(rows))

    def save(self, path):
        subprocess.run([CONVERT, "-size", "%dx%d" % self.size, "-depth", "8", "rgb:-", path], input=self.rgb,
                       check=True)

    def pixels(self, box):
        part = self.crop(box).rgb
        return [(part[i], part[i + 1], part[i + 2]) for i in range(0, len(part), 3)]

    def read_text(self, box, threshold=55, lines=1):
        """The light text in `box` as the OCR reads it: made dark on white and larger first.
        With lines above 1 the box holds a block of lines, read in order into one text."""
        part = self.crop(box)
        scale = max(2, round(600 / max(1, part.size[1] * 3)))
        picture = subprocess.run([CONVERT, "-size", "%dx%d" % part.size, "-depth", "8", "rgb:-", "-colorspace", "Gray",
                                  "-resize", "%d%%" % (scale * 100), "-threshold", "%d%%" % threshold, "-negate",
                                  "png:-"], input=part.rgb, capture_output=True, check=True).stdout
        text = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "7" if lines == 1 else "6"], input=picture,
                              capture_output=True)
        return " ".join(text.stdout.decode("utf-8", "replace").split())

    def read_dark_text(self, box):
        """Dark text on a light ground in `box` (a system message box), as the OCR reads it."""
        part = self.crop(box)
        picture = subprocess.run([CONVERT, "-size", "%dx%d" % part.size, "-depth", "8", "rgb:-", "-colorspace", "Gray",
                                  "-resize", "300%", "png:-"], input=part.rgb, capture_output=True, check=True).stdout
        text = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "6"], input=picture, capture_output=True)
        return " ".join(text.stdout.decode("utf-8", "replace").split())

    def mean_difference(self, other):
        return sum(abs(a - b) for a, b in zip(self.rgb, other.rgb)) / max(1, len(self.rgb))

    # -- measures ----------------------------------------------------------------
    def has_light_text(self, box, count=12):
        """Some pixels as light as the program's cream text colours."""
        return sum(1 for r, g, b in self.pixels(box) if r > 200 and g > 185) >= count

    def has_orange_text(self, box, count=12):
        """Some pixels in the orange of a failure detail."""
        return sum(1 for r, g, b in self.pixels(box) if r > 220 and 140 < g < 215 and b < 175 and r - b > 70) >= count

    def has_bright_fill(self, box):
        """A lit progress fill: much brighter than the empty, recessed track."""
        pixels = self.pixels(box)
        return sum(max(p) for p in pixels) / len(pixels) > 110

    def button_lit(self, box):
        """The main button enabled: its gold face and caption, not the grey of the disabled art."""
        pixels = self.pixels(box)
        return sum(r - b for r, g, b in pixels) / len(pixels) > 45


class UpdaterWindow:
    """One start of the updater's test build in `folder`, as VelmoraUpdater.exe, with
    `environment` added to its own."""

    def __init__(self, prefix, display, exe, folder, base_url, key, dpi, environment=None):
        self.prefix = prefix
        self.display = display
        self.dpi = dpi
        self.scale = dpi / 96.0
        self.window = None
        target = os.path.join(folder, "VelmoraUpdater.exe")
        if not os.path.exists(target):
            shutil.copy(exe, target)
        log = self.log_path()
        self.log_start = os.path.getsize(log) if log and os.path.exists(log) else 0
        env = wine_env(prefix, display.name, dict(environment or {}, VELMORA_TEST_UPDATE_URL=base_url,
                                                  VELMORA_TEST_PUBLIC_KEY=key))
        self.process = subprocess.Popen([WINE_RUN, prefix, target], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)

    @classmethod
    def running(cls, prefix, display, dpi, log_start=0):
        """An updater that another one started (its window appears in time)."""
        self = cls.__new__(cls)
        self.prefix, self.display, self.dpi, self.scale = prefix, display, dpi, dpi / 96.0
        self.window = None
        self.process = None
        self.log_start = log_start
        return self

    def wait_closed(self, test, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.display.windows_named("VelmoraUpdater"):
                return
            time.sleep(0.2)
        test.fail("the window did not close")

    # -- the process and its log ---------------------------------------------------
    def log_path(self):
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Local", "VelmoraUpdater",
                                       "updater.log"))
        return found[0] if found else None

    def log_since_start(self):
        path = self.log_path()
        if not path:
            return ""
        with open(path, "rb") as f:
            f.seek(self.log_start)
            return f.read().decode("utf-8", "replace")

    def wait_log_line(self, test, text, timeout=90):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.log_since_start():
                return
            if self.poll() is not None:
                break
            time.sleep(0.1)
        test.fail("no log line with %r; the log says:\n%s" % (text, self.log_since_start()))

    def wait_exit(self, test, timeout=60):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            test.fail("the updater did not end; the log says:\n" + self.log_since_start())

    def poll(self):
        return self.process.poll() if self.process else None

    def kill(self):
        if self.process is None:
            subprocess.run(["wineserver", "-k"], env=wine_env(self.prefix, self.display.name))
        elif self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            subprocess.run(["wineserver", "-k"], env=wine_env(self.prefix, self.display.name))
            self.process.wait()

    # -- the window ----------------------------------------------------------------
    def wait_shown(self, test, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.display.windows_named("VelmoraUpdater")
            # Mapped is not yet painted: the first frame waits for the drawing device.
            if found:
                self.window = found[0]
                if max(self.screenshot().rgb[::97]) > 0:
                    time.sleep(0.3)
                    return
            if self.poll() is not None:
                break
            time.sleep(0.1)
        test.fail("the window did not appear; the log says:\n" + self.log_since_start())

    def wait_screen(self, test, predicate, what, timeout=30, interval=0.2):
        """The first screenshot for which `predicate` holds (the window repaints on its own time).
        `what` names what was awaited, or is a function that says it once the wait failed."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            shot = self.screenshot()
            if predicate(shot):
                return shot
            time.sleep(interval)
        test.fail("the window never showed " + (what() if callable(what) else what))

    def geometry(self):
        out = self.display.run("xdotool", "getwindowgeometry", "--shell", self.window).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def position(self):
        return self.geometry()[:2]

    def is_viewable(self):
        return self.window in self.display.windows_named("VelmoraUpdater")

    def expected_size(self):
        return (round(800 * self.scale), round(600 * self.scale))

    def dips(self, x, y, width, height):
        """A box in DIPs as a box of the window's pixels."""
        s = self.scale
        return (int(x * s), int(y * s), max(1, int(width * s)), max(1, int(height * s)))

    def button_box(self):
        return self.dips(320, 505, 160, 50)

    def status_box(self):
        # The leather inside the plate's bronze band: the band's edges read as strokes.
        return self.dips(246, 380, 308, 32)

    def detail_box(self):
        return self.dips(100, 461, 600, 20)

    def wait_status(self, test, words, timeout=30):
        """Waits until the status line on the screen reads `words`; returns that screenshot."""
        seen = []

        def reads(shot):
            seen.append(shot.read_text(self.status_box()))
            return reads_like(seen[-1], words, likeness=0.85)

        return self.wait_screen(test, reads, lambda: "the status line reading %r; it read %r" % (words, seen[-3:]),
                                timeout, interval=0.3)

    def screenshot(self):
        x, y, width, height = self.geometry()
        return self.display.screenshot().crop((x, y, width, height))

    def art_path(self, name):
        return os.path.join(ART, name + ("@2x" if self.dpi >= 144 else "") + ".png")

    def art_matches(self, shot, name, box):
        """True when the window shows this DPI's piece of art `name` in `box` (DIPs of a
        piece drawn at the window's origin): closer to that piece, scaled to the window
        as the renderer scales it, than to the piece of the other density."""
        size = shot.size
        region = self.dips(*box)

        def difference(path):
            with open(path, "rb") as f:
                art = Screenshot.from_image(f.read(), resize=size)
            return art.crop(region).mean_difference(shot.crop(region))

        chosen = difference(self.art_path(name))
        other = difference(os.path.join(ART, name + ("" if self.dpi >= 144 else "@2x") + ".png"))
        return chosen < other or chosen < 0.5

    # -- the pointer ---------------------------------------------------------------
    def screen_point(self, x, y):
        """A point in DIPs as xdotool's screen coordinates (two texts)."""
        wx, wy = self.position()
        return str(wx + int(x * self.scale)), str(wy + int(y * self.scale))

    def click_dips(self, x, y):
        self.display.run("xdotool", "mousemove", *self.screen_point(x, y))
        time.sleep(0.2)
        self.display.run("xdotool", "click", "1")
        time.sleep(0.3)

    def close_button(self):
        self.click_dips(742, 63)

    def minimise_button(self):
        self.click_dips(688, 63)

    def drag_dips(self, start, delta, steps=8):
        sx, sy = (int(v) for v in self.screen_point(*start))
        self.display.run("xdotool", "mousemove", str(sx), str(sy))
        time.sleep(0.2)
        self.display.run("xdotool", "mousedown", "1")
        time.sleep(0.2)
        for i in range(1, steps + 1):
            self.display.run("xdotool", "mousemove", str(sx + delta[0] * i // steps), str(sy + delta[1] * i // steps))
            time.sleep(0.05)
        time.sleep(0.2)
        self.display.run("xdotool", "mouseup", "1")
        time.sleep(0.4)
