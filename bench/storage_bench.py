#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""tamro-storage-service on a real Btrfs RAID1 pair of loop devices (root only).

    storage_bench.py <build-dir> [--interval S] [--cycles N] [--idle-seconds S]

Makes two sparse images on loop devices, mkfs.btrfs -d raid1 -m raid1, mounts them, and runs
the service (--interval S, default 5) and the monitor against it in a temporary home. Then:

- idle: the service's wake-ups (context switches of all its threads) per minute and its
  resident memory, over --idle-seconds with nothing changing;
- woken changes, --cycles times: a member's loop device detached while the pair is unmounted
  (a block-device uevent), the other member mounted -o degraded,ro (/proc/self/mountinfo),
  the member attached again and the pair mounted whole; each timed from the command's return
  to the monitor's log row;
- timer-only changes, --cycles times: a few blocks of one member's image overwritten and a
  scrub (corruption_errs rises), and `btrfs device stats -z` (it is reset): neither wakes the
  service, so each is seen at its next timer read. Timed to the service's pushed document (a
  client on the port) and to the monitor's row where the monitor logs a failed drive.

Cleans up its mounts and loop devices in every path. Markdown rows to standard output,
details to standard error.
"""

import argparse
import atexit
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import monitor_bench as mb  # noqa: E402

now = time.perf_counter
log = mb.log


def sh(*cmd, check=True):
    r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if check and r.returncode != 0:
        raise SystemExit(f"{' '.join(cmd)} failed: {r.stdout.strip()}")
    return r.stdout


class Pair:
    """Three sparse images (two members and a spare), their loop devices and a mount point."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tamro-btrfs-bench-")
        self.mnt = os.path.join(self.dir, "mnt")
        os.mkdir(self.mnt)
        self.images = [os.path.join(self.dir, f"disk{c}.img") for c in "ab"]
        for img in self.images:
            with open(img, "wb") as f:
                f.truncate(512 << 20)
        self.devices = [None, None]
        atexit.register(self.clean_up)
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(sig, lambda s, f: sys.exit(128 + s))

    def attach(self, i):
        self.devices[i] = sh("losetup", "-f", "--show", self.images[i]).strip()
        return self.devices[i]

    def detach(self, i):
        sh("btrfs", "device", "scan", "--forget", self.devices[i], check=False)
        sh("losetup", "-d", self.devices[i])
        self.devices[i] = None

    def mounted(self):
        with open("/proc/self/mountinfo") as f:
            return any(line.split()[4] == self.mnt for line in f)

    def clean_up(self):
        if not self.dir:
            return
        for _ in range(3):
            if not self.mounted():
                break
            sh("umount", self.mnt, check=False)
        for img in self.images:
            for dev in sh("losetup", "-j", img, "-n", "-O", "NAME", check=False).split():
                sh("btrfs", "device", "scan", "--forget", dev, check=False)
                sh("losetup", "-d", dev, check=False)
        sh("rm", "-rf", self.dir, check=False)
        self.dir = None


