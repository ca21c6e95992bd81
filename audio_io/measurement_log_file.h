#pragma once

#include <string>

namespace orvelle {

inline constexpr const char* kMeasurementLogName = "TestLog.log";

// Where a run's log goes unless told otherwise: the start-up directory
// followed by kMeasurementLogName.
std::string defaultMeasurementLogPath();

// Puts `text` (a whole log) in place of the file at `path`: written beside
// it and renamed when complete, so a reader finds one run's whole log at
// every moment, even while runs overlap or one is killed. False if it could
// not be written; the previous file is then left as it was.
bool writeMeasurementLog(const std::string& path, const std::string& text);

}  // namespace orvelle
