// Never returns from its work: a codec stuck in a loop or a dead lock.
#include <unistd.h>

#include "codec_plugin.h"
#include "frame_counter.h"

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short*, short*, long, long* pFrameNum) {
  storeFrameCount(pFrameNum, 3);
  for (;;) pause();
}
