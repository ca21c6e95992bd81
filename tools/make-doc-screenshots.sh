#!/usr/bin/env bash
# Makes the pictures of the reports for the documentation, in docs/screenshots/:
# a Codec Quality report, a Compare Files report and a batch index, rendered by
# headless Chromium, and the desktop program's View Spectra window under a
# virtual X display. Needs chromium, xvfb (xvfb-run) and xauth; not run in CI.
#   tools/make-doc-screenshots.sh [build folder]     (default: build)
#
# Everything runs in /tmp/orvelle-docs with short relative names, so the
# pictures show no path of the machine that made them.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build_dir=${1:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j 2 --target orvelle-cli orvelle_spectra_screenshot
build=$(cd "$build_dir" && pwd)
cli="$build/cli/orvelle-cli"
shots="$repo/docs/screenshots"
mkdir -p "$shots"

work=/tmp/orvelle-docs
rm -rf "$work"
mkdir -p "$work/plugins" "$work/reports"
cd "$work"
# Plug-ins copied beside the voice files and named by relative paths, so the
# reports name them as a user would see them.
for codec in g711u g726_16 gsm610 codec2_1200 lpc10 opus_6k; do
  cp "$build/plugins/$codec.so" "plugins/$codec.so"
done
# Bundled speech when the build made it, else the internal test signal.
if [ -f "$build/speech/en_female.pcm" ]; then
  cp "$build/speech/en_female.pcm" speech.pcm
else
  "$cli" signal --size short speech.pcm >/dev/null
fi

"$cli" quality --codec ./plugins/gsm610.so --voice speech.pcm --save-processed speech-gsm610.pcm \
  --report codec-quality.html >/dev/null
echo "id,source,processed" > pairs.csv
for codec in g711u g726_16 gsm610 codec2_1200 lpc10 opus_6k; do
  [ -f "speech-$codec.pcm" ] ||
    "$cli" quality --codec "./plugins/$codec.so" --voice speech.pcm --save-processed "speech-$codec.pcm" >/dev/null
  echo "$codec,speech.pcm,speech-$codec.pcm" >> pairs.csv
done
"$cli" compare-files speech.pcm speech-codec2_1200.pcm --report compare-files.html >/dev/null
echo "missing,speech.pcm,speech-missing.pcm" >> pairs.csv
"$cli" batch pairs.csv --report-dir reports >/dev/null 2>&1 || true  # the missing row fails on purpose

# The reports at the size a reader sees them in a browser window.
shoot() {  # page, picture, height
  chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --window-size="1000,$3" \
    --screenshot="$shots/$2" "file://$work/$1" 2>/dev/null
  echo "saved $shots/$2"
}
shoot codec-quality.html report-codec-quality.png 2300
shoot compare-files.html report-compare-files.png 2300
shoot reports/index.html report-batch-index.png 620

QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/app/orvelle_spectra_screenshot" "$shots/view-spectra.png" speech.pcm speech-codec2_1200.pcm
