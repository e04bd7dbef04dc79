#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The cluster benchmark's rounds and report; bench/cluster/run starts the servers and calls it.
N headless participants join one room through the Sentinels and reach the WebDAV servers
through the balancer. Rounds, in order:
  fan-out     a presenter uploads a file through the panel; timed from its final name on the
              server to the last participant's complete copy; requests per participant counted
              in the servers' logs; then the yardstick, N curl GETs and one PROPFIND through the
              same balancer
  killed      the same with another file, one WebDAV server killed part way through
  switch      the meeting's primary killed: the time to the Sentinels' switch, and from the
              switch to the last participant back in the room
Every copy is compared with the file the presenter sent."""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

POLL_S = 0.02
# When the server is killed: this share of the no-fault fan-out time after the final name.
KILL_AT_SHARE = 0.3
# The room's rejoin target, from the switch.
TARGET_REJOIN_S = 10.0
# A request line of the servers' common log: user and request.
LOG_LINE = re.compile(r'^\S+ \S+ (\S+) \[[^]]*\] "(\S+) (\S+)')


class Failed(Exception):
    pass


def say(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


class Cluster:
    def __init__(self, a):
        self.a = a
        self.procs = []
        self.pids_file = os.path.join(a.work, "pids")

    # The meeting servers, through redis-cli with the password from the environment.
    def redis(self, port, *args):
        out = subprocess.run(["redis-cli", "-p", str(port), "--no-auth-warning", "--raw", *args],
                             capture_output=True, text=True, timeout=5)
        return out.stdout.strip()

    def primary(self):
        out = subprocess.run([self.a.meeting_cluster, "primary", self.a.meeting_dir],
                             capture_output=True, text=True, timeout=10)
        return out.stdout.strip()

    def in_room(self):
        answer = self.redis(self.primary(), "PUBSUB", "NUMSUB", self.a.channel).splitlines()
        return int(answer[1]) if len(answer) == 2 and answer[1].isdigit() else 0

    def host_args(self, user, *more):
        return [self.a.host, "--server", f"127.0.0.1:{self.a.port}", "--https", "--ca-file",
                self.a.ca, "--dir", "/dav/room/", "--user", user, "--local-dir",
                self.local(user), "--headless", "--meeting", self.a.meeting,
                "--log", os.path.join(self.a.work, f"{user}.log"), *more]

    def local(self, user):
        return os.path.join(self.a.work, "local", user)

    def spawn(self, user, args):
        with open(os.path.join(self.a.work, f"{user}.out"), "wb") as out, \
                open(os.path.join(self.a.work, f"{user}.err"), "wb") as err:
            p = subprocess.Popen(args, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        with open(self.pids_file, "a") as f:
            f.write(f"{p.pid}\n")
        return p

    def join(self):
        for i in range(1, self.a.n + 1):
            self.procs.append(self.spawn(f"p{i}", self.host_args(
                f"p{i}", "--keep-open", "--auto-download", "--timeout", "3600",
                "--ensure-dir", "Presenter")))
        deadline = time.monotonic() + 180
        while self.in_room() < self.a.n:
            self.check_alive("while joining")
            if time.monotonic() > deadline:
                raise Failed(f"only {self.in_room()} of {self.a.n} joined within 180 s")
            time.sleep(0.5)

    def check_alive(self, what):
        for i, p in enumerate(self.procs, 1):
            if p.poll() is not None:
                raise Failed(f"participant p{i} ended (status {p.returncode}) {what}; "
                             f"see {self.a.work}/p{i}.err")

    def stop(self):
        for p in self.procs:
            if p.poll() is None:
                p.terminate()
        for p in self.procs:
            try:
                p.wait(timeout=20)
            except subprocess.TimeoutExpired:
                p.kill()

    def log_sizes(self):
        return {log: os.path.getsize(log) for log in self.access_logs()}

    def access_logs(self):
        return [os.path.join(self.a.dav_dir, d, "logs", "access.log")
                for d in sorted(os.listdir(self.a.dav_dir)) if re.fullmatch(r"dav\d", d)]

    # Requests of each participant since the offsets, on every server.
    def requests(self, offsets):
        counts = {}
        for log, offset in offsets.items():
            with open(log, "rb") as f:
                f.seek(offset)
                for line in f.read().decode("utf-8", "replace").splitlines():
                    m = LOG_LINE.match(line)
                    if m and re.fullmatch(r"p\d+", m.group(1)):
                        counts[m.group(1)] = counts.get(m.group(1), 0) + 1
        return [counts.get(f"p{i}", 0) for i in range(1, self.a.n + 1)]

    def upload(self, name):
        source = os.path.join(self.a.work, name)
        subprocess.run(["head", "-c", str(self.a.size), "/dev/urandom"], check=True,
                       stdout=open(source, "wb"))
        digest = sha256(source)
        offsets = self.log_sizes()
        presenter = self.spawn(f"presenter-{name}", self.host_args(
            "presenter", "--timeout", "600", "--wait-participants", str(self.a.n + 1),
            "--panel-upload", source))
        server_copy = os.path.join(self.a.data, "Presenter", name)
        deadline = time.monotonic() + 600
        while not os.path.exists(server_copy):
            if presenter.poll() is not None and not os.path.exists(server_copy):
                raise Failed(f"the presenter ended (status {presenter.returncode}) without the "
                             f"upload; see {self.a.work}/presenter-{name}.err")
            if time.monotonic() > deadline:
                raise Failed("the upload did not arrive on the server")
            time.sleep(0.002)
        return time.monotonic(), digest, offsets, presenter

    def wait_copies(self, name, started, bound, on_tick=None):
        waiting = set(range(1, self.a.n + 1))
        while waiting:
            now = time.monotonic()
            if now - started > bound:
                raise Failed(f"{len(waiting)} participants had no complete {name} after {bound} s")
            if on_tick:
                on_tick(now - started)
            for i in list(waiting):
                copy = os.path.join(self.local(f"p{i}"), name)
                try:
                    if os.path.getsize(copy) == self.a.size:
                        waiting.discard(i)
                except OSError:
                    pass
            self.check_alive(f"waiting for {name}")
            time.sleep(POLL_S)
        return time.monotonic() - started

    def wrong_copies(self, name, digest):
        return sum(1 for i in range(1, self.a.n + 1)
                   if sha256(os.path.join(self.local(f"p{i}"), name)) != digest)

    def fanout(self, name, kill_after=None):
        started, digest, offsets, presenter = self.upload(name)
        killed = []

        def kill_when_due(elapsed):
            if kill_after is not None and not killed and elapsed >= kill_after:
                subprocess.run([self.a.dav_cluster, "kill", self.a.dav_dir, "1"], check=True)
                killed.append(elapsed)
                say(f"killed WebDAV server 1 at {elapsed:.2f} s")

        seconds = self.wait_copies(name, started, self.a.bound, kill_when_due)
        presenter.wait(timeout=120)
        wrong = self.wrong_copies(name, digest)
        requests = self.requests(offsets)
        return {"seconds": seconds, "wrong": wrong, "requests": requests,
                "killed_at": killed[0] if killed else None}

    def yardstick(self, name):
        yard = os.path.join(self.a.work, "yardstick")
        os.makedirs(yard, exist_ok=True)
        url = f"https://127.0.0.1:{self.a.port}/dav/room/Presenter/"
        curl = ["curl", "-s", "-f", "--cacert", self.a.ca, "--netrc-file", self.a.netrc]
        started = time.monotonic()
        gets = [subprocess.Popen(curl + ["-o", os.path.join(yard, f"get-{i}"), url + name])
                for i in range(self.a.n)]
        listing = subprocess.Popen(curl + ["-o", os.path.join(yard, "listing.xml"), "-X",
                                           "PROPFIND", "-H", "Depth: 1", url])
        status = [p.wait() for p in gets] + [listing.wait()]
        seconds = time.monotonic() - started
        if any(status):
            raise Failed(f"a yardstick curl failed: {status}")
        shutil.rmtree(yard)
        return seconds

    def switch(self):
        old = self.primary()
        killed_at = time.monotonic()
        subprocess.run([self.a.meeting_cluster, "kill-primary", self.a.meeting_dir], check=True,
                       capture_output=True)
        while self.primary() in (old, ""):
            if time.monotonic() - killed_at > 60:
                raise Failed("the Sentinels did not switch within 60 s")
            time.sleep(0.05)
        switched_at = time.monotonic()
        while self.in_room() < self.a.n:
            if time.monotonic() - switched_at > 120:
                raise Failed(f"only {self.in_room()} of {self.a.n} back within 120 s of the switch")
            time.sleep(0.05)
        return switched_at - killed_at, time.monotonic() - switched_at


def report(a, plain, yard, killed, switch_s, rejoin_s):
    def per_participant(r):
        reqs = r["requests"]
        return f"{sum(reqs) / len(reqs):.2f} (min {min(reqs)}, max {max(reqs)})"

    rows = [
        ("participants, WebDAV servers", f"{a.n}, {a.backends}"),
        ("file (MB)", f"{a.size / 1e6:.0f}"),
        ("fan-out, no fault (s)", f"{plain['seconds']:.2f}"),
        ("yardstick: N curl GETs + 1 PROPFIND through the balancer (s)", f"{yard:.2f}"),
        ("fan-out / yardstick", f"{plain['seconds'] / yard:.2f}"),
        ("requests per participant, no fault", per_participant(plain)),
        ("fan-out, a server killed at %.1f s (s)" % killed["killed_at"], f"{killed['seconds']:.2f}"),
        ("time lost to the killed server (s)", f"{killed['seconds'] - plain['seconds']:.2f}"),
        ("requests per participant, a server killed", per_participant(killed)),
        ("copies with wrong bytes (both rounds)", f"{plain['wrong'] + killed['wrong']}"),
        ("primary killed to the Sentinels' switch (s)", f"{switch_s:.2f}"),
        ("switch to the last participant back in the room (s)",
         f"{rejoin_s:.2f} (target <= {TARGET_REJOIN_S:.0f})"),
    ]
    width = max(len(label) for label, _ in rows)
    for label, value in rows:
        print(f"{label:<{width}}  {value}")


def main():
    p = argparse.ArgumentParser(description=__doc__)
    for name in ("host", "work", "data", "ca", "netrc", "meeting", "channel", "dav-cluster",
                 "dav-dir", "meeting-cluster", "meeting-dir"):
        p.add_argument("--" + name, required=True)
    p.add_argument("--port", required=True, help="the balancer's")
    p.add_argument("--n", type=int, default=100)
    p.add_argument("--backends", type=int, default=2)
    p.add_argument("--size", type=int, default=50 * 1000 * 1000)
    p.add_argument("--bound", type=float, default=900.0, help="seconds a fan-out may take")
    a = p.parse_args()
    cluster = Cluster(a)
    try:
        say(f"{a.n} participants joining")
        cluster.join()
        say("fan-out without a fault")
        plain = cluster.fanout("handout-1.bin")
        yard = cluster.yardstick("handout-1.bin")
        say("fan-out with a server killed part way")
        killed = cluster.fanout("handout-2.bin", kill_after=KILL_AT_SHARE * plain["seconds"])
        say("the meeting's primary killed")
        switch_s, rejoin_s = cluster.switch()
        report(a, plain, yard, killed, switch_s, rejoin_s)
        ok = plain["wrong"] + killed["wrong"] == 0 and rejoin_s <= TARGET_REJOIN_S
        return 0 if ok else 1
    except Failed as e:
        say(f"FAILED: {e}")
        return 1
    finally:
        cluster.stop()


if __name__ == "__main__":
    sys.exit(main())
