// G.711 µ-law or A-law (chosen by the build): each sample is companded to
// eight bits and expanded again. The codec has no memory, so a frame is only
// the unit the progress counter advances by.
#include <cstdint>

#include "codec_plugin.h"
#include "frame_runner.h"
#include "g711/g711_companding.h"

namespace {

constexpr int kFrameSize = 160;  // 20 ms, the usual packet size for G.711

#if defined(ORVELLE_G711_ALAW)
constexpr auto kEncode = orvelle::g711::encodeAlaw;
constexpr auto kDecode = orvelle::g711::decodeAlaw;
#else
constexpr auto kEncode = orvelle::g711::encodeUlaw;
constexpr auto kDecode = orvelle::g711::decodeUlaw;
#endif

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  return orvelle::plugins::runFrames(pInData, pOutData, dDataSize, pFrameNum, kFrameSize,
                                     [](std::span<const short> in, std::span<short> out) {
                                       for (std::size_t i = 0; i < in.size(); ++i) out[i] = kDecode(kEncode(in[i]));
                                     });
}
