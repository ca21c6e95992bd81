#include "dsp/speech_activity_detector.h"

#include <cmath>

#include "dsp/lpc_tables.h"
#include "dsp/speech_activity_tables.h"
#include "dsp/underflow.h"

namespace orvelle {

namespace {

constexpr std::int32_t kLastFrameNumber = 32767;
constexpr std::int32_t kWrappedFrameNumber = 256;  // a block end, so the 8-frame phase survives the wrap
constexpr std::int32_t kInitialisationFrames = 32;
constexpr std::int32_t kBlockTrackingFrames = 128;  // frames that fill blockMin for the first time
constexpr std::int32_t kFramesPerBlock = 8;
constexpr int kNewFrameStart = 160;

constexpr double kNoMinimum = 1e38;
constexpr double kInverseWindowLength = 1.0 / 240.0;
constexpr double kLogGuard = 1e-38;              // keeps log10 finite for a zero sum
constexpr double kInverseTwoPi = 0.15915494309189535;
constexpr double kZeroCrossingScale = 0.0125;    // per crossing, over 80 neighbour pairs
constexpr int kFirstCrossingPosition = 121;
constexpr int kLastCrossingPosition = 200;

constexpr double kSpeechEnergyFloorDb = 21.0;
constexpr double kInitialBackgroundOffsetDb = 10.0;
constexpr double kInitialLowBackgroundOffsetDb = 12.0;
constexpr double kHangoverMarginDb = 2.0;
constexpr double kExtensionEnergyStepDb = 3.0;
constexpr std::int32_t kMaxExtensions = 4;
constexpr std::int32_t kLongSilenceFrames = 10;
constexpr double kOnsetStepDb = 3.0;
constexpr double kNearBackgroundDb = 3.0;
constexpr double kOverrideMaxRc1 = 0.6;
constexpr double kUpdateMaxRc1 = 0.75;
constexpr double kUpdateMaxDistortion = 0.002532959;
constexpr double kBackgroundAboveMinimumDb = 10.0;

// G.729 pre-processing high-pass filter (cut-off about 140 Hz).
constexpr double kFilterB0 = 0.92727435;
constexpr double kFilterB1 = 1.8544941;  // subtracted
constexpr double kFilterB2 = 0.92727435;
constexpr double kFilterA1 = 1.9059465;
constexpr double kFilterA2 = 0.9114024;  // subtracted
static_assert(kFilterA1 >= 1.0 && kFilterA1 < 2.0 && kFilterA2 >= 0.5 && kFilterA2 < 1.0, "SilentFilterStep's ranges");
constexpr SilentFilterStep kSilentFilterStep{static_cast<std::uint64_t>(kFilterA1 * 0x1p52),
                                             static_cast<std::uint64_t>(kFilterA2 * 0x1p53)};

double featureValue(DecisionFeature feature, double dSLE, double dSE, double SD, double dSZC) {
  switch (feature) {
    case DecisionFeature::SpectralDistortion:
      return SD;
    case DecisionFeature::EnergyDifference:
      return dSE;
    case DecisionFeature::LowEnergyDifference:
      return dSLE;
    case DecisionFeature::ZeroCrossDifference:
      return dSZC;
  }
  return 0.0;
}

const UpdateSpeeds& updateSpeedsFor(std::int32_t count) {
  const UpdateSpeeds* row = &kUpdateSpeeds[0];
  for (const UpdateSpeeds& candidate : kUpdateSpeeds) {
    if (count >= candidate.firstCount) {
      row = &candidate;
    }
  }
  return *row;
}

double smallest(const std::array<double, 16>& values) {
  double m = values[0];
  for (double v : values) {
    if (v < m) {
      m = v;
    }
  }
  return m;
}

}  // namespace

std::int32_t SpeechActivityDetector::ruleDecision(double dSLE, double dSE, double SD, double dSZC) {
  for (const DecisionBoundary& b : kDecisionBoundaries) {
    const double lhs = featureValue(b.lhs, dSLE, dSE, SD, dSZC);
    const double bound = b.hasSlope ? b.slope * featureValue(b.rhs, dSLE, dSE, SD, dSZC) + b.intercept : b.intercept;
    if (b.above ? lhs > bound : lhs < bound) {
      return 1;
    }
  }
  return 0;
}

void SpeechActivityDetector::reset() {
  bgLsf_.fill(0.0);
  blockMin_.fill(0.0);
  minOfBlocks_ = kNoMinimum;
  nextBlockMin_ = kNoMinimum;  // rewritten at frame 129 before it is read
  runningMin_ = kNoMinimum;
  initMeanEnergy_ = 0.0;
  bgEnergy_ = 0.0;
  bgLowEnergy_ = 0.0;
  bgZeroCross_ = 0.0;
  prevEnergy_ = 0.0;  // written by every frame before any frame reads it
  silenceRun_ = 0;
  updateCount_ = 0;
  extensionCount_ = 0;
  extensionAllowed_ = 1;
  forcedSpeech_ = 0;
  lowEnergyCount_ = 0;
  filterIn1_ = 0.0;
  filterIn2_ = 0.0;
  filterOut1_ = 0.0;
  filterOut2_ = 0.0;
  speechBuffer_.fill(0.0);
  prevDecision_ = 1;
  prevPrevDecision_ = 1;
  lpcState_ = LpcState{};
  frameCount_ = 0;
}

void SpeechActivityDetector::beginFrame(const std::int16_t* samples) {
  for (int k = 0; k < kFrameLength; ++k) {
    speechBuffer_[kNewFrameStart + k] = static_cast<double>(samples[k]);
  }
  frameCount_ = (frameCount_ == kLastFrameNumber) ? kWrappedFrameNumber : frameCount_ + 1;
}

// The pre-processing filter over samples in a buffer, its memory in locals
// so that the recurrence runs in registers.
struct SpeechActivityDetector::FilterState {
  double in1, in2, out1, out2;
  double* buffer;

