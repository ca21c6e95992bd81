// G.711 companding, checked against values read off the G.711 tables and
// against the quantiser's step sizes for every 16-bit sample.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "plugins/g711/g711_companding.h"
#include "tests/codecs/codec_plugin_harness.h"

namespace orvelle::test {
namespace {

using g711::decodeAlaw;
using g711::decodeUlaw;
using g711::encodeAlaw;
using g711::encodeUlaw;

TEST(G711Codes, MuLawMatchesTheStandardTable) {
  EXPECT_EQ(encodeUlaw(0), 0xFF);       // positive zero
  EXPECT_EQ(encodeUlaw(32767), 0x80);   // positive overload
  EXPECT_EQ(encodeUlaw(-32768), 0x00);  // negative overload
  EXPECT_EQ(encodeUlaw(4000), 0xAF);    // 14-bit 1000: segment 5, step 0
  EXPECT_EQ(encodeUlaw(-4000), 0x2F);
  EXPECT_EQ(decodeUlaw(0xFF), 0);
  EXPECT_EQ(decodeUlaw(0x7F), 0);  // negative zero
  EXPECT_EQ(decodeUlaw(0x80), 32124);
  EXPECT_EQ(decodeUlaw(0x00), -32124);
  EXPECT_EQ(decodeUlaw(0xAF), 4092);  // 14-bit 1023, the middle of 991 .. 1055
  EXPECT_EQ(decodeUlaw(0x2F), -4092);
}

TEST(G711Codes, ALawMatchesTheStandardTable) {
  EXPECT_EQ(encodeAlaw(0), 0xD5);
  EXPECT_EQ(encodeAlaw(-1), 0x55);
  EXPECT_EQ(encodeAlaw(32767), 0xAA);
  EXPECT_EQ(encodeAlaw(-32768), 0x2A);
  EXPECT_EQ(encodeAlaw(8000), 0x8A);  // 13-bit 1000: segment 5, step 15
  EXPECT_EQ(encodeAlaw(-8000), 0x0A);
  EXPECT_EQ(decodeAlaw(0xD5), 8);  // A-law has no zero level
  EXPECT_EQ(decodeAlaw(0x55), -8);
  EXPECT_EQ(decodeAlaw(0xAA), 32256);
  EXPECT_EQ(decodeAlaw(0x2A), -32256);
  EXPECT_EQ(decodeAlaw(0x8A), 8064);  // 13-bit 1008, the middle of 992 .. 1024
  EXPECT_EQ(decodeAlaw(0x0A), -8064);
}

TEST(G711Codes, EveryCodeSurvivesDecodingAndEncodingAgain) {
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    EXPECT_EQ(encodeAlaw(decodeAlaw(c)), c) << "A-law code " << code;
    // µ-law negative zero decodes to 0, which is coded as positive zero.
    if (code != 0x7F) {
      EXPECT_EQ(encodeUlaw(decodeUlaw(c)), c) << "µ-law code " << code;
    }
  }
}

// Segment ends (exclusive) of the magnitude and half the step inside each
// segment, in 16-bit units, from the G.711 tables (µ-law: 14-bit edges
// 31, 95, 223, ... times 4; A-law: 13-bit edges 32, 64, 128, ... times 8).
struct Segment {
  int end;
  int halfStep;
};
constexpr std::array<Segment, 8> kUlawSegments{
    {{124, 4}, {380, 8}, {892, 16}, {1916, 32}, {3964, 64}, {8060, 128}, {16252, 256}, {32636, 512}}};
constexpr std::array<Segment, 8> kAlawSegments{
    {{256, 8}, {512, 8}, {1024, 16}, {2048, 32}, {4096, 64}, {8192, 128}, {16384, 256}, {32769, 512}}};

int halfStepAt(const std::array<Segment, 8>& segments, int magnitude) {
  for (const Segment& segment : segments)
    if (magnitude < segment.end) return segment.halfStep;
  return segments.back().halfStep;
}

struct G711Law {
  const char* plugin;
  const std::array<Segment, 8>* segments;
  int unseenBits;  // input bits below the law's resolution: 2 for µ-law, 3 for A-law
  int overloadLevel;
};

class G711RoundTrip : public ::testing::TestWithParam<G711Law> {};

TEST_P(G711RoundTrip, EverySampleComesBackWithinHalfAStepOfItsSegment) {
  CodecPlugin plugin(GetParam().plugin);
  ORVELLE_REQUIRE_PLUGIN(plugin);
  std::vector<short> input(65536);
  for (int i = 0; i < 65536; ++i) input[static_cast<std::size_t>(i)] = static_cast<short>(i - 32768);
  const std::vector<short> output = plugin.code(input);

  const int slack = (1 << GetParam().unseenBits) - 1;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const int x = input[i];
    const int y = output[i];
    const int magnitude = std::abs(x);
    if (magnitude + slack >= kUlawSegments.back().end && GetParam().segments == &kUlawSegments) {
      // Beyond the µ-law overload point every sample becomes the outermost level.
      ASSERT_EQ(std::abs(y), GetParam().overloadLevel) << "input " << x;
      ASSERT_EQ(y < 0, x < 0) << "input " << x;
      continue;
    }
    ASSERT_LE(std::abs(y - x), halfStepAt(*GetParam().segments, magnitude + slack) + slack) << "input " << x;
    if (i > 0) {
      ASSERT_GE(y, output[i - 1]) << "the characteristic must not fall, input " << x;
    }
  }
}

TEST_P(G711RoundTrip, PluginUsesItsOwnLaw) {
  CodecPlugin plugin(GetParam().plugin);
  ORVELLE_REQUIRE_PLUGIN(plugin);
  const std::vector<short> output = plugin.code(std::vector<short>(160, 0));
  // Silence: µ-law has a zero level, A-law's smallest level is 8.
  EXPECT_EQ(output.front(), GetParam().segments == &kUlawSegments ? 0 : 8);
}

INSTANTIATE_TEST_SUITE_P(Laws, G711RoundTrip,
                         ::testing::Values(G711Law{"g711u", &kUlawSegments, 2, 32124},
                                           G711Law{"g711a", &kAlawSegments, 3, 32256}),
                         [](const ::testing::TestParamInfo<G711Law>& info) { return std::string(info.param.plugin); });

}  // namespace
}  // namespace orvelle::test
