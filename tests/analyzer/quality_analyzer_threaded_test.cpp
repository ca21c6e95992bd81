#include "analyzer/quality_analyzer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class QualityAnalyzerThreaded : public test::AnalyzerLogTest {};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectSameResult(const AnalysisResult& a, const AnalysisResult& b) {
  EXPECT_TRUE(sameBits(a.score, b.score));
  EXPECT_TRUE(sameBits(a.activityAgreement, b.activityAgreement));
  EXPECT_EQ(a.analysedFrames, b.analysedFrames);
  for (std::size_t g = 0; g < a.uniform.main.size(); ++g) {
    EXPECT_TRUE(sameBits(a.uniform.main[g], b.uniform.main[g])) << g;
    EXPECT_TRUE(sameBits(a.table.main[g], b.table.main[g])) << g;
  }
  for (std::size_t i = 0; i < a.uniform.secondary.size(); ++i) {
    EXPECT_TRUE(sameBits(a.uniform.secondary[i], b.uniform.secondary[i])) << i;
    EXPECT_TRUE(sameBits(a.table.secondary[i], b.table.secondary[i])) << i;
  }
}

TEST_F(QualityAnalyzerThreaded, SideBySideRunMatchesTheSingleThreadedRunBitForBit) {
  const Signal source = test::speechLikeSignal(64000, 11);
  Signal processed = test::speechLikeSignal(64000, 12);
  // Silence the processed signal's first second so the activity differs.
  std::fill(processed.begin(), processed.begin() + 8000, std::int16_t{0});

  QualityAnalyzer single(QualityAnalyzer::Threading::single);
  QualityAnalyzer parallel(QualityAnalyzer::Threading::sideBySide);
  ProgressCounter progress;
  const double singleScore = single.compareBuffers(source.data(), processed.data(), 64000, &progress);
  const std::string singleLog = logText();
  const double parallelScore = parallel.compareBuffers(source.data(), processed.data(), 64000, &progress);
  EXPECT_TRUE(sameBits(singleScore, parallelScore));
  EXPECT_LT(parallel.lastResult().activityAgreement, 1.0);
  expectSameResult(single.lastResult(), parallel.lastResult());
  EXPECT_EQ(logText(), singleLog);
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) {
    ASSERT_TRUE(sameBits(single.sourceMean().value(bin), parallel.sourceMean().value(bin))) << bin;
    ASSERT_TRUE(sameBits(single.processedMean().value(bin), parallel.processedMean().value(bin))) << bin;
  }
}

TEST_F(QualityAnalyzerThreaded, ProgressRisesMonotonicallyWhileAnotherThreadWatches) {
  const Signal source = test::speechLikeSignal(80000, 21);
  const Signal processed = test::speechLikeSignal(80000, 22);
  QualityAnalyzer analyzer;
  ProgressCounter progress;
  std::atomic<bool> done{false};
  std::vector<long> seen;
  std::thread watcher([&] {
    while (!done.load()) {
      const long value = progress.load();
      if (seen.empty() || seen.back() != value) seen.push_back(value);
      std::this_thread::yield();
    }
  });
  analyzer.compareBuffers(source.data(), processed.data(), 80000, &progress);
  done.store(true);
  watcher.join();

  EXPECT_EQ(progress.load(), 9 * (80000 / 9));
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
  for (long value : seen) EXPECT_EQ(value % (80000 / 9), 0) << value;
}

}  // namespace
}  // namespace orvelle
