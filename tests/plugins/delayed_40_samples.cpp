// Hands the speech back 40 samples (5 ms) late and otherwise unchanged: a
// codec whose delay is known.
#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {
constexpr int kFrameSize = 160;
constexpr long kDelay = 40;
}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  if (dDataSize <= kDelay) return 0;
  std::copy(pInData, pInData + (dDataSize - kDelay), pOutData + kDelay);
  storeFrameCount(pFrameNum, (dDataSize + kFrameSize - 1) / kFrameSize);
  return 0;
}
