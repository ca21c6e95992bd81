#include "analyzer/quality_analyzer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/address_space_cap.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class QualityAnalyzerFilesTest : public test::AnalyzerLogTest {
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

  // One thread only: the side-by-side run is covered by the Threaded suites,
  // which also run under ThreadSanitizer.
  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
  ProgressCounter length_;
  ProgressCounter progress_;
};

TEST_F(QualityAnalyzerFilesTest, ShortFilesAreRefusedAtTheMinimumSize) {
  const Signal signal = test::speechLikeSignal(20000);
  const std::string tooShort = voiceFile("short.pcm", Signal(signal.begin(), signal.begin() + 19999), 1);
  const std::string minimum = voiceFile("minimum.pcm", signal);
  ASSERT_EQ(std::filesystem::file_size(tooShort), 39999u);

  test::writeWholeFile(logPath(), "previous log\r\n");
  length_.store(-1);
  EXPECT_FALSE(analyzer_.loadFiles(tooShort.c_str(), minimum.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find(tooShort), std::string::npos) << analyzer_.failureReason();
  EXPECT_NE(analyzer_.failureReason().find("too short"), std::string::npos);
  EXPECT_FALSE(analyzer_.loadFiles(minimum.c_str(), tooShort.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find("processed"), std::string::npos);
  EXPECT_EQ(length_.load(), -1);
  EXPECT_FALSE(analyzer_.isLoaded());
  // A refused comparison never reaches the log.
  EXPECT_EQ(logText(), "previous log\r\n");

  ASSERT_TRUE(analyzer_.loadFiles(minimum.c_str(), minimum.c_str(), &length_));
  EXPECT_TRUE(analyzer_.failureReason().empty());
  EXPECT_EQ(length_.load(), 40000);
  EXPECT_TRUE(analyzer_.isLoaded());
  EXPECT_EQ(analyzer_.compareLoadedFiles(&progress_), 100.0);
  EXPECT_FALSE(analyzer_.isLoaded());
  EXPECT_EQ(progress_.load(), 39996);
  EXPECT_EQ(test::splitCrLf(logText()).size(), 43u);
}

TEST_F(QualityAnalyzerFilesTest, FilesArePaddedWithSilenceToACommonLength) {
  const Signal longer = test::speechLikeSignal(30000, 1);
  const Signal shorter = test::speechLikeSignal(25000, 2);
  const std::string sourcePath = voiceFile("source.pcm", shorter);
  const std::string processedPath = voiceFile("processed.pcm", longer);
  ASSERT_TRUE(analyzer_.loadFiles(sourcePath.c_str(), processedPath.c_str(), &length_));
  EXPECT_EQ(length_.load(), 50000);
  const double fromFiles = analyzer_.compareLoadedFiles(&progress_);
  const std::string fileLog = logText();

  // The same comparison in memory: 25000 samples + 25000 zeros against
  // 30000 samples + 20000 zeros.
  Signal source(50000, 0);
  Signal processed(50000, 0);
  std::copy(shorter.begin(), shorter.end(), source.begin());
  std::copy(longer.begin(), longer.end(), processed.begin());
  EXPECT_EQ(analyzer_.compareBuffers(source.data(), processed.data(), 50000, &progress_), fromFiles);
  EXPECT_EQ(logText(), fileLog);
  EXPECT_LT(fromFiles, 100.0);
}

TEST_F(QualityAnalyzerFilesTest, AnOddTrailingByteIsIgnored) {
  const Signal signal = test::speechLikeSignal(20000);
  const std::string even = voiceFile("even.pcm", signal);
  const std::string odd = voiceFile("odd.pcm", signal, 1);
  ASSERT_TRUE(analyzer_.loadFiles(even.c_str(), odd.c_str(), &length_));
  EXPECT_EQ(length_.load(), 40000);
  EXPECT_EQ(analyzer_.compareLoadedFiles(&progress_), 100.0);
}

TEST_F(QualityAnalyzerFilesTest, MissingFilesAndMissingLoadsAreReported) {
  const std::string good = voiceFile("good.pcm", test::speechLikeSignal(20000));
  const std::string missing = scratch_.file("missing.pcm");
  EXPECT_FALSE(analyzer_.loadFiles(missing.c_str(), good.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find(missing), std::string::npos) << analyzer_.failureReason();
  EXPECT_FALSE(analyzer_.loadFiles(good.c_str(), missing.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find(missing), std::string::npos);
  EXPECT_FALSE(analyzer_.loadFiles(good.c_str(), nullptr, &length_));
  EXPECT_FALSE(analyzer_.failureReason().empty());
  EXPECT_FALSE(analyzer_.loadFiles(scratch_.path().c_str(), good.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find("folder"), std::string::npos) << analyzer_.failureReason();

  EXPECT_EQ(analyzer_.compareLoadedFiles(&progress_), 0.0);
  EXPECT_FALSE(analyzer_.lastResult().completed);
  EXPECT_FALSE(std::filesystem::exists(logPath()));

  // An in-memory comparison in between drops the loaded files.
  ASSERT_TRUE(analyzer_.loadFiles(good.c_str(), good.c_str(), &length_));
  const Signal other = test::speechLikeSignal(100000, 9);
  EXPECT_EQ(analyzer_.compareBuffers(other.data(), other.data(), 100000, &progress_), 100.0);
  EXPECT_FALSE(analyzer_.isLoaded());
  std::filesystem::remove(logPath());
  EXPECT_EQ(analyzer_.compareLoadedFiles(&progress_), 0.0);
  EXPECT_FALSE(analyzer_.failureReason().empty());
  EXPECT_FALSE(std::filesystem::exists(logPath()));
}

TEST_F(QualityAnalyzerFilesTest, FilesTooLongForASampleCountAreRefused) {
  const std::string good = voiceFile("good.pcm", test::speechLikeSignal(20000));
  // Sparse: 4 GiB of length without 4 GiB of disk.
  const std::string huge = scratch_.file("huge.pcm");
  test::writeWholeFile(huge, "");
  std::error_code error;
  std::filesystem::resize_file(huge, std::uintmax_t{1} << 32, error);
  if (error) GTEST_SKIP() << "cannot make a 4 GiB sparse file here: " << error.message();

  length_.store(-1);
  EXPECT_FALSE(analyzer_.loadFiles(good.c_str(), huge.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find(huge), std::string::npos) << analyzer_.failureReason();
  EXPECT_NE(analyzer_.failureReason().find("too long"), std::string::npos);
  EXPECT_EQ(length_.load(), -1);
  EXPECT_FALSE(analyzer_.isLoaded());

  // One byte past the longest file whose padded length fits the count.
  const std::uintmax_t limit = 2 * std::uintmax_t{2147483647} + 1 - 40000;
  std::filesystem::resize_file(huge, limit + 1, error);
  ASSERT_FALSE(error);
  EXPECT_FALSE(analyzer_.loadFiles(huge.c_str(), good.c_str(), &length_));
  EXPECT_NE(analyzer_.failureReason().find("source"), std::string::npos);
  EXPECT_NE(analyzer_.failureReason().find(std::to_string(limit)), std::string::npos) << analyzer_.failureReason();
}

TEST_F(QualityAnalyzerFilesTest, BuffersThatCannotBeAllocatedAreRefused) {
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
  const bool loaded = analyzer_.loadFiles(good.c_str(), big.c_str(), &length_);
  cap.lift();

  EXPECT_FALSE(loaded);
  EXPECT_NE(analyzer_.failureReason().find("memory"), std::string::npos) << analyzer_.failureReason();
  EXPECT_NE(analyzer_.failureReason().find(big), std::string::npos) << analyzer_.failureReason();
  EXPECT_FALSE(analyzer_.isLoaded());
  // Memory is back: the analyzer works as before.
  ASSERT_TRUE(analyzer_.loadFiles(good.c_str(), good.c_str(), &length_));
  EXPECT_EQ(analyzer_.compareLoadedFiles(&progress_), 100.0);
#endif
}

}  // namespace
}  // namespace orvelle
