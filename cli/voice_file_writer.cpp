#include "cli/voice_file_writer.h"

#include "platform/atomic_output_file.h"

namespace orvelle::cli {

bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error) {
  platform::AtomicOutputFile file;
  if (file.open(path) && file.write(samples, static_cast<std::size_t>(count) * sizeof(std::int16_t)) &&
      file.commit()) {
    return true;
  }
  *error = file.failureReason();
  return false;
}

}  // namespace orvelle::cli
