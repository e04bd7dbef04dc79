# SPDX-License-Identifier: Apache-2.0
"""One measured run of a process: wall time from start to exit, and from wait4 the CPU time
(user + system) and peak resident memory of the process and the children it waited for."""
import os
import subprocess
import time
from dataclasses import dataclass


@dataclass
class Run:
    seconds: float
    cpu: float
    maxrss_kb: int
    status: int


def run_measured(args, env=None, stdout=subprocess.DEVNULL):
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=stdout, env=env)
    # wait4 gives the child's own rusage, so other runs never mix in.
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    return Run(seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss,
               os.waitstatus_to_exitcode(status))


def median(values):
    s = sorted(values)
    n = len(s)
    if n == 0:
        return float("nan")
    return s[n // 2] if n % 2 else (s[n // 2 - 1] + s[n // 2]) / 2
