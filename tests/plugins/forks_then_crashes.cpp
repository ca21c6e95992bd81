// Starts a child that keeps every descriptor it inherited, the host's
// channel among them, and then crashes: the crash must still be seen at
// once, not when the child lets go of the channel.
#include <unistd.h>

#include "codec_plugin.h"
#include "frame_counter.h"

// Long enough to outlast any test; short enough that a test that failed to
// end the child leaves nothing for ever.
constexpr unsigned kChildSeconds = 60;

int GetFrameSize(void) { return 160; }

__attribute__((no_sanitize("address", "undefined"))) long CodeAndDeCode(short*, short*, long, long* pFrameNum) {
  storeFrameCount(pFrameNum, 1);
  if (fork() == 0) {
    sleep(kChildSeconds);
    _exit(0);
  }
  int* nowhere = nullptr;
  // Hidden from the optimiser, which would otherwise drop a store it can
  // prove goes nowhere.
  asm volatile("" : "+r"(nowhere));
  *static_cast<volatile int*>(nowhere) = 1;
  return 0;
}
