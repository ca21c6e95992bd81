// Never returns from a library constructor: a plug-in that hangs while it is
// being loaded, before any of its exports could be called.
#include <unistd.h>

#include "codec_plugin.h"

__attribute__((constructor)) static void hangWhileLoading() {
  // Asleep rather than spinning, so that a host stuck here costs no CPU while
  // it waits to be killed.
  for (;;) sleep(1);
}

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short*, short*, long, long*) { return 0; }
