#!/usr/bin/env bash
# Replays each scenario of golden/TESTLIST with kestro-replay and compares the
# output line by line with the expected file, which was worked out by hand from
# the race rules. With --update the expected files are rewritten from what the
# replay gives instead (scripts/update-golden); a person reads the diff.
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

# Fixed wall clock and locale: the scenarios are written in local time.
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8

failed=0
ran=0
while read -r name scenario settings tail options; do
    case "$name" in ''|'#'*) continue ;; esac
    if [ -n "$only" ] && [ "$name" != "$only" ]; then continue; fi
    ran=$((ran + 1))
    "$scenario_tool" "$here/golden/$scenario" "$work/$name.pcap"
    settings_args=()
    if [ "$settings" != "-" ]; then settings_args=(--settings "$here/golden/$settings"); fi
    # shellcheck disable=SC2086
    "$replay_tool" "${settings_args[@]}" --tail "$tail" $options "$work/$name.pcap" > "$work/$name.out"
    if [ "$update" -eq 1 ]; then
        if cmp -s "$here/golden/$name.expected" "$work/$name.out"; then
            echo "same $name"
        else
            cp "$work/$name.out" "$here/golden/$name.expected"
            echo "new  $name"
        fi
    elif diff -u "$here/golden/$name.expected" "$work/$name.out"; then
        echo "ok   $name"
    else
        echo "FAIL $name"
        failed=$((failed + 1))
    fi
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
