// Zeroes its input as it goes and outputs what is left there: silence. With
// the reference intact that must score badly, never 100 %.
#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  std::fill_n(pInData, dDataSize, static_cast<short>(0));
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, dDataSize / 160);
  return 0;
}
