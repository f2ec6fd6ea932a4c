#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Benchmarks of the real monitor against the real simulator (standard library only).

    monitor_bench.py reaction-idle <build-dir> [--changes N] [--idle-seconds S]
    monitor_bench.py startup <build-dir> [--starts N]
    monitor_bench.py soak <build-dir> [--count N] [--scale F] [--sample-every N] [--csv FILE]
    monitor_bench.py footprint <build-dir> [--idle-seconds S] [--pairs N] [--no-bus]

Every run gets a fresh temporary home (HOME and XDG_* point into it) holding the monitor's
settings file: log on (LogFilePath in the temporary folder), mail, notice panel and start at
login off. The monitor runs with QT_QPA_PLATFORM=offscreen; with no tray there, its status
window opens at launch and stays open.

Markdown table rows go to standard output; progress and details to standard error.
"""

import argparse
import ctypes
import math
import os
import re
import select
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

now = time.perf_counter
# The monitor's line for each connection it makes to the service.
CONNECTED = "tamro.monitor: connected"


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def quantile(values, q):
    """Nearest-rank quantile; q = 0.5 gives the statistics median."""
    if not values:
        return float("nan")
    if q == 0.5:
        return statistics.median(values)
    ordered = sorted(values)
    rank = max(1, math.ceil(q * len(ordered)))
    return ordered[min(len(ordered), rank) - 1]


class LineReader:
    """Reads a child's stream in a thread; every line is kept with the time it was read."""

    def __init__(self, stream, keep=True, patterns=()):
        self.lines = []
        self.counts = {p: 0 for p in patterns}
        self.stamps = {p: [] for p in patterns}
        self._keep = keep
        self._cond = threading.Condition()
        self._thread = threading.Thread(target=self._run, args=(stream,), daemon=True)
        self._thread.start()

    def _run(self, stream):
        for raw in iter(stream.readline, b""):
            t = now()
            line = raw.decode("utf-8", "replace").rstrip("\n")
            with self._cond:
                if self._keep:
                    self.lines.append((t, line))
                for p in self.counts:
                    if p in line:
                        self.counts[p] += 1
                        self.stamps[p].append(t)
                self._cond.notify_all()

    def wait(self, predicate, timeout):
        with self._cond:
            return self._cond.wait_for(lambda: predicate(self), timeout)

    def count(self, pattern):
        with self._cond:
            return self.counts[pattern]

    def first(self, regex, start=0):
        with self._cond:
            for t, line in self.lines[start:]:
                m = re.search(regex, line)
                if m:
                    return t, m
        return None


class Inotify:
    """Wakes on files created or renamed into a folder (the log is replaced by a rename)."""

    IN_CLOSE_WRITE, IN_MOVED_TO, IN_CREATE = 0x8, 0x80, 0x100

    def __init__(self, folder):
        self.fd = -1
        try:
            libc = ctypes.CDLL(None, use_errno=True)
            fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
            if fd >= 0:
                mask = self.IN_CLOSE_WRITE | self.IN_MOVED_TO | self.IN_CREATE
                if libc.inotify_add_watch(fd, folder.encode(), mask) >= 0:
                    self.fd = fd
                else:
                    os.close(fd)
        except (OSError, AttributeError):
            self.fd = -1

    @property
    def works(self):
        return self.fd >= 0

    def wait(self, timeout):
        """Waits for an event (or 1 ms without inotify); drains the queue."""
        if self.fd < 0:
            time.sleep(0.001)
            return
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if ready:
            try:
                while os.read(self.fd, 65536):
                    pass
            except BlockingIOError:
                pass


