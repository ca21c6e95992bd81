#include <gtest/gtest.h>

#include <filesystem>
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

class CodecLeagueThreaded : public ::testing::Test {
 protected:
  void SetUp() override { test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(4)); }
  test::CommandResult league(const std::string& arguments) {
    return test::runCommand(kProgram + " league --voice speech.pcm " + arguments, scratch);
  }
  test::ScratchDirectory scratch;
};

TEST_F(CodecLeagueThreaded, AFailingPlugInGetsItsRowAndTheOthersStillRun) {
  const auto result = league("--json " + test::testPlugin("half_amplitude") + " " + test::testPlugin("throwing_recode") +
                             " passthrough");
  EXPECT_EQ(result.exitCode, 1) << "one row failed";
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 3u);
  // Ranked by score, best first; the failure comes last with its reason.
  EXPECT_EQ(rows[0]["plugin"], "passthrough");
  EXPECT_EQ(rows[0]["rank"], 1);
  EXPECT_DOUBLE_EQ(rows[0]["score"].get<double>(), 100.0);
  EXPECT_EQ(rows[0]["frameSize"], 160);
  EXPECT_EQ(rows[1]["plugin"], test::testPlugin("half_amplitude"));
  EXPECT_EQ(rows[1]["rank"], 2);
  EXPECT_LT(rows[1]["score"].get<double>(), rows[0]["score"].get<double>());
  EXPECT_EQ(rows[2]["plugin"], test::testPlugin("throwing_recode"));
  EXPECT_TRUE(rows[2]["rank"].is_null());
  const std::string error = rows[2]["error"];
  EXPECT_NE(error.find("Voice Data Can't be Recoded!"), std::string::npos) << error;
  EXPECT_NE(error.find("coder failed"), std::string::npos) << error;
}

TEST_F(CodecLeagueThreaded, TableAndCsvCarryTheSameRanking) {
  const std::string plugins = test::testPlugin("half_amplitude") + " passthrough " + test::testPlugin("zero_frame_size");
  const auto table = league(plugins);
  ASSERT_EQ(table.exitCode, 1) << table.err;
  const auto passthroughAt = table.out.find("1     passthrough");
  const auto halfAt = table.out.find("2     " + test::testPlugin("half_amplitude"));
  ASSERT_NE(passthroughAt, std::string::npos) << table.out;
  ASSERT_NE(halfAt, std::string::npos) << table.out;
  EXPECT_LT(passthroughAt, halfAt);
  EXPECT_NE(table.out.find("failed: Voice Data Can't be Prepared!"), std::string::npos) << table.out;

  const auto csv = league("--csv " + plugins);
  ASSERT_EQ(csv.exitCode, 1);
  EXPECT_EQ(csv.out.rfind("rank,plugin,frame_size,score,points,agreement,seconds,error,", 0), 0u) << csv.out;
  EXPECT_NE(csv.out.find("\n1,passthrough,160,100,5,1,"), std::string::npos)
      << csv.out;
}

TEST_F(CodecLeagueThreaded, AnyFailedRowMeansTheJobFailed) {
  const auto failing = league(test::testPlugin("throwing_frame_size"));
  EXPECT_EQ(failing.exitCode, 1);
  EXPECT_NE(failing.out.find("failed:"), std::string::npos);

  const auto mixed = league("passthrough " + test::testPlugin("throwing_frame_size"));
  EXPECT_EQ(mixed.exitCode, 1);
  EXPECT_NE(mixed.out.find("1     passthrough"), std::string::npos) << "every row is still printed:\n" << mixed.out;

  const auto passing = league("passthrough " + test::testPlugin("half_amplitude"));
  EXPECT_EQ(passing.exitCode, 0) << passing.err;
}

TEST_F(CodecLeagueThreaded, JsonSurvivesBytesThatAreNotUtf8) {
  // A plug-in whose path is not valid UTF-8, and a failing one whose reason
  // quotes such a path.
  const std::string oddName = "odd\xff\xfe.so";
  std::filesystem::copy_file(test::bundledPlugin("passthrough"), scratch.file(oddName));
  test::writeWholeFile(scratch.file("bad\xff.so"), "not a library");
  const auto result = league("--json ./" + oddName + " ./bad\xff.so");
  EXPECT_EQ(result.exitCode, 1) << "one row failed";
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 2u) << result.out;
  EXPECT_EQ(rows[0]["plugin"], "./odd\xef\xbf\xbd\xef\xbf\xbd.so");
  EXPECT_DOUBLE_EQ(rows[0]["score"].get<double>(), 100.0);
  EXPECT_EQ(rows[1]["plugin"], "./bad\xef\xbf\xbd.so");
  EXPECT_NE(rows[1]["error"].get<std::string>().find("DLL Can't be loaded!"), std::string::npos);
}

}  // namespace
}  // namespace orvelle
