#include "analyzer/quality_analyzer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "tests/analyzer/speech_like_signal.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

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

void expectSameCompanions(const CompanionFigures& a, const CompanionFigures& b) {
  EXPECT_EQ(a.measured, b.measured);
  EXPECT_EQ(a.delaySamples, b.delaySamples);
  EXPECT_EQ(a.delayMethod, b.delayMethod);
  EXPECT_TRUE(sameBits(a.waveformCorrelation, b.waveformCorrelation));
  EXPECT_EQ(a.speechFrames, b.speechFrames);
  EXPECT_TRUE(sameBits(a.segmentalSnrDb, b.segmentalSnrDb));
  EXPECT_TRUE(sameBits(a.levelDifferenceDb, b.levelDifferenceDb));
}

// The distinct values a watching thread sees the counter take during `run`.
template <typename Run>
std::vector<long> watchProgress(ProgressCounter& progress, Run run) {
  std::atomic<bool> done{false};
  std::vector<long> seen;
  std::thread watcher([&] {
    while (!done.load()) {
      const long value = progress.load();
      if (seen.empty() || seen.back() != value) seen.push_back(value);
      std::this_thread::yield();
    }
  });
  run();
  done.store(true);
  watcher.join();
  return seen;
}

TEST(QualityAnalyzerThreaded, SideBySideRunMatchesTheSingleThreadedRunBitForBit) {
  const Signal source = test::speechLikeSignal(64000, 11);
  Signal processed = test::speechLikeSignal(64000, 12);
  // Silence the processed signal's first second so the activity differs.
  std::fill(processed.begin(), processed.begin() + 8000, std::int16_t{0});

  QualityAnalyzer single(QualityAnalyzer::Threading::single);
  QualityAnalyzer parallel(QualityAnalyzer::Threading::sideBySide);
  // On two threads the companion figures are measured beside the rest.
  single.setCompanionFigures(true);
  parallel.setCompanionFigures(true);
  ProgressCounter progress;
  const double singleScore = single.compareBuffers(source.data(), processed.data(), 64000, &progress);
  const double parallelScore = parallel.compareBuffers(source.data(), processed.data(), 64000, &progress);
  EXPECT_TRUE(sameBits(singleScore, parallelScore));
  EXPECT_LT(parallel.lastResult().activityAgreement, 1.0);
  expectSameResult(single.lastResult(), parallel.lastResult());
  expectSameCompanions(single.lastResult().companion, parallel.lastResult().companion);
  EXPECT_TRUE(parallel.lastResult().companion.measured);
  for (std::int32_t bin = 0; bin < kMeanSpectrumBins; ++bin) {
    ASSERT_TRUE(sameBits(single.sourceMean().value(bin), parallel.sourceMean().value(bin))) << bin;
    ASSERT_TRUE(sameBits(single.processedMean().value(bin), parallel.processedMean().value(bin))) << bin;
  }
}

TEST(QualityAnalyzerThreaded, ProgressRisesMonotonicallyWhileAnotherThreadWatches) {
  const Signal source = test::speechLikeSignal(80000, 21);
  const Signal processed = test::speechLikeSignal(80000, 22);
  QualityAnalyzer analyzer;
  ProgressCounter progress;
  const std::vector<long> seen =
      watchProgress(progress, [&] { analyzer.compareBuffers(source.data(), processed.data(), 80000, &progress); });

  EXPECT_EQ(progress.load(), 9 * (80000 / 9));
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
  for (long value : seen) EXPECT_EQ(value % (80000 / 9), 0) << value;
}

// A source and a processed signal whose activity differs (the processed
// signal's first second is silent), so that flags taken from the wrong
// signal would show in the agreement and the spectra.
struct SignalPair {
  Signal source = test::speechLikeSignal(64000, 31);
  Signal processed = [] {
    Signal s = test::speechLikeSignal(64000, 32);
    std::fill(s.begin(), s.begin() + 8000, std::int16_t{0});
    return s;
  }();
};

// A plain side-by-side run of `count` samples.
AnalysisResult plainRun(const Signal& source, const Signal& processed, std::int32_t count) {
  QualityAnalyzer plain;
  plain.setCompanionFigures(true);
  ProgressCounter progress;
  plain.compareBuffers(source.data(), processed.data(), count, &progress);
  return plain.lastResult();
}

