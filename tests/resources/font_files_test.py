"""Checks the fonts that scripts/fonts prepares for the window: DirectWrite must find
each one under the family, weight and style the program asks for, as TrueType with
the letters of every subset its package ships, and the licence texts beside them
must be the SIL Open Font License.
    python3 font_files_test.py FONTS_DIR
Run it with Debian's /usr/bin/python3, which has python3-fonttools.
"""
import os
import sys
import unicodedata
import unittest

from fontTools.ttLib import TTFont

FOLDER = ""

# file, the family and weight the window asks for, and the face name that goes with it
FONTS = [
    ("FiraSans-Regular.ttf", "Fira Sans", 400, "Regular"),
    ("FiraSans-SemiBold.ttf", "Fira Sans", 600, "SemiBold"),
    ("Fredoka-SemiBold.ttf", "Fredoka", 600, "SemiBold"),
]


def letters(*ranges):
    """The assigned code points of inclusive ranges."""
    return [chr(c) for first, last in ranges for c in range(first, last + 1)
            if unicodedata.category(chr(c)) != "Cn"]


# What each fontsource subset is there for: the letters a font cut from it must have.
SUBSETS = {
    "latin": letters((0x20, 0x7E), (0xA0, 0xAC), (0xAE, 0xFF)),
    # Latin Extended-A and -B whole: Polish, Czech, Turkish, Baltic, Romanian...
    "latin-ext": letters((0x100, 0x24F)),
    "cyrillic": letters((0x400, 0x45F), (0x490, 0x491)),
    "cyrillic-ext": letters((0x460, 0x479), (0x48A, 0x52F)),
    # Greek without the Coptic letters that sit in its block
    "greek": letters((0x370, 0x3E1), (0x3F0, 0x3FF)),
    "greek-ext": letters((0x1F00, 0x1FFF)),
    "vietnamese": letters((0x1EA0, 0x1EF9), (0x20AB, 0x20AB)),
    "hebrew": letters((0x5B0, 0x5BC), (0x5D0, 0x5EA)),
}
FIRA = ["latin", "latin-ext", "cyrillic", "cyrillic-ext", "greek", "greek-ext", "vietnamese"]
# The file of each face and the subsets its package has for it. Fredoka's latin-ext
# holds only a few letters; those are what it must keep.
COVERAGE = {
    "FiraSans-Regular.ttf": {subset: SUBSETS[subset] for subset in FIRA},
    "FiraSans-SemiBold.ttf": {subset: SUBSETS[subset] for subset in FIRA},
    "Fredoka-SemiBold.ttf": {"latin": SUBSETS["latin"], "latin-ext": list("ŁłŠšŽžŸƒ"),
                             "hebrew": SUBSETS["hebrew"]},
}
LICENCES = ["OFL-FiraSans.txt", "OFL-Fredoka.txt"]

# DirectWrite's family models, as name IDs in order of preference: family, then face.
MODELS = {
    "weight-stretch-style": ((21, 16, 1), (22, 17, 2)),
    "typographic": ((16, 1), (17, 2)),
}
RIBBI = {"Regular", "Bold", "Italic", "Bold Italic"}
OFL_TITLE = "SIL OPEN FONT LICENSE Version 1.1"


def open_font(file):
    path = os.path.join(FOLDER, file)
    if not os.path.isfile(path):
        raise AssertionError(f"{path} is missing: run scripts/setup")
    return TTFont(path)


def name_of(font, ids):
    """The first of the name IDs the font has, in every platform and language at once:
    records that disagree would make the result depend on the reader's locale."""
    for name_id in ids:
        values = {r.toUnicode() for r in font["name"].names if r.nameID == name_id}
        if len(values) > 1:
            raise AssertionError(f"name ID {name_id} differs between its records: {sorted(values)}")
        if values:
            return values.pop()
    return None


class FontFilesTest(unittest.TestCase):
    def test_each_font_resolves_to_the_family_weight_and_style_asked_for(self):
        for file, family, weight, face in FONTS:
            font = open_font(file)
            for model, (family_ids, face_ids) in MODELS.items():
                with self.subTest(file=file, model=model):
                    self.assertEqual(name_of(font, family_ids), family)
                    self.assertEqual(name_of(font, face_ids), face)
            with self.subTest(file=file):
                self.assertEqual(font["OS/2"].usWeightClass, weight)
                self.assertFalse(font["OS/2"].fsSelection & 1, "italic in OS/2")
                self.assertFalse(font["head"].macStyle & 2, "italic in head")

    def test_legacy_names_keep_the_fonts_apart(self):
        # Name IDs 1 and 2 form the four-style families of older readers: two fonts
        # with the same pair would hide one another there.
        pairs = {}
        for file, _, _, _ in FONTS:
            font = open_font(file)
            pair = (name_of(font, (1,)), name_of(font, (2,)))
            with self.subTest(file=file):
                self.assertIn(pair[1], RIBBI)
                self.assertNotIn(pair, pairs, f"same legacy names as {pairs.get(pair)}")
            pairs[pair] = file

    def test_fonts_are_truetype_with_the_letters_of_every_subset(self):
        self.assertEqual(sorted(COVERAGE), sorted(file for file, _, _, _ in FONTS))
        for file, subsets in COVERAGE.items():
            font = open_font(file)
            with self.subTest(file=file):
                # fontTools opens WOFF and WOFF2 alike; the program's loader reads only sfnt.
                with open(os.path.join(FOLDER, file), "rb") as raw:
                    self.assertEqual(raw.read(4), b"\x00\x01\x00\x00")
                self.assertIn("glyf", font)
            cmap = font.getBestCmap()
            glyphs = font["glyf"]
            for subset, wanted in subsets.items():
                with self.subTest(file=file, subset=subset):
                    missing = "".join(c for c in wanted if ord(c) not in cmap)
                    self.assertEqual(missing, "", f"{len(missing)} of {len(wanted)} letters missing")
                    # A letter mapped to an empty outline would still be drawn as nothing.
                    empty = "".join(c for c in wanted if ord(c) in cmap and c.isalpha()
                                    and glyphs[cmap[ord(c)]].numberOfContours == 0)
                    self.assertEqual(empty, "")

    def test_licences_are_the_ofl_without_a_reserved_font_name(self):
        # The name tables are changed, which the OFL forbids only under a Reserved
        # Font Name; the licence's own header would declare one.
        for file in LICENCES:
            path = os.path.join(FOLDER, file)
            with self.subTest(file=file):
                self.assertTrue(os.path.isfile(path), f"{path} is missing: run scripts/setup")
                with open(path, encoding="utf-8") as licence:
                    text = licence.read()
                header, title, body = text.partition(OFL_TITLE)
                self.assertEqual(title, OFL_TITLE)
                self.assertIn("licensed under the SIL Open Font License, Version 1.1", header)
                self.assertNotIn("Reserved Font Name", header)
                self.assertIn("PERMISSION & CONDITIONS", body)
                self.assertTrue(body.rstrip().endswith("OTHER DEALINGS IN THE FONT SOFTWARE."))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    FOLDER = sys.argv.pop(1)
    unittest.main()
