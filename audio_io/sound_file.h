#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct sf_private_tag;

namespace orvelle {

// What a decoded sound file holds, as its header declares it.
struct SoundFileFormat {
  int sampleRate = 0;
  int channels = 0;
  int encoding = 0;  // the sample encoding, a libsndfile sub-format code
  std::int64_t frames = 0;
};

// A sound file (WAV, FLAC, AIFF, ...) decoded with libsndfile from a file
// the caller keeps open. The only place the program talks to libsndfile
// when reading.
class SoundFile {
 public:
  enum class Opening {
    decoded,        // a sound file libsndfile can decode
    notRecognised,  // no sound file: the caller's file is back at its start
    broken,         // recognised but unreadable; the reason says why
  };

  SoundFile() = default;
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;
  ~SoundFile();

  // Opens `file`, positioned at its start; the caller keeps it open for as
  // long as this object reads it.
  Opening open(std::FILE* file, std::string& reason);

  const SoundFileFormat& format() const { return format_; }

  // Whether the samples are what the measure is defined for, and can be
  // taken as they stand: 8000 Hz, one channel, 16-bit integers.
  bool isVoiceFormat() const;

  // "16000 Hz, 2 channels, 24-bit".
  std::string description() const;
  // "48000 Hz stereo", with the sample format when it is not 16-bit
  // integers: "8000 Hz mono 24-bit".
  std::string shortDescription() const;

  // Decodes up to `frames` frames; fewer at the end of the data or on a
  // decoding error (see error()). Shorts are exact for 16-bit files only;
  // doubles are in [-1, 1] and interleaved.
  std::int64_t readShorts(std::int16_t* samples, std::int64_t frames);
  std::int64_t readDoubles(double* samples, std::int64_t frames);

  // libsndfile's reason for the last failed read, or empty.
  std::string error() const;

 private:
  struct Closer {
    void operator()(sf_private_tag* sound) const;
  };
  std::unique_ptr<sf_private_tag, Closer> sound_;
  SoundFileFormat format_;
};

}  // namespace orvelle
