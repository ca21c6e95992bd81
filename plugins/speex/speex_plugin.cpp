// Speex narrow-band at the quality chosen by the build (2, 5 or 8), constant
// bit rate: 160 samples become one frame of bits and back.
#include <speex/speex.h>

#include <array>
#include <memory>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "release_with.h"

#ifndef ORVELLE_SPEEX_QUALITY
#error "ORVELLE_SPEEX_QUALITY must name the Speex quality (0 to 10)"
#endif

namespace {

constexpr int kFrameSize = 160;
// Far more than the 62 bytes of the richest narrow-band mode.
constexpr int kMaximumFrameBytes = 200;

using Encoder = std::unique_ptr<void, orvelle::plugins::ReleaseWith<speex_encoder_destroy>>;
using Decoder = std::unique_ptr<void, orvelle::plugins::ReleaseWith<speex_decoder_destroy>>;

// A SpeexBits owns a buffer that speex_bits_destroy releases.
class Bits {
 public:
  Bits() { speex_bits_init(&bits_); }
  ~Bits() { speex_bits_destroy(&bits_); }
  Bits(const Bits&) = delete;
  Bits& operator=(const Bits&) = delete;
  SpeexBits* get() { return &bits_; }

 private:
  SpeexBits bits_{};
};

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Fresh coders for every run, so that runs don't depend on one another.
  const Encoder encoder(speex_encoder_init(&speex_nb_mode));
  const Decoder decoder(speex_decoder_init(&speex_nb_mode));
  if (!encoder || !decoder) throw std::runtime_error("Speex coder could not be created");
  int quality = ORVELLE_SPEEX_QUALITY;
  speex_encoder_ctl(encoder.get(), SPEEX_SET_QUALITY, &quality);
  int frameSize = 0;
  speex_encoder_ctl(encoder.get(), SPEEX_GET_FRAME_SIZE, &frameSize);
  if (frameSize != kFrameSize) throw std::runtime_error("Speex library uses another frame size than this plug-in reports");

  Bits encoded;
  Bits received;
  std::array<spx_int16_t, kFrameSize> speech{};
  std::array<char, kMaximumFrameBytes> bytes{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        // The library takes its input through a non-const pointer.
        std::copy(in.begin(), in.end(), speech.begin());
        speex_bits_reset(encoded.get());
        speex_encode_int(encoder.get(), speech.data(), encoded.get());
        const int length = speex_bits_write(encoded.get(), bytes.data(), kMaximumFrameBytes);
        // The decoder sees only the bytes, as at the far end of a link.
        speex_bits_read_from(received.get(), bytes.data(), length);
        if (speex_decode_int(decoder.get(), received.get(), out.data()) != 0)
          throw std::runtime_error("Speex decoder rejected a frame its own encoder produced");
      });
}
