#include "audio_io/voice_pair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/address_space_cap.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class VoicePairTest : public ::testing::Test {
 protected:
  // Writes `samples` little-endian, plus `extraBytes` bytes of 0x7f.
  std::string voiceFile(const std::string& name, const Signal& samples, std::size_t extraBytes = 0) {
    std::string bytes;
    for (std::int16_t sample : samples) {
      const auto value = static_cast<std::uint16_t>(sample);
      bytes.push_back(static_cast<char>(value & 0xff));
      bytes.push_back(static_cast<char>(value >> 8));
    }
    bytes.append(extraBytes, '\x7f');
    const std::string path = scratch_.file(name);
    test::writeWholeFile(path, bytes);
    return path;
  }
  bool load(const std::string& source, const char* processed) {
    return readVoicePair(source.c_str(), processed, OtherFormats::refuse, pair_, fault_, reason_);
  }
  bool load(const std::string& source, const std::string& processed) { return load(source, processed.c_str()); }
  // A refused pair leaves nothing behind that could be scored.
  void expectRefused(VoiceFault fault, const std::string& named) {
    EXPECT_EQ(fault_, fault);
    EXPECT_NE(reason_.find(named), std::string::npos) << reason_;
    EXPECT_EQ(pair_.count, 0);
    EXPECT_EQ(pair_.source, nullptr);
    EXPECT_EQ(pair_.processed, nullptr);
  }
  double score() {
    return analyzer_.compareBuffers(pair_.source.get(), pair_.processed.get(), pair_.count, &progress_);
  }

  test::ScratchDirectory scratch_;
  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
  ProgressCounter progress_;
  VoicePair pair_;
  VoiceFault fault_ = VoiceFault::none;
  std::string reason_;
};

TEST_F(VoicePairTest, ShortFilesAreRefusedAtTheMinimumSizeAndAnOddTrailingByteIsIgnored) {
  const Signal signal = test::speechLikeSignal(20000);
  const std::string tooShort = voiceFile("short.pcm", Signal(signal.begin(), signal.begin() + 19999), 1);
  const std::string minimum = voiceFile("minimum.pcm", signal);
  const std::string odd = voiceFile("odd.pcm", signal, 1);
  ASSERT_EQ(std::filesystem::file_size(tooShort), 39999u);
  ASSERT_EQ(kMinimumVoiceFileBytes, 40000);

  EXPECT_FALSE(load(tooShort, minimum));
  expectRefused(VoiceFault::tooShort, "source voice file \"" + tooShort + "\" is too short");
  EXPECT_FALSE(load(minimum, tooShort));
  expectRefused(VoiceFault::tooShort, "processed voice file \"" + tooShort + "\"");

  ASSERT_TRUE(load(minimum, odd)) << reason_;
  EXPECT_EQ(fault_, VoiceFault::none);
  EXPECT_EQ(pair_.count, 40000);
  EXPECT_TRUE(pair_.conversionNotes.empty());
  EXPECT_EQ(pair_.processed.get()[20000], 0) << "the odd byte became part of a sample";
  EXPECT_EQ(score(), 100.0);
  EXPECT_EQ(progress_.load(), 39996);
}

TEST_F(VoicePairTest, FilesArePaddedWithSilenceToACommonLength) {
  const Signal longer = test::speechLikeSignal(30000, 1);
  const Signal shorter = test::speechLikeSignal(25000, 2);
  ASSERT_TRUE(load(voiceFile("source.pcm", shorter), voiceFile("processed.pcm", longer))) << reason_;
  ASSERT_EQ(pair_.count, 50000);
  const double fromFiles = score();

  // The same comparison in memory: 25000 samples + 25000 zeros against
  // 30000 samples + 20000 zeros.
  Signal source(50000, 0);
  Signal processed(50000, 0);
  std::copy(shorter.begin(), shorter.end(), source.begin());
  std::copy(longer.begin(), longer.end(), processed.begin());
  EXPECT_TRUE(std::equal(source.begin(), source.end(), pair_.source.get()));
  EXPECT_TRUE(std::equal(processed.begin(), processed.end(), pair_.processed.get()));
  EXPECT_EQ(analyzer_.compareBuffers(source.data(), processed.data(), 50000, &progress_), fromFiles);
  EXPECT_GT(fromFiles, 0.0);
  EXPECT_LT(fromFiles, 100.0);
}

