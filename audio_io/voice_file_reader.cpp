#include "audio_io/voice_file_reader.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "audio_io/voice_resampler.h"
#include "platform/file_length.h"

namespace orvelle {

namespace {
std::string quoted(const char* path) { return std::string("\"") + path + "\""; }
// "source voice file", or "voice file" for a file without a role.
std::string voiceFile(const char* role) { return *role == '\0' ? "voice file" : std::string(role) + " voice file"; }
std::string theFile(const char* path, const char* role) { return "The " + voiceFile(role) + " " + quoted(path); }

// Two bytes a sample, saturated: a header may declare any frame count.
std::int64_t sampleBytes(std::int64_t frames) {
  constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max() / 2;
  return frames > kMost ? std::numeric_limits<std::int64_t>::max() : 2 * frames;
}

// The most memory this process could ever have: the machine's, or less
// under a limit on its address space or its data.
std::uint64_t memoryCeiling() {
  std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) most = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      most = std::min<std::uint64_t>(most, limit.rlim_cur);
    }
  }
  return most;
}

std::string megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// A conversion is made whole in memory, beside a signal of its length to
// score it against (the other file of a pair, or the codec's output). A
// header may declare any rate and length, and memory that can never be had
// is refused from it rather than run out of, or swapped through, for hours.
bool conversionFits(const SoundFile& sound, const char* path, const char* role, OpenVoiceFile& out,
                    std::string& reason) {
  const std::int64_t samples = resampledLength(sound.format());
  // Longer than a 32-bit count: the caller refuses it as too long, with its padding.
  if (samples > std::numeric_limits<std::int32_t>::max()) return true;
  const std::uint64_t needed = 2 * sizeof(std::int16_t) * static_cast<std::uint64_t>(samples);
  const std::uint64_t ceiling = memoryCeiling();
  if (needed <= ceiling) return true;
  out.fault = VoiceFault::outOfMemory;
  reason = "Not enough memory to convert the " + voiceFile(role) + " " + quoted(path) + ": at 8000 Hz it would be " +
           std::to_string(samples) + " samples, which need " + megabytes(needed) +
           " with the signal they are scored against, and at most " + megabytes(ceiling) + " can be had";
  return false;
}

// Recognises a sound file by its content; anything libsndfile does not
// recognise stays the headerless file it always was.
bool openSoundFile(const char* path, const char* role, OpenVoiceFile& out, std::string& reason,
                   OtherFormats others) {
  auto sound = std::make_unique<SoundFile>();
  std::string why;
  switch (sound->open(out.file.get(), why)) {
    case SoundFile::Opening::notRecognised: return true;
    case SoundFile::Opening::broken:
      out.fault = VoiceFault::damaged;
      reason = theFile(path, role) + " is a damaged sound file: " + why;
      return false;
    case SoundFile::Opening::decoded: break;
  }
  // No conversion makes speech of it, so none is offered.
  if (sound->format().sampleRate < kLowestSpeechRate) {
    out.fault = VoiceFault::rateTooLow;
    reason = theFile(path, role) + " is " + std::to_string(sound->format().sampleRate) + " Hz; a rate below " +
             std::to_string(kLowestSpeechRate) + " Hz holds no speech";
    return false;
  }
  out.resampled = !sound->isVoiceFormat();
  if (out.resampled && others == OtherFormats::refuse) {
    out.fault = VoiceFault::needsConversion;
    out.found = sound->format();
    reason = theFile(path, role) + " is " + sound->description() + "; the measure needs 8000 Hz mono 16-bit";
    return false;
  }
  if (sound->format().frames <= 0) {
    out.fault = VoiceFault::empty;
    reason = theFile(path, role) + " holds no samples";
    return false;
  }
  if (out.resampled && !conversionFits(*sound, path, role, out, reason)) return false;
  out.bytes = sampleBytes(out.resampled ? resampledLength(sound->format()) : sound->format().frames);
  out.sound = std::move(sound);
  return true;
}

// A file whose header says otherwise than its data is damaged, and scoring
// part of it would score something its author never meant.
bool decodedAsDeclared(OpenVoiceFile& voice, const char* path, const char* role, std::int64_t read,
                       std::int64_t wanted, bool moreThanDeclared, std::string& reason) {
  const SoundFile& sound = *voice.sound;
  if (read < wanted || moreThanDeclared) voice.fault = VoiceFault::damaged;
  const std::int64_t declared = sound.format().frames;
  if (read < wanted) {
    const std::string error = sound.error();
    reason = theFile(path, role) + " is damaged: its header declares " + std::to_string(declared) +
             " samples, but only " + std::to_string(read) + " could be decoded" +
             (error.empty() ? std::string() : " (" + error + ")");
    return false;
  }
  if (moreThanDeclared) {
    reason = theFile(path, role) + " is damaged: it holds more samples than the " + std::to_string(declared) +
             " its header declares";
    return false;
  }
  return true;
}

