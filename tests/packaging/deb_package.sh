#!/usr/bin/env bash
# The Debian package end to end: built by CPack, clean of lintian errors, its
# desktop entry and metainfo valid; installed, it grants the helper alone its
# capability, the installed programs run, and a purge removes it all again but
# the group kestro.
#   deb_package.sh BUILD_DIR BUILD_KESTRO_REPLAY DEMO_PCAP
set -uo pipefail
build=$1 build_replay=$2 demo=$3

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing a package needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' kestro 2>/dev/null | grep -q installed; then
    echo "skipped: a kestro package is installed on this machine already; not touching it"
    exit 77
fi
for tool in cpack lintian desktop-file-validate appstreamcli dpkg-shlibdeps getcap; do
    command -v "$tool" >/dev/null || { echo "FAIL $tool is missing (scripts/install-deps)"; exit 1; }
done
work=$(mktemp -d)
group_before=$(getent group kestro | cut -d: -f3)
cleanup() {
    dpkg --purge kestro >/dev/null 2>&1
    # A purge leaves the group: the test takes away only one that it brought,
    # and puts back one that a faulty purge took.
    if [ -z "$group_before" ] && getent group kestro >/dev/null; then
        groupdel kestro
    elif [ -n "$group_before" ] && ! getent group kestro >/dev/null; then
        groupadd --system --gid "$group_before" kestro
    fi
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
check() {
    if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; failed=$((failed + 1)); fi
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log 2>&1)
deb=$(ls "$work"/kestro_*_amd64.deb 2>/dev/null)
check "cpack built kestro_VERSION_amd64.deb" '[ -f "$deb" ]' || { cat "$work/cpack.log"; exit 1; }
check "the dependencies come from the binaries" \
    'dpkg-deb -f "$deb" Depends | grep -q "libpcap0.8" && dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6"'
lintian --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1
echo "lintian: $(grep -c '^E:' "$work/lintian") errors, $(grep -c '^W:' "$work/lintian") warnings"
check "lintian reports no error" '! grep "^E:" "$work/lintian"'

dpkg -i "$deb" > "$work/install.log" 2>&1
check "the package installs" '[ $? -eq 0 ]' || cat "$work/install.log"
check "the helper alone carries cap_net_raw" '[ "$(getcap /usr/bin/kestro-capture | cut -d" " -f2)" = cap_net_raw=ep ]'
check "the helper is 0750 root:kestro" '[ "$(stat -c %a:%U:%G /usr/bin/kestro-capture)" = 750:root:kestro ]'
setcap -r /usr/bin/kestro-capture
/usr/sbin/kestro-setup-capture --helper /usr/bin/kestro-capture > "$work/setup.log" 2>&1
check "the installed set-up script, as the window names it, gives the helper its capability again" \
    '[ "$(getcap /usr/bin/kestro-capture | cut -d" " -f2)" = cap_net_raw=ep ]' || cat "$work/setup.log"
group_id=$(getent group kestro | cut -d: -f3)
check "no other installed program carries a capability" \
    '[ -z "$(getcap /usr/bin/kestro /usr/bin/kestro-replay /usr/bin/kestro-replay-gui)" ]'
check "the desktop entry is valid" 'desktop-file-validate /usr/share/applications/kestro.desktop'
check "the metainfo is valid" 'appstreamcli validate --no-net /usr/share/metainfo/org.kestro.Kestro.metainfo.xml > "$work/appstream" 2>&1 || { cat "$work/appstream"; false; }'
check "icons from 16 to 256 and the SVG" \
    'for s in 16 22 24 32 48 64 128 256; do [ -f /usr/share/icons/hicolor/${s}x${s}/apps/kestro.png ] || exit 1; done; [ -f /usr/share/icons/hicolor/scalable/apps/kestro.svg ]'
check "man pages kestro(1), kestro-replay(1), kestro-capture(8)" \
    '[ -f /usr/share/man/man1/kestro.1.gz ] && [ -f /usr/share/man/man1/kestro-replay.1.gz ] && [ -f /usr/share/man/man8/kestro-capture.8.gz ]'
check "the licence and the sounds" '[ -f /usr/share/doc/kestro/copyright ] && [ -f /usr/share/kestro/sounds/Media/notify.wav ] && [ -f /usr/share/kestro/sounds/Media/remind_start.wav ]'

TZ=UTC /usr/bin/kestro-replay --tail 60 --panel "$demo" > "$work/installed.out" 2>&1
TZ=UTC "$build_replay" --tail 60 --panel "$demo" > "$work/built.out" 2>&1
check "the installed kestro-replay replays the demo as the build does" \
    '[ -s "$work/installed.out" ] && cmp -s "$work/installed.out" "$work/built.out"'
check "the installed kestro-capture lists lo" '/usr/bin/kestro-capture --list | grep -qP "^lo\t"'
check "the installed kestro answers --version" '/usr/bin/kestro --version | grep -q "^kestro "'

dpkg --purge kestro > "$work/purge.log" 2>&1
check "the package purges" '[ $? -eq 0 ]' || cat "$work/purge.log"
check "nothing of it is left" \
    '[ ! -e /usr/bin/kestro-capture ] && [ ! -e /usr/share/doc/kestro ] && ! dpkg-statoverride --list /usr/bin/kestro-capture >/dev/null'
check "the group stays, with its id: a helper set up outside the package may be owned by it" \
    '[ "$(getent group kestro | cut -d: -f3)" = "$group_id" ]'
exit $((failed > 0))
