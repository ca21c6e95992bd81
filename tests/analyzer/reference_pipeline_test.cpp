// The whole measurement recomputed the slow, plain way, one rule at a time in
// its defined order (no pairing, no fused stages, no precomputed swap lists),
// and compared with the analyzer bit for bit: the score, every similarity in
// both modes, the activity agreement, both mean spectra and the log text.
// Any reordering of a sum, a changed constant or comparison, or a shifted
// frame or bin shows up here.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analyzer/band_table.h"
#include "analyzer/measurement_report.h"
#include "analyzer/quality_analyzer.h"
#include "dsp/speech_activity_detector.h"
#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/kernel_paths.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

constexpr double kPlainPi = 3.1415926535;
constexpr std::int32_t kN = 1024;
constexpr std::int32_t kM = 10;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct PlainFrontEnd {
  std::vector<std::int32_t> reversal;
  std::vector<double> cosine;
  std::vector<double> window;

  PlainFrontEnd() : reversal(kN, 0), cosine(kN / 2), window(kN) {
    std::int32_t a = 0;
    std::int32_t s = kN / 2;
    for (std::int32_t i = 1; i < kN; ++i) {
      reversal[i] = reversal[a] + s;
      a += 1;
      if (2 * a > i) {
        a = 0;
        s = s / 2;
      }
    }
    for (std::int32_t i = 0; i < kN / 2; ++i) cosine[i] = std::cos(kPlainPi * i / kN);
    for (std::int32_t i = 0; i < kN; ++i) window[i] = 0.54 + 0.46 * std::cos(2 * kPlainPi * i / (kN - 1));
  }

  // Window, transform and power spectrum of one frame (P[0] to P[N/2]).
  std::vector<double> power(const std::int16_t* samples) const {
    std::vector<double> x(kN);
    for (std::int32_t i = 0; i < kN; ++i) x[i] = samples[i];
    for (std::int32_t i = 0; i < kN; ++i) x[i] = window[i] * x[i];
    for (std::int32_t i = 0; i < kN; ++i) {
      const std::int32_t r = reversal[i];
      if (i < r) std::swap(x[i], x[r]);
    }
    for (std::int32_t k = 1; k <= kM; ++k) {
      const std::int32_t n = 1 << k, h = n / 2, q = n / 4;
      for (std::int32_t b = 0; b < kN; b += n) {
        const double first = x[b], second = x[b + h];
        x[b] = first + second;
        x[b + h] = first - second;
      }
      if (k < 3) continue;
      for (std::int32_t j = 1; j <= q - 1; ++j) {
        const double c = cosine[j * kN / h];
        const double s = cosine[kN / 2 - j * kN / h];
        for (std::int32_t b = 0; b < kN; b += n) {
          const std::int32_t A = b + j, B = b + h + j, C = b + h - j, D = b + n - j;
          const double xa = x[A], xb = x[B], xc = x[C], xd = x[D];
          const double t1 = c * xb - s * xd;
          const double t2 = c * xd + s * xb;
          x[A] = xa + t1;
          x[C] = xa - t1;
          x[B] = t2 - xc;
          x[D] = t2 + xc;
        }
      }
    }
    for (std::int32_t i = 0; i < kN; ++i) x[i] = x[i] * (1.0 / (kN / 2));
    std::vector<double> p(kN / 2 + 1);
    p[0] = x[0] * x[0];
    for (std::int32_t k = 1; k < kN / 2; ++k) p[k] = x[k] * x[k] + x[kN - k] * x[kN - k];
    p[kN / 2] = x[kN / 2] * x[kN / 2];
    return p;
  }
};

struct PlainBand {
  double centre, width, upper, lower;
  std::int32_t upperBin, lowerBin;
  double uniformWeight, tableWeight, energy;
};

