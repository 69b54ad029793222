#!/usr/bin/env bash
# kestro-replay refuses what it cannot replay with one line on standard error,
# exit status 2 and nothing on standard output.
set -uo pipefail
replay_tool=$1
# "without-window" in a build without Qt Widgets, which has no kestro-replay-gui.
window_program=${2:-with-window}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
checks=0
expect_refusal() {
    local what=$1 pattern=$2
    shift 2
    checks=$((checks + 1))
    "$replay_tool" "$@" > "$work/out" 2> "$work/err"
    local status=$?
    local lines
    lines=$(wc -l < "$work/err")
    if [ "$status" -eq 2 ] && [ ! -s "$work/out" ] && [ "$lines" -eq 1 ] \
        && grep -q -- "$pattern" "$work/err"; then
        echo "ok   $what: $(cat "$work/err")"
    else
        echo "FAIL $what: status $status, stdout $(wc -c < "$work/out") bytes, stderr:"
        cat "$work/err"
        failed=$((failed + 1))
    fi
}

expect_refusal "missing file" "$work/none.pcap: No such file or directory" "$work/none.pcap"

mkdir "$work/folder"
expect_refusal "a folder" "$work/folder" "$work/folder"

printf 'this is not a capture file\n' > "$work/text.pcap"
expect_refusal "not a capture" "$work/text.pcap: not a capture file" "$work/text.pcap"

# A valid pcap header with link type 105 (802.11 without radio header), which
# no capture of the game's traffic can be read from, and no frames.
printf '\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x69\x00\x00\x00' \
    > "$work/wifi.pcap"
expect_refusal "unreadable link" "$work/wifi.pcap: Kestro cannot read link type IEEE802_11$" "$work/wifi.pcap"

# An Ethernet capture with no frames replays to nothing, successfully.
printf '\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x01\x00\x00\x00' \
    > "$work/empty.pcap"
checks=$((checks + 1))
if "$replay_tool" "$work/empty.pcap" > "$work/out" 2> "$work/err" && [ ! -s "$work/out" ] && [ ! -s "$work/err" ]; then
    echo "ok   empty capture"
else
    echo "FAIL empty capture"
    failed=$((failed + 1))
fi

expect_refusal "missing settings file" "$work/none.ini" --settings "$work/none.ini" "$work/empty.pcap"
expect_refusal "bad --sounds" "--sounds takes off, print or play" --sounds loud "$work/empty.pcap"
expect_refusal "bad --reminders" "--reminders takes settings, off or print" --reminders all "$work/empty.pcap"

# --gui hands the same arguments to kestro-replay-gui beside the program, which
# refuses what it cannot replay in the same words, before it opens any window.
expect_refusal "--gui with --panel" "--panel and --tail belong to the replay without --gui" \
    --gui --panel "$work/empty.pcap"
expect_refusal "--speed without --gui" "--speed needs --gui" --speed 2 "$work/empty.pcap"
expect_refusal "--gui with --reminders print" "--reminders off and print belong to the replay without --gui" \
    --gui --reminders print "$work/empty.pcap"
if [ "$window_program" = with-window ]; then
    expect_refusal "--gui, unreadable link" "kestro-replay: $work/wifi.pcap: Kestro cannot read link type IEEE802_11" \
        --gui --speed 4 "$work/wifi.pcap"
    expect_refusal "--gui, missing settings file" "kestro-replay: $work/none.ini: No such file or directory" \
        --gui --settings "$work/none.ini" "$work/empty.pcap"
else
    echo "skip --gui refusals of kestro-replay-gui: built without the windows"
fi
mkdir "$work/alone"
cp "$replay_tool" "$work/alone/kestro-replay"
replay_tool=$work/alone/kestro-replay expect_refusal "--gui without the window program" \
    "cannot start $work/alone/kestro-replay-gui: No such file or directory" --gui "$work/empty.pcap"

echo "$((checks - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
