#pragma once

#include <sndfile.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvelle::test {

// Writes interleaved `samples` as a sound file of `format` (a libsndfile
// container | encoding), `rate` Hz and `channels` channels.
inline void writeSoundFile(const std::string& path, const std::vector<std::int16_t>& samples, int format,
                           int rate = 8000, int channels = 1) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* const sound = sf_open(path.c_str(), SFM_WRITE, &info);
  if (sound == nullptr) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
  const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
  const sf_count_t written = sf_writef_short(sound, samples.data(), frames);
  sf_close(sound);
  if (written != frames) throw std::runtime_error("short write to " + path);
}

constexpr int kVoiceWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kVoiceFlac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;

// The samples of a sound file, interleaved, as libsndfile decodes them.
struct DecodedSound {
  SF_INFO info{};
  std::vector<std::int16_t> samples;
};

inline DecodedSound readSoundFile(const std::string& path) {
  DecodedSound decoded;
  SNDFILE* const sound = sf_open(path.c_str(), SFM_READ, &decoded.info);
  if (sound == nullptr) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
  decoded.samples.resize(static_cast<std::size_t>(decoded.info.frames * decoded.info.channels));
  decoded.samples.resize(static_cast<std::size_t>(sf_readf_short(sound, decoded.samples.data(), decoded.info.frames) *
                                                  decoded.info.channels));
  sf_close(sound);
  return decoded;
}

}  // namespace orvelle::test
