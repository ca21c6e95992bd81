#!/usr/bin/env bash
# Makes the bundled speech corpus with espeak-ng and sox: one voice file per
# speaker (male and female voices in English, German and French), each a few
# sentences with pauses between them, as headerless 8000 Hz mono 16-bit
# little-endian samples. The speech of every file is brought to an RMS level
# of -26 dBFS, measured over the utterances without the pauses put between
# them. The same espeak-ng and sox versions always give the same bytes: sox
# runs without dither and in its repeatable mode.
#
# Usage: tools/make-speech-corpus.sh OUTPUT_DIR
# Writes OUTPUT_DIR/<speaker>.pcm for every speaker, then OUTPUT_DIR/corpus.txt
# listing them, one name a line; the list is written last, so its presence
# says the corpus is whole.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTPUT_DIR" >&2
  exit 2
fi
out=$1
for tool in espeak-ng sox; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is not installed (apt-get install espeak-ng sox)" >&2
    exit 1
  fi
done

target_level_db=-26
headroom_db=10
pause_seconds=0.8
edge_seconds=0.5
synthesis_rate=22050

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

sox_quiet() { sox -q -D -R "$@"; }

# speaker NAME VOICE WORDS_PER_MINUTE PITCH SENTENCE...
speaker() {
  local name=$1 voice=$2 speed=$3 pitch=$4
  shift 4
  local parts=() utterances=() i=0
  sox_quiet -n -r "$synthesis_rate" -c 1 -b 16 "$work/pause.wav" trim 0 "$pause_seconds"
  sox_quiet -n -r "$synthesis_rate" -c 1 -b 16 "$work/edge.wav" trim 0 "$edge_seconds"
  parts+=("$work/edge.wav")
  for sentence in "$@"; do
    i=$((i + 1))
    local wav="$work/$name-$i.wav"
    espeak-ng -v "$voice" -s "$speed" -p "$pitch" -w "$wav" -- "$sentence"
    [ $i -gt 1 ] && parts+=("$work/pause.wav")
    parts+=("$wav")
    utterances+=("$wav")
  done
  parts+=("$work/edge.wav")

  # The level is set on the speech as it will be scored: at 8000 Hz. The
  # synthesiser peaks near full scale and resampling overshoots, so the
  # level is measured with headroom and the gain comes before the resampler.
  sox_quiet "${utterances[@]}" -e floating-point -b 32 "$work/$name-speech.wav" gain -"$headroom_db" rate -v 8000
  local level
  level=$(sox "$work/$name-speech.wav" -n stats 2>&1 | awk '/^RMS lev dB/ { print $4 }')
  local gain
  gain=$(awk -v target="$target_level_db" -v level="$level" -v headroom="$headroom_db" \
    'BEGIN { printf "%.2f", target - (level + headroom) }')
  sox_quiet "${parts[@]}" -t raw -e signed-integer -b 16 -c 1 -L "$work/$name.pcm" gain "$gain" rate -v 8000
  mv "$work/$name.pcm" "$out/$name.pcm"
  names+=("$name.pcm")
}

names=()
speaker en_male en-us+m3 150 45 \
  "The small boat drifted slowly across the quiet lake." \
  "Please call me back before six o'clock tomorrow evening." \
  "We found seven yellow pencils under the kitchen table."
speaker en_female en-gb+f3 155 60 \
  "Her new bicycle was painted a bright shade of green." \
  "The train to the coast leaves from platform number four." \
  "Fresh bread and warm soup make a fine winter supper."
speaker de_male de+m2 145 40 \
  "Der Zug nach Hamburg hat heute zwanzig Minuten Verspätung." \
  "Bitte schließen Sie das Fenster, bevor Sie gehen." \
  "Im Garten blühen schon die ersten gelben Tulpen."
speaker de_female de+f2 150 65 \
  "Am Morgen trinke ich gern eine Tasse heißen Tee." \
  "Die Kinder spielen bis zum Abend auf der Wiese." \
  "Könnten Sie mir bitte den Weg zum Bahnhof zeigen?"
speaker fr_male fr+m4 145 40 \
  "Le marché du samedi commence très tôt le matin." \
  "Mon voisin joue du piano tous les soirs après le dîner." \
  "Nous avons marché longtemps le long de la rivière."
speaker fr_female fr+f4 150 65 \
  "La bibliothèque ferme ses portes à dix-huit heures." \
  "Elle a acheté des pommes et du fromage au village." \
  "Le chat dort au soleil sur le rebord de la fenêtre."

printf '%s\n' "${names[@]}" > "$work/corpus.txt"
mv "$work/corpus.txt" "$out/corpus.txt"
