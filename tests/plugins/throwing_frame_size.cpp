// GetFrameSize raises; CodeAndDeCode would work.
#include <stdexcept>

#include "codec_plugin.h"

int GetFrameSize(void) { throw std::runtime_error("frame size unavailable"); }
long CodeAndDeCode(short*, short*, long, long*) { return 0; }
