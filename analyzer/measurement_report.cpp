#include "analyzer/measurement_report.h"

namespace orvelle {

namespace {

constexpr const char* kSeparator = "================================================================\n";
// "AvgQ]4[" averages main groups 1 to 4 only, so it differs from the score
// (the mean of all five), which the log does not hold.
constexpr double kMainAverageFactor = 0.25;
constexpr double kSecondaryAverageFactor = 0.1;

void writeMainBlock(MeasurementLog& log, const GroupSimilarities& values) {
  // The labels are fixed texts numbered from 1, not formatted indices.
  log.logMessage("Quality[1] = %lf\n", values.main[0]);
  log.logMessage("Quality[2] = %lf\n", values.main[1]);
  log.logMessage("Quality[3] = %lf\n", values.main[2]);
  log.logMessage("Quality[4] = %lf\n", values.main[3]);
  log.logMessage("Quality[5] = %lf\n", values.main[4]);
  const double firstFour = values.main[0] + values.main[1] + values.main[2] + values.main[3];
  log.logMessage("AvgQ]4[ = %lf\n", kMainAverageFactor * firstFour);
}

void writeSecondaryBlock(MeasurementLog& log, const GroupSimilarities& values) {
  double sum = 0.0;
  for (int i = 0; i < kSecondaryGroupCount; ++i) {
    log.logMessage("Quality2[%i] = %lf\n", i, values.secondary[static_cast<std::size_t>(i)]);
    sum += values.secondary[static_cast<std::size_t>(i)];
  }
  log.logMessage("AvgQ2]10[ = %lf\n", kSecondaryAverageFactor * sum);
}

}  // namespace

void writeActivityAgreement(MeasurementLog& log, double agreement) {
  log.logMessage("Vad Quality = %f\n", agreement);
}

void writeReport(MeasurementLog& log, const GroupSimilarities& uniform, const GroupSimilarities& table) {
  log.logMessage("%s", kSeparator);
  writeMainBlock(log, uniform);
  log.logMessage("%s", kSeparator);
  writeMainBlock(log, table);
  log.logMessage("%s", kSeparator);
  log.logMessage("%s", kSeparator);
  writeSecondaryBlock(log, uniform);
  log.logMessage("%s", kSeparator);
  log.logMessage("%s", kSeparator);
  writeSecondaryBlock(log, table);
  log.logMessage("%s", kSeparator);
  log.logMessage("%s", kSeparator);
}

}  // namespace orvelle
