// What orvelle-cli accepts, checked where it used to hang, lie or stay
// silent: voice files that are not regular files, empty and over-long
// paths, and the program's own messages for calls it cannot follow.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class CliInputs : public ::testing::Test {
 protected:
  void SetUp() override { test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(5)); }
  // A command that blocks is ended by the watchdog (exit status 124), so a
  // hang fails the test instead of stalling the suite.
  test::CommandResult run(const std::string& arguments) {
    return test::runCommand("timeout 20 " + kProgram + " " + arguments, scratch);
  }
  // A relative path as the program names it once it has made it absolute.
  std::string resolved(const std::string& name) const {
    return (std::filesystem::canonical(scratch.path()) / name).string();
  }
  test::ScratchDirectory scratch;
};

TEST_F(CliInputs, VoiceFilesThatAreNotRegularFilesAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(scratch.file("pipe.pcm").c_str(), 0600), 0);
  const struct {
    std::string arguments;
    std::string reason;
  } cases[] = {
      {"compare-files pipe.pcm speech.pcm", "The source voice file \"pipe.pcm\" is a FIFO"},
      {"compare-files speech.pcm pipe.pcm", "The processed voice file \"pipe.pcm\" is a FIFO"},
      {"compare-files /dev/zero speech.pcm", "\"/dev/zero\" is a character device"},
      {"quality --codec passthrough --voice pipe.pcm", "\"" + resolved("pipe.pcm") + "\" is a FIFO"},
      {"quality --codec passthrough --voice /dev/zero", "\"/dev/zero\" is a character device"},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.arguments);
    const auto result = run(refused.arguments);
    EXPECT_EQ(result.exitCode, 1) << "124 means it hung";
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(refused.reason), std::string::npos) << result.err;
  }
}

TEST_F(CliInputs, EmptyLongAndClashingPathsAreRefusedWithAReason) {
  const auto empty = run("quality --codec passthrough --voice ''");
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.err.find("--voice: an empty path names no file"), std::string::npos) << empty.err;
  const auto emptySave = run("compare-codecs --source-codec passthrough --tested-codec passthrough --save-tested ''");
  EXPECT_EQ(emptySave.exitCode, 2);

  const std::string longPath(1100, 'v');
  const auto tooLong = run("quality --codec passthrough --voice " + longPath);
  EXPECT_EQ(tooLong.exitCode, 1);
  const std::string length = std::to_string(resolved(longPath).size());
  EXPECT_EQ(tooLong.err.rfind("Voice Data Can't be Prepared!\n  Voice file path is too long (" + length + " characters", 0),
            0u)
      << tooLong.err;

  const auto same = run("compare-codecs --source-codec passthrough --tested-codec passthrough --size short "
                        "--save-source out.pcm --save-tested ./out.pcm");
  EXPECT_EQ(same.exitCode, 2);
  EXPECT_NE(same.err.find("name the same file"), std::string::npos) << same.err;
  EXPECT_FALSE(std::filesystem::exists(scratch.file("out.pcm")));
}

TEST_F(CliInputs, MessagesSayWhatWentWrong) {
  const auto unknown = run("frobnicate");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.err.rfind("Unknown subcommand \"frobnicate\"; the subcommands are: quality, compare-codecs, "
                              "compare-files, signal, header, league, batch, ab, log\n",
                              0),
            0u)
      << unknown.err;

  // A bare name goes to the system's library search, which never looks in
  // the current folder; the message points to the file that is there.
  std::filesystem::copy_file(test::bundledPlugin("passthrough"), scratch.file("mine.so"));
  const auto bare = run("quality --codec mine.so --voice speech.pcm");
  EXPECT_EQ(bare.exitCode, 1);
  EXPECT_NE(bare.err.find("No bundled plug-in is named \"mine.so\"; ./mine.so loads the file"), std::string::npos)
      << bare.err;
  const auto pair = run("compare-codecs --source-codec passthrough --tested-codec mine.so");
  EXPECT_EQ(pair.exitCode, 1);
  EXPECT_NE(pair.err.find("./mine.so loads the file"), std::string::npos) << pair.err;
  EXPECT_EQ(run("quality --codec ./mine.so --voice speech.pcm").exitCode, 0);

  const auto header = run("header no-such-folder/codec.h");
  EXPECT_EQ(header.exitCode, 1);
  EXPECT_EQ(header.err, "Header file can't be writed!\n  cannot write \"" + resolved("no-such-folder/codec.h") +
                            "\": No such file or directory\n");
}

}  // namespace
}  // namespace orvelle
