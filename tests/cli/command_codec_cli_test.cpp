#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class CommandCodecCliThreaded : public ::testing::Test {
 protected:
  // Every sample even: halving it is exact, whoever does it.
  void SetUp() override { test::writeVoiceFile(scratch.file("speech.pcm"), test::evenSpeechLikeSignal(4)); }
  test::CommandResult run(const std::string& arguments) {
    return test::runCommand(kProgram + " " + arguments, scratch);
  }
  test::ScratchDirectory scratch;
};

TEST_F(CommandCodecCliThreaded, TheLeagueRanksCommandsBesidePlugIns) {
  const std::string half = test::testPlugin("half_amplitude");
  const auto result = run("league --voice speech.pcm --json 'cmd:sox -D -t s16 -r 8000 -c 1 {in} -t s16 {out} vol 0.5' " +
                          half + " 'cmd:cp {in} {out}' passthrough");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 4u);
  // Ties keep the order given.
  EXPECT_EQ(rows[0]["plugin"], "cmd:cp {in} {out}");
  EXPECT_EQ(rows[1]["plugin"], "passthrough");
  EXPECT_EQ(rows[2]["plugin"], "cmd:sox -D -t s16 -r 8000 -c 1 {in} -t s16 {out} vol 0.5");
  EXPECT_EQ(rows[3]["plugin"], half);
  EXPECT_DOUBLE_EQ(rows[0]["score"].get<double>(), rows[1]["score"].get<double>());
  EXPECT_DOUBLE_EQ(rows[2]["score"].get<double>(), rows[3]["score"].get<double>());
  EXPECT_EQ(rows[2]["rank"], 3);
  EXPECT_EQ(rows[0]["commandOutput"]["padded"], 0);
  EXPECT_FALSE(rows[1].contains("commandOutput"));
}

TEST_F(CommandCodecCliThreaded, TheBundledALawRoundTripScoresAsTheG711PlugIn) {
  const auto result = run("league --voice speech.pcm --json g711a sox_g711a");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NEAR(rows[0]["score"].get<double>(), rows[1]["score"].get<double>(), 0.05) << result.out;
  EXPECT_LT(rows[0]["score"].get<double>(), 100.0);
}

TEST_F(CommandCodecCliThreaded, QualitySaysHowTheOutputWasFittedAndWhyACommandFailed) {
  const auto shortened = run("quality --voice speech.pcm --json --codec 'cmd:head -c 1000 {in} > {out}'");
  ASSERT_EQ(shortened.exitCode, 0) << shortened.err;
  const auto fit = nlohmann::json::parse(shortened.out)["commandOutput"];
  EXPECT_EQ(fit["samples"], 500);
  EXPECT_EQ(fit["padded"], fit["inputSamples"].get<int>() - 500);
  EXPECT_EQ(fit["cut"], 0);
  EXPECT_NE(shortened.err.find("samples shorter than its input"), std::string::npos) << shortened.err;

  const auto plugin = run("quality --voice speech.pcm --json --codec passthrough");
  EXPECT_FALSE(nlohmann::json::parse(plugin.out).contains("commandOutput"));

  const auto batch = run("batch --codec 'cmd:cat {in} {in} > {out}' speech.pcm");
  ASSERT_EQ(batch.exitCode, 0) << batch.err;
  const auto row = nlohmann::json::parse(batch.out);
  EXPECT_EQ(row["commandOutput"]["cut"], row["commandOutput"]["inputSamples"]);

  const auto failed = run("quality --voice speech.pcm --codec 'cmd:echo \"no such codec\" >&2; exit 4 # {in} {out}'");
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("Voice Data Can't be Recoded!\n  cmd:echo"), std::string::npos) << failed.err;
  EXPECT_NE(failed.err.find("exit status 4; its last lines on stderr: no such codec"), std::string::npos)
      << failed.err;

  const auto malformed = run("quality --voice speech.pcm --codec 'cmd:cp {in} out.pcm'");
  EXPECT_EQ(malformed.exitCode, 1);
  EXPECT_NE(malformed.err.find("DLL Can't be loaded!\n  cmd:cp {in} out.pcm: the command writes no output"),
            std::string::npos)
      << malformed.err;
}

}  // namespace
}  // namespace orvelle
