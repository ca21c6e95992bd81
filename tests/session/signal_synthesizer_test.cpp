#include "session/signal_synthesizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "session/headless_progress_dialog.h"
#include "session/kaiser_band_pass.h"
#include "session/signal_plans.h"
#include "session/synthesizer_noise.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

constexpr std::int32_t kSegmentsPerBand = 14;
constexpr std::int32_t kShortBandSamples = 14 * 40000 + 8000;

std::vector<std::int16_t> synthesise(SignalSynthesizer& synthesizer, const SignalPlan& plan,
                                     ProgressDialog* dialog = nullptr) {
  std::vector<std::int16_t> samples(static_cast<std::size_t>(plannedSampleCount(plan)));
  synthesizer.generateInternalSource(samples.data(), dialog, plan);
  return samples;
}

// The voice-file bytes of samples: 16-bit little-endian.
std::string littleEndianBytes(const std::int16_t* samples, std::size_t count) {
  std::string bytes(2 * count, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    const auto bits = static_cast<std::uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<char>(bits & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(bits >> 8);
  }
  return bytes;
}

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

// Every change a progress dialog saw, in order.
struct ProgressLog {
  std::vector<ProgressSnapshot> changes;
  HeadlessProgressDialog::Listener listener() {
    return [this](const ProgressSnapshot& s) { changes.push_back(s); };
  }
};

TEST(SignalLength, AddsFrameAndTailToTheSignal) {
  SignalSynthesizer synthesizer;
  EXPECT_EQ(synthesizer.signalLength(160, 0), 4585184);
  EXPECT_EQ(synthesizer.signalLength(0, 1), 11401024);
  EXPECT_EQ(synthesizer.signalLength(240, 2), 26837264);
}

TEST(SignalLength, RefusesUnknownSizesAndOverflow) {
  SignalSynthesizer synthesizer;
  EXPECT_EQ(synthesizer.signalLength(160, 3), -1);
  EXPECT_EQ(synthesizer.signalLength(160, -1), -1);
  EXPECT_EQ(synthesizer.signalLength(std::numeric_limits<std::int32_t>::max() - 1000, 0), -1);
}

TEST(SignalPlans, SizesGiveTheTestSignalFileLengths) {
  const std::int64_t fileBytes[] = {9088000, 22720000, 53592000};
  const std::int32_t bandCounts[] = {8, 20, 77};
  for (std::int32_t sizeType = 0; sizeType < 3; ++sizeType) {
    const SignalPlan* plan = signalPlan(sizeType);
    ASSERT_NE(plan, nullptr);
    EXPECT_EQ(plan->bandCount, bandCounts[sizeType]);
    EXPECT_EQ(plan->segmentCount, kSegmentsPerBand);
    EXPECT_EQ(2 * plannedSampleCount(*plan), fileBytes[sizeType]) << "size type " << sizeType;
  }
  EXPECT_EQ(signalPlan(3), nullptr);
}

TEST(SignalPlans, LongPlanRepeatsShortAndNormalBands) {
  const SignalPlan& longPlan = *signalPlan(2);
  const SignalPlan& shortPlan = *signalPlan(0);
  const SignalPlan& normalPlan = *signalPlan(1);
  for (std::int32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(longPlan.bands[15 + i].centreHz, shortPlan.bands[i].centreHz);
    EXPECT_EQ(longPlan.bands[15 + i].widthHz, shortPlan.bands[i].widthHz);
  }
  for (std::int32_t i = 1; i < 19; ++i) {
    EXPECT_EQ(longPlan.bands[57 + i].centreHz, normalPlan.bands[i].centreHz);
    EXPECT_EQ(longPlan.bands[57 + i].widthHz, normalPlan.bands[i].widthHz);
  }
  EXPECT_EQ(longPlan.bands[57].centreHz, 120);
  EXPECT_EQ(longPlan.bands[76].centreHz, 3736);
}

// Every band of every plan designs, and within the lengths the generator
// is meant to run at.
TEST(SignalPlans, EveryBandFilterDesigns) {
  for (std::int32_t sizeType = 0; sizeType < 3; ++sizeType) {
    const SignalPlan& plan = *signalPlan(sizeType);
    for (std::int32_t b = 0; b < plan.bandCount; ++b) {
      const NoiseBand& band = plan.bands[b];
      const std::int32_t h = band.widthHz / 2;
      const std::int32_t t = band.widthHz / 8;
      KaiserBandPass filter;
      ASSERT_GT(filter.design(8000, band.centreHz - h - t, band.centreHz - h + t, band.centreHz + h - t,
                              band.centreHz + h + t, 20),
                0)
          << band.centreHz << "/" << band.widthHz;
      EXPECT_GE(filter.halfLength(), 24);
      EXPECT_LE(filter.halfLength(), 275);
    }
  }
}

TEST(SynthesizerNoise, StartsFromStateOne) {
  SynthesizerNoise noise;
  const std::int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (std::int32_t value : expected) EXPECT_EQ(noise.next(), value);
}

TEST(SynthesizerNoise, SkippingEqualsDrawing) {
  for (std::uint64_t count : {0ull, 1ull, 2ull, 7ull, 560000ull, 4294967297ull}) {
    SynthesizerNoise drawn;
    SynthesizerNoise skipped;
    drawn.next();
    skipped.next();
    for (std::uint64_t i = 0; i < count % 4294967296ull; ++i) drawn.next();
    skipped.skip(count);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(skipped.next(), drawn.next()) << "after " << count;
  }
}

TEST(Modulation, SineRunsOnAcrossSegments) {
  SignalSynthesizer synthesizer;
  synthesizer.setModulation(4.0, 40000);
  EXPECT_EQ(synthesizer.modulationIndex(), 0);
  EXPECT_EQ(synthesizer.modulationStep(), 3.141592653589793 / 2000.0);
  EXPECT_EQ(synthesizer.nextModulation(), 0.0);
  for (int i = 1; i < 1000; ++i) synthesizer.nextModulation();
  EXPECT_EQ(synthesizer.nextModulation(), std::sin(1000.0 * (3.141592653589793 / 2000.0)));  // sin(π/2)
  EXPECT_EQ(synthesizer.modulationIndex(), 1001);
  // Longer than the index: back to the start of the sine.
  synthesizer.setModulation(4.0, 1001);
  EXPECT_EQ(synthesizer.modulationIndex(), 0);
  for (int i = 0; i < 1500; ++i) synthesizer.nextModulation();
  // Shorter: the new segment continues the sine, one segment length back.
  synthesizer.setModulation(2.0, 1000);
  EXPECT_EQ(synthesizer.modulationIndex(), 500);
}

// With the Long plan's 40000/20000/10000 segments, every band starts at the
// zero of the sine, the 20000-sample segments at 20000, the 10000 at 30000.
TEST(Modulation, LongPlanSegmentsEndEveryStretchTogether) {
  SignalSynthesizer synthesizer;
  const SignalPlan& plan = *signalPlan(2);
  for (int band = 0; band < 2; ++band) {
    for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
      const ModulationSegment& segment = plan.segments[s];
      synthesizer.setModulation(segment.frequencyHz, segment.length);
      EXPECT_EQ(synthesizer.modulationIndex(), 40000 - segment.length) << "segment " << s;
      for (std::int32_t i = 0; i < segment.length; ++i) synthesizer.nextModulation();
    }
  }
}

