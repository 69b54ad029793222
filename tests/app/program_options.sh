#!/usr/bin/env bash
# The command lines of the programs: --help and --version answer on standard
# output with status 0, "--name=value" means "--name value", and anything
# unknown is refused on standard error with status 2 and nothing else done.
#   program_options.sh KESTRO KESTRO_REPLAY KESTRO_REPLAY_GUI DEMO_PCAP
set -uo pipefail
kestro=$1 replay=$2 replay_gui=$3 demo=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
failed=0

# program | arguments | status | pattern in stdout (0) or stderr (2)
while IFS='|' read -r program args status pattern; do
    [ -n "$program" ] || continue
    # shellcheck disable=SC2086
    timeout 20 "${!program}" $args > "$work/out" 2> "$work/err"
    got=$?
    where=$work/out
    [ "$status" -eq 0 ] || where=$work/err
    if [ "$got" -eq "$status" ] && grep -q -- "$pattern" "$where" \
        && { [ "$status" -eq 0 ] || [ ! -s "$work/out" ]; }; then
        echo "ok   $program $args"
    else
        echo "FAIL $program $args: status $got; stdout: $(cat "$work/out"); stderr: $(cat "$work/err")"
        failed=$((failed + 1))
    fi
done <<'TABLE'
kestro|--help|0|usage: kestro \[-h | --help | --version\]
kestro|-h|0|usage: kestro \[-h | --help | --version\]
kestro|--version|0|^kestro [0-9]*\.[0-9]*\.[0-9]*$
kestro|--settings x.ini|2|kestro: unknown option '--settings'
kestro|--version=1|2|kestro: unknown option '--version=1'
kestro|-platform offscreen|2|usage: kestro
kestro|--help --version|2|unknown option '--version'
replay|--version|0|^kestro-replay [0-9]*\.[0-9]*\.[0-9]*$
replay|--help|0|usage: kestro-replay
replay|-h|0|usage: kestro-replay
replay|--frobnicate x.pcap|2|kestro-replay: unknown option --frobnicate
replay|--panel=yes x.pcap|2|kestro-replay: --panel takes no value
replay|--sounds=loud x.pcap|2|kestro-replay: --sounds takes off, print or play
replay_gui|--version|0|^kestro-replay-gui [0-9]*\.[0-9]*\.[0-9]*$
replay_gui|-h|0|usage: kestro-replay-gui
TABLE

# No display to open the window on: said in those words, status 2, instead of
# the toolkit's abort (134) with its advice to reinstall.
for display in unset :97; do
    if [ "$display" = unset ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kestro" > "$work/out" 2> "$work/err"
    else
        env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$kestro" > "$work/out" 2> "$work/err"
    fi
    got=$?
    if [ "$got" -eq 2 ] && grep -q '^kestro: no display found' "$work/err" \
        && ! grep -q Reinstalling "$work/err" && [ ! -s "$work/out" ]; then
        echo "ok   kestro with DISPLAY $display: $(cat "$work/err")"
    else
        echo "FAIL kestro with DISPLAY $display: status $got; stderr: $(cat "$work/err")"
        failed=$((failed + 1))
    fi
done

# Both spellings of an option with a value replay the demo alike.
"$replay" --tail 30 --panel "$demo" > "$work/spaced" 2>&1
"$replay" --tail=30 --panel "$demo" > "$work/joined" 2>&1
if [ -s "$work/spaced" ] && cmp -s "$work/spaced" "$work/joined"; then
    echo "ok   --tail=30 is --tail 30"
else
    echo "FAIL --tail=30 differs from --tail 30"; failed=$((failed + 1))
fi
exit $((failed > 0))
