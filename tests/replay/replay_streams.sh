#!/usr/bin/env bash
# kestro-replay takes any capture a user may hand it: a pcap stream on standard
# input, pcapng with time stamps of any size or going backwards, a file that
# breaks off; and it refuses a folder given as the settings file.
#   replay_streams.sh SCENARIO_TOOL REPLAY_TOOL [with-window|without-window]
set -uo pipefail
scenario_tool=$1
replay_tool=$2
window_program=${3:-with-window}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8

failed=0
checks=0
check() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failed=$((failed + 1))
    fi
}

# Writes the frames of a pcap as pcapng (microsecond stamps) with each stamp
# changed by MODE: same, last-at-max (the last frame at 2^64-1 us), back (the
# second half of the frames an hour earlier).
to_pcapng() {
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
src, dst, mode = sys.argv[1:4]
data = open(src, 'rb').read()
frames, at = [], 24
while at + 16 <= len(data):
    sec, usec, incl, orig = struct.unpack('<IIII', data[at:at + 16])
    frames.append((sec * 1000000 + usec, data[at + 16:at + 16 + incl]))
    at += 16 + incl
def block(kind, body):
    body += b'\0' * (-len(body) % 4)
    return struct.pack('<II', kind, len(body) + 12) + body + struct.pack('<I', len(body) + 12)
out = block(0x0A0D0D0A, struct.pack('<IHHq', 0x1A2B3C4D, 1, 0, -1))
out += block(1, struct.pack('<HHI', 1, 0, 65535) + struct.pack('<HHB3x', 9, 1, 6) + b'\0' * 4)
for i, (stamp, frame) in enumerate(frames):
    if mode == 'last-at-max' and i == len(frames) - 1:
        stamp = 2**64 - 1
    elif mode == 'back' and i >= len(frames) // 2:
        stamp -= 3600 * 1000000
    out += block(6, struct.pack('<IIIII', 0, stamp >> 32, stamp & 0xFFFFFFFF, len(frame), len(frame)) + frame)
open(dst, 'wb').write(out)
PY
}

"$scenario_tool" "$here/golden/singles_cycle.scenario" "$work/race.pcap"
replay() { "$replay_tool" --settings "$here/golden/sounds_on.ini" --tail 300 --panel --sounds print "$@"; }
replay "$work/race.pcap" > "$work/file.out"

# tcpdump writes the stream as it would from a live capture.
tcpdump -r "$work/race.pcap" -U -w - 2> /dev/null | replay - > "$work/stdin.out" 2> "$work/stdin.err"
check "a pcap stream on standard input replays as the file does" \
    cmp -s "$work/file.out" "$work/stdin.out"

to_pcapng "$work/race.pcap" "$work/same.pcapng" same
replay "$work/same.pcapng" > "$work/same.out"
check "pcapng replays as pcap" cmp -s "$work/file.out" "$work/same.out"

# A jump of half a million years: saturated, told once, and no second-by-second
# ticking through it (ctest's time-out would end that).
to_pcapng "$work/race.pcap" "$work/max.pcapng" last-at-max
replay "$work/max.pcapng" > "$work/max.out" 2> "$work/max.err"
check "a time stamp of 2^64-1 us is saturated and said once" \
    grep -qx "kestro-replay: $work/max.pcapng: time stamps outside the years 1 to 9999 are read as the nearest time within them" \
    "$work/max.err"
check "... and every frame is still counted" \
    grep -qx "$(grep '^PacketCount=' "$work/file.out")" "$work/max.out"

# Time going back: every frame still decoded, no log time ever earlier than the one before.
to_pcapng "$work/race.pcap" "$work/back.pcapng" back
replay "$work/back.pcapng" > "$work/back.out" 2> "$work/back.err"
check "frames stamped earlier are still decoded" \
    grep -qx "$(grep '^PacketCount=' "$work/file.out")" "$work/back.out"
check "... and the log's time never goes back" \
    bash -c "grep -o '^[0-9][0-9]:[0-9][0-9]:[0-9][0-9].[0-9]*' '$work/back.out' | sort -c"