// Reads the declared samples, then makes sure there are no others.
bool readSoundSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                      std::int32_t count, std::string& reason) {
  SoundFile& sound = *voice.sound;
  const std::int64_t declared = sound.format().frames;
  const std::int64_t wanted = declared < count ? declared : count;
  const std::int64_t read = sound.readShorts(samples, wanted);
  std::int16_t extra = 0;
  return decodedAsDeclared(voice, path, role, read, wanted, wanted == declared && sound.readShorts(&extra, 1) > 0,
                           reason);
}

// A resampled file is read whole, since the resampler needs what follows a
// sample to make it; its declared length is checked like any other's.
bool readResampledSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                          std::int32_t count, std::string& reason) {
  SoundFile& sound = *voice.sound;
  const std::int64_t length = voice.bytes / 2;
  Resampling result;
  std::string why;
  if (!resampleToVoice(sound, samples, length < count ? length : count, result, why)) {
    voice.fault = VoiceFault::damaged;
    reason = "Can't convert the " + voiceFile(role) + " " + quoted(path) + ": " + why;
    return false;
  }
  voice.clippedSamples = result.clippedSamples;
  const std::int64_t declared = sound.format().frames;
  const std::int64_t decoded = result.decodedFrames < declared ? result.decodedFrames : declared;
  return decodedAsDeclared(voice, path, role, decoded, declared, result.decodedFrames > declared, reason);
}

}  // namespace

bool openVoiceFile(const char* path, const char* role, std::int64_t minimumBytes, OpenVoiceFile& out,
                   std::string& reason, OtherFormats others) {
  out.fault = VoiceFault::unreadable;
  if (path == nullptr || *path == '\0') {
    reason = "No " + voiceFile(role) + " was given";
    return false;
  }
  // Only a regular file has a length and an end: a FIFO would block the
  // open, and a device such as /dev/zero would measure 0 bytes and then
  // read without end.
  platform::RegularFileOpening opening = platform::openRegularFile(path);
  if (opening.kind != nullptr) {
    reason = theFile(path, role) + " is " + opening.kind;
    return false;
  }
  out.file = std::move(opening.file);
  if (!out.file) {
    reason = "Can't open the " + voiceFile(role) + " " + quoted(path) + ": " + std::strerror(opening.error);
    return false;
  }
  out.bytes = platform::fileLength(out.file.get());
  if (out.bytes < 0) {
    reason = "Can't measure the " + voiceFile(role) + " " + quoted(path);
    out.file.reset();
    return false;
  }
  out.fault = VoiceFault::none;
  if (!openSoundFile(path, role, out, reason, others)) {
    out.file.reset();
    return false;
  }
  if (out.bytes < minimumBytes) {
    out.fault = VoiceFault::tooShort;
    reason = theFile(path, role) + " is too short: " + voiceLengthText(out, out.bytes) + ", at least " +
             voiceLengthCount(out, minimumBytes) + " are needed";
    out.sound.reset();
    out.file.reset();
    return false;
  }
  return true;
}

bool readVoiceSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                      std::int32_t count, std::string& reason) {
  if (voice.resampled) return readResampledSamples(voice, path, role, samples, count, reason);
  if (voice.sound) return readSoundSamples(voice, path, role, samples, count, reason);
  const std::size_t read = std::fread(samples, sizeof(std::int16_t), static_cast<std::size_t>(count), voice.file.get());
  if (std::ferror(voice.file.get())) {
    voice.fault = VoiceFault::unreadable;
    reason = "Can't read the " + voiceFile(role) + " " + quoted(path) + ": " + std::strerror(errno);
    return false;
  }
  // A trailing odd byte is not a sample, but the C library may already have
  // copied it into the next element.
  if (read < static_cast<std::size_t>(count)) samples[read] = 0;
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t i = 0; i < read; ++i) {
      const auto value = static_cast<std::uint16_t>(samples[i]);
      samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((value << 8) | (value >> 8)));
    }
  }
  return true;
}

bool needsResampling(const char* path, std::string& what) {
  platform::RegularFileOpening opening = platform::openRegularFile(path);
  if (opening.kind != nullptr || !opening.file) return false;
  SoundFile sound;
  std::string ignored;
  if (sound.open(opening.file.get(), ignored) != SoundFile::Opening::decoded || sound.isVoiceFormat() ||
      sound.format().sampleRate < kLowestSpeechRate) {
    return false;
  }
  what = sound.shortDescription();
  return true;
}

std::string conversionNote(const OpenVoiceFile& voice, const char* path, const char* role) {
  return theFile(path, role) + " was converted from " + voice.sound->description() + " to 8000 Hz mono 16-bit; " +
         std::to_string(voice.clippedSamples) + (voice.clippedSamples == 1 ? " sample" : " samples") + " clipped";
}

std::string voiceLengthCount(const OpenVoiceFile& voice, std::int64_t bytes) {
  return std::to_string(voice.sound ? bytes / 2 : bytes);
}

std::string voiceLengthText(const OpenVoiceFile& voice, std::int64_t bytes) {
  return voiceLengthCount(voice, bytes) + (voice.sound ? " samples" : " bytes");
}

}  // namespace orvelle
