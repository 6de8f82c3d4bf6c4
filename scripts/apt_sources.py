"""Writes the source-package entries (deb-src) that go with the machine's own package
entries (deb), so that apt-get source fetches from wherever this machine's packages
come from: its mirror, through its proxy (apt.conf stays in force).
    apt_sources.py SOURCES_LIST SOURCE_PARTS OUT_FOLDER
SOURCES_LIST is apt's one-line list (it may be missing), SOURCE_PARTS its folder of
*.list (one-line) and *.sources (deb822) files, as apt-config names them. Writes
OUT_FOLDER/machine.list and OUT_FOLDER/machine.sources, for Dir::Etc::SourceParts.
Exits 1, saying so, when the machine has no package entry to derive one from.
Called by scripts/setup.
"""
import os
import re
import sys

# apt reads only files whose names are made of these (others, such as
# "x.list.disabled" or "x.list~", it skips), and so do we.
PART_NAME = re.compile(r"^[A-Za-z0-9_.-]+\.(list|sources)$")


def one_line_entries(text):
    """(options, uri, suite, components) of each "deb" line of a one-line list."""
    entries = []
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        kind, _, rest = line.partition(" ")
        if kind != "deb":
            continue
        rest = rest.strip()
        options = ""
        if rest.startswith("["):
            end = rest.find("]")
            if end < 0:
                continue
            options = " ".join(rest[1:end].split())
            rest = rest[end + 1:]
        words = rest.split()
        if len(words) < 2 or words[0].startswith("cdrom:"):
            continue
        entries.append((options, words[0], words[1], tuple(words[2:])))
    return entries


def stanzas(text):
    """The deb822 paragraphs of a .sources file, as lists of (field, value lines)."""
    result, fields = [], []
    for line in text.splitlines():
        if line.startswith("#"):
            continue
        if not line.strip():
            if fields:
                result.append(fields)
            fields = []
        elif line[0] in " \t" and fields:
            fields[-1][1].append(line)
        elif ":" in line:
            name, value = line.split(":", 1)
            fields.append((name.strip(), [value.strip()]))
    if fields:
        result.append(fields)
    return result


def deb822_source_stanzas(text):
    """Each stanza of type deb, turned into the same stanza of type deb-src."""
    out = []
    for fields in stanzas(text):
        values = {name.lower(): " ".join(lines) for name, lines in fields}
        if "deb" not in values.get("types", "").split():
            continue
        if values.get("enabled", "yes").strip().lower() in ("no", "false", "without", "off", "disable"):
            continue
        uris = [u for u in values.get("uris", "").split() if not u.startswith("cdrom:")]
        if not uris:
            continue
        lines = []
        for name, value in fields:
            if name.lower() == "types":
                value = ["deb-src"]
            elif name.lower() == "uris":
                value = [" ".join(uris)]
            lines.append(f"{name}: {value[0]}" if value[0] else f"{name}:")
            lines.extend(value[1:])
        out.append("\n".join(lines))
    return out


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except (FileNotFoundError, NotADirectoryError, IsADirectoryError):
        return ""


def main(sources_list, source_parts, out_folder):
    lines, deb822 = [], []
    texts = [(sources_list, read(sources_list))]
    if os.path.isdir(source_parts):
        for name in sorted(os.listdir(source_parts)):
            if PART_NAME.match(name):
                texts.append((name, read(os.path.join(source_parts, name))))
    for name, text in texts:
        if name.endswith(".sources"):
            deb822.extend(deb822_source_stanzas(text))
        else:
            for options, uri, suite, components in one_line_entries(text):
                line = " ".join(["deb-src"] + ([f"[ {options} ]"] if options else []) + [uri, suite, *components])
                if line not in lines:
                    lines.append(line)
    if not lines and not deb822:
        sys.exit(f"apt_sources: no package entries (deb) in {sources_list} or {source_parts} to fetch sources from")
    os.makedirs(out_folder, exist_ok=True)
    with open(os.path.join(out_folder, "machine.list"), "w", encoding="utf-8") as f:
        f.write("".join(line + "\n" for line in lines))
    with open(os.path.join(out_folder, "machine.sources"), "w", encoding="utf-8") as f:
        f.write("\n\n".join(deb822) + ("\n" if deb822 else ""))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
