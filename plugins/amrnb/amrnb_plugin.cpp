// AMR narrow-band in the mode chosen by the build (4.75, 7.95 or 12.2 kbit/s),
// coded by opencore-amrnb: 160 samples become one storage-format frame and
// back. Discontinuous transmission stays off, so every frame is speech.
#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "release_with.h"

#ifndef ORVELLE_AMRNB_MODE
#error "ORVELLE_AMRNB_MODE must name an AMR-NB mode (MR475, MR795, MR122)"
#endif

namespace {

constexpr int kFrameSize = 160;
// The largest storage-format frame (12.2 kbit/s) is 32 bytes.
constexpr int kMaximumFrameBytes = 32;

using Encoder = std::unique_ptr<void, orvelle::plugins::ReleaseWith<Encoder_Interface_exit>>;
using Decoder = std::unique_ptr<void, orvelle::plugins::ReleaseWith<Decoder_Interface_exit>>;

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Fresh coders for every run, so that runs don't depend on one another.
  const Encoder encoder(Encoder_Interface_init(0));
  const Decoder decoder(Decoder_Interface_init());
  if (!encoder || !decoder) throw std::runtime_error("AMR-NB coder could not be created");
  std::array<unsigned char, kMaximumFrameBytes> bits{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        const int length = Encoder_Interface_Encode(encoder.get(), ORVELLE_AMRNB_MODE, in.data(), bits.data(), 0);
        if (length <= 0 || length > kMaximumFrameBytes) throw std::runtime_error("AMR-NB encoder did not code a frame");
        Decoder_Interface_Decode(decoder.get(), bits.data(), out.data(), 0);
      });
}
