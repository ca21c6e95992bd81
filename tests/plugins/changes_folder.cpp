// Passes its input through, and moves the process into the subfolder
// "elsewhere" of its current folder (when there is one) as it codes: code
// run in the program's own process must not move where the program reads
// and writes.
#include <unistd.h>

#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {
constexpr int kFrameSize = 160;
}

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Moved already, or nowhere to go: either way the samples pass.
  [[maybe_unused]] const int moved = chdir("elsewhere");
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, (dDataSize + kFrameSize - 1) / kFrameSize);
  return 0;
}
