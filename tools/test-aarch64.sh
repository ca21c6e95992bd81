#!/usr/bin/env bash
# Cross-builds the engine, the command-line program and the plug-in host for
# 64-bit ARM (aarch64) with Debian's cross compiler and arm64 multiarch
# libraries, and runs the kernel, dsp and analyzer tests, with the pinned
# scores on every kernel path, under qemu-user. Installs what it needs with
# apt-get when run as root (otherwise through sudo), like install-deps.sh.
# The desktop program and the benchmarks are not built; the codec plug-ins
# whose libraries have no arm64 package installed here are skipped by the
# build, which says which.
# Usage: tools/test-aarch64.sh [BUILD_DIR]   (default build-arm)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-arm}

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

host_packages=(g++-aarch64-linux-gnu qemu-user cmake ninja-build pkg-config)
arm_packages=(libsndfile1-dev:arm64 libsoxr-dev:arm64 libfftw3-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64)
missing=()
for package in "${host_packages[@]}" "${arm_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then run_as_root dpkg --add-architecture arm64; fi
  run_as_root apt-get update -qq
  run_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-aarch64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLE_WERROR=ON -DORVELLE_BUILD_APP=OFF -DORVELLE_BUILD_BENCH=OFF -DORVELLE_BUILD_PYTHON=OFF \
  "${launcher[@]}"
cmake --build "$build" -j "$(nproc)" --target orvelle-cli orvelle-plugin-host \
  orvelle_kernels_tests orvelle_dsp_tests orvelle_analyzer_tests orvelle_audio_io_tests

# The scores on ARM must be those on x86-64: the stored pairs' pinned figures
# and the stored detector decisions, on every kernel path this processor has.
# Left to the native runs: the threaded suites, which check that threads
# change no bit (no processor changes that, and emulated they take minutes),
# and the tests that cap the address space to make allocations fail, which
# qemu-user, mapping the guest's memory its own way, does not pass on.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -L '^(kernels|dsp|analyzer|audio_io|pinned)$' \
  -E 'Threaded|BuffersThatCannotBeAllocatedAreRefused|ConversionsBeyondTheMeasuresLimitsAreRefusedFromTheHeaderAlone'

