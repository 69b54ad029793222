#!/usr/bin/env bash
# The installer as a Windows user meets it, under Wine in a prefix of its own
# (run by tests/win32/own-prefix): installed without questions, the programs
# run from where it put them, the settings kept in %APPDATA%\Kestro, and an
# uninstall that takes the programs, the shortcut and the entry away and
# leaves the settings.
#   msi_install.sh KESTRO_MSI
set -euo pipefail
msi=$1
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../cmake/wine-run
fail=0
check() { # what, then a command that must succeed
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what" >&2
        fail=1
    fi
}
absent() { ! "$@"; }
# A Windows path of the prefix as a Linux one.
unix() { "$run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# No menu entries of the host's for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
package=$("$run" winepath -w "$msi" | tr -d '\r')
"$run" msiexec /i "$package" /qn
appdata=$(unix "$("$run" cmd /c echo %APPDATA% | tr -d '\r')")
local=$(unix "$("$run" cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
menu="$appdata/Microsoft/Windows/Start Menu/Programs"
folder=$local/Programs/Kestro
echo "installed into $folder"
for file in kestro.exe kestro-replay.exe LICENSE.txt THIRD-PARTY-NOTICES.txt kestro-installed.txt; do
    check "$file installed" test -f "$folder/$file"
done
check "a Start-menu shortcut" test -f "$menu/Kestro.lnk"
check "an entry in the installed programs" \
    bash -c "'$run' reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' /s |
             grep -a -q 'DisplayName.*Kestro' ||
             '$run' reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' /s |
             grep -a -q 'DisplayName.*Kestro'"

# Run from where it was installed: the replay answers (Wine's wpcap.dll cannot
# read capture files), and the
# window keeps its settings in %APPDATA%\Kestro, not in the program's folder.
check "kestro-replay runs from the installed folder" \
    bash -c "cd '$folder' && '$run' kestro-replay.exe -h | grep -a -q '^usage: kestro-replay'"
(cd "$folder" && "$run" kestro.exe) &
started=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --name '^Kestro' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
check "the installed kestro.exe shows its window" test -n "$window"
if [ -n "$window" ]; then
    sleep 2
    # Exit from its menu saves the settings, as a user leaves it.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 100)) $((Y + 40)) click 3
    sleep 1
    xdotool key x
fi
for _ in $(seq 100); do
    kill -0 "$started" 2>/dev/null || break
    sleep 0.2
done
check "kestro.exe ended at Exit" absent kill -0 "$started"
kill "$started" 2>/dev/null || true
check "the settings are in %APPDATA%\\Kestro" test -f "$appdata/Kestro/kestro.ini"
check "no settings beside the installed program" absent test -e "$folder/kestro.ini"
echo "[Function]" >>"$appdata/Kestro/kestro.ini"

"$run" msiexec /x "$package" /qn
check "the programs are gone" absent test -e "$folder/kestro.exe"
check "the shortcut is gone" absent test -e "$menu/Kestro.lnk"
check "the settings stay" grep -q '^\[Function\]' "$appdata/Kestro/kestro.ini"
exit $fail
