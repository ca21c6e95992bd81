// A pass-through codec that leaves a child behind, holding the host's
// standard output and error: a successful run must not wait for it.
#include <unistd.h>

#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

// Long enough to outlast any test; short enough that a test that failed to
// end the child leaves nothing for ever.
constexpr unsigned kChildSeconds = 60;

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  if (fork() == 0) {
    sleep(kChildSeconds);
    _exit(0);
  }
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, dDataSize / 160);
  return 0;
}
