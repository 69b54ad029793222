#!/usr/bin/env bash
# Replays each scenario of golden/TESTLIST with kestro-replay and compares the
# output line by line with the expected file, which was worked out by hand from
# the race rules. Each scenario is also written behind every other link header
# the capture component reads, and must give exactly the same output. A row
# named BASE+VARIATION... writes its capture with kestro-scenario's variations
# (twice, resentMS, mergedMS, overlap, wrap, nat, clientsN, worldMS) and must
# give BASE.expected, its clean twin's output; with other clients or another
# world the packet counter counts their payloads too and is left aside.
# The option word history keeps the results in a fresh history file (--history)
# and puts the file after the output, so that its rows are compared too.
# With
# --update the expected files are rewritten from what the Ethernet replay gives
# instead (scripts/update-golden); a person reads the diff.
#   run_golden.sh [--update] SCENARIO_TOOL REPLAY_TOOL [NAME]
set -euo pipefail
update=0
if [ "${1:-}" = --update ]; then
    update=1
    shift
fi
scenario_tool=$1
replay_tool=$2
only=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Fixed wall clock and locale: the scenarios are written in local time, UTC
# unless an option TZ=ZONE names a zone (for both the writer and the replay).
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8

links="ethernet linux_sll linux_sll2 raw ipv4 null loop"

failed=0
ran=0
while read -r name scenario settings tail options; do
    case "$name" in ''|'#'*) continue ;; esac
    if [ -n "$only" ] && [ "$name" != "$only" ]; then continue; fi
    expected=$here/golden/${name%%+*}.expected
    generator_args=()
    count_aside=0
    unknown=
    IFS=+ read -r -a variations <<< "${name#"${name%%+*}"}"
    for variation in "${variations[@]}"; do
        case "$variation" in
            '') ;;
            twice|overlap|wrap|nat) generator_args+=("--$variation") ;;
            resent[0-9]*) generator_args+=(--resend "${variation#resent}") ;;
            merged[0-9]*) generator_args+=(--merged "${variation#merged}") ;;
            clients[0-9]) generator_args+=(--clients "${variation#clients}"); count_aside=1 ;;
            world[0-9]*) generator_args+=(--other-world "${variation#world}"); count_aside=1 ;;
            *) unknown=$variation ;;
        esac
    done
    if [ -n "$unknown" ]; then
        echo "FAIL $name: unknown twin $unknown"
        failed=$((failed + 1))
        continue
    fi
    settings_args=()
    if [ "$settings" != "-" ]; then settings_args=(--settings "$here/golden/$settings"); fi
    zone=UTC
    replay_options=()
    history=0
    for word in $options; do
        case "$word" in
            TZ=*) zone=${word#TZ=} ;;
            history) history=1 ;;
            *) replay_options+=("$word") ;;
        esac
    done
    # Without its zone file a zone silently reads as UTC, and the test would
    # prove nothing.
    if [ "$zone" != UTC ] && [ ! -e "/usr/share/zoneinfo/$zone" ]; then
        echo "FAIL $name: time zone $zone is not installed (tzdata)"
        failed=$((failed + 1))
        ran=$((ran + 1))
        continue
    fi
    for link in $links; do
        ran=$((ran + 1))
        run="$name.$link"
        TZ=$zone "$scenario_tool" --link "$link" "${generator_args[@]}" "$here/golden/$scenario" \
            "$work/$run.pcap"
        history_args=()
        if [ "$history" -eq 1 ]; then history_args=(--history "$work/$run.csv"); fi
        TZ=$zone "$replay_tool" "${settings_args[@]}" --tail "$tail" "${replay_options[@]}" \
            "${history_args[@]}" "$work/$run.pcap" > "$work/$run.out"
        if [ "$history" -eq 1 ]; then
            { echo "--- history"; if [ -e "$work/$run.csv" ]; then cat "$work/$run.csv"; fi; } \
                >> "$work/$run.out"
        fi
        if [ "$update" -eq 1 ]; then
            if [ "$name" != "${name%%+*}" ]; then
                break  # a twin is never its own reference
            elif cmp -s "$expected" "$work/$run.out"; then
                echo "same $name"
            else
                cp "$work/$run.out" "$expected"
                echo "new  $name"
            fi
            break  # the other links are checked against it on the next run
        elif [ "$count_aside" -eq 1 ] &&
            diff -u <(grep -v '^PacketCount=' "$expected") <(grep -v '^PacketCount=' "$work/$run.out"); then
            echo "ok   $name ($link)"
        elif [ "$count_aside" -eq 0 ] && diff -u "$expected" "$work/$run.out"; then
            echo "ok   $name ($link)"
        else
            echo "FAIL $name ($link)"
            failed=$((failed + 1))
        fi
    done
done < "$here/golden/TESTLIST"

if [ "$ran" -eq 0 ]; then
    echo "no golden test matched" >&2
    exit 1
fi
if [ "$update" -eq 1 ]; then
    echo "review the changes with: git diff -- tests/replay/golden"
    exit 0
fi
echo "$((ran - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
