#!/usr/bin/env bash
# Two builds of kestro-replay on the same capture, side by side in one run: the
# instructions each executes (valgrind's callgrind: repeatable on a loaded
# machine) and the medians of their wall times, the two alternating.
#
#   bench/replay_cpu_compare.sh OLD_REPLAY NEW_REPLAY [REPETITIONS] [CAPTURE]
#
# CAPTURE defaults to /tmp/kestro-bench-bulk-1000000.pcap (kestro-scenario
# --bulk 1000000); REPETITIONS of the timed runs default to 7. Both builds must
# print the same output, or no figure means anything.
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 4 ]; then
    echo "usage: $0 OLD_REPLAY NEW_REPLAY [REPETITIONS] [CAPTURE]" >&2
    exit 2
fi
old=$1
new=$2
reps=${3:-7}
capture=${4:-/tmp/kestro-bench-bulk-1000000.pcap}
for tool in "$old" "$new"; do
    if [ ! -x "$tool" ]; then
        echo "$0: $tool is missing" >&2
        exit 2
    fi
done
if [ ! -e "$capture" ]; then
    echo "$0: $capture does not exist (kestro-scenario --bulk 1000000 $capture)" >&2
    exit 2
fi
if ! command -v valgrind > /dev/null; then
    echo "$0: valgrind is missing (scripts/install-deps)" >&2
    exit 2
fi
export TZ=UTC
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$old" --panel "$capture" > "$work/old.out"
"$new" --panel "$capture" > "$work/new.out"
if ! cmp -s "$work/old.out" "$work/new.out"; then
    echo "$0: the two builds print different outputs" >&2
    exit 1
fi

instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$1" "$capture" \
        > /dev/null 2> "$work/cg.log"
    sed -n 's/^summary: //p' "$work/cg.out"
}
old_ir=$(instructions "$old")
new_ir=$(instructions "$new")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
echo "instructions: old $old_ir, new $new_ir, new/old $(ratio "$new_ir" "$old_ir")"

seconds() {
    local start end
    start=$(date +%s%N)
    "$1" "$capture" > /dev/null
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}
: > "$work/old.times"
: > "$work/new.times"
for ((i = 0; i < reps; i++)); do
    if ((i % 2 == 0)); then
        seconds "$old" >> "$work/old.times"
        seconds "$new" >> "$work/new.times"
    else
        seconds "$new" >> "$work/new.times"
        seconds "$old" >> "$work/old.times"
    fi
done
median() { sort -n "$1" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
old_s=$(median "$work/old.times")
new_s=$(median "$work/new.times")
echo "wall medians of $reps: old ${old_s} s, new ${new_s} s, new/old $(ratio "$new_s" "$old_s")"
