#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Stress of the real monitor by a hostile stand-in for the storage service (not run in CI).

    hostile_bench.py flood <build-dir> [--rate 9300] [--seconds 10]
    hostile_bench.py merge <build-dir> [--rate 90000] [--seconds 10]
    hostile_bench.py panel <build-dir> [--megabytes 233] [--seconds 15]
    hostile_bench.py probes <build-dir>
    hostile_bench.py all <build-dir>

Instead of the simulator, the driver itself listens on a loopback port and plays the service:
it answers the monitor's commands and then sends what each scenario calls for. The monitor
runs with its designed timing (no TAMRO_TIMING_SCALE), offscreen, in a temporary home (see
monitor_bench.py), and is watched through /proc and its diagnostic lines on standard error.

flood   After a healthy answer, tiny answers (`<SVConfigCmd eResult="0"/>`) at --rate a
        second for --seconds. Reports the passes run, CPU in the 1 s from 2 s after the flood
        ended, when CPU fell under 5 % (250 ms windows), and resident memory against its value
        before the flood.
merge   Answers of 1,700 enclosures with distinct serial numbers (each just under 64 KiB) at
        --rate bytes a second. First as documents that fail to parse at their end (the boxes
        before the fault are merged, the pass takes the parse-failure path and the monitor
        keeps running): every document's pass is timed against the moment it was sent (the
        hand-off timer is due 0.1 s later), and every device scan against the 1.0 s rescan
        timer. Then one that parses: the pass must end the program at the enclosure limit.
panel   The notice panel is opened by a problem and left open (the monitor runs without --headless);
        the stand-in then tries to send --megabytes in --seconds. Reports what it could send
        and the monitor's growth in resident memory.
probes  Further hostile input, each followed by a check that the monitor still evaluates a
        pushed answer with a pulled drive (a pass with the problem icon): deep nesting (over
        and under 64 KiB), a serial number of 15,000 codes, 20,000 removal events at once, a
        document trickled a byte every 0.5 s after a command (the answer time-out must end
        it), the service closing the connection (start at login on: a retry 6 s later).

Markdown rows go to standard output; progress to standard error.
"""

import argparse
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from monitor_bench import CONNECTED, Bench, log, now, quantile  # noqa: E402

TINY = b'<SVConfigCmd eResult="0"/>\r\n'


def code_list(text):
    return ", ".join(str(ord(c)) for c in text)


def box_xml(serial, pulled=False):
    normal = code_list("Normal")
    drives = ""
    for d in (0, 1):
        plugged = 0 if (pulled and d == 1) else 1
        drives += (f'<SVPhysDrive id="{d}" SerialNumber="{code_list(f"D{serial}{d}")}" '
                   f'ModelName="{code_list("Disk 500")}" PluggedIn="{plugged}" '
                   f'ActualCapacity_GB="500.1"/>'
                   f'<SVPhysPartition Capacity_GB="465.7" Status="0" RebuildProgress="0"/>')
    return (f'<SVBox SerialNumber="{code_list(str(serial))}" BoxRebuildStatus="{normal}">'
            f'{drives}<SVPartialVolume mode="1" FriendlyMode="{code_list("RAID 1")}" '
            f'Capacity_GB="465.7"/></SVBox>')


def answer(root="SVConfigCmd", pulled=False, eresult=0):
    return (f'<{root} eResult="{eresult}" ExecInfo="{code_list("Retrieved configuration.")}">'
            f'<SVSystem Version="1"/>{box_xml(100001, pulled)}</{root}>\r\n').encode()


def many_boxes(count=1700, broken=False):
    """An answer of `count` bare enclosures with distinct serial numbers."""
    parts = ['<SVConfigCmd eResult="0">']
    parts += [f'<SVBox SerialNumber="{code_list(str(i))}"/>' for i in range(1, count + 1)]
    if broken:
        parts.append('<SVSystem a="1" a="2"/>')  # the reader fails here, after the boxes
    parts.append("</SVConfigCmd>\r\n")
    return "".join(parts).encode()


class StandIn:
    """The hostile service: accepts every connection, records each command with its time,
    answers it with `answer_for(command)` unless that is None, and keeps the newest
    connection for a scenario to write on."""

    def __init__(self):
        self.server = socket.socket()
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(16)
        self.port = self.server.getsockname()[1]
        self.lock = threading.Condition()
        self.conns = []
        self.commands = []  # (time, connection number, command bytes)
        self.answer_for = lambda cmd: answer("SVScanDevicesCmd" if b"Scan" in cmd else
                                             "SVConfigCmd")
        self.closed = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.closed:
            try:
                conn, _ = self.server.accept()
            except OSError:
                return
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            with self.lock:
                self.conns.append(conn)
                n = len(self.conns)
                self.lock.notify_all()
            threading.Thread(target=self._read, args=(conn, n), daemon=True).start()

    def _read(self, conn, n):
        pending = b""
        while True:
            try:
                data = conn.recv(4096)
            except OSError:
                return
            if not data:
                return
            pending += data
            while b"\r\n" in pending:
                cmd, pending = pending.split(b"\r\n", 1)
                with self.lock:
                    self.commands.append((now(), n, cmd))
                    self.lock.notify_all()
                reply = self.answer_for(cmd)
                if reply:
                    try:
                        conn.sendall(reply)
                    except OSError:
                        return

    def newest(self):
        with self.lock:
            return self.conns[-1] if self.conns else None

    def wait_commands(self, count, timeout):
        with self.lock:
            return self.lock.wait_for(lambda: len(self.commands) >= count, timeout)

    def close(self):
        self.closed = True
        self.server.close()
        with self.lock:
            for c in self.conns:
                try:
                    c.shutdown(socket.SHUT_RDWR)
                    c.close()
                except OSError:
                    pass


def start(build, settings=None, env=None, headless=True):
    bench = Bench(build)
    if settings:
        values = {"MakeLog": "true", "SendMail": "false", "SendRebuildMail": "false",
                  "DispPanel": "false", "AddLoginItem": "false", "LogFilePath": bench.log_path}
        values.update(settings)
        path = os.path.join(bench.env["XDG_CONFIG_HOME"], "TAMRO", "TAMRO RAID MONITOR.conf")
        with open(path, "w") as f:
            f.write("[General]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))
    stand_in = StandIn()
    bench.service_port = stand_in.port
    bench.start_monitor(env or {}, keep_log=True, headless=headless)
    if not bench.wait_passes(1, 30):
        raise SystemExit("the monitor ran no pass")
    bench.settle(quiet=1.0)
    return bench, stand_in


def stop(bench, stand_in):
    stand_in.close()
    bench.stop()


def sample_cpu(bench, seconds, step=0.25):
    """On-CPU time of the monitor's threads per window of `step` s, for `seconds`."""
    out = []
    prev_t, prev = now(), sum(bench.run_ns().values())
    end = prev_t + seconds
    while now() < end:
        time.sleep(step)
        t, cur = now(), sum(bench.run_ns().values())
        out.append((t, 100.0 * (cur - prev) / 1e9 / (t - prev_t)))
        prev_t, prev = t, cur
    return out


