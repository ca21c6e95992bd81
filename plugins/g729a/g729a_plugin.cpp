// G.729 Annex A (8 kbit/s CS-ACELP) coded by bcg729: 80 samples become one
// 10-byte frame and back. Voice-activity detection and discontinuous
// transmission stay off, so every frame is coded as speech and the codec is
// measured, not its silence suppression.
// The library's headers declare C functions without saying so to C++.
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "release_with.h"

namespace {

constexpr int kFrameSize = 80;
constexpr std::uint8_t kSpeechFrameBytes = 10;

using Encoder = std::unique_ptr<bcg729EncoderChannelContextStruct,
                                orvelle::plugins::ReleaseWith<closeBcg729EncoderChannel>>;
using Decoder = std::unique_ptr<bcg729DecoderChannelContextStruct,
                                orvelle::plugins::ReleaseWith<closeBcg729DecoderChannel>>;

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Fresh coders for every run: the adaptive codebook and the predictors
  // would otherwise carry one run's speech into the next.
  const Encoder encoder(initBcg729EncoderChannel(0));
  const Decoder decoder(initBcg729DecoderChannel());
  if (!encoder || !decoder) throw std::runtime_error("G.729A coder could not be created");
  std::array<std::uint8_t, kSpeechFrameBytes> bits{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        std::uint8_t length = 0;
        bcg729Encoder(encoder.get(), in.data(), bits.data(), &length);
        if (length != kSpeechFrameBytes) throw std::runtime_error("G.729A encoder did not code a speech frame");
        bcg729Decoder(decoder.get(), bits.data(), length, 0, 0, 0, out.data());
      });
}
