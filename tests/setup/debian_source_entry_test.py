#!/usr/bin/env python3
"""scripts/debian-source-entry on apt configurations written in each format: the deb-src entry
names exactly the Debian archives, suites and components apt takes packages from, each address
once, and no other repository.

Usage: debian_source_entry_test.py SCRIPT. The archives are this machine's own (apt's package
lists say which are Debian's); exits 77 (skipped) on a machine without any.
"""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = sys.argv.pop(1) if len(sys.argv) > 1 else "scripts/debian-source-entry"
THIRD_PARTY = ("https://third-party.invalid/apt", "stable", "main")


def debian_targets():
    """(address, suite, component) of every Debian archive apt takes packages from."""
    listed = subprocess.run(
        ["apt-get", "indextargets", "--format",
         "$(TARGET_OF) $(ORIGIN) $(SITE) $(RELEASE) $(COMPONENT)", "Identifier: Packages"],
        check=True, capture_output=True, text=True).stdout
    fields = [line.split() for line in listed.splitlines()]
    return {tuple(f[2:]) for f in fields if len(f) == 5 and f[:2] == ["deb", "Debian"]}


def one_line(targets):
    return "".join(f"deb {site} {suite} {component}\n" for site, suite, component in targets)


def deb822(targets):
    return "\n".join(f"Types: deb\nURIs: {site}\nSuites: {suite}\nComponents: {component}\n"
                     for site, suite, component in targets)


def stanzas(text):
    """The entry's stanzas as dictionaries of their fields."""
    return [dict(line.split(": ", 1) for line in block.splitlines())
            for block in text.strip().split("\n\n") if block.strip()]


class DebianSourceEntry(unittest.TestCase):
    def entry_for(self, sources_list, sources_parts):
        """The script's output under an apt configuration with these sources."""
        with tempfile.TemporaryDirectory() as folder:
            parts = os.path.join(folder, "sources.list.d")
            os.mkdir(parts)
            with open(os.path.join(folder, "sources.list"), "w") as out:
                out.write(sources_list)
            for name, text in sources_parts.items():
                with open(os.path.join(parts, name), "w") as out:
                    out.write(text)
            config = os.path.join(folder, "apt.conf")
            with open(config, "w") as out:
                out.write(f'Dir::Etc::SourceList "{folder}/sources.list";\n'
                          f'Dir::Etc::SourceParts "{parts}";\n')
            run = subprocess.run([SCRIPT], env=dict(os.environ, APT_CONFIG=config),
                                 check=True, capture_output=True, text=True)
            return run.stdout

    def test_names_the_debian_archives_of_either_format(self):
        targets = sorted(TARGETS)
        cases = {
            "one-line sources.list": (one_line(targets + [THIRD_PARTY]), {}),
            "deb822 .sources": ("", {"debian.sources": deb822(targets),
                                     "third-party.sources": deb822([THIRD_PARTY])}),
            "both, the same archives twice": (one_line(targets),
                                              {"debian.sources": deb822(targets)}),
        }
        for name, (sources_list, sources_parts) in cases.items():
            with self.subTest(name):
                entry = stanzas(self.entry_for(sources_list, sources_parts))
                named = {(s["URIs"], suite, component) for s in entry
                         for suite in s["Suites"].split() for component in s["Components"].split()}
                self.assertEqual(named, TARGETS)
                self.assertEqual({s["Types"] for s in entry}, {"deb-src"})
                addresses = [s["URIs"] for s in entry]
                self.assertEqual(len(addresses), len(set(addresses)), "an address named twice")

    def test_prints_nothing_without_debian_archives(self):
        self.assertEqual(self.entry_for(one_line([THIRD_PARTY]), {}), "")


if __name__ == "__main__":
    TARGETS = debian_targets()
    if not TARGETS:
        print("skipped: apt takes no packages from a Debian archive here")
        sys.exit(77)
    unittest.main()
