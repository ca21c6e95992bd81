// What every bundled codec plug-in owes the program, whatever it codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/codecs/codec_plugin_harness.h"

namespace orvelle::test {
namespace {

struct BundledCodec {
  const char* name;
  int frameSize;  // the codec's own frame, in samples at 8 kHz
};

const BundledCodec kBundledCodecs[] = {
    {"g711u", 160},       {"g711a", 160},       {"g726_40", 160},     {"g726_32", 160},     {"g726_24", 160},
    {"g726_16", 160},     {"gsm610", 160},      {"codec2_3200", 160}, {"codec2_2400", 160}, {"codec2_1600", 320},
    {"codec2_1200", 320}, {"codec2_700c", 320}, {"g729a", 80},        {"amrnb_475", 160},   {"amrnb_795", 160},
    {"amrnb_122", 160},   {"speex_q2", 160},    {"speex_q5", 160},    {"speex_q8", 160},    {"opus_6k", 160},
    {"opus_8k", 160},     {"opus_12k", 160},    {"opus_16k", 160},    {"lpc10", 180},
};

void PrintTo(const BundledCodec& codec, std::ostream* os) { *os << codec.name; }

class PluginContract : public ::testing::TestWithParam<BundledCodec> {
 protected:
  void SetUp() override { ORVELLE_REQUIRE_PLUGIN(plugin_); }

  CodecPlugin plugin_{GetParam().name};
};

TEST_P(PluginContract, ReportsTheCodecFrameSize) { EXPECT_EQ(plugin_.frameSize(), GetParam().frameSize); }

TEST_P(PluginContract, CountsOneFramePerFrameIncludingAPartialLastOne) {
  const long frame = plugin_.frameSize();
  for (const long size : {5 * frame, 5 * frame + 7, frame - 1}) {
    // Buffers of exactly `size` samples: the sanitizer build reports any
    // access beyond them.
    std::vector<short> input = speechLike(static_cast<std::size_t>(size));
    std::vector<short> output(input.size(), 0);
    long frames = 0;
    plugin_.codeAndDeCode(input.data(), output.data(), size, &frames);
    EXPECT_EQ(frames, (size + frame - 1) / frame) << "size " << size;
  }
}

TEST_P(PluginContract, CodesAPartialLastFrameAsIfZeroPaddedAndWritesNothingPastTheEnd) {
  const long frame = plugin_.frameSize();
  const long size = 6 * frame + frame / 3;
  const std::vector<short> speech = speechLike(static_cast<std::size_t>(size));

  // Reference: the same speech followed by explicit zeros up to whole frames.
  std::vector<short> padded = speech;
  padded.resize(static_cast<std::size_t>(7 * frame), 0);
  const std::vector<short> reference = plugin_.code(padded);

  // Loud data after dDataSize must neither be read nor change the result,
  // and the output after dDataSize must stay as it was.
  constexpr short kUntouched = 0x5A5A;
  std::vector<short> input = speech;
  input.resize(padded.size() + 64, 30000);
  std::vector<short> output(input.size(), kUntouched);
  long frames = 0;
  plugin_.codeAndDeCode(input.data(), output.data(), size, &frames);

  EXPECT_EQ(frames, 7);
  EXPECT_TRUE(std::equal(output.begin(), output.begin() + size, reference.begin())) << "decoded speech differs";
  for (std::size_t n = static_cast<std::size_t>(size); n < output.size(); ++n)
    ASSERT_EQ(output[n], kUntouched) << "sample " << n << " written past dDataSize";
}

TEST_P(PluginContract, RepeatedRunsInOneProcessGiveTheSameOutput) {
  const std::vector<short> speech = speechLike(40 * 320);
  const std::vector<short> first = plugin_.code(speech);
  const std::vector<short> second = plugin_.code(speech);
  // A run on other data in between must leave nothing behind either.
  plugin_.code(tone(440.0, 12000.0, 20 * 320));
  const std::vector<short> third = plugin_.code(speech);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, third);
  EXPECT_GT(energy(first, 0, first.size()), 0.0) << "the codec produced silence";
}

TEST_P(PluginContract, DoesNothingForAnEmptyOrNegativeLength) {
  short in = 1000;
  short out = 7;
  long frames = 0;
  for (const long size : {0L, -160L}) {
    plugin_.codeAndDeCode(&in, &out, size, &frames);
    EXPECT_EQ(out, 7);
    EXPECT_EQ(frames, 0);
  }
}

TEST_P(PluginContract, RefusesMissingBuffersInsteadOfCrashing) {
  std::vector<short> buffer(static_cast<std::size_t>(plugin_.frameSize()), 0);
  long frames = 0;
  EXPECT_THROW(plugin_.codeAndDeCode(nullptr, buffer.data(), 160, &frames), std::invalid_argument);
  EXPECT_THROW(plugin_.codeAndDeCode(buffer.data(), nullptr, 160, &frames), std::invalid_argument);
  EXPECT_EQ(frames, 0);
}

INSTANTIATE_TEST_SUITE_P(Bundled, PluginContract, ::testing::ValuesIn(kBundledCodecs),
                         [](const ::testing::TestParamInfo<BundledCodec>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvelle::test
