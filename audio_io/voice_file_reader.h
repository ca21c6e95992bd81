#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio_io/sound_file.h"
#include "platform/regular_file.h"

namespace orvelle {

using FileHandle = platform::FileHandle;

// What to do with a sound file in another format than the measure's.
enum class OtherFormats {
  refuse,
  resample,  // average its channels and resample it to 8000 Hz 16-bit while reading
};

// A voice file opened for reading: a sound file that libsndfile recognises
// by its content (WAV, FLAC, ...) in the one format the measure is defined
// for, or else headerless 16-bit little-endian mono samples. `role`
// ("source", "processed") names the file in messages; an empty role names
// it just "the voice file".
// Why a voice file could not be taken, for callers that react to the cause
// (a front end offers conversion, a batch counts damaged files); the
// reason text beside it names the file.
enum class VoiceFault {
  none,
  unreadable,       // missing, not a regular file, or a read failed
  damaged,          // a sound file whose data does not match its header
  needsConversion,  // a sound file in another format than the measure's
  empty,            // a sound file without samples
  rateTooLow,       // a sound file at a rate too low to hold speech
  tooShort,
  tooLong,
  outOfMemory,
};

struct OpenVoiceFile {
  FileHandle file;
  // Two per sample for a decoded file, so that lengths compare alike.
  std::int64_t bytes = 0;
  std::unique_ptr<SoundFile> sound;  // set for a decoded file
  bool resampled = false;             // the decoded file is converted while it is read
  std::int64_t clippedSamples = 0;    // of a resampled file, once read
  // Set when opening or reading failed; `found` is the sound file's own
  // format when it needs conversion.
  VoiceFault fault = VoiceFault::none;
  SoundFileFormat found;
};

// Sound files below this rate hold no speech band to measure.
inline constexpr int kLowestSpeechRate = 1000;

// Opens `path` and measures it. Returns false with `reason` set when it
// cannot be opened or measured, is a sound file below kLowestSpeechRate, in
// another format (unless `others` says to resample it; its length is then
// the resampled one, and it is refused if those samples, with as many to
// score them against, could never be held in memory) or a broken one, or
// holds fewer than `minimumBytes` (in samples of two bytes for a decoded
// file); `out.fault` then says which. All of it from the header: nothing is
// decoded or allocated for the samples. The reason says what a
// person needs to know, but not what a program could do about it: a
// front end adds how its user converts a file.
bool openVoiceFile(const char* path, const char* role, std::int64_t minimumBytes, OpenVoiceFile& out,
                   std::string& reason, OtherFormats others = OtherFormats::refuse);

// Whether `path` is a sound file that openVoiceFile refuses unless told to
// resample it; `what` then says what it is, as "48000 Hz stereo". Reads
// only the file's header. A file that cannot be opened, or that no
// conversion could make speech of, needs nothing: its reading fails with
// the reason.
bool needsResampling(const char* path, std::string& what);

// "The source voice file "x" was converted from 16000 Hz, 2 channels,
// 16-bit to 8000 Hz mono 16-bit; 3 samples clipped", for a resampled file
// once read.
std::string conversionNote(const OpenVoiceFile& voice, const char* path, const char* role);

// Reads up to `count` samples from the file's start into `samples`, which
// keeps its contents past the end of the file. Returns false with `reason`
// set on a read error, or when a decoded file holds fewer or more samples
// than its header declares.
bool readVoiceSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                      std::int32_t count, std::string& reason);

// A length of `bytes` as the file's kind counts it: "40000 bytes" for a
// headerless file, "20000 samples" for a decoded one; the count alone.
std::string voiceLengthText(const OpenVoiceFile& voice, std::int64_t bytes);
std::string voiceLengthCount(const OpenVoiceFile& voice, std::int64_t bytes);

}  // namespace orvelle
