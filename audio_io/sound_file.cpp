#include "audio_io/sound_file.h"

#include <sndfile.h>

#include <cstring>
#include <mutex>

#include "platform/file_length.h"

namespace orvelle {

namespace {

sf_count_t fileLength(void* file) { return platform::fileLength(static_cast<std::FILE*>(file)); }

sf_count_t seekFile(sf_count_t offset, int whence, void* file) {
  auto* const stream = static_cast<std::FILE*>(file);
  if (fseeko(stream, static_cast<off_t>(offset), whence) != 0) return -1;
  return ftello(stream);
}

sf_count_t readFile(void* data, sf_count_t count, void* file) {
  return static_cast<sf_count_t>(std::fread(data, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(file)));
}

sf_count_t writeNothing(const void*, sf_count_t, void*) { return 0; }

sf_count_t tellFile(void* file) { return ftello(static_cast<std::FILE*>(file)); }

std::string encodingName(int encoding) {
  switch (encoding) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return "8-bit";
    case SF_FORMAT_PCM_16: return "16-bit";
    case SF_FORMAT_PCM_24: return "24-bit";
    case SF_FORMAT_PCM_32: return "32-bit";
    case SF_FORMAT_FLOAT: return "32-bit float";
    case SF_FORMAT_DOUBLE: return "64-bit float";
    case SF_FORMAT_ULAW: return "µ-law";
    case SF_FORMAT_ALAW: return "A-law";
    default: break;
  }
  SF_FORMAT_INFO info{};
  info.format = encoding;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr) return info.name;
  return "an unknown encoding";
}

// libsndfile reads a header that claims more data than the file holds as
// far as the data goes and only notes the claim in its log, as
// "data : 60000 (should be 20000)". Such a file was cut short, and scoring
// what is left would score something its author never meant.
bool claimsMissingData(SNDFILE* sound, std::string& reason) {
  char log[4096] = {};
  sf_command(sound, SFC_GET_LOG_INFO, log, sizeof log);
  for (const char* line = log; *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    const std::string text(line, end == nullptr ? std::strlen(line) : static_cast<std::size_t>(end - line));
    long long claimed = 0;
    long long present = 0;
    if (std::sscanf(text.c_str(), "data : %lld (should be %lld)", &claimed, &present) == 2 && claimed > present) {
      reason = "its header declares " + std::to_string(claimed) + " bytes of samples, but the file holds only " +
               std::to_string(present);
      return true;
    }
    if (end == nullptr) break;
    line = end + 1;
  }
  return false;
}

// A failed open leaves its error in the library's one global error state, so
// two files opened at once (batch rows) would read each other's reason, or
// none at all.
std::mutex failedOpenErrorLock;

}  // namespace

void SoundFile::Closer::operator()(sf_private_tag* sound) const { sf_close(sound); }

SoundFile::~SoundFile() = default;

SoundFile::Opening SoundFile::open(std::FILE* file, std::string& reason) {
  SF_VIRTUAL_IO io{fileLength, seekFile, readFile, writeNothing, tellFile};
  SF_INFO info{};
  int error = SF_ERR_NO_ERROR;
  SNDFILE* sound = nullptr;
  {
    const std::lock_guard<std::mutex> lock(failedOpenErrorLock);
    sound = sf_open_virtual(&io, SFM_READ, &info, file);
    if (sound == nullptr) error = sf_error(nullptr);
  }
  if (sound == nullptr) {
    if (error == SF_ERR_UNRECOGNISED_FORMAT) {
      std::rewind(file);
      return Opening::notRecognised;
    }
    reason = sf_error_number(error);
    return Opening::broken;
  }
  sound_.reset(sound);
  format_ = {info.samplerate, info.channels, info.format & SF_FORMAT_SUBMASK, info.frames};
  if (claimsMissingData(sound, reason)) return Opening::broken;
  if (info.channels <= 0 || info.samplerate <= 0) {
    reason = "its header declares " + std::to_string(info.channels) + " channels at " +
             std::to_string(info.samplerate) + " Hz";
    return Opening::broken;
  }
  return Opening::decoded;
}

bool SoundFile::isVoiceFormat() const {
  return format_.sampleRate == 8000 && format_.channels == 1 && format_.encoding == SF_FORMAT_PCM_16;
}

std::string SoundFile::description() const {
  return std::to_string(format_.sampleRate) + " Hz, " + std::to_string(format_.channels) +
         (format_.channels == 1 ? " channel, " : " channels, ") + encodingName(format_.encoding);
}

std::string SoundFile::shortDescription() const {
  const std::string layout = format_.channels == 1   ? "mono"
                             : format_.channels == 2 ? "stereo"
                                                     : std::to_string(format_.channels) + " channels";
  return std::to_string(format_.sampleRate) + " Hz " + layout +
         (format_.encoding == SF_FORMAT_PCM_16 ? std::string() : " " + encodingName(format_.encoding));
}

std::int64_t SoundFile::readShorts(std::int16_t* samples, std::int64_t frames) {
  return sf_readf_short(sound_.get(), samples, frames);
}

std::int64_t SoundFile::readDoubles(double* samples, std::int64_t frames) {
  return sf_readf_double(sound_.get(), samples, frames);
}

std::string SoundFile::error() const {
  return sf_error(sound_.get()) == SF_ERR_NO_ERROR ? std::string() : sf_strerror(sound_.get());
}

}  // namespace orvelle
