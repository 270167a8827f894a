#!/usr/bin/env python3
"""Checks a built Windows program without running it.

    pe_check.py PROGRAM --machine i386|amd64 [--gui] [--system-dlls-only]
                [--resource TYPE:ID=FILE] [--no-debug-sections]
                [--debug-link FILE] [--version X.Y.Z]

Reads the PE headers and prints one line describing the program (format,
machine, subsystem, imported DLLs). Exits 1, saying why, when the machine or
subsystem differs from what was asked, when a DLL outside Windows' own set is
imported, when the named resource is missing or not byte-identical to FILE,
when a shipped program still carries debugging sections (--no-debug-sections),
when its debug link does not name FILE, a file of debugging sections whose
checksum it records (--debug-link), or when its version resource does not
give X.Y.Z as the file and product version, both in the fixed block (as
X.Y.Z.0) and in every string table (--version). Standard library only, so it
runs wherever the build runs.
"""
import argparse
import os
import struct
import sys
import zlib

MACHINES = {0x14C: "i386", 0x8664: "amd64"}
SUBSYSTEMS = {2: "GUI", 3: "console"}
# DLLs that every Windows the programs run on has in its system folder.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
    "msimg32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "winmm.dll", "version.dll", "ws2_32.dll",
    "msacm32.dll", "imm32.dll", "uxtheme.dll", "bcrypt.dll", "secur32.dll",
}


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, symbols_at, symbols, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        # The COFF string table follows the symbol table; long section names
        # (".debug_info", ".gnu_debuglink") are stored there as "/offset".
        strings = symbols_at + 18 * symbols if symbols_at else None
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        self.pe32plus = magic == 0x20B
        if magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header magic %#x" % magic)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (112 if self.pe32plus else 96)
        self.directories = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        self.section_names = []
        table = opt + opt_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr))
            name = name.rstrip(b"\0").decode("ascii", "replace")
            if name.startswith("/") and name[1:].isdigit() and strings is not None:
                at = strings + int(name[1:])
                name = data[at:data.index(b"\0", at)].decode("ascii", "replace")
            self.section_names.append(name)
            if name == ".gnu_debuglink":
                self.debuglink = data[rawptr:rawptr + rawsize]

    debuglink = None

    def debug_sections(self):
        return [n for n in self.section_names if n.startswith((".debug", ".zdebug"))]

    def debug_link(self):
        """The file name and CRC-32 a .gnu_debuglink section records, or None."""
        if self.debuglink is None or b"\0" not in self.debuglink:
            return None
        end = self.debuglink.index(b"\0")
        crc_at = (end + 4) & ~3  # the name is padded to a multiple of four bytes
        if crc_at + 4 > len(self.debuglink):
            return None
        return self.debuglink[:end].decode("utf-8", "replace"), struct.unpack_from("<I", self.debuglink, crc_at)[0]

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("address %#x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        rva, size = self.directories[1]
        names = []
        pos = self.offset(rva) if size else None
        while pos is not None:
            entry = struct.unpack_from("<IIIII", self.data, pos)
            if not any(entry):
                break
            names.append(self.cstring(entry[3]))
            pos += 20
        return names

    def resource(self, type_name, ident):
        rva, size = self.directories[2]
        if not size:
            return None
        base = self.offset(rva)

        def entries(table):
            named, numbered = struct.unpack_from("<HH", self.data, table + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, table + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        def find(table, key):
            for k, target in entries(table):
                if k == key:
                    return target
            return None

        level = find(base, type_name)
        if level is None or not level & 0x80000000:
            return None
        level = find(base + (level & 0x7FFFFFFF), ident)
        if level is None or not level & 0x80000000:
            return None
        # The first language of the resource.
        lang = next(entries(base + (level & 0x7FFFFFFF)), None)
        if lang is None or lang[1] & 0x80000000:
            return None
        data_rva, data_size = struct.unpack_from("<II", self.data, base + lang[1])
        start = self.offset(data_rva)
        return self.data[start:start + data_size]


def version_nodes(data, at=0):
    """The VS_VERSIONINFO tree at data[at:] as (key, value bytes, children), and where it ends."""
    def align(n):
        return (n + 3) & ~3

    length, value_length, text = struct.unpack_from("<HHH", data, at)
    end = at + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[at + 6:end].decode("utf-16-le")
    pos = align(end + 2)
    size = value_length * 2 if text else value_length
    value = data[pos:pos + size]
    pos = align(pos + size)
    children = []
    while pos < at + length:
        child, pos = version_nodes(data, pos)
        children.append(child)
        pos = align(pos)
    return (key, value, children), at + length


def check_version(pe, version):
    """Problems with the program's version resource against version "X.Y.Z"."""
    data = pe.resource(16, 1)  # RT_VERSION
    if data is None:
        return ["has no version resource"]
    try:
        (_, fixed, children), _ = version_nodes(data)
    except (struct.error, UnicodeDecodeError) as e:
        return ["its version resource cannot be read: %s" % e]
    if len(fixed) < 52 or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        return ["its version resource has no fixed version block"]
    parts = [int(p) for p in version.split(".")] + [0, 0, 0]
    expected = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
    problems = []
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", fixed, 8)
    for name, got in (("FILEVERSION", (file_ms, file_ls)), ("PRODUCTVERSION", (product_ms, product_ls))):
        if got != expected:
            problems.append("%s is %d.%d.%d.%d, not %s.0" % (name, got[0] >> 16, got[0] & 0xFFFF,
                                                           got[1] >> 16, got[1] & 0xFFFF, version))
    tables = [t for key, _, c in children if key == "StringFileInfo" for t in c]
    if not tables:
        problems.append("its version resource has no string table")
    for table_key, _, strings in tables:
        values = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _ in strings}
        for name in ("FileVersion", "ProductVersion"):
            if values.get(name) != version:
                problems.append("%s in string table %s is %r, not %r" % (name, table_key, values.get(name), version))
    return problems


def check_debug_link(program, pe, path):
    """Problems with the program's link to its debugging file at path."""
    link = pe.debug_link()
    if link is None:
        return ["has no .gnu_debuglink section"]
    name, crc = link
    if name != os.path.basename(path):
        return ["its debug link names %s, not %s" % (name, os.path.basename(path))]
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        return ["its debugging file %s cannot be read: %s" % (path, e.strerror)]
    if zlib.crc32(data) != crc:
        return ["%s is not the debugging file the program was linked to (checksum differs)" % path]
    try:
        debug = PeFile(data)
    except (ValueError, struct.error) as e:
        return ["%s is not a PE file of debugging sections: %s" % (path, e)]
    if ".debug_info" not in debug.section_names:
        return ["%s holds no .debug_info section" % path]
    print("%s: debugging sections in %s (%d bytes, %s)"
          % (program, path, len(data), " ".join(debug.debug_sections())))
    return []


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("program")
    parser.add_argument("--machine", choices=sorted(MACHINES.values()), required=True)
    parser.add_argument("--gui", action="store_true", help="require the GUI subsystem")
    parser.add_argument("--system-dlls-only", action="store_true")
    parser.add_argument("--resource", action="append", default=[], metavar="TYPE:ID=FILE")
    parser.add_argument("--no-debug-sections", action="store_true",
                        help="require a program stripped of its debugging sections")
    parser.add_argument("--debug-link", metavar="FILE",
                        help="require a debug link to FILE, which holds the debugging sections")
    parser.add_argument("--version", metavar="X.Y.Z", help="require this file and product version")
    args = parser.parse_args()

    with open(args.program, "rb") as f:
        pe = PeFile(f.read())
    machine = MACHINES.get(pe.machine, "%#x" % pe.machine)
    subsystem = SUBSYSTEMS.get(pe.subsystem, str(pe.subsystem))
    dlls = pe.imported_dlls()
    print("%s: %s %s %s, imports %s" % (args.program, "PE32+" if pe.pe32plus else "PE32",
                                        machine, subsystem, " ".join(sorted(d.upper() for d in dlls))))
    problems = []
    if machine != args.machine:
        problems.append("machine is %s, not %s" % (machine, args.machine))
    if pe.pe32plus != (args.machine == "amd64"):
        problems.append("optional header is %s" % ("PE32+" if pe.pe32plus else "PE32"))
    if args.gui and subsystem != "GUI":
        problems.append("subsystem is %s, not GUI" % subsystem)
    if args.system_dlls_only:
        foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
        if foreign:
            problems.append("imports DLLs that Windows does not have: " + ", ".join(foreign))
    for spec in args.resource:
        name, _, path = spec.partition("=")
        type_name, _, ident = name.partition(":")
        key = int(type_name) if type_name.isdigit() else type_name.upper()
        data = pe.resource(key, int(ident))
        with open(path, "rb") as f:
            expected = f.read()
        if data is None:
            problems.append("no resource %s %s" % (type_name, ident))
        elif data != expected:
            problems.append("resource %s %s (%d bytes) differs from %s (%d bytes)"
                            % (type_name, ident, len(data), path, len(expected)))
        else:
            print("%s: resource %s %s is byte-identical to %s" % (args.program, type_name, ident, path))
    if args.no_debug_sections:
        found = pe.debug_sections()
        if found:
            problems.append("carries debugging sections: " + " ".join(found))
    if args.debug_link:
        problems += check_debug_link(args.program, pe, args.debug_link)
    if args.version:
        found = check_version(pe, args.version)
        if not found:
            print("%s: version %s in its version resource" % (args.program, args.version))
        problems += found
    for p in problems:
        print("%s: %s" % (args.program, p), file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
