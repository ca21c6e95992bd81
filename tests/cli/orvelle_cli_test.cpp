#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "analyzer/measure_version.h"
#include "session/codec_header.h"
#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class OrvelleCliThreaded : public ::testing::Test {
 protected:
  void SetUp() override { test::writeVoiceFile(scratch.file("speech.pcm"), test::evenSpeechLikeSignal(5)); }
  test::CommandResult run(const std::string& arguments) { return test::runCommand(kProgram + " " + arguments, scratch); }

  test::ScratchDirectory scratch;
};

TEST_F(OrvelleCliThreaded, PassThroughScoresOneHundredAndWritesTheLogHere) {
  const auto result = run("quality --codec passthrough --voice speech.pcm");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Codec Quality is 100.00%,\nthat corresponds to 5.00 points\n");
  EXPECT_EQ(result.err, "") << "no progress line when stderr is not a terminal";
  EXPECT_FALSE(test::readWholeFile(scratch.file("TestLog.log")).empty());

  const auto log = run("log");
  EXPECT_EQ(log.exitCode, 0);
  EXPECT_EQ(log.out, test::readWholeFile(scratch.file("TestLog.log")));
}

TEST_F(OrvelleCliThreaded, HalfAmplitudeScoresTwentyFiveAsJson) {
  const auto result = run("quality --codec " + test::testPlugin("half_amplitude") + " --voice speech.pcm --json");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_NEAR(json["score"].get<double>(), 25.0, 1e-9);
  EXPECT_DOUBLE_EQ(json["points"].get<double>(), json["score"].get<double>() * 0.05);
  EXPECT_DOUBLE_EQ(json["agreement"].get<double>(), 1.0);
  EXPECT_EQ(json["groups"]["main"].size(), 5u);
  EXPECT_EQ(json["groups"]["secondary"].size(), 10u);
  EXPECT_TRUE(json["groups"]["main"][0].contains("mode1"));

  // Numbers read back to the same double, so two runs compare bit for bit.
  const auto again = run("quality --codec " + test::testPlugin("half_amplitude") + " --voice speech.pcm --json");
  EXPECT_EQ(again.out, result.out);
}

// A stored result says which build and which measure made it; --version says
// the same, without needing a subcommand.
TEST_F(OrvelleCliThreaded, ResultsAndVersionNameTheBuildAndTheMeasure) {
  const auto version = run("--version");
  ASSERT_EQ(version.exitCode, 0) << version.err;
  EXPECT_EQ(version.out, std::string("orvelle-cli ") + programVersion() + " (measure version " +
                             std::to_string(kMeasureVersion) + ")\n");
  const auto json = nlohmann::json::parse(run("compare-files --json speech.pcm speech.pcm").out);
  EXPECT_EQ(json["version"], programVersion());
  EXPECT_EQ(json["measureVersion"], kMeasureVersion);
  const auto league = nlohmann::json::parse(run("league --voice speech.pcm --json passthrough").out);
  EXPECT_EQ(league["version"], programVersion());
  EXPECT_EQ(league["measureVersion"], kMeasureVersion);
}

// The SDK's example, built in C against the SDK's header, loads and recodes
// as its source says: the low six bits of every sample dropped toward zero.
TEST_F(OrvelleCliThreaded, TheSdkExamplePluginBuildsAsCAndScores) {
  ASSERT_EQ(run("quality --codec " + test::testPlugin("coarse_codec") + " --voice speech.pcm --save-processed out.pcm")
                .exitCode,
            0);
  const std::string source = test::readWholeFile(scratch.file("speech.pcm"));
  const std::string processed = test::readWholeFile(scratch.file("out.pcm"));
  ASSERT_GE(processed.size(), source.size()) << "the source and the silence after it";
  for (std::size_t i = 0; i + 1 < source.size(); i += 2) {
    const auto sample = static_cast<short>(static_cast<unsigned char>(source[i]) |
                                           (static_cast<unsigned char>(source[i + 1]) << 8));
    const auto coded = static_cast<short>(static_cast<unsigned char>(processed[i]) |
                                          (static_cast<unsigned char>(processed[i + 1]) << 8));
    ASSERT_EQ(coded, static_cast<short>(sample / 64 * 64)) << "sample " << i / 2;
  }
}

