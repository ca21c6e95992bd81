// A pass-through codec whose frame size the test chooses through the
// environment variable ORVELLE_TEST_FRAME_SIZE (160 when unset), so that one
// plug-in covers odd, huge and invalid frame sizes.
#include <algorithm>
#include <cstdlib>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) {
  const char* value = std::getenv("ORVELLE_TEST_FRAME_SIZE");
  return value ? std::atoi(value) : 160;
}

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const long frameSize = std::max(1, GetFrameSize());
  long frames = 0;
  for (long start = 0; start < dDataSize; start += frameSize) {
    std::copy_n(pInData + start, std::min(frameSize, dDataSize - start), pOutData + start);
    storeFrameCount(pFrameNum, ++frames);
  }
  return 0;
}
