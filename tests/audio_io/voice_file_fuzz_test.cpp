// Thousands of corrupted WAV and FLAC headers: each one must be read or
// refused with a reason, never crash, hang or read past its buffers (the
// suite also runs under AddressSanitizer). The mutations come from a fixed
// seed, so a failure can be replayed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audio_io/voice_file_reader.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/sound_files.h"

namespace orvelle {
namespace {

constexpr int kMutationsPerFormat = 2000;
constexpr std::int32_t kMostSamplesRead = 1 << 16;  // bounds each read, whatever a header claims

// Changes one to four bytes, or cuts the file, within the first
// `headerBytes`: where the reader trusts what the file says about itself.
std::string mutated(const std::string& whole, std::size_t headerBytes, std::mt19937& random) {
  std::string bytes = whole;
  const std::size_t span = headerBytes < bytes.size() ? headerBytes : bytes.size();
  switch (random() % 4) {
    case 0: bytes[random() % span] = static_cast<char>(random()); break;
    case 1:
      for (std::uint32_t n = 1 + random() % 4; n > 0; --n) bytes[random() % span] ^= static_cast<char>(1u << (random() % 8));
      break;
    case 2: {
      // A length field set to an extreme: 0, all ones, or just past the file.
      const std::size_t at = random() % (span - 3);
      const std::uint32_t values[] = {0, 0xffffffffu, static_cast<std::uint32_t>(bytes.size() + 1),
                                      static_cast<std::uint32_t>(random())};
      const std::uint32_t value = values[random() % 4];
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
      break;
    }
    default: bytes.resize(random() % bytes.size()); break;
  }
  return bytes;
}

struct Outcome {
  int read = 0;
  int refused = 0;
  int converted = 0;  // read through the resampler
};

// Runs one file through the reader as every caller does: open, then read.
void readOrRefuse(const std::string& path, OtherFormats others, std::vector<std::int16_t>& samples,
                  Outcome& outcome) {
  OpenVoiceFile voice;
  std::string reason;
  bool ok = openVoiceFile(path.c_str(), "source", 0, voice, reason, others);
  if (ok) {
    const std::int64_t available = voice.bytes / 2;
    const auto count = static_cast<std::int32_t>(available < kMostSamplesRead ? available : kMostSamplesRead);
    ok = readVoiceSamples(voice, path.c_str(), "source", samples.data(), count, reason);
  }
  if (ok) {
    ++outcome.read;
    if (voice.resampled) ++outcome.converted;
    return;
  }
  ++outcome.refused;
  EXPECT_NE(reason.find("\"" + path + "\""), std::string::npos) << reason;
}

TEST(VoiceFileFuzz, MutatedWavAndFlacHeadersAreReadOrRefusedWithAReason) {
  test::ScratchDirectory scratch;
  const std::vector<std::int16_t> signal = test::speechLikeSignal(4000, 3);
  std::vector<std::int16_t> samples(kMostSamplesRead + 1);
  std::mt19937 random(20261209);
  const struct {
    const char* name;
    int format;
    std::size_t headerBytes;  // the RIFF chunks, or the FLAC metadata and first frame header
  } formats[] = {{"fuzz.wav", test::kVoiceWav, 64}, {"fuzz.flac", test::kVoiceFlac, 128}};
  for (const auto& format : formats) {
    SCOPED_TRACE(format.name);
    const std::string original = scratch.file(std::string("original-") + format.name);
    test::writeSoundFile(original, signal, format.format);
    const std::string whole = test::readWholeFile(original);
    const std::string path = scratch.file(format.name);
    Outcome outcome;
    for (int i = 0; i < kMutationsPerFormat; ++i) {
      // A fresh file each time: truncating one in place makes the file
      // system flush it first, which costs far more than the test itself.
      std::filesystem::remove(path);
      test::writeWholeFile(path, mutated(whole, format.headerBytes, random));
      // A header changed to another rate or channel count reaches the
      // resampler too.
      readOrRefuse(path, OtherFormats::refuse, samples, outcome);
      readOrRefuse(path, OtherFormats::resample, samples, outcome);
      if (testing::Test::HasFailure()) FAIL() << "mutation " << i << " of " << format.name;
    }
    // Both outcomes occur, so the mutations reach past the first check.
    EXPECT_GT(outcome.read, 0);
    EXPECT_GT(outcome.refused, 0);
    EXPECT_GT(outcome.converted, 0);
  }
}

}  // namespace
}  // namespace orvelle