class Bench:
    """A temporary home with the settings written, the simulator and the monitor."""

    def __init__(self, build):
        self.build = os.path.abspath(build)
        self.sim_path = os.path.join(self.build, "tools/sim/tamro-storage-sim")
        self.monitor_path = os.path.join(self.build, "app/tamro-raid-monitor")
        for p in (self.sim_path, self.monitor_path):
            if not os.access(p, os.X_OK):
                raise SystemExit(f"not built: {p}")
        self.home = tempfile.mkdtemp(prefix="tamro-bench-")
        self.log_dir = os.path.join(self.home, "logs")
        self.log_path = os.path.join(self.log_dir, "TAMRORAIDLOG.csv")
        os.makedirs(self.log_dir)
        self.env = dict(os.environ)
        self.env["HOME"] = self.home
        for var, sub in (("XDG_CONFIG_HOME", ".config"), ("XDG_DATA_HOME", ".local/share"),
                         ("XDG_CACHE_HOME", ".cache"), ("XDG_RUNTIME_DIR", "runtime")):
            path = os.path.join(self.home, sub)
            os.makedirs(path, mode=0o700, exist_ok=True)
            self.env[var] = path
        self.env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "QT_LOGGING_RULES": "tamro.*.info=true",
            "LC_ALL": "C.UTF-8",
            "LANGUAGE": "en",
        })
        self.env.pop("TAMRO_TIMING_SCALE", None)
        # Not the user's session bus: the monitor would find the user's own monitor there.
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.write_settings()
        self.sim = None
        self.sim_err = None
        self.control = None
        self.control_file = None
        self.monitor = None
        self.mon_err = None
        self.service_port = 0

    def write_settings(self):
        folder = os.path.join(self.env["XDG_CONFIG_HOME"], "TAMRO")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "TAMRO RAID MONITOR.conf"), "w") as f:
            f.write("[General]\n"
                    "MakeLog=true\n"
                    "SendMail=false\n"
                    "SendRebuildMail=false\n"
                    "DispPanel=false\n"
                    "AddLoginItem=false\n"
                    f"LogFilePath={self.log_path}\n")

    def start_sim(self, extra=(), keep_log=True):
        args = [self.sim_path, "--port", "0", "--control-port", "0", "--no-stdin", *extra]
        self.sim = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE if keep_log else subprocess.DEVNULL,
                                    env=self.env)
        if keep_log:
            self.sim_err = LineReader(self.sim.stderr, patterns=("sim: push ",))
        control = 0
        for raw in iter(self.sim.stdout.readline, b""):
            words = raw.decode().split()
            if words[:1] == ["control"]:
                control = int(words[1])
            elif words[:1] == ["listening"]:
                self.service_port = int(words[1])
                break
        if not control or not self.service_port:
            raise SystemExit("the simulator did not start")
        self.control = socket.create_connection(("127.0.0.1", control))
        self.control.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.control_file = self.control.makefile("rb")

    def send(self, *commands):
        """Sends control commands in one write; returns the write time."""
        data = "".join(c + "\n" for c in commands).encode()
        t = now()
        self.control.sendall(data)
        return t

    def replies(self, n):
        for _ in range(n):
            reply = self.control_file.readline().decode().strip()
            if reply != "ok":
                raise SystemExit(f"simulator refused a command: {reply}")

    def command(self, cmd):
        t = self.send(cmd)
        self.replies(1)
        return t

    def start_bus(self):
        """A session bus of this home's own (the monitor watches names on it)."""
        daemon = shutil.which("dbus-daemon")
        if not daemon:
            return False
        self.bus = subprocess.Popen([daemon, "--session", "--nofork", "--print-address=1"],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, env=self.env)
        address = self.bus.stdout.readline().decode().strip()
        if not address:
            return False
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        return True

    def start_monitor(self, extra_env=None, keep_log=True, headless=True):
        env = dict(self.env)
        env["TAMRO_SERVICE_PORT"] = str(self.service_port)
        env.update(extra_env or {})
        # --headless answers every panel at once; without it a panel stays open (the
        # platform is offscreen either way).
        argv = [self.monitor_path] + (["--headless"] if headless else [])
        self.monitor = subprocess.Popen(argv, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        env=env, cwd=self.home)
        self.mon_err = LineReader(self.monitor.stderr, keep=keep_log,
                                  patterns=("pass: ", "icon: ", CONNECTED))

    def passes(self):
        return self.mon_err.count("pass: ")

    def wait_passes(self, n, timeout=20.0):
        return self.mon_err.wait(lambda r: r.counts["pass: "] >= n, timeout)

    def settle(self, quiet=0.3, timeout=20.0):
        """Waits until no pass has run for `quiet` seconds; returns the pass count."""
        end = now() + timeout
        last = self.passes()
        mark = now()
        while now() < end:
            time.sleep(0.02)
            n = self.passes()
            if n != last:
                last, mark = n, now()
            elif now() - mark >= quiet:
                return n
        return last

    def log_rows(self):
        try:
            with open(self.log_path, "rb") as f:
                lines = f.read().split(b"\r\n")
        except FileNotFoundError:
            return []
        return [ln.decode("utf-8", "replace") for ln in lines[1:] if ln]

    def proc(self, name):
        with open(f"/proc/{self.monitor.pid}/{name}") as f:
            return f.read()

    def status_kib(self, key):
        m = re.search(rf"^{key}:\s+(\d+) kB", self.proc("status"), re.M)
        return int(m.group(1)) if m else -1

    def cpu_seconds(self):
        fields = self.proc("stat").rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        return (int(fields[11]) + int(fields[12])) / ticks  # utime, stime

    def run_ns(self):
        """Time on a CPU of every thread, in nanoseconds (schedstat), by thread id."""
        times = {}
        task_dir = f"/proc/{self.monitor.pid}/task"
        for tid in os.listdir(task_dir):
            try:
                with open(f"{task_dir}/{tid}/schedstat") as f:
                    times[tid] = int(f.read().split()[0])
            except (FileNotFoundError, IndexError, ValueError):
                continue
        return times

    def context_switches(self):
        """Voluntary and involuntary switches of every thread, by thread id."""
        counts = {}
        task_dir = f"/proc/{self.monitor.pid}/task"
        for tid in os.listdir(task_dir):
            try:
                with open(f"{task_dir}/{tid}/status") as f:
                    text = f.read()
            except FileNotFoundError:
                continue
            counts[tid] = (
                int(re.search(r"^voluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1)),
                int(re.search(r"^nonvoluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1)))
        return counts

    def stop(self):
        for p in (self.monitor, self.sim, getattr(self, "bus", None)):
            if p and p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait(5)
        if self.control:
            self.control.close()
        shutil.rmtree(self.home, ignore_errors=True)


def bring_up(bench, sim_extra=(), monitor_env=None, keep_sim_log=True, keep_mon_log=True):
    bench.start_sim(sim_extra, keep_log=keep_sim_log)
    bench.start_monitor(monitor_env, keep_log=keep_mon_log)
    if not bench.wait_passes(1, 30):
        raise SystemExit("the monitor ran no pass")
    bench.settle()
    if len(bench.log_rows()) < 2:
        raise SystemExit("the monitor wrote no launch rows")


def reaction_idle(args):
    bench = Bench(args.build)
    try:
        # Event message and configuration in one write, so the configuration leaves the
        # simulator at the moment of the push (with the default gap it would follow 50 ms later).
        bring_up(bench, sim_extra=("--gap-ms", "0"))
        bench.command("coalesce on")
        bench.settle(quiet=1.0)

        # ---- idle: connected, nothing changing
        passes0 = bench.passes()
        cpu0, ns0, sw0 = bench.cpu_seconds(), bench.run_ns(), bench.context_switches()
        t0 = now()
        time.sleep(args.idle_seconds)
        cpu1, ns1, sw1 = bench.cpu_seconds(), bench.run_ns(), bench.context_switches()
        # Threads that ended in the window (the thread pool retires idle threads after 30 s)
        # are left out: their last switches and CPU time cannot be read any more.
        exited = len(set(sw0) - set(sw1))
        threads = len(sw1)
        v0 = sum(sw0.get(tid, (0, 0))[0] for tid in sw1)
        i0 = sum(sw0.get(tid, (0, 0))[1] for tid in sw1)
        v1 = sum(c[0] for c in sw1.values())
        i1 = sum(c[1] for c in sw1.values())
        span = now() - t0
        rss, hwm = bench.status_kib("VmRSS"), bench.status_kib("VmHWM")
        idle_passes = bench.passes() - passes0
        run_ms = sum(ns - ns0.get(tid, 0) for tid, ns in ns1.items()) / 1e6
        log(f"idle {span:.1f} s: cpu {cpu1 - cpu0:.3f} s (schedstat {run_ms:.2f} ms), "
            f"voluntary {v1 - v0}, involuntary {i1 - i0}, threads {threads} (+{exited} ended), "
            f"passes {idle_passes}, "
            f"VmRSS {rss} KiB, VmHWM {hwm} KiB")

        # ---- reaction: alternate pulling and plugging disk 2 of the first enclosure
        notify = Inotify(bench.log_dir)
        log("reaction: waiting on the log folder with", "inotify" if notify.works else "1 ms polls")
        from_cmd, from_push, missed = [], [], 0
        for n in range(args.changes):
            cmd, row = (("unplug 0 1", "Disk2 is not connected.") if n % 2 == 0
                        else ("plug 0 1", "Retrieved configuration."))
            rows_before = len(bench.log_rows())
            passes_before = bench.passes()
            pushes_before = bench.sim_err.count("sim: push ")
            t_cmd = bench.send(cmd)
            deadline = t_cmd + 10.0
            t_row = None
            while now() < deadline:
                rows = bench.log_rows()
                if len(rows) > rows_before:
                    t_row = now()
                    if not rows[0].endswith("," + row):
                        raise SystemExit(f"unexpected row {rows[0]!r} after {cmd}")
                    break
                notify.wait(0.05)
            bench.replies(1)
            if t_row is None:
                missed += 1
                continue
            from_cmd.append((t_row - t_cmd) * 1000)
            stamps = bench.sim_err.stamps["sim: push "]
            if len(stamps) > pushes_before:
                from_push.append((t_row - stamps[pushes_before]) * 1000)
            # Let the pass finish, so the next change meets an idle monitor.
            bench.wait_passes(passes_before + 1, 10)
            bench.settle(quiet=0.1)
        alive = bench.monitor.poll() is None
    finally:
        bench.stop()

    if not from_cmd:
        raise SystemExit(f"no change reached the log ({missed} missed)")
    med, p95 = quantile(from_cmd, 0.5), quantile(from_cmd, 0.95)
    pmed, pp95 = quantile(from_push, 0.5), quantile(from_push, 0.95)
    log(f"reaction from command write: n={len(from_cmd)} median {med:.1f} ms p95 {p95:.1f} ms "
        f"min {min(from_cmd):.1f} max {max(from_cmd):.1f}; missed {missed}; monitor alive {alive}")
    log(f"reaction from the simulator's push line: n={len(from_push)} median {pmed:.1f} ms "
        f"p95 {pp95:.1f} ms")
    print(f"| 1 | Reaction: change pushed by the simulator → row in the log file "
          f"({len(from_cmd)} changes, unplug/plug alternating) | {med:.1f} ms | {p95:.1f} ms | "
          f"{abs(med - 100):.1f} ms {'above' if med >= 100 else 'below'} the 100 ms hand-off "
          f"(timed from the control command write; "
          f"from the simulator's push line: median {pmed:.1f} ms, p95 {pp95:.1f} ms); "
          f"missed {missed} |")
    print(f"| 3a | Idle CPU, {span:.0f} s connected, nothing changing | "
          f"{run_ms:.2f} ms | – | on-CPU time of the threads still running at the end "
          f"(schedstat), "
          f"{100 * run_ms / 1000 / span:.4f} % of one core; utime+stime "
          f"{cpu1 - cpu0:.2f} s ({1000 // os.sysconf('SC_CLK_TCK')} ms ticks) |")
    print(f"| 3b | Idle wake-ups, {span:.0f} s | {(v1 - v0) + (i1 - i0)} | – | "
          f"context switches of the {threads} thread(s) still running at the end: {v1 - v0} "
          f"voluntary, {i1 - i0} involuntary ({((v1 - v0) + (i1 - i0)) / span:.2f}/s); "
          f"{exited} pooled thread(s) retired in the window, not counted; passes during idle: "
          f"{idle_passes} |")
    print(f"| 3c | Resident memory after idle (offscreen, status window open) | "
          f"VmRSS {rss / 1024:.1f} MiB | – | VmHWM {hwm / 1024:.1f} MiB |")


def startup(args):
    bench = Bench(args.build)
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    port = server.getsockname()[1]
    times = []
    try:
        for n in range(args.starts):
            env = dict(bench.env)
            env["TAMRO_SERVICE_PORT"] = str(port)
            server.settimeout(30)
            t0 = now()
            proc = subprocess.Popen([bench.monitor_path, "--headless"], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    env=env, cwd=bench.home)
            try:
                conn, _ = server.accept()
                data = conn.recv(4096)
                t1 = now()
                if not data.startswith(b"<SVConfigCmd"):
                    raise SystemExit(f"unexpected first bytes {data!r}")
                times.append((t1 - t0) * 1000)
                log(f"start {n + 1}: {times[-1]:.1f} ms to {data.strip().decode()}")
            finally:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait(5)
                try:
                    conn.close()
                except NameError:
                    pass
    finally:
        server.close()
        bench.stop()
    print(f"| 4 | Start-up: exec → configuration command received ({len(times)} starts) | "
          f"{quantile(times, 0.5):.1f} ms | max {max(times):.1f} ms | "
          f"min {min(times):.1f} ms; timed by a plain TCP listener in the driver |")


def soak(args):
    bench = Bench(args.build)
    samples = []
    t_start = now()
    try:
        # Hand-offs and other delays scaled down so the passes follow each other quickly.
        bring_up(bench, sim_extra=("--gap-ms", "0"),
                 monitor_env={"TAMRO_TIMING_SCALE": str(args.scale)},
                 keep_sim_log=False, keep_mon_log=False)
        bench.command("coalesce on")
        base_passes = bench.settle()
        # How many passes one push makes (an event message and a configuration).
        bench.command("push 0")
        per_push = bench.settle() - base_passes
        log(f"soak: {per_push} pass(es) per push; scale {args.scale}")
        if per_push < 1:
            raise SystemExit("a push made no pass")
        launch_passes = base_passes
        connects0 = bench.mon_err.count(CONNECTED)
        sent, changes, unplugged, lost, lag_waits = 1, 0, False, 0, 0
        # At most one state change per burst: the client merges every answer into the table
        # as it arrives and the pass evaluates the table as it is then, so an unplug and a
        # plug inside one hand-off delay would be evaluated as no change at all. Answers that
        # wait for their hand-off together make one pass, so a pass per push is counted only
        # with bursts of one push (the default).
        burst = min(args.burst, args.change_every)
        while sent < args.count:
            cmds = []
            for _ in range(min(burst, args.count - sent)):
                sent += 1
                if sent % args.change_every == 0:
                    cmds.append("plug 0 1" if unplugged else "unplug 0 1")
                    unplugged = not unplugged
                    changes += 1
                else:
                    cmds.append("push 0")
            bench.send(*cmds)
            bench.replies(len(cmds))
            # Pace by the monitor: every pass of this burst has run before the next one. The
            # repeating refetch reconnects (every 3600 s times the scale); its answer adds a
            # pass, and documents in flight on the dropped connection are gone with it.
            reconnects = bench.mon_err.count(CONNECTED) - connects0
            if not bench.wait_passes(base_passes + per_push * sent + reconnects, 3):
                lag_waits += 1
                bench.settle(quiet=0.3)
                reconnects = bench.mon_err.count(CONNECTED) - connects0
                short = base_passes + per_push * sent + reconnects - bench.passes()
                if short > 0:
                    lost += short
                    base_passes -= short
                log(f"soak: {short} pass(es) short at {sent} pushes, {reconnects} reconnect(s) "
                    f"so far")
            if sent % args.sample_every < burst or sent >= args.count:
                rss = bench.status_kib("VmRSS")
                samples.append((sent, bench.passes(), rss, now() - t_start))
                if len(samples) % 10 == 0 or sent >= args.count:
                    log(f"soak: {sent} pushes, {bench.passes()} passes, VmRSS {rss} KiB, "
                        f"{now() - t_start:.0f} s")
            if bench.monitor.poll() is not None:
                raise SystemExit(f"the monitor ended (code {bench.monitor.returncode})")
        final_passes = bench.settle(quiet=1.0)
        reconnects = bench.mon_err.count(CONNECTED) - connects0
        rss_end, hwm_end = bench.status_kib("VmRSS"), bench.status_kib("VmHWM")
        rows = len(bench.log_rows())
        alive = bench.monitor.poll() is None
    finally:
        bench.stop()
    elapsed = now() - t_start

    if args.csv:
        with open(args.csv, "w") as f:
            f.write("pushes,passes,vmrss_kib,seconds\n")
            for s in samples:
                f.write(f"{s[0]},{s[1]},{s[2]},{s[3]:.1f}\n")
    warm = [s for s in samples if s[0] >= args.warmup] or samples[:1]
    rss_warm = warm[0][2]
    after = [s[2] for s in warm] or [rss_end]
    delta = rss_end - rss_warm
    # Least-squares trend of the samples after the warm-up, in KiB per 10,000 pushes.
    slope = 0.0
    if len(warm) > 1:
        mx = sum(w[0] for w in warm) / len(warm)
        my = sum(w[2] for w in warm) / len(warm)
        sxx = sum((w[0] - mx) ** 2 for w in warm)
        slope = sum((w[0] - mx) * (w[2] - my) for w in warm) / sxx * 10000 if sxx else 0.0
    expected = launch_passes + per_push * sent + reconnects
    log(f"soak done in {elapsed:.0f} s")
    print("| Pushes (state changes) | VmRSS after warm-up | VmRSS at the end | Change | "
          "Passes run / expected | Notes |")
    print("|---|---|---|---|---|---|")
    print(f"| {sent} ({changes}) | {rss_warm} KiB (at {warm[0][0]} pushes) | "
          f"{rss_end} KiB | {delta:+d} KiB ({100 * delta / rss_warm:+.2f} %); trend "
          f"{slope:+.1f} KiB per 10,000 pushes | "
          f"{final_passes} / {expected} | min/max after warm-up {min(after)}/{max(after)} KiB, "
          f"VmHWM {hwm_end} KiB; expected = {per_push} pass per push + {launch_passes} at "
          f"launch + {reconnects} refetch reconnects; {expected - final_passes} documents were "
          f"in flight on a dropped connection ({lost} counted at lag waits: {lag_waits}); log "
          f"rows {rows}; monitor running at the end: {alive}; {elapsed:.0f} s |")


# ---- footprint: the monitor beside a bare Qt Widgets program


def pid_switches(pid):
    """Voluntary + involuntary context switches of every thread of a process, by thread id,
    and the names of its threads."""
    counts, names = {}, {}
    task_dir = f"/proc/{pid}/task"
    for tid in os.listdir(task_dir):
        try:
            with open(f"{task_dir}/{tid}/status") as f:
                text = f.read()
            with open(f"{task_dir}/{tid}/comm") as f:
                names[tid] = f.read().strip()
        except FileNotFoundError:
            continue
        counts[tid] = (
            int(re.search(r"^voluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1)) +
            int(re.search(r"^nonvoluntary_ctxt_switches:\s+(\d+)", text, re.M).group(1)))
    return counts, names


def pid_status_kib(pid, key):
    with open(f"/proc/{pid}/status") as f:
        m = re.search(rf"^{key}:\s+(\d+) kB", f.read(), re.M)
    return int(m.group(1)) if m else -1


# Where resident memory lies, by what is mapped there.
MAPPING_KINDS = (
    ("Qt libraries", lambda path: "/libQt6" in path),
    ("Qt plugins (platform, image formats, styles)", lambda path: "/qt6/plugins/" in path),
    ("fonts", lambda path: re.search(r"\.(ttf|otf|ttc|pfb|pcf(\.gz)?)$", path, re.I)),
    ("ICU data and libraries", lambda path: "libicu" in path),
    ("the program itself", lambda path: path.endswith(("/tamro-raid-monitor", "/bench_bare_qt"))),
    ("other shared libraries", lambda path: ".so" in path),
    ("heap", lambda path: path == "[heap]"),
    ("anonymous (malloc arenas, thread stacks, images)", lambda path: path in ("", "[stack]")),
)


def smaps_breakdown(pid):
    """Resident KiB by kind of mapping (/proc/<pid>/smaps), and the anonymous-private total."""
    kinds = {name: 0 for name, _ in MAPPING_KINDS}
    kinds["other files"] = 0
    path = ""
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = line.split(None, 1)[0]
            if "-" in head and not head.endswith(":"):
                fields = line.split(None, 5)
                path = fields[5].strip() if len(fields) > 5 else ""
            elif head == "Rss:":
                kib = int(line.split()[1])
                for name, matches in MAPPING_KINDS:
                    if matches(path):
                        kinds[name] += kib
                        break
                else:
                    kinds["other files"] += kib
    return kinds


def footprint(args):
    """Pairs of (monitor, bare Qt program), each pair in a fresh home, started together and
    left idle together; resident memory and wake-ups of each at the end."""
    bare_path = os.path.join(os.path.abspath(args.build), "bench/bench_bare_qt")
    if not os.access(bare_path, os.X_OK):
        raise SystemExit(f"not built: {bare_path}")
    pairs = []
    # Without a session bus (as the earlier measurements), and with one of each home's own,
    # where the monitor takes its name and reads the keyring the bus can start.
    kinds = ["no bus"] + ([] if args.no_bus else ["bus"])
    try:
        for n in range(args.pairs * len(kinds)):
            bench = Bench(args.build)
            bench.bare = None
            bench.listener = None
            bench.kind = kinds[n % len(kinds)]
            pairs.append(bench)
            bench.has_bus = bench.start_bus() if bench.kind == "bus" else False
            if bench.kind == "bus" and not bench.has_bus:
                raise SystemExit("dbus-daemon could not be started (or use --no-bus)")
            bench.start_sim(keep_log=False)
            # The bare program's socket: a plain loopback listener that never writes.
            bench.listener = socket.socket()
            bench.listener.bind(("127.0.0.1", 0))
            bench.listener.listen(1)
            bench.bare = subprocess.Popen([bare_path, str(bench.listener.getsockname()[1])],
                                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                          stderr=subprocess.DEVNULL, env=bench.env,
                                          cwd=bench.home)
            bench.start_monitor()
            bench.listener.settimeout(30)
            bench.bare_conn, _ = bench.listener.accept()
            if bench.bare.stdout.readline().strip() != b"connected":
                raise SystemExit("the bare program did not connect")
        for bench in pairs:
            if not bench.wait_passes(1, 30):
                raise SystemExit("the monitor ran no pass")
            bench.settle(quiet=1.0)
        # Qt's painting of the first frames borrows pooled threads, which retire 30 s after
        # their last task; the window starts once they are gone, as it would an hour later.
        t_wait = now()
        pids = [p for b in pairs for p in (b.monitor.pid, b.bare.pid)]
        while now() - t_wait < 45 and any(
                "Thread (pooled)" in pid_switches(pid)[1].values() for pid in pids):
            time.sleep(0.5)
        log(f"footprint: waited {now() - t_wait:.1f} s for pooled threads to retire; "
            f"{len(pairs)} pair(s): {', '.join(kinds)}")
        start = [(pid_switches(b.monitor.pid)[0], pid_switches(b.bare.pid)[0],
                  b.passes()) for b in pairs]
        t0 = now()
        time.sleep(args.idle_seconds)
        span = now() - t0
        results = []
        for b, (m0, b0, passes0) in zip(pairs, start):
            row = {"passes": b.passes() - passes0, "kind": b.kind}
            for who, pid, before in (("monitor", b.monitor.pid, m0), ("bare", b.bare.pid, b0)):
                after, names = pid_switches(pid)
                woke = {names[t]: after[t] - before.get(t, 0) for t in after
                        if after[t] - before.get(t, 0) > 0}
                row[who] = {
                    "wakeups": sum(after[t] - before.get(t, 0) for t in after),
                    "woke": woke,
                    "ended": len(set(before) - set(after)),
                    "threads": len(after),
                    "rss": pid_status_kib(pid, "VmRSS"),
                    "kinds": smaps_breakdown(pid),
                }
            results.append(row)
            log(f"footprint pair ({b.kind}): monitor VmRSS {row['monitor']['rss']} KiB, wake-ups "
                f"{row['monitor']['wakeups']} {row['monitor']['woke']} (+{row['monitor']['ended']} "
                f"threads ended), passes {row['passes']}; bare VmRSS {row['bare']['rss']} KiB, "
                f"wake-ups {row['bare']['wakeups']} {row['bare']['woke']}")
    finally:
        for b in pairs:
            if b.bare and b.bare.poll() is None:
                b.bare.terminate()
                b.bare.wait(5)
            if b.listener:
                b.listener.close()
            b.stop()

    def med(values):
        return statistics.median(values)

    # One line per measurement, read by run_benchmarks.sh (tab-separated): what, kind,
    # monitor, bare, ratio, pairs, notes.
    for kind in kinds:
        rows = [r for r in results if r["kind"] == kind]
        rss_m = med([r["monitor"]["rss"] for r in rows])
        rss_b = med([r["bare"]["rss"] for r in rows])
        ratios = [r["monitor"]["rss"] / r["bare"]["rss"] for r in rows]
        log(f"footprint ({kind}): resident KiB by mapping (median of the pairs), "
            f"monitor / bare / difference:")
        for name in rows[0]["monitor"]["kinds"]:
            km = med([r["monitor"]["kinds"][name] for r in rows])
            kb = med([r["bare"]["kinds"][name] for r in rows])
            log(f"  {name:50s} {km:8.0f} {kb:8.0f} {km - kb:+8.0f}")
        print(f"memory\t{kind}\t{rss_m / 1024:.1f} MiB\t{rss_b / 1024:.1f} MiB\t"
              f"{med(ratios):.2f}\t{len(rows)}\tVmRSS after {span:.0f} s idle; ratios of the "
              f"pairs {', '.join(f'{x:.3f}' for x in sorted(ratios))}")
        wake_m = med([r["monitor"]["wakeups"] for r in rows])
        wake_b = med([r["bare"]["wakeups"] for r in rows])
        woke = {}
        for r in rows:
            for name, n in r["monitor"]["woke"].items():
                woke[name] = woke.get(name, 0) + n
        woke_text = ", ".join(f"{k} {v}" for k, v in woke.items()) or "none"
        print(f"wakeups\t{kind}\t{wake_m:.0f}\t{wake_b:.0f}\t"
              f"{(wake_m / wake_b) if wake_b else 0:.2f}\t{len(rows)}\t"
              f"context switches of every thread in {span:.0f} s idle; threads of the monitors "
              f"that woke: {woke_text}; passes during idle: {sum(r['passes'] for r in rows)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="what", required=True)
    p = sub.add_parser("reaction-idle")
    p.add_argument("build")
    p.add_argument("--changes", type=int, default=60)
    p.add_argument("--idle-seconds", type=float, default=60.0)
    p.set_defaults(run=reaction_idle)
    p = sub.add_parser("startup")
    p.add_argument("build")
    p.add_argument("--starts", type=int, default=10)
    p.set_defaults(run=startup)
    p = sub.add_parser("soak")
    p.add_argument("build")
    p.add_argument("--count", type=int, default=100000)
    p.add_argument("--scale", type=float, default=0.01)
    p.add_argument("--burst", type=int, default=1)
    p.add_argument("--change-every", type=int, default=10)
    p.add_argument("--sample-every", type=int, default=1000)
    p.add_argument("--warmup", type=int, default=5000)
    p.add_argument("--csv", default="")
    p.set_defaults(run=soak)
    p = sub.add_parser("footprint")
    p.add_argument("build")
    p.add_argument("--idle-seconds", type=float, default=60.0)
    p.add_argument("--pairs", type=int, default=3)
    p.add_argument("--no-bus", action="store_true")
    p.set_defaults(run=footprint)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