check "--help says what backwards time stamps do" \
    bash -c "'$replay_tool' --help | grep -q 'Time never goes back'"

# Cut inside the last frame: what was read is replayed, said in the user's words
# with libpcap's reason, and nothing of the capture component's own wording.
head -c "$(($(stat -c %s "$work/race.pcap") - 5))" "$work/race.pcap" > "$work/cut.pcap"
"$replay_tool" "$work/cut.pcap" > /dev/null 2> "$work/cut.err"
cut_status=$?
check "a file cut short ends with status 1 and says so with libpcap's reason" \
    bash -c "[ $cut_status -eq 1 ] && grep -qxE 'kestro-replay: $work/cut.pcap: the capture breaks off here; what came before was replayed \(truncated dump file; tried to read [0-9]+ captured bytes, only got [0-9]+\)' '$work/cut.err' && ! grep -q 'Snoop Error' '$work/cut.err'"

# A capture still being recorded: its first frames come through a pipe whose
# writer stays. Each line is written as it is made, and Ctrl+C keeps them all.
tcpdump -r "$work/race.pcap" -c 6 -w "$work/part.pcap" 2> /dev/null
"$replay_tool" "$work/part.pcap" > "$work/part.out"
mkfifo "$work/feed"
(cat "$work/part.pcap"; exec sleep 60) > "$work/feed" &
writer=$!
# A job started with & ignores SIGINT, and keeps ignoring it; a terminal's does not.
env --default-signal=INT "$replay_tool" - < "$work/feed" > "$work/live.out" 2> "$work/live.err" &
reader=$!
for _ in $(seq 100); do
    cmp -s "$work/part.out" "$work/live.out" && break
    sleep 0.1
done
check "lines arrive while the writer still holds the pipe" cmp -s "$work/part.out" "$work/live.out"
kill -INT "$reader"
wait "$reader"
int_status=$?
kill "$writer" 2> /dev/null
wait "$writer" 2> /dev/null
check "Ctrl+C ends the replay by its signal and keeps every line" \
    bash -c "[ $int_status -eq 130 ] && cmp -s '$work/part.out' '$work/live.out' && [ ! -s '$work/live.err' ]"

# Into a file, from a file, the lines wait in a large buffer. A sound whose
# file is a FIFO nobody writes holds the replay mid-way; SIGTERM then still
# writes every line made before it.
mkfifo "$work/start.wav"
printf '[Sound]\nSoundEnabled=1\nRaceStartEnabled=1\nRaceStartSound=%s\n' "$work/start.wav" > "$work/held.ini"
"$replay_tool" --settings "$work/held.ini" --sounds play "$work/race.pcap" > "$work/held.out" 2>&1 &
held=$!
for _ in $(seq 100); do
    grep -qs wait_for_partner /proc/"$held"/task/*/wchan && break  # opening the FIFO
    sleep 0.1
done
check "... where the lines made so far are still in the buffer" \
    bash -c "grep -qs wait_for_partner /proc/$held/task/*/wchan && [ ! -s '$work/held.out' ]"
kill -TERM "$held"
wait "$held"
term_status=$?
check "SIGTERM writes them, then ends the replay by its signal" \
    bash -c "[ $term_status -eq 143 ] && grep -q 'モンスターレースシングルスがスタートします' '$work/held.out'"

mkdir "$work/settings.ini"
for gui in "" --gui; do
    if [ -n "$gui" ] && [ "$window_program" != with-window ]; then continue; fi
    "$replay_tool" $gui --settings "$work/settings.ini" "$work/race.pcap" > "$work/dir.out" 2> "$work/dir.err"
    dir_status=$?
    check "--settings naming a folder is refused ${gui:-without --gui}" \
        bash -c "[ $dir_status -eq 2 ] && [ ! -s '$work/dir.out' ] && grep -qx 'kestro-replay: $work/settings.ini: Is a directory' '$work/dir.err'"
done

echo "$((checks - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
