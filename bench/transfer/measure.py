#!/usr/bin/env python3
"""Runs one command and prints its wall time and peak resident memory as one line:
"seconds=S maxrss_kb=K status=N". Usage: measure.py -- COMMAND [ARGS...]"""
import os
import subprocess
import sys
import time


def main():
    args = sys.argv[1:]
    if args[:1] == ["--"]:
        args = args[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=subprocess.DEVNULL)
    # wait4 gives the child's own rusage, so other runs of this script never mix in.
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    print(f"seconds={seconds:.3f} maxrss_kb={usage.ru_maxrss} status={code}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