std::vector<PlainBand> plainGroup(BandTable table) {
  std::vector<PlainBand> bands(table.size());
  std::int32_t count = static_cast<std::int32_t>(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    PlainBand& band = bands[i];
    band.centre = table[i].centreHz;
    band.width = table[i].widthHz;
    band.upper = band.width * 0.5 + band.centre;
    band.lower = band.centre - band.width * 0.5;
    band.energy = 0.0;
  }
  const double nyq = 8000.0 * 0.5;
  bool stopped = false;
  if (count < 2) {
    count = 0;
    stopped = true;
  } else if (nyq < bands[0].upper) {
    count = 0;
    stopped = true;
  }
  if (!stopped) {
    if (bands[0].lower < 0) bands[0].lower = 0;
    for (std::int32_t i = 0; i < count; ++i) {
      if (bands[i].lower < 0) {
        count = 0;
        break;
      }
      if (nyq < bands[i].lower) {
        count = i;
        break;
      }
      if (nyq < bands[i].upper) {
        bands[i].upper = nyq;
        count = i + 1;
        break;
      }
    }
    for (std::int32_t i = 0; i < count; ++i) {
      bands[i].width = bands[i].upper - bands[i].lower;
      bands[i].centre = (bands[i].lower + bands[i].upper) * 0.5;
      if (bands[i].width == 0 || bands[i].centre == 0) {
        count = 0;
        break;
      }
    }
  }
  bands.resize(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    bands[i].upperBin = static_cast<std::int32_t>((kN / 2 - 1) * 2 * bands[i].upper / 8000.0);
    bands[i].lowerBin = static_cast<std::int32_t>((kN / 2 - 1) * 2 * bands[i].lower / 8000.0);
    bands[i].uniformWeight = 1.0 / count;
    bands[i].tableWeight = table[static_cast<std::size_t>(i)].tableWeight;
  }
  return bands;
}

void plainUpdate(std::vector<PlainBand>& bands, const std::vector<double>& mean) {
  for (PlainBand& band : bands) {
    band.energy = 0;
    for (std::int32_t j = band.lowerBin; j <= band.upperBin - 1; ++j) {
      if (j == 0) continue;
      band.energy += (j >= 0 && j < static_cast<std::int32_t>(mean.size())) ? mean[static_cast<std::size_t>(j)] : 0.0;
    }
  }
}

double plainSimilarity(const std::vector<PlainBand>& source, const std::vector<PlainBand>& processed, int mode) {
  const std::int32_t n = static_cast<std::int32_t>(source.size());
  if (n <= 0) return 100;
  double S = 100;
  for (std::int32_t c = 0; c < n; ++c) {
    const double s = source[static_cast<std::size_t>(c)].energy;
    const double p = c < static_cast<std::int32_t>(processed.size()) ? processed[static_cast<std::size_t>(c)].energy : 0.0;
    if (!(std::fabs(s) > 0.001)) continue;
    const double r = std::fabs(s - p) / std::fabs(s);
    const double w = mode == 0 ? source[static_cast<std::size_t>(c)].uniformWeight
                               : source[static_cast<std::size_t>(c)].tableWeight;
    double d = 100 * w * r;
    if (d > 100 * w) d = 100 * w;
    S = S - d;
  }
  return S >= 0 ? S : 0;
}

std::int32_t ceilDiv(std::int32_t a, std::int32_t b) { return (a + b - 1) / b; }

