#include "session/signal_synthesizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

#include "session/kaiser_band_pass.h"
#include "session/synthesizer_file_output.h"
#include "session/synthesizer_memory_output.h"
#include "session/synthesizer_noise.h"

namespace orvelle {
namespace {

// Silence every internal source carries after the signal, besides one codec
// frame, so a codec's delay never pushes signal off the end of the buffer.
constexpr std::int64_t kInternalSourceTailSamples = 41024;

constexpr double kPi = 3.141592653589793;
constexpr double kSampleRateHz = kSignalSampleRateHz;

// Every band filter: transitions one quarter of the band's width wide,
// stop bands 20 dB down (which makes the Kaiser window rectangular).
constexpr std::int32_t kTransitionWidthDivisor = 8;
constexpr double kStopBandAttenuationDb = 20.0;
// Scales the 15-bit noise values before filtering.
constexpr double kNoiseGain = 1.5;

// Samples filtered and modulated together; one band filter run's worth.
constexpr std::int32_t kChunkSamples = 1000;

// Truncation toward zero, then the low 16 bits as a signed sample. The value
// always fits an int: the filter taps are each below 1 in magnitude, at most
// 1001 of them, and the input is below 49151.
std::int16_t toSample(double value) {
  return static_cast<std::int16_t>(static_cast<std::int32_t>(value));
}

std::int32_t segmentTotal(const SignalPlan& plan) { return plan.bandCount * plan.segmentCount; }

}  // namespace

void SignalSynthesizer::reset() {
  modulationIndex_ = 0;
  modulationStep_ = 0.0;
}

void SignalSynthesizer::setModulation(double frequencyHz, std::int32_t length) {
  modulationIndex_ = modulationIndex_ > length ? modulationIndex_ - length : 0;
  modulationStep_ = kPi / (kSampleRateHz / frequencyHz);
}

double SignalSynthesizer::nextModulation() {
  const double value = std::sin(static_cast<double>(modulationIndex_) * modulationStep_);
  ++modulationIndex_;
  return value;
}

std::int32_t SignalSynthesizer::signalLength(std::int32_t frameSize, std::int32_t sizeType) {
  reset();
  const SignalPlan* plan = signalPlan(sizeType);
  if (plan == nullptr) return -1;
  const std::int64_t length = plannedSampleCount(*plan) + frameSize + kInternalSourceTailSamples;
  if (length < 0 || length > std::numeric_limits<std::int32_t>::max()) return -1;
  return static_cast<std::int32_t>(length);
}

namespace {

std::int32_t designBandFilter(KaiserBandPass& filter, const NoiseBand& band) {
  const std::int32_t half = band.widthHz / 2;
  const std::int32_t transition = band.widthHz / kTransitionWidthDivisor;
  const std::int32_t low = band.centreHz - half;
  const std::int32_t high = band.centreHz + half;
  return filter.design(kSampleRateHz, low - transition, low + transition, high - transition, high + transition,
                       kStopBandAttenuationDb);
}

// The samples of one band, segment after segment, in chunks handed to `put`
// (false stops); `segmentEnd` follows each segment. `sine` holds the band's
// modulation values.
template <typename Put, typename SegmentEnd>
bool synthesiseBand(const SignalPlan& plan, KaiserBandPass& filter, const double* sine, SynthesizerNoise& noise,
                    Put&& put, SegmentEnd&& segmentEnd) {
  std::array<double, kChunkSamples> input;
  std::array<double, kChunkSamples> filtered;
  std::array<std::int16_t, kChunkSamples> samples;
  for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
    std::int32_t remaining = plan.segments[s].length;
    while (remaining > 0) {
      const std::int32_t count = std::min(remaining, kChunkSamples);
      for (std::int32_t i = 0; i < count; ++i) input[i] = noise.next() * kNoiseGain;
      filter.filterBlock(input.data(), filtered.data(), count);
      for (std::int32_t i = 0; i < count; ++i) samples[i] = toSample(sine[i] * filtered[i]);
      sine += count;
      if (!put(samples.data(), count)) return false;
      remaining -= count;
    }
    segmentEnd();
  }
  return true;
}

std::int64_t bandSampleCount(const SignalPlan& plan) {
  std::int64_t count = 0;
  for (std::int32_t s = 0; s < plan.segmentCount; ++s) count += plan.segments[s].length;
  return count;
}

// A band computed beside the one being written: its filter's design result
// and its samples, handed over once the band it follows is out.
struct LookaheadBand {
  std::int32_t taps = 0;
  std::vector<std::int16_t> samples;
  SynthesizerNoise noiseAfter;
};

}  // namespace

bool SignalSynthesizer::replaysModulation(const SignalPlan& plan, const BandModulation& played,
                                          std::int32_t index) {
  const std::int32_t firstLength = plan.segmentCount > 0 ? plan.segments[0].length : 0;
  const std::int32_t firstIndex = index > firstLength ? index - firstLength : 0;
  return !played.values.empty() && played.firstIndex == firstIndex;
}

bool SignalSynthesizer::playBandModulation(const SignalPlan& plan, BandModulation& played) {
  // The sine of a band depends only on the index its first segment starts
  // at; with the fixed plans every band starts at the same index, so its
  // values are computed once and replayed, and the synthesiser is left where
  // the played band left it.
  if (replaysModulation(plan, played, modulationIndex_)) {
    modulationIndex_ = played.endIndex;
    modulationStep_ = played.endStep;
    return true;
  }
  const std::int32_t firstLength = plan.segmentCount > 0 ? plan.segments[0].length : 0;
  played.firstIndex = modulationIndex_ > firstLength ? modulationIndex_ - firstLength : 0;
  played.values.clear();
  for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
    const ModulationSegment& segment = plan.segments[s];
    setModulation(segment.frequencyHz, segment.length);
    for (std::int32_t i = 0; i < segment.length; ++i) played.values.push_back(nextModulation());
  }
  played.endIndex = modulationIndex_;
  played.endStep = modulationStep_;
  return false;
}

