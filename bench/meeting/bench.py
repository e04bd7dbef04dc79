#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The meeting benchmark's rounds and report; bench/meeting/run starts the servers, seeds the
presenter folder and calls it. One round: N participants join the room and fetch the folder by
themselves; once they are at rest their memory and CPU are read from /proc; a presenter uploads
the 10 MB file through the panel; the fan-out is timed from the file's final name on the server
to the last participant's complete copy; the server's requests for it are counted per
participant (each participant has a user of its own); memory is read again; then the yardstick
runs with curl on the same server."""
import argparse
import collections
import os
import re
import resource
import signal
import statistics
import subprocess
import sys
import time
import urllib.parse

TARGET_FANOUT_RATIO = 1.25
TARGET_REQUESTS = 3
TARGET_RSS_MB = 45.0
TARGET_RSS_GROWTH_MB = 8.0
TARGET_CPU_PCT = 1.0
TARGET_FILE_CPU_RATIO = 1.5

CPU_WINDOW_S = 10.0
QUIET_S = 2.0
POLL_FANOUT_S = 0.02
POLL_SERVER_S = 0.002
TICKS = os.sysconf("SC_CLK_TCK")
# The run's own log: client port, user, start (s.ms), duration (us), status, request line.
LOG_LINE = re.compile(r'^(\d+) (\S+) (\d+)\.(\d+) (\d+) (\d+) "(\S+) (\S+)')
LogLine = collections.namedtuple("LogLine", "port user start seconds status method path")


def parse_log(text):
    out = []
    for line in text.splitlines():
        m = LOG_LINE.match(line)
        if m:
            out.append(LogLine(m.group(1), m.group(2), int(m.group(3)) + int(m.group(4)) / 1000,
                               int(m.group(5)) / 1e6, m.group(6), m.group(7), m.group(8)))
    return out


def attribute(lines):
    """Each line's user; a challenged one (no user) takes the next user on its connection."""
    users = [l.user for l in lines]
    for k, l in enumerate(lines):
        if l.user != "-":
            continue
        for later in lines[k + 1:]:
            if later.port == l.port and later.user != "-":
                users[k] = later.user
                break
    return users

# The request the panel sends for a folder.
PROPFIND_BODY = ('<?xml version="1.0" encoding="utf-8"?>\n<propfind xmlns="DAV:"><prop>'
                 '<resourcetype xmlns="DAV:"/><getcontentlength xmlns="DAV:"/>'
                 '<Author xmlns="ZIDaze:"/></prop></propfind>')


def say(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)


def median(values):
    return statistics.median(values) if values else float("nan")


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


class Failed(Exception):
    pass


