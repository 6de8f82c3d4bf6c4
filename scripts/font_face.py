"""Makes one TrueType face from the subsets a font package ships, one file per
subset of the same face: merges them, and can set the typographic family and
subfamily names (name IDs 16 and 17), which DirectWrite prefers over the legacy
family and style names (IDs 1 and 2).
    font_face.py OUT.ttf [--names FAMILY SUBFAMILY] IN.ttf...
The first input gives the names, metrics and hinting programs: put the latin
subset first. Called by scripts/fonts. Run it with Debian's /usr/bin/python3
(python3-fonttools).
"""
import sys

from fontTools.merge import Merger
from fontTools.ttLib import TTFont

# Tables that the merge takes from the first input alone. The subsets are cut from
# one font, so they must agree; if they did not, the later subsets' glyph programs
# would call functions that are not theirs.
SHARED_TABLES = ("fpgm", "prep", "cvt ", "gasp")


def set_typographic_names(font, family, subfamily):
    name = font["name"]
    legacy = [(r.platformID, r.platEncID, r.langID) for r in name.names if r.nameID == 1]
    if not legacy:
        raise SystemExit("no family name (ID 1) to go beside")
    # Stale records in any language would make the family depend on the reader's locale.
    name.removeNames(nameID=16)
    name.removeNames(nameID=17)
    for platform, encoding, language in legacy:
        name.setName(family, 16, platform, encoding, language)
        name.setName(subfamily, 17, platform, encoding, language)


def make_face(target, sources, names=None):
    inputs = [TTFont(source) for source in sources]
    for tag in SHARED_TABLES:
        present = [tag in font for font in inputs]
        if any(present) and (not all(present) or len({font.getTableData(tag) for font in inputs}) != 1):
            raise SystemExit(f"{target}: the inputs' '{tag}' tables differ")
    wanted = set()
    for font in inputs:
        wanted.update(font.getBestCmap())

    font = Merger().merge(sources)
    # Tables the merge cannot combine (Fredoka's STAT) it leaves out; the subsets
    # share them, so the first input's stand for all.
    for tag in inputs[0].keys():
        if tag not in font and tag != "GlyphOrder" and all(tag in f for f in inputs):
            if len({f.getTableData(tag) for f in inputs}) != 1:
                raise SystemExit(f"{target}: the inputs' '{tag}' tables differ and cannot be merged")
            font[tag] = inputs[0][tag]
    # The merge stamps the time of the run; keep the first input's, so the same
    # inputs always give the same bytes and scripts/fonts can pin the result.
    first = inputs[0]["head"]
    font["head"].created = first.created
    font["head"].modified = first.modified
    font.recalcTimestamp = False
    if names:
        set_typographic_names(font, *names)
    lost = sorted(wanted - set(font.getBestCmap()))
    if lost:
        raise SystemExit(f"{target}: the merge lost {' '.join(f'U+{c:04X}' for c in lost[:20])}")
    font.save(target)


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) < 2:
        raise SystemExit(__doc__)
    target, args = args[0], args[1:]
    names = None
    if args[0] == "--names":
        if len(args) < 4:
            raise SystemExit(__doc__)
        names, args = (args[1], args[2]), args[3:]
    make_face(target, args, names)
