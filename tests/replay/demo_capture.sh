#!/usr/bin/env bash
# The bundled demo capture is exactly what its scenario makes, and it replays a
# whole Singles and a whole Doubles race.
set -euo pipefail
scenario_tool=$1
replay_tool=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC LC_ALL=C.UTF-8

"$scenario_tool" "$root/data/demo.scenario" "$work/demo.pcap"
cmp "$root/data/demo.pcap" "$work/demo.pcap"
"$replay_tool" "$root/data/demo.pcap" > "$work/out"
grep -qx '21:06:31.900 - 順位確定(単勝): 4' "$work/out"
grep -qx '21:14:23.900 - 順位確定(複勝): 1-6' "$work/out"
echo "1 passed, 0 failed"
