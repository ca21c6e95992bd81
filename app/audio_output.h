#pragma once

#include <cstdint>
#include <span>

namespace orvelle {

// Where played speech goes: the sound card, or in a test a recorder. It
// takes 8000 Hz mono 16-bit samples.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Plays `samples` from index `from` to their end, in place of whatever was
  // playing. The samples must stay alive until stop() or the next play().
  virtual void play(std::span<const std::int16_t> samples, std::int64_t from) = 0;
  virtual void stop() = 0;
  virtual bool playing() const = 0;
  // The index, in the samples last given to play(), of the sample being
  // heard now.
  virtual std::int64_t position() const = 0;
};

}  // namespace orvelle
