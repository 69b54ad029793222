#!/usr/bin/env bash
# kestro-replay --history: a generated evening appends exactly the rows worked
# out by hand (golden/history_evening.csv: a hit, a Doubles hit in finishing
# order, a result after a missed one finds no ticket, a half-heard Doubles
# result is not written, an unseen ticket, a miss); replayed again, the file
# does not change, nor when two replays write it at once; --summary counts it;
# a file of another program is refused and left as it was.
#   history_file.sh SCENARIO_TOOL REPLAY_TOOL
set -euo pipefail
scenario_tool=$1
replay_tool=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$scenario_tool" "$here/golden/history_evening.scenario" "$work/evening.pcap"
"$replay_tool" --history "$work/h.csv" "$work/evening.pcap" > "$work/log.txt"
cmp "$here/golden/history_evening.csv" "$work/h.csv" || {
    fail "rows differ from the hand-worked file"
    diff <(cat -A "$here/golden/history_evening.csv") <(cat -A "$work/h.csv") || true
}

"$replay_tool" --history "$work/h.csv" "$work/evening.pcap" > /dev/null
cmp -s "$here/golden/history_evening.csv" "$work/h.csv" || fail "a second replay changed the file"

# Resends merged by the sender, and a second client of the server: each result
# is still one row.
for variation in "--merged 200" "--clients 2"; do
    # shellcheck disable=SC2086
    "$scenario_tool" $variation "$here/golden/history_evening.scenario" "$work/varied.pcap"
    rm -f "$work/varied.csv"
    "$replay_tool" --history "$work/varied.csv" "$work/varied.pcap" > /dev/null
    cmp -s "$here/golden/history_evening.csv" "$work/varied.csv" ||
        fail "$variation: rows differ from the hand-worked file"
done

# Two replays at once on one new file: each result once, as one replay writes it.
"$replay_tool" --history "$work/both.csv" "$work/evening.pcap" > /dev/null &
first=$!
"$replay_tool" --history "$work/both.csv" "$work/evening.pcap" > /dev/null
wait "$first"
cmp -s "$here/golden/history_evening.csv" "$work/both.csv" || fail "two replays at once doubled rows"

"$replay_tool" --history "$work/h.csv" --summary > "$work/summary.txt"
for expected in $'レース数\t0\t4' $'購入\t0\t3' $'的中\t0\t1' $'的中率\t-\t50.0%' \
    $'最長連続外れ\t0\t1' $'レース数\t0\t1' '2009-03-27 20:47:00  単勝  ⑤  券 ②  外れ' \
    '回数はこれまでの記録です。次のレースの予想ではありません。'; do
    grep -qF -- "$expected" "$work/summary.txt" || fail "summary lacks: $expected"
done

printf 'name,score\r\nbob,3\r\n' > "$work/theirs.csv"
cp "$work/theirs.csv" "$work/theirs.orig"
status=0
"$replay_tool" --history "$work/theirs.csv" "$work/evening.pcap" > /dev/null 2> "$work/err.txt" || status=$?
[ "$status" -eq 2 ] || fail "another program's CSV: exit status $status, not 2"
grep -q "Kestro の履歴ファイルではありません" "$work/err.txt" || fail "no clear refusal: $(cat "$work/err.txt")"
cmp -s "$work/theirs.csv" "$work/theirs.orig" || fail "another program's CSV was changed"

if [ "$failed" -ne 0 ]; then
    cat "$work/summary.txt"
    exit 1
fi
echo "ok"
