#!/usr/bin/env python3
"""Starts and stops a SQL Server stand-in with the database of the session tests.

    sqlserver_fixture.py start DIR    builds DIR/SessionTest.sqlite and the logins, starts
                                      the stand-in on a free port (DIR/port)
    sqlserver_fixture.py stop DIR
"""
import json
import os
import sqlite3
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
CTL = os.path.join(ROOT, "testbed", "sqlserver", "sqlserverctl")

LOGINS = {
    "session_user": "p;a=s}s{w0rd",
    "open_user": "",
}

ITEMS = [
    (1, "営業部", "Sales"),
    (2, "経理部", None),
    (3, "表示ソ", ""),
]

JOURNALED = [
    (1, "営業\t部\r\n表", "", "2024-03-28 16:20:00", -5),
    (2, "𠮷野家", None, None, None),
    (3, "y" * 9000, "z", "1999-12-31 23:59:59.997", 0),
]


def build(directory):
    os.makedirs(directory, exist_ok=True)
    path = os.path.join(directory, "SessionTest.sqlite")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.execute("create table Items (SN integer primary key, Name text, Code text, Note text)")
    db.executemany("insert into Items (SN, Name, Code) values (?, ?, ?)", ITEMS)
    db.execute("update Items set Note = ? where SN = 1", ("x" * 5000,))
    # rows read whole, with their columns' descriptions
    db.execute("create table Journaled (SN integer primary key autoincrement, Name text not null,"
               " Code nvarchar(8), Stamp datetime, Total integer)")
    db.executemany("insert into Journaled values (?, ?, ?, ?, ?)", JOURNALED)
    db.commit()
    db.close()
    with open(os.path.join(directory, "logins.json"), "w", encoding="utf-8") as f:
        json.dump({"logins": LOGINS}, f, ensure_ascii=False)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    verb, directory = sys.argv[1], os.path.abspath(sys.argv[2])
    if verb == "start":
        subprocess.run([CTL, "stop", directory], check=False, capture_output=True)
        build(directory)
        subprocess.run([CTL, "start", directory], check=True)
    else:
        subprocess.run([CTL, "stop", directory], check=True)


if __name__ == "__main__":
    main()
