#include "session/result_text.h"

#include <cstdio>

namespace orvelle {

std::string qualityResultText(const char* measure, double scorePercent) {
  char text[160];
  std::snprintf(text, sizeof text, "%s is %3.2lf%c,\nthat corresponds to %1.2lf points", measure, scorePercent, '%',
                scorePoints(scorePercent));
  return text;
}

}  // namespace orvelle
