#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analyzer/measure_version.h"
#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class AbThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::uint32_t i = 0; i < 3; ++i) {
      test::writeVoiceFile(scratch.file(voices[i]), test::speechLikeSignal(3 + static_cast<std::int32_t>(i), 100 + i));
    }
  }
  test::CommandResult run(const std::string& arguments) { return test::runCommand(kProgram + " " + arguments, scratch); }
  // passthrough against half_amplitude over the voice files.
  test::CommandResult halved(const std::string& arguments) {
    return run("ab --codec passthrough --codec " + half + " a.pcm b.pcm c.pcm " + arguments);
  }

  test::ScratchDirectory scratch;
  const std::vector<std::string> voices = {"a.pcm", "b.pcm", "c.pcm"};
  const std::string half = test::testPlugin("half_amplitude");
};

TEST_F(AbThreaded, AHalvedLevelLosesWhatQualityScoresOnEveryFileAndTheGatesSeeIt) {
  const auto result = halved("--json");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto json = nlohmann::json::parse(result.out);
  const auto& files = json["files"];
  ASSERT_EQ(files.size(), 3u);
  double largestDrop = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto single = nlohmann::json::parse(run("quality --json --codec " + half + " --voice " + voices[i]).out);
    EXPECT_EQ(files[i]["id"], std::to_string(i + 1));
    EXPECT_EQ(files[i]["voice"], voices[i]);
    EXPECT_EQ(files[i]["base"].get<double>(), 100.0);
    EXPECT_EQ(files[i]["new"].get<double>(), single["score"].get<double>());
    EXPECT_EQ(files[i]["delta"].get<double>(), single["score"].get<double>() - 100.0);
    EXPECT_NEAR(files[i]["levelDifferenceDbDelta"].get<double>(), -6.02, 0.05);
    largestDrop = std::max(largestDrop, -files[i]["delta"].get<double>());
  }
  const auto& summary = json["summary"];
  EXPECT_EQ(summary["worse"], 3);
  EXPECT_EQ(summary["worst"].size(), 3u);
  EXPECT_LT(summary["ci95"][1].get<double>(), -50.0);
  EXPECT_EQ(json["gates"]["passed"], true);

  const auto gated = halved("--fail-if-worse 0.5");
  EXPECT_EQ(gated.exitCode, 1);
  EXPECT_NE(gated.err.find("--fail-if-worse 0.5: the whole 95 % interval"), std::string::npos) << gated.err;
  EXPECT_EQ(halved("--fail-if-worse 99").exitCode, 0) << "the interval reaches above -99";
  EXPECT_EQ(halved("--fail-if-any-worse " + std::to_string(largestDrop + 0.01)).exitCode, 0);
  const auto any = halved("--json --fail-if-any-worse " + std::to_string(largestDrop - 0.01));
  EXPECT_EQ(any.exitCode, 1);
  EXPECT_NE(any.err.find("dropped by more than that"), std::string::npos) << any.err;
  const auto anyGates = nlohmann::json::parse(any.out)["gates"];
  EXPECT_EQ(anyGates["passed"], false);
  EXPECT_EQ(anyGates["intervalBelow"], false) << "not asked for";
  const auto& dropped = anyGates["dropped"];
  EXPECT_NE(std::find(dropped.begin(), dropped.end(), json["summary"]["worst"][0]), dropped.end()) << anyGates;
}

TEST_F(AbThreaded, TwoCopiesWithOtherFrameSizesDifferNowhereAndPassEveryGate) {
  const auto result = run("ab --codec passthrough --codec " + test::testPlugin("copy_80_samples") +
                          " a.pcm b.pcm c.pcm --fail-if-worse 0 --fail-if-any-worse 0 --csv");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string build = std::string(programVersion()) + "," + std::to_string(kMeasureVersion) + "\n";
  EXPECT_EQ(result.out,
            "id,voice,base,new,delta,segmentalSnrDbDelta,levelDifferenceDbDelta,delayMsDelta,waveformCorrelationDelta,"
            "version,measureVersion\n"
            "1,a.pcm,100.0,100.0,0.0,0.0,0.0,0.0,0.0," + build +
            "2,b.pcm,100.0,100.0,0.0,0.0,0.0,0.0,0.0," + build +
            "3,c.pcm,100.0,100.0,0.0,0.0,0.0,0.0,0.0," + build);
  EXPECT_NE(result.err.find("better 0, worse 0, same 3"), std::string::npos) << result.err;
}

TEST_F(AbThreaded, SameBytesForAnyJobsAndAgainAndFromStoredBatchResults) {
  const auto first = halved("--jobs 1 --json");
  EXPECT_EQ(halved("--jobs 4 --json").out, first.out);
  EXPECT_EQ(halved("--jobs 1 --json").out, first.out);
  EXPECT_EQ(halved("").out, halved("--jobs 3").out);

  ASSERT_EQ(test::runCommand(kProgram + " batch --codec passthrough a.pcm b.pcm c.pcm", scratch, "> base.jsonl").exitCode, 0);
  ASSERT_EQ(test::runCommand(kProgram + " batch --codec " + half + " a.pcm b.pcm c.pcm", scratch, "> new.jsonl").exitCode, 0);
  const auto stored = run("ab base.jsonl new.jsonl --json");
  EXPECT_EQ(stored.exitCode, 0) << stored.err;
  EXPECT_EQ(stored.out, first.out) << "stored results paired by id compare as the runs themselves";
  EXPECT_EQ(run("ab base.jsonl new.jsonl").out, halved("").out);
}

