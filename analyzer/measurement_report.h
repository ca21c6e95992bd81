#pragma once

#include <string>

#include "analyzer/analysis_result.h"

namespace orvelle {

// The measurement log of a finished run, as the bytes of the file: the
// activity agreement, then the main groups in both weighting modes with the
// average of the first four, then the secondary groups in both modes with
// their average, each block closed by separator lines. Every line ends in
// CR LF whatever the platform, and numbers never follow the process locale.
std::string measurementLogText(const AnalysisResult& result);

}  // namespace orvelle
