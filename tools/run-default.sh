#!/usr/bin/env bash
# Installs what is missing, builds, and runs the default job: the codec league
# of every bundled plug-in, each scored by Codec Quality on the internal Short
# signal.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh build
build/cli/orvelle-cli league --size short
