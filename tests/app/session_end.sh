#!/bin/sh
# A real kestro, installed or portable, asked to end by SIGINT, SIGTERM or
# SIGHUP: it closes its window through the normal close and leaves a complete
# settings file where the location rule puts it, nothing anywhere else. And one
# whose X server goes away, which the toolkit answers with exit(1), keeps the
# same file. One whose settings file refuses the write still ends at the first
# signal: the refusal goes to the log, no box waits.
# Usage: session_end.sh KESTRO
set -eu
kestro=$1
work=$(mktemp -d)
pid=
xpid=
trap 'for p in $pid $xpid; do kill -9 "$p" 2>/dev/null || true; done
      for p in $pid $xpid; do wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }

# What a user confirmed earlier; each run must keep it and count one more start.
changes='[Function]
OpenCount=5
[Sound]
SoundEnabled=1
ResultWinEnabled=1
ResultWinSound=/home/u/win.wav
[Snoop]
AdapterName=lo'

# Bit of each signal in /proc/PID/status SigCgt: caught once the handlers are in.
signal_bit() { case $1 in HUP) echo 1 ;; INT) echo 2 ;; TERM) echo 16384 ;; esac; }

run_until_signal() {  # exe signal-caught-first signal-to-send [expected-status]
    env XDG_CONFIG_HOME="$work/config" HOME="$work/home" "$1" >"$work/out" 2>&1 &
    pid=$!
    bit=$(signal_bit "$2")
    tries=0
    while :; do
        # The forked shell runs before kestro does, and may catch the same signals.
        if [ "$(readlink "/proc/$pid/exe" 2>/dev/null || true)" = "$1" ]; then
            caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null || true)
            [ -n "$caught" ] && [ $(( 0x$caught & bit )) -ne 0 ] && break
        fi
        tries=$((tries + 1))
        [ $tries -lt 200 ] || fail "kestro never caught SIG$2"
        sleep 0.05
    done
    if [ "$3" = X ]; then
        # Settings are read at the show: before it there is nothing to keep.
        tries=0
        until xdotool search --onlyvisible --name Kestro >/dev/null 2>&1; do
            tries=$((tries + 1)) && [ $tries -lt 200 ] || fail "kestro never showed its window"
            sleep 0.05
        done
        kill "$xpid"
    else
        kill -s "$3" "$pid"
    fi
    status=0
    wait "$pid" || status=$?
    pid=
    [ $status -eq "${4:-0}" ] || { cat "$work/out" >&2; fail "$3: exit status $status"; }
}

check_file() {  # file what
    [ -f "$1" ] || fail "$2: no $1"
    for line in OpenCount=6 SoundEnabled=1 ResultWinEnabled=1 ResultWinSound=/home/u/win.wav \
        AdapterName=lo '\[TfrmZKmain\]' 'PlaceNormalPos.Bottom=' \
        'ServerMessageSound=%SystemRoot%\\Media\\notify.wav'; do
        grep -q "^$line" "$1" || { cat "$1" >&2; fail "$2: no $line in $1"; }
    done
}

for sig in INT TERM HUP; do
    # Installed: the per-user file, even though the program's folder is writable.
    rm -rf "$work/prefix" "$work/config" "$work/portable"
    mkdir -p "$work/prefix/bin" "$work/config/kestro" "$work/portable"
    cp "$kestro" "$work/prefix/bin/kestro"
    printf '%s\n' "$changes" >"$work/config/kestro/kestro.ini"
    run_until_signal "$work/prefix/bin/kestro" "$sig" "$sig"
    check_file "$work/config/kestro/kestro.ini" "installed, SIG$sig"
    [ ! -e "$work/prefix/bin/kestro.ini" ] || fail "installed, SIG$sig: a file beside the program"

    # Portable: a kestro.ini beside the program is the one it keeps.
    cp "$kestro" "$work/portable/kestro"
    printf '%s\n' "$changes" >"$work/portable/kestro.ini"
    rm -rf "$work/config"
    run_until_signal "$work/portable/kestro" "$sig" "$sig"
    check_file "$work/portable/kestro.ini" "portable, SIG$sig"
    [ ! -e "$work/config" ] || fail "portable, SIG$sig: a per-user file as well"
done
# A settings file that refuses the write (here a folder stands where it goes):
# asked to end, kestro logs the refusal and ends, with no box waiting for a
# second signal.
rm -rf "$work/config" && mkdir -p "$work/config/kestro/kestro.ini"
env XDG_CONFIG_HOME="$work/config" HOME="$work/home" "$work/prefix/bin/kestro" >"$work/out" 2>&1 &
pid=$!
tries=0
until [ $(( 0x$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null || echo 0) & 16384 )) -ne 0 ] \
    && [ "$(readlink "/proc/$pid/exe" 2>/dev/null || true)" = "$work/prefix/bin/kestro" ]; do
    tries=$((tries + 1)) && [ $tries -lt 200 ] || fail "kestro never caught SIGTERM"
    sleep 0.05
done
sleep 0.5  # the window shows and reads its settings
kill -s TERM "$pid"
tries=0
while kill -0 "$pid" 2>/dev/null && [ "$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$pid/status" 2>/dev/null)" != Z ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { kill -9 "$pid"; fail "a refused write kept kestro alive after SIGTERM"; }
    sleep 0.05
done
status=0
wait "$pid" || status=$?
pid=
[ $status -eq 0 ] || { cat "$work/out" >&2; fail "refused write, SIGTERM: exit status $status"; }

# The X server goes away under a shown window.
if command -v Xvfb >/dev/null; then
    rm -rf "$work/config" && mkdir -p "$work/xvfb"
    printf '%s\n' "$changes" >"$work/portable/kestro.ini"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3>"$work/xvfb/display" 2>/dev/null &
    xpid=$!
    tries=0
    until [ -s "$work/xvfb/display" ]; do
        tries=$((tries + 1)) && [ $tries -lt 100 ] || fail "Xvfb did not start"
        sleep 0.05
    done
    DISPLAY=:$(cat "$work/xvfb/display") QT_QPA_PLATFORM=xcb
    export DISPLAY QT_QPA_PLATFORM
    run_until_signal "$work/portable/kestro" TERM X 1
    check_file "$work/portable/kestro.ini" "portable, X server gone"
    xpid=
else
    echo "Xvfb missing: the X server case is not run" >&2
fi
echo "ok: SIGINT, SIGTERM, SIGHUP and a lost X server each leave a complete file"
