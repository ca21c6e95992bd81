// What orvelle-cli writes, checked where it can go wrong: runs that overlap
// in one folder, a disk that runs out of space, a log that is a link or a
// folder, and a standard output that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/small_file_system.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";
constexpr int kProcessedVariants = 8;

class CliOutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto speech = test::speechLikeSignal(5);
    test::writeVoiceFile(scratch.file("speech.pcm"), speech);
    // Each variant is the speech at another loudness, so each run's log differs.
    for (int v = 0; v < kProcessedVariants; ++v) {
      std::vector<std::int16_t> processed = speech;
      for (auto& sample : processed) sample = static_cast<std::int16_t>(sample * (kProcessedVariants - v) / 9);
      test::writeVoiceFile(scratch.file("processed" + std::to_string(v) + ".pcm"), processed);
    }
  }
  test::CommandResult run(const std::string& arguments, const std::string& stdoutRedirection = "") {
    return test::runCommand(kProgram + " " + arguments, scratch, stdoutRedirection);
  }
  // Names in the scratch folder that start with a dot: the command capture's
  // own files aside, a temporary file left behind.
  std::vector<std::string> hiddenLeftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
      const std::string name = entry.path().filename().string();
      if (name[0] == '.' && name != ".stdout" && name != ".stderr") names.push_back(name);
    }
    return names;
  }

  test::ScratchDirectory scratch;
};

TEST_F(CliOutputFiles, ConcurrentRunsInOneFolderLeaveExactlyOneRunsLog) {
  std::set<std::string> runLogs;
  for (int v = 0; v < kProcessedVariants; ++v) {
    const std::string alone = "alone" + std::to_string(v);
    fs::create_directory(scratch.file(alone));
    const auto result = run("--log-dir " + alone + " compare-files speech.pcm processed" + std::to_string(v) + ".pcm");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    runLogs.insert(test::readWholeFile(scratch.file(alone + "/TestLog.log")));
  }
  ASSERT_EQ(runLogs.size(), static_cast<std::size_t>(kProcessedVariants)) << "the runs' logs must tell them apart";

  std::string everyVariant;
  for (int v = 0; v < kProcessedVariants; ++v) everyVariant += " " + std::to_string(v);
  const std::string together = "for v in" + everyVariant + "; do " + kProgram +
                               " compare-files speech.pcm processed$v.pcm >/dev/null & done; wait";
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    test::runCommand(together, scratch);
    const std::string log = test::readWholeFile(scratch.file("TestLog.log"));
    EXPECT_EQ(runLogs.count(log), 1u) << "a log that no single run wrote:\n" << log;
    EXPECT_EQ(hiddenLeftovers(), std::vector<std::string>{});
  }
}

TEST_F(CliOutputFiles, ALogThatIsALinkIsReplacedAndOneThatIsAFolderIsReported) {
  test::writeWholeFile(scratch.file("victim.txt"), "not a log");
  fs::create_symlink(scratch.file("victim.txt"), scratch.file("TestLog.log"));
  const auto linked = run("compare-files speech.pcm processed1.pcm");
  ASSERT_EQ(linked.exitCode, 0) << linked.err;
  EXPECT_EQ(test::readWholeFile(scratch.file("victim.txt")), "not a log");
  EXPECT_FALSE(fs::is_symlink(scratch.file("TestLog.log")));
  EXPECT_NE(test::readWholeFile(scratch.file("TestLog.log")).find("Vad Quality = "), std::string::npos);

  fs::remove(scratch.file("TestLog.log"));
  fs::create_directory(scratch.file("TestLog.log"));
  const auto log = run("log");
  EXPECT_EQ(log.exitCode, 1);
  EXPECT_NE(log.err.find("TestLog.log is a folder"), std::string::npos) << log.err;
  const auto scored = run("compare-files speech.pcm processed1.pcm");
  EXPECT_EQ(scored.exitCode, 0) << "the score does not depend on the log";
  EXPECT_NE(scored.err.find("could not be written"), std::string::npos) << scored.err;
}

