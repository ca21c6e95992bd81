#pragma once

#include <cstdint>
#include <string>

namespace orvelle {

// Whether an output named `path` is to be a WAV file: its name ends in
// ".wav", in any case. Every other name gets headerless samples.
bool namesWavFile(const std::string& path);

// The bytes of an 8000 Hz mono 16-bit WAV file holding `count` samples,
// encoded with libsndfile. False, with a reason, if it cannot encode them.
bool encodeVoiceWav(const std::int16_t* samples, std::int64_t count, std::string& image, std::string& reason);

}  // namespace orvelle
