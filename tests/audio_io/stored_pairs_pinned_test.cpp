// Pins every figure of the measure on stored pairs: three seconds of the
// bundled speech and its decoding by a few bundled codecs, kept in
// tests/data/stored_pairs with the script that made them and the figures
// compare-files gave; read and scored as compare-files does. The figures must come out with the same bits on every
// processor (x86-64 and aarch64 alike) and on every kernel path; ctest runs
// this once for each value of ORVELLE_KERNELS.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "audio_io/voice_pair.h"
#include "tests/support/kernel_paths.h"

namespace orvelle {
namespace {

const std::string kPairDir = std::string(ORVELLE_SOURCE_DIR) + "/tests/data/stored_pairs/";

// The figures in the order of figures.txt.
// Score, agreement, both modes' groups, the delay: then the correlation.
constexpr std::size_t kWaveformCorrelationFigure = 2 + 2 * (kMainGroupCount + kSecondaryGroupCount) + 1;
std::vector<double> figuresOf(const AnalysisResult& r) {
  std::vector<double> figures{r.score, r.activityAgreement};
  for (const GroupSimilarities* mode : {&r.uniform, &r.table}) {
    figures.insert(figures.end(), mode->main.begin(), mode->main.end());
    figures.insert(figures.end(), mode->secondary.begin(), mode->secondary.end());
  }
  const CompanionFigures& c = r.companion;
  figures.insert(figures.end(), {static_cast<double>(c.delaySamples), c.waveformCorrelation, c.segmentalSnrDb,
                                 c.levelDifferenceDb});
  return figures;
}

TEST(StoredPairsPinned, EveryFigureOfEveryPairKeepsItsBits) {
  ORVELLE_SKIP_UNLESS_KERNEL_PATH_RUNS();
  std::ifstream list(kPairDir + "figures.txt");
  ASSERT_TRUE(list) << "tests/data/stored_pairs/figures.txt";
  int pairs = 0;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    std::vector<double> expected;
    for (std::string field; fields >> field;) expected.push_back(std::stod(field));
    VoicePair pair;
    VoiceFault fault = VoiceFault::none;
    std::string reason;
    ASSERT_TRUE(readVoicePair((kPairDir + "source.pcm").c_str(), (kPairDir + name).c_str(), OtherFormats::refuse, pair,
                              fault, reason))
        << reason;

    QualityAnalyzer analyzer(QualityAnalyzer::Threading::single);
    analyzer.setCompanionFigures(true);
    analyzer.compareBuffers(pair.source.get(), pair.processed.get(), pair.count, nullptr);
    ASSERT_TRUE(analyzer.lastResult().completed) << name;
    const std::vector<double> actual = figuresOf(analyzer.lastResult());
    ASSERT_EQ(actual.size(), expected.size()) << name;
    for (std::size_t i = 0; i < actual.size(); ++i) {
      if (i == kWaveformCorrelationFigure) {
        // The one figure taken from FFTW's transforms (laggedCorrelation),
        // whose rounding is that of the codelets each libfftw3 build runs:
        // on the gsm610 pair the exact correlation is 0.94939250104416010,
        // x86-64 gives ...16029 and aarch64 ...16006. Everything else,
        // the score and the delay found from this correlation included,
        // keeps its bits.
        EXPECT_NEAR(actual[i], expected[i], 1e-9) << name << " waveform correlation";
        continue;
      }
      EXPECT_EQ(std::bit_cast<std::uint64_t>(actual[i]), std::bit_cast<std::uint64_t>(expected[i]))
          << name << " figure " << i << ": " << actual[i] << " instead of " << expected[i] << " on the "
          << kernelPathName(activeKernelPath()) << " path";
    }
    ++pairs;
  }
  EXPECT_EQ(pairs, 3);
}

}  // namespace
}  // namespace orvelle
