// Adds white noise 20 dB under the speech of every 10 ms frame, from a fixed
// generator, so that each frame's SNR, and with it the segmental SNR, is
// known: 20 dB, up to the rounding to whole samples.
#include <cmath>
#include <cstdint>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {
constexpr int kFrameSize = 80;
constexpr double kSnrDb = 20.0;
}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  std::uint32_t state = 2024;
  long frames = 0;
  for (long start = 0; start < dDataSize; start += kFrameSize) {
    const long end = start + kFrameSize < dDataSize ? start + kFrameSize : dDataSize;
    double noise[kFrameSize];
    double signalEnergy = 0.0;
    double noiseEnergy = 0.0;
    for (long n = start; n < end; ++n) {
      state = state * 1664525u + 1013904223u;
      noise[n - start] = static_cast<double>(static_cast<std::int32_t>(state >> 8) - (1 << 23));
      signalEnergy += static_cast<double>(pInData[n]) * pInData[n];
      noiseEnergy += noise[n - start] * noise[n - start];
    }
    const double gain = noiseEnergy > 0.0 ? std::sqrt(signalEnergy / noiseEnergy * std::pow(10.0, -kSnrDb / 10.0)) : 0.0;
    for (long n = start; n < end; ++n) {
      const double value = std::round(pInData[n] + gain * noise[n - start]);
      pOutData[n] = static_cast<short>(value > 32767.0 ? 32767.0 : (value < -32768.0 ? -32768.0 : value));
    }
    storeFrameCount(pFrameNum, ++frames);
  }
  return 0;
}
