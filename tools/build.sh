#!/usr/bin/env bash
# Configures and builds Orvelle in ./build (or the directory given), with the
# project's own warning policy. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLE_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
