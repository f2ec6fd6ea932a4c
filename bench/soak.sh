#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak (not part of CI): the simulator pushes <count> answers (default 100,000; every tenth of
# them a state change, pulling and plugging a drive in turn, so the event log fills to its
# bound and stays there) as fast as the monitor takes them. Pushes go out one at a time and
# the next waits until the monitor has run the pass of the last one (answers that wait for
# their hand-off together would make one pass), so every push has its pass. The monitor's resident memory is sampled every 1,000 pushes; the result row
# compares it after the warm-up (5,000 pushes) with the end, and counts passes against pushes.
#
#   bench/soak.sh <build-dir> [count]
#
# Hand-off and other delays are scaled by SOAK_SCALE (default 0.01: the 0.1 s hand-off
# becomes 1 ms) so the run takes minutes, not hours. The samples go to SOAK_CSV (default
# soak-<date>.csv in the current folder). Takes about ten minutes for 100,000.
set -euo pipefail

if [[ $# -lt 1 || ! -d $1 ]]; then
    echo "usage: $0 <build-dir> [count]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
count=${2:-100000}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=${PYTHON:-$(command -v python3 || echo /usr/bin/python3)}
csv=${SOAK_CSV:-soak-$(date -u +%Y%m%d-%H%M%S).csv}

echo "soak: $count pushes; samples in $csv" >&2
exec "$python" "$here/monitor_bench.py" soak "$build" --count "$count" \
    --scale "${SOAK_SCALE:-0.01}" --sample-every 1000 --warmup 5000 --csv "$csv"
