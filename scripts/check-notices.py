#!/usr/bin/env python3
"""Checks THIRD-PARTY-NOTICES against what the programs of build trees link.

    check-notices.py BUILD [BUILD...]

For each tree, reads the link commands CMake wrote for the programs that are
shipped (the command line, and in a Windows tree the maker and the
screensaver player) and fails, naming the library, when a program links a
third-party library that no entry of THIRD-PARTY-NOTICES lists. Given every
tree of a release (the native one and the Windows ones), it also fails when
an entry lists a library that none of them links, so that the notices name
nothing the programs do not carry.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NOTICES = os.path.join(ROOT, "THIRD-PARTY-NOTICES")

# The shipped programs' link folders, relative to a tree.
PROGRAMS = [
    "cli/CMakeFiles/slidewright.dir",
    "app/CMakeFiles/Slidewright.dir",
    "saver/CMakeFiles/saverstub.dir",
]
# Libraries of the systems themselves and of the compilers.
SYSTEM = {
    # Windows
    "advapi32", "comctl32", "comdlg32", "gdi32", "kernel32", "msimg32", "ole32", "oleaut32",
    "shell32", "shlwapi", "user32", "uuid", "version", "winmm", "winspool", "ws2_32", "bcrypt",
    "secur32", "imm32", "uxtheme", "msacm32", "mingw32", "mingwex", "msvcrt", "moldname",
    # Linux and the C and C++ runtimes
    "c", "m", "dl", "rt", "pthread", "stdc++", "gcc", "gcc_s", "atomic",
}
# Entries whose part is not a linked library, and how a tree shows it carries them.
SPECIAL = {"headers", "web player", "windows runtime"}


def read_notices():
    """Maps each library file stem to its entry's name."""
    entries = {}
    with open(NOTICES, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^--- (.+?) \[(.+)\]\s*$", line)
            if not m:
                continue
            name, parts = m.group(1), m.group(2)
            if parts in SPECIAL:
                entries[parts + ":" + name] = name
            else:
                for part in parts.split():
                    entries[part] = name
    return entries


def library_stem(token):
    """libfoo for -lfoo, .../libfoo.a, .../libfoo.so.1; None for anything else."""
    token = token.strip('"')
    if token.startswith("-l"):
        return "lib" + token[2:]
    base = os.path.basename(token)
    m = re.match(r"^(lib[^.]+)\.(a|so|dll\.a)(\.\d+)*$", base)
    if m and not token.startswith("-Wl"):
        return m.group(1)
    return None


def linked(tree):
    """The third-party library stems each shipped program of a tree links, and
    whether the tree is a Windows one."""
    found = {}
    windows = False
    for program in PROGRAMS:
        folder = os.path.join(tree, program)
        link = os.path.join(folder, "link.txt")
        if not os.path.isfile(link):
            continue
        tokens = []
        for name in ("link.txt", "linkLibs.rsp"):
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                with open(path, encoding="utf-8") as f:
                    tokens += f.read().split()
        windows = windows or any("w64-mingw32" in t for t in tokens)
        for token in tokens:
            bare = token.strip('"')
            # The project's own libraries are named relative to the program's
            # folder or lie in the tree; third-party ones come as -l flags or
            # as absolute paths found outside it.
            if not bare.startswith(("-l", "/")):
                continue
            if os.path.abspath(bare).startswith(os.path.abspath(tree) + os.sep):
                continue
            stem = library_stem(token)
            if stem and stem[3:] not in SYSTEM and not stem.startswith("libslidewright"):
                found.setdefault(stem, set()).add(program.split("/")[-1][:-4])
    return found, windows


def main(trees):
    entries = read_notices()
    failures = []
    used = set()
    for tree in trees:
        libraries, windows = linked(tree)
        if not libraries and not os.path.isdir(os.path.join(tree, "cli")):
            failures.append(f"{tree}: not a build tree (no cli/ folder)")
            continue
        for stem, programs in sorted(libraries.items()):
            if stem in entries:
                used.add(entries[stem])
            else:
                failures.append(f"{tree}: {', '.join(sorted(programs))} links {stem}, "
                                "which THIRD-PARTY-NOTICES does not list")
        if windows:
            used.update(n for k, n in entries.items() if k.startswith("windows runtime:"))
            if os.path.isdir(os.path.join(tree, "cli", "web-player")):
                used.update(n for k, n in entries.items() if k.startswith("web player:"))
        elif os.path.isdir(os.path.join(ROOT, "export", "web", "node_modules", "@ruffle-rs")):
            used.update(n for k, n in entries.items() if k.startswith("web player:"))
    if any("nlohmann/json.hpp" in open(os.path.join(d, f), encoding="utf-8", errors="replace").read()
           for d, _, fs in os.walk(os.path.join(ROOT, "albumfile")) for f in fs if f.endswith(".cpp")):
        used.update(n for k, n in entries.items() if k.startswith("headers:"))
    if len(trees) > 1:
        for name in sorted(set(entries.values()) - used):
            failures.append(f"THIRD-PARTY-NOTICES lists {name}, which no program of "
                            f"{', '.join(trees)} carries")
    for f in failures:
        print(f, file=sys.stderr)
    if not failures:
        print(f"THIRD-PARTY-NOTICES lists every library the programs of {', '.join(trees)} link")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:]))
