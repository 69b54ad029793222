#!/usr/bin/env bash
# What kestro-capture promises, seen from outside while it runs: none of the
# caller's environment left in it, no_new_privs and no capability, nothing but
# the game's port in its output, and its end when its reader goes away. Runs
# in a network namespace of its own, whose loopback carries only the test's
# connection attempts.
#   helper_promises.sh HELPER
set -uo pipefail
helper=$1

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: needs root for a network namespace and to capture"
    exit 77
fi
if [ -z "${KESTRO_OWN_NETWORK:-}" ]; then
    exec env KESTRO_OWN_NETWORK=1 unshare --net -- "$0" "$@"
fi
ip link set lo up || { echo "skipped: cannot bring up lo in a namespace of its own"; exit 77; }
work=$(mktemp -d)
helper_pid=
cleanup() {
    [ -n "$helper_pid" ] && kill "$helper_pid" 2>/dev/null
    wait
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
check() {
    if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; failed=$((failed + 1)); fi
}
# Waits at most 5 s for a condition.
await() {
    for _ in $(seq 100); do eval "$1" && return 0; sleep 0.05; done
    return 1
}
size() { stat -c %s "$work/out"; }
# A connection attempt: with no listener, a SYN and a reset cross lo.
knock() { (exec 3<> "/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

env KESTRO_MARK=visible QT_PLUGIN_PATH="$work" "$helper" --adapter lo > "$work/out" 2> "$work/err" &
helper_pid=$!
# The stream's header is written once the adapter is open and the filter set.
await '[ "$(size)" -ge 24 ]' || { echo "FAIL the helper did not start: $(cat "$work/err")"; exit 1; }
status=/proc/$helper_pid/status
check "no byte of the caller's environment is left in the running helper" \
    '[ -z "$(tr -d "\0" < "/proc/$helper_pid/environ")" ]'
check "no_new_privs is set" 'grep -q "^NoNewPrivs:.1$" "$status"'
check "no capability is left" \
    'grep -q "^CapPrm:.0000000000000000$" "$status" && grep -q "^CapEff:.0000000000000000$" "$status"'

knock 5122
knock 80
sleep 0.5
check "traffic on other ports does not come out" '[ "$(size)" -eq 24 ]'
knock 5121
check "traffic on the game's port does" 'await "[ \$(size) -gt 24 ]"'
kill "$helper_pid"
wait "$helper_pid"
check "it ends with status 0 on SIGTERM" '[ $? -eq 0 ]'
helper_pid=

# Nothing crosses lo now: only the closed pipe can end it.
timeout 10 bash -c 'set -o pipefail; "$1" --adapter lo | head -c 24 > /dev/null' bash "$helper"
status=$?
check "it ends with status 0 when its reader goes away (status $status)" '[ $status -eq 0 ]'
exit $((failed > 0))