// A reference for the first samples of a band, one filterSample at a time.
std::vector<std::int16_t> referenceBand(const SignalPlan& plan, std::int32_t band, std::int32_t count) {
  SynthesizerNoise noise;
  for (std::int64_t skip = 0; skip < static_cast<std::int64_t>(band) * (kShortBandSamples - 8000); ++skip) noise.next();
  const NoiseBand& b = plan.bands[band];
  const std::int32_t h = b.widthHz / 2;
  const std::int32_t t = b.widthHz / 8;
  KaiserBandPass filter;
  filter.design(8000, b.centreHz - h - t, b.centreHz - h + t, b.centreHz + h - t, b.centreHz + h + t, 20);
  std::vector<std::int16_t> samples;
  for (std::int32_t s = 0; static_cast<std::int32_t>(samples.size()) < count; ++s) {
    const ModulationSegment& segment = plan.segments[s];
    const double step = 3.141592653589793 / (8000 / segment.frequencyHz);
    for (std::int32_t i = 0; i < segment.length && static_cast<std::int32_t>(samples.size()) < count; ++i) {
      const double y = filter.filterSample(noise.next() * 1.5);
      samples.push_back(static_cast<std::int16_t>(static_cast<std::int32_t>(std::sin(i * step) * y)));
    }
  }
  return samples;
}

