#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark against an existing build and prints one Markdown table, with the
# machine it ran on. Builds nothing: build first, e.g.
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-bench
#   bench/run_benchmarks.sh build-bench
# Takes about four minutes (two idle minutes of it). Progress and details go to standard
# error; the tables to standard output: first the footprint against bare baselines measured
# in the same run (the monitor beside a bare Qt Widgets program; the client's parse+merge
# beside a bare XML reader pass), then every row.
# IDLE_SECONDS shortens both idle measurements, CHANGES the reaction run, PAIRS the number of
# monitor/bare pairs (per kind), PARSE_RUNS the repeats of bench_parse.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=${PYTHON:-$(command -v python3 || echo /usr/bin/python3)}
idle_seconds=${IDLE_SECONDS:-60}
changes=${CHANGES:-60}
pairs=${PAIRS:-3}
parse_runs=${PARSE_RUNS:-3}

for exe in bench/bench_parse bench/bench_evaluate bench/bench_eventlog bench/bench_bare_qt \
    app/tamro-raid-monitor tools/sim/tamro-storage-sim; do
    if [[ ! -x $build/$exe ]]; then
        echo "$0: $build/$exe is missing; build all targets first" >&2
        exit 1
    fi
done

# The first line only, reading every line (with pipefail, a reader that stops early would
# end the writer with SIGPIPE, and the script with it).
first() { awk 'NR == 1'; }

# "label: median 12.3 us, p95 14.5 us" -> "12.3 14.5"
pick() {
    sed -n "s/^$1.*median \([0-9.]*\) us\(, p95 \([0-9.]*\) us\)\{0,1\}.*/\1 \3/p" <<<"$2" | first
}

cache=$build/CMakeCache.txt
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$cache" | first; }
compiler=$(cache_value CMAKE_CXX_COMPILER)
compiler_version=$("$compiler" --version 2>/dev/null | first || echo "$compiler")
build_type=$(cache_value CMAKE_BUILD_TYPE)
# The Qt the monitor runs with: the version in the name of the library it loads.
qt_lib=$(ldd "$build/app/tamro-raid-monitor" | awk '/libQt6Core/ && !n++ { print $3 }')
qt_version=$(basename "$(readlink -f "$qt_lib")" | sed -n 's/^libQt6Core\.so\.//p')
[[ -n $qt_version ]] || qt_version=$(qtpaths6 --qt-version 2>/dev/null || echo unknown)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | first)
cores=$(nproc)
ram=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
kernel=$(uname -sr)
tmpfs=$(df -T "${TMPDIR:-/tmp}" | awk 'NR == 2 { print $2 }')

# Repeated: the median run (by ratio) is the one reported.
echo "bench: parse+merge, ${parse_runs} runs" >&2
parse_all=()
for ((i = 0; i < parse_runs; ++i)); do
    out=$("$build/bench/bench_parse" 5000)
    echo "$out" >&2
    parse_all+=("$(sed -n 's/^ratio client \/ bare reader: *//p' <<<"$out")"$'\t'"$i")
    parse_outs[i]=$out
done
median_run=$(printf '%s\n' "${parse_all[@]}" | sort -n | sed -n "$(((parse_runs + 1) / 2))p" | cut -f2)
parse_out=${parse_outs[median_run]}
parse_ratios=$(printf '%s\n' "${parse_all[@]}" | cut -f1 | sort -n | paste -sd' ' -)
echo "bench: parse+merge+evaluate" >&2
eval_out=$("$build/bench/bench_evaluate" 5000)
echo "$eval_out" >&2
echo "bench: event log" >&2
log_out=$("$build/bench/bench_eventlog" 500)
echo "$log_out" >&2
echo "bench: start-up" >&2
startup_rows=$("$python" "$here/monitor_bench.py" startup "$build" --starts 10)
echo "bench: footprint, monitor beside a bare Qt program (${idle_seconds} s idle, ${pairs} pairs per kind)" >&2
footprint_out=$("$python" "$here/monitor_bench.py" footprint "$build" --pairs "$pairs" \
    --idle-seconds "$idle_seconds")
echo "bench: reaction and idle (${idle_seconds} s idle)" >&2
monitor_rows=$("$python" "$here/monitor_bench.py" reaction-idle "$build" --changes "$changes" \
    --idle-seconds "$idle_seconds")

