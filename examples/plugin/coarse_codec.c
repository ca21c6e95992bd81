/* A minimal codec plug-in: keeps the top 10 bits of each sample, one frame
   of 160 samples (20 ms) at a time. Build it against an installed Orvelle:
     cmake -S . -B build -DCMAKE_PREFIX_PATH=<prefix> && cmake --build build
   or
     cc -shared -fPIC $(pkg-config --cflags orvelle-plugin) coarse_codec.c -o coarse_codec.so
   and score it with: orvelle-cli quality --codec ./coarse_codec.so */
#include <orvelle/codec_plugin.h>

enum { kFrameSize = 160, kDroppedBits = 6 };

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  for (long start = 0; start < dDataSize; start += kFrameSize) {
    const long end = start + kFrameSize < dDataSize ? start + kFrameSize : dDataSize;
    for (long i = start; i < end; ++i) {
      /* Division rounds towards zero, so silence stays silence. */
      pOutData[i] = (short)((pInData[i] / (1 << kDroppedBits)) * (1 << kDroppedBits));
    }
    ++*pFrameNum;
  }
  return dDataSize;
}