TEST_F(VoicePairTest, MissingFilesAreReportedByName) {
  const std::string good = voiceFile("good.pcm", test::speechLikeSignal(20000));
  const std::string missing = scratch_.file("missing.pcm");
  ASSERT_TRUE(load(good, good));
  // A failed read drops the pair read before it.
  EXPECT_FALSE(load(missing, good));
  expectRefused(VoiceFault::unreadable, "\"" + missing + "\"");
  EXPECT_FALSE(load(good, missing));
  expectRefused(VoiceFault::unreadable, "processed voice file \"" + missing + "\"");
  EXPECT_FALSE(load(good, nullptr));
  expectRefused(VoiceFault::unreadable, "processed voice file");
  EXPECT_FALSE(load(scratch_.path().string(), good));
  expectRefused(VoiceFault::unreadable, "folder");
}

TEST_F(VoicePairTest, FilesTooLongForASampleCountAreRefused) {
  const std::string good = voiceFile("good.pcm", test::speechLikeSignal(20000));
  // Sparse: 4 GiB of length without 4 GiB of disk.
  const std::string huge = scratch_.file("huge.pcm");
  test::writeWholeFile(huge, "");
  std::error_code error;
  std::filesystem::resize_file(huge, std::uintmax_t{1} << 32, error);
  if (error) GTEST_SKIP() << "cannot make a 4 GiB sparse file here: " << error.message();

  EXPECT_FALSE(load(good, huge));
  expectRefused(VoiceFault::tooLong, "processed voice file \"" + huge + "\" is too long");

  // One byte past the longest file whose padded length fits the count.
  const std::uintmax_t limit = 2 * std::uintmax_t{2147483647} + 1 - 40000;
  std::filesystem::resize_file(huge, limit + 1, error);
  ASSERT_FALSE(error);
  EXPECT_FALSE(load(huge, good));
  expectRefused(VoiceFault::tooLong, "source voice file");
  EXPECT_NE(reason_.find("at most " + std::to_string(limit)), std::string::npos) << reason_;
}

TEST_F(VoicePairTest, BuffersThatCannotBeAllocatedAreRefused) {
#ifdef ORVELLE_UNDER_SANITIZER
  GTEST_SKIP() << "sanitizers reserve more address space than the limit below allows";
#else
  const std::string good = voiceFile("good.pcm", test::speechLikeSignal(20000));
  const std::string big = scratch_.file("big.pcm");
  test::writeWholeFile(big, "");
  std::error_code error;
  std::filesystem::resize_file(big, std::uintmax_t{3} << 30, error);  // sparse: 3 GiB, 1.5 G samples
  if (error) GTEST_SKIP() << "cannot make a sparse file here: " << error.message();

  // Cap the address space near its present size, so that the 3 GiB sample
  // buffer cannot be had.
  test::AddressSpaceCap cap(std::uintmax_t{1} << 30);
  if (!cap.applied()) GTEST_SKIP() << "cannot cap this process's address space";
  const bool loaded = load(good, big);
  cap.lift();

  EXPECT_FALSE(loaded);
  expectRefused(VoiceFault::outOfMemory, "\"" + big + "\"");
  EXPECT_NE(reason_.find("memory"), std::string::npos) << reason_;
  // Memory is back: the files read and score as before.
  ASSERT_TRUE(load(good, good)) << reason_;
  EXPECT_EQ(score(), 100.0);
#endif
}

}  // namespace
}  // namespace orvelle
