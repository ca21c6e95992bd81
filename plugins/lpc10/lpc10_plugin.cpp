// LPC-10 (2400 bit/s), the linear-predictive vocoder, coded by spandsp:
// 180 samples (22.5 ms) become one 7-byte frame and back. It keeps the
// spectral envelope and the pitch, not the waveform.
#include <spandsp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "release_with.h"

namespace {

constexpr int kFrameSize = LPC10_SAMPLES_PER_FRAME;
constexpr int kFrameBytes = (LPC10_BITS_IN_COMPRESSED_FRAME + 7) / 8;

using Encoder = std::unique_ptr<lpc10_encode_state_t, orvelle::plugins::ReleaseWith<lpc10_encode_free>>;
using Decoder = std::unique_ptr<lpc10_decode_state_t, orvelle::plugins::ReleaseWith<lpc10_decode_free>>;

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Fresh coders for every run: the decoder's noise generator for unvoiced
  // frames lives in its state, so a fresh state gives the same noise.
  const Encoder encoder(lpc10_encode_init(nullptr, 0));
  const Decoder decoder(lpc10_decode_init(nullptr, 0));
  if (!encoder || !decoder) throw std::runtime_error("LPC-10 coder could not be created");
  std::array<std::uint8_t, kFrameBytes> bits{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        const int coded = lpc10_encode(encoder.get(), bits.data(), in.data(), kFrameSize);
        if (coded != kFrameBytes) throw std::runtime_error("LPC-10 encoder returned a short frame");
        const int decoded = lpc10_decode(decoder.get(), out.data(), bits.data(), coded);
        if (decoded != kFrameSize) throw std::runtime_error("LPC-10 decoder returned a short frame");
      });
}
