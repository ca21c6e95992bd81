// Crashes in a library constructor, while it is being loaded: before any of
// its exports could be called.
#include "codec_plugin.h"

__attribute__((constructor, no_sanitize("address", "undefined"))) static void crashWhileLoading() {
  int* nowhere = nullptr;
  // Hidden from the optimiser, which would otherwise drop a store it can
  // prove goes nowhere.
  asm volatile("" : "+r"(nowhere));
  *static_cast<volatile int*>(nowhere) = 1;
}

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short*, short*, long, long*) { return 0; }
