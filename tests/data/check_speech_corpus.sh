#!/usr/bin/env bash
# Makes the speech corpus again in a temporary folder with MAKER and fails
# unless every file matches the corpus in BUILT byte for byte.
# Usage: check_speech_corpus.sh MAKER BUILT
set -euo pipefail
maker=$1
built=$2
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
"$maker" "$again"
diff -r "$again" "$built"
echo "the speech corpus in $built is reproduced exactly"
