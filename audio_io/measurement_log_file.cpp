#include "audio_io/measurement_log_file.h"

#include "platform/atomic_output_file.h"
#include "platform/startup_directory.h"

namespace orvelle {

std::string defaultMeasurementLogPath() { return platform::startupDirectory() + kMeasurementLogName; }

bool writeMeasurementLog(const std::string& path, const std::string& text) {
  if (path.empty()) return false;
  platform::AtomicOutputFile file;
  if (!file.open(path)) return false;
  file.write(text.data(), text.size());
  return file.commit();
}

}  // namespace orvelle
