#include "engine/jobs.h"

#include <gtest/gtest.h>

#include <thread>

#include "engine/batch.h"
#include "engine/league.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle::engine {
namespace {

using test::ScratchDirectory;

class JobsThreaded : public ::testing::Test {
 protected:
  JobsThreaded() {
    test::writeVoiceFile(speech, test::speechLikeSignal(6));
    test::writeVoiceFile(silence, std::vector<std::int16_t>(48000, 0));
    test::writeWholeFile(log, "previous run\r\n");
    options.logPath = log;
  }

  ScratchDirectory scratch;
  const std::string speech = scratch.file("speech.pcm");
  const std::string silence = scratch.file("silence.pcm");
  const std::string log = scratch.file("TestLog.log");
  ScoringOptions options;

  CodecQualityOptions qualityOptions() const {
    CodecQualityOptions quality;
    quality.scoring = options;
    return quality;
  }
};

TEST_F(JobsThreaded, NothingMeasuredIsAnErrorThatLeavesTheLogAsItWas) {
  const Result<Measurement> silent = compareFiles(silence, speech, false, options, noProgress(), neverCancelled());
  ASSERT_FALSE(silent.ok());
  EXPECT_EQ(silent.error().kind, FailureKind::notMeasurable);
  EXPECT_EQ(silent.error().text(), "Can't calculate Quality! the source holds no speech that the measure can judge");
  EXPECT_EQ(test::readWholeFile(log), "previous run\r\n");

  // An empty voice file and a few bytes of text give the codec nothing but
  // its frame of silence.
  test::writeWholeFile(scratch.file("empty.pcm"), "");
  test::writeWholeFile(scratch.file("text.pcm"), "17 bytes of text.");
  for (const char* name : {"empty.pcm", "text.pcm"}) {
    const Result<CodecQualityRun> run =
        codecQuality({"passthrough"}, {scratch.file(name)}, qualityOptions(), noProgress(), neverCancelled());
    ASSERT_FALSE(run.ok()) << name;
    EXPECT_EQ(run.error().kind, FailureKind::notMeasurable) << name;
  }
  EXPECT_EQ(test::readWholeFile(log), "previous run\r\n");
}

TEST_F(JobsThreaded, SpeechAgainstSilenceAndAShortFileOfSpeechAreStillMeasured) {
  const Result<Measurement> lost = compareFiles(speech, silence, false, options, noProgress(), neverCancelled());
  ASSERT_TRUE(lost.ok()) << lost.error().text();
  EXPECT_LT(lost.value().score, 1.0);
  EXPECT_TRUE(lost.value().logWritten);
  EXPECT_NE(test::readWholeFile(log), "previous run\r\n");

  std::vector<std::int16_t> shortSpeech = test::speechLikeSignal(1);
  shortSpeech.resize(4000);
  test::writeVoiceFile(scratch.file("short.pcm"), shortSpeech);
  const Result<CodecQualityRun> run =
      codecQuality({"passthrough"}, {scratch.file("short.pcm")}, qualityOptions(), noProgress(), neverCancelled());
  ASSERT_TRUE(run.ok()) << run.error().text();
  EXPECT_EQ(run.value().measurement.score, 100.0);
}

TEST_F(JobsThreaded, CodecQualityKeepsTheCodecsOutputAndItsFiguresWhenAsked) {
  CodecQualityOptions asked = qualityOptions();
  asked.keepProcessed = true;
  asked.saveProcessed = scratch.file("out.pcm");
  const Result<CodecQualityRun> run = codecQuality({"passthrough"}, {speech}, asked, noProgress(), neverCancelled());
  ASSERT_TRUE(run.ok()) << run.error().text();
  const std::vector<std::int16_t> source = test::readVoiceFile(speech);
  ASSERT_GE(run.value().processed.size(), source.size());
  EXPECT_TRUE(std::equal(source.begin(), source.end(), run.value().processed.begin()));
  EXPECT_EQ(test::readVoiceFile(asked.saveProcessed), run.value().processed);
  EXPECT_TRUE(run.value().measurement.analysis.companion.measured);
  EXPECT_GT(run.value().frameSize, 0);
}

TEST_F(JobsThreaded, ErrorsAreTypedAndNameWhatFailed) {
  const Result<Measurement> missing =
      compareFiles(speech, scratch.file("nope.pcm"), false, options, noProgress(), neverCancelled());
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind, FailureKind::fileUnreadable);
  EXPECT_NE(missing.error().detail.find("nope.pcm"), std::string::npos);

