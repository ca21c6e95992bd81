#include "cli/json_report.h"

#include "analyzer/measure_version.h"
#include "cli/companion_report.h"
#include "session/result_text.h"

namespace orvelle::cli {

namespace {

template <std::size_t N>
nlohmann::json groupsJson(const std::array<double, N>& uniform, const std::array<double, N>& table,
                          int firstNumber) {
  nlohmann::json groups = nlohmann::json::array();
  for (std::size_t i = 0; i < N; ++i) {
    groups.push_back({{"group", firstNumber + static_cast<int>(i)}, {"mode0", uniform[i]}, {"mode1", table[i]}});
  }
  return groups;
}

}  // namespace

nlohmann::json scoreJson(double scorePercent, const AnalysisResult& analysis) {
  return {
      {"score", scorePercent},
      {"points", scorePoints(scorePercent)},
      {"agreement", analysis.activityAgreement},
      {"version", programVersion()},
      {"measureVersion", kMeasureVersion},
      {"companion", companionJson(analysis.companion)},
      {"groups",
       {{"main", groupsJson(analysis.uniform.main, analysis.table.main, 1)},
        {"secondary", groupsJson(analysis.uniform.secondary, analysis.table.secondary, 0)}}},
  };
}

nlohmann::json commandOutputJson(const OutputFit& fit) {
  return {{"samples", fit.given}, {"inputSamples", fit.expected}, {"padded", fit.padded()}, {"cut", fit.cut()}};
}

}  // namespace orvelle::cli