read -r pm_med _ <<<"$(pick "client parse+merge" "$parse_out")"
read -r pm_bare _ <<<"$(pick "bare QXmlStreamReader" "$parse_out")"
pm_ratio=$(sed -n 's/^ratio client \/ bare reader: *//p' <<<"$parse_out")
read -r ev_bare ev_bare95 <<<"$(pick "bare QXmlStreamReader" "$eval_out")"
read -r ev_pm _ <<<"$(pick "parse+merge (handleReadBytes)" "$eval_out")"
read -r ev_eval _ <<<"$(pick "evaluate (processRaidInfo)" "$eval_out")"
read -r ev_all ev_all95 <<<"$(pick "parse+merge+evaluate" "$eval_out")"
ev_ratio=$(sed -n 's/^ratio parse+merge+evaluate \/ bare reader: *//p' <<<"$eval_out")
bytes=$(sed -n 's/^answer: \([0-9]*\) bytes.*/\1/p' <<<"$eval_out")
read -r l10 l10p <<<"$(pick "event with 10 entries (insert + atomic" "$log_out")"
read -r l10m l10mp <<<"$(pick "event with 10 entries (insert + write to memory" "$log_out")"
read -r l999 l999p <<<"$(pick "event with 999 entries (insert + atomic" "$log_out")"
read -r l999m l999mp <<<"$(pick "event with 999 entries (insert + write to memory" "$log_out")"
read -r lread _ <<<"$(pick "read of the full log" "$log_out")"

# footprint line: what, kind, monitor, bare, ratio, pairs, notes
fp() { awk -F'\t' -v w="$1" -v k="$2" -v c="$3" '$1 == w && $2 == k { print $c }' <<<"$footprint_out"; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "met" : "not met" }'; }
load=$(cut -d' ' -f1-3 /proc/loadavg)

cat <<EOF
Machine: ${cpu}, ${cores} cores, ${ram} RAM, ${kernel}; Qt ${qt_version}; ${compiler_version}; build type ${build_type:-none}. Load average at the end: ${load}.
Run: $(date -u '+%Y-%m-%d %H:%M UTC')

| Footprint | Monitor | Bare baseline | Ratio | Target | |
|---|---|---|---|---|---|
| Resident memory after ${idle_seconds} s idle, offscreen, status window open; no session bus (median of $(fp memory "no bus" 6) pairs) | $(fp memory "no bus" 3) | $(fp memory "no bus" 4) (bare Qt Widgets program: one loopback socket, one small window) | $(fp memory "no bus" 5) | ≤ 1.15 | $(verdict "$(fp memory "no bus" 5)" 1.15) |
| The same with a session bus of its own (the monitor takes its name there and reads the SMTP password from the keyring the bus starts) | $(fp memory bus 3) | $(fp memory bus 4) | $(fp memory bus 5) | ≤ 1.15 | $(verdict "$(fp memory bus 5)" 1.15) |
| Parse+merge of the eight-enclosure answer (${bytes} bytes), bench_parse (median of ${parse_runs} runs; ratios ${parse_ratios}) | ${pm_med} µs | ${pm_bare} µs (bare QXmlStreamReader pass) | ${pm_ratio} | ≤ 2.0 | $(verdict "${pm_ratio}" 2.0) |
| Wake-ups in ${idle_seconds} s idle with a session bus (tray host watched there, no polling) | $(fp wakeups bus 3) | $(fp wakeups bus 4) | – | 0 | $(verdict "$(fp wakeups bus 3)" 0) |
| Wake-ups in ${idle_seconds} s idle without a session bus (a tray is looked for once a minute) | $(fp wakeups "no bus" 3) | $(fp wakeups "no bus" 4) | – | ≤ 1 a minute | – |

$(awk -F'\t' '{ printf "- %s, %s: %s\n", $1, $2, $7 }' <<<"$footprint_out")

Temporary folder on ${tmpfs}.

| # | What | Median | p95 | Notes |
|---|---|---|---|---|
${monitor_rows%%$'\n'*}
| 2a | Parse+merge of an eight-enclosure answer (${bytes} bytes), bench_parse | ${pm_med} µs | – | bare QXmlStreamReader pass ${pm_bare} µs; ratio ${pm_ratio} |
| 2b | Parse+merge+evaluate of the same answer, bench_evaluate | ${ev_all} µs | ${ev_all95} µs | bare reader ${ev_bare} µs (p95 ${ev_bare95}); ratio ${ev_ratio}; of it parse+merge ${ev_pm} µs, evaluation pass ${ev_eval} µs |
$(tail -n +2 <<<"$monitor_rows")
${startup_rows}
| 5a | One logged event, log of 10 entries (insert + atomic rewrite, synced) | ${l10} µs | ${l10p} µs | in memory only: ${l10m} µs (p95 ${l10mp}) |
| 5b | One logged event, log of 999 entries (insert + atomic rewrite, synced) | ${l999} µs | ${l999p} µs | in memory only: ${l999m} µs (p95 ${l999mp}); reading the full log at launch ${lread} µs |
EOF
