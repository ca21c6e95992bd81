#pragma once

#include <nlohmann/json.hpp>

#include "analyzer/analysis_result.h"

namespace orvelle::cli {

// A scoring run as JSON: score (percent), points, agreement, the companion
// figures and the similarity of every main and secondary group in both
// weighting modes.
// Numbers are written so that they read back to the same double.
nlohmann::json scoreJson(double scorePercent, const AnalysisResult& analysis);

}  // namespace orvelle::cli
