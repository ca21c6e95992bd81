#include "analyzer/measurement_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/measurement_report.h"
#include "platform/startup_directory.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

using test::readWholeFile;
using test::ScratchDirectory;

// Splits on CR LF; fails the test if any line ends otherwise.
std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "text after the last CR LF: " << text.substr(start);
      break;
    }
    const std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in: " << line;
    EXPECT_EQ(line.find('\r'), std::string::npos) << "bare CR in: " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

TEST(MeasurementLog, WritesCrLfLinesAndPutsTheLogInPlaceWhenClosed) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  test::writeWholeFile(path, "previous run\r\n");
  MeasurementLog log;
  ASSERT_TRUE(log.open(path));
  EXPECT_EQ(log.logMessage("Vad Quality = %f\n", 0.5), 23);
  // Until the run closes its log, a reader finds the previous one whole.
  EXPECT_EQ(readWholeFile(path), "previous run\r\n");
  EXPECT_EQ(log.logMessage("a\nb\n"), 4);
  EXPECT_TRUE(log.close());
  EXPECT_EQ(readWholeFile(path), "Vad Quality = 0.500000\r\na\r\nb\r\n");
  EXPECT_FALSE(log.isOpen());
  EXPECT_EQ(log.logMessage("dropped\n"), 0);
  EXPECT_FALSE(log.close()) << "no log was open";
}

TEST(MeasurementLog, ALogNeverClosedLeavesThePreviousOneAndNoTrace) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  test::writeWholeFile(path, "previous run\r\n");
  {
    MeasurementLog log;
    ASSERT_TRUE(log.open(path));
    log.logMessage("half a run\n");
  }
  EXPECT_EQ(readWholeFile(path), "previous run\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
}

TEST(MeasurementLog, ASymbolicLinkIsReplacedNotFollowed) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  const std::string victim = scratch.file("victim.txt");
  test::writeWholeFile(victim, "not a log");
  std::filesystem::create_symlink(victim, path);
  MeasurementLog log;
  ASSERT_TRUE(log.open(path));
  log.logMessage("new\n");
  ASSERT_TRUE(log.close());
  EXPECT_EQ(readWholeFile(victim), "not a log");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(readWholeFile(path), "new\r\n");
}

TEST(MeasurementLog, LongMessagesAreWrittenWhole) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  MeasurementLog log;
  ASSERT_TRUE(log.open(path));
  const std::string longText(1000, 'x');
  EXPECT_EQ(log.logMessage("%s\n", longText.c_str()), 1001);
  log.close();
  EXPECT_EQ(readWholeFile(path), longText + "\r\n");
}

TEST(MeasurementLog, OpeningTruncatesAndFailureLeavesNoLog) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  test::writeWholeFile(path, "old contents that must go\r\n");
  MeasurementLog log;
  ASSERT_TRUE(log.open(path));
  log.logMessage("new\n");
  log.close();
  EXPECT_EQ(readWholeFile(path), "new\r\n");

  EXPECT_FALSE(log.open(scratch.file("missing-folder/TestLog.log")));
  EXPECT_FALSE(log.isOpen());
  EXPECT_EQ(log.logMessage("nowhere\n"), 0);
}

TEST(MeasurementLog, LivesInTheStartupDirectory) {
  const std::string saved = platform::startupDirectory();
  platform::setStartupDirectory("/some/where/");
  EXPECT_EQ(MeasurementLog::defaultPath(), "/some/where/TestLog.log");
  platform::setStartupDirectory(saved);
}

TEST(MeasurementReport, HasFortyThreeLinesInItsFixedLayout) {
  ScratchDirectory scratch;
  const std::string path = scratch.file("TestLog.log");
  GroupSimilarities uniform;
  uniform.main = {90.0, 80.0, 70.0, 60.0, 10.0};
  GroupSimilarities table;
  table.main = {1.0, 2.0, 3.0, 4.0, 5.0};
  for (std::size_t i = 0; i < 10; ++i) {
    uniform.secondary[i] = 10.0 * static_cast<double>(i);
    table.secondary[i] = 100.0;
  }
  MeasurementLog log;
  ASSERT_TRUE(log.open(path));
  writeActivityAgreement(log, 1.0);
  writeReport(log, uniform, table);
  log.close();

  const std::vector<std::string> lines = crlfLines(readWholeFile(path));
  ASSERT_EQ(lines.size(), 43u);
  const std::string separator(64, '=');
  EXPECT_EQ(lines[0], "Vad Quality = 1.000000");
  EXPECT_EQ(lines[1], separator);
  EXPECT_EQ(lines[2], "Quality[1] = 90.000000");
  EXPECT_EQ(lines[6], "Quality[5] = 10.000000");
  // The average covers groups 1 to 4: 75, while the score would be 62.
  EXPECT_EQ(lines[7], "AvgQ]4[ = 75.000000");
  EXPECT_EQ(lines[8], separator);
  EXPECT_EQ(lines[9], "Quality[1] = 1.000000");
  EXPECT_EQ(lines[14], "AvgQ]4[ = 2.500000");
  EXPECT_EQ(lines[15], separator);
  EXPECT_EQ(lines[16], separator);
  EXPECT_EQ(lines[17], "Quality2[0] = 0.000000");
  EXPECT_EQ(lines[26], "Quality2[9] = 90.000000");
  EXPECT_EQ(lines[27], "AvgQ2]10[ = 45.000000");
  EXPECT_EQ(lines[28], separator);
  EXPECT_EQ(lines[29], separator);
  EXPECT_EQ(lines[30], "Quality2[0] = 100.000000");
  EXPECT_EQ(lines[40], "AvgQ2]10[ = 100.000000");
  EXPECT_EQ(lines[41], separator);
  EXPECT_EQ(lines[42], separator);
  for (std::size_t i = 17; i < 27; ++i) {
    std::ostringstream label;
    label << "Quality2[" << (i - 17) << "] = ";
    EXPECT_EQ(lines[i].rfind(label.str(), 0), 0u) << lines[i];
  }
}

TEST(MeasurementReport, WritesNothingWithoutAnOpenLog) {
  MeasurementLog log;
  writeActivityAgreement(log, 0.5);
  writeReport(log, GroupSimilarities{}, GroupSimilarities{});
  EXPECT_FALSE(log.isOpen());
}

}  // namespace
}  // namespace orvelle
