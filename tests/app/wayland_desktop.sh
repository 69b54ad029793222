#!/bin/sh
# A real kestro on a Wayland desktop: a headless weston of the test's own, one
# row per desktop kind. Each session is ended by SIGTERM and must leave the
# stored place (500,300) in the file.
#   wayland       only Wayland there: a Wayland client, whose compositor reads
#                 back a made-up place, so the stored one stays as it was
#   xwayland      an X server beside it: X11 first, and the window opens where
#                 it was put
#   xwayland-own  the same desktop with QT_QPA_PLATFORM=wayland: the player's
#                 choice stands
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
until_true() {  # what command...: retries for up to 10 s
    what=$1 && shift
    tries=0
    until "$@"; do
        tries=$((tries + 1)) && [ $tries -lt 200 ] || fail "$what"
        sleep 0.05
    done
}
has_line() { grep -q "$1" "$2" 2>/dev/null; }

# The desktop's compositor; with --xwayland it starts an X server on the first
# X client, on the display it names in its log.
start_weston() {  # [--xwayland]
    rm -rf "$work/runtime" && mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
    weston --backend=headless-backend.so --socket=kestro-wayland --idle-time=0 \
        --log="$work/weston.log" "$@" >/dev/null 2>&1 &
    wpid=$!
    until_true "weston did not start" test -S "$work/runtime/kestro-wayland"
    if [ $# -gt 0 ]; then
        until_true "weston started no X server" has_line 'xserver listening on display' "$work/weston.log"
        display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log")
    fi
}
stop_weston() {
    kill "$wpid"
    wait "$wpid" || true
    wpid=
}

platform_loaded() { grep -q "platforms/libq$1" "/proc/$pid/maps"; }

# Bit of SIGTERM in /proc/PID/status SigCgt: caught once the handlers are in.
term_caught() {
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null || true)" = "$work/portable/kestro" ] || return 1
    caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$caught" ] && [ $((0x$caught & 16384)) -ne 0 ]
}

at_place() {
    id=$(DISPLAY=$display xdotool search --onlyvisible --name '^Kestro ' | head -n 1)
    [ -n "$id" ] && DISPLAY=$display xwininfo -id "$id" |
        sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ',' | sed 's/,$//'
}
placed_near() {  # x y
    at=$(at_place) || { at=nowhere && return 1; }
    x=${at%,*} y=${at#*,}
    [ "$x" -ge "$1" ] && [ "$x" -lt $(($1 + 40)) ] && [ "$y" -ge "$2" ] && [ "$y" -lt $(($2 + 40)) ]
}

session() {  # row platform-expected env-assignment...
    row=$1 expected=$2
    shift 2
    mkdir -p "$work/portable"
    cp "$kestro" "$work/portable/kestro"
    printf '[Function]\nOpenCount=5\n[Snoop]\nAdapterName=lo\n[TfrmZKmain]\nPlaceNormalPos.Left=500\nPlaceNormalPos.Top=300\n' \
        >"$work/portable/kestro.ini"
    # WAYLAND_DEBUG: the client's protocol on stderr, so that its window's
    # creation can be seen where no other tool can see it.
    env -u DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=kestro-wayland \
        WAYLAND_DEBUG=client HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$@" \
        "$work/portable/kestro" >"$work/out" 2>&1 &
    pid=$!
    until_true "$row: kestro never caught SIGTERM" term_caught
    platform_loaded "$expected" || fail "$row: not on $expected: $(grep -o 'platforms/[^ ]*' "/proc/$pid/maps" | sort -u)"
    if [ "$expected" = xcb ]; then
        # Weston frames an X window itself, and places it after it is shown:
        # its border and title bar lie between the place asked and the
        # window's own corner.
        tries=0
        until placed_near 500 300; do
            tries=$((tries + 1)) && [ $tries -lt 200 ] || fail "$row: the window opened at $at, not at 500,300"
            sleep 0.05
        done
    else
        platform_loaded xcb && fail "$row: on X11 as well"
        until_true "$row: no window made" has_line 'xdg_toplevel@[0-9]*\.set_title("Kestro ' "$work/out"
    fi
    kill -s TERM "$pid"
    status=0
    wait "$pid" || status=$?
    pid=
    [ $status -eq 0 ] || { tail -n 20 "$work/out" >&2; fail "$row: exit status $status"; }
    # OpenCount counted: the session ran to its save.
    for line in OpenCount=6 PlaceNormalPos.Left=500 PlaceNormalPos.Top=300; do
        grep -q "^$line\$" "$work/portable/kestro.ini" || { cat "$work/portable/kestro.ini" >&2; fail "$row: no $line"; }
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
