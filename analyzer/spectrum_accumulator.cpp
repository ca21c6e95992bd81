#include "analyzer/spectrum_accumulator.h"

#include <cstddef>

#include "analyzer/activity_flags.h"
#include "analyzer/mean_spectrum.h"
#include "analyzer/spectral_front_end.h"
#include "analyzer/spectrum_lanes.h"

namespace orvelle {

static_assert(kAnalysisHopLength == 2 * kActivityFrameLength, "a hop spans exactly two activity flags");

namespace {

// Gated frames waiting for their spectra. They are transformed a lane set at
// a time (as many frames as the path takes) and added to their means in the
// order they were queued, so each mean sees its frames in signal order, as
// if each were done alone.
class SpectrumQueue {
 public:
  SpectrumQueue(const SpectralFrontEnd& frontEnd, FrameWorkArea& work, KernelPath path)
      : frontEnd_(frontEnd), work_(work), path_(path), lanes_(laneCount(path)) {
    for (int l = 0; l < lanes_; ++l) power_[l] = work_.lanePower[static_cast<std::size_t>(l)].data();
  }
  SpectrumQueue(const SpectrumQueue&) = delete;
  SpectrumQueue& operator=(const SpectrumQueue&) = delete;

  void push(const std::int16_t* frame, MeanSpectrum& mean) {
    samples_[queued_] = frame;
    means_[queued_] = &mean;
    if (++queued_ == lanes_) flush();
  }

  // Transforms what is queued; unused lanes repeat the first frame and are
  // thrown away.
  void flush() {
    if (queued_ == 0) return;
    for (int l = queued_; l < lanes_; ++l) samples_[l] = samples_[0];
    laneSpectra(frontEnd_, path_, samples_, power_, work_);
    for (int l = 0; l < queued_; ++l) means_[l]->add(power_[l]);
    queued_ = 0;
  }

 private:
  const SpectralFrontEnd& frontEnd_;
  FrameWorkArea& work_;
  KernelPath path_;
  int lanes_;
  const std::int16_t* samples_[kMostSpectrumLanes] = {};
  MeanSpectrum* means_[kMostSpectrumLanes] = {};
  double* power_[kMostSpectrumLanes] = {};
  int queued_ = 0;
};

bool isGated(const std::int16_t* gateFlags, std::int32_t k) { return gateFlags[2 * k] != 0 || gateFlags[2 * k + 1] != 0; }

const std::int16_t* frameStart(const std::int16_t* samples, std::int32_t k) {
  return samples + static_cast<std::ptrdiff_t>(k) * kAnalysisHopLength;
}

}  // namespace

std::int32_t spectralFrameCount(std::int32_t sampleCount) {
  if (sampleCount <= kAnalysisFrameLength) return 0;
  const std::int64_t span = std::int64_t{sampleCount} - kAnalysisFrameLength;
  return static_cast<std::int32_t>((span + kAnalysisHopLength - 1) / kAnalysisHopLength);
}

std::int32_t accumulateSpectrum(const SpectralFrontEnd& frontEnd, const std::int16_t* samples, std::int32_t sampleCount,
                                const std::int16_t* gateFlags, MeanSpectrum& mean, FrameWorkArea& work,
                                KernelPath path) {
  if (frontEnd.frameLength() != kAnalysisFrameLength) return 0;
  const std::int32_t before = mean.frames();
  const std::int32_t frames = spectralFrameCount(sampleCount);
  SpectrumQueue queue(frontEnd, work, path);
  for (std::int32_t k = 0; k < frames; ++k) {
    if (isGated(gateFlags, k)) queue.push(frameStart(samples, k), mean);
  }
  queue.flush();
  return mean.frames() - before;
}

void accumulateSpectra(const SpectralFrontEnd& frontEnd, const std::int16_t* source, const std::int16_t* processed,
                       std::int32_t sampleCount, const std::int16_t* gateFlags, MeanSpectrum& sourceMean,
                       MeanSpectrum& processedMean, FrameWorkArea& work, KernelPath path) {
  if (frontEnd.frameLength() != kAnalysisFrameLength) return;
  const std::int32_t frames = spectralFrameCount(sampleCount);
  SpectrumQueue queue(frontEnd, work, path);
  for (std::int32_t k = 0; k < frames; ++k) {
    if (!isGated(gateFlags, k)) continue;
    queue.push(frameStart(source, k), sourceMean);
    queue.push(frameStart(processed, k), processedMean);
  }
  queue.flush();
}

}  // namespace orvelle
