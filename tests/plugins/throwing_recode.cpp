// Codes two frames (writes them and counts them), then raises.
#include <algorithm>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const long written = std::min<long>(dDataSize, 320);
  std::copy_n(pInData, written, pOutData);
  storeFrameCount(pFrameNum, 2);
  throw std::runtime_error("coder failed");
}
