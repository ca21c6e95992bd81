#pragma once

#include <string>

namespace orvelle {

// The result line of a scoring command, e.g. "Codec Quality is 80.00%,\n
// that corresponds to 4.00 points"; `measure` is "Codec Quality" or "File Quality".
std::string qualityResultText(const char* measure, double scorePercent);

// Points on the five-point scale for a score in percent.
inline double scorePoints(double scorePercent) { return scorePercent * 0.05; }

}  // namespace orvelle
