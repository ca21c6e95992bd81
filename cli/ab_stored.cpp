#include "cli/ab_stored.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/batch_rows.h"

namespace orvelle::cli {

namespace {

using Json = nlohmann::json;

// A figure the row stored, NaN where it stored null (no speech frames).
double storedNumber(const Json& companion, const char* name) {
  const auto found = companion.find(name);
  return found != companion.end() && found->is_number() ? found->get<double>()
                                                         : std::numeric_limits<double>::quiet_NaN();
}

CompanionFigures storedCompanion(const Json& row) {
  CompanionFigures figures;
  const auto companion = row.find("companion");
  if (companion == row.end() || !companion->is_object()) return figures;
  const auto delay = companion->find("delaySamples");
  // Only a delay the measure could have found is one.
  if (delay == companion->end() || !delay->is_number_integer() ||
      !(std::abs(delay->get<double>()) <= kMaximumDelaySamples)) {
    return figures;
  }
  figures.measured = true;
  figures.delaySamples = delay->get<std::int32_t>();
  figures.waveformCorrelation = storedNumber(*companion, "waveformCorrelation");
  figures.segmentalSnrDb = storedNumber(*companion, "segmentalSnrDb");
  figures.levelDifferenceDb = storedNumber(*companion, "levelDifferenceDb");
  return figures;
}

std::string text(const Json& row, const char* name) {
  const auto found = row.find(name);
  return found != row.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

bool readBatchResults(const std::string& path, std::vector<engine::AbScore>& scores, std::string& reason) {
  std::string content;
  if (!readInputText(path, content, reason)) return false;
  std::set<std::string> ids;
  std::size_t start = 0;
  for (std::size_t lineNumber = 1; start < content.size(); ++lineNumber) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const std::string where = "\"" + path + "\" line " + std::to_string(lineNumber) + ": ";
    const std::string expected = "; give the JSON lines of a batch run (orvelle-cli batch ... > results.jsonl)";
    const Json row = Json::parse(line, nullptr, false);
    if (row.is_discarded() || !row.is_object()) {
      reason = where + "not a JSON object" + expected;
      return false;
    }
    const auto id = row.find("id");
    const auto score = row.find("score");
    if (id == row.end() || !id->is_string() || score == row.end() || !(score->is_number() || score->is_null())) {
      reason = where + "no \"id\" text or no \"score\" number or null" + expected;
      return false;
    }
    engine::AbScore entry;
    entry.id = id->get<std::string>();
    if (!ids.insert(entry.id).second) {
      reason = where + "the id \"" + entry.id + "\" was given before; a result must name each id once";
      return false;
    }
    entry.voice = row.contains("voice") ? text(row, "voice") : text(row, "processed");
    entry.error = text(row, "error");
    entry.scored = score->is_number() && entry.error.empty();
    if (entry.scored) {
      entry.score = score->get<double>();
      // A score is a percentage; anything else would turn the deltas and
      // their interval into nonsense, or into infinities.
      if (!(entry.score >= 0.0 && entry.score <= 100.0)) {
        reason = where + "the score " + score->dump() + " is not a percentage from 0 to 100";
        return false;
      }
      entry.companion = storedCompanion(row);
    } else if (entry.error.empty()) {
      entry.error = "the stored row has no score";
    }
    scores.push_back(std::move(entry));
  }
  return true;
}

}  // namespace orvelle::cli
