// Opus at 8000 samples per second, narrow band, for voice over IP, at the
// constant bit rate chosen by the build (6, 8, 12 or 16 kbit/s): 20 ms
// (160 samples) become one packet and back.
#include <opus/opus.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "release_with.h"

#ifndef ORVELLE_OPUS_BIT_RATE
#error "ORVELLE_OPUS_BIT_RATE must name the bit rate in bit/s"
#endif

namespace {

constexpr int kSampleRate = 8000;
constexpr int kFrameSize = 160;
// A constant-rate packet of 20 ms at 16 kbit/s is 40 bytes; this is the
// largest packet Opus ever writes.
constexpr int kMaximumPacketBytes = 1276;

using Encoder = std::unique_ptr<OpusEncoder, orvelle::plugins::ReleaseWith<opus_encoder_destroy>>;
using Decoder = std::unique_ptr<OpusDecoder, orvelle::plugins::ReleaseWith<opus_decoder_destroy>>;

void check(int status, const char* what) {
  if (status < 0) throw std::runtime_error(std::string("Opus ") + what + ": " + opus_strerror(status));
}

Encoder createEncoder() {
  int status = OPUS_OK;
  Encoder encoder(opus_encoder_create(kSampleRate, 1, OPUS_APPLICATION_VOIP, &status));
  check(status, "encoder could not be created");
  check(opus_encoder_ctl(encoder.get(), OPUS_SET_BITRATE(ORVELLE_OPUS_BIT_RATE)), "bit rate refused");
  check(opus_encoder_ctl(encoder.get(), OPUS_SET_VBR(0)), "constant bit rate refused");
  check(opus_encoder_ctl(encoder.get(), OPUS_SET_BANDWIDTH(OPUS_BANDWIDTH_NARROWBAND)), "narrow band refused");
  return encoder;
}

Decoder createDecoder() {
  int status = OPUS_OK;
  Decoder decoder(opus_decoder_create(kSampleRate, 1, &status));
  check(status, "decoder could not be created");
  return decoder;
}

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // Fresh coders for every run, so that runs don't depend on one another.
  const auto encoder = createEncoder();
  const auto decoder = createDecoder();
  std::array<unsigned char, kMaximumPacketBytes> packet{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        const opus_int32 length = opus_encode(encoder.get(), in.data(), kFrameSize, packet.data(), kMaximumPacketBytes);
        check(length, "encoder failed");
        const int decoded = opus_decode(decoder.get(), packet.data(), length, out.data(), kFrameSize, 0);
        check(decoded, "decoder failed");
        if (decoded != kFrameSize) throw std::runtime_error("Opus decoder returned a short frame");
      });
}
