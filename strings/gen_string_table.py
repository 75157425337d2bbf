#!/usr/bin/env python3
"""Generates a program's string table from its .strings file.

Input: UTF-8, one entry a line, "ID<TAB>TEXT"; TEXT may hold the escapes \\r, \\n, \\t and
\\\\; empty lines and lines starting with '#' are skipped.

Outputs:
  --rc   a resource script fragment with a STRINGTABLE (UTF-8, code page 65001);
  --cpp  a C++ source defining the table (sorted by id) for strings/StringTable.h.

Any malformed line stops the build with its file and line number, so a typo in a text can
never reach the resources of one build and not the tables of another.
"""

import argparse
import sys

ESCAPES = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\"}


class TableError(Exception):
    pass


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            if i + 1 >= len(text):
                raise TableError(f"{where}: '\\' at the end of the text")
            e = text[i + 1]
            if e not in ESCAPES:
                raise TableError(f"{where}: unknown escape '\\{e}'")
            out.append(ESCAPES[e])
            i += 2
            continue
        if c in "\r\n\t" or ord(c) < 0x20:
            raise TableError(f"{where}: control character in the text (write it as an escape)")
        out.append(c)
        i += 1
    return "".join(out)


def parse(path):
    entries = {}
    with open(path, "rb") as f:
        raw = f.read()
    try:
        content = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise TableError(f"{path}: not UTF-8 ({e})")
    if content.startswith("\ufeff"):
        content = content[1:]
    for number, line in enumerate(content.split("\n"), start=1):
        # A checkout with CR LF line ends must give the same table.
        if line.endswith("\r"):
            line = line[:-1]
        if not line or line.startswith("#"):
            continue
        where = f"{path}:{number}"
        if "\t" not in line:
            raise TableError(f"{where}: expected ID<TAB>TEXT")
        key, text = line.split("\t", 1)
        if not key.isdigit() or not 0 <= int(key) <= 65535:
            raise TableError(f"{where}: id '{key}' is not a number from 0 to 65535")
        ident = int(key)
        if ident in entries:
            raise TableError(f"{where}: id {ident} appears twice")
        value = unescape(text, where)
        if not value:
            # LoadString cannot tell an empty entry from a missing one.
            raise TableError(f"{where}: empty text")
        entries[ident] = value
    if not entries:
        raise TableError(f"{path}: no entries")
    return sorted(entries.items())


def rc_literal(text):
    out = []
    for c in text:
        if c == '"':
            out.append('""')
        elif c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t":
            out.append("\\t")
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def cpp_literal(text):
    out = []
    for c in text:
        if c == '"':
            out.append('\\"')
        elif c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t":
            out.append("\\t")
        elif c == "?":
            out.append("\\?")  # never part of a trigraph
        else:
            out.append(c)
    return 'u8"' + "".join(out) + '"'


def write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("utf-8"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--input", required=True)
    parser.add_argument("--name", required=True, help="table name: k<NAME>Strings")
    parser.add_argument("--rc")
    parser.add_argument("--cpp")
    args = parser.parse_args()
    try:
        entries = parse(args.input)
    except (TableError, OSError) as e:
        print(f"gen_string_table: {e}", file=sys.stderr)
        return 1

    source = args.input.replace("\\", "/").rsplit("/", 1)[-1]
    if args.rc:
        lines = [
            "#pragma code_page(65001)",
            f"// Generated from {source}: edit that file, not this one.",
            "STRINGTABLE",
            "BEGIN",
        ]
        lines += [f"    {ident}, {rc_literal(text)}" for ident, text in entries]
        lines += ["END", ""]
        write(args.rc, "\n".join(lines))
    if args.cpp:
        name = f"k{args.name}Strings"
        lines = [
            f"// Generated from {source}: edit that file, not this one.",
            '#include "StringTable.h"',
            "",
            f"extern const StringEntry {name}[] = {{",
        ]
        lines += [f"    {{{ident}, {cpp_literal(text)}}}," for ident, text in entries]
        lines += [
            "};",
            f"extern const std::size_t {name}Count = sizeof {name} / sizeof {name}[0];",
            "",
        ]
        write(args.cpp, "\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
