#pragma once

#include <string>

#include "analyzer/analysis_result.h"

namespace orvelle {

// The result line of a scoring command, e.g. "Codec Quality is 80.00%,\n
// that corresponds to 4.00 points"; `measure` is "Codec Quality" or "File Quality".
std::string qualityResultText(const char* measure, double scorePercent);


}  // namespace orvelle
