#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The network benchmark's rounds and report; bench/network/run starts Apache over HTTPS with
Digest, a meeting server, and seeds the presenter folder, then calls it. For each round-trip
time a delaying proxy (proxy.py) stands between every client and Apache, and in the same round:

  join      a participant with automatic download joins the presenter folder of 200 files of
            10 KB, until all are in its save folder (the whole process), against one curl
            PROPFIND and `curl -Z --parallel-max 8` of the 200 files; connections of each
  list      `docshelf-host --list Presenter/` as a whole process, against one curl PROPFIND
  announce  a presenter (on the server's own port) uploads a 10 MB file through its panel; the
            time from its final name on the server to the participant's complete copy, the
            participant's CPU for it, against curl's GET of the file on a kept connection

Figures go to standard output as a table, each beside its target."""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from proxy import Proxy  # noqa: E402

TARGET_JOIN_RATIO = 1.0
TARGET_JOIN_CONNECTIONS = 5
TARGET_LIST_EXTRA_RTT = 2.0
TARGET_ANNOUNCE_RTT = 2.0

POLL_S = 0.01
QUIET_S = 1.0
TICKS = os.sysconf("SC_CLK_TCK")

PROPFIND_BODY = ('<?xml version="1.0" encoding="utf-8"?>\n<propfind xmlns="DAV:"><prop>'
                 '<resourcetype xmlns="DAV:"/><getcontentlength xmlns="DAV:"/>'
                 '<Author xmlns="ZIDaze:"/></prop></propfind>')


def say(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def child_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


class Failed(Exception):
    pass


class Bench:
    def __init__(self, a):
        self.a = a
        self.names = sorted(n for n in os.listdir(os.path.join(a.data, "Presenter"))
                            if n.startswith("file-"))

    def host(self, port, user, local, log, *more):
        return [self.a.host, "--https", "--ca-file", self.a.ca, "--server", f"127.0.0.1:{port}",
                "--dir", "/dav/room/", "--user", user, "--local-dir", local, "--headless",
                "--log", log, *more]

    def curl(self, port):
        return ["curl", "-s", "-f", "--no-progress-meter", "--digest", "--netrc-file", self.a.netrc,
                "--cacert", self.a.ca]

    def url(self, port, path=""):
        return f"https://127.0.0.1:{port}/dav/room/Presenter/{path}"

    def propfind(self, port, out):
        return self.curl(port) + ["-o", out, "-X", "PROPFIND", "-H", "Depth: 1", "-H",
                                  "Content-Type: application/xml", "--data", PROPFIND_BODY,
                                  self.url(port)]

    # ---- join ---------------------------------------------------------------------------

    def join(self, proxy, rtt, work):
        local = os.path.join(work, f"join-{rtt}")
        os.makedirs(local)
        proxy.connections = 0
        start = time.monotonic()
        p = subprocess.run(self.host(proxy.port, "bench", local, os.path.join(work, f"join-{rtt}.log"),
                                     "--auto-download", "--timeout", "600", "--print-panel"),
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        took = time.monotonic() - start
        have = sum(1 for n in self.names if os.path.exists(os.path.join(local, n)))
        if p.returncode != 0 or have != len(self.names):
            raise Failed(f"join at RTT {rtt}: status {p.returncode}, {have} files: "
                         f"{p.stderr.decode(errors='replace')[-500:]}")
        return took, proxy.connections, local

    def curl_join(self, proxy, rtt, work):
        out = os.path.join(work, f"curl-join-{rtt}")
        os.makedirs(out)
        proxy.connections = 0
        args = self.curl(proxy.port) + ["-Z", "--parallel-max", "8"]
        for n in self.names:
            args += ["-o", os.path.join(out, n), self.url(proxy.port, n)]
        start = time.monotonic()
        listing = subprocess.run(self.propfind(proxy.port, os.path.join(out, ".listing")))
        files = subprocess.run(args)
        took = time.monotonic() - start
        if listing.returncode or files.returncode:
            raise Failed(f"curl join at RTT {rtt} failed")
        return took, proxy.connections

    # ---- list ---------------------------------------------------------------------------

    def listing(self, proxy, rtt, work):
        local = os.path.join(work, f"list-{rtt}")
        start = time.monotonic()
        p = subprocess.run(self.host(proxy.port, "bench", local, os.path.join(work, f"list-{rtt}.log"),
                                     "--timeout", "120", "--list", "Presenter/"),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        took = time.monotonic() - start
        if p.returncode != 0:
            raise Failed(f"--list at RTT {rtt}: status {p.returncode}")
        start = time.monotonic()
        subprocess.run(self.propfind(proxy.port, os.devnull), check=True)
        return took, time.monotonic() - start

    # ---- announce -------------------------------------------------------------------------

    def announce(self, proxy, rtt, work, joined):
        # The participant starts from the joined folder: it has the 200 files already.
        local = os.path.join(work, f"announce-{rtt}")
        shutil.copytree(joined, local)
        server_copy = os.path.join(self.a.data, "Presenter", os.path.basename(self.a.upload))
        if os.path.exists(server_copy):
            os.remove(server_copy)
        logs = os.path.join(work, f"announce-{rtt}")
        p = subprocess.Popen(self.host(proxy.port, "bench", local, logs + "-participant.log",
                                       "--meeting", self.a.room, "--auto-download",
                                       "--keep-open", "--timeout", "600"),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        presenter = None
        try:
            self.wait_quiet(proxy, p)
            cpu_before = cpu_ticks(p.pid)
            presenter = subprocess.Popen(
                self.host(self.a.port, "presenter", os.path.join(work, f"presenter-{rtt}"),
                          logs + "-presenter.log", "--meeting", self.a.room, "--timeout", "300",
                          "--wait-participants", "2", "--panel-upload", self.a.upload),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while not os.path.exists(server_copy):
                if presenter.poll() is not None:
                    raise Failed(f"the presenter ended (status {presenter.returncode})")
                time.sleep(0.001)
            moved = time.monotonic()
            mine = os.path.join(local, os.path.basename(self.a.upload))
            size = os.path.getsize(self.a.upload)
            while not (os.path.exists(mine) and os.path.getsize(mine) == size):
                if time.monotonic() - moved > 300 or p.poll() is not None:
                    raise Failed(f"no copy of the announced file at RTT {rtt}")
                time.sleep(POLL_S)
            took = time.monotonic() - moved
            cpu = (cpu_ticks(p.pid) - cpu_before) / TICKS
            presenter.wait(120)
        finally:
            for q in (p, presenter):
                if q is not None and q.poll() is None:
                    q.terminate()
                    q.wait(20)
        # curl on a kept connection: a small file first, then the announced one alone timed.
        first = self.url(proxy.port, self.names[0])
        big = self.url(proxy.port, os.path.basename(self.a.upload))
        before = child_cpu()
        out = subprocess.run(self.curl(proxy.port) + ["-o", os.devnull, first, "-o", os.devnull,
                                                      big, "-w", "%{time_total}\n"],
                             capture_output=True, text=True, check=True)
        curl_cpu = child_cpu() - before
        curl_get = float(out.stdout.split()[-1])
        os.remove(server_copy)
        return took, cpu, curl_get, curl_cpu

    def wait_quiet(self, proxy, p, bound=300):
        """Until the participant has opened no connection for QUIET_S and used no CPU."""
        deadline = time.monotonic() + bound
        last = (proxy.connections, cpu_ticks(p.pid))
        since = time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.1)
            if p.poll() is not None:
                raise Failed(f"the participant ended (status {p.returncode})")
            now = (proxy.connections, cpu_ticks(p.pid))
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= QUIET_S:
                return
        raise Failed("the participant never came to rest")

    # ---- report ---------------------------------------------------------------------------

    def round(self, rtt, work):
        proxy = Proxy(self.a.port, rtt).start()
        try:
            say(f"RTT {rtt} ms: join")
            join, conns, joined = self.join(proxy, rtt, work)
            curl_join, curl_conns = self.curl_join(proxy, rtt, work)
            say(f"RTT {rtt} ms: list")
            lst, curl_lst = self.listing(proxy, rtt, work)
            say(f"RTT {rtt} ms: announce")
            ann, ann_cpu, curl_get, curl_cpu = self.announce(proxy, rtt, work, joined)
        finally:
            proxy.stop()
        return dict(join=join, conns=conns, curl_join=curl_join, curl_conns=curl_conns, list=lst,
                    curl_list=curl_lst, announce=ann, announce_cpu=ann_cpu, curl_get=curl_get,
                    curl_cpu=curl_cpu)

    def run(self):
        rows = []
        for rtt in self.a.rtts:
            runs = [self.round(rtt, os.path.join(self.a.work, f"rtt-{rtt}-{k}"))
                    for k in range(self.a.repeat)
                    if not os.makedirs(os.path.join(self.a.work, f"rtt-{rtt}-{k}"))]
            rows.append((rtt, {key: statistics.median(r[key] for r in runs) for key in runs[0]}))
        self.report(rows)

    def report(self, rows):
        print(f"medians of {self.a.repeat} round(s); HTTPS with Digest through the delaying proxy")
        # What --list costs beyond curl at RTT 0 is the process's own start (Qt, the component):
        # the round trips are what grows with the round-trip time.
        local = next((m["list"] - m["curl_list"] for rtt, m in rows if rtt == 0), float("nan"))
        print("| RTT (ms) | join (s) | curl (s) | ratio (<= 1.0) | connections (<= 5) | curl's |"
              " --list (s) | PROPFIND (s) | extra RTT, whole | extra RTT beyond the start-up"
              " at RTT 0 (<= 2) | announce (s) | curl GET (s) | RTT beyond the transfer (<= 2) |"
              " CPU (s) | curl CPU (s) |")
        print("|" + "---|" * 15)
        for rtt, m in rows:
            rt = rtt / 1000.0
            extra = (m["list"] - m["curl_list"]) / rt if rt else float("nan")
            rtts = (m["list"] - m["curl_list"] - local) / rt if rt else float("nan")
            beyond = (m["announce"] - m["curl_get"]) / rt + 1 if rt else float("nan")
            print(f"| {rtt} | {m['join']:.2f} | {m['curl_join']:.2f} | "
                  f"{m['join'] / m['curl_join']:.2f} | {m['conns']:.0f} | {m['curl_conns']:.0f} | "
                  f"{m['list']:.2f} | {m['curl_list']:.2f} | {extra:.1f} | {rtts:.1f} | "
                  f"{m['announce']:.2f} | {m['curl_get']:.2f} | {beyond:.1f} | "
                  f"{m['announce_cpu']:.3f} | {m['curl_cpu']:.3f} |")


def main():
    p = argparse.ArgumentParser()
    for name in ("host", "work", "data", "ca", "netrc", "room", "upload"):
        p.add_argument(f"--{name}", required=True)
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--rtts", type=lambda s: [int(x) for x in s.split()], required=True)
    p.add_argument("--repeat", type=int, default=1)
    try:
        Bench(p.parse_args()).run()
    except Failed as e:
        say(f"failed: {e}")
        sys.exit(1)


if __name__ == "__main__":
    main()