// One Short signal, synthesised once for all the tests that read it.
class ShortSignal : public ::testing::Test {
 protected:
  static constexpr std::int32_t kFrameSize = 160;

  static void SetUpTestSuite() {
    progress_ = new ProgressLog;
    dialog_ = new HeadlessProgressDialog(progress_->listener());
    SignalSynthesizer synthesizer;
    length_ = synthesizer.signalLength(kFrameSize, 0);
    dialog_->setRange(length_);
    progress_->changes.clear();
    samples_ = new std::vector<std::int16_t>(static_cast<std::size_t>(length_));
    synthesizer.generateInternalSource(samples_->data(), dialog_, 0);
  }
  static void TearDownTestSuite() {
    delete samples_;
    delete dialog_;
    delete progress_;
  }

  static const std::vector<std::int16_t>& samples() { return *samples_; }
  static std::int32_t signalSamples() { return 8 * kShortBandSamples; }

  static std::int32_t length_;
  static std::vector<std::int16_t>* samples_;
  static ProgressLog* progress_;
  static HeadlessProgressDialog* dialog_;
};

std::int32_t ShortSignal::length_ = 0;
std::vector<std::int16_t>* ShortSignal::samples_ = nullptr;
ProgressLog* ShortSignal::progress_ = nullptr;
HeadlessProgressDialog* ShortSignal::dialog_ = nullptr;

// Pinned from this generator when it was written (an RMS near 1 500 and
// peaks near 12 800, as expected of 60 to 200 Hz wide noise bands at this
// gain): any later change to the filter, noise, modulation or rounding that
// alters even one sample changes it.
TEST_F(ShortSignal, ChecksumIsPinned) {
  EXPECT_EQ(fnv1a(littleEndianBytes(samples().data(), static_cast<std::size_t>(signalSamples()))),
            0xe4e05ee1ea38912dull);
}

TEST_F(ShortSignal, BandsStartAtZeroAndEndInASecondOfSilence) {
  for (std::int32_t band = 0; band < 8; ++band) {
    const auto begin = samples().begin() + static_cast<std::ptrdiff_t>(band) * kShortBandSamples;
    EXPECT_EQ(begin[0], 0) << "band " << band;
    const auto silence = begin + (kShortBandSamples - 8000);
    EXPECT_TRUE(std::all_of(silence, silence + 8000, [](std::int16_t s) { return s == 0; })) << "band " << band;
    double energy = 0;
    for (auto it = begin; it != silence; ++it) energy += static_cast<double>(*it) * *it;
    const double rms = std::sqrt(energy / (kShortBandSamples - 8000));
    EXPECT_GT(rms, 500.0) << "band " << band;
    EXPECT_NE(silence[-1], 0) << "band " << band;
  }
  EXPECT_TRUE(std::all_of(samples().begin() + signalSamples(), samples().end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(ShortSignal, MatchesAOneSampleAtATimeReference) {
  const SignalPlan& plan = *signalPlan(0);
  const std::vector<std::int16_t> first = referenceBand(plan, 0, 80000);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), samples().begin()));
  const std::vector<std::int16_t> third = referenceBand(plan, 2, 45000);
  EXPECT_TRUE(std::equal(third.begin(), third.end(), samples().begin() + 2 * kShortBandSamples));
}

