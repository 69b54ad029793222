#!/bin/sh
# A real kestro on a Wayland desktop: a headless weston of the test's own, a row
# per desktop kind. Each session, ended by SIGTERM, leaves the stored place
# (500,300) in the file.
#   wayland       Wayland alone: a Wayland client, whose compositor reads back
#                 a made-up place, so the stored one stays as it was
#   xwayland      an X server beside it: X11 first, the window opens where it was
#   xwayland-own  the same with QT_QPA_PLATFORM=wayland: the player's choice stands
# Usage: wayland_desktop.sh KESTRO
set -eu
kestro=$1
work=$(mktemp -d)
pid=
wpid=
# What the compositor started (its shell, the X server) ends with it.
trap 'for p in $pid $wpid; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
    rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in weston Xwayland xdotool xwininfo; do
    command -v $tool >/dev/null || fail "$tool missing (scripts/install-deps installs it)"
done
until_true() {  # what command...: retries for up to 30 s (a loaded sanitizer build); `what` is expanded at the failure
    what=$1 && shift
    tries=0
    until "$@"; do
        tries=$((tries + 1)) && [ $tries -lt 600 ] || eval "fail \"$what\""
        sleep 0.05
    done
}

# With --xwayland weston starts an X server at the first X client, on the
# display its log names.
start_weston() {  # [--xwayland]
    rm -rf "$work/runtime" && mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
    weston --backend=headless-backend.so --socket=kestro-wayland --idle-time=0 \
        --log="$work/weston.log" "$@" >/dev/null 2>&1 &
    wpid=$!
    until_true "weston did not start" test -S "$work/runtime/kestro-wayland"
    [ $# -eq 0 ] && return
    until_true "weston started no X server" grep -q 'xserver listening' "$work/weston.log"
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log")
}
stop_weston() {
    kill "$wpid" && wait "$wpid" || true
    wpid=
}

# Weston frames an X window itself and places it after the show: its border
# and title bar lie between the place asked and the window's own corner.
placed_near_500_300() {
    id=$(DISPLAY=$display xdotool search --onlyvisible --name '^Kestro ' | head -n 1)
    at=$([ -n "$id" ] && DISPLAY=$display xwininfo -id "$id" |
        sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ' ') || at="nowhere"
    set -- $at 0 0
    { [ "$1" -ge 500 ] && [ "$1" -lt 540 ] && [ "$2" -ge 300 ] && [ "$2" -lt 340 ]; } 2>/dev/null
}
made_on_wayland() { grep -q 'xdg_toplevel@[0-9]*\.set_title("Kestro ' "$work/out"; }
platform_loaded() { grep -q "platforms/libq$1" "/proc/$pid/maps"; }

session() {  # row platform env-assignment...
    row=$1 platform=$2
    shift 2
    mkdir -p "$work/portable"
    cp "$kestro" "$work/portable/kestro"
    printf '[Function]\nOpenCount=5\n[Snoop]\nAdapterName=lo\n[TfrmZKmain]\n%s\n%s\n' \
        PlaceNormalPos.Left=500 PlaceNormalPos.Top=300 >"$work/portable/kestro.ini"
    # WAYLAND_DEBUG: the client's protocol on stderr, the one place its window is seen.
    # The Wayland client library and Qt's Wayland plugin keep a few allocations to the
    # process's end, which a sanitizer build reports as leaks; Kestro's own memory is
    # checked by the tests that run it on X11 and offscreen.
    env -u DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=kestro-wayland \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        WAYLAND_DEBUG=client HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$@" \
        "$work/portable/kestro" >"$work/out" 2>&1 &
    pid=$!
    # Shown: the window read its place, and the signal handlers are in.
    if [ "$platform" = xcb ]; then
        until_true "$row: the window opened at \$at, not at 500,300" placed_near_500_300
        platform_loaded wayland && fail "$row: on Wayland as well"
    else
        until_true "$row: no window made" made_on_wayland
        platform_loaded xcb && fail "$row: on X11 as well"
    fi
    platform_loaded "$platform" || fail "$row: not on $platform"
    kill -s TERM "$pid"
    status=0
    wait "$pid" || status=$?
    pid=
    [ $status -eq 0 ] || { tail -n 20 "$work/out" >&2; fail "$row: exit status $status"; }
    # OpenCount counted: the session ran to its save.
    for line in OpenCount=6 PlaceNormalPos.Left=500 PlaceNormalPos.Top=300; do
        grep -q "^$line\$" "$work/portable/kestro.ini" || fail "$row: no $line"
    done
}

start_weston
session wayland wayland
stop_weston
start_weston --xwayland
session xwayland xcb DISPLAY="$display"
session xwayland-own wayland DISPLAY="$display" QT_QPA_PLATFORM=wayland
stop_weston
echo "ok: the place kept on Wayland alone, X11 first beside XWayland, the player's platform honoured"
