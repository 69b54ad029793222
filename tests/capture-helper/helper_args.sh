#!/usr/bin/env bash
# kestro-capture refuses what it cannot do with one line on standard error,
# exit status 2 and nothing on standard output; --list, --help and --version answer.
set -uo pipefail
helper=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

run() { "$helper" "$@" > "$work/out" 2> "$work/err"; }

# what | expected stderr pattern | arguments
while IFS='|' read -r what pattern args; do
    [ -n "$what" ] || continue
    # shellcheck disable=SC2086
    run $args
    status=$?
    if [ "$status" -eq 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l < "$work/err")" -eq 1 ] \
        && grep -q -- "$pattern" "$work/err"; then
        echo "ok   $what: $(cat "$work/err")"
    else
        echo "FAIL $what: status $status, stdout $(wc -c < "$work/out") bytes, stderr: $(cat "$work/err")"
        failed=$((failed + 1))
    fi
done <<'TABLE'
no option|give either --list or --adapter|
unknown option|unknown or repeated option '--filter'|--filter tcp
a file to write|unknown or repeated option '-w'|--adapter lo -w /tmp/x
both modes|give either --list or --adapter|--list --adapter lo
adapter twice|unknown or repeated option '--adapter'|--adapter lo --adapter eth0
adapter without name|--adapter needs a name|--adapter
empty adapter name|--adapter needs a name|--adapter=
unknown adapter|no such adapter: kestro-no-such-adapter|--adapter kestro-no-such-adapter
unknown adapter, joined form|no such adapter: nope|--adapter=nope
TABLE

# Answers: the usage, the version, and a list in which "lo" is a tab-separated line.
for help in --help -h; do
    if run "$help" && grep -q -- '--adapter NAME' "$work/out" && [ ! -s "$work/err" ]; then
        echo "ok   $help"
    else
        echo "FAIL $help"; failed=$((failed + 1))
    fi
done
if run --version && grep -qE '^kestro-capture [0-9]+\.[0-9]+\.[0-9]+$' "$work/out"; then
    echo "ok   --version: $(cat "$work/out")"
else
    echo "FAIL --version: $(cat "$work/out" "$work/err")"; failed=$((failed + 1))
fi
if run --list && awk -F'\t' '$1 == "lo" && NF == 4 && $3 ~ /loopback/ { found = 1 } END { exit !found }' "$work/out"; then
    echo "ok   --list: $(grep -P '^lo\t' "$work/out")"
else
    echo "FAIL --list: $(cat "$work/out" "$work/err")"; failed=$((failed + 1))
fi
exit $((failed > 0))
