#include "analyzer/measurement_report.h"

#include <charconv>

namespace orvelle {

namespace {

constexpr const char* kSeparator = "================================================================";
constexpr const char* kLineEnd = "\r\n";
// "AvgQ]4[" averages main groups 1 to 4 only, so it differs from the score
// (the mean of all five), which the log does not hold.
constexpr double kMainAverageFactor = 0.25;
constexpr double kSecondaryAverageFactor = 0.1;
// Six decimals, as the C library's "%f" gives them; to_chars rounds exactly
// as it does and never asks the locale for a decimal point.
constexpr int kDecimals = 6;

class LogText {
 public:
  void line(const char* text) { text_.append(text).append(kLineEnd); }
  void value(const std::string& label, double number) {
    char digits[400];
    const auto written = std::to_chars(digits, digits + sizeof digits, number, std::chars_format::fixed, kDecimals);
    text_.append(label).append(" = ").append(digits, written.ptr).append(kLineEnd);
  }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

void mainBlock(LogText& log, const GroupSimilarities& values) {
  // The labels are fixed texts numbered from 1, not formatted indices.
  for (std::size_t g = 0; g < values.main.size(); ++g) {
    log.value("Quality[" + std::to_string(g + 1) + "]", values.main[g]);
  }
  const double firstFour = values.main[0] + values.main[1] + values.main[2] + values.main[3];
  log.value("AvgQ]4[", kMainAverageFactor * firstFour);
}

void secondaryBlock(LogText& log, const GroupSimilarities& values) {
  double sum = 0.0;
  for (std::size_t i = 0; i < values.secondary.size(); ++i) {
    log.value("Quality2[" + std::to_string(i) + "]", values.secondary[i]);
    sum += values.secondary[i];
  }
  log.value("AvgQ2]10[", kSecondaryAverageFactor * sum);
}

}  // namespace

std::string measurementLogText(const AnalysisResult& result) {
  LogText log;
  log.value("Vad Quality", result.activityAgreement);
  log.line(kSeparator);
  mainBlock(log, result.uniform);
  log.line(kSeparator);
  mainBlock(log, result.table);
  log.line(kSeparator);
  log.line(kSeparator);
  secondaryBlock(log, result.uniform);
  log.line(kSeparator);
  log.line(kSeparator);
  secondaryBlock(log, result.table);
  log.line(kSeparator);
  log.line(kSeparator);
  return log.take();
}

}  // namespace orvelle
