#!/usr/bin/env bash
# A Singles race replayed with sounds on plays the expected default sounds, in
# order, into an ALSA "file" device: the decoded samples of each file, one
# playback after another. The order comes from --sounds print of the same run.
set -euo pipefail
scenario_tool=$1
replay_tool=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC LC_ALL=C.UTF-8

cat > "$work/sounds.ini" <<'INI'
[Sound]
SoundEnabled=1
RaceStartWaitAcceptingSEnabled=1
RaceAcceptingSEnabled=1
RaceStartWaitingSEnabled=1
RaceStartEnabled=1
ResultWinEnabled=1
ResultDefeatEnabled=1
ResultNeedCheckEnabled=1
INI
# Each opening of the device writes a numbered file of its own.
mkdir "$work/home"
cat > "$work/home/.asoundrc" <<ASOUND
pcm.!default {
    type file
    slave.pcm "null"
    file "$work/played.raw"
    format "raw"
    truncate false
}
ASOUND

"$scenario_tool" "$here/golden/singles_cycle.scenario" "$work/race.pcap"
"$replay_tool" --settings "$work/sounds.ini" --tail 300 --sounds print "$work/race.pcap" \
    | sed -n 's/^sound: //p' | grep -v '^-$' > "$work/expected-order"
HOME="$work/home" "$replay_tool" --settings "$work/sounds.ini" --tail 300 --sounds play \
    "$work/race.pcap" > /dev/null

python3 - "$work" <<'PY'
import os, sys, wave
work = sys.argv[1]
paths = [line.rstrip("\n").replace("\\", "/") for line in open(os.path.join(work, "expected-order"))]
played = sorted(f for f in os.listdir(work) if f.startswith("played.raw"))
names = [os.path.basename(p) for p in paths]
print("expected:", " ".join(names))
assert len(paths) >= 5, "too few sounds chosen: %r" % names
assert "tada.wav" in names and "chimes.wav" in names and "ding.wav" in names, names
assert len(played) == len(paths), "played %d sounds, expected %d" % (len(played), len(paths))
for i, (path, out) in enumerate(zip(paths, played)):
    with wave.open(path) as w:
        assert w.getsampwidth() == 2, path
        samples = w.readframes(w.getnframes())
    data = open(os.path.join(work, out), "rb").read()
    assert data == samples, "playback %d (%s): %d bytes, expected %d" % (i, path, len(data), len(samples))
print("1 passed, 0 failed")
PY
