#!/usr/bin/env bash
# scripts/setup-capture gives cap_net_raw only to a file that only root can
# change: a link, a copy that is no program and a path or user name with a
# control character are refused without touching anything; a file of a user or
# of a system account, or one in a folder others may write, is copied to a
# folder of root's and the copy gets the capability, the original nothing; a
# helper set up in place takes the capabilities off the window's programs. Runs in a mount namespace of
# its own, with /etc and /usr/local behind overlays, so the machine's group
# file and folders are never written.
#   setup_capture.sh SETUP_SCRIPT HELPER
set -uo pipefail
setup=$1 helper=$2

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: needs root to set capabilities and mount"
    exit 77
fi
if [ -z "${KESTRO_OWN_MOUNTS:-}" ]; then
    exec env KESTRO_OWN_MOUNTS=1 unshare --mount --propagation private -- "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT  # the namespace's mounts go with its last process
for tree in etc usr-local; do mkdir -p "$work/$tree/upper" "$work/$tree/work"; done
mount -t overlay overlay -o "lowerdir=/etc,upperdir=$work/etc/upper,workdir=$work/etc/work" /etc &&
    mount -t overlay overlay \
        -o "lowerdir=/usr/local,upperdir=$work/usr-local/upper,workdir=$work/usr-local/work" /usr/local ||
    { echo "skipped: cannot mount overlays here"; exit 77; }

copy=/usr/local/libexec/kestro/kestro-capture
user=4242  # a user id of nobody's: files can be owned by it all the same
failed=0
check() {
    if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; failed=$((failed + 1)); fi
}
caps() { getcap "$1" 2>/dev/null | cut -d' ' -f2; }

printf 'root:secret\n' > "$work/shadow"
chmod 0640 "$work/shadow"
# name | folder owner | folder mode | file owner, or "link" to a secret, "text"
# (a user's file that is no program), "newline" (a user's folder and file
# whose path, read up to its newline, is the row's root-only folder) | what a
# refusal says, empty where the helper is set up
while IFS='|' read -r what folder_owner folder_mode file refusal; do
    [ -n "$what" ] || continue
    case_dir=$work/$(echo "$what" | tr " '" --)
    mkdir -m "$folder_mode" "$case_dir" && chown "$folder_owner" "$case_dir"
    given=$case_dir/kestro-capture
    case $file in
    link) ln -s "$work/shadow" "$given" ;;
    text) printf '#!/bin/sh\n' > "$given" && chmod 0755 "$given" && chown "$user" "$given" ;;
    newline)
        mkdir -m 0755 "$case_dir"$'\n'x && chown "$user" "$case_dir"$'\n'x
        given=$case_dir$'\n'x/kestro-capture
        cp "$helper" "$given" && chmod 0755 "$given" && chown "$user" "$given"
        ;;
    *) cp "$helper" "$given" && chmod 0755 "$given" && chown "$file" "$given" ;;
    esac
    if [ "$what" = "a root-only tree" ]; then
        # What older set-ups left on the window's programs beside the helper.
        for program in kestro kestro-replay; do
            cp "$helper" "$case_dir/$program" && setcap cap_net_raw=ep "$case_dir/$program"
        done
    fi
    before=$(stat -c %u:%g:%a "$work/shadow" "$given")
    rm -rf /usr/local/libexec/kestro
    "$setup" --helper "$given" > "$work/out" 2>&1
    status=$?
    echo "     $what: $(tr '\n' ' ' < "$work/out")"
    if [ -n "$refusal" ]; then
        check "$what: refused" '[ $status -eq 2 ] && grep -q "$refusal" "$work/out"'
        check "$what: the original (and what it names) keeps its owner, mode and no capability" \
            '[ "$(stat -c %u:%g:%a "$work/shadow" "$given")" = "$before" ] &&
             [ -z "$(caps "$work/shadow")$(caps "$given")" ]'
        check "$what: nothing set up" '[ ! -e "$copy" ] && [ -z "$(ls -A /usr/local/libexec/kestro 2>/dev/null)" ]'
    elif [ "$what" = "a root-only tree" ]; then
        check "$what: the capability in place" \
            '[ $status -eq 0 ] && [ "$(caps "$given")" = cap_net_raw=ep ] &&
             [ "$(stat -c %a:%U:%G "$given")" = 750:root:kestro ] && [ ! -e "$copy" ]'
        check "$what: the window's programs lose the capabilities older set-ups left" \
            '[ -z "$(caps "$case_dir/kestro")$(caps "$case_dir/kestro-replay")" ]'
    else
        check "$what: the original keeps its owner, mode and no capability" \
            '[ "$(stat -c %u:%g:%a "$work/shadow" "$given")" = "$before" ] && [ -z "$(caps "$given")" ]'
        check "$what: a copy owned by root gets the capability and tells where it is" \
            '[ $status -eq 0 ] && cmp -s "$given" "$copy" && [ "$(caps "$copy")" = cap_net_raw=ep ] &&
             [ "$(stat -c %a:%U:%G "$copy")" = 750:root:kestro ] && grep -q "$copy" "$work/out"'
        check "$what: no temporary file left" '[ "$(ls -A /usr/local/libexec/kestro)" = kestro-capture ]'
    fi
done <<TABLE
a link in a user's folder|$user|0755|link|not a regular file
a link in a root-only folder|0|0755|link|not a regular file
a newline in the path|0|0755|newline|control character
a file that is not a program|$user|0755|text|is not a program
a user-owned file|0|0755|$user|
a system account's file|0|0755|daemon|
a user-writable folder|$user|0755|0|
a root folder its group may write|0:$user|0775|0|
a root-only tree|0|0755|0|
TABLE

# A user name is refused as a path is, before it is looked up.
"$setup" --helper "$work/a-root-only-tree/kestro-capture" $'nobody\nroot' > "$work/out" 2>&1
status=$?
check "a newline in the user name: refused" '[ $status -eq 2 ] && grep -q "control character" "$work/out"'
exit $((failed > 0))