  const Result<CodecQualityRun> unloadable =
      codecQuality({test::testPlugin("missing_code_and_decode")}, {}, {}, noProgress(), neverCancelled());
  ASSERT_FALSE(unloadable.ok());
  EXPECT_EQ(unloadable.error().kind, FailureKind::loadFailed);
  EXPECT_EQ(unloadable.error().message, "DLL Can't be loaded!");
}

TEST_F(JobsThreaded, APlugInsFaultsComeBackAsTheirKinds) {
  const struct {
    const char* plugin;
    FailureKind kind;
    const char* message;
  } cases[] = {
      {"endless_constructor", FailureKind::timedOut, "DLL Can't be loaded!"},
      {"endless_sleep", FailureKind::timedOut, "Voice Data Can't be Recoded!"},
      {"null_store_after_two_frames", FailureKind::crashed, "Voice Data Can't be Recoded!"},
      {"throwing_recode", FailureKind::pluginFailed, "Voice Data Can't be Recoded!"},
  };
  for (const auto& c : cases) {
    const Result<CodecQualityRun> run =
        codecQuality({test::testPlugin(c.plugin), false, 1}, {"", 0}, {}, noProgress(), neverCancelled());
    ASSERT_FALSE(run.ok()) << c.plugin;
    EXPECT_EQ(run.error().kind, c.kind) << c.plugin << ": " << run.error().text();
    EXPECT_EQ(run.error().message, c.message) << c.plugin;
    EXPECT_NE(run.error().detail.find(c.plugin), std::string::npos) << run.error().detail;
  }
}

TEST_F(JobsThreaded, ACancelledTokenStopsAHungPlugInAndRunsNothingMore) {
  CancelToken token;
  std::thread canceller([&token] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    token.cancel();
  });
  const Result<CodecQualityRun> run =
      codecQuality({test::testPlugin("endless_sleep")}, {"", 0}, {}, noProgress(), token);
  canceller.join();
  ASSERT_FALSE(run.ok());
  EXPECT_EQ(run.error().kind, FailureKind::stopped);

  const Result<Measurement> after = compareFiles(speech, speech, false, options, noProgress(), token);
  ASSERT_FALSE(after.ok());
  EXPECT_EQ(after.error().kind, FailureKind::stopped);
}

TEST_F(JobsThreaded, BatchAndLeagueGiveAnErrorRowForWhatWasNotMeasured) {
  const std::vector<BatchRow> rows = {{1, "speech", speech, speech}, {2, "silent", silence, speech}};
  std::vector<RowOutcome> outcomes;
  runBatch(rows, {}, 2, {}, [&](std::size_t, const RowOutcome& outcome) { outcomes.push_back(outcome); });
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].scored);
  EXPECT_EQ(outcomes[0].score, 100.0);
  EXPECT_FALSE(outcomes[1].scored);
  EXPECT_EQ(outcomes[1].errorKind, FailureKind::notMeasurable);

  const std::vector<LeagueRow> league =
      runLeague({"passthrough", "passthrough"}, {{speech}, {silence}}, {}, 2);
  ASSERT_EQ(league.size(), 2u);
  for (const LeagueRow& row : league) {
    EXPECT_FALSE(row.outcome.succeeded);
    EXPECT_NE(row.outcome.failure.find("silence.pcm: "), std::string::npos) << row.outcome.failure;
  }
}

}  // namespace
}  // namespace orvelle::engine
