#include "session/synthesizer_memory_output.h"

#include <algorithm>

#include "session/signal_plans.h"

namespace orvelle {

SynthesizerMemoryOutput::SynthesizerMemoryOutput(std::int16_t* buffer, ProgressDialog* dialog)
    : buffer_(buffer), dialog_(dialog) {
  if (dialog_ != nullptr) rangeUpper_ = dialog_->rangeUpper();
}

bool SynthesizerMemoryOutput::put(const std::int16_t* samples, std::int32_t count) {
  std::copy(samples, samples + count, buffer_ + written_);
  written_ += count;
  return true;
}

void SynthesizerMemoryOutput::segmentFinished() {
  if (dialog_ == nullptr) return;
  dialog_->setPosition(static_cast<std::int32_t>(written_));
  dialog_->setCaption(synthesizerProgressCaption(100.0 * static_cast<double>(written_) / rangeUpper_));
}

bool SynthesizerMemoryOutput::bandFinished() {
  // Written rather than assumed, so the signal does not depend on the buffer
  // having been cleared.
  std::fill(buffer_ + written_, buffer_ + written_ + kBandSilenceSamples, std::int16_t{0});
  written_ += kBandSilenceSamples;
  return true;
}

}  // namespace orvelle
