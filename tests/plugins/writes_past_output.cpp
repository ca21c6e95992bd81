// Writes 4 MiB past the end of its output buffer, where other data would
// otherwise lie.
#include "codec_plugin.h"
#include "frame_counter.h"

namespace {
constexpr long kSamplesPast = (4L << 20) / static_cast<long>(sizeof(short));
}

int GetFrameSize(void) { return 160; }

__attribute__((no_sanitize("address", "undefined"))) long CodeAndDeCode(short*, short* pOutData, long dDataSize,
                                                                         long* pFrameNum) {
  storeFrameCount(pFrameNum, 1);
  short* far = pOutData + dDataSize + kSamplesPast;
  asm volatile("" : "+r"(far));
  *static_cast<volatile short*>(far) = 1;
  return 0;
}
