#!/usr/bin/env python3
"""Generates a program's string table from its .strings file.

Input: UTF-8, one entry a line, "ID<TAB>NAME<TAB>TEXT"; NAME is IDS_ and upper-case letters,
digits and underscores; TEXT may hold the escapes \\r, \\n, \\t and \\\\; empty lines and
lines starting with '#' are skipped.

Outputs:
  --rc   a resource script fragment with a STRINGTABLE (UTF-8, code page 65001);
  --cpp  a C++ source defining the table (sorted by id) for strings/StringTable.h;
  --ids DIR TOOL=FILE...  the ids by name, for code: DIR/StringIds.h holds every name that has
         one number in all the tables that have it (code shared by the tools uses these),
         DIR/<TOOL>Ids.h includes it and adds, in namespace <TOOL>Ids, the names whose number
         differs from table to table (which shared code reaches through the tool's profile).

Any malformed line stops the build with its file and line number, so a typo in a text can
never reach the resources of one build and not the tables of another.
"""

import argparse
import os
import re
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


NAME = re.compile(r"IDS_[A-Z0-9_]+\Z")


def parse(path, names=None):
    """(id, text) pairs sorted by id; names, when given, receives {name: id}."""
    entries = {}
    names = {} if names is None else names
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
        if line.count("\t") < 2:
            raise TableError(f"{where}: expected ID<TAB>NAME<TAB>TEXT")
        key, name, text = line.split("\t", 2)
        if not key.isdigit() or not 0 <= int(key) <= 65535:
            raise TableError(f"{where}: id '{key}' is not a number from 0 to 65535")
        ident = int(key)
        if ident in entries:
            raise TableError(f"{where}: id {ident} appears twice")
        if not NAME.match(name):
            raise TableError(f"{where}: name '{name}' is not IDS_ with A-Z, 0-9 and _")
        if name in names:
            raise TableError(f"{where}: name {name} appears twice")
        names[name] = ident
        value = unescape(text, where)
        if not value:
            # LoadString cannot tell an empty entry from a missing one.
            raise TableError(f"{where}: empty text")
        entries[ident] = value
    if not entries:
        raise TableError(f"{path}: no entries")
    return sorted(entries.items())


# How each output writes the characters its literals cannot hold as they are.
SPECIAL = {"\\": "\\\\", "\r": "\\r", "\n": "\\n", "\t": "\\t"}
RC_SPECIAL = {**SPECIAL, '"': '""'}
CPP_SPECIAL = {**SPECIAL, '"': '\\"', "?": "\\?"}  # "?" is never part of a trigraph


def literal(text, special, prefix=""):
    return prefix + '"' + "".join(special.get(c, c) for c in text) + '"'


def rc_literal(text):
    return literal(text, RC_SPECIAL)


def cpp_literal(text):
    return literal(text, CPP_SPECIAL, "u8")


def write(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("utf-8"))


def write_ids(folder, tables):
    """The headers of --ids from {tool: path}."""
    names = {}
    for tool, path in tables.items():
        names[tool] = {}
        parse(path, names[tool])
    numbers = {}
    for table in names.values():
        for name, ident in table.items():
            numbers.setdefault(name, set()).add(ident)
    shared = sorted(n for n, ids in numbers.items() if len(ids) == 1)
    os.makedirs(folder, exist_ok=True)
    sources = ", ".join(p.replace("\\", "/").rsplit("/", 1)[-1] for p in tables.values())
    lines = [f"// Generated from {sources}: edit those files, not this one.",
             "// Ids with one number in every table that has them.", "#pragma once", ""]
    lines += [f"constexpr int {n} = {numbers[n].pop()};" for n in shared]
    write(f"{folder}/StringIds.h", "\n".join(lines + [""]))
    for tool, table in names.items():
        own = sorted(n for n in table if n not in shared)
        lines = [f"// Generated from {tables[tool].replace(chr(92), '/').rsplit('/', 1)[-1]}:"
                 " edit that file, not this one.",
                 f"// The ids of {tool}'s table whose numbers differ in another table.",
                 "#pragma once", "", '#include "StringIds.h"', "", f"namespace {tool}Ids {{", ""]
        lines += [f"constexpr int {n} = {table[n]};" for n in own]
        lines += ["", f"}} // namespace {tool}Ids", ""]
        write(f"{folder}/{tool}Ids.h", "\n".join(lines))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--input")
    parser.add_argument("--name", help="table name: k<NAME>Strings")
    parser.add_argument("--rc")
    parser.add_argument("--cpp")
    parser.add_argument("--ids", nargs="+", metavar=("DIR", "TOOL=FILE"))
    args = parser.parse_args()
    try:
        if args.ids:
            write_ids(args.ids[0], dict(t.split("=", 1) for t in args.ids[1:]))
            return 0
        if not args.input or not args.name:
            parser.error("--input and --name are needed")
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
