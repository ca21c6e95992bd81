// The engine's jobs, run in this process, give exactly what the command
// line prints for the same inputs: it only formats what they return.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/jobs.h"
#include "tests/support/command_line.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle::engine {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

void expectSameNumbers(const nlohmann::json& printed, const Measurement& measured) {
  EXPECT_EQ(printed["score"].get<double>(), measured.score);
  EXPECT_EQ(printed["points"].get<double>(), measured.points());
  EXPECT_EQ(printed["agreement"].get<double>(), measured.analysis.activityAgreement);
  const CompanionFigures& companion = measured.analysis.companion;
  ASSERT_TRUE(companion.measured);
  EXPECT_EQ(printed["companion"]["delaySamples"].get<std::int32_t>(), companion.delaySamples);
  EXPECT_EQ(printed["companion"]["segmentalSnrDb"].get<double>(), companion.segmentalSnrDb);
  EXPECT_EQ(printed["companion"]["levelDifferenceDb"].get<double>(), companion.levelDifferenceDb);
  for (std::size_t g = 0; g < measured.analysis.uniform.main.size(); ++g) {
    EXPECT_EQ(printed["groups"]["main"][g]["mode0"].get<double>(), measured.analysis.uniform.main[g]) << g;
  }
}

TEST(JobsMatchTheCommandLine, EveryJobGivesWhatTheCommandLinePrints) {
  test::ScratchDirectory scratch;
  const std::string source = scratch.file("source.pcm");
  const std::string processed = scratch.file("processed.pcm");
  test::writeVoiceFile(source, test::speechLikeSignal(6, 1));
  std::vector<std::int16_t> quieter = test::speechLikeSignal(6, 1);
  for (std::int16_t& sample : quieter) sample = static_cast<std::int16_t>(sample * 3 / 4);
  test::writeVoiceFile(processed, quieter);
  ScoringOptions options;
  options.logPath = scratch.file("job.log");

  const test::CommandResult files = test::runCommand(kProgram + " compare-files --json source.pcm processed.pcm", scratch);
  ASSERT_EQ(files.exitCode, 0) << files.err;
  const Result<Measurement> compared = compareFiles(source, processed, false, options, noProgress(), neverCancelled());
  ASSERT_TRUE(compared.ok()) << compared.error().text();
  expectSameNumbers(nlohmann::json::parse(files.out), compared.value());
  EXPECT_EQ(test::readWholeFile(scratch.file("job.log")), test::readWholeFile(scratch.file("TestLog.log")));

  const test::CommandResult quality = test::runCommand(kProgram + " quality --json --codec g711u --voice source.pcm", scratch);
  ASSERT_EQ(quality.exitCode, 0) << quality.err;
  CodecQualityOptions qualityOptions;
  qualityOptions.scoring = options;
  const Result<CodecQualityRun> run =
      codecQuality({"g711u"}, {source}, qualityOptions, noProgress(), neverCancelled());
  ASSERT_TRUE(run.ok()) << run.error().text();
  expectSameNumbers(nlohmann::json::parse(quality.out), run.value().measurement);
  EXPECT_EQ(test::readWholeFile(scratch.file("job.log")), test::readWholeFile(scratch.file("TestLog.log")));

  ASSERT_EQ(test::runCommand(kProgram + " signal --size short cli.pcm", scratch).exitCode, 0);
  ASSERT_TRUE(generateSignal(0, scratch.file("job.pcm"), noProgress(), neverCancelled()).ok());
  EXPECT_EQ(test::readWholeFile(scratch.file("job.pcm")), test::readWholeFile(scratch.file("cli.pcm")));
}

}  // namespace
}  // namespace orvelle::engine
