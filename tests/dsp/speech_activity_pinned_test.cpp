// Pins every decision of the detector on a stored 20 s signal, replayed until
// the frame counter has wrapped. Any change to the arithmetic that flips a
// single decision (a reordered sum, a fused multiply-add, a "simplified"
// expression) fails here. The signal and the expected decisions live in
// tests/data with the script that made them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dsp/speech_activity_detector.h"
#include "tests/support/kernel_paths.h"

namespace orvelle {
namespace {

constexpr int kFrame = SpeechActivityDetector::kFrameLength;
constexpr int kPasses = 17;  // 34000 frames: past frame 32767
constexpr int kPerLine = 100;

const std::string kDataDir = std::string(ORVELLE_SOURCE_DIR) + "/tests/data/";

std::vector<std::int16_t> loadSignal() {
  std::ifstream in(kDataDir + "speech_activity_signal.pcm", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
  }
  return samples;
}

std::string classifyPasses(const std::vector<std::int16_t>& signal) {
  SpeechActivityDetector detector;
  detector.reset();
  std::string decisions;
  const std::size_t frames = signal.size() / kFrame;
  for (int pass = 0; pass < kPasses; ++pass) {
    for (std::size_t f = 0; f < frames; ++f) {
      decisions += detector.processFrame(signal.data() + f * kFrame) == 1 ? '1' : '0';
    }
  }
  return decisions;
}

std::string readExpected() {
  std::ifstream in(kDataDir + "speech_activity_decisions.txt");
  std::string line;
  std::string decisions;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != '#') {
      decisions += line;
    }
  }
  return decisions;
}

void writeExpected(const std::string& decisions, std::size_t framesPerPass) {
  std::ofstream out(kDataDir + "speech_activity_decisions.txt");
  out << "# Decisions (1 = speech) of SpeechActivityDetector on speech_activity_signal.pcm,\n"
      << "# " << framesPerPass << " frames replayed " << kPasses << " times without reset; " << kPerLine
      << " frames a line.\n"
      << "# Written by generate_speech_activity_data.sh; do not edit by hand.\n";
  for (std::size_t i = 0; i < decisions.size(); i += kPerLine) {
    out << decisions.substr(i, kPerLine) << '\n';
  }
}

TEST(SpeechActivityPinned, DecisionsOnTheStoredSignalNeverChange) {
  ORVELLE_SKIP_UNLESS_KERNEL_PATH_RUNS();
  const std::vector<std::int16_t> signal = loadSignal();
  ASSERT_EQ(signal.size(), 2000u * kFrame) << "missing or damaged tests/data/speech_activity_signal.pcm";
  const std::string actual = classifyPasses(signal);

  if (std::getenv("ORVELLE_WRITE_SPEECH_ACTIVITY_DECISIONS") != nullptr) {
    writeExpected(actual, signal.size() / kFrame);
    GTEST_SKIP() << "expected decisions rewritten";
  }

  const std::string expected = readExpected();
  ASSERT_EQ(expected.size(), actual.size()) << "missing or damaged tests/data/speech_activity_decisions.txt";
  std::size_t mismatches = 0;
  std::size_t first = actual.size();
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) {
      ++mismatches;
      first = std::min(first, i);
    }
  }
  EXPECT_EQ(mismatches, 0u) << "first differing frame: " << first + 1 << " (pass " << first / 2000 + 1
                            << ", frame " << first % 2000 + 1 << " of the signal)";
}

}  // namespace
}  // namespace orvelle
