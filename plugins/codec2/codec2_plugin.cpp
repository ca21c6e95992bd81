// Codec 2 in the mode chosen by the build (3200, 2400, 1600, 1200 or 700C),
// a parametric vocoder: it resynthesises speech from pitch, voicing and
// spectral envelope rather than reproducing the waveform.
//
// libcodec2 draws the phases of unvoiced harmonics (and the postfilter's
// background phases) from one random generator whose seed is a hidden static
// of the library, with no call to reset it. Coding the same input twice in one
// process would therefore give different speech, and one plug-in's run would
// shift the next run of another Codec 2 plug-in. Every run therefore codes
// with its own private copy of the library, loaded into a fresh link-map
// namespace, which starts from the library's initial seed and is unloaded at
// the end of the run.
#include <codec2/codec2.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec_plugin.h"
#include "frame_runner.h"

#ifndef ORVELLE_CODEC2_MODE
#error "ORVELLE_CODEC2_MODE must name a CODEC2_MODE_ constant"
#endif

namespace {

constexpr int kMode = ORVELLE_CODEC2_MODE;

constexpr int samplesPerFrame(int mode) {
  switch (mode) {
    case CODEC2_MODE_3200:
    case CODEC2_MODE_2400:
      return 160;  // 20 ms
    default:
      return 320;  // 40 ms for the lower rates
  }
}
constexpr int kFrameSize = samplesPerFrame(kMode);

// The library entries of one private copy.
class PrivateCodec2 {
 public:
  PrivateCodec2() {
    // Load the very file this plug-in was linked against.
    Dl_info linked{};
    if (!dladdr(reinterpret_cast<void*>(&codec2_create), &linked) || !linked.dli_fname)
      throw std::runtime_error("Codec 2 library file could not be located");
    dlerror();
    handle_ = dlmopen(LM_ID_NEWLM, linked.dli_fname, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* reason = dlerror();
      throw std::runtime_error(std::string("Codec 2 library could not be loaded: ") + (reason ? reason : linked.dli_fname));
    }
    try {
      resolve(create, "codec2_create");
      resolve(destroy, "codec2_destroy");
      resolve(encode, "codec2_encode");
      resolve(decode, "codec2_decode");
      resolve(samplesPerFrame, "codec2_samples_per_frame");
      resolve(bytesPerFrame, "codec2_bytes_per_frame");
    } catch (...) {
      dlclose(handle_);
      throw;
    }
  }
  ~PrivateCodec2() { dlclose(handle_); }
  PrivateCodec2(const PrivateCodec2&) = delete;
  PrivateCodec2& operator=(const PrivateCodec2&) = delete;

  decltype(&codec2_create) create = nullptr;
  decltype(&codec2_destroy) destroy = nullptr;
  decltype(&codec2_encode) encode = nullptr;
  decltype(&codec2_decode) decode = nullptr;
  decltype(&codec2_samples_per_frame) samplesPerFrame = nullptr;
  decltype(&codec2_bytes_per_frame) bytesPerFrame = nullptr;

 private:
  template <typename Function>
  void resolve(Function& entry, const char* name) {
    entry = reinterpret_cast<Function>(dlsym(handle_, name));
    if (!entry) throw std::runtime_error(std::string("Codec 2 library lacks ") + name);
  }

  void* handle_ = nullptr;
};

// One coder state of the private copy, destroyed by the same copy.
class Codec2Coder {
 public:
  explicit Codec2Coder(const PrivateCodec2& library) : library_(library), state_(library.create(kMode)) {
    if (!state_) throw std::runtime_error("Codec 2 coder could not be created");
    if (library.samplesPerFrame(state_) != kFrameSize) {
      library.destroy(state_);
      throw std::runtime_error("Codec 2 library uses another frame size than this plug-in reports");
    }
  }
  ~Codec2Coder() { library_.destroy(state_); }
  Codec2Coder(const Codec2Coder&) = delete;
  Codec2Coder& operator=(const Codec2Coder&) = delete;

  CODEC2* get() const { return state_; }

 private:
  const PrivateCodec2& library_;
  CODEC2* state_;
};

}  // namespace

int GetFrameSize(void) { return kFrameSize; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  if (dDataSize <= 0) return 0;
  const PrivateCodec2 library;
  // Separate encoder and decoder, as at the two ends of a link.
  const Codec2Coder encoder(library);
  const Codec2Coder decoder(library);
  std::vector<short> speech(kFrameSize);
  std::vector<unsigned char> bits(static_cast<std::size_t>(library.bytesPerFrame(encoder.get())));
  return orvelle::plugins::runFrames(
      pInData, pOutData, dDataSize, pFrameNum, kFrameSize, [&](std::span<const short> in, std::span<short> out) {
        // The library takes its input through a non-const pointer; the host's
        // buffer is not ours to hand out for writing.
        std::copy(in.begin(), in.end(), speech.begin());
        library.encode(encoder.get(), bits.data(), speech.data());
        library.decode(decoder.get(), out.data(), bits.data());
      });
}
