#include "cli/voice_file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvelle::cli {

bool writeVoiceFile(const std::string& path, const std::int16_t* samples, std::int64_t count, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    *error = path + ": cannot create the voice file: " + std::strerror(errno);
    return false;
  }
  const std::size_t wanted = static_cast<std::size_t>(count);
  const bool written = std::fwrite(samples, sizeof(std::int16_t), wanted, file) == wanted;
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *error = path + ": cannot write the voice file: " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

}  // namespace orvelle::cli
