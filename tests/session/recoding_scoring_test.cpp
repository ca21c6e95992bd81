#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/startup_directory.h"
#include "session/headless_progress_dialog.h"
#include "session/test_session.h"
#include "tests/support/address_space_cap.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

// Operations 3, 4, 5 and 7 start a progress monitor thread each.
class RecodingAndScoringThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setStartupDirectory(scratch.prefix());
    test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(6));
  }

  void prepareFromVoiceFile(const std::string& plugin) {
    ASSERT_TRUE(session.codecPath.assign(plugin));
    ASSERT_TRUE(session.loadCodec()) << session.failureReason();
    ASSERT_TRUE(session.voiceFilePath.assign(scratch.file("speech.pcm")));
    session.sourceType = 1;
    ASSERT_TRUE(session.prepareVoiceData(&dialog)) << session.failureReason();
  }

  test::ScratchDirectory scratch;
  TestSession session;
  HeadlessProgressDialog dialog;
};

TEST_F(RecodingAndScoringThreaded, PassThroughCodecScoresOneHundred) {
  prepareFromVoiceFile(test::bundledPlugin("passthrough"));
  ASSERT_TRUE(session.recodeVoiceData(&dialog)) << session.failureReason();
  EXPECT_EQ(dialog.snapshot().operationText, "ReCode Voice Data");
  EXPECT_EQ(session.progressCurrent.load(), session.progressTotal.load());
  // The bar counts codec frames while recoding, samples while scoring.
  EXPECT_EQ(dialog.snapshot().rangeUpper, session.sampleCount / session.frameSize);
  for (std::int32_t i = 0; i < session.sampleCount; ++i) {
    ASSERT_EQ(session.outputSamples[i], session.inputSamples[i]) << i;
  }
  ASSERT_TRUE(session.calculateVoiceQuality(&dialog));
  EXPECT_EQ(dialog.snapshot().operationText, "Calculate Voice Quality");
  EXPECT_EQ(session.progressTotal.load(), session.sampleCount);
  EXPECT_EQ(dialog.snapshot().rangeUpper, session.sampleCount);
  EXPECT_DOUBLE_EQ(session.codecQuality, 100.0);
}

TEST_F(RecodingAndScoringThreaded, HalfAmplitudeCodecScoresTwentyFive) {
  prepareFromVoiceFile(test::testPlugin("half_amplitude"));
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  ASSERT_TRUE(session.calculateVoiceQuality(&dialog));
  EXPECT_NEAR(session.codecQuality, 25.0, 0.01);
}

TEST_F(RecodingAndScoringThreaded, ThrowingCodecFailsAndKeepsWhatItWrote) {
  prepareFromVoiceFile(test::testPlugin("throwing_recode"));
  EXPECT_FALSE(session.recodeVoiceData(&dialog));
  EXPECT_NE(session.failureReason().find("coder failed"), std::string::npos);
  // The monitor was ended: the counters meet even though the call raised.
  EXPECT_EQ(session.progressCurrent.load(), session.progressTotal.load());
  EXPECT_EQ(session.outputSamples[319], session.inputSamples[319]);
  EXPECT_TRUE(session.isCodecLoaded());
  EXPECT_TRUE(session.inputSamples && session.outputSamples) << "the command, not the operation, releases them";
}