TEST_F(AbThreaded, IdsOnOneSideAndFailedRowsAreListedNotCompared) {
  test::writeWholeFile(scratch.file("base.jsonl"),
                       "{\"id\":\"x\",\"score\":80.5,\"error\":null}\n\n"
                       "{\"id\":\"gone\",\"score\":70.0,\"error\":null}\n"
                       "{\"id\":\"broken\",\"score\":60.0,\"error\":null}\n");
  test::writeWholeFile(scratch.file("new.jsonl"),
                       "{\"id\":\"broken\",\"score\":null,\"error\":\"the plug-in crashed\"}\n"
                       "{\"id\":\"added\",\"score\":10.0,\"error\":null}\n"
                       "{\"id\":\"x\",\"score\":80.0,\"error\":null}\n");
  const auto result = run("ab base.jsonl new.jsonl --json");
  EXPECT_EQ(result.exitCode, 1) << "a file failed";
  const auto json = nlohmann::json::parse(result.out);
  ASSERT_EQ(json["files"].size(), 1u);
  EXPECT_EQ(json["files"][0]["delta"], -0.5);
  EXPECT_TRUE(json["files"][0]["delayMsDelta"].is_null());
  EXPECT_EQ(json["summary"]["onlyBase"], nlohmann::json::array({"gone"}));
  EXPECT_EQ(json["summary"]["onlyNew"], nlohmann::json::array({"added"}));
  EXPECT_EQ(json["summary"]["failed"],
            nlohmann::json::parse(R"([{"id":"broken","baseError":null,"newError":"the plug-in crashed"}])"));

  const auto table = run("ab base.jsonl new.jsonl");
  EXPECT_NE(table.out.find("only in base, not compared: gone"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("failed, not compared: broken; new: the plug-in crashed"), std::string::npos) << table.out;

  const auto codec = halved("missing.pcm --json");
  EXPECT_EQ(codec.exitCode, 1);
  const auto failed = nlohmann::json::parse(codec.out)["summary"]["failed"];
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0]["id"], "4");
  EXPECT_NE(failed[0]["newError"].get<std::string>().find("missing.pcm"), std::string::npos) << failed;
}

TEST_F(AbThreaded, WrongCallsAreUsageErrors) {
  test::writeWholeFile(scratch.file("rows.csv"), "id,score\n1,5\n");
  test::writeWholeFile(scratch.file("huge.jsonl"), "{\"id\":\"1\",\"score\":50}\n{\"id\":\"2\",\"score\":1e308}\n");
  test::writeWholeFile(scratch.file("twice.jsonl"), "{\"id\":\"1\",\"score\":50}\n{\"id\":\"1\",\"score\":null}\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ab --codec passthrough a.pcm", "two plug-ins"},
      {"ab base.jsonl", "two stored batch results"},
      {"ab - -", "two stored batch results"},
      {"ab --codec passthrough --codec passthrough --speech a.pcm", "name no voice files"},
      {"ab --codec passthrough --codec passthrough", "needs voice files"},
      {"ab rows.csv rows.csv", "\"rows.csv\" line 1: not a JSON object"},
      {"ab rows.csv rows.csv --report .", "--report"},
      {"ab twice.jsonl huge.jsonl", "\"twice.jsonl\" line 2: the id \"1\" was given before"},
      {"ab huge.jsonl huge.jsonl", "\"huge.jsonl\" line 2: the score 1e+308 is not a percentage"},
      {"ab --codec passthrough --codec passthrough a.pcm --fail-if-worse -1", "--fail-if-worse"},
  };
  for (const auto& [arguments, reason] : cases) {
    SCOPED_TRACE(arguments);
    const auto result = run(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
  }
}

TEST_F(AbThreaded, ReportRanksTheFilesAndLinksBothBuildsReports) {
  ASSERT_EQ(run("ab --codec passthrough --codec " + half + " a.pcm b.pcm c.pcm --jobs 1 --report one").exitCode, 2)
      << "the folder must exist";
  std::filesystem::create_directory(scratch.file("one"));
  std::filesystem::create_directory(scratch.file("two"));
  ASSERT_EQ(halved("--jobs 1 --report one").exitCode, 0);
  ASSERT_EQ(halved("--jobs 3 --report two").exitCode, 0);
  const std::string index = test::readWholeFile(scratch.file("one/index.html"));
  EXPECT_EQ(index, test::readWholeFile(scratch.file("two/index.html")));
  for (const char* side : {"base", "new"}) {
    for (const char* id : {"1", "2", "3"}) {
      const std::string report = std::string(side) + "-" + id + ".html";
      EXPECT_NE(index.find("href=\"" + report + "\""), std::string::npos) << report;
      EXPECT_EQ(test::readWholeFile(scratch.file("one/" + report)), test::readWholeFile(scratch.file("two/" + report)));
    }
  }
  EXPECT_NE(index.find("Mean power spectra: source, base and new"), std::string::npos);
}

}  // namespace
}  // namespace orvelle
