#include "app/speech_player.h"

#include <algorithm>

namespace orvelle {

void SpeechPlayer::play(Track track) {
  if (track == Track::none) return stop();
  const std::int64_t at = sourcePosition();
  const std::vector<std::int16_t>& samples = track == Track::source ? signals_.source : signals_.processed;
  const std::int64_t from = track == Track::source ? at : at + signals_.delaySamples;
  output_.play(samples, std::clamp<std::int64_t>(from, 0, static_cast<std::int64_t>(samples.size())));
  track_ = track;
}

void SpeechPlayer::stop() {
  output_.stop();
  track_ = Track::none;
}

SpeechPlayer::Track SpeechPlayer::playing() const { return output_.playing() ? track_ : Track::none; }

std::int64_t SpeechPlayer::sourcePosition() const {
  switch (playing()) {
    case Track::source: return output_.position();
    case Track::processed: return std::max<std::int64_t>(0, output_.position() - signals_.delaySamples);
    case Track::none: break;
  }
  return 0;
}

}  // namespace orvelle