TEST_F(CliOutputFiles, AFullDiskLeavesEveryOldFileAsItWasAndNothingBehind) {
  test::SmallFileSystem disk(scratch);
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string oldSignal(100000, 's');
  const std::string oldSaved(100000, 'v');
  const std::string oldHeader = "// an earlier header\n";
  const std::string oldLog = "Vad Quality = 0.500000\r\n";
  test::writeWholeFile(disk.file("signal.pcm"), oldSignal);
  test::writeWholeFile(disk.file("saved.pcm"), oldSaved);
  test::writeWholeFile(disk.file("codec.h"), oldHeader);
  test::writeWholeFile(disk.file("TestLog.log"), oldLog);

  // Nine megabytes do not fit on one.
  const auto signal = run("signal --size short " + disk.file("signal.pcm"));
  EXPECT_EQ(signal.exitCode, 1);
  EXPECT_NE(signal.err.find("No space left on device"), std::string::npos) << signal.err;
  const auto saved = run("compare-codecs --source-codec passthrough --tested-codec passthrough --size short "
                         "--save-tested " + disk.file("saved.pcm"));
  EXPECT_EQ(saved.exitCode, 1);
  EXPECT_NE(saved.err.find("No space left on device"), std::string::npos) << saved.err;

  // Small files fail once the disk is full.
  disk.fill();
  const auto header = run("header " + disk.file("codec.h"));
  EXPECT_EQ(header.exitCode, 1);
  EXPECT_NE(header.err.find("No space left on device"), std::string::npos) << header.err;
  const auto scored = run("--log-dir " + disk.file("") + " compare-files speech.pcm processed1.pcm");
  EXPECT_EQ(scored.exitCode, 0) << scored.err;
  EXPECT_NE(scored.err.find("could not be written"), std::string::npos) << scored.err;

  EXPECT_TRUE(test::readWholeFile(disk.file("signal.pcm")) == oldSignal);
  EXPECT_TRUE(test::readWholeFile(disk.file("saved.pcm")) == oldSaved);
  EXPECT_EQ(test::readWholeFile(disk.file("codec.h")), oldHeader);
  EXPECT_EQ(test::readWholeFile(disk.file("TestLog.log")), oldLog);
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"TestLog.log", "codec.h", "filler", "saved.pcm", "signal.pcm"}));
}

TEST_F(CliOutputFiles, PlugInCodeThatChangesTheFolderMovesNoOutputAndNoInput) {
  // The plug-in moves the process into elsewhere/ as it codes; there a file
  // of an output's name waits to be overwritten, and folders of the output
  // folders' names wait to be written into.
  fs::copy_file(test::testPlugin("changes_folder"), scratch.file("changes_folder.so"));
  for (const char* folder : {"logs", "reports", "elsewhere/logs", "elsewhere/reports"}) {
    fs::create_directories(scratch.file(folder));
  }
  test::writeWholeFile(scratch.file("elsewhere/out.pcm"), "keep");
  const struct {
    std::string command;
    std::vector<std::string> outputs;
  } runs[] = {
      {"--log-dir logs quality --in-process --codec ./changes_folder.so --voice speech.pcm --save-processed out.pcm "
       "--report out.html",
       {"out.pcm", "out.html", "logs/TestLog.log"}},
      {"compare-codecs --in-process --source-codec ./changes_folder.so --tested-codec passthrough --size short "
       "--save-source source.pcm --save-tested tested.pcm",
       {"source.pcm", "tested.pcm"}},
      // The second row's plug-in and voice file are read after the first
      // row's code has moved the process.
      {"batch --in-process --jobs 1 --codec ./changes_folder.so speech.pcm processed1.pcm --log-dir logs "
       "--report-dir reports",
       {"logs/1.log", "logs/2.log", "reports/2.html", "reports/index.html"}},
  };
  for (const auto& one : runs) {
    SCOPED_TRACE(one.command);
    const auto result = run(one.command);
    ASSERT_EQ(result.exitCode, 0) << result.err << result.out;
    for (const std::string& output : one.outputs) EXPECT_TRUE(fs::is_regular_file(scratch.file(output))) << output;
  }
  EXPECT_EQ(test::readVoiceFile(scratch.file("out.pcm")).size(), test::speechLikeSignal(5).size() + 160);
  EXPECT_EQ(test::readWholeFile(scratch.file("elsewhere/out.pcm")), "keep");
  std::vector<std::string> elsewhere;
  for (const auto& entry : fs::recursive_directory_iterator(scratch.file("elsewhere"))) {
    elsewhere.push_back(fs::relative(entry.path(), scratch.file("elsewhere")).string());
  }
  std::sort(elsewhere.begin(), elsewhere.end());
  EXPECT_EQ(elsewhere, (std::vector<std::string>{"logs", "out.pcm", "reports"}));
}

TEST_F(CliOutputFiles, AResultThatCannotReachTheStandardOutputFailsTheJob) {
  ASSERT_EQ(run("compare-files speech.pcm processed1.pcm").exitCode, 0) << "a log for the log command";
  const std::string commands[] = {
      "quality --codec passthrough --voice speech.pcm",
      "quality --codec passthrough --voice speech.pcm --json",
      "compare-files speech.pcm processed1.pcm",
      "compare-files speech.pcm processed1.pcm --json",
      "league --voice speech.pcm passthrough",
      "league --voice speech.pcm --csv passthrough",
      "league --voice speech.pcm --json passthrough",
      "log",
      "header codec.h",
      "signal --size short signal.pcm",
      "--help",
  };
  const struct {
    const char* redirection;
    const char* reason;
  } outputs[] = {{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}};
  for (const auto& output : outputs) {
    for (const std::string& command : commands) {
      SCOPED_TRACE(command + " " + output.redirection);
      const auto result = run(command, output.redirection);
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_NE(result.err.find(std::string("cannot write the standard output: ") + output.reason), std::string::npos)
          << result.err;
    }
  }
  // With the standard output closed, nothing printed may land in a file the
  // program opened instead.
  EXPECT_EQ(test::readWholeFile(scratch.file("codec.h")).find("writed"), std::string::npos);
}

}  // namespace
}  // namespace orvelle
