#include "session/synthesizer_file_output.h"

#include <cerrno>
#include <cstring>

#include "session/signal_plans.h"

namespace orvelle {
namespace {

std::string describeError(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : ""; }

}  // namespace

SynthesizerFileOutput::SynthesizerFileOutput(ProgressDialog* dialog, std::int32_t segmentTotal)
    : dialog_(dialog), segmentTotal_(segmentTotal) {}

bool SynthesizerFileOutput::open(const std::string& path) {
  path_ = path;
  errno = 0;
  file_.reset(std::fopen(path.c_str(), "wb"));
  if (!file_) {
    failureReason_ = "cannot open \"" + path + "\" for writing" + describeError(errno);
    return false;
  }
  return true;
}

bool SynthesizerFileOutput::close() {
  if (!file_) return false;
  const bool flushed = flushBlock();
  errno = 0;
  const bool closed = std::fclose(file_.release()) == 0;
  if (flushed && !closed) failureReason_ = "cannot finish writing \"" + path_ + "\"" + describeError(errno);
  return flushed && closed;
}

bool SynthesizerFileOutput::writeBytes(const unsigned char* bytes, std::size_t size) {
  errno = 0;
  if (std::fwrite(bytes, 1, size, file_.get()) == size) return true;
  failureReason_ = "cannot write \"" + path_ + "\"" + describeError(errno);
  return false;
}

bool SynthesizerFileOutput::flushBlock() {
  const std::size_t size = blockBytes_;
  blockBytes_ = 0;
  return size == 0 || writeBytes(block_.data(), size);
}

bool SynthesizerFileOutput::put(const std::int16_t* samples, std::int32_t count) {
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
  return flushBlock() && writeBytes(kSilence.data(), kSilence.size());
}

}  // namespace orvelle