  // The detector's filter memory, filtering into `samples`.
  static FilterState of(const SpeechActivityDetector& d, double* samples) {
    return FilterState{d.filterIn1_, d.filterIn2_, d.filterOut1_, d.filterOut2_, samples};
  }

  // Filters x into buffer[n]. After long silence the memory decays into
  // the subnormal numbers, where the same step is taken in integers; a run
  // with sound in it (silent = false) cannot be there and skips the test.
  template <bool silent = true>
  void step(double x, int n) {
    double y;
    if (!silent || x != 0.0 || in1 != 0.0 || in2 != 0.0 || !kSilentFilterStep(out1, out2, y)) [[likely]] {
      y = kFilterB0 * x - kFilterB1 * in1 + kFilterB2 * in2 + kFilterA1 * out1 - kFilterA2 * out2;
    }
    in2 = in1;
    in1 = x;
    out2 = out1;
    out1 = y;
    buffer[n] = y;
  }

  void storeInto(SpeechActivityDetector& d) const {
    d.filterIn1_ = in1;
    d.filterIn2_ = in2;
    d.filterOut1_ = out1;
    d.filterOut2_ = out2;
  }
};

// Frames analysed together: the pre-processed history the first frame's
// window reaches back to, then the block's own frames, so that frame i's
// window starts at samples + 80 i.
struct SpeechActivityDetector::FrameBlock {
  static constexpr int kFrames = 16;
  static constexpr int kHistoryLength = kWindowLength - kFrameLength;

  const std::int16_t* input = nullptr;  // the block's frames as they came
  std::int32_t frames = 0;
  std::int32_t frameNumbers[kFrames];
  double samples[kHistoryLength + kFrames * kFrameLength];  // pre-processed

