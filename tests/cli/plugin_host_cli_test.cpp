#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/child_processes.h"
#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

// The plug-ins run from copies in the scratch folder, so that a host left
// behind can be told apart from any other test's.
class CliPluginHostThreaded : public ::testing::Test {
 protected:
  std::string plugin(const std::string& name) {
    const std::string copy = scratch.file(name + ".so");
    std::filesystem::copy_file(test::testPlugin(name), copy, std::filesystem::copy_options::skip_existing);
    return copy;
  }
  test::CommandResult cli(const std::string& arguments) {
    const auto result = test::runCommand(kProgram + " " + arguments, scratch);
    EXPECT_FALSE(test::anyProcessMentions(scratch.path().string())) << "a plug-in host outlived " << arguments;
    return result;
  }
  std::vector<std::string> scratchFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".so" && name != ".stdout" && name != ".stderr") names.push_back(name);
    }
    return names;
  }
  test::ScratchDirectory scratch;
};

TEST_F(CliPluginHostThreaded, AMisbehavingPlugInFailsTheJobWithTheMessageAndTheReason) {
  struct Case {
    const char* plugin;
    const char* message;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"null_store_after_two_frames", "Voice Data Can't be Recoded!",
       "the plug-in crashed: SIGSEGV (invalid memory access) after 2 of 28657 frames"},
      {"calls_abort", "Voice Data Can't be Recoded!", "the plug-in crashed: SIGABRT (abort() was called)"},
      {"crashing_constructor", "DLL Can't be loaded!", "the plug-in crashed while it was being loaded"},
      {"exits_with_zero", "Voice Data Can't be Recoded!", "the plug-in ended the process with exit status 0"},
      {"writes_past_output", "Voice Data Can't be Recoded!", "the plug-in crashed: SIGSEGV (invalid memory access)"},
      {"throwing_recode", "Voice Data Can't be Recoded!", "CodeAndDeCode raised coder failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    const std::string path = plugin(c.plugin);
    const auto result = cli("quality --json --size short --codec " + path);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(path + ": " + c.reason), std::string::npos) << result.err;
  }
}

TEST_F(CliPluginHostThreaded, WhatThePlugInPrintsGoesToStandardErrorAndTheJsonStaysClean) {
  const auto result = cli("quality --json --size short --codec " + plugin("chatty"));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(nlohmann::json::parse(result.out)["score"], 100.0);
  EXPECT_NE(result.err.find("chatty: GetFrameSize on stdout"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("chatty: CodeAndDeCode on stderr"), std::string::npos) << result.err;
}

TEST_F(CliPluginHostThreaded, TheLeagueKeepsEveryRowThroughCrashesAndHangs) {
  const auto result = cli("league --json --size short --timeout 1 " + plugin("endless_sleep") + " " +
                          plugin("null_store_after_two_frames") + " passthrough");
  EXPECT_EQ(result.exitCode, 1);
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["plugin"], "passthrough");
  EXPECT_EQ(rows[0]["score"], 100.0);
  EXPECT_EQ(rows[1]["plugin"], plugin("endless_sleep"));
  EXPECT_NE(rows[1]["error"].get<std::string>().find("the plug-in did not finish within 1 s"), std::string::npos);
  EXPECT_NE(rows[2]["error"].get<std::string>().find("SIGSEGV"), std::string::npos);
}

TEST_F(CliPluginHostThreaded, AHangIsEndedByTheTimeoutOfQualityAndCompareCodecs) {
  const auto quality = cli("quality --size short --timeout 1 --codec " + plugin("endless_sleep"));
  EXPECT_EQ(quality.exitCode, 1);
  EXPECT_NE(quality.err.find("the plug-in did not finish within 1 s"), std::string::npos) << quality.err;
  const auto compare = cli("compare-codecs --size short --timeout 1 --source-codec passthrough --tested-codec " +
                           plugin("endless_sleep") + " --save-source source.pcm");
  EXPECT_EQ(compare.exitCode, 1);
  EXPECT_NE(compare.err.find("the plug-in did not finish within 1 s"), std::string::npos) << compare.err;
  EXPECT_TRUE(scratchFiles().empty()) << "nothing half-written";
}

TEST_F(CliPluginHostThreaded, ACrashingTestedCodecLeavesNoOutputFile) {
  const auto result = cli("compare-codecs --size short --source-codec passthrough --tested-codec " +
                          plugin("null_store_after_two_frames") + " --save-source source.pcm --save-tested tested.pcm");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Voice Data Can't be Recoded!"), std::string::npos) << result.err;
  EXPECT_TRUE(scratchFiles().empty());
}

TEST_F(CliPluginHostThreaded, InProcessCallsStayAvailableForADebugger) {
  // In process the plug-in's writes reach the reference again: zeroing it
  // leaves nothing to measure there, while in a host the silence it puts
  // out scores badly.
  const std::string zeroing = plugin("zeroing_input");
  const auto hosted = cli("quality --json --size short --codec " + zeroing);
  ASSERT_EQ(hosted.exitCode, 0) << hosted.err;
  EXPECT_LT(nlohmann::json::parse(hosted.out)["score"].get<double>(), 1.0);
  for (const std::string& way : {kProgram + " quality --in-process", "ORVELLE_IN_PROCESS=1 " + kProgram + " quality"}) {
    SCOPED_TRACE(way);
    const auto result = test::runCommand(way + " --json --size short --codec " + zeroing, scratch);
    EXPECT_EQ(result.exitCode, 1) << result.out;
    EXPECT_NE(result.err.find("no speech that the measure can judge"), std::string::npos) << result.err;
  }
  const auto refused = cli("quality --in-process --timeout 5 --codec passthrough");
  EXPECT_EQ(refused.exitCode, 2) << "nothing can end a hung call in process";
}

}  // namespace
}  // namespace orvelle
