#!/usr/bin/env bash
# Installs what is missing, builds, and runs the default job: a Codec Quality
# measurement of the bundled pass-through plug-in on the internal Short signal.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh build
build/cli/orvelle-cli quality --codec passthrough --size short
