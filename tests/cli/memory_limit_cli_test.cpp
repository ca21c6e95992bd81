#include <gtest/gtest.h>

#include <string>

#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

// Not named to run under ThreadSanitizer, whose runtime hides how an
// allocation at the limit failed.
TEST(CliMemoryLimit, EveryCommandThatRunsPlugInsKeepsItsPlugInsToTheLimit) {
  test::ScratchDirectory scratch;
  test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(2));
  const std::string hungry = test::testPlugin("touches_memory");
  const std::string commands[] = {
      "quality --size short --codec " + hungry,
      "compare-codecs --size short --source-codec passthrough --tested-codec " + hungry,
      "league --size short " + hungry,
      "batch --codec " + hungry + " speech.pcm",
  };
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const auto result =
        test::runCommand("ORVELLE_TEST_TOUCH_MIB=3072 " + kProgram + " " + command + " --memory-limit 200M", scratch);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE((result.out + result.err).find(hungry + ": the plug-in went past the memory limit of 200 MiB"),
              std::string::npos)
        << result.out << result.err;
  }
  const auto within = test::runCommand(
      "ORVELLE_TEST_TOUCH_MIB=64 " + kProgram + " quality --size short --memory-limit 1G --codec " + hungry, scratch);
  EXPECT_EQ(within.exitCode, 0) << within.err;

  for (const char* size : {"0", "12X", "1.5G", "-1M", "M", "8589934592G", "99999999999999999999"}) {
    SCOPED_TRACE(size);
    const auto refused =
        test::runCommand(kProgram + " quality --size short --codec passthrough --memory-limit " + size, scratch);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("--memory-limit"), std::string::npos) << refused.err;
  }
  const auto inProcess =
      test::runCommand(kProgram + " quality --in-process --memory-limit 1G --codec passthrough", scratch);
  EXPECT_EQ(inProcess.exitCode, 2) << "nothing limits a plug-in's memory in process without limiting ours";
}

}  // namespace
}  // namespace orvelle
