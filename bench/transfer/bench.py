#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The transfer benchmark's runs and report; bench/transfer/run sets up the server and the files
and calls it. Every figure is of whole processes, start-up included, the median of RUNS runs that
alternate between curl, the host with the library under test ("after") and, when a baseline
library is given, the host with that library ("before")."""
import argparse
import filecmp
import os
import subprocess
import sys

from runstats import median, run_measured

GIB = 1 << 30
PARALLEL = 8

TARGET_WALL_RATIO = 1.05
TARGET_CPU_RATIO = 2.0
TARGET_PEAK_MB = 8.0
TARGET_UI_P99_MS = 50.0
TARGET_PARALLEL_RATIO = 1.2


class Bench:
    def __init__(self, a):
        self.a = a
        self.url = f"http://127.0.0.1:{a.port}/dav/room"
        self.libs = {"after": a.library}
        if a.base_library:
            self.libs["before"] = a.base_library
        self.variants = list(self.libs)
        self.w = a.work

    def path(self, *parts):
        return os.path.join(self.w, *parts)

    # ---- commands -------------------------------------------------------------------------

    def host(self, variant, *actions):
        return [self.a.host, "--server", f"127.0.0.1:{self.a.port}", "--dir", "/dav/room/",
                "--user", "bench", "--local-dir", self.path("local"), "--headless",
                "--timeout", "900", "--library", self.libs[variant],
                "--log", self.path(f"host-{variant}.log"), *actions]

    def curl(self, *args):
        return ["curl", "-sf", "--digest", "-u", "bench:bench", *args]

    def run(self, what, args):
        r = run_measured(args)
        if r.status != 0:
            sys.exit(f"bench: {what} failed (status {r.status}); logs in {self.w}")
        return r

    def same(self, a, b, what):
        if not filecmp.cmp(a, b, shallow=False):
            sys.exit(f"bench: {what}: the copy differs")

    def remove(self, *paths):
        for p in paths:
            if os.path.exists(p):
                os.remove(p)

    # ---- scenarios ------------------------------------------------------------------------

    def upload(self, size_name, runs):
        """{who: [Run]} for uploads of the local file size_name."""
        local = self.path(size_name)
        out = {w: [] for w in ["curl"] + self.variants}
        for i in range(runs):
            for who in out:
                name = f"up-{size_name}-{who}.bin"
                target = os.path.join(self.a.data, name)
                if who == "curl":
                    args = self.curl("-o", "/dev/null", "-T", local, f"{self.url}/{name}")
                else:
                    args = self.host(who, "--upload", f"{local}={name}")
                out[who].append(self.run(f"{who} upload of {size_name}", args))
                if i == 0:
                    self.same(local, target, f"{who} upload of {size_name}")
                self.remove(target)
        return out

    def download(self, size_name, runs):
        out = {w: [] for w in ["curl"] + self.variants}
        source = os.path.join(self.a.data, f"{size_name}.bin")
        for i in range(runs):
            for who in out:
                dest = self.path("get", f"{size_name}-{who}.bin")
                if who == "curl":
                    args = self.curl("-o", dest, f"{self.url}/{size_name}.bin")
                else:
                    args = self.host(who, "--download", f"{size_name}.bin={dest}")
                out[who].append(self.run(f"{who} download of {size_name}", args))
                if i == 0:
                    self.same(source, dest, f"{who} download of {size_name}")
                self.remove(dest)
        return out

    def ui_latency(self, runs):
        """{variant: [p99 ms]} with a 1 GiB panel upload and download shown in the window."""
        out = {v: [] for v in self.variants}
        for _ in range(runs):
            for v in self.variants:
                figures = self.path(f"latency-{v}.txt")
                dest = self.path("get", "panel.bin")
                args = self.host(v, "--together", "--probe-ui-latency", figures,
                                 "--panel-upload", self.path("panel-up.bin"),
                                 "--panel-download", f"big.bin={dest}")
                self.run(f"{v} panel transfers", args)
                with open(figures) as f:
                    fields = dict(kv.split("=") for kv in f.read().split())
                if int(fields["samples"]) == 0:
                    sys.exit(f"bench: {v}: the latency probe took no samples")
                out[v].append(float(fields["p99_ms"]))
                self.same(self.path("big"), dest, f"{v} panel download")
                self.remove(dest, os.path.join(self.a.data, "Presenter", "panel-up.bin"))
        return out

    def parallel(self, runs):
        """{who: [Run]} for PARALLEL uploads and PARALLEL downloads of 100 MB at once."""
        out = {w: [] for w in ["curl"] + self.variants}
        for _ in range(runs):
            for who in out:
                ups = [(self.path(f"p{i}"), f"pu-{who}-{i}.bin") for i in range(PARALLEL)]
                downs = [(f"p{i}.bin", self.path("get", f"pd-{who}-{i}.bin"))
                         for i in range(PARALLEL)]
                if who == "curl":
                    script = " ".join(
                        [f"curl -sf --digest -u bench:bench -o /dev/null -T {l} {self.url}/{r} &"
                         for l, r in ups] +
                        [f"curl -sf --digest -u bench:bench -o {l} {self.url}/{r} &"
                         for r, l in downs]) + " wait"
                    # "wait" hides a failed curl; the sizes are checked below.
                    args = ["bash", "-c", script]
                else:
                    args = self.host(who, "--together",
                                     *[x for l, r in ups for x in ("--upload", f"{l}={r}")],
                                     *[x for r, l in downs for x in ("--download", f"{r}={l}")])
                out[who].append(self.run(f"{who} parallel transfers", args))
                for l, r in ups:
                    t = os.path.join(self.a.data, r)
                    if os.path.getsize(t) != os.path.getsize(l):
                        sys.exit(f"bench: {who}: parallel upload {r} incomplete")
                    self.remove(t)
                for r, l in downs:
                    if os.path.getsize(l) != os.path.getsize(os.path.join(self.a.data, r)):
                        sys.exit(f"bench: {who}: parallel download {r} incomplete")
                    self.remove(l)
        return out


# ---- report ---------------------------------------------------------------------------------

def verdict(value, target):
    return "pass" if value <= target else "FAIL"


def report(b, up, down, up_small, down_small, latency, par):
    variants = b.variants
    head = "".join(f"{v:>10}" for v in variants)
    print(f"\n{'figure (medians of %d runs)' % b.a.runs:<44}{'curl':>10}{head}   target"
          + "".join(f"  {v:>6}" for v in variants))

    def row(name, curl, values, target=None, fmt="%.3f"):
        cells = "".join(f"{fmt % values[v]:>10}" for v in variants)
        c = f"{fmt % curl:>10}" if curl is not None else f"{'':>10}"
        t = ""
        if target is not None:
            t = f"   {'<= ' + str(target):<7}" + "".join(
                f"  {verdict(values[v], target):>6}" for v in variants)
        print(f"{name:<44}{c}{cells}{t}")

    for label, runs in (("upload", up), ("download", down)):
        wall = {w: median([r.seconds for r in runs[w]]) for w in runs}
        cpu = {w: median([r.cpu for r in runs[w]]) for w in runs}
        row(f"{label} 1 GiB wall time (s)", wall["curl"], wall)
        row(f"{label} 1 GiB wall time, host / curl", None,
            {v: wall[v] / wall["curl"] for v in variants}, TARGET_WALL_RATIO)
        row(f"{label} CPU user+sys per GiB (s)", cpu["curl"], cpu)
        row(f"{label} CPU per GiB, host / curl", None,
            {v: cpu[v] / cpu["curl"] for v in variants}, TARGET_CPU_RATIO)
    for label, big, small in (("upload", up, up_small), ("download", down, down_small)):
        peak_big = {v: median([r.maxrss_kb for r in big[v]]) / 1024 for v in variants}
        peak_small = {v: median([r.maxrss_kb for r in small[v]]) / 1024 for v in variants}
        row(f"{label} host peak memory 1 GiB (MB)", None, peak_big, fmt="%.1f")
        row(f"{label} host peak memory 1 MiB (MB)", None, peak_small, fmt="%.1f")
        row(f"{label} peak 1 GiB - 1 MiB (MB)", None,
            {v: peak_big[v] - peak_small[v] for v in variants}, TARGET_PEAK_MB, fmt="%.1f")
    row("UI thread p99 round trip, 1 GiB up+down (ms)", None,
        {v: median(latency[v]) for v in variants}, TARGET_UI_P99_MS, fmt="%.2f")
    wall = {w: median([r.seconds for r in par[w]]) for w in par}
    row(f"{PARALLEL}+{PARALLEL} x 100 MB at once, wall (s)", wall["curl"], wall)
    row(f"{PARALLEL}+{PARALLEL} x 100 MB at once, host / curl", None,
        {v: wall[v] / wall["curl"] for v in variants}, TARGET_PARALLEL_RATIO)


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--host", required=True)
    p.add_argument("--library", required=True)
    p.add_argument("--base-library")
    p.add_argument("--port", required=True)
    p.add_argument("--work", required=True, help="holds big, small, p0.., local/, get/")
    p.add_argument("--data", required=True, help="the server's folder for /dav/room/")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--latency-runs", type=int, default=3)
    a = p.parse_args()
    b = Bench(a)
    print(f"bench: {a.runs} alternating runs of curl, " + ", ".join(b.variants), file=sys.stderr)
    up = b.upload("big", a.runs)
    down = b.download("big", a.runs)
    up_small = b.upload("small", a.runs)
    down_small = b.download("small", a.runs)
    latency = b.ui_latency(a.latency_runs)
    par = b.parallel(a.runs)
    report(b, up, down, up_small, down_small, latency, par)
    return 0


if __name__ == "__main__":
    sys.exit(main())
