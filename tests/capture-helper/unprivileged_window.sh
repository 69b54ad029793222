#!/usr/bin/env bash
# The window's code run by a user without any privilege: after
# scripts/setup-capture, it captures game traffic on lo through kestro-capture
# and its panel follows it. While the helper captures, it holds no capability
# and no environment, whatever the caller's environment named. No program but
# the helper carries a file capability.
#   unprivileged_window.sh SETUP_SCRIPT HELPER LIVE_WINDOW_TEST KESTRO
set -uo pipefail
helper_pid=
setup=$1 helper=$2 window_test=$3 kestro=$4

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: needs root to create a user and grant the helper its capability"
    exit 77
fi
user=kestro-t$$
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    [ -n "$helper_pid" ] && kill "$helper_pid" 2>/dev/null
    wait
    userdel "$user" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" || exit 1
failed=0
check() {
    if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; failed=$((failed + 1)); fi
}

# A copy in a folder of root's, wherever the build tree is: set up in place.
mkdir -m 0755 "$work/bin" && cp "$helper" "$work/bin/kestro-capture" || exit 1
helper=$work/bin/kestro-capture
"$setup" --helper "$helper" "$user" || exit 1
check "the helper carries cap_net_raw alone" '[ "$(getcap "$helper" | cut -d" " -f2)" = cap_net_raw=ep ]'
check "the helper is 0750 root:kestro" '[ "$(stat -c %a:%U:%G "$helper")" = 750:root:kestro ]'
check "kestro carries no capability" '[ -z "$(getcap "$kestro")" ]'
check "the user is not root and holds no capability" \
    '[ "$(runuser -u "$user" -- sh -c "id -u; grep CapEff /proc/self/status" | tr -d "\t\n")" != 0 ] &&
     runuser -u "$user" -- grep -q "CapEff:.0000000000000000" /proc/self/status'

# The live window as that user: it must capture, not skip.
runuser -u "$user" -- env HOME="$work" QT_QPA_PLATFORM=offscreen KESTRO_TEST_CAPTURE_HELPER="$helper" "$window_test" \
    --gtest_filter='LiveWindowTest.CapturedGameTrafficMovesBothRacesOnThePanel' > "$work/window.log" 2>&1
status=$?
check "the unprivileged window counted the game's packets through the helper" \
    '[ $status -eq 0 ] && grep -q "capturing on lo through kestro-capture" "$work/window.log" &&
     grep -q "^\[  PASSED  \] 1 test" "$work/window.log" && ! grep -q "SKIPPED" "$work/window.log"'
[ $failed -eq 0 ] || cat "$work/window.log"

# A plugin path and a preload in the caller's environment reach nothing: the
# running helper has an empty environment and no capability left.
mkdir "$work/plugins" "$work/run"
chown "$user" "$work/run"
runuser -u "$user" -- sh -c 'echo $$ > "$1/run/pid"; exec env QT_PLUGIN_PATH="$1/plugins" LD_PRELOAD="$1/plugins/none.so" "$2" --adapter lo' \
    sh "$work" "$helper" > /dev/null 2> "$work/helper.err" &
for _ in $(seq 100); do
    [ -s "$work/run/pid" ] && helper_pid=$(cat "$work/run/pid") && grep -q "CapEff:.0000000000000000" "/proc/$helper_pid/status" 2>/dev/null && break
    sleep 0.05
done
check "the capturing helper runs as the user" '[ "$(stat -c %U "/proc/$helper_pid")" = "$user" ]'
check "the capturing helper holds no capability" \
    'grep -q "CapPrm:.0000000000000000" "/proc/$helper_pid/status" && grep -q "CapEff:.0000000000000000" "/proc/$helper_pid/status"'
# /proc/PID/environ always reports size 0: its bytes are what counts.
check "no byte of the caller's environment is left in the capturing helper" \
    '[ -s "$work/run/pid" ] && [ -z "$(tr -d "\0" < "/proc/$helper_pid/environ")" ]'
check "the capturing helper runs with no_new_privs" 'grep -q "^NoNewPrivs:.1$" "/proc/$helper_pid/status"'
check "the helper links no Qt" '! readelf -d "$helper" | grep -qi "qt"'
kill "$helper_pid"
wait
helper_pid=
check "the helper ended quietly on SIGTERM" '[ ! -s "$work/helper.err" ]'
exit $((failed > 0))
