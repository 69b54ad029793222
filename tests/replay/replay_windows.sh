#!/usr/bin/env bash
# kestro-replay.exe under Wine: the command line works as on Linux, and what
# it cannot do there ends with status 2 and the reason, never a crash. Wine's
# wpcap.dll has no capture-file functions, so no capture is replayed here;
# the replay itself is tested on Linux.
#   replay_windows.sh WINE_RUN KESTRO_REPLAY_EXE
set -uo pipefail
wine_run=$1
replay_exe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# An Ethernet capture with no frames, which Linux replays to nothing.
printf '\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x01\x00\x00\x00' \
    >empty.pcap

failed=0
checks=0
# expect NAME STATUS STREAM PATTERN [ENV=VALUE...] -- ARGS...: the exit status
# and a line of STREAM (out or err) matching PATTERN. A refusal (status 2)
# also writes nothing on standard output.
expect() {
    local name=$1 status=$2 stream=$3 pattern=$4
    shift 4
    local env=()
    while [ "$1" != -- ]; do
        env+=("$1")
        shift
    done
    shift
    checks=$((checks + 1))
    env "${env[@]}" "$wine_run" "$replay_exe" "$@" <empty.pcap >out 2>err
    local got=$?
    tr -d '\r' <out >out.txt
    tr -d '\r' <err >err.txt
    if [ "$got" -eq "$status" ] && grep -q -- "$pattern" "$stream.txt" &&
        { [ "$status" -ne 2 ] || [ ! -s out.txt ]; }; then
        echo "ok   $name: $(grep -m1 -- "$pattern" "$stream.txt")"
    else
        echo "FAIL $name: status $got (expected $status); stdout:"
        cat out.txt
        echo "stderr:"
        cat err.txt
        failed=$((failed + 1))
    fi
}

expect "--help" 0 out '^usage: kestro-replay .*\[--sounds off|print|play\] \[--reminders settings|off|print\] \[--history FILE \[--summary\]\] CAPTURE$' -- --help
expect "--version" 0 out '^kestro-replay [0-9]' -- --version
expect "bad --sounds" 2 err '^kestro-replay: --sounds takes off, print or play$' -- \
    --sounds loud empty.pcap
expect "--gui" 2 err '^kestro-replay: --gui and --speed belong to the replay in a window' -- \
    --gui empty.pcap
expect "missing file" 2 err '^kestro-replay: none.pcap: No such file or directory$' -- none.pcap
expect "capture file" 2 err \
    "^kestro-replay: empty.pcap: the installed wpcap.dll does not implement pcap_open_offline, so it cannot replay capture files (Npcap's wpcap.dll can)$" \
    -- empty.pcap
expect "standard input" 2 err \
    '^kestro-replay: -: the installed wpcap.dll does not implement pcap_open_offline' -- -
expect "no capture driver" 2 err \
    '^kestro-replay: The capture driver is missing: wpcap.dll could not be loaded. Install Npcap' \
    WINEDLLOVERRIDES=mscoree,mshtml,wpcap= -- empty.pcap

echo "$((checks - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