TEST_F(OrvelleCliThreaded, CompareFilesReportsFileQuality) {
  const auto result = run("compare-files speech.pcm speech.pcm");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "File Quality is 100.00%,\nthat corresponds to 5.00 points\n");
}

TEST_F(OrvelleCliThreaded, FailuresPrintTheMessageThenTheReason) {
  const auto recode = run("quality --codec " + test::testPlugin("throwing_recode") + " --voice speech.pcm");
  EXPECT_EQ(recode.exitCode, 1);
  EXPECT_EQ(recode.out, "");
  EXPECT_EQ(recode.err.rfind("Voice Data Can't be Recoded!\n", 0), 0u) << recode.err;
  EXPECT_NE(recode.err.find("coder failed"), std::string::npos);

  const auto missing = run("quality --codec passthrough --voice nowhere.pcm");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.rfind("Voice Data Can't be Prepared!\n", 0), 0u) << missing.err;
  EXPECT_NE(missing.err.find("nowhere.pcm"), std::string::npos);

  const auto load = run("quality --codec " + test::testPlugin("missing_code_and_decode"));
  EXPECT_EQ(load.exitCode, 1);
  EXPECT_EQ(load.err.rfind("DLL Can't be loaded!\n", 0), 0u) << load.err;

  const auto pair = run("compare-codecs --source-codec passthrough --tested-codec nowhere.so");
  EXPECT_EQ(pair.exitCode, 1);
  EXPECT_EQ(pair.err.rfind("DLLs Can't be loaded!\n", 0), 0u) << pair.err;

  const auto files = run("compare-files speech.pcm nowhere.pcm");
  EXPECT_EQ(files.exitCode, 1);
  EXPECT_EQ(files.err.rfind("Can't calculate Quality!\n", 0), 0u) << files.err;
  EXPECT_NE(files.err.find("nowhere.pcm"), std::string::npos);
}

TEST_F(OrvelleCliThreaded, BadUsageExitsWithTwoAndShowsHelp) {
  for (const std::string& arguments :
       {std::string(""), std::string("quality"), std::string("quality --codec x --size huge"),
        std::string("quality --codec x --voice a.pcm --size short")}) {
    SCOPED_TRACE(arguments);
    const auto result = run(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Usage"), std::string::npos) << result.err;
  }
  const auto help = run("quality --help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Example"), std::string::npos);
}

TEST_F(OrvelleCliThreaded, HeaderAndLogCommands) {
  const auto header = run("header codec.h");
  EXPECT_EQ(header.exitCode, 0);
  EXPECT_EQ(test::readWholeFile(scratch.file("codec.h")), codecHeaderText());
  EXPECT_EQ(run("header no-such-folder/codec.h").exitCode, 1);

  const auto log = run("log");
  EXPECT_EQ(log.exitCode, 1) << "no scoring run has written a log here yet";
  EXPECT_NE(log.err.find("TestLog.log"), std::string::npos);
}

TEST_F(OrvelleCliThreaded, SignalWriterNeedsNoPlugIn) {
  const auto result = run("signal --size short short.pcm");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "The test signal is successfully synthesized and saved.\n");
  EXPECT_EQ(test::readWholeFile(scratch.file("short.pcm")).size(), 9088000u);
  EXPECT_EQ(run("signal --size short no-such-folder/short.pcm").exitCode, 1);
}

TEST_F(OrvelleCliThreaded, CompareCodecsSavesBothOutputs) {
  const auto result = run("compare-codecs --source-codec passthrough --tested-codec " +
                          test::testPlugin("half_amplitude") + " --size short --save-source a.pcm --save-tested b.pcm");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  const auto source = test::readVoiceFile(scratch.file("a.pcm"));
  const auto tested = test::readVoiceFile(scratch.file("b.pcm"));
  ASSERT_EQ(source.size(), 4585024u + 160u);
  ASSERT_EQ(tested.size(), source.size());
  for (std::size_t i = 0; i < source.size(); i += 101) ASSERT_EQ(tested[i], source[i] / 2) << i;
}

}  // namespace
}  // namespace orvelle
