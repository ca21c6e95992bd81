// Leaves a wild value in its frame counter, then crashes: the report must
// not take the value for progress.
#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

__attribute__((no_sanitize("address", "undefined"))) long CodeAndDeCode(short* pInData, short* pOutData,
                                                                         long dDataSize, long* pFrameNum) {
  std::copy_n(pInData, std::min<long>(dDataSize, 320), pOutData);
  storeFrameCount(pFrameNum, 2);
  storeFrameCount(pFrameNum, -123456789);
  short* nowhere = nullptr;
  asm volatile("" : "+r"(nowhere));
  *static_cast<volatile short*>(nowhere) = 1;
  return 0;
}