def stream(stand_in, payload, rate, seconds, tick=0.01):
    """Sends `payload` over and over at `rate` bytes a second on the newest connection for
    `seconds`, moving to a newer connection when the monitor opens one. Returns the times
    each whole payload left and the bytes sent."""
    sent_at, total = [], 0
    start_t = now()
    budget = 0.0
    conn = None
    offset = 0
    while now() - start_t < seconds:
        budget = min(budget + rate * tick, 4 * len(payload))
        newest = stand_in.newest()
        if newest is not conn:
            conn, offset = newest, 0
            conn.settimeout(0.2)
        while budget >= 1:
            chunk = payload[offset:offset + int(budget)]
            try:
                n = conn.send(chunk)
            except (BlockingIOError, TimeoutError):
                n = 0
            except OSError:
                conn, offset = stand_in.newest(), 0
                break
            total += n
            budget -= n
            offset += n
            if offset >= len(payload):
                sent_at.append(now())
                offset = 0
            if n < len(chunk):
                break
        time.sleep(tick)
    return sent_at, total


def flood(args):
    bench, stand_in = start(args.build)
    try:
        passes0 = bench.passes()
        rss0 = bench.status_kib("VmRSS")
        conn = stand_in.newest()
        per_tick = max(1, int(args.rate / 100))
        batch = TINY * per_tick
        sent = 0
        t0 = now()
        cpu_during = []
        prev_t, prev = t0, sum(bench.run_ns().values())
        n = 0
        while now() - t0 < args.seconds:
            conn.sendall(batch)
            sent += per_tick
            n += 1
            target = t0 + n * 0.01
            if (n % 50) == 0:
                t, cur = now(), sum(bench.run_ns().values())
                cpu_during.append(100.0 * (cur - prev) / 1e9 / (t - prev_t))
                prev_t, prev = t, cur
            delay = target - now()
            if delay > 0:
                time.sleep(delay)
        t_end = now()
        span = t_end - t0
        rss_end_flood = bench.status_kib("VmRSS")
        after = sample_cpu(bench, 5.0)
        rss_after2 = None
        below = None
        for t, pct in after:
            if below is None and pct < 5.0:
                below = t - t_end
        window = [p for t, p in after if 2.0 <= t - t_end <= 3.0]
        cpu_2to3 = sum(window) / len(window) if window else float("nan")
        rss_after2 = bench.status_kib("VmRSS")
        passes = bench.passes() - passes0
        # Still watching: a pulled drive is seen.
        icons = bench.mon_err.count("icon: ")
        conn.sendall(answer(pulled=True))
        alive = bench.mon_err.wait(lambda r: r.counts["icon: "] > icons, 5)
        hwm = bench.status_kib("VmHWM")
    finally:
        stop(bench, stand_in)
    log(f"flood: {sent} documents in {span:.1f} s ({sent / span:.0f}/s), {passes} passes; "
        f"CPU during {quantile(cpu_during, 0.5):.0f} % median; after: "
        + ", ".join(f"{t - t_end:.2f}s {p:.1f}%" for t, p in after[:12]))
    print(f"| Flood: {sent:,} tiny answers in {span:.1f} s ({sent / span:,.0f}/s) | "
          f"passes {passes} ({passes / span:.1f}/s); CPU during the flood "
          f"{quantile(cpu_during, 0.5):.0f} % (median of 0.5 s windows) | "
          f"CPU {cpu_2to3:.1f} % from 2 s to 3 s after the flood; first 250 ms window under "
          f"5 % at {below if below is None else f'{below:.2f} s'} | VmRSS {rss0 / 1024:.1f} → "
          f"{rss_end_flood / 1024:.1f} MiB at the end → {rss_after2 / 1024:.1f} MiB 5 s later "
          f"({(rss_after2 - rss0) / 1024:+.1f} MiB); VmHWM {hwm / 1024:.1f} MiB | "
          f"pulled drive seen afterwards: {alive} |")


