// Halves every sample (truncating toward zero): a codec with a known, uniform
// 6 dB loss, whose score the analyzer can predict. Built against the SDK's
// header, which must compile as C++ as well as C.
#include <orvelle/codec_plugin.h>
#include "frame_counter.h"

namespace {
constexpr int kFrameSize = 160;
}

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  long frames = 0;
  for (long i = 0; i < dDataSize; ++i) {
    pOutData[i] = static_cast<short>(pInData[i] / 2);
    if ((i + 1) % kFrameSize == 0 || i + 1 == dDataSize) storeFrameCount(pFrameNum, ++frames);
  }
  return 0;
}