TEST_F(ShortSignal, ReportsSamplesWrittenAgainstTheRangeItFound) {
  const auto& changes = progress_->changes;
  ASSERT_EQ(changes.size(), 2u * 8 * kSegmentsPerBand);
  std::int32_t written = 0;
  for (std::size_t i = 0; i < changes.size(); i += 2) {
    const std::size_t segment = i / 2;
    written += 40000 + (segment > 0 && segment % kSegmentsPerBand == 0 ? 8000 : 0);
    EXPECT_EQ(changes[i].position, written) << "segment " << segment;
    EXPECT_EQ(changes[i + 1].position, written);
    EXPECT_EQ(changes[i].rangeUpper, length_);
  }
  EXPECT_EQ(changes[1].caption, "Progressed 0.8724%");      // 40000 / 4585184
  EXPECT_EQ(changes[29].caption, "Progressed 13.2601%");    // 568000 + 40000, a band and its silence in
  EXPECT_EQ(changes.back().caption, "Progressed 98.9273%");  // 4536000 / 4585184
}

TEST_F(ShortSignal, TestSignalFileIsTheSignalPartOfTheInternalSource) {
  test::ScratchDirectory scratch;
  ProgressLog progress;
  HeadlessProgressDialog dialog(progress.listener());
  SignalSynthesizer synthesizer;
  const std::string path = scratch.file("short.pcm");
  ASSERT_TRUE(synthesizer.writeTestSignal(path, &dialog, 0)) << synthesizer.failureReason();
  const std::string bytes = test::readWholeFile(path);
  ASSERT_EQ(bytes.size(), 9088000u);
  EXPECT_TRUE(bytes == littleEndianBytes(samples().data(), static_cast<std::size_t>(signalSamples())));

  // The range is bands × segments; each finished segment k shows k, so the
  // bar trails by one segment.
  const auto& changes = progress.changes;
  ASSERT_EQ(changes.size(), 1u + 2u * 112);
  EXPECT_EQ(changes[0].rangeUpper, 112);
  for (std::int32_t k = 0; k < 112; ++k) EXPECT_EQ(changes[1 + 2 * k].position, k);
  EXPECT_EQ(changes[2].caption, "Progressed 0.0000%");
  EXPECT_EQ(changes[4].caption, "Progressed 0.8929%");
  EXPECT_EQ(changes.back().caption, "Progressed 99.1071%");
}

// Segments that don't fill whole file blocks, so every band ends in a
// partial block.
constexpr NoiseBand kOddBands[] = {{500, 60}, {1500, 100}, {3000, 200}};
constexpr ModulationSegment kOddSegments[] = {{13.44, 5000, 0}, {2.1, 2500, 0}, {0.63, 12345, 0}};
constexpr SignalPlan kOddPlan{kOddBands, 3, kOddSegments, 3};

TEST(TestSignalFile, PartialBlocksReachTheFile) {
  test::ScratchDirectory scratch;
  SignalSynthesizer synthesizer;
  const std::vector<std::int16_t> expected = synthesise(synthesizer, kOddPlan);
  const std::string path = scratch.file("odd.pcm");
  ASSERT_TRUE(synthesizer.writeTestSignal(path, nullptr, kOddPlan)) << synthesizer.failureReason();
  const std::string bytes = test::readWholeFile(path);
  EXPECT_EQ(bytes.size(), 2u * 3 * (5000 + 2500 + 12345 + 8000));
  EXPECT_TRUE(bytes == littleEndianBytes(expected.data(), expected.size()));
}

