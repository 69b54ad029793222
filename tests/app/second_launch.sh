#!/bin/sh
# A second kestro in the same session, started while the first sits in the
# tray: it brings the first window back on the screen and ends, and one kestro
# runs. Back in the tray, when the tray goes away the window comes back by
# itself. A kestro with settings of its own is another Kestro and starts.
# Usage: with_tray.sh second_launch.sh KESTRO
set -eu
work=$(mktemp -d)
pid=
other=
trap 'for p in $other $pid; do kill "$p" 2>/dev/null || true; done
      for p in $other $pid; do wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$work/run" "$HOME" "$work/one" "$work/two"
chmod 700 "$work/run"
# Two portable copies, each with its settings beside it.
for copy in one two; do
    cp "$1" "$work/$copy/kestro"
    : >"$work/$copy/kestro.ini"
done
kestro=$work/one/kestro

shown() { xdotool search --onlyvisible --name '^Kestro \(#' 2>/dev/null | wc -l; }
wait_shown() {  # count what
    tries=0
    until [ "$(shown)" -eq "$1" ]; do
        tries=$((tries + 1)) && [ $tries -lt 200 ] || fail "$2: $(shown) windows shown, not $1"
        sleep 0.05
    done
}
running() {
    n=0
    for exe in /proc/[0-9]*/exe; do
        [ "$(readlink "$exe" 2>/dev/null || true)" = "$kestro" ] && n=$((n + 1))
    done
    echo $n
}

"$kestro" >"$work/first.out" 2>&1 &
pid=$!
wait_shown 1 "the first start"
# Into the tray, as a click on its icon puts it there: the icon fills the
# tray's panel, the one of trayer's windows that is on the screen.
into_tray() {
    for tray in $(xdotool search --class trayer); do
        eval "$(xdotool getwindowgeometry --shell "$tray")"
        [ "$X" -ge 0 ] && [ "$WIDTH" -ge 16 ] && break
    done
    tries=0
    until [ "$(shown)" -eq 0 ]; do
        tries=$((tries + 1)) && [ $tries -lt 20 ] || fail "the window did not go into the tray"
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
        sleep 0.5
    done
}
into_tray

status=0
timeout 30 "$kestro" >"$work/second.out" 2>&1 || status=$?
[ $status -eq 0 ] || { cat "$work/second.out" >&2; fail "the second start ended with $status"; }
wait_shown 1 "the second start"
kill -0 "$pid" || fail "the first kestro is gone"
[ "$(running)" -eq 1 ] || fail "$(running) kestro processes run"

into_tray
kill "$KESTRO_TRAY_HOST_PID"
wait_shown 1 "the tray went away"

"$work/two/kestro" >"$work/other.out" 2>&1 &
other=$!
wait_shown 2 "a start with settings of its own"
kill -TERM "$other" "$pid"
wait "$other" "$pid" || { cat "$work/first.out" "$work/other.out" >&2; fail "an end by signal failed"; }
other=
pid=
echo ok
