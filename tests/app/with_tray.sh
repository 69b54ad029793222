#!/bin/sh
# Runs a command on a private X display whose desktop has a system tray and a
# window manager that frames windows: Xvfb, openbox, and trayer, an XEmbed tray
# host, which owns the tray's selection once it is ready. The Qt face draws
# there (xcb), and KESTRO_TRAY_HOST tells a test that a tray must be seen:
# without one it fails rather than skips.
# Usage: with_tray.sh COMMAND [ARG...]
set -eu
work=$(mktemp -d)
xpid=
tpid=
wpid=
trap 'for p in $tpid $wpid $xpid; do kill "$p" 2>/dev/null || true; done
      for p in $tpid $wpid $xpid; do wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
fail() { echo "with_tray: $*" >&2; exit 1; }

# The server picks a free display itself: tests run side by side. Each part
# may take seconds to come up on a loaded machine.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xpid=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1)) && [ $tries -lt 400 ] || fail "Xvfb did not start"
    sleep 0.05
done
export DISPLAY=":$(cat "$work/display")"

# Ready when it runs its start command: it names itself the window manager
# earlier, while a window mapped meanwhile may stay unmapped for good.
openbox --sm-disable --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
wpid=$!
tries=0
until [ -e "$work/wm-ready" ]; do
    tries=$((tries + 1)) && [ $tries -lt 400 ] || { cat "$work/openbox.log" >&2; fail "openbox did not start"; }
    sleep 0.05
done

trayer --edge top --align right --widthtype request --height 24 --SetDockType false \
    >"$work/trayer.log" 2>&1 &
tpid=$!
# The tray is ready when its window is mapped (it takes the selection first).
tries=0
until xdotool search --onlyvisible --class trayer >/dev/null 2>&1; do
    tries=$((tries + 1)) && [ $tries -lt 400 ] || { cat "$work/trayer.log" >&2; fail "trayer did not start"; }
    sleep 0.05
done

# The tray host's process, for a test whose tray goes away.
export QT_QPA_PLATFORM=xcb KESTRO_TRAY_HOST=1 KESTRO_TRAY_HOST_PID=$tpid
"$@"
