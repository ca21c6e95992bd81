#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/startup_directory.h"
#include "tests/support/scratch_directory.h"

namespace orvelle::test {

// Points the start-up directory, and with it the measurement log, at a
// scratch folder for the length of a test.
class AnalyzerLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::startupDirectory();
    platform::setStartupDirectory(scratch_.prefix());
  }
  void TearDown() override { platform::setStartupDirectory(saved_); }

  std::string logPath() const { return scratch_.file("TestLog.log"); }
  std::string logText() const { return readWholeFile(logPath()); }

  ScratchDirectory scratch_;

 private:
  std::string saved_;
};

inline std::vector<std::string> splitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace orvelle::test
