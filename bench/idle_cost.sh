#!/bin/sh
# Idle cost of the real program: kestro with capture open on "lo" and nothing
# to capture there, for DURATION seconds; then its CPU time (utime + stime from
# /proc/PID/stat) as a share of one core, and its resident memory.
#
#   bench/idle_cost.sh [DURATION] [BUILD_DIR]       (defaults 600 and build)
#
# The window is drawn on an Xvfb display when Xvfb is installed, else on Qt's
# offscreen platform (KESTRO_IDLE_PLATFORM=offscreen forces it). The program
# runs from a copy in a temporary folder, with its settings file beside it, so
# nothing of a real installation is read or written. Needs capture rights.
# Port 5121 traffic on lo during the run is counted with tcpdump and reported:
# other programs may talk on it, and then the adapter was not quiet.
set -eu

duration=${1:-600}
build=${2:-build}
kestro=$build/src/app/kestro
adapter_index=$build/bench/bench_adapter_index
for tool in "$kestro" "$adapter_index"; do
    if [ ! -x "$tool" ]; then
        echo "idle_cost.sh: $tool is missing; build kestro and bench_adapter_index first" >&2
        exit 2
    fi
done

work=$(mktemp -d /tmp/kestro-idle-XXXXXX)
pid=
xvfb=
counter=
cleanup() {
    for p in $pid $counter $xvfb; do
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

cp "$kestro" "$work/kestro"
lo=$("$adapter_index" lo)
printf '[Snoop]\nAdapterIndex=%s\n[Function]\nSaveFormSize=0\n' "$lo" >"$work/kestro.ini"

platform=${KESTRO_IDLE_PLATFORM:-}
if [ -z "$platform" ]; then
    if command -v Xvfb >/dev/null 2>&1; then platform=xcb; else platform=offscreen; fi
fi
if [ "$platform" = xcb ]; then
    display=:$((90 + $$ % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 2
    export DISPLAY="$display"
fi
export QT_QPA_PLATFORM="$platform"

if command -v tcpdump >/dev/null 2>&1; then
    tcpdump -i lo -w /dev/null 'tcp port 5121' 2>"$work/tcpdump.txt" &
    counter=$!
fi

"$work/kestro" >"$work/kestro.out" 2>&1 &
pid=$!
sleep 3

# Capture is open when the process holds a packet socket.
packet_socket=no
for fd in /proc/"$pid"/fd/*; do
    inode=$(readlink "$fd" 2>/dev/null | sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p')
    if [ -n "$inode" ] && awk -v i="$inode" 'NR > 1 && $NF == i { found = 1 } END { exit !found }' /proc/net/packet; then
        packet_socket=yes
    fi
done
if [ "$packet_socket" != yes ]; then
    echo "idle_cost.sh: kestro did not open capture on lo (adapter index $lo)" >&2
    cat "$work/kestro.out" >&2
    exit 1
fi

ticks() { awk '{ print $14 + $15 }' /proc/"$1"/stat; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' /proc/"$1"/status; }

hz=$(getconf CLK_TCK)
start_ticks=$(ticks "$pid")
start_ns=$(date +%s%N)
sleep "$duration"
end_ticks=$(ticks "$pid")
end_ns=$(date +%s%N)
rss=$(status_kb "$pid" VmRSS)
hwm=$(status_kb "$pid" VmHWM)
threads=$(status_kb "$pid" Threads)

frames=unknown
if [ -n "$counter" ]; then
    kill -INT "$counter" 2>/dev/null || true
    wait "$counter" 2>/dev/null || true
    counter=
    frames=$(sed -n 's/^\([0-9]*\) packets\{0,1\} captured.*/\1/p' "$work/tcpdump.txt")
fi

awk -v t0="$start_ticks" -v t1="$end_ticks" -v hz="$hz" -v n0="$start_ns" -v n1="$end_ns" \
    -v rss="$rss" -v hwm="$hwm" -v threads="$threads" -v platform="$platform" -v frames="$frames" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
    wall = (n1 - n0) / 1e9
    cpu = (t1 - t0) / hz
    printf "platform %s, %s s idle after a 3 s start, %d threads, load average %s\n", platform, wall, threads, load
    printf "port 5121 frames on lo during the run: %s\n", frames
    printf "CPU time %.2f s = %.3f %% of one core (target < 0.5 %%)\n", cpu, 100 * cpu / wall
    printf "resident memory %.1f MB (peak %.1f MB; target < 80 MB)\n", rss / 1024, hwm / 1024
}'
