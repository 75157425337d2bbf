#!/usr/bin/env python3
"""Writes DIR/Bench.sqlite (table Rows: 100,000 rows x 5 columns) and a login for the
session benchmark: bench_user / bench-pass."""
import json
import os
import sqlite3
import sys

directory = os.path.abspath(sys.argv[1])
os.makedirs(directory, exist_ok=True)
path = os.path.join(directory, "Bench.sqlite")
if not os.path.exists(path):
    db = sqlite3.connect(path)
    db.execute("create table Rows (SN integer primary key, AccountName text, UserID text, "
               "DomainName text, UserSpace text)")
    db.executemany("insert into Rows values (?, ?, ?, ?, ?)",
                   ((i, f"利用者{i}", f"U{i:06d}", "VELMORA", f"\\\\server\\space\\{i}")
                    for i in range(1, 100001)))
    db.commit()
    db.close()
with open(os.path.join(directory, "logins.json"), "w", encoding="utf-8") as f:
    json.dump({"logins": {"bench_user": "bench-pass"}}, f)