void plainDetect(const Signal& samples, std::int32_t len, std::vector<std::int16_t>& flags) {
  SpeechActivityDetector detector;
  detector.reset();
  const std::int32_t m = len <= 1024 ? 0 : ceilDiv(len - 1024, 80);
  for (std::int32_t k = 0; k < m; ++k) flags[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(detector.processFrame(samples.data() + 80 * k));
  for (std::int32_t b = 0; b <= ceilDiv(m, 8) - 1; ++b) {
    std::int32_t sum = 0;
    for (std::int32_t i = 8 * b; i <= 8 * b + 7; ++i) sum += flags[static_cast<std::size_t>(i)];
    for (std::int32_t i = 8 * b; i <= 8 * b + 7; ++i) flags[static_cast<std::size_t>(i)] = sum > 0 ? 1 : 0;
  }
}

std::vector<double> plainAccumulate(const PlainFrontEnd& frontEnd, const Signal& samples, std::int32_t len,
                                    const std::vector<std::int16_t>& gate, std::int32_t& frames) {
  std::vector<double> mean(512, 0.0);
  frames = 0;
  const std::int32_t F = len <= 1024 ? 0 : ceilDiv(len - 1024, 160);
  for (std::int32_t k = 0; k < F; ++k) {
    if (gate[static_cast<std::size_t>(2 * k)] == 0 && gate[static_cast<std::size_t>(2 * k + 1)] == 0) continue;
    const std::vector<double> p = frontEnd.power(samples.data() + 160 * k);
    frames += 1;
    for (std::size_t i = 0; i < mean.size(); ++i) mean[i] += (p[i] - mean[i]) / frames;
  }
  return mean;
}

struct PlainRun {
  double agreement = 0.0;
  std::array<double, 5> mainUniform{}, mainTable{};
  std::array<double, 10> secondaryUniform{}, secondaryTable{};
  double score = 0.0;
  std::vector<double> sourceMean, processedMean;
  std::int32_t frames = 0;
  std::string log;
};

std::string formatted(const char* format, double value) {
  char line[128];
  std::snprintf(line, sizeof line, format, value);
  return line;
}

PlainRun plainRun(const Signal& source, const Signal& processed) {
  const std::int32_t len = static_cast<std::int32_t>(source.size());
  PlainRun run;
  std::vector<std::int16_t> sourceFlags(static_cast<std::size_t>(len / 80 + 50), 0);
  std::vector<std::int16_t> processedFlags(sourceFlags.size(), 0);
  plainDetect(source, len, sourceFlags);
  plainDetect(processed, len, processedFlags);
  const std::int32_t n = len / 80;
  std::int32_t disagreements = 0;
  for (std::int32_t k = 0; k < n; ++k) {
    if (sourceFlags[static_cast<std::size_t>(k)] != processedFlags[static_cast<std::size_t>(k)]) ++disagreements;
    if (sourceFlags[static_cast<std::size_t>(k)] != 0 || processedFlags[static_cast<std::size_t>(k)] != 0) sourceFlags[static_cast<std::size_t>(k)] = 1;
  }
  run.agreement = static_cast<double>(n - disagreements) / n;

  const PlainFrontEnd frontEnd;
  std::int32_t processedFrames = 0;
  run.sourceMean = plainAccumulate(frontEnd, source, len, sourceFlags, run.frames);
  run.processedMean = plainAccumulate(frontEnd, processed, len, sourceFlags, processedFrames);

  for (std::int32_t g = 1; g <= 5; ++g) {
    std::vector<PlainBand> s = plainGroup(mainBandTable(g));
    std::vector<PlainBand> p = plainGroup(mainBandTable(g));
    plainUpdate(s, run.sourceMean);
    plainUpdate(p, run.processedMean);
    run.mainUniform[static_cast<std::size_t>(g - 1)] = plainSimilarity(s, p, 0);
    run.mainTable[static_cast<std::size_t>(g - 1)] = plainSimilarity(s, p, 1);
  }
  for (std::int32_t i = 0; i < 10; ++i) {
    std::vector<PlainBand> s = plainGroup(secondaryBandTable(i));
    std::vector<PlainBand> p = plainGroup(secondaryBandTable(i));
    plainUpdate(s, run.sourceMean);
    plainUpdate(p, run.processedMean);
    run.secondaryUniform[static_cast<std::size_t>(i)] = plainSimilarity(s, p, 0);
    run.secondaryTable[static_cast<std::size_t>(i)] = plainSimilarity(s, p, 1);
  }
  double sum = 0;
  for (double value : run.mainUniform) sum += value;
  run.score = 0.2 * sum;

  const std::string separator = std::string(64, '=') + "\r\n";
  std::string& log = run.log;
  log += formatted("Vad Quality = %f\r\n", run.agreement);
  log += separator;
  for (const auto* values : {&run.mainUniform, &run.mainTable}) {
    const auto& v = *values;
    for (int g = 0; g < 5; ++g) log += "Quality[" + std::to_string(g + 1) + "] = " + formatted("%lf\r\n", v[static_cast<std::size_t>(g)]);
    log += formatted("AvgQ]4[ = %lf\r\n", 0.25 * (v[0] + v[1] + v[2] + v[3]));
    log += separator;
  }
  for (const auto* values : {&run.secondaryUniform, &run.secondaryTable}) {
    log += separator;
    double secondarySum = 0;
    for (int i = 0; i < 10; ++i) {
      log += "Quality2[" + std::to_string(i) + "] = " + formatted("%lf\r\n", (*values)[static_cast<std::size_t>(i)]);
      secondarySum += (*values)[static_cast<std::size_t>(i)];
    }
    log += formatted("AvgQ2]10[ = %lf\r\n", 0.1 * secondarySum);
    log += separator;
  }
  log += separator;
  return run;
}

// A processed signal that differs from the source in level, in spectral tilt
// and in where it is silent, so that every measure lands strictly inside its
// range and the two signals' activity disagrees in places.
Signal degraded(const Signal& source, std::uint32_t seed) {
  Signal out(source.size());
  std::uint32_t noise = seed;
  for (std::size_t i = 0; i < source.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double previous = i > 0 ? source[i - 1] : 0.0;
    double value = 0.6 * source[i] + 0.3 * previous + static_cast<double>(static_cast<std::int32_t>(noise >> 24) - 128);
    if (i >= 9000 && i < 13000) value = 0.0;
    out[i] = static_cast<std::int16_t>(std::lround(value));
  }
  return out;
}

class ReferencePipeline : public ::testing::Test {
 protected:
  void expectSameAsPlain(const Signal& source, const Signal& processed) {
    ASSERT_EQ(source.size(), processed.size());
    const PlainRun expected = plainRun(source, processed);
    const double score = analyzer_.compareBuffers(source.data(), processed.data(),
                                                  static_cast<std::int32_t>(source.size()), nullptr);
    const AnalysisResult& result = analyzer_.lastResult();
    ASSERT_TRUE(result.completed);
    EXPECT_TRUE(sameBits(score, expected.score)) << score << " vs " << expected.score;
    EXPECT_TRUE(sameBits(result.activityAgreement, expected.agreement))
        << result.activityAgreement << " vs " << expected.agreement;
    EXPECT_EQ(analyzer_.sourceMean().frames(), expected.frames);
    EXPECT_EQ(analyzer_.processedMean().frames(), expected.frames);
    for (std::int32_t bin = 0; bin < 512; ++bin) {
      ASSERT_TRUE(sameBits(analyzer_.sourceMean().value(bin), expected.sourceMean[static_cast<std::size_t>(bin)])) << bin;
      ASSERT_TRUE(sameBits(analyzer_.processedMean().value(bin), expected.processedMean[static_cast<std::size_t>(bin)])) << bin;
    }
    for (std::size_t g = 0; g < 5; ++g) {
      EXPECT_TRUE(sameBits(result.uniform.main[g], expected.mainUniform[g])) << "main " << g + 1;
      EXPECT_TRUE(sameBits(result.table.main[g], expected.mainTable[g])) << "main " << g + 1;
    }
    for (std::size_t i = 0; i < 10; ++i) {
      EXPECT_TRUE(sameBits(result.uniform.secondary[i], expected.secondaryUniform[i])) << "secondary " << i;
      EXPECT_TRUE(sameBits(result.table.secondary[i], expected.secondaryTable[i])) << "secondary " << i;
    }
    EXPECT_EQ(measurementLogText(result), expected.log);
    // The comparison must have had something to compare.
    EXPECT_GT(expected.frames, 0);
    EXPECT_GT(expected.score, 0.0);
    EXPECT_LT(expected.score, 100.0);
  }

  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
};

TEST_F(ReferencePipeline, DegradedSpeechMatchesThePlainComputation) {
  ORVELLE_SKIP_UNLESS_KERNEL_PATH_RUNS();
  // Not a multiple of 80 or 160, so the last frames and hang-over block are
  // cut at odd places.
  const Signal source = test::speechLikeSignal(24037, 4);
  const Signal processed = degraded(source, 17);
  expectSameAsPlain(source, processed);
  EXPECT_LT(analyzer_.lastResult().activityAgreement, 1.0);
}

TEST_F(ReferencePipeline, SwappedRolesMatchThePlainComputation) {
  ORVELLE_SKIP_UNLESS_KERNEL_PATH_RUNS();
  const Signal speech = test::speechLikeSignal(20163, 8);
  const Signal processed = degraded(speech, 5);
  expectSameAsPlain(processed, speech);
}

}  // namespace
}  // namespace orvelle