// The whole signal the plain way: one generator, one sine call and one
// filterSample per sample, band after band.
std::vector<std::int16_t> referenceSignal(const SignalPlan& plan) {
  SynthesizerNoise noise;
  SignalSynthesizer sine;
  std::vector<std::int16_t> samples;
  for (std::int32_t b = 0; b < plan.bandCount; ++b) {
    const NoiseBand& band = plan.bands[b];
    const std::int32_t h = band.widthHz / 2;
    const std::int32_t t = band.widthHz / 8;
    KaiserBandPass filter;
    filter.design(8000, band.centreHz - h - t, band.centreHz - h + t, band.centreHz + h - t, band.centreHz + h + t, 20);
    for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
      sine.setModulation(plan.segments[s].frequencyHz, plan.segments[s].length);
      for (std::int32_t i = 0; i < plan.segments[s].length; ++i) {
        const double y = filter.filterSample(noise.next() * 1.5);
        samples.push_back(static_cast<std::int16_t>(static_cast<std::int32_t>(sine.nextModulation() * y)));
      }
    }
    samples.insert(samples.end(), 8000, 0);
  }
  return samples;
}

// In this plan the second band's sine starts elsewhere than the first's and
// the third's where the second's did, and the band count is odd.
TEST(InternalSource, MatchesTheOneSampleAtATimeSignal) {
  SignalSynthesizer synthesizer;
  EXPECT_TRUE(synthesise(synthesizer, kOddPlan) == referenceSignal(kOddPlan));
}

// Pinned from the Normal signal as written before its bands were made side
// by side: the test-signal file of the plan with the most bands that is
// still quick to make.
TEST(TestSignalFile, NormalChecksumIsPinned) {
  test::ScratchDirectory scratch;
  SignalSynthesizer synthesizer;
  const std::string path = scratch.file("normal.pcm");
  ASSERT_TRUE(synthesizer.writeTestSignal(path, nullptr, kNormalSizeType)) << synthesizer.failureReason();
  const std::string bytes = test::readWholeFile(path);
  EXPECT_EQ(bytes.size(), 22720000u);
  EXPECT_EQ(fnv1a(bytes), 0x290a3b1f74ead734ull);
}

// Only the noise samples are written into memory: the second after each band
// and everything after the signal keep what the buffer held, which for the
// operations is the zero fill of the preparation.
TEST(InternalSource, WritesOnlyTheNoiseSamples) {
  constexpr std::size_t kNoise = 5000 + 2500 + 12345;
  constexpr std::size_t kBand = kNoise + 8000;
  constexpr std::int16_t kFill = 0x5A5A;
  SignalSynthesizer synthesizer;
  const std::vector<std::int16_t> cleared = synthesise(synthesizer, kOddPlan);
  std::vector<std::int16_t> filled(cleared.size() + 100, kFill);
  synthesizer.generateInternalSource(filled.data(), nullptr, kOddPlan);
  for (std::size_t band = 0; band < 3; ++band) {
    const auto noise = filled.begin() + static_cast<std::ptrdiff_t>(band * kBand);
    EXPECT_TRUE(std::equal(noise, noise + kNoise, cleared.begin() + static_cast<std::ptrdiff_t>(band * kBand)))
        << "band " << band;
    EXPECT_TRUE(std::all_of(noise + kNoise, noise + kBand, [](std::int16_t s) { return s == kFill; }))
        << "band " << band;
  }
  EXPECT_TRUE(std::all_of(filled.begin() + 3 * kBand, filled.end(), [](std::int16_t s) { return s == kFill; }));
}

TEST(TestSignalFile, FailuresReturnFalseAndNameTheFile) {
  test::ScratchDirectory scratch;
  SignalSynthesizer synthesizer;
  const std::string missing = scratch.file("no-such-directory/signal.pcm");
  EXPECT_FALSE(synthesizer.writeTestSignal(missing, nullptr, 0));
  EXPECT_NE(synthesizer.failureReason().find(missing), std::string::npos) << synthesizer.failureReason();

  // An unknown size leaves an existing file as it was.
  const std::string existing = scratch.file("keep.pcm");
  test::writeWholeFile(existing, "keep");
  EXPECT_FALSE(synthesizer.writeTestSignal(existing, nullptr, 7));
  EXPECT_EQ(test::readWholeFile(existing), "keep");
  EXPECT_NE(synthesizer.failureReason().find(existing), std::string::npos);
}