TEST_F(RecodingAndScoringThreaded, AHostedCodecsScoringStartsWhileItRecodesAndScoresTheSame) {
  // In process the plug-in could write into its input, so nothing is taken
  // from it early there: that run is the plain one.
  TestSession plain;
  plain.inProcessPlugins = true;
  plain.analyzer().setCompanionFigures(true);
  ASSERT_TRUE(plain.codecPath.assign(test::testPlugin("noise_at_20_db")));
  ASSERT_TRUE(plain.loadCodec());
  ASSERT_TRUE(plain.voiceFilePath.assign(scratch.file("speech.pcm")));
  plain.sourceType = 1;
  HeadlessProgressDialog plainDialog;
  ASSERT_TRUE(plain.prepareVoiceData(&plainDialog));
  ASSERT_TRUE(plain.recodeVoiceData(&plainDialog));
  EXPECT_FALSE(plain.analyzer().hasPreparedSource());
  ASSERT_TRUE(plain.calculateVoiceQuality(&plainDialog));
  const std::string plainLog = test::readWholeFile(scratch.file("TestLog.log"));

  session.analyzer().setCompanionFigures(true);
  prepareFromVoiceFile(test::testPlugin("noise_at_20_db"));
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  EXPECT_TRUE(session.analyzer().hasPreparedSource());
  ASSERT_TRUE(session.calculateVoiceQuality(&dialog));
  EXPECT_FALSE(session.analyzer().hasPreparedSource());

  const AnalysisResult& hosted = session.analyzer().lastResult();
  const AnalysisResult& inProcess = plain.analyzer().lastResult();
  EXPECT_EQ(std::memcmp(&session.codecQuality, &plain.codecQuality, sizeof(double)), 0);
  EXPECT_LT(session.codecQuality, 100.0);
  EXPECT_EQ(std::memcmp(&hosted.activityAgreement, &inProcess.activityAgreement, sizeof(double)), 0);
  EXPECT_EQ(hosted.analysedFrames, inProcess.analysedFrames);
  EXPECT_EQ(hosted.companion.speechFrames, inProcess.companion.speechFrames);
  EXPECT_EQ(std::memcmp(&hosted.companion.segmentalSnrDb, &inProcess.companion.segmentalSnrDb, sizeof(double)), 0);
  EXPECT_EQ(test::readWholeFile(scratch.file("TestLog.log")), plainLog);
  // The window shows what it showed before: the scoring's text, range and
  // a full bar.
  const ProgressSnapshot shown = dialog.snapshot();
  const ProgressSnapshot plainShown = plainDialog.snapshot();
  EXPECT_EQ(shown.operationText, plainShown.operationText);
  EXPECT_EQ(shown.rangeUpper, plainShown.rangeUpper);
  EXPECT_EQ(session.progressCurrent.load(), plain.progressCurrent.load());
}

TEST_F(RecodingAndScoringThreaded, ARecodingThatFailsOrIsReleasedLeavesNothingPrepared) {
  prepareFromVoiceFile(test::testPlugin("throwing_recode"));
  EXPECT_FALSE(session.recodeVoiceData(&dialog));
  EXPECT_FALSE(session.analyzer().hasPreparedSource()) << "voice data not recoded is not scored";

  prepareFromVoiceFile(test::bundledPlugin("passthrough"));
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  ASSERT_TRUE(session.analyzer().hasPreparedSource());
  // The command releases the buffers when it stops before scoring; the
  // classification of the input ends first.
  session.releaseVoiceData();
  EXPECT_FALSE(session.analyzer().hasPreparedSource());

  ASSERT_TRUE(session.prepareVoiceData(&dialog));
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  // Preparing again replaces the buffers, and with them what was taken early.
  ASSERT_TRUE(session.prepareVoiceData(&dialog));
  EXPECT_FALSE(session.analyzer().hasPreparedSource());

  // Recoded in a host, then again in process by a plug-in that may write
  // into the same input: what the first recoding took from it goes.
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  ASSERT_TRUE(session.analyzer().hasPreparedSource());
  session.inProcessPlugins = true;
  ASSERT_TRUE(session.codecPath.assign(test::testPlugin("zeroing_input")));
  ASSERT_TRUE(session.loadCodec());
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  EXPECT_FALSE(session.analyzer().hasPreparedSource());
  // The host's run sealed the input: the plug-in zeroes a copy of it, and its
  // silence is scored against the speech.
  ASSERT_TRUE(session.calculateVoiceQuality(&dialog)) << session.failureReason();
  EXPECT_LT(session.codecQuality, 1.0);
}

TEST_F(RecodingAndScoringThreaded, NothingPreparedFailsAtOnce) {
  EXPECT_FALSE(session.recodeVoiceData(&dialog));
  EXPECT_FALSE(session.calculateVoiceQuality(&dialog));
  EXPECT_FALSE(session.recodeComparisonData(&dialog));
  EXPECT_EQ(dialog.snapshot().operationText, "Voice Data Preparation") << "nothing is shown before failing";
}

