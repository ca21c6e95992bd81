#pragma once

#include <cstdint>
#include <vector>

#include "app/audio_output.h"

namespace orvelle {

// The two signals of a scoring run as they were scored, and how much later
// the processed one is (the measured delay; negative: earlier).
struct RunSignals {
  std::vector<std::int16_t> source;
  std::vector<std::int16_t> processed;
  std::int32_t delaySamples = 0;
};

// Plays either signal of a run. Changing from one to the other while one
// plays goes on at the same moment of the speech: the processed signal is
// heard `delaySamples` later than the source, so it is entered that much
// further on, and the switch lands on the same syllable.
class SpeechPlayer {
 public:
  enum class Track { none, source, processed };

  // Both must outlive the player.
  SpeechPlayer(const RunSignals& run, AudioOutput& output) : signals_(run), output_(output) {}

  // Starts `track` (source or processed): where the other one is while it
  // plays, else from the beginning of the speech.
  void play(Track track);
  void stop();
  // What is playing; none once stopped or played to the end.
  Track playing() const;
  // Where the speech is, in source samples; 0 when nothing plays.
  std::int64_t sourcePosition() const;

 private:
  const RunSignals& signals_;
  AudioOutput& output_;
  Track track_ = Track::none;
};

}  // namespace orvelle