TEST(TestSignalFile, FullDiskIsAFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  SignalSynthesizer synthesizer;
  EXPECT_FALSE(synthesizer.writeTestSignal("/dev/full", nullptr, kOddPlan));
  EXPECT_NE(synthesizer.failureReason().find("/dev/full"), std::string::npos) << synthesizer.failureReason();
}

// A band below 0 Hz can't be designed: the run stops after the bands before
// it, in memory and in the file alike.
constexpr NoiseBand kBrokenBands[] = {{500, 60}, {10, 80}, {1500, 100}};
constexpr SignalPlan kBrokenPlan{kBrokenBands, 3, kOddSegments, 3};

TEST(DesignFailure, StopsTheSignalAfterTheGoodBands) {
  constexpr std::size_t kBand = 5000 + 2500 + 12345 + 8000;
  SignalSynthesizer synthesizer;
  const std::vector<std::int16_t> good = synthesise(synthesizer, kOddPlan);
  const std::vector<std::int16_t> broken = synthesise(synthesizer, kBrokenPlan);
  EXPECT_TRUE(std::equal(good.begin(), good.begin() + kBand, broken.begin()));
  EXPECT_TRUE(std::all_of(broken.begin() + kBand, broken.end(), [](std::int16_t s) { return s == 0; }));

  // A signal cut short is not written: the file already there stays.
  test::ScratchDirectory scratch;
  const std::string path = scratch.file("broken.pcm");
  test::writeWholeFile(path, "an earlier signal");
  EXPECT_FALSE(synthesizer.writeTestSignal(path, nullptr, kBrokenPlan));
  EXPECT_NE(synthesizer.failureReason().find("-18"), std::string::npos) << synthesizer.failureReason();
  EXPECT_NE(synthesizer.failureReason().find(path), std::string::npos);
  EXPECT_EQ(test::readWholeFile(path), "an earlier signal");
  EXPECT_FALSE(synthesizer.writeTestSignal(scratch.file("new.pcm"), nullptr, kBrokenPlan));
  EXPECT_FALSE(std::filesystem::exists(scratch.file("new.pcm")));
}

// Each band's samples are made in stretches on several threads. Whatever the
// thread count, the samples must be those of one thread, including counts
// that make a stretch shorter than the filter reaches back, so that it starts
// with a partly empty delay line.
TEST(ThreadedSynthesis, EveryThreadCountGivesTheSameSamples) {
  SignalSynthesizer oneThread;
  oneThread.setThreads(1);
  const std::vector<std::int16_t> expected = synthesise(oneThread, kOddPlan);
  ASSERT_TRUE(expected == referenceSignal(kOddPlan));
  for (const std::int32_t threads : {2, 3, 7, 64}) {
    SignalSynthesizer synthesizer;
    synthesizer.setThreads(threads);
    EXPECT_TRUE(synthesise(synthesizer, kOddPlan) == expected) << threads << " threads";
  }
}

// The three plans made in stretches, against checksums pinned from the
// signals as one thread made them band after band (Short and Normal above;
// Long from the test-signal file written before bands were split).
TEST(SplitSynthesis, EveryPlanKeepsItsPinnedSamples) {
  struct Case {
    std::int32_t sizeType;
    std::int32_t threads;
    std::uint64_t checksum;
  };
  const Case cases[] = {
      {kShortSizeType, 3, 0xe4e05ee1ea38912dull},
      {kNormalSizeType, 2, 0x290a3b1f74ead734ull},
      {kLongSizeType, 5, 0x6ad5db1345ff9dceull},
  };
  for (const Case& c : cases) {
    SignalSynthesizer synthesizer;
    synthesizer.setThreads(c.threads);
    const std::vector<std::int16_t> samples = synthesise(synthesizer, *signalPlan(c.sizeType));
    EXPECT_EQ(fnv1a(littleEndianBytes(samples.data(), samples.size())), c.checksum) << "size " << c.sizeType;
  }
}

}  // namespace
}  // namespace orvelle
