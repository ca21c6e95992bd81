#!/usr/bin/env bash
# Regenerates the speech-activity regression data: the stored signal (only
# with --signal) and the pinned decisions, which the detector in the given
# build directory computes. Review the new decisions before committing them.
#   tests/data/generate_speech_activity_data.sh [--signal] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "${1:-}" = "--signal" ]; then
  python3 tests/data/generate_speech_activity_signal.py
  shift
fi
build_dir=${1:-build}
cmake --build "$build_dir" --target orvelle_dsp_tests
ORVELLE_WRITE_SPEECH_ACTIVITY_DECISIONS=1 "$build_dir/tests/orvelle_dsp_tests" \
  --gtest_filter='SpeechActivityPinned.*'
echo "wrote tests/data/speech_activity_decisions.txt"
