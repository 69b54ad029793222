#!/usr/bin/env bash
# Replay throughput, side by side in one run: kestro-replay, the minimal C loop and
# tcpdump read the same capture with the filter "tcp port 5121"; every repetition runs
# the three once, in an order that rotates, and the medians of the wall times give
# payloads per second.
#
#   bench/replay_throughput.sh BUILD_DIR [REPETITIONS] [CAPTURE]
#
# BUILD_DIR must already hold src/app/kestro-replay, bench/minimal_loop and
# tools/scenario/kestro-scenario (nothing is built here). CAPTURE defaults to
# /tmp/kestro-bench-bulk-1000000.pcap, written by `kestro-scenario --bulk 1000000`
# when it does not exist yet. REPETITIONS defaults to 11.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "usage: $0 BUILD_DIR [REPETITIONS] [CAPTURE]" >&2
    exit 2
fi
build=$1
reps=${2:-11}
capture=${3:-/tmp/kestro-bench-bulk-1000000.pcap}
replay=$build/src/app/kestro-replay
minimal=$build/bench/minimal_loop
scenario=$build/tools/scenario/kestro-scenario

for tool in "$replay" "$minimal"; do
    if [ ! -x "$tool" ]; then
        echo "$0: $tool is missing; build it first" >&2
        exit 2
    fi
done
if ! command -v tcpdump > /dev/null; then
    echo "$0: tcpdump is missing (scripts/install-deps)" >&2
    exit 2
fi
if ! [[ $reps =~ ^[1-9][0-9]*$ ]]; then
    echo "$0: REPETITIONS must be a positive number" >&2
    exit 2
fi
if [ ! -e "$capture" ]; then
    if [ ! -x "$scenario" ]; then
        echo "$0: $capture does not exist and $scenario is missing" >&2
        exit 2
    fi
    echo "writing $capture"
    "$scenario" --bulk 1000000 "$capture"
fi

# The replay's time stamps are local time; fix the zone so that runs compare.
export TZ=UTC

# One untimed pass of each: the file is in the page cache afterwards, and the
# payload counts must agree before any figure means anything.
minimal_payloads=$("$minimal" "$capture" | sed -n 's/^payloads=\([0-9]*\) .*/\1/p')
replay_payloads=$("$replay" --panel "$capture" | sed -n 's/^PacketCount=//p' | tr -cd '0-9')
tcpdump -r "$capture" -w /dev/null 'tcp port 5121'
if [ -z "$minimal_payloads" ] || [ "$minimal_payloads" != "$replay_payloads" ]; then
    echo "$0: payload counts differ: minimal loop '$minimal_payloads', replay '$replay_payloads'" >&2
    exit 1
fi
payloads=$minimal_payloads

names=(replay minimal tcpdump)
run() {
    case $1 in
        replay) "$replay" "$capture" > /dev/null ;;
        minimal) "$minimal" "$capture" > /dev/null ;;
        tcpdump) tcpdump -r "$capture" -w /dev/null 'tcp port 5121' 2> /dev/null ;;
    esac
}

# CPU seconds (user + system) used so far by the children of this shell, into
# $children_cpu. The builtin `times` must run in this shell, not in the subshell
# of a pipe or of $( ), hence the file.
cpu_file=$(mktemp)
trap 'rm -f "$cpu_file"' EXIT
read_children_cpu() {
    times > "$cpu_file"
    local user system
    read -r user system < <(sed -n 2p "$cpu_file")
    children_cpu=$(awk -v u="$user" -v s="$system" 'BEGIN {
        split(u, a, /[ms]/); split(s, b, /[ms]/)
        printf "%.6f", a[1] * 60 + a[2] + b[1] * 60 + b[2]
    }')
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A times cpus
for ((rep = 0; rep < reps; ++rep)); do
    for ((k = 0; k < 3; ++k)); do
        name=${names[$(((rep + k) % 3))]}
        read_children_cpu
        cpu_before=$children_cpu
        start=$EPOCHREALTIME
        run "$name"
        end=$EPOCHREALTIME
        read_children_cpu
        times[$name]+="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }') "
        cpus[$name]+="$(awk -v a="$cpu_before" -v b="$children_cpu" 'BEGIN { printf "%.6f", b - a }') "
    done
done

median() {
    tr ' ' '\n' | sed '/^$/d' | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "capture: $capture ($(stat -c %s "$capture") bytes), $payloads payloads"
echo "repetitions: $reps, interleaved; load average before: $load_before"
declare -A med cpu
echo "medians:  wall time, payloads/s by wall time; CPU time (user + system)"
for name in "${names[@]}"; do
    med[$name]=$(median <<< "${times[$name]}")
    cpu[$name]=$(median <<< "${cpus[$name]}")
    awk -v n="$name" -v t="${med[$name]}" -v c="${cpu[$name]}" -v p="$payloads" \
        'BEGIN { printf "%-8s %.3f s  %6.2f M payloads/s;  CPU %.3f s\n", n, t, p / t / 1e6, c }'
done
awk -v r="${med[replay]}" -v m="${med[minimal]}" -v t="${med[tcpdump]}" \
    -v rc="${cpu[replay]}" -v mc="${cpu[minimal]}" 'BEGIN {
    printf "ratio replay/minimal %.2f by wall time (target 0.80), %.2f by CPU time\n", m / r, mc / rc
    printf "ratio tcpdump/minimal %.2f by wall time\n", m / t
}'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "replay max RSS: $(/usr/bin/time -f %M "$replay" "$capture" 2>&1 > /dev/null | tail -1) KB"
