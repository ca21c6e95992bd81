// Exports GetFrameSize only.
#include "codec_plugin.h"

int GetFrameSize(void) { return 160; }
