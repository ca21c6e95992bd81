#include "audio_io/voice_resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "audio_io/voice_sample.h"

namespace orvelle {

namespace {

constexpr double kVoiceRate = 8000.0;
constexpr std::size_t kBlockFrames = 4096;

struct ResamplerCloser {
  void operator()(soxr* resampler) const { soxr_delete(resampler); }
};

// Collects the resampler's output as 16-bit samples.
class VoiceSink {
 public:
  VoiceSink(std::int16_t* samples, std::int64_t length, Resampling& result)
      : samples_(samples), length_(length), result_(result) {}

  void take(const double* values, std::size_t count) {
    for (std::size_t i = 0; i < count && written_ < length_; ++i) {
      // libsndfile scales 16-bit samples by 1/32768; the inverse is exact.
      samples_[written_++] = roundedVoiceSample(values[i] * 32768.0, result_.clippedSamples);
    }
  }
  bool full() const { return written_ == length_; }
  void fillToLength() {
    while (written_ < length_) samples_[written_++] = 0;
  }

 private:
  std::int16_t* samples_;
  std::int64_t length_;
  Resampling& result_;
  std::int64_t written_ = 0;
};

// Passes `count` input frames (none to drain the resampler) through it.
bool process(soxr* resampler, const double* input, std::size_t count, std::vector<double>& output, VoiceSink& sink,
             std::string& reason) {
  for (;;) {
    std::size_t used = 0;
    std::size_t made = 0;
    if (const soxr_error_t error = soxr_process(resampler, input, count, &used, output.data(), output.size(), &made)) {
      reason = std::string("the resampler failed: ") + error;
      return false;
    }
    sink.take(output.data(), made);
    if (input == nullptr) {
      if (made == 0) return true;
      continue;
    }
    input += used;
    count -= used;
    if (count == 0 && made < output.size()) return true;
  }
}

}  // namespace

std::int64_t resampledLength(const SoundFileFormat& format) {
  const long double length = std::nearbyint(static_cast<long double>(format.frames) * kVoiceRate / format.sampleRate);
  constexpr auto kMost = static_cast<long double>(std::numeric_limits<std::int64_t>::max() / 2);
  return length > kMost ? std::numeric_limits<std::int64_t>::max() / 2 : static_cast<std::int64_t>(length);
}

bool resampleToVoice(SoundFile& sound, std::int16_t* samples, std::int64_t length, Resampling& result,
                     std::string& reason) {
  const int channels = sound.format().channels;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  // One thread: the result must not depend on how the work is split.
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  const std::unique_ptr<soxr, ResamplerCloser> resampler(
      soxr_create(sound.format().sampleRate, kVoiceRate, 1, &error, &io, &quality, &runtime));
  if (error != nullptr) {
    reason = std::string("the resampler cannot start: ") + error;
    return false;
  }
  result = {};
  VoiceSink sink(samples, length, result);
  std::vector<double> frames(kBlockFrames * static_cast<std::size_t>(channels));
  std::vector<double> mono(kBlockFrames);
  std::vector<double> output(kBlockFrames);
  for (;;) {
    const std::int64_t read = sound.readDoubles(frames.data(), static_cast<std::int64_t>(kBlockFrames));
    if (read <= 0) break;
    result.decodedFrames += read;
    // The rest is still decoded, to check the file's length, but no longer
    // resampled.
    if (sink.full()) continue;
    const auto count = static_cast<std::size_t>(read);
    for (std::size_t frame = 0; frame < count; ++frame) {
      double sum = 0.0;
      for (int channel = 0; channel < channels; ++channel) sum += frames[frame * channels + channel];
      mono[frame] = sum / channels;
    }
    if (!process(resampler.get(), mono.data(), count, output, sink, reason)) return false;
  }
  if (!sink.full() && !process(resampler.get(), nullptr, 0, output, sink, reason)) return false;
  // A file that ends before its header says is refused as damaged; zeros for
  // a length it never had would only fill memory, as much as the header
  // claimed.
  if (result.decodedFrames >= sound.format().frames) sink.fillToLength();
  return true;
}

}  // namespace orvelle
