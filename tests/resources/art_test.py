"""Checks the window's art against the table the program loads it by.   python3 art_test.py

Every piece must exist at 1x and 2x under its name, be exactly its size (the 2x exactly
double), be 8 bits per channel with alpha (the opaque background: RGB, or RGBA with
every pixel opaque). pieces.txt, from which the build and the render script take the
list, must be the table. The icon must hold the six sizes with alpha. When the renderer
is installed, the render script runs again into a temporary folder and every picture
must come out pixel for pixel as committed, so the committed files never drift from
their sources.
"""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ART = os.path.join(ROOT, "resources", "art")
PNG_DIR = os.path.join(ART, "png")
ICON = os.path.join(ROOT, "resources", "icon", "velmora.ico")
CONVERT = "/usr/bin/convert"


def sizes(names, width, height):
    return [(name, width, height) for name in names]


# The art table, in the order the program loads it.
TABLE = (sizes(["bg"], 800, 600) + sizes(["plate"], 334, 43) + sizes(["track"], 598, 28)
         + sizes(["fill"], 588, 18) + sizes(["board"], 500, 282) + sizes(["title"], 204, 40)
         + sizes(["value"], 126, 28)
         + sizes(["play_normal", "play_hover", "play_pressed", "play_disabled"], 206, 75)
         + sizes(["min_normal", "min_hover", "min_pressed"], 44, 46)
         + sizes(["close_normal", "close_hover", "close_pressed"], 44, 46)
         + sizes(["options_normal", "options_hover", "options_pressed"], 58, 58)
         + sizes(["back_normal", "back_hover", "back_pressed"], 90, 30)
         + sizes(["arrow_normal", "arrow_hover", "arrow_pressed"], 28, 28)
         + sizes(["arrow_right_normal", "arrow_right_hover", "arrow_right_pressed"], 28, 28)
         + sizes(["switch_on_normal", "switch_on_hover"], 96, 28)
         + sizes(["switch_off_normal", "switch_off_hover"], 96, 28))

RGB, RGBA = 2, 6


def read_png(path):
    """Returns (width, height, bit depth, colour type, chunk types, raw image data),
    checking the signature and every chunk's CRC on the way."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, chunks, idat = 8, [], b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError("bad CRC in chunk %r" % kind)
        chunks.append(kind.decode("latin-1"))
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if not chunks or chunks[0] != "IHDR" or chunks[-1] != "IEND":
        raise ValueError("chunks out of order: %s" % chunks)
    return width, height, depth, colour, chunks, idat


def pixels(path):
    """The decoded pixels as 8-bit RGBA bytes, by ImageMagick."""
    result = subprocess.run([CONVERT, path, "-depth", "8", "rgba:-"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, check=True)
    return result.stdout


class ArtTable(unittest.TestCase):
    def test_every_piece_has_its_size_depth_and_alpha(self):
        expected = set()
        for name, width, height in TABLE:
            for scale, suffix in ((1, ""), (2, "@2x")):
                file = name + suffix + ".png"
                expected.add(file)
                with self.subTest(file=file):
                    w, h, depth, colour, chunks, idat = read_png(os.path.join(PNG_DIR, file))
                    self.assertEqual((w, h), (width * scale, height * scale))
                    self.assertEqual(depth, 8)
                    self.assertNotIn("PLTE", chunks)
                    if name == "bg":
                        self.assertIn(colour, (RGB, RGBA))
                        if colour == RGBA:
                            self.assertEqual(set(pixels(os.path.join(PNG_DIR, file))[3::4]), {255})
                    else:
                        self.assertEqual(colour, RGBA)
                    # No time stamps or text: the same source gives the same file.
                    self.assertFalse({"tIME", "tEXt", "zTXt", "iTXt"} & set(chunks))
        self.assertEqual(set(os.listdir(PNG_DIR)), expected, "pieces outside the table")

    def test_piece_list_follows_the_table(self):
        # The build names each resource after its line in pieces.txt, and the resource
        # compiler stores names in capitals: so a name of letters a-z and "_" only gives
        # exactly the capitalised resource names, "_2X" added for the 2x piece.
        with open(os.path.join(ART, "pieces.txt")) as f:
            lines = [line.split() for line in f if line.strip() and not line.startswith("#")]
        self.assertEqual([(name, int(w), int(h)) for name, w, h in lines], TABLE)
        for name, _, _ in TABLE:
            self.assertRegex(name, r"^[a-z_]+$")

    def test_icon_holds_six_sizes_with_alpha(self):
        with open(ICON, "rb") as f:
            data = f.read()
        reserved, kind, count = struct.unpack("<HHH", data[:6])
        self.assertEqual((reserved, kind, count), (0, 1, 6))
        found = []
        for i in range(count):
            w, h, _, _, _, bits, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
            found.append(w or 256)
            self.assertEqual(w, h)
            self.assertEqual(bits, 32)
            self.assertLessEqual(offset + size, len(data))
            image = data[offset:offset + size]
            if image[:8] == b"\x89PNG\r\n\x1a\n":
                self.assertEqual(struct.unpack(">IIBB", image[16:26]), (w or 256, h or 256, 8, RGBA))
            else:
                # A bitmap entry: its header, then 32-bit pixels (the height counts the mask too).
                header = struct.unpack("<IiiHH", image[:16])
                self.assertEqual(header, (40, w, 2 * h, 1, 32))
        self.assertEqual(sorted(found), [16, 24, 32, 48, 64, 256])


class ArtMatchesSources(unittest.TestCase):
    def test_committed_files_are_what_the_sources_render_to(self):
        if not shutil.which("rsvg-convert") or not os.path.exists(CONVERT):
            self.skipTest("rsvg-convert or ImageMagick is not installed")
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([os.path.join(ART, "render"), "--into", out], check=True)
            pairs = [(os.path.join(PNG_DIR, f), os.path.join(out, "png", f))
                     for f in sorted(os.listdir(os.path.join(out, "png")))]
            pairs.append((ICON, os.path.join(out, "velmora.ico")))
            self.assertEqual(len(pairs), 2 * len(TABLE) + 1)
            for committed, fresh in pairs:
                with self.subTest(file=os.path.basename(committed)):
                    self.assertTrue(os.path.exists(committed))
                    self.assertTrue(pixels(committed) == pixels(fresh),
                                    "differs from its source: run resources/art/render")


if __name__ == "__main__":
    unittest.main()
