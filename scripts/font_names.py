"""Sets a font's typographic family and subfamily names (name IDs 16 and 17), which
DirectWrite prefers over the legacy family and style names (IDs 1 and 2).
    font_names.py IN.ttf OUT.ttf FAMILY SUBFAMILY
Called by scripts/fonts. Run it with Debian's /usr/bin/python3 (python3-fonttools).
"""
import sys

from fontTools.ttLib import TTFont


def set_typographic_names(source, target, family, subfamily):
    # Keep head.modified as it is, so the same input always gives the same bytes
    # and scripts/fonts can pin the result's checksum.
    font = TTFont(source, recalcTimestamp=False)
    name = font["name"]
    legacy = [(r.platformID, r.platEncID, r.langID) for r in name.names if r.nameID == 1]
    if not legacy:
        raise SystemExit(f"{source}: no family name (ID 1) to go beside")
    # Stale records in any language would make the family depend on the reader's locale.
    name.removeNames(nameID=16)
    name.removeNames(nameID=17)
    for platform, encoding, language in legacy:
        name.setName(family, 16, platform, encoding, language)
        name.setName(subfamily, 17, platform, encoding, language)
    font.save(target)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    set_typographic_names(*sys.argv[1:])
