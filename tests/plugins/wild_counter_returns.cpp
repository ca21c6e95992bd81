// Codes as a pass-through codec while its frame counter holds wild values,
// each long enough for the progress shown to meet it, and returns with one
// there.
#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const long frames = dDataSize / 160;
  for (const long wild : {LONG_MIN, -1L, frames + 2, LONG_MAX}) {
    storeFrameCount(pFrameNum, wild);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, -123456789);
  return 0;
}