  const double* window(int frame) const { return samples + frame * kFrameLength; }
  int end() const { return kHistoryLength + frames * kFrameLength; }
  // Input sample n of the block (n counted from the history's start).
  double in(int n) const { return static_cast<double>(input[n - kHistoryLength]); }
  bool inputIsSilent() const {
    for (int i = 0; i < frames * kFrameLength; ++i) {
      if (input[i] != 0) return false;
    }
    return true;
  }
};

void SpeechActivityDetector::preFilter() {
  FilterState state = FilterState::of(*this, speechBuffer_.data());
  for (int n = kNewFrameStart; n < kWindowLength; ++n) state.step(speechBuffer_[n], n);
  state.storeInto(*this);
}

std::int32_t SpeechActivityDetector::processFrame(const std::int16_t* samples) {
  beginFrame(samples);
  preFilter();
  double r[kAutocorrelationOrder + 1];
  autocorrelate(speechBuffer_.data(), kAutocorrelationOrder, r);
  double A[kLpcOrder + 1];
  double rc[kLpcOrder];
  predict(r, A, rc);
  double lsp[kLpcOrder];
  lpcToLsp(A, lsp, kLspFallback.data());
  const std::int32_t d = conclude(r, rc, lsp, speechBuffer_.data(), frameCount_);
  for (int k = 0; k < kWindowLength - kFrameLength; ++k) {
    speechBuffer_[k] = speechBuffer_[k + kFrameLength];
  }
  return d == 1 ? 1 : 0;
}

void SpeechActivityDetector::startBlock(const std::int16_t* samples, std::int32_t frames, FrameBlock& block) {
  block.input = samples;
  block.frames = frames;
  for (int k = 0; k < FrameBlock::kHistoryLength; ++k) block.samples[k] = speechBuffer_[k];
  for (int i = 0; i < frames; ++i) {
    frameCount_ = (frameCount_ == kLastFrameNumber) ? kWrappedFrameNumber : frameCount_ + 1;
    block.frameNumbers[i] = frameCount_;
  }
}

void SpeechActivityDetector::analyseBlock(const FrameBlock& block, std::int32_t* decisions) {
  constexpr int kFrames = FrameBlock::kFrames;
  const int frames = block.frames;
  const double* windows[kFrames];
  for (int f = 0; f < frames; ++f) windows[f] = block.window(f);
  double r[kFrames][kAutocorrelationOrder + 1];
  autocorrelateFrames(windows, frames, kAutocorrelationOrder, r[0]);
  for (int f = 0; f < frames; ++f) applyLagWindow(kAutocorrelationOrder, r[f]);
  double A[kFrames][kLpcOrder + 1];
  double rc[kFrames][kLpcOrder];
  levinsonDurbinFrames(frames, r[0], A[0], rc[0], lpcState_);
  double lsp[kFrames][kLpcOrder];
  lpcToLspFrames(A[0], frames, lsp[0], kLspFallback.data());
  for (int f = 0; f < frames; ++f) {
    decisions[f] = conclude(r[f], rc[f], lsp[f], block.window(f), block.frameNumbers[f]) == 1 ? 1 : 0;
  }
}

void SpeechActivityDetector::keepHistory(const FrameBlock& block) {
  // As processFrame leaves it: the last 160 pre-processed samples, and the
  // last frame once more where the next frame will be written.
  const double* last = block.samples + block.end() - kWindowLength;
  for (int k = kFrameLength; k < kWindowLength; ++k) speechBuffer_[k - kFrameLength] = last[k];
  for (int k = kNewFrameStart; k < kWindowLength; ++k) speechBuffer_[k] = last[k];
}

template <std::size_t N>
void SpeechActivityDetector::processBlocks(SpeechActivityDetector* const* detectors, const std::int16_t* const* samples,
                                           std::int32_t frames, std::int32_t* const* decisions) {
  FrameBlock blocks[N];
  for (std::int32_t done = 0; done < frames; done += FrameBlock::kFrames) {
    const std::int32_t count = frames - done < FrameBlock::kFrames ? frames - done : FrameBlock::kFrames;
    const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(done) * kFrameLength;
    for (std::size_t i = 0; i < N; ++i) detectors[i]->startBlock(samples[i] + start, count, blocks[i]);
    // Each filter's memory in locals of its own, so that the recurrences run
    // in registers; with two signals they interleave, each filling the
    // other's wait for its previous output.
    FilterState a = FilterState::of(*detectors[0], blocks[0].samples);
    // The memory reaches the subnormal numbers only after thousands of
    // zero samples, so a block with any sound in it takes the plain steps.
    bool silence = false;
    for (std::size_t i = 0; i < N; ++i) silence |= blocks[i].inputIsSilent();
    if constexpr (N == 1) {
      if (silence) {
        for (int n = FrameBlock::kHistoryLength; n < blocks[0].end(); ++n) a.step<true>(blocks[0].in(n), n);
      } else {
        for (int n = FrameBlock::kHistoryLength; n < blocks[0].end(); ++n) a.step<false>(blocks[0].in(n), n);
      }
    } else {
      static_assert(N == 2, "one signal or two");
      FilterState b = FilterState::of(*detectors[1], blocks[1].samples);
      if (silence) {
        for (int n = FrameBlock::kHistoryLength; n < blocks[0].end(); ++n) {
          a.step<true>(blocks[0].in(n), n);
          b.step<true>(blocks[1].in(n), n);
        }
      } else {
        for (int n = FrameBlock::kHistoryLength; n < blocks[0].end(); ++n) {
          a.step<false>(blocks[0].in(n), n);
          b.step<false>(blocks[1].in(n), n);
        }
      }
      b.storeInto(*detectors[1]);
    }
    a.storeInto(*detectors[0]);
    for (std::size_t i = 0; i < N; ++i) detectors[i]->analyseBlock(blocks[i], decisions[i] + done);
    for (std::size_t i = 0; i < N; ++i) detectors[i]->keepHistory(blocks[i]);
  }
}

void SpeechActivityDetector::processFrames(const std::int16_t* samples, std::int32_t frames, std::int32_t* decisions) {
  SpeechActivityDetector* const detectors[1] = {this};
  processBlocks<1>(detectors, &samples, frames, &decisions);
}

void SpeechActivityDetector::processFramesPair(SpeechActivityDetector& first, const std::int16_t* firstSamples,
                                               SpeechActivityDetector& second, const std::int16_t* secondSamples,
                                               std::int32_t frames, std::int32_t* firstDecisions,
                                               std::int32_t* secondDecisions) {
  SpeechActivityDetector* const detectors[2] = {&first, &second};
  const std::int16_t* const samples[2] = {firstSamples, secondSamples};
  std::int32_t* const decisions[2] = {firstDecisions, secondDecisions};
  processBlocks<2>(detectors, samples, frames, decisions);
}

void SpeechActivityDetector::predict(double* r, double* A, double* rc) {
  applyLagWindow(kAutocorrelationOrder, r);
  levinsonDurbin(kLpcOrder, r, A, rc, lpcState_);
}

std::int32_t SpeechActivityDetector::conclude(const double* r, const double* rc, const double* lsp,
                                             const double* window, std::int32_t frameNumber) {
  double lsf[kLpcOrder];
  for (int i = 0; i < kLpcOrder; ++i) {
    lsf[i] = std::acos(lsp[i]);
  }
  const std::int32_t d = decideActivity(rc[1], lsf, r, window, frameNumber, prevDecision_, prevPrevDecision_);
  prevPrevDecision_ = prevDecision_;
  prevDecision_ = d;
  return d;
}

std::int32_t SpeechActivityDetector::decideActivity(double rc1, double* lsf, const double* r, const double* buffer,
                                                    std::int32_t f, std::int32_t prev, std::int32_t prevPrev) {
  // Features.
  const double E = 10.0 * std::log10(r[0] * kInverseWindowLength + kLogGuard);

  double lowBandLags = 0.0;
  for (int k = 1; k <= kAutocorrelationOrder; ++k) {
    lowBandLags += r[k] * kLowBandCorrelation[k];
  }
  double s = r[0] * kLowBandCorrelation[0] + 2.0 * lowBandLags;
  if (s < 0.0) {
    s = 0.0;
  }
  const double El = 10.0 * std::log10(s * kInverseWindowLength + kLogGuard);

  for (int i = 0; i < kLsfCount; ++i) {
    lsf[i] *= kInverseTwoPi;
  }
  double SD = 0.0;
  for (int i = 0; i < kLsfCount; ++i) {
    const double diff = lsf[i] - bgLsf_[i];
    SD += diff * diff;
  }

  // The product test (not a sign test) is deliberate: after long digital
  // silence the filtered samples are so small that their product underflows
  // to zero, and such pairs must not count as crossings. Where every product
  // underflows none is counted, and a test on the bits spares the slow
  // arithmetic on subnormal numbers.
  int crossings = 0;
  if (!productsUnderflow(buffer + kFirstCrossingPosition - 1, kLastCrossingPosition - kFirstCrossingPosition + 2)) {
    for (int n = kFirstCrossingPosition; n <= kLastCrossingPosition; ++n) {
      if (buffer[n - 1] * buffer[n] < 0.0) {
        ++crossings;
      }
    }
  }
  const double ZC = kZeroCrossingScale * static_cast<double>(crossings);

  // Minimum tracking. The order of these steps matters: at the block ends up
  // to frame 128 the running minimum restarts here, before the background
  // reset below reads it.
  const bool blockEnd = (f % kFramesPerBlock) == 0;
  if (f <= kBlockTrackingFrames) {
    if (E < runningMin_) {
      runningMin_ = E;
      minOfBlocks_ = E;
    }
    if (blockEnd) {
      blockMin_[f / kFramesPerBlock - 1] = runningMin_;
      runningMin_ = kNoMinimum;
    }
  }
  if (blockEnd) {
    minOfBlocks_ = smallest(blockMin_);
  }
  if (f > kBlockTrackingFrames) {
    if (f % kFramesPerBlock == 1) {
      runningMin_ = minOfBlocks_;
      nextBlockMin_ = kNoMinimum;
    }
    if (E < runningMin_) {
      runningMin_ = E;
    }
    if (E < nextBlockMin_) {
      nextBlockMin_ = E;
    }
    if (blockEnd) {
      for (int k = 0; k < kBlockCount - 1; ++k) {
        blockMin_[k] = blockMin_[k + 1];
      }
      blockMin_[kBlockCount - 1] = nextBlockMin_;
      minOfBlocks_ = smallest(blockMin_);
    }
  }

  // Initialisation period: the energy threshold alone decides, and the speech
  // frames give the first estimate of the background.
  std::int32_t d = 0;
  if (f <= kInitialisationFrames) {
    if (E < kSpeechEnergyFloorDb) {
      ++lowEnergyCount_;
      d = 0;
    } else {
      d = 1;
      const std::int32_t n = f - lowEnergyCount_;
      const double previousWeight = static_cast<double>(n - 1);
      initMeanEnergy_ = (previousWeight * initMeanEnergy_ + E) / n;
      bgZeroCross_ = (previousWeight * bgZeroCross_ + ZC) / n;
      const double inverseN = 1.0 / n;
      for (int i = 0; i < kLsfCount; ++i) {
        bgLsf_[i] = (previousWeight * bgLsf_[i] + lsf[i]) * inverseN;
      }
    }
    if (f < kInitialisationFrames) {
      prevEnergy_ = E;
      return d;
    }
  }

  // Full decision.
  if (f == kInitialisationFrames) {
    bgEnergy_ = initMeanEnergy_ - kInitialBackgroundOffsetDb;
    bgLowEnergy_ = initMeanEnergy_ - kInitialLowBackgroundOffsetDb;
  }
  const double dSE = bgEnergy_ - E;
  const double dSLE = bgLowEnergy_ - El;
  const double dSZC = bgZeroCross_ - ZC;

  d = (E < kSpeechEnergyFloorDb) ? 0 : ruleDecision(dSLE, dSE, SD, dSZC);

  // Hangover: keep speech going through short dips after speech.
  forcedSpeech_ = 0;
  if (prev == 1 && d == 0 && E > bgEnergy_ + kHangoverMarginDb && E > kSpeechEnergyFloorDb) {
    d = 1;
    forcedSpeech_ = 1;
  }
  if (extensionAllowed_ == 1) {
    if (prevPrev == 1 && prev == 1 && d == 0 && std::fabs(prevEnergy_ - E) <= kExtensionEnergyStepDb) {
      ++extensionCount_;
      d = 1;
      forcedSpeech_ = 1;
      if (extensionCount_ > kMaxExtensions) {
        extensionAllowed_ = 0;
        extensionCount_ = 0;
      }
    }
  } else {
    extensionAllowed_ = 1;
  }

  // A speech decision after a long silence needs an energy onset.
  if (d == 0) {
    ++silenceRun_;
  }
  if (d == 1 && silenceRun_ > kLongSilenceFrames && E - prevEnergy_ <= kOnsetStepDb) {
    d = 0;
    silenceRun_ = 0;
  }
  if (d == 1) {
    silenceRun_ = 0;
  }

  if (E < bgEnergy_ + kNearBackgroundDb && f > kBlockTrackingFrames && forcedSpeech_ == 0 && rc1 < kOverrideMaxRc1) {
    d = 0;
  }

  // Background update on frames that look like the background.
  if (E < bgEnergy_ + kNearBackgroundDb && rc1 < kUpdateMaxRc1 && SD < kUpdateMaxDistortion) {
    ++updateCount_;
    const UpdateSpeeds& c = updateSpeedsFor(updateCount_);
    const double cS = c.spectrum;
    const double cE = c.energy;
    const double cZ = c.zeroCrossing;
    for (int i = 0; i < kLsfCount; ++i) {
      bgLsf_[i] = cS * bgLsf_[i] + (1.0 - cS) * lsf[i];
    }
    bgEnergy_ = cE * bgEnergy_ + (1.0 - cE) * E;
    bgLowEnergy_ = cE * bgLowEnergy_ + (1.0 - cE) * El;
    bgZeroCross_ = cZ * bgZeroCross_ + (1.0 - cZ) * ZC;
  }

  // Background reset towards the tracked minimum.
  if ((f > kBlockTrackingFrames && bgEnergy_ < runningMin_ && SD < kUpdateMaxDistortion) ||
      bgEnergy_ > runningMin_ + kBackgroundAboveMinimumDb) {
    bgEnergy_ = runningMin_;
    updateCount_ = 0;
  }

  prevEnergy_ = E;
  return d;
}

}  // namespace orvelle