class Pushes:
    """A client of the service that records every configuration document pushed to it."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.sendall(b"<SVConfigCmd/>")
        self.docs = []  # (time, failed drive ids, unplugged drive ids)
        self.cond = threading.Condition()
        threading.Thread(target=self.run, daemon=True).start()

    def run(self):
        buf = b""
        while True:
            data = self.sock.recv(65536)
            if not data:
                return
            t = now()
            buf += data
            while b"</SVConfigCmd>" in buf:
                doc, buf = buf.split(b"</SVConfigCmd>", 1)
                drives = re.findall(rb"<SVPhysDrive [^>]*>", doc)
                failed = [d for d in drives if b'Failed="1"' in d]
                unplugged = [d for d in drives if b'PluggedIn="0"' in d]
                with self.cond:
                    self.docs.append((t, len(failed), len(unplugged)))
                    self.cond.notify_all()

    def wait(self, since, pred, timeout):
        """Time of the first document after `since` for which pred(failed, unplugged) holds."""
        with self.cond:
            found = []

            def check():
                for t, f, u in self.docs:
                    if t >= since and pred(f, u):
                        found.append(t)
                        return True
                return False

            self.cond.wait_for(check, timeout)
            return found[0] if found else None


def wait_row(bench, watcher, count_before, timeout):
    """Time and text of the first log row past count_before, or None."""
    end = now() + timeout
    while now() < end:
        rows = bench.log_rows()
        state = [r for r in rows if not r.endswith(",Mail was sent.")]
        if len(state) > count_before:
            return now(), state[0].rsplit(",", 1)[1]
        watcher.wait(0.002)
    return None


def state_rows(bench):
    return len([r for r in bench.log_rows() if not r.endswith(",Mail was sent.")])


def service_stats(pid):
    switches = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                text = f.read()
        except FileNotFoundError:
            continue
        for key in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"):
            switches += int(re.search(rf"^{key}:\s+(\d+)", text, re.M).group(1))
    with open(f"/proc/{pid}/status") as f:
        text = f.read()
    rss = int(re.search(r"^VmRSS:\s+(\d+)", text, re.M).group(1))
    hwm = int(re.search(r"^VmHWM:\s+(\d+)", text, re.M).group(1))
    return switches, rss, hwm


def ms(values):
    if not values:
        return "n/a"
    return (f"median {1000 * mb.quantile(values, 0.5):.0f} ms, "
            f"max {1000 * max(values):.0f} ms (n={len(values)})")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build")
    p.add_argument("--interval", type=float, default=5.0)
    p.add_argument("--cycles", type=int, default=5)
    p.add_argument("--idle-seconds", type=float, default=60.0)
    args = p.parse_args()
    if os.geteuid() != 0:
        raise SystemExit("needs root (loop devices, mkfs.btrfs, mount)")
    service_path = os.path.join(os.path.abspath(args.build),
                                "storageservice/tamro-storage-service")

    pair = Pair()
    a, b = pair.attach(0), pair.attach(1)
    sh("mkfs.btrfs", "-q", "-f", "-L", "bench", "-d", "raid1", "-m", "raid1", a, b)
    sh("btrfs", "device", "scan", a, b)
    sh("mount", a, pair.mnt)
    marker = b"TAMRO-BENCH-MARK" * 64
    with open(os.path.join(pair.mnt, "marked"), "wb") as f:
        for _ in range(256):
            f.write(marker)
        f.flush()
        os.fsync(f.fileno())

    bench = mb.Bench(args.build)
    watcher = mb.Inotify(bench.log_dir)
    port = socket.socket()
    port.bind(("127.0.0.1", 0))
    bench.service_port = port.getsockname()[1]
    port.close()
    env = dict(bench.env, STATE_DIRECTORY=os.path.join(bench.home, "state"))
    service = subprocess.Popen([service_path, "--listen", f"127.0.0.1:{bench.service_port}",
                                "--interval", str(args.interval)],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, env=env)
    service_err = mb.LineReader(service.stderr)
    atexit.register(lambda: service.poll() is None and service.kill())
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", bench.service_port)).close()
            break
        except OSError:
            time.sleep(0.05)
    bench.start_monitor()
    atexit.register(bench.stop)
    if not wait_row(bench, watcher, 0, 20):
        raise SystemExit("the monitor logged nothing")
    pushes = Pushes(bench.service_port)
    time.sleep(2 * args.interval)

    # Idle.
    s0, _, _ = service_stats(service.pid)
    t0 = now()
    time.sleep(args.idle_seconds)
    s1, rss, hwm = service_stats(service.pid)
    per_minute = (s1 - s0) * 60.0 / (now() - t0)
    log(f"idle: {s1 - s0} switches in {now() - t0:.1f} s, RSS {rss} KiB, peak {hwm} KiB")

    woken = {"detach": [], "degraded mount": [], "whole mount": []}
    timer = {"corruption (push)": [], "reset (push)": [], "corruption (row)": [],
             "reset (row)": []}
    rows_seen = []
    marked_at = None
    for cycle in range(args.cycles):
        # Woken: detach while unmounted, degraded mount, the member back and a whole mount.
        sh("umount", pair.mnt)
        time.sleep(0.5)
        before = state_rows(bench)
        pair.detach(1)
        t = now()
        row = wait_row(bench, watcher, before, args.interval + 3)
        if row:
            woken["detach"].append(row[0] - t)
            rows_seen.append(("detach", row[1]))
            before = state_rows(bench)
        sh("mount", "-o", "degraded,ro", pair.devices[0], pair.mnt)
        t = now()
        if not row:
            row = wait_row(bench, watcher, before, args.interval + 3)
            if row:
                woken["degraded mount"].append(row[0] - t)
                rows_seen.append(("degraded mount", row[1]))
        sh("umount", pair.mnt)
        time.sleep(0.5)
        pair.attach(1)
        sh("btrfs", "device", "scan", *pair.devices)
        before = state_rows(bench)
        sh("mount", pair.devices[0], pair.mnt)
        t = now()
        row = wait_row(bench, watcher, before, args.interval + 3)
        if row:
            woken["whole mount"].append(row[0] - t)
            rows_seen.append(("whole mount", row[1]))
        time.sleep(0.5)

        # Timer-only: corruption found by a scrub, then the counters reset.
        with open(pair.images[0], "r+b") as img:
            if marked_at is None:
                for offset in range(0, 512 << 20, 4 << 20):
                    img.seek(offset)
                    hit = img.read((4 << 20) + len(marker)).find(marker)
                    if hit >= 0:
                        marked_at = offset + hit
                        break
                else:
                    raise SystemExit("the marked file is not in the first image")
            img.seek(marked_at)
            img.write(b"\0" * 16384)
            img.flush()
            os.fsync(img.fileno())
        before = state_rows(bench)
        t_start = now()
        sh("btrfs", "scrub", "start", "-B", pair.mnt, check=False)
        t = now()
        pushed = pushes.wait(t_start, lambda f, u: f > 0, args.interval + 3)
        if pushed:
            timer["corruption (push)"].append(pushed - t)
        row = wait_row(bench, watcher, before, 1.0 if not pushed else args.interval + 3)
        if row:
            timer["corruption (row)"].append(row[0] - t)
            rows_seen.append(("corruption", row[1]))
        before = state_rows(bench)
        sh("btrfs", "device", "stats", "-z", pair.mnt)
        t = now()
        pushed = pushes.wait(t, lambda f, u: f == 0 and u == 0, args.interval + 3)
        if pushed:
            timer["reset (push)"].append(pushed - t)
        row = wait_row(bench, watcher, before, 1.0 if not timer["corruption (row)"] else
                       args.interval + 3)
        if row:
            timer["reset (row)"].append(row[0] - t)
            rows_seen.append(("reset", row[1]))
        log(f"cycle {cycle + 1}: rows {rows_seen[-4:]}")

    print(f"| Storage service on a real Btrfs RAID1 pair (loop devices, kernel "
          f"{os.uname().release}), --interval {args.interval:g} s | |")
    print("|---|---|")
    for name, values in woken.items():
        if name == "degraded mount" and not values and woken["detach"]:
            print("| woken: degraded mount -> monitor's log row | no row of its own: the "
                  "detach had already been reported |")
            continue
        print(f"| woken: {name} -> monitor's log row | {ms(values)} |")
    for name, values in timer.items():
        what = "service's pushed document" if "push" in name else "monitor's log row"
        print(f"| timer only: {name.split(' (')[0]} -> {what} | {ms(values)} |")
    print(f"| idle wake-ups of the service | {per_minute:.1f} per minute "
          f"(timer reads: {60.0 / args.interval:.1f} per minute) |")
    print(f"| resident memory of the service | {rss / 1024:.1f} MiB (peak {hwm / 1024:.1f} MiB) |")
    read = sh(os.path.join(os.path.abspath(args.build), "bench/bench_btrfs_read"), "2000")
    for line in read.splitlines():
        m = re.match(r"(kept open, pread|opened at each read): (.*)", line)
        if m:
            print(f"| one read of the pair by the Btrfs source, files {m.group(1)} | "
                  f"{m.group(2)} |")
    log("rows seen: " + "; ".join(f"{k}: {v}" for k, v in rows_seen))
    log("service stderr (last lines): " + " | ".join(l for _, l in service_err.lines[-6:]))


if __name__ == "__main__":
    main()
