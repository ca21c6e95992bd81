// A codec that changes nothing: decoded speech equals the input. Scores 100%
// and is the reference for checking the measurement chain itself.
#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {
constexpr int kFrameSize = 160;
}

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  long frames = 0;
  for (long start = 0; start < dDataSize; start += kFrameSize) {
    const long length = std::min<long>(kFrameSize, dDataSize - start);
    std::copy_n(pInData + start, length, pOutData + start);
    storeFrameCount(pFrameNum, ++frames);
  }
  return 0;
}
