#include "analyzer/voice_file_reader.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/file_length.h"

namespace orvelle {

namespace {
std::string quoted(const char* path) { return std::string("\"") + path + "\""; }
// "source voice file", or "voice file" for a file without a role.
std::string voiceFile(const char* role) { return *role == '\0' ? "voice file" : std::string(role) + " voice file"; }
}  // namespace

bool openVoiceFile(const char* path, const char* role, std::int64_t minimumBytes, OpenVoiceFile& out,
                   std::string& reason) {
  if (path == nullptr || *path == '\0') {
    reason = "No " + voiceFile(role) + " was given";
    return false;
  }
  // Only a regular file has a length and an end: a FIFO would block the
  // open, and a device such as /dev/zero would measure 0 bytes and then
  // read without end.
  platform::RegularFileOpening opening = platform::openRegularFile(path);
  if (opening.kind != nullptr) {
    reason = "The " + voiceFile(role) + " " + quoted(path) + " is " + opening.kind;
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
  if (out.bytes < minimumBytes) {
    reason = "The " + voiceFile(role) + " " + quoted(path) + " is too short: " +
             std::to_string(out.bytes) + " bytes, at least " + std::to_string(minimumBytes) + " are needed";
    out.file.reset();
    return false;
  }
  return true;
}

bool readVoiceSamples(OpenVoiceFile& voice, const char* path, const char* role, std::int16_t* samples,
                      std::int32_t count, std::string& reason) {
  const std::size_t read = std::fread(samples, sizeof(std::int16_t), static_cast<std::size_t>(count), voice.file.get());
  if (std::ferror(voice.file.get())) {
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

}  // namespace orvelle
