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
// More threads than this would each get too short a stretch of a band to
// pay for starting them.
constexpr unsigned kMaxThreads = 16;

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

std::int64_t bandSampleCount(const SignalPlan& plan) {
  std::int64_t count = 0;
  for (std::int32_t s = 0; s < plan.segmentCount; ++s) count += std::max(plan.segments[s].length, 0);
  return count;
}

// One stretch of a band: samples [first, first + count) of it into `out`.
// `filter` is the band's freshly designed filter and `noise` the generator
// where the band starts. Every sample only needs the inputs of the last
// taps - 1 samples of the band, so a stretch moves the noise on to those
// exactly, primes the filter with them and then computes its samples just as
// the band's first stretch would have reached them: same products, same
// order, same bits.
void synthesiseStretch(KaiserBandPass filter, SynthesizerNoise noise, const double* sine, std::int64_t first,
                       std::int64_t count, std::int16_t* out) {
  const std::int64_t reach = std::min<std::int64_t>(first, filter.tapCount() - 1);
  noise.skip(static_cast<std::uint64_t>(first - reach));
  std::array<double, kChunkSamples> input;
  std::array<double, kChunkSamples> filtered;
  for (std::int64_t primed = 0; primed < reach;) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(reach - primed, kChunkSamples));
    for (std::int32_t i = 0; i < n; ++i) input[i] = noise.next() * kNoiseGain;
    filter.feed(input.data(), n);
    primed += n;
  }
  sine += first;
  for (std::int64_t done = 0; done < count;) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count - done, kChunkSamples));
    for (std::int32_t i = 0; i < n; ++i) input[i] = noise.next() * kNoiseGain;
    filter.filterBlock(input.data(), filtered.data(), n);
    for (std::int32_t i = 0; i < n; ++i) out[done + i] = toSample(sine[done + i] * filtered[i]);
    done += n;
  }
}

// The `total` samples of one band into `samples`, its stretches made side by
// side on `threads` threads (this one included). A thread that can't be had
// leaves its stretch to this one.
void synthesiseBand(const KaiserBandPass& filter, const SynthesizerNoise& noise, const double* sine,
                    std::int16_t* samples, std::int64_t total, std::int32_t threads) {
  const auto stretches = static_cast<std::int32_t>(std::clamp<std::int64_t>(total, 1, threads));
  auto stretchStart = [total, stretches](std::int32_t k) { return total * k / stretches; };
  auto make = [&](std::int32_t k) {
    const std::int64_t first = stretchStart(k);
    synthesiseStretch(filter, noise, sine, first, stretchStart(k + 1) - first, samples + first);
  };
  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<std::size_t>(stretches - 1));
  std::int32_t handedOut = 1;
  for (; handedOut < stretches; ++handedOut) {
    try {
      helpers.emplace_back(make, handedOut);
    } catch (const std::system_error&) {
      break;
    }
  }
  make(0);
  for (std::int32_t k = handedOut; k < stretches; ++k) make(k);
  for (std::thread& helper : helpers) helper.join();
}

std::int32_t threadsToUse(std::int32_t requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<std::int32_t>(std::min(cores, kMaxThreads));
}

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
  std::vector<std::int16_t> elsewhere;  // for an output that takes no samples in place
  const std::int32_t threads = threadsToUse(threads_);

  // Each band has its own filter, its own stretch of the noise and its sine,
  // so its samples can be made in any order; they reach the output in order,
  // with the same calls as when they are made one by one.
  for (std::int32_t b = 0; b < plan.bandCount; ++b) {
    const NoiseBand& band = plan.bands[b];
    const std::int32_t taps = designBandFilter(filter, band);
    if (taps < 1) return designFailed(band, taps);
    playBandModulation(plan, modulation);
    std::int16_t* samples = output.place(perBand);
    if (samples == nullptr) {
      elsewhere.resize(static_cast<std::size_t>(perBand));
      samples = elsewhere.data();
    }
    synthesiseBand(filter, noise, modulation.values.data(), samples, perBand, threads);
    noise.skip(static_cast<std::uint64_t>(perBand));

    const std::int16_t* next = samples;
    for (std::int32_t s = 0; s < plan.segmentCount; ++s) {
      const std::int32_t length = plan.segments[s].length;
      if (length > 0) {
        if (!output.put(next, length)) return false;
        next += length;
      }
      output.segmentFinished();
    }
    if (!output.bandFinished()) return false;
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
