#pragma once

#include <nlohmann/json.hpp>

#include "analyzer/analysis_result.h"
#include "session/command_codec.h"

namespace orvelle::cli {

// A scoring run as JSON: score (percent), points, agreement, the companion
// figures and the similarity of every main and secondary group in both
// weighting modes.
// Numbers are written so that they read back to the same double.
nlohmann::json scoreJson(double scorePercent, const AnalysisResult& analysis);

// How a codec command's output was fitted to its input: the samples it
// wrote, the input's, and how many were padded and cut.
nlohmann::json commandOutputJson(const OutputFit& fit);

}  // namespace orvelle::cli
