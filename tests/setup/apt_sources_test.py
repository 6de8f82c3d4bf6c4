"""The source entries scripts/setup derives from a machine's apt configuration.
    python3 apt_sources_test.py
Each case writes a sources.list and a folder of parts, runs scripts/apt_sources.py,
and asks apt itself (apt-get indextargets, which reads the configuration and fetches
nothing) which source indexes the result names.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "scripts", "apt_sources.py")

KEY_BLOCK = """Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mDMEZmlycm9yLWtleS1mb3ItdGhlLXRlc3Q=
 -----END PGP PUBLIC KEY BLOCK-----
"""

# (name, sources.list text or None, {part file name: text}, the deb-src targets apt sees)
CASES = [
    ("one-line entries with options, comments, a cdrom and a duplicate",
     "# the machine's mirror\n"
     "deb [ arch=amd64 signed-by=/usr/share/keyrings/local.gpg ] http://mirror.invalid/debian bookworm main contrib\n"
     "deb [ arch=amd64 signed-by=/usr/share/keyrings/local.gpg ] http://mirror.invalid/debian bookworm main contrib\n"
     "deb http://mirror.invalid/debian-security bookworm-security main # security\n"
     "deb-src http://mirror.invalid/old bookworm main\n"
     "deb cdrom:[Debian GNU/Linux 12]/ bookworm main\n"
     "\n",
     {},
     {"http://mirror.invalid/debian/ bookworm", "http://mirror.invalid/debian-security/ bookworm-security"}),
    ("deb822 stanzas: several suites, a comment inside, an inline key, a disabled one",
     None,
     {"debian.sources":
          "Types: deb\n"
          "# http://snapshot.invalid/archive/debian/20250520T000000Z\n"
          "URIs: http://mirror.invalid/debian\n"
          "Suites: bookworm bookworm-updates\n"
          "Components: main\n"
          + KEY_BLOCK +
          "\n"
          "Types: deb deb-src\n"
          "URIs: http://proxy.invalid:3142/security\n"
          "Suites: bookworm-security\n"
          "Components: main\n"
          "\n"
          "Types: deb\n"
          "URIs: http://mirror.invalid/disabled\n"
          "Suites: bookworm\n"
          "Components: main\n"
          "Enabled: no\n"},
     {"http://mirror.invalid/debian/ bookworm", "http://mirror.invalid/debian/ bookworm-updates",
      "http://proxy.invalid:3142/security/ bookworm-security"}),
    ("both formats in the parts folder; files apt skips are skipped",
     "",
     {"local.list": "deb http://mirror.invalid/local bookworm main\n",
      "other.sources": "Types: deb\nURIs: http://mirror.invalid/other\nSuites: bookworm\nComponents: main\n",
      "old.list.disabled": "deb http://mirror.invalid/disabled-file bookworm main\n",
      "stale.sources.bak": "Types: deb\nURIs: http://mirror.invalid/bak\nSuites: bookworm\nComponents: main\n"},
     {"http://mirror.invalid/local/ bookworm", "http://mirror.invalid/other/ bookworm"}),
]


def run(sources_list, parts, out):
    return subprocess.run([sys.executable, SCRIPT, sources_list, parts, out], capture_output=True, text=True)


def source_targets(out, work):
    """The (repository, suite) of each source index apt reads from the folder `out`."""
    lists = os.path.join(work, "lists")
    os.makedirs(os.path.join(lists, "partial"), exist_ok=True)
    result = subprocess.run(
        ["apt-get", "-o", "Dir::Etc::SourceList=" + os.path.join(work, "none.list"),
         "-o", "Dir::Etc::SourceParts=" + out, "-o", "Dir::State::Lists=" + lists,
         "indextargets", "--no-release-info", "--format", "$(TARGET_OF) $(REPO_URI) $(RELEASE)"],
        capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError("apt refuses the entries: " + result.stderr)
    targets = set()
    for line in result.stdout.splitlines():
        kind, _, rest = line.partition(" ")
        if line:
            if kind != "deb-src":
                raise AssertionError("not a source entry: " + line)
            targets.add(rest)
    return targets, result.stderr


class AptSourcesTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work)

    def machine(self, sources_list, parts):
        list_path = os.path.join(self.work, "sources.list")
        if sources_list is not None:
            with open(list_path, "w") as f:
                f.write(sources_list)
        parts_path = os.path.join(self.work, "sources.list.d")
        os.makedirs(parts_path)
        for name, text in parts.items():
            with open(os.path.join(parts_path, name), "w") as f:
                f.write(text)
        return list_path, parts_path

    @unittest.skipUnless(shutil.which("apt-get"), "needs apt")
    def test_derived_entries_as_apt_reads_them(self):
        for name, sources_list, parts, expected in CASES:
            with self.subTest(name):
                shutil.rmtree(self.work)
                os.makedirs(self.work)
                list_path, parts_path = self.machine(sources_list, parts)
                out = os.path.join(self.work, "out")
                result = run(list_path, parts_path, out)
                self.assertEqual(result.returncode, 0, result.stderr)
                targets, warnings = source_targets(out, self.work)
                self.assertEqual(targets, expected)
                self.assertNotIn("W:", warnings)
                self.assertNotIn("E:", warnings)

    def test_inline_key_kept_as_it_was(self):
        list_path, parts_path = self.machine(None, {"debian.sources": CASES[1][2]["debian.sources"]})
        out = os.path.join(self.work, "out")
        self.assertEqual(run(list_path, parts_path, out).returncode, 0)
        with open(os.path.join(out, "machine.sources")) as f:
            self.assertIn(KEY_BLOCK, f.read())

    def test_no_package_entries_is_said(self):
        list_path, parts_path = self.machine("# nothing\ndeb-src http://mirror.invalid/x bookworm main\n",
                                             {"x.list.disabled": "deb http://mirror.invalid/y bookworm main\n"})
        result = run(list_path, parts_path, os.path.join(self.work, "out"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("no package entries", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.work, "out")))


if __name__ == "__main__":
    unittest.main()
