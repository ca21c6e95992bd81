// A pass-through codec that prints debug lines to stdout and stderr, as one
// under development does.
#include <algorithm>
#include <cstdio>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) {
  std::printf("chatty: GetFrameSize on stdout\n");
  std::fflush(stdout);
  return 160;
}

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  std::printf("chatty: CodeAndDeCode on stdout {\"not\": \"json\"}\n");
  std::fprintf(stderr, "chatty: CodeAndDeCode on stderr\n");
  std::fflush(stdout);
  std::copy_n(pInData, dDataSize, pOutData);
  storeFrameCount(pFrameNum, dDataSize / 160);
  return 0;
}
