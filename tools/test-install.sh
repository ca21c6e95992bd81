#!/usr/bin/env bash
# Checks the installed program as a user gets it: installs the build in ./build
# (or the folder given) into a temporary prefix, moves the tree, runs it from
# another folder, finds no path of the build tree in it, builds the example
# plug-in against the installed SDK (with pkg-config and with CMake) and
# scores it, then makes the Debian package, checks it with lintian and, as
# root, installs it with apt-get, runs it, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build_dir=$(realpath "${1:-build}")

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
for tool in lintian dpkg-shlibdeps help2man; do
  if ! command -v "$tool" >/dev/null; then
    run_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lintian dpkg-dev help2man
    break
  fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "-- install, move, and run from elsewhere"
cmake --install "$build_dir" --prefix "$scratch/first" >/dev/null
mv "$scratch/first" "$scratch/moved"
prefix=$scratch/moved
if grep -rlF "$build_dir" "$prefix"; then
  echo "the installed tree names the build folder $build_dir (files above)" >&2
  exit 1
fi
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"
"$prefix/bin/orvelle-cli" --version
"$prefix/bin/orvelle-cli" quality --codec g711u --json >/dev/null
"$prefix/bin/orvelle-cli" league --speech passthrough g711a gsm610 >/dev/null
"$prefix/bin/orvelle-cli" header written.h
test "$(wc -l < written.h)" -eq 18
test -f "$prefix/share/man/man1/orvelle-cli.1.gz"
"$prefix/bin/orvelle-cli" signal --size short a.pcm
"$prefix/bin/orvelle-cli" quality --codec gsm610 --size short --save-processed b.pcm >/dev/null
python_package=$(find "$prefix" -path '*/orvelle/__init__.py' -printf '%h\n')
if [ -n "$python_package" ]; then
  PYTHONPATH=$(dirname "$python_package") /usr/bin/python3 -c "import orvelle; print(orvelle.compare('a.pcm', 'b.pcm').score)"
fi

echo "-- the example plug-in against the installed SDK"
libdir=$(dirname "$(find "$prefix" -name orvelle-plugin.pc)")
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Wpedantic -Werror -shared -fPIC \
  $(PKG_CONFIG_PATH=$libdir pkg-config --cflags orvelle-plugin) \
  "$source_dir/examples/plugin/coarse_codec.c" -o "$scratch/coarse_pkgconfig.so"
cmake -S "$source_dir/examples/plugin" -B "$scratch/example" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/example" >/dev/null
first=$("$prefix/bin/orvelle-cli" quality --codec "$scratch/coarse_pkgconfig.so")
second=$("$prefix/bin/orvelle-cli" quality --codec "$scratch/example/coarse_codec.so")
echo "$first"
test "$first" = "$second"

echo "-- the Debian package"
cd "$build_dir"
rm -f orvelle_*.deb
cpack -G DEB >/dev/null
package=$(ls orvelle_*.deb)
echo "$package"
lintian --fail-on error "$package"
if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$package" >/dev/null
  (cd "$scratch/elsewhere" && orvelle-cli league --speech passthrough g711u >/dev/null &&
     /usr/bin/python3 -c "import orvelle; print(orvelle.codec_quality('g711u', size='short').score)" &&
     echo "installed package runs")
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq orvelle >/dev/null
fi
echo "install checks passed"
