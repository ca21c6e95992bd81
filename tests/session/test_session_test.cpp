#include <gtest/gtest.h>

#include <string>

#include "session/test_session.h"

namespace orvelle {
namespace {

TEST(TestSessionState, StartsWithTheDefaultsOfAFreshProgram) {
  TestSession session;
  for (const SessionText* text : {&session.voiceFilePath, &session.sourceFilePath, &session.processedFilePath,
                                  &session.codecPath, &session.sourceCodecPath, &session.testedCodecPath}) {
    EXPECT_TRUE(text->empty());
  }
  EXPECT_EQ(session.sourceType, 0);
  EXPECT_EQ(session.sizeType, 1);
  EXPECT_FALSE(session.isCodecLoaded());
  EXPECT_FALSE(session.sourceCodec.isComplete());
  EXPECT_FALSE(session.testedCodec.isComplete());
  EXPECT_FALSE(session.inputSamples || session.outputSamples || session.comparisonSamples ||
               session.sourceCodecOutput || session.testedCodecOutput);
  EXPECT_EQ(session.frameSize, 0);
  EXPECT_EQ(session.sampleCount, 0);
  EXPECT_EQ(session.progressCurrent.load(), 0);
  EXPECT_EQ(session.progressTotal.load(), 0);
  EXPECT_EQ(session.comparisonSampleCount, 0);
  EXPECT_EQ(session.codecQuality, 0.0);
  EXPECT_EQ(session.fileQuality, 0.0);
}

TEST(TestSessionState, ReleasesEachKindOfBufferSeparately) {
  TestSession session;
  session.inputSamples = allocateSamples(4);
  session.outputSamples = allocateSamples(4);
  session.comparisonSamples = allocateSamples(4);
  session.sourceCodecOutput = allocateSamples(4);
  session.testedCodecOutput = allocateSamples(4);

  session.releaseVoiceData();
  EXPECT_FALSE(session.inputSamples || session.outputSamples);
  EXPECT_TRUE(session.comparisonSamples && session.sourceCodecOutput && session.testedCodecOutput);

  session.releaseComparisonData();
  EXPECT_FALSE(session.comparisonSamples || session.sourceCodecOutput || session.testedCodecOutput);
  session.releaseComparisonData();  // releasing twice is harmless
}

TEST(SessionTextLimits, KeepsPathsWholeOrRefusesThem) {
  SessionText text;
  const std::string longest(SessionText::kCapacity, 'a');
  EXPECT_TRUE(text.assign(longest));
  EXPECT_EQ(text.str(), longest);

  // One character more must not be cut to a different, shorter path.
  EXPECT_FALSE(text.assign(longest + "b"));
  EXPECT_EQ(text.str(), longest) << "a refused text leaves the old one in place";

  EXPECT_FALSE(text.assign(std::string("abc\0def", 7))) << "an embedded NUL would cut the path short";
  EXPECT_TRUE(text.assign(""));
  EXPECT_TRUE(text.empty());
}

TEST(SessionTextLimits, RefusalMessageSaysWhatAndHowLong) {
  const std::string path(2000, 'x');
  const std::string message = textTooLongMessage("Voice file path", path);
  EXPECT_NE(message.find("Voice file path"), std::string::npos);
  EXPECT_NE(message.find("2000"), std::string::npos);
  EXPECT_NE(message.find("1023"), std::string::npos);
}

}  // namespace
}  // namespace orvelle
