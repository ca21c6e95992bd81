#include "audio_io/measurement_log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/startup_directory.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/small_file_system.h"

namespace orvelle {
namespace {

using test::readWholeFile;
using test::ScratchDirectory;

TEST(MeasurementLogFile, ReplacesThePreviousLogWholeAndLeavesNoTrace) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  test::writeWholeFile(path, "previous run\r\n");
  ASSERT_TRUE(writeMeasurementLog(path, "new\r\n"));
  EXPECT_EQ(readWholeFile(path), "new\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "a temporary file was left behind";

  EXPECT_FALSE(writeMeasurementLog(scratch.file("missing-folder/TestLog.log"), "x\r\n"));
  EXPECT_FALSE(writeMeasurementLog("", "x\r\n"));
  EXPECT_EQ(readWholeFile(path), "new\r\n");
}

TEST(MeasurementLogFile, AFailedWriteLeavesThePreviousLog) {
  ScratchDirectory scratch;
  test::SmallFileSystem disk(scratch);
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string path = disk.file("TestLog.log");
  ASSERT_TRUE(writeMeasurementLog(path, "previous run\r\n"));
  disk.fill();
  EXPECT_FALSE(writeMeasurementLog(path, std::string(8192, 'x')));
  EXPECT_EQ(readWholeFile(path), "previous run\r\n");
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"TestLog.log", "filler"}));
}

TEST(MeasurementLogFile, ASymbolicLinkIsReplacedNotFollowed) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  const std::string victim = scratch.file("victim.txt");
  test::writeWholeFile(victim, "not a log");
  std::filesystem::create_symlink(victim, path);
  ASSERT_TRUE(writeMeasurementLog(path, "new\r\n"));
  EXPECT_EQ(readWholeFile(victim), "not a log");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(readWholeFile(path), "new\r\n");
}

TEST(MeasurementLogFile, LivesInTheStartupDirectory) {
  const std::string saved = platform::startupDirectory();
  platform::setStartupDirectory("/some/where/");
  const std::string path = defaultMeasurementLogPath();
  platform::setStartupDirectory(saved);
  EXPECT_EQ(path, "/some/where/TestLog.log");
}

}  // namespace
}  // namespace orvelle