def match_passes(sent_at, pass_times, due):
    """For each document sent, how late the first pass after it came, beyond `due`."""
    late = []
    j = 0
    for s in sent_at:
        while j < len(pass_times) and pass_times[j] < s:
            j += 1
        if j < len(pass_times):
            late.append(pass_times[j] - s - due)
        else:
            late.append(float("inf"))
    return late


def merge(args):
    broken = many_boxes(broken=True)
    good = many_boxes()
    log(f"merge: documents of {len(broken)} and {len(good)} bytes")
    bench, stand_in = start(args.build)
    try:
        # Device scans are answered in kind, or their answer would end the program.
        stand_in.answer_for = lambda cmd: broken
        passes_before = len(bench.mon_err.stamps["pass: "])
        cmds0 = len(stand_in.commands)
        cpu0 = sum(bench.run_ns().values())
        t0 = now()
        sent_at, total = stream(stand_in, broken, args.rate, args.seconds)
        span = now() - t0
        # No more answers: the last device scan asked for opens the connection used next.
        stand_in.answer_for = lambda cmd: None
        time.sleep(1.5)
        cpu = (sum(bench.run_ns().values()) - cpu0) / 1e9
        pass_times = bench.mon_err.stamps["pass: "][passes_before:]
        late = match_passes(sent_at, pass_times, 0.1)
        # Device scans: each is due 1.0 s after the failed pass that asked for it, the first
        # pass after the previous command went out (until then a command was pending).
        scans = [t for t, _, c in stand_in.commands[cmds0:] if b"SVScanDevicesCmd" in c]
        scan_late = []
        previous = t0
        for t in scans:
            asking = [p for p in pass_times if previous < p < t]
            if asking:
                scan_late.append(t - asking[0] - 1.0)
            previous = t
        alive = bench.monitor.poll() is None
        # One that parses: sixteen enclosures are taken, the pass ends the program.
        conn = stand_in.newest()
        passes1 = len(bench.mon_err.stamps["pass: "])
        t_good = now()
        conn.sendall(good)
        try:
            code = bench.monitor.wait(10)
        except Exception:
            code = None
        t_exit = now()
        alert = bench.mon_err.first(r"modal: alert: (.*)")
        stamps = bench.mon_err.stamps["pass: "][passes1:]
        limit_pass = stamps[0] - t_good if stamps else float("nan")
    finally:
        stop(bench, stand_in)
    worst = max(late) if late else float("nan")
    log(f"merge: {len(sent_at)} documents ({total} bytes) in {span:.1f} s, {len(pass_times)} "
        f"passes, monitor CPU {cpu:.2f} s; lateness {['%.3f' % x for x in late]}; "
        f"scans {len(scans)} late {['%.3f' % x for x in scan_late]}; limit pass after "
        f"{limit_pass:.3f} s, exit {code} after {t_exit - t_good:.2f} s, "
        f"alert {alert[1].group(1) if alert else None}")
    print(f"| Merge: {len(sent_at)} documents of 1,700 enclosures ({len(broken):,} bytes, "
          f"failing at their end) at {total / span / 1000:.0f} KB/s for {span:.0f} s | "
          f"hand-off timer (due 0.1 s after each document): late by at most "
          f"{worst * 1000:.0f} ms, median {quantile(late, 0.5) * 1000:.0f} ms "
          f"({len(pass_times)} passes); rescan timer (due 1.0 s after a failed pass): late by "
          f"at most {max(scan_late) * 1000 if scan_late else float('nan'):.0f} ms over "
          f"{len(scan_late)} scans | monitor CPU {cpu:.2f} s in {span + 1.5:.1f} s; running "
          f"afterwards: {alive} | one that parses: its pass came {limit_pass * 1000:.0f} ms after "
          f"it was sent and ended the program (exit status {code}, "
          f"{(t_exit - t_good):.2f} s) with the alert {alert[1].group(1)!r} |"
          if alert else f"| Merge: … | no alert (exit {code}) |")


