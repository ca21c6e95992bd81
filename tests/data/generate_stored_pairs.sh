#!/usr/bin/env bash
# Makes the stored pairs that pin the measure's figures on every processor
# and kernel path (tests/data/stored_pairs/): three seconds of the bundled
# speech, that clip through a few bundled codecs, and every figure
# compare-files gives each pair. The test then needs no codec library.
# Usage: tests/data/generate_stored_pairs.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(cd "$(dirname "$0")" && pwd)/stored_pairs
cli=$build/cli/orvelle-cli
mkdir -p "$out"

# Three seconds (48000 bytes), from one second into the English female voice.
dd if="$build/speech/en_female.pcm" of="$out/source.pcm" bs=16000 skip=1 count=3 status=none
codecs=(gsm610 g726_32 lpc10)
for codec in "${codecs[@]}"; do
  "$cli" quality --codec "$codec" --voice "$out/source.pcm" --save-processed "$out/$codec.pcm" > /dev/null
  # As long as the source: the pair needs no padding.
  truncate -s 48000 "$out/$codec.pcm"
done
# compare-files writes its measurement log where it runs.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

{
  echo "# Written by tests/data/generate_stored_pairs.sh; do not edit by hand. One pair a line:"
  echo "# processed-file score agreement, uniform main 1-5, uniform secondary 0-9, table main 1-5,"
  echo "# table secondary 0-9, delaySamples waveformCorrelation segmentalSnrDb levelDifferenceDb"
  for codec in "${codecs[@]}"; do
    (cd "$scratch" && "$cli" compare-files "$out/source.pcm" "$out/$codec.pcm" --json) | python3 -c '
import json, sys
r = json.load(sys.stdin)
g = r["groups"]
figures = [r["score"], r["agreement"]]
for mode in ("mode0", "mode1"):
    figures += [x[mode] for x in g["main"]] + [x[mode] for x in g["secondary"]]
c = r["companion"]
figures += [c["delaySamples"], c["waveformCorrelation"], c["segmentalSnrDb"], c["levelDifferenceDb"]]
print(sys.argv[1], " ".join(repr(float(x)) for x in figures))
' "$codec.pcm"
  done
} > "$out/figures.txt"
