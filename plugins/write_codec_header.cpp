// Build-time tool: writes the codec plug-in header to the path given.
#include <cstdio>
#include <string>

#include "session/codec_header.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.h\n", argv[0]);
    return 2;
  }
  std::string reason;
  if (!orvelle::writeCodecHeader(argv[1], &reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 1;
  }
  return 0;
}