def panel(args):
    bench, stand_in = start(args.build, settings={"DispPanel": "true"}, headless=False)
    try:
        conn = stand_in.newest()
        icons = bench.mon_err.count("icon: ")
        conn.sendall(answer(pulled=True))  # a problem after a healthy pass: the notice panel
        if not bench.mon_err.wait(lambda r: r.counts["icon: "] > icons, 10):
            raise SystemExit("no problem icon")
        time.sleep(1.0)
        rss0 = bench.status_kib("VmRSS")
        conn.setblocking(False)
        total_wanted = args.megabytes * 1000 * 1000
        chunk = TINY * (65536 // len(TINY))
        sent = 0
        t0 = now()
        rate = total_wanted / args.seconds
        while now() - t0 < args.seconds:
            due = min(total_wanted, rate * (now() - t0))
            while sent < due:
                try:
                    sent += conn.send(chunk)
                except BlockingIOError:
                    break
            time.sleep(0.005)
        span = now() - t0
        time.sleep(0.5)
        rss1 = bench.status_kib("VmRSS")
        hwm = bench.status_kib("VmHWM")
        alive = bench.monitor.poll() is None
    finally:
        stop(bench, stand_in)
    log(f"panel: sent {sent} of {total_wanted} bytes in {span:.1f} s; VmRSS {rss0} -> {rss1} KiB")
    held = ("the rest was held back by TCP" if sent < 0.9 * total_wanted
            else "the monitor took it all in")
    print(f"| Panel left open, {args.megabytes} MB offered in {args.seconds} s | the stand-in "
          f"could send {sent / 1e6:.2f} MB; {held} | VmRSS "
          f"{rss0 / 1024:.1f} → {rss1 / 1024:.1f} MiB ({(rss1 - rss0) / 1024:+.1f} MiB), "
          f"VmHWM {hwm / 1024:.1f} MiB | running: {alive} |")


def probes(args):
    results = []

    def wait_connected(bench, count, timeout=10.0):
        return bench.mon_err.wait(lambda r: r.counts[CONNECTED] >= count, timeout)

    def still_watching(bench, stand_in, timeout=5.0):
        """A pulled drive pushed now is evaluated: a pass with the problem icon."""
        passes = bench.passes()
        lines = len(bench.mon_err.lines)
        try:
            stand_in.newest().sendall(answer(pulled=True))
        except OSError:
            return False
        ok = bench.mon_err.wait(lambda r: r.counts["pass: "] > passes, timeout)
        return bool(ok and bench.mon_err.first(r"pass: .*icon: red", start=lines)
                    and bench.monitor.poll() is None)

    def run(name, action, settle=1.0):
        # Start at login on: a lost connection is retried after 6 s.
        bench, stand_in = start(args.build, settings={"AddLoginItem": "true"})
        try:
            rss0 = bench.status_kib("VmRSS")
            detail = action(bench, stand_in) or ""
            time.sleep(settle)
            ok = still_watching(bench, stand_in)
            rss1 = bench.status_kib("VmRSS")
        finally:
            stop(bench, stand_in)
        log(f"probe {name}: watching {ok}; {detail}; VmRSS {rss0} -> {rss1} KiB")
        results.append((name, ok, detail, rss0, rss1))

    def deep(bench, stand_in):
        depth = 20000
        doc = b"<SVConfigCmd>" + b"<a>" * depth + b"</a>" * depth + b"</SVConfigCmd>\r\n"
        stand_in.newest().sendall(doc)
        return f"{len(doc):,} bytes, {depth:,} levels (over 64 KiB: one failed parse)"

    def deep_small(bench, stand_in):
        depth = 9000
        doc = b"<SVConfigCmd>" + b"<a>" * depth + b"</a>" * depth + b"</SVConfigCmd>\r\n"
        stand_in.newest().sendall(doc)
        return f"{len(doc):,} bytes, {depth:,} levels"

    def long_codes(bench, stand_in):
        codes = ", ".join(["49"] * 15000)
        doc = f'<SVConfigCmd eResult="0"><SVBox SerialNumber="{codes}"/></SVConfigCmd>\r\n'
        stand_in.newest().sendall(doc.encode())
        return f"a serial number of 15,000 codes ({len(doc):,} bytes)"

    def removal_storm(bench, stand_in):
        ev = (f'<SVEventLogCmd><SVEvent MsgIdx="13" BoxSN="{code_list("100001")}"/>'
              f'</SVEventLogCmd>\r\n').encode()
        passes = bench.passes()
        stand_in.newest().sendall(ev * 20000)
        time.sleep(2.0)
        return (f"20,000 removal events ({len(ev) * 20000:,} bytes) for the one enclosure: "
                f"{bench.passes() - passes} pass(es)")

    def trickle(bench, stand_in):
        stand_in.answer_for = lambda cmd: None
        connected = bench.mon_err.count(CONNECTED)
        # A failed parse makes the monitor ask for a device scan on a new connection, which
        # then gets an endless document, a byte every 0.5 s.
        stand_in.newest().sendall(b"xx\r\n")
        if not wait_connected(bench, connected + 1):
            return "no device scan"
        stand_in.wait_commands(len(stand_in.commands) + 1, 5)
        t_cmd = stand_in.commands[-1][0]
        conn = stand_in.newest()
        conn.sendall(b"<SVConfigCmd>")
        lost = None
        while now() - t_cmd < 45:
            if bench.mon_err.first(r"no answer from the storage service"):
                lost = now() - t_cmd
                break
            try:
                conn.sendall(b" ")
            except OSError:
                pass
            time.sleep(0.5)
        stand_in.answer_for = lambda cmd: answer()
        reconnected = wait_connected(bench, connected + 2, 10)
        return (f"a document trickled a byte every 0.5 s after the command: given up as "
                f"unanswered {lost if lost is None else f'{lost:.1f} s'} after the command; "
                f"reconnected: {reconnected}")

    def drops(bench, stand_in):
        connected = bench.mon_err.count(CONNECTED)
        for c in list(stand_in.conns):
            try:
                c.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        reconnected = wait_connected(bench, connected + 1, 10)
        return f"the service closed the connection: reconnected {reconnected}"

    run("deep nesting, oversized", deep)
    run("deep nesting", deep_small)
    run("long code list", long_codes)
    run("removal storm", removal_storm)
    run("trickle", trickle, settle=0.5)
    run("service closes the connection", drops)
    for name, ok, detail, rss0, rss1 in results:
        print(f"| Probe: {name} | {detail} | – | VmRSS {rss0 / 1024:.1f} → {rss1 / 1024:.1f} MiB "
              f"| a pulled drive pushed afterwards is evaluated: {ok} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="what", required=True)
    p = sub.add_parser("flood")
    p.add_argument("build")
    p.add_argument("--rate", type=int, default=9300)
    p.add_argument("--seconds", type=float, default=10.0)
    p.set_defaults(run=flood)
    p = sub.add_parser("merge")
    p.add_argument("build")
    p.add_argument("--rate", type=int, default=90000)
    p.add_argument("--seconds", type=float, default=10.0)
    p.set_defaults(run=merge)
    p = sub.add_parser("panel")
    p.add_argument("build")
    p.add_argument("--megabytes", type=int, default=233)
    p.add_argument("--seconds", type=float, default=15.0)
    p.set_defaults(run=panel)
    p = sub.add_parser("probes")
    p.add_argument("build")
    p.set_defaults(run=probes)
    p = sub.add_parser("all")
    p.add_argument("build")
    p.set_defaults(run=None)
    args = parser.parse_args()
    if args.run is None:
        print("| Scenario | Measured | Result | Memory | Notes |")
        print("|---|---|---|---|---|")
        for fn, extra in ((flood, dict(rate=9300, seconds=10.0)),
                          (merge, dict(rate=90000, seconds=10.0)),
                          (panel, dict(megabytes=233, seconds=15.0)),
                          (probes, {})):
            fn(argparse.Namespace(build=args.build, **extra))
    else:
        args.run(args)


if __name__ == "__main__":
    main()
