#!/usr/bin/env bash
# Installs, with apt-get, whatever Debian packages the build and the tests need
# and this machine lacks, and generates the locale the tests run the desktop
# program under. Safe to run again: it changes nothing when all is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  python3-dev pybind11-dev python3-numpy python3-pytest python3-setuptools
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev
  libspandsp-dev libgsm1-dev libcodec2-dev
  libbcg729-dev libopencore-amrnb-dev libspeex-dev libopus-dev opus-tools
  espeak-ng sox libfftw3-dev help2man
  libsndfile1-dev libsoxr-dev
  locales
)
# A locale whose decimal separator is a comma: the desktop program's tests
# check that its numbers do not follow it. Debian ships it ungenerated.
comma_locale=de_DE.UTF-8

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  run_as_root apt-get update -qq
  run_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# `locale -a` lists generated locales as "de_DE.utf8".
if ! locale -a 2>/dev/null | grep -qix "${comma_locale/UTF-8/utf8}"; then
  echo "Generating locale: $comma_locale" >&2
  run_as_root localedef -i "${comma_locale%%.*}" -f UTF-8 "$comma_locale"
fi
