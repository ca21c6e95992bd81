// Starts a child that leaves the host's session and process group, then
// never returns: ending the host's group alone would miss the child.
#include <unistd.h>

#include "codec_plugin.h"
#include "frame_counter.h"

// Long enough to outlast any test; short enough that a test that failed to
// end the child leaves nothing for ever.
constexpr unsigned kChildSeconds = 60;

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short*, short*, long, long* pFrameNum) {
  if (fork() == 0) {
    setsid();
    sleep(kChildSeconds);
    _exit(0);
  }
  storeFrameCount(pFrameNum, 3);
  for (;;) pause();
}
