#!/usr/bin/env python3
"""Prints the user columns of a cabinet database file (user-columns.txt tells which and how),
for comparing a cabinet before and after a repair.

    dump_cabinet.py CABINET.sqlite
"""
import os
import sqlite3
import sys

COLUMNS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "user-columns.txt")


def user_columns():
    with open(COLUMNS, encoding="utf-8") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip() and line[0] != "#"]


def dump(path):
    db = sqlite3.connect(path)
    try:
        out = []
        for table, columns in user_columns():
            out.append("== " + table)
            for row in db.execute(f"select {columns} from {table} order by SN"):
                out.append("|".join("" if v is None else str(v) for v in row))
        return "\n".join(out) + "\n"
    finally:
        db.close()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.stdout.write(dump(sys.argv[1]))
