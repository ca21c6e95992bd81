// GSM 06.10 full-rate speech (13 kbit/s) coded by libgsm: 160 samples become
// one 33-byte frame and back.
#include <gsm.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "codec_plugin.h"
#include "frame_runner.h"

namespace {

constexpr int kFrameSize = 160;

struct GsmDestroy {
  void operator()(gsm_state* state) const { gsm_destroy(state); }
};
using GsmState = std::unique_ptr<gsm_state, GsmDestroy>;

GsmState createState() {
  GsmState state(gsm_create());
  if (!state) throw std::runtime_error("GSM 06.10 coder could not be created");
  return state;
}

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  // A libgsm state does not keep encoder and decoder apart: coding and
  // decoding through one state loses some 17 dB of SNR on a steady tone.
  const GsmState encoder = createState();
  const GsmState decoder = createState();
  std::array<gsm_signal, kFrameSize> speech{};
  gsm_frame frame{};
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        // libgsm takes its input through a non-const pointer; the host's
        // buffer is not ours to hand out for writing.
        std::copy(in.begin(), in.end(), speech.begin());
        gsm_encode(encoder.get(), speech.data(), frame);
        if (gsm_decode(decoder.get(), frame, out.data()) != 0)
          throw std::runtime_error("GSM 06.10 decoder rejected a frame its own encoder produced");
      });
}
