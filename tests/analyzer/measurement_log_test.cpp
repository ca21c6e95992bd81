#include "analyzer/measurement_report.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

namespace orvelle {
namespace {

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
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in: " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

TEST(MeasurementLogText, HasFortyThreeCrLfLinesInItsFixedLayout) {
  AnalysisResult result;
  result.activityAgreement = 1.0;
  result.uniform.main = {90.0, 80.0, 70.0, 60.0, 10.0};
  result.table.main = {1.0, 2.0, 3.0, 4.0, 5.0};
  for (std::size_t i = 0; i < 10; ++i) {
    result.uniform.secondary[i] = 10.0 * static_cast<double>(i);
    result.table.secondary[i] = 100.0;
  }
  const std::vector<std::string> lines = crlfLines(measurementLogText(result));
  ASSERT_EQ(lines.size(), 43u);
  const std::string separator(64, '=');
  EXPECT_EQ(lines[0], "Vad Quality = 1.000000");
  EXPECT_EQ(lines[2], "Quality[1] = 90.000000");
  EXPECT_EQ(lines[6], "Quality[5] = 10.000000");
  // The average covers groups 1 to 4: 75, while the score would be 62.
  EXPECT_EQ(lines[7], "AvgQ]4[ = 75.000000");
  EXPECT_EQ(lines[9], "Quality[1] = 1.000000");
  EXPECT_EQ(lines[14], "AvgQ]4[ = 2.500000");
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(lines[17 + i], "Quality2[" + std::to_string(i) + "] = " + std::to_string(10 * i) + ".000000");
  }
  EXPECT_EQ(lines[27], "AvgQ2]10[ = 45.000000");
  EXPECT_EQ(lines[30], "Quality2[0] = 100.000000");
  EXPECT_EQ(lines[40], "AvgQ2]10[ = 100.000000");
  for (const std::size_t i : {1u, 8u, 15u, 16u, 28u, 29u, 41u, 42u}) EXPECT_EQ(lines[i], separator) << i;
}

TEST(MeasurementLogText, NumbersKeepTheirPointUnderACommaLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
  char formatted[16];
  std::snprintf(formatted, sizeof formatted, "%.1f", 0.5);
  AnalysisResult result;
  result.activityAgreement = 0.5;
  const std::string text = measurementLogText(result);
  std::setlocale(LC_NUMERIC, saved.c_str());

  ASSERT_STREQ(formatted, "0,5") << "the locale does not write a decimal comma";
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Vad Quality = 0.500000");
}

}  // namespace
}  // namespace orvelle
