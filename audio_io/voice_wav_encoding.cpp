#include "audio_io/voice_wav_encoding.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace orvelle {

namespace {

// A file in memory that libsndfile writes into, seeking back to finish
// the header once the samples are in.
struct MemoryFile {
  std::string& bytes;
  sf_count_t position = 0;
};

sf_count_t memoryLength(void* file) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(file)->bytes.size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* file) {
  auto* const memory = static_cast<MemoryFile*>(file);
  const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? memory->position : memoryLength(file);
  if (base + offset < 0) return -1;
  memory->position = base + offset;
  return memory->position;
}

sf_count_t memoryRead(void* data, sf_count_t count, void* file) {
  auto* const memory = static_cast<MemoryFile*>(file);
  const sf_count_t available = std::max<sf_count_t>(0, memoryLength(file) - memory->position);
  const sf_count_t read = std::min(count, available);
  if (read > 0) std::memcpy(data, memory->bytes.data() + memory->position, static_cast<std::size_t>(read));
  memory->position += read;
  return read;
}

sf_count_t memoryWrite(const void* data, sf_count_t count, void* file) {
  auto* const memory = static_cast<MemoryFile*>(file);
  const auto end = static_cast<std::size_t>(memory->position + count);
  if (memory->bytes.size() < end) memory->bytes.resize(end);
  std::memcpy(memory->bytes.data() + memory->position, data, static_cast<std::size_t>(count));
  memory->position += count;
  return count;
}

sf_count_t memoryTell(void* file) { return static_cast<MemoryFile*>(file)->position; }

}  // namespace

bool namesWavFile(const std::string& path) {
  constexpr const char* kSuffix = ".wav";
  if (path.size() < 4) return false;
  return std::equal(path.end() - 4, path.end(), kSuffix,
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool encodeVoiceWav(const std::int16_t* samples, std::int64_t count, std::string& image, std::string& reason) {
  image.clear();
  MemoryFile memory{image};
  SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* const sound = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
  if (sound == nullptr) {
    reason = std::string("can't encode WAV: ") + sf_strerror(nullptr);
    return false;
  }
  const sf_count_t written = sf_writef_short(sound, samples, count);
  const std::string error = sf_strerror(sound);
  if (sf_close(sound) != 0 || written != count) {
    reason = "can't encode WAV: " + error;
    return false;
  }
  return true;
}

}  // namespace orvelle
