// Build-time tool: writes the codec plug-in header to the path given.
#include <cstdio>

#include "session/codec_header.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.h\n", argv[0]);
    return 2;
  }
  if (!orvelle::writeCodecHeader(argv[1])) {
    std::fprintf(stderr, "%s: cannot write the header\n", argv[1]);
    return 1;
  }
  return 0;
}
