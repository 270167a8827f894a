#!/usr/bin/env python3
"""Writes the setup program's file lists from a ready-to-ship folder.

    list_files.py FOLDER OUTDIR

OUTDIR/install-files.nsh installs every file of FOLDER into the same place
under $INSTDIR; OUTDIR/uninstall-files.nsh deletes exactly those files and
then removes each subfolder, deepest first, only if it is left empty, so the
uninstaller never touches a file it did not install. Paths in the lists are
relative to FOLDER: the script includes them after changing makensis's
folder to it.
"""
import os
import re
import sys

# Names that need no quoting rules of makensis: no quotes, "$" or control
# characters (a "$" would be read as a variable).
SAFE = re.compile(r'^[^"$`\x00-\x1f]+$')


def windows(path):
    return path.replace("/", "\\")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    folder, outdir = sys.argv[1], sys.argv[2]
    files, folders = [], []
    for here, dirs, names in os.walk(folder):
        dirs.sort()
        rel = os.path.relpath(here, folder)
        rel = "" if rel == "." else rel
        if rel:
            folders.append(rel)
        files += [os.path.join(rel, n) for n in sorted(names)]
    if not files:
        print("%s: no files to install" % folder, file=sys.stderr)
        return 1
    for path in files + folders:
        if not SAFE.match(path):
            print("%s: %r cannot be named in the setup program" % (folder, path), file=sys.stderr)
            return 1

    install, current = [], None
    for path in files:
        where = os.path.dirname(path)
        if where != current:
            install.append('SetOutPath "$INSTDIR%s"' % ("\\" + windows(where) if where else ""))
            current = where
        install.append('File "%s"' % path)
    uninstall = ['Delete "$INSTDIR\\%s"' % windows(p) for p in files]
    uninstall += ['RMDir "$INSTDIR\\%s"' % windows(d) for d in sorted(folders, key=lambda d: -d.count(os.sep))]

    os.makedirs(outdir, exist_ok=True)
    for name, lines in (("install-files.nsh", install), ("uninstall-files.nsh", uninstall)):
        with open(os.path.join(outdir, name), "w", encoding="utf-8", newline="\n") as f:
            f.write("; Written by list_files.py from %s\n" % folder)
            f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