TEST(PreparedSourceThreaded, APreparedSourceGivesThePlainRunsResultAndProgress) {
  const SignalPair pair;
  const AnalysisResult plain = plainRun(pair.source, pair.processed, 64000);

  QualityAnalyzer analyzer;
  analyzer.setCompanionFigures(true);
  analyzer.prepareSource(pair.source.data(), 64000);
  EXPECT_TRUE(analyzer.hasPreparedSource());
  ProgressCounter progress;
  const std::vector<long> seen = watchProgress(progress, [&] {
    analyzer.compareBuffers(pair.source.data(), pair.processed.data(), 64000, &progress);
  });
  EXPECT_FALSE(analyzer.hasPreparedSource()) << "a run takes over what was prepared for it";
  expectSameResult(plain, analyzer.lastResult());
  expectSameCompanions(plain.companion, analyzer.lastResult().companion);
  EXPECT_TRUE(analyzer.lastResult().companion.measured);
  EXPECT_LT(analyzer.lastResult().activityAgreement, 1.0);
  // The same nine equal steps, in order, ending where a plain run ends.
  EXPECT_EQ(progress.load(), 9 * (64000 / 9));
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
  for (long value : seen) EXPECT_EQ(value % (64000 / 9), 0) << value;
}

TEST(PreparedSourceThreaded, ARunOfOtherSamplesOrAnotherLengthIgnoresWhatWasPrepared) {
  const SignalPair pair;
  const Signal other = test::speechLikeSignal(64000, 33);
  QualityAnalyzer analyzer;
  analyzer.setCompanionFigures(true);
  ProgressCounter progress;

  // Prepared for `other`, run with the source: the source's own flags count.
  AnalysisResult plain = plainRun(pair.source, pair.processed, 64000);
  analyzer.prepareSource(other.data(), 64000);
  analyzer.compareBuffers(pair.source.data(), pair.processed.data(), 64000, &progress);
  expectSameResult(plain, analyzer.lastResult());
  expectSameCompanions(plain.companion, analyzer.lastResult().companion);
  EXPECT_FALSE(analyzer.hasPreparedSource());

  // Prepared for the source's 64000 samples, run over fewer of them: the
  // flags of the longer signal would reach frames the shorter never starts.
  plain = plainRun(pair.source, pair.processed, 40000);
  analyzer.prepareSource(pair.source.data(), 64000);
  analyzer.compareBuffers(pair.source.data(), pair.processed.data(), 40000, &progress);
  expectSameResult(plain, analyzer.lastResult());
  EXPECT_EQ(analyzer.lastResult().sampleCount, 40000);

  // Prepared, then the source changed and the preparation dropped, as the
  // session does when it releases or refills its buffers.
  Signal changing = pair.source;
  analyzer.prepareSource(changing.data(), 64000);
  analyzer.dropPreparedSource();
  EXPECT_FALSE(analyzer.hasPreparedSource());
  changing = other;
  plain = plainRun(changing, pair.processed, 64000);
  analyzer.compareBuffers(changing.data(), pair.processed.data(), 64000, &progress);
  expectSameResult(plain, analyzer.lastResult());
}

TEST(PreparedSourceThreaded, WhatWasPreparedEndsWithEveryCallThatCannotUseIt) {
  const SignalPair pair;
  {
    // A prepared buffer freed right after the analyzer has gone: the
    // destructor waits for the classification.
    auto samples = std::make_unique<Signal>(pair.source);
    QualityAnalyzer analyzer;
    analyzer.prepareSource(samples->data(), 64000);
  }
  QualityAnalyzer analyzer;
  ProgressCounter progress;
  // A run that cannot take its signals drops it as well.
  analyzer.prepareSource(pair.source.data(), 64000);
  EXPECT_EQ(analyzer.compareBuffers(pair.source.data(), nullptr, 64000, &progress), 0.0);
  EXPECT_FALSE(analyzer.lastResult().completed);
  EXPECT_FALSE(analyzer.hasPreparedSource());
  // A new preparation replaces it; one with nothing to classify, or for a
  // run on one thread, prepares nothing.
  analyzer.prepareSource(pair.source.data(), 64000);
  analyzer.prepareSource(pair.source.data(), 0);
  EXPECT_FALSE(analyzer.hasPreparedSource());
  analyzer.prepareSource(nullptr, 64000);
  EXPECT_FALSE(analyzer.hasPreparedSource());
  QualityAnalyzer single(QualityAnalyzer::Threading::single);
  single.prepareSource(pair.source.data(), 64000);
  EXPECT_FALSE(single.hasPreparedSource());
}

}  // namespace
}  // namespace orvelle
