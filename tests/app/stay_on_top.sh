#!/bin/sh
# The real window under a window manager on an X server: a kestro whose file
# asks for it comes up above the other windows (_NET_WM_STATE_ABOVE, as the
# window manager keeps it) and at 60 % opacity; "常に手前に表示" chosen in its
# popup menu takes the flag away and gives it back, the window staying shown
# where it was, and the file knows each time at once. Started again with the
# flag on, it comes up where it was saved: the place kept is the same.
# Usage: stay_on_top.sh KESTRO
set -eu
kestro=$1
work=$(mktemp -d)
pids=
# A kestro asked to end still writes its settings into the folder: wait for
# every process before the folder goes.
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done
      for p in $pids; do wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb openbox xprop xdotool; do
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

Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3>"$work/display" 2>/dev/null &
pids="$pids $!"
until_true "Xvfb did not start" test -s "$work/display"
DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
export DISPLAY QT_QPA_PLATFORM
# Ready when it runs its start command: it names itself the window manager
# earlier, while a window mapped meanwhile may stay unmapped for good.
openbox --sm-disable --startup "touch $work/wm-ready" >/dev/null 2>&1 &
pids="$pids $!"
until_true "openbox did not start" test -e "$work/wm-ready"

mkdir -p "$work/portable"
cp "$kestro" "$work/portable/kestro"
printf '[Snoop]\nAdapterName=lo\n[Window]\nStayOnTop=1\nOpacity=60\n' >"$work/portable/kestro.ini"
window() { xdotool search --onlyvisible --name '^Kestro ' | head -n 1; }
above() { xprop -id "$(window)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
not_above() { ! above; }
saved() { grep -q "^$1\$" "$work/portable/kestro.ini"; }
start() {
    env HOME="$work/home" XDG_CONFIG_HOME="$work/config" "$work/portable/kestro" >"$work/out" 2>&1 &
    pid=$!
    pids="$pids $pid"
    until_true "kestro never showed its window" sh -c "xdotool search --onlyvisible --name '^Kestro ' >/dev/null"
    until_true "not above the others at the start" above
}
start
id=$(window)
# 0.6 of the full 32-bit range.
xprop -id "$id" _NET_WM_WINDOW_OPACITY | grep -q '= 2576980377$' ||
    fail "not at 60 %: $(xprop -id "$id" _NET_WM_WINDOW_OPACITY)"
place=$(xdotool getwindowgeometry "$id" | grep Position)

# The menu as a user opens it: a right click on the panel (once more if the
# first was lost while the window manager still placed the window); from the
# menu's end, Exit, the strip's three switches and the opacity's submenu lie below "常に手前に表示".
popups() { xdotool search --onlyvisible --pid "$pid" | wc -l; }
choose_stay_on_top() {
    for _ in 1 2 3 4 5; do
        xdotool mousemove --window "$(window)" 200 40 click 3
        for _ in $(seq 40); do
            if [ "$(popups)" -eq 2 ]; then
                xdotool key Up Up Up Up Up Up Return
                return 0
            fi
            sleep 0.05
        done
    done
    fail "no popup menu on a right click"
}
choose_stay_on_top
until_true "still above after the click" not_above
until_true "the switch was not saved at once" saved StayOnTop=0
until_true "hidden after the flag changed" sh -c "xdotool search --onlyvisible --name '^Kestro ' >/dev/null"
[ "$(xdotool getwindowgeometry "$(window)" | grep Position)" = "$place" ] ||
    fail "moved from $place to $(xdotool getwindowgeometry "$(window)" | grep Position)"
choose_stay_on_top
until_true "not above after the second click" above
until_true "the switch was not saved at once" saved StayOnTop=1
saved Opacity=60 || fail "the opacity was not kept"

# The window's flag is set again at each start, after the saved place.
place_saved() { grep '^PlaceNormalPos\.' "$work/portable/kestro.ini" || fail "no place saved"; }
kill "$pid" && wait "$pid"
first=$(place_saved)
start
kill "$pid" && wait "$pid"
[ "$(place_saved)" = "$first" ] || fail "the next start moved it:" $first "became" $(place_saved)
echo "ok: above at the start and at 60 %, off and on again from the menu, in place and saved, and in place at the next start"
