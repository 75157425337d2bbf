#!/usr/bin/env python3
"""Starts and stops a SQL Server stand-in serving the seeded demo cabinets, for the check
tests.

    cabinets_fixture.py start DIR    writes DIR/<cabinet>.sqlite for every seeded cabinet and
                                     starts the stand-in on a free port (DIR/port); the tests
                                     log in as sa
    cabinets_fixture.py stop DIR
"""
import os
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "testbed", "demo"))
import cabinets  # noqa: E402

CTL = os.path.join(ROOT, "testbed", "sqlserver", "sqlserverctl")


def stop(directory):
    subprocess.run([CTL, "stop", directory], check=False, capture_output=True)


def build(directory):
    for database in cabinets.SEEDS:
        cabinets.build_cabinet(os.path.join(directory, database + ".sqlite"), database)
    cabinets.add_logins(directory, {})


def serve(directory):
    subprocess.run([CTL, "start", directory], check=True)


def main(build_more=lambda directory: None):
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    verb, directory = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(directory, exist_ok=True)
    stop(directory)
    if verb == "start":
        build(directory)
        build_more(directory)
        serve(directory)


if __name__ == "__main__":
    main()
