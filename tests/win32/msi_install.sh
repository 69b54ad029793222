#!/usr/bin/env bash
# The installer as a Windows user meets it, under Wine in a prefix of its own
# (run by tests/win32/own-prefix): installed without questions over an earlier
# version, the programs run from where it put them, the settings kept in
# %APPDATA%\Kestro; another build of the same version run with its own pages
# replaces it in place (one entry, its files) and starts Kestro from the finish
# page; an uninstall takes the programs, the shortcut and the entry away and
# leaves the settings.
#   msi_install.sh KESTRO_MSI STAGE_FOLDER VERSION
set -euo pipefail
msi=$1
stage=$2
version=$3
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

# Kestro's entries in the list of installed programs (Wine keeps a per-user
# installation's entry with the machine's).
entries() {
    for root in HKCU HKLM; do
        "$run" reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
    done | grep -a -c 'DisplayName.*Kestro' || true
}
# The top window whose name matches, or nothing within 20 s.
window_named() {
    local found=
    for _ in $(seq 100); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$found" ] && break
        sleep 0.2
    done
    echo "$found"
}
# Exit from the window's menu, as a user leaves it (the settings are saved).
exit_from_menu() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + 100)) $((Y + 40)) click 3
    sleep 1
    xdotool key x
}

# An earlier version, and another build of this version with one file changed:
# what a player upgrades from, and what a rebuild must replace.
work=$(mktemp -d /tmp/kestro-msi.XXXXXX)
trap 'rm -rf "$work"' EXIT
make_msi=$here/../../packaging/windows/make-msi
"$make_msi" "$stage" "$work/earlier.msi" 0.0.1 >/dev/null 2>&1
cp -r "$stage" "$work/stage"
printf 'rebuilt\r\n' >>"$work/stage/README-windows.txt"
"$make_msi" "$work/stage" "$work/rebuilt.msi" "$version" >/dev/null 2>&1

# No menu entries of the host's for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$run" msiexec /i "$("$run" winepath -w "$work/earlier.msi" | tr -d '\r')" /qn
package=$("$run" winepath -w "$msi" | tr -d '\r')
"$run" msiexec /i "$package" /qn
check "one entry after the upgrade from an earlier version" test "$(entries)" = 1
appdata=$(unix "$("$run" cmd /c echo %APPDATA% | tr -d '\r')")
local=$(unix "$("$run" cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
menu="$appdata/Microsoft/Windows/Start Menu/Programs"
folder=$local/Programs/Kestro
echo "installed into $folder"
for file in kestro.exe kestro-replay.exe LICENSE.txt THIRD-PARTY-NOTICES.txt kestro-installed.txt; do
    check "$file installed" test -f "$folder/$file"
done
check "a Start-menu shortcut" test -f "$menu/Kestro.lnk"

# Run from where it was installed: the replay answers (Wine's wpcap.dll cannot
# read capture files), and the
# window keeps its settings in %APPDATA%\Kestro, not in the program's folder.
check "kestro-replay runs from the installed folder" \
    bash -c "cd '$folder' && '$run' kestro-replay.exe -h | grep -a -q '^usage: kestro-replay'"
(cd "$folder" && "$run" kestro.exe) &
started=$!
window=$(window_named '^Kestro ')
check "the installed kestro.exe shows its window" test -n "$window"
if [ -n "$window" ]; then
    sleep 2
    exit_from_menu "$window"
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

# The rebuild with the installer's own pages: progress, then the finish page,
# whose Finish, with its box ticked as it comes, starts Kestro.
rebuilt=$("$run" winepath -w "$work/rebuilt.msi" | tr -d '\r')
"$run" msiexec /i "$rebuilt" &
installer=$!
for _ in $(seq 300); do
    kill -0 "$installer" 2>/dev/null || break
    page=$(xdotool search --name '^Kestro$' 2>/dev/null | head -1 || true)
    if [ -n "$page" ] && grep -q rebuilt "$folder/README-windows.txt" 2>/dev/null; then
        # Its Finish button, 225,82 to 285,99 of 300 by 110 dialog units: a
        # click, so the X focus stays with the pointer for the Kestro it starts.
        if geometry=$(xdotool getwindowgeometry --shell "$page" 2>/dev/null); then
            eval "$geometry"
            xdotool mousemove $((X + WIDTH * 255 / 300)) $((Y + HEIGHT * 90 / 110)) click 1
        fi
    fi
    sleep 0.5
done
check "the installer with its pages ended" absent kill -0 "$installer"
kill "$installer" 2>/dev/null || true
wait "$installer" 2>/dev/null || true
check "the same version built again replaced the files" grep -q rebuilt "$folder/README-windows.txt"
check "still one entry after the rebuild" test "$(entries)" = 1
window=$(window_named '^Kestro ')
check "the finish page started Kestro" test -n "$window"
if [ -n "$window" ]; then
    sleep 2
    exit_from_menu "$window"
    for _ in $(seq 100); do
        [ -z "$(xdotool search --name '^Kestro ' 2>/dev/null)" ] && break
        sleep 0.2
    done
    check "the Kestro it started ended at Exit" test -z "$(xdotool search --name '^Kestro ' 2>/dev/null)"
fi

"$run" msiexec /x "$rebuilt" /qn
check "the programs are gone" absent test -e "$folder"
check "the shortcut is gone" absent test -e "$menu/Kestro.lnk"
check "no entry is left" test "$(entries)" = 0
check "the settings stay" grep -q '^\[Function\]' "$appdata/Kestro/kestro.ini"
exit $fail
