#pragma once

#include <algorithm>
#include <span>
#include <stdexcept>
#include <vector>

#include "frame_counter.h"

namespace orvelle::plugins {

// The frame loop every bundled codec shares. `codeFrame(in, out)` codes and
// decodes exactly one frame of `frameSize` samples. The host's buffers are
// only `dDataSize` samples long, so a last partial frame is coded from a
// zero-padded copy and only its valid samples are written back; nothing
// before pInData or past dDataSize is ever read or written.
template <typename CodeFrame>
long runFrames(const short* pInData, short* pOutData, long dDataSize, long* pFrameNum, int frameSize,
               CodeFrame&& codeFrame) {
  if (frameSize <= 0) throw std::logic_error("codec frame size must be positive");
  if (dDataSize <= 0) return 0;
  if (!pInData || !pOutData) throw std::invalid_argument("CodeAndDeCode needs an input and an output buffer");

  const long frame = frameSize;
  long frames = 0;
  long start = 0;
  for (; dDataSize - start >= frame; start += frame) {
    codeFrame(std::span<const short>(pInData + start, frame), std::span<short>(pOutData + start, frame));
    if (pFrameNum) storeFrameCount(pFrameNum, ++frames);
  }
  if (start < dDataSize) {
    const long valid = dDataSize - start;
    std::vector<short> padded(frame, 0);
    std::vector<short> decoded(frame, 0);
    std::copy_n(pInData + start, valid, padded.begin());
    codeFrame(std::span<const short>(padded), std::span<short>(decoded));
    std::copy_n(decoded.begin(), valid, pOutData + start);
    if (pFrameNum) storeFrameCount(pFrameNum, ++frames);
  }
  return frames;
}

}  // namespace orvelle::plugins
