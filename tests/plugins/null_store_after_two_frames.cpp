// Codes two frames, then stores through a null pointer: the fault a codec
// under development most often has.
#include <algorithm>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

// The sanitizers would report the store themselves; the test wants the fault.
__attribute__((no_sanitize("address", "undefined"))) long CodeAndDeCode(short* pInData, short* pOutData,
                                                                         long dDataSize, long* pFrameNum) {
  std::copy_n(pInData, std::min<long>(dDataSize, 320), pOutData);
  storeFrameCount(pFrameNum, 2);
  short* nowhere = nullptr;
  // Hidden from the optimiser, which would otherwise drop a store it can
  // prove goes nowhere.
  asm volatile("" : "+r"(nowhere));
  *static_cast<volatile short*>(nowhere) = 1;
  return 0;
}
