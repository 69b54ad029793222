#!/usr/bin/env bash
# scripts/setup-capture gives cap_net_raw only to a file that only root can
# change: a link is refused without touching what it names; a file of a user,
# or one in a folder a user may write, is copied to a folder of root's and the
# copy gets the capability, the original nothing. Runs in a mount namespace of
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
caps() { getcap "$1" | cut -d' ' -f2; }

printf 'root:secret\n' > "$work/shadow"
chmod 0640 "$work/shadow"
# name | folder owner | file owner, or "link"
while IFS='|' read -r what folder_owner file_owner; do
    [ -n "$what" ] || continue
    case_dir=$work/$(echo "$what" | tr ' ' -)
    mkdir -m 0755 "$case_dir" && chown "$folder_owner" "$case_dir"
    given=$case_dir/kestro-capture
    if [ "$file_owner" = link ]; then
        ln -s "$work/shadow" "$given"
    else
        cp "$helper" "$given" && chmod 0755 "$given" && chown "$file_owner" "$given"
    fi
    before=$(stat -c %u:%g:%a "$work/shadow" "$given")
    rm -rf /usr/local/libexec/kestro
    "$setup" --helper "$given" > "$work/out" 2>&1
    status=$?
    echo "     $what: $(tr '\n' ' ' < "$work/out")"
    case "$what" in
    *link*)
        check "$what: refused" '[ $status -eq 2 ] && grep -q "not a regular file" "$work/out"'
        check "$what: what it names keeps its owner, mode and no capability" \
            '[ "$(stat -c %u:%g:%a "$work/shadow" "$given")" = "$before" ] && [ -z "$(caps "$work/shadow")" ]'
        check "$what: nothing set up" '[ ! -e "$copy" ]'
        ;;
    "a root-only tree")
        check "$what: the capability in place" \
            '[ $status -eq 0 ] && [ "$(caps "$given")" = cap_net_raw=ep ] &&
             [ "$(stat -c %a:%U:%G "$given")" = 750:root:kestro ] && [ ! -e "$copy" ]'
        ;;
    *)
        check "$what: the original keeps its owner, mode and no capability" \
            '[ "$(stat -c %u:%g:%a "$work/shadow" "$given")" = "$before" ] && [ -z "$(caps "$given")" ]'
        check "$what: a copy owned by root gets the capability and tells where it is" \
            '[ $status -eq 0 ] && cmp -s "$given" "$copy" && [ "$(caps "$copy")" = cap_net_raw=ep ] &&
             [ "$(stat -c %a:%U:%G "$copy")" = 750:root:kestro ] && grep -q "$copy" "$work/out"'
        check "$what: no temporary file left" '[ "$(ls -A /usr/local/libexec/kestro)" = kestro-capture ]'
        ;;
    esac
done <<TABLE
a link in a user's folder|$user|link
a link in a root-only folder|0|link
a user-owned file|0|$user
a user-writable folder|$user|0
a root-only tree|0|0
TABLE
exit $((failed > 0))
