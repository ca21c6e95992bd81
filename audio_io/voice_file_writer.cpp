#include "audio_io/voice_file_writer.h"

#include "audio_io/voice_wav_encoding.h"
#include "platform/atomic_output_file.h"

namespace orvelle {

bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error) {
  std::string wav;
  if (namesWavFile(path)) {
    if (!encodeVoiceWav(samples, count, wav, *error)) {
      *error = "\"" + path + "\": " + *error;
      return false;
    }
  }
  const void* const bytes = wav.empty() ? static_cast<const void*>(samples) : wav.data();
  const std::size_t size = wav.empty() ? static_cast<std::size_t>(count) * sizeof(std::int16_t) : wav.size();
  platform::AtomicOutputFile file;
  if (file.open(path) && file.write(bytes, size) && file.commit()) return true;
  *error = file.failureReason();
  return false;
}

}  // namespace orvelle
