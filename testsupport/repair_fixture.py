#!/usr/bin/env python3
"""Starts and stops a SQL Server stand-in for the repair tests: the seeded demo cabinets,
the cabinet Hostile whose values hold tabs, line breaks and a NUL, and a pristine copy of
each database (DIR/<cabinet>.pristine), which a test puts back before it changes anything.

    repair_fixture.py start DIR
    repair_fixture.py stop DIR
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cabinets_fixture  # noqa: E402
from cabinets_fixture import cabinets  # noqa: E402

# A suspect user whose account name, read without care, would forge a second suspect user
# SN 5 (a valid user with records of their own), and one whose account name holds a NUL.
HOSTILE = {
    "UserOrGroup": [(1, "Admin", "Admin", "H", "Default", 0),
                    (5, "Valid", "Valid", "H", "Default", 0),
                    (20, "evil\r\n5\tforged\tX\tH\t", "", "H", "Default", 0),
                    (21, "nul\x00tail", "9x", "H", "Default", 0)],
    "Container": [(500, "of user 5", None, 5, 0), (501, "of user 21", None, 21, 0)],
    "AccessControlList": [(50, 500, 5, 15)],
}


def build_more(directory):
    cabinets.write_database(os.path.join(directory, "Hostile.sqlite"), HOSTILE)
    for name in os.listdir(directory):
        if name.endswith(".sqlite"):
            shutil.copyfile(os.path.join(directory, name),
                            os.path.join(directory, name[:-len(".sqlite")] + ".pristine"))


if __name__ == "__main__":
    cabinets_fixture.main(build_more)
