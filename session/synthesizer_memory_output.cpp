#include "session/synthesizer_memory_output.h"

#include <algorithm>

#include "session/signal_plans.h"

namespace orvelle {

SynthesizerMemoryOutput::SynthesizerMemoryOutput(std::int16_t* buffer, ProgressDialog* dialog)
    : buffer_(buffer), dialog_(dialog) {
  if (dialog_ != nullptr) rangeUpper_ = dialog_->rangeUpper();
}

std::int16_t* SynthesizerMemoryOutput::place(std::int64_t) { return buffer_ + written_; }

bool SynthesizerMemoryOutput::put(const std::int16_t* samples, std::int32_t count) {
  if (samples != buffer_ + written_) std::copy(samples, samples + count, buffer_ + written_);
  written_ += count;
  return true;
}

void SynthesizerMemoryOutput::segmentFinished() {
  if (dialog_ == nullptr) return;
  dialog_->setPosition(static_cast<std::int32_t>(written_));
  dialog_->setCaption(synthesizerProgressCaption(100.0 * static_cast<double>(written_) / rangeUpper_));
}

bool SynthesizerMemoryOutput::bandFinished() {
  // The second of silence is skipped, not written: the buffer comes
  // zero-filled from the preparation, and the synthesiser touches only the
  // samples it generates.
  written_ += kBandSilenceSamples;
  return true;
}

}  // namespace orvelle
