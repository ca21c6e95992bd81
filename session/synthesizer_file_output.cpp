#include "session/synthesizer_file_output.h"

#include "audio_io/voice_wav_encoding.h"
#include "session/signal_plans.h"

namespace orvelle {

SynthesizerFileOutput::SynthesizerFileOutput(ProgressDialog* dialog, std::int32_t segmentTotal)
    : dialog_(dialog), segmentTotal_(segmentTotal) {}

bool SynthesizerFileOutput::open(const std::string& path) {
  wav_ = namesWavFile(path);
  wavSamples_.clear();
  if (file_.open(path)) return true;
  failureReason_ = file_.failureReason();
  return false;
}

bool SynthesizerFileOutput::close() {
  if (!file_.isOpen()) return false;
  if (wav_) {
    std::string image;
    if (!encodeVoiceWav(wavSamples_.data(), static_cast<std::int64_t>(wavSamples_.size()), image, failureReason_)) {
      file_.discard();
      return false;
    }
    if (writeBytes(reinterpret_cast<const unsigned char*>(image.data()), image.size()) && file_.commit()) return true;
  } else if (flushBlock() && file_.commit()) {
    return true;
  }
  failureReason_ = file_.failureReason();
  file_.discard();
  return false;
}

bool SynthesizerFileOutput::writeBytes(const unsigned char* bytes, std::size_t size) {
  if (file_.write(bytes, size)) return true;
  failureReason_ = file_.failureReason();
  return false;
}

bool SynthesizerFileOutput::flushBlock() {
  const std::size_t size = blockBytes_;
  blockBytes_ = 0;
  return size == 0 || writeBytes(block_.data(), size);
}

bool SynthesizerFileOutput::put(const std::int16_t* samples, std::int32_t count) {
  if (wav_) {
    wavSamples_.insert(wavSamples_.end(), samples, samples + count);
    return true;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const auto bits = static_cast<std::uint16_t>(samples[i]);
    block_[blockBytes_] = static_cast<unsigned char>(bits & 0xFFu);
    block_[blockBytes_ + 1] = static_cast<unsigned char>(bits >> 8);
    blockBytes_ += 2;
    if (blockBytes_ == block_.size() && !flushBlock()) return false;
  }
  return true;
}

void SynthesizerFileOutput::segmentFinished() {
  // Reports the segment just finished, counted from 0, so the bar trails by
  // one segment and stops just short of full.
  if (dialog_ != nullptr) {
    dialog_->setPosition(segmentsDone_);
    dialog_->setCaption(synthesizerProgressCaption(100.0 * segmentsDone_ / segmentTotal_));
  }
  ++segmentsDone_;
}

bool SynthesizerFileOutput::bandFinished() {
  static constexpr std::array<unsigned char, 2 * kBandSilenceSamples> kSilence{};
  if (wav_) {
    wavSamples_.insert(wavSamples_.end(), kBandSilenceSamples, 0);
    return true;
  }
  return flushBlock() && writeBytes(kSilence.data(), kSilence.size());
}

}  // namespace orvelle
