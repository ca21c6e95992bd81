#!/usr/bin/env bash
# Takes pictures of the desktop program's windows under a virtual X display
# and puts them in docs/screenshots/. Needs xvfb (xvfb-run) and xauth.
#   tools/screenshots.sh [build folder]     (default: build-screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-screenshots}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j 2 --target orvelle_screenshot_tour passthrough
mkdir -p docs/screenshots
plugin="$(cd "$build_dir" && pwd)/plugins/passthrough.so"
# The real X11 platform, not the offscreen one, so fonts and styles are the
# ones a user sees.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build_dir/app/orvelle_screenshot_tour" docs/screenshots "$plugin"
