#!/usr/bin/env python3
"""Runs a command and writes what Linux accounted to it once it has ended:

  cpu_time.py OUT command [argument...]

OUT gets "CPU seconds <user + system> max_rss_mb <MB>" for the command's process and the
children it waited for. A Windows program started as `wine program.exe` runs in that very
process, so this is the program's own processor time (GetProcessTimes of another process
under Wine gives the caller's times instead). Exits with the command's exit code."""
import os
import subprocess
import sys

if len(sys.argv) < 3:
    sys.exit("usage: cpu_time.py OUT command [argument...]")
child = subprocess.Popen(sys.argv[2:])
_, status, usage = os.wait4(child.pid, 0)
child.returncode = os.waitstatus_to_exitcode(status)
with open(sys.argv[1], "w", encoding="utf-8") as out:
    out.write("CPU seconds %.3f max_rss_mb %.1f\n" % (usage.ru_utime + usage.ru_stime,
                                                      usage.ru_maxrss / 1024.0))
sys.exit(child.returncode if child.returncode >= 0 else 128 - child.returncode)
