// G.726 ADPCM at the bit rate chosen by the build (40, 32, 24 or 16 kbit/s),
// coded by spandsp. The encoder and the decoder each keep their own adaptive
// predictor, as they would at the two ends of a line, and both are created
// afresh for every run so that runs don't depend on one another.
#include <spandsp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "codec_plugin.h"
#include "frame_runner.h"

#ifndef ORVELLE_G726_BIT_RATE
#error "ORVELLE_G726_BIT_RATE must name the bit rate in bit/s"
#endif

namespace {

// G.726 codes sample by sample; 20 ms is the usual packet and sets how often
// the progress counter moves.
constexpr int kFrameSize = 160;
constexpr int kBitRate = ORVELLE_G726_BIT_RATE;

struct G726Free {
  void operator()(g726_state_t* state) const { g726_free(state); }
};
using G726State = std::unique_ptr<g726_state_t, G726Free>;

G726State createState() {
  // Unpacked codes (one per byte) keep the frame a whole number of bytes at
  // every rate.
  G726State state(g726_init(nullptr, kBitRate, G726_ENCODING_LINEAR, G726_PACKING_NONE));
  if (!state) throw std::runtime_error("G.726 coder could not be created (" + std::to_string(kBitRate) + " bit/s)");
  return state;
}

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const G726State encoder = createState();
  const G726State decoder = createState();
  std::array<std::uint8_t, kFrameSize> codes{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        const int coded = g726_encode(encoder.get(), codes.data(), in.data(), kFrameSize);
        if (coded != kFrameSize) throw std::runtime_error("G.726 encoder returned a short frame");
        const int decoded = g726_decode(decoder.get(), out.data(), codes.data(), coded);
        if (decoded != kFrameSize) throw std::runtime_error("G.726 decoder returned a short frame");
      });
}
