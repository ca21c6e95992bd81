#!/usr/bin/env bash
# Installs what is missing, builds, and runs the default job: the codec league
# of every bundled plug-in, each scored by Codec Quality on every file of the
# bundled speech corpus, with the companion figures beside the score.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh build
build/cli/orvelle-cli league --speech --jobs "$(nproc)"
