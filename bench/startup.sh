#!/usr/bin/env bash
# Start-up to the first frame and resident memory: the viewer (bench_app
# --startup-only) against an empty Qt OpenGL window (bench_qt_empty), each
# started RUNS times (default 7) on one display (a virtual one when there is
# none); prints every run and the medians.
#   bench/startup.sh [build-dir]     (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-release}
runs=${RUNS:-7}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p"; }

for program in "$dir/bench_app --startup-only" "$dir/bench_qt_empty"; do
    out=""
    for _ in $(seq "$runs"); do
        out+="$($program 2>/dev/null | grep _from_main_ms)"$'\n'
    done
    out=${out%$'\n'}
    echo "$out"
    name=$(echo "$out" | head -n 1 | cut -d: -f1)
    echo "== $name, median of $runs runs: first frame drawn $(echo "$out" | field drawn_from_main_ms | median) ms" \
         "and shown $(echo "$out" | field shown_from_main_ms | median) ms after main," \
         "shown $(echo "$out" | field shown_from_process_start_ms | median) ms after the process started;" \
         "VmRSS $(echo "$out" | field rss_kb | median) kB, VmHWM $(echo "$out" | field hwm_kb | median) kB"
done
