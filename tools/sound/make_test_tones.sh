#!/usr/bin/env bash
# The two steady tones the sound tests play (tests/platform_sound/data/), made the same way
# as the recordings: sox, lame at 11025 Hz mono with its info frame, then mp3_wave.py.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../tests/platform_sound/data"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tone() {  # name frequency seconds
  local samples
  sox -R -n -t raw -r 11025 -e signed -b 16 -c 1 "$tmp/$1.raw" synth "$3" sine "$2" vol 0.5
  samples=$(( $(stat -c %s "$tmp/$1.raw") / 2 ))
  lame --quiet -r -s 11.025 --bitwidth 16 --signed --little-endian -m m --abr 20 -q 2 "$tmp/$1.raw" "$tmp/$1.mp3"
  python3 "$here/mp3_wave.py" "$tmp/$1.mp3" "$out/$1.wav" --samples "$samples"
}
tone tone440 440 3
tone tone1000 1000 1