TEST_F(RecodingAndScoringThreaded, ScoringThatCannotRunFailsWithTheAnalyzersReason) {
#ifdef ORVELLE_UNDER_SANITIZER
  GTEST_SKIP() << "sanitizers reserve more address space than the cap below allows";
#else
  prepareFromVoiceFile(test::bundledPlugin("passthrough"));
  ASSERT_TRUE(session.recodeVoiceData(&dialog));
  session.codecQuality = 42.0;
  // The run's activity flags for the longest count (tens of MB) cannot be
  // had under the cap; the samples past the buffers are never reached,
  // because the analyzer refuses before it reads any.
  session.sampleCount = std::numeric_limits<std::int32_t>::max();
  test::AddressSpaceCap cap(std::uintmax_t{16} << 20);
  if (!cap.applied()) GTEST_SKIP() << "cannot cap this process's address space";
  const bool scored = session.calculateVoiceQuality(&dialog);
  cap.lift();
  EXPECT_FALSE(scored) << "a run that could not run is no score of 0";
  EXPECT_NE(session.failureReason().find("Not enough memory"), std::string::npos) << session.failureReason();
  EXPECT_EQ(session.codecQuality, 42.0) << "no score is stored";
  EXPECT_EQ(session.progressCurrent.load(), session.progressTotal.load()) << "the monitor was ended";
#endif
}

TEST_F(RecodingAndScoringThreaded, FileComparisonScoresAndReportsUnusableFiles) {
  ASSERT_TRUE(session.sourceFilePath.assign(scratch.file("speech.pcm")));
  ASSERT_TRUE(session.processedFilePath.assign(scratch.file("speech.pcm")));
  ASSERT_TRUE(session.calculateFileQuality(&dialog)) << session.failureReason();
  EXPECT_EQ(dialog.snapshot().operationText, "Calculate Voice File Quality");
  EXPECT_DOUBLE_EQ(session.fileQuality, 100.0);

  ASSERT_TRUE(session.processedFilePath.assign(scratch.file("missing.pcm")));
  HeadlessProgressDialog second;
  EXPECT_FALSE(session.calculateFileQuality(&second));
  EXPECT_EQ(second.snapshot().operationText, "Voice Data Preparation") << "no monitor or text before the failure";
  EXPECT_FALSE(session.failureReason().empty());
}

TEST_F(RecodingAndScoringThreaded, ComparisonRunsBothCodecsAndStopsAtAThrowingSource) {
  session.sizeType = 0;
  ASSERT_TRUE(session.sourceCodecPath.assign(test::testPlugin("half_amplitude")));
  ASSERT_TRUE(session.testedCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodecPair());
  ASSERT_TRUE(session.prepareComparisonData(&dialog));
  ASSERT_TRUE(session.recodeComparisonData(&dialog)) << session.failureReason();
  EXPECT_EQ(dialog.snapshot().operationText, "ReCode Tested Voice Data");
  EXPECT_EQ(session.progressCurrent.load(), session.testedFrameCount);
  EXPECT_EQ(dialog.snapshot().rangeUpper, session.testedFrameCount);
  for (std::int32_t i = 0; i < session.comparisonSampleCount; i += 997) {
    ASSERT_EQ(session.testedCodecOutput[i], session.comparisonSamples[i]);
    ASSERT_EQ(session.sourceCodecOutput[i], session.comparisonSamples[i] / 2);
  }

  ASSERT_TRUE(session.sourceCodecPath.assign(test::testPlugin("throwing_recode")));
  ASSERT_TRUE(session.loadCodecPair());
  ASSERT_TRUE(session.prepareComparisonData(&dialog));
  HeadlessProgressDialog failing;
  EXPECT_FALSE(session.recodeComparisonData(&failing));
  EXPECT_EQ(failing.snapshot().operationText, "ReCode Source Voice Data") << "the tested run never starts";
}

TEST_F(RecodingAndScoringThreaded, ComparisonDataWithoutLoadedCodecsFailsInsteadOfCalling) {
  session.sizeType = 0;
  ASSERT_TRUE(session.sourceCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodecPair());
  ASSERT_TRUE(session.prepareComparisonData(&dialog));
  // A later load that fails empties both plug-ins but keeps the buffers.
  session.sourceCodec.unload();
  session.testedCodec.unload();
  EXPECT_FALSE(session.recodeComparisonData(&dialog));
  EXPECT_EQ(session.failureReason(),
            "The codec plug-in " + test::bundledPlugin("passthrough") + " is not loaded");
}

}  // namespace
}  // namespace orvelle
