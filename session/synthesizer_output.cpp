#include "session/synthesizer_output.h"

#include <cstdio>

namespace orvelle {

std::string synthesizerProgressCaption(double percent) {
  char text[64];
  std::snprintf(text, sizeof text, "Progressed %2.4f%c", percent, '%');
  return text;
}

}  // namespace orvelle