class Round:
    def __init__(self, a, n, index):
        self.a = a
        self.n = n
        self.dir = os.path.join(a.work, f"round-{n}-{index}")
        self.name = os.path.basename(a.upload)
        self.size = os.path.getsize(a.upload)
        self.server_copy = os.path.join(a.data, "Presenter", self.name)
        self.procs = []
        self.presenter = None
        open(os.path.join(self.a.work, "pids"), "w").close()

    # ---- processes --------------------------------------------------------------------------

    def host_args(self, user, local, *more):
        return [self.a.host, "--server", f"127.0.0.1:{self.a.port}", "--dir", "/dav/room/",
                "--user", user, "--local-dir", local, "--headless", "--meeting", self.a.room,
                "--log", os.path.join(self.dir, f"{user}.log"), *more]

    def spawn(self, user, args):
        out = open(os.path.join(self.dir, f"{user}.out"), "wb")
        err = open(os.path.join(self.dir, f"{user}.err"), "wb")
        p = subprocess.Popen(args, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        out.close()
        err.close()
        with open(os.path.join(self.a.work, "pids"), "a") as f:
            f.write(f"{p.pid}\n")
        return p

    def local(self, i):
        return os.path.join(self.dir, f"p{i}")

    def start_participants(self):
        for i in range(1, self.n + 1):
            os.makedirs(self.local(i))
            self.procs.append(self.spawn(f"p{i}", self.host_args(
                f"p{i}", self.local(i), "--keep-open", "--auto-download", "--timeout", "900")))

    def check_alive(self, what):
        for i, p in enumerate(self.procs, 1):
            if p.poll() is not None:
                raise Failed(f"participant p{i} ended (status {p.returncode}) {what}; "
                             f"see {self.dir}/p{i}.err and p{i}.log")

    def stop(self):
        everyone = self.procs + ([self.presenter] if self.presenter else [])
        for p in everyone:
            if p.poll() is None:
                p.terminate()
        deadline = time.monotonic() + 10
        for p in everyone:
            try:
                p.wait(max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.procs = []
        self.presenter = None
        open(os.path.join(self.a.work, "pids"), "w").close()

    # ---- waiting ----------------------------------------------------------------------------

    def log_size(self):
        return os.path.getsize(self.a.server_log)

    def wait_quiet(self, bound, ready=lambda: True):
        """Until ready() holds and the server's log has not grown for QUIET_S; False at bound."""
        deadline = time.monotonic() + bound
        size, since = self.log_size(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.1)
            self.check_alive("while the run waited")
            now_size = self.log_size()
            if now_size != size:
                size, since = now_size, time.monotonic()
            elif time.monotonic() - since >= QUIET_S and ready():
                return True
        return False

    def visible_files(self, i):
        with os.scandir(self.local(i)) as it:
            return sum(1 for e in it if not e.name.startswith(".") and e.is_file())

    def settle(self):
        """Until every participant holds the folder's files and the server is quiet."""
        bound = self.a.settle_bound + 3 * self.n
        start = time.monotonic()
        ok = self.wait_quiet(bound, lambda: all(
            self.visible_files(i) >= self.a.files for i in range(1, self.n + 1)))
        counts = [self.visible_files(i) for i in range(1, self.n + 1)]
        took = time.monotonic() - start
        if not ok:
            say(f"N={self.n}: not settled after {bound:.0f} s (files per participant: "
                f"{min(counts)}..{max(counts)}); measuring anyway")
        else:
            say(f"N={self.n}: settled after {took:.1f} s, {counts[0]} files each")
        return took, ok

    # ---- measures ---------------------------------------------------------------------------

    def rss_mb(self):
        return [rss_kb(p.pid) / 1024 for p in self.procs]

    def cpu_at_rest(self):
        before = [cpu_ticks(p.pid) for p in self.procs]
        t0 = time.monotonic()
        time.sleep(CPU_WINDOW_S)
        after = [cpu_ticks(p.pid) for p in self.procs]
        wall = time.monotonic() - t0
        return [100.0 * (b - a) / TICKS / wall for a, b in zip(before, after)]

    def complete(self, i):
        try:
            return os.stat(os.path.join(self.local(i), self.name)).st_size == self.size
        except FileNotFoundError:
            return False

    def leftovers(self, i):
        prefix = "." + self.name + "."
        with os.scandir(self.local(i)) as it:
            return [e.name for e in it if e.name.startswith(prefix)]

    def fanout(self):
        """Seconds from the final name on the server to each participant's complete copy."""
        log_offset = self.log_size()
        os.makedirs(os.path.join(self.dir, "presenter"))
        self.presenter = self.spawn("presenter", self.host_args(
            "presenter", os.path.join(self.dir, "presenter"), "--role", "4",
            "--timeout", "300", "--wait-participants", str(self.n + 1),
            "--panel-upload", self.a.upload))
        deadline = time.monotonic() + 300
        while not os.path.exists(self.server_copy):
            if self.presenter.poll() is not None and not os.path.exists(self.server_copy):
                raise Failed(f"the presenter ended (status {self.presenter.returncode}) "
                             f"without the upload; see {self.dir}/presenter.err")
            if time.monotonic() > deadline:
                raise Failed("the upload did not arrive on the server")
            time.sleep(POLL_SERVER_S)
        t_move = time.monotonic()
        done = {}
        deadline = t_move + self.a.fanout_bound
        while len(done) < self.n and time.monotonic() < deadline:
            now = time.monotonic()
            for i in range(1, self.n + 1):
                if i not in done and self.complete(i):
                    done[i] = now - t_move
            if len(done) < self.n:
                time.sleep(POLL_FANOUT_S)
                self.check_alive("during the fan-out")
        if len(done) < self.n:
            missing = [f"p{i}" for i in range(1, self.n + 1) if i not in done]
            raise Failed(f"no complete copy within {self.a.fanout_bound} s at {missing}")
        if self.presenter.wait(120) != 0:
            raise Failed(f"the presenter failed (status {self.presenter.returncode}); "
                         f"see {self.dir}/presenter.err")
        left = {i: self.leftovers(i) for i in done if self.leftovers(i)}
        if left:
            raise Failed(f"temporary files left beside the copies: {left}")
        return [done[i] for i in range(1, self.n + 1)], log_offset

    def requests(self, log_offset):
        """{user: Counter("METHOD status")} of the requests after the presenter's MOVE, and
        where the fan-out's time went by the server's clock."""
        with open(self.a.server_log, "rb") as f:
            f.seek(log_offset)
            lines = parse_log(f.read().decode("utf-8", "replace"))
        users = attribute(lines)
        move = None
        for k, l in enumerate(lines):
            if users[k] == "presenter" and l.method == "MOVE":
                move = k
        if move is None:
            raise Failed("no MOVE of the presenter in the server's log")
        per_user = collections.defaultdict(collections.Counter)
        for l, u in zip(lines[move + 1:], users[move + 1:]):
            per_user[u][f"{l.method} {l.status}"] += 1
        # Seconds after the MOVE ended, by the server's clock (ms resolution).
        move_end = lines[move].start + lines[move].seconds
        after = list(zip(lines[move + 1:], users[move + 1:]))
        mine = [l for l, u in after if re.fullmatch(r"p\d+", u)]
        own = [l for l, u in after
               if u == "presenter" and urllib.parse.unquote(l.path).endswith("/" + self.name)]
        nan = float("nan")
        timeline = dict(
            presenter_done=max([l.start + l.seconds - move_end for l in own] or [nan]),
            first_request=min([l.start - move_end for l in mine] or [nan]),
            listing=median([l.seconds for l in mine if l.method == "PROPFIND" and l.status == "207"]),
            get=median([l.seconds for l in mine if l.method == "GET" and l.status == "200"]),
            last_get_end=max([l.start + l.seconds - move_end for l in mine if l.method == "GET"]
                             or [nan]))
        return per_user, len(after), timeline

    def yardstick(self):
        """Seconds from the start of N GETs and one PROPFIND until the last GET ended."""
        url = f"http://127.0.0.1:{self.a.port}/dav/room/Presenter/"
        curl = ["curl", "-s", "-f", "--digest", "--netrc-file", self.a.netrc]
        yard = os.path.join(self.dir, "yardstick")
        os.makedirs(yard)
        start = time.monotonic()
        usage = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu_before = usage.ru_utime + usage.ru_stime
        gets = [subprocess.Popen(curl + ["-o", os.path.join(yard, f"get-{i}"), url + self.name])
                for i in range(self.n)]
        listing = subprocess.Popen(curl + ["-o", os.path.join(yard, "listing.xml"), "-X",
                                           "PROPFIND", "-H", "Depth: 1", "-H",
                                           "Content-Type: application/xml",
                                           "--data", PROPFIND_BODY, url])
        status = [p.wait() for p in gets]
        t_gets = time.monotonic() - start
        usage = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.yard_cpu = (usage.ru_utime + usage.ru_stime - cpu_before) / self.n
        status.append(listing.wait())
        t_listing = time.monotonic() - start
        if any(status):
            raise Failed(f"a yardstick curl failed: {status}")
        for i in range(self.n):
            if os.path.getsize(os.path.join(yard, f"get-{i}")) != self.size:
                raise Failed("a yardstick GET is incomplete")
        with open(os.path.join(yard, "listing.xml"), "rb") as f:
            if f.read().count(b"<D:href>") < self.a.files + 1:
                raise Failed("the yardstick PROPFIND did not list the folder")
        return t_gets, t_listing

    def run(self):
        os.makedirs(self.dir)
        if os.path.exists(self.server_copy):
            os.remove(self.server_copy)
        say(f"N={self.n}: starting {self.n} participants")
        try:
            self.start_participants()
            settle_s, settled = self.settle()
            rest = self.rss_mb()
            cpu = self.cpu_at_rest()
            say(f"N={self.n}: presenter uploads {self.name}")
            ticks = [cpu_ticks(p.pid) for p in self.procs]
            window = time.monotonic()
            times, log_offset = self.fanout()
            if not self.wait_quiet(self.a.fanout_bound):
                say(f"N={self.n}: the server did not go quiet after the fan-out")
            # Each participant's CPU for the file: all it spent meanwhile, less its rest.
            window = time.monotonic() - window
            file_cpu = [(cpu_ticks(p.pid) - t) / TICKS - window * c / 100.0
                        for p, t, c in zip(self.procs, ticks, cpu)]
            after = self.rss_mb()
            per_user, lines_after, timeline = self.requests(log_offset)
            yard_gets, yard_listing = self.yardstick()
        finally:
            self.stop()
        os.remove(self.server_copy)
        counts = [sum(per_user.get(f"p{i}", {}).values()) for i in range(1, self.n + 1)]
        answered = [sum(v for k, v in per_user.get(f"p{i}", {}).items() if not k.endswith(" 401"))
                    for i in range(1, self.n + 1)]
        methods = collections.Counter()
        others = collections.Counter()
        for user, c in per_user.items():
            if re.fullmatch(r"p\d+", user):
                methods.update(c)
            else:
                others.update({f"{user}: {k}": v for k, v in c.items()})
        r = dict(n=self.n, settle_s=settle_s, settled=settled, rss_rest=rest, cpu=cpu,
                 fanout=times, rss_after=after, counts=counts, answered=answered, lines_after=lines_after,
                 methods=methods, others=others, yard_gets=yard_gets, yard_listing=yard_listing,
                 timeline=timeline, file_cpu=file_cpu, yard_cpu=self.yard_cpu)
        self.cleanup_files()
        return r

    def cleanup_files(self):
        # The copies are large; the logs stay.
        for i in range(1, self.n + 1):
            subprocess.run(["rm", "-rf", self.local(i)], check=False)
        subprocess.run(["rm", "-rf", os.path.join(self.dir, "yardstick")], check=False)


# ---- report ---------------------------------------------------------------------------------

def summarize(rounds):
    """Figures of one N: per round, then the median over the rounds."""
    def med(f):
        return median([f(r) for r in rounds])
    return {
        "fanout_s": med(lambda r: max(r["fanout"])),
        "fanout_median_s": med(lambda r: median(r["fanout"])),
        "yard_s": med(lambda r: r["yard_gets"]),
        "yard_listing_s": med(lambda r: r["yard_listing"]),
        "ratio": med(lambda r: max(r["fanout"]) / r["yard_gets"]),
        "req_max": med(lambda r: max(r["counts"])),
        "req_median": med(lambda r: median(r["counts"])),
        "req_answered_max": med(lambda r: max(r["answered"])),
        "req_lines_per_n": med(lambda r: r["lines_after"] / r["n"]),
        "rss_rest_max": med(lambda r: max(r["rss_rest"])),
        "rss_rest_median": med(lambda r: median(r["rss_rest"])),
        "rss_growth_max": med(lambda r: max(b - a for a, b in zip(r["rss_rest"], r["rss_after"]))),
        "rss_growth_median": med(lambda r: median(
            [b - a for a, b in zip(r["rss_rest"], r["rss_after"])])),
        "cpu_max": med(lambda r: max(r["cpu"])),
        "file_cpu_ms": med(lambda r: 1000 * median(r["file_cpu"])),
        "yard_cpu_ms": med(lambda r: 1000 * r["yard_cpu"]),
        "file_cpu_ratio": med(lambda r: median(r["file_cpu"]) / r["yard_cpu"]),
        "cpu_median": med(lambda r: median(r["cpu"])),
        "settle_s": med(lambda r: r["settle_s"]),
        "settled": all(r["settled"] for r in rounds),
    }


def verdict(ok):
    return "pass" if ok else "FAIL"


def report(results, repeat):
    ns = sorted(results)
    s = {n: summarize(results[n]) for n in ns}
    what = "medians of %d rounds" % repeat if repeat > 1 else "1 round"
    print(f"\nmeeting benchmark, 1,000 files in the folder, a 10 MB upload ({what})")
    head = "".join(f"{'N=' + str(n):>10}" for n in ns)
    print(f"{'figure':<56}{head}   target")

    def row(label, key, fmt, target=None, ok=None):
        cells = "".join(f"{fmt % s[n][key]:>10}" for n in ns)
        t = ""
        if target is not None:
            t = f"   {target:<10}" + " ".join(verdict(ok(s[n][key])) for n in ns)
        print(f"{label:<56}{cells}{t}")

    row("fan-out: MOVE to the last complete copy (s)", "fanout_s", "%.3f")
    row("fan-out: MOVE to the median copy (s)", "fanout_median_s", "%.3f")
    row("yardstick: N curl GETs + 1 PROPFIND, last GET (s)", "yard_s", "%.3f")
    row("yardstick: its PROPFIND ended (s)", "yard_listing_s", "%.3f")
    row("fan-out / yardstick", "ratio", "%.2f", f"<= {TARGET_FANOUT_RATIO}",
        lambda v: v <= TARGET_FANOUT_RATIO)
    row("requests per participant, most", "req_max", "%.0f", f"<= {TARGET_REQUESTS}",
        lambda v: v <= TARGET_REQUESTS)
    row("requests per participant, median", "req_median", "%.1f")
    row("requests per participant without 401 challenges, most", "req_answered_max", "%.0f")
    row("server requests after the MOVE / N (all users)", "req_lines_per_n", "%.2f")
    row("memory at rest, largest participant (MB)", "rss_rest_max", "%.1f",
        f"<= {TARGET_RSS_MB:.0f}", lambda v: v <= TARGET_RSS_MB)
    row("memory at rest, median participant (MB)", "rss_rest_median", "%.1f")
    row("memory growth after the fan-out, largest (MB)", "rss_growth_max", "%.1f",
        f"<= {TARGET_RSS_GROWTH_MB:.0f}", lambda v: v <= TARGET_RSS_GROWTH_MB)
    row("memory growth after the fan-out, median (MB)", "rss_growth_median", "%.1f")
    row("CPU at rest over 10 s, busiest participant (%)", "cpu_max", "%.2f",
        f"< {TARGET_CPU_PCT:.0f}", lambda v: v < TARGET_CPU_PCT)
    row("CPU at rest over 10 s, median participant (%)", "cpu_median", "%.2f")
    row("CPU for the file, median participant (ms)", "file_cpu_ms", "%.0f")
    row("CPU of the yardstick's curl per GET (ms)", "yard_cpu_ms", "%.0f")
    row("CPU for the file / curl's", "file_cpu_ratio", "%.2f", f"<= {TARGET_FILE_CPU_RATIO}",
        lambda v: v <= TARGET_FILE_CPU_RATIO)
    row("start: until every participant held the folder (s)", "settle_s", "%.1f")

    for n in ns:
        methods = collections.Counter()
        others = collections.Counter()
        for r in results[n]:
            methods.update(r["methods"])
            others.update(r["others"])
        per = ", ".join(f"{k} x{v / (n * len(results[n])):.2f}" for k, v in sorted(methods.items()))
        print(f"N={n}: participants' requests after the MOVE, per participant: {per or 'none'}")
        if others:
            print(f"N={n}: other requests after the MOVE (all rounds): " +
                  ", ".join(f"{k} x{v}" for k, v in sorted(others.items())))
        t = {k: median([r["timeline"][k] * 1000 for r in results[n]])
             for k in results[n][0]["timeline"]}
        print(f"N={n}: by the server's clock after the MOVE (ms): presenter's own requests "
              f"done {t['presenter_done']:.0f}, first participant request {t['first_request']:.0f}, "
              f"listing {t['listing']:.0f} and GET {t['get']:.0f} each (median), "
              f"last GET ended {t['last_get_end']:.0f}")
        if not s[n]["settled"]:
            print(f"N={n}: a round did not settle within its bound; its rest figures are doubtful")

    if len(ns) > 1:
        lo, hi = ns[0], ns[-1]
        print(f"\ngrowth from N={lo} to N={hi} (x{hi / lo:.1f} participants):")
        for label, key in (("fan-out time", "fanout_s"), ("yardstick time", "yard_s"),
                           ("fan-out / yardstick", "ratio"),
                           ("requests per participant (most)", "req_max"),
                           ("memory at rest (largest)", "rss_rest_max"),
                           ("memory growth (largest)", "rss_growth_max"),
                           ("CPU at rest (busiest)", "cpu_max")):
            a, b = s[lo][key], s[hi][key]
            factor = f"x{b / a:.2f}" if a > 0 else "-"
            print(f"  {label:<34} {a:>9.3f} -> {b:>9.3f}  {factor}")


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--host", required=True)
    p.add_argument("--port", required=True)
    p.add_argument("--room", required=True, help="redis://127.0.0.1:PORT/ROOM")
    p.add_argument("--work", required=True)
    p.add_argument("--data", required=True, help="the server's folder for /dav/room/")
    p.add_argument("--server-log", required=True, help="the server's timing log")
    p.add_argument("--netrc", required=True, help="the yardstick's credentials (mode 600)")
    p.add_argument("--upload", required=True, help="the file the presenter uploads")
    p.add_argument("--files", type=int, default=1000, help="files in the presenter folder")
    p.add_argument("--ns", default="10 25 50")
    p.add_argument("--repeat", type=int, default=1)
    p.add_argument("--settle-bound", type=float, default=120.0,
                   help="seconds the start may take, plus 3 s per participant")
    p.add_argument("--fanout-bound", type=float, default=120.0)
    a = p.parse_args()
    # The run script ends the helper with SIGTERM; the rounds then stop their participants.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    ns = [int(x) for x in a.ns.split()]
    results = collections.defaultdict(list)
    try:
        for k in range(a.repeat):
            for n in ns:
                results[n].append(Round(a, n, k + 1).run())
    except Failed as e:
        say(str(e))
        return 1
    report(results, a.repeat)
    return 0


if __name__ == "__main__":
    sys.exit(main())
