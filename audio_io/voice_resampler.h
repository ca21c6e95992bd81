#pragma once

#include <cstdint>
#include <string>

#include "audio_io/sound_file.h"

namespace orvelle {

// The number of samples a sound file of `format` makes at 8000 Hz, from its
// declared frame count, so that limits hold before anything is decoded.
std::int64_t resampledLength(const SoundFileFormat& format);

struct Resampling {
  std::int64_t decodedFrames = 0;   // frames read from the file
  std::int64_t clippedSamples = 0;  // samples beyond the 16-bit range, set to its end
};

// Decodes the whole of `sound`, averages its channels to one, resamples it
// to 8000 Hz at very high quality and rounds it to 16 bits without dither,
// so the same file always gives the same samples. Writes the first `length`
// of them into `samples`, zeros where the resampler delivers fewer (but
// nothing past what it delivered when the file holds fewer frames than its
// header declares). Returns false with `reason` set when the resampler fails.
bool resampleToVoice(SoundFile& sound, std::int16_t* samples, std::int64_t length, Resampling& result,
                     std::string& reason);

}  // namespace orvelle