bool SignalSynthesizer::designFailed(const NoiseBand& band, std::int32_t taps) {
  failureReason_ = "cannot design the filter of the band " + std::to_string(band.centreHz) + "/" +
                   std::to_string(band.widthHz) + " Hz (code " + std::to_string(taps) + ")";
  return false;
}

bool SignalSynthesizer::run(const SignalPlan& plan, SynthesizerOutput& output) {
  reset();
  SynthesizerNoise noise;
  KaiserBandPass filter;
  BandModulation modulation;
  const std::int64_t perBand = bandSampleCount(plan);
  auto put = [&output](const std::int16_t* samples, std::int32_t count) { return output.put(samples, count); };
  auto segmentEnd = [&output] { output.segmentFinished(); };

  // Bands are independent once each has its filter, its stretch of the noise
  // and its sine, so the band after the one being written is computed beside
  // it and written after it: the output sees the same samples and calls in
  // the same order as when the bands are made one by one.
  for (std::int32_t b = 0; b < plan.bandCount; ++b) {
    const NoiseBand& band = plan.bands[b];
    const std::int32_t taps = designBandFilter(filter, band);
    if (taps < 1) return designFailed(band, taps);
    playBandModulation(plan, modulation);
    const double* sine = modulation.values.data();

    LookaheadBand next;
    std::thread helper;
    // Only a band that replays this band's sine is made beside it.
    const bool pairNext = b + 1 < plan.bandCount && replaysModulation(plan, modulation, modulationIndex_);
    if (pairNext) {
      playBandModulation(plan, modulation);
      next.noiseAfter = noise;
      next.noiseAfter.skip(static_cast<std::uint64_t>(perBand));
      next.samples.reserve(static_cast<std::size_t>(perBand));
      try {
        helper = std::thread([&plan, &next, sine, band = plan.bands[b + 1]] {
          KaiserBandPass nextFilter;
          next.taps = designBandFilter(nextFilter, band);
          if (next.taps < 1) return;
          auto keep = [&next](const std::int16_t* samples, std::int32_t count) {
            next.samples.insert(next.samples.end(), samples, samples + count);
            return true;
          };
          synthesiseBand(plan, nextFilter, sine, next.noiseAfter, keep, [] {});
        });
      } catch (const std::system_error&) {
        // No thread to be had: the next band is made in its own turn.
      }
    }
    const bool written = synthesiseBand(plan, filter, sine, noise, put, segmentEnd) && output.bandFinished();
    if (!helper.joinable()) {
      if (!written) return false;
      if (pairNext) {
        // The next band's sine is already played; it is made here instead.
        ++b;
        const std::int32_t nextTaps = designBandFilter(filter, plan.bands[b]);
        if (nextTaps < 1) return designFailed(plan.bands[b], nextTaps);
        if (!synthesiseBand(plan, filter, sine, noise, put, segmentEnd) || !output.bandFinished()) return false;
      }
      continue;
    }
    helper.join();
    if (!written) return false;
    ++b;
    if (next.taps < 1) return designFailed(plan.bands[b], next.taps);
    const std::int16_t* samples = next.samples.data();
    for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
      const std::int32_t length = plan.segments[s].length;
      if (length > 0 && !output.put(samples, length)) return false;
      samples += length > 0 ? length : 0;
      output.segmentFinished();
    }
    if (!output.bandFinished()) return false;
    noise = next.noiseAfter;
  }
  return true;
}

void SignalSynthesizer::generateInternalSource(std::int16_t* buffer, ProgressDialog* dialog,
                                               std::int32_t sizeType) {
  reset();
  const SignalPlan* plan = signalPlan(sizeType);
  if (plan == nullptr) return;
  generateInternalSource(buffer, dialog, *plan);
}

void SignalSynthesizer::generateInternalSource(std::int16_t* buffer, ProgressDialog* dialog,
                                               const SignalPlan& plan) {
  failureReason_.clear();
  SynthesizerMemoryOutput output(buffer, dialog);
  // A band that can't be designed ends the signal early; the rest of the
  // buffer keeps its zeros.
  run(plan, output);
}

bool SignalSynthesizer::writeTestSignal(const std::string& filePath, ProgressDialog* dialog,
                                        std::int32_t sizeType) {
  reset();
  const SignalPlan* plan = signalPlan(sizeType);
  if (plan == nullptr) {
    // Checked before the file is opened, so an existing file is left alone.
    failureReason_ = "cannot write \"" + filePath + "\": unknown signal size " + std::to_string(sizeType);
    return false;
  }
  return writeTestSignal(filePath, dialog, *plan);
}

bool SignalSynthesizer::writeTestSignal(const std::string& filePath, ProgressDialog* dialog,
                                        const SignalPlan& plan) {
  failureReason_.clear();
  reset();
  SynthesizerFileOutput output(dialog, segmentTotal(plan));
  if (!output.open(filePath)) {
    failureReason_ = output.failureReason();
    return false;
  }
  if (dialog != nullptr) dialog->setRange(segmentTotal(plan));
  if (!run(plan, output)) {
    if (failureReason_.empty()) failureReason_ = output.failureReason();
    else failureReason_ = "cannot write \"" + filePath + "\": " + failureReason_;
    return false;
  }
  if (!output.close()) {
    failureReason_ = output.failureReason();
    return false;
  }
  return true;
}

}  // namespace orvelle
