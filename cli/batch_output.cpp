#include "analyzer/measure_version.h"
#include "cli/batch_output.h"

#include <utility>
#include <vector>

#include "cli/companion_report.h"
#include "cli/csv_fields.h"
#include "cli/json_report.h"
#include "session/result_text.h"

namespace orvelle::cli {

namespace {

using Json = nlohmann::ordered_json;

// Paths and a plug-in's messages are bytes, not necessarily UTF-8; a bad
// byte becomes U+FFFD instead of costing the row.
std::string dumped(const Json& value) { return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

// A row's fields as columns: nested objects by their paths, and a group by
// its number ("groups.main.1.mode0").
void flatten(const Json& value, const std::string& path, std::vector<std::pair<std::string, Json>>& columns) {
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) flatten(member, path.empty() ? key : path + "." + key, columns);
  } else if (value.is_array()) {
    for (std::size_t i = 0; i < value.size(); ++i) {
      Json rest = value[i];
      const std::string label = rest.contains("group") ? dumped(rest["group"]) : std::to_string(i);
      if (rest.is_object()) rest.erase("group");
      flatten(rest, path + "." + label, columns);
    }
  } else {
    columns.emplace_back(path, value);
  }
}

std::vector<std::pair<std::string, Json>> columnsOf(const Json& row) {
  std::vector<std::pair<std::string, Json>> columns;
  flatten(row, "", columns);
  return columns;
}

// The companion figures with the same fields in every row, null where the
// row measured none, so that CSV columns line up with the header.
Json rowCompanion(const RowOutcome& outcome) {
  CompanionFigures figures = outcome.analysis.companion;
  const bool measured = outcome.scored && figures.measured;
  figures.measured = true;
  Json json = Json::parse(companionJson(figures).dump());
  if (!measured) {
    for (auto& [name, value] : json.items()) value = nullptr;
  }
  return json;
}

}  // namespace

Json batchRowJson(const BatchRow& row, const RowOutcome& outcome, const BatchOutputOptions& options) {
  Json json;
  json["row"] = row.number;
  json["id"] = row.id;
  if (options.plugin.empty()) {
    json["source"] = row.source;
    json["processed"] = row.processed;
  } else {
    json["plugin"] = options.plugin;
    json["voice"] = row.source;
  }
  json["score"] = outcome.scored ? Json(outcome.score) : Json();
  json["points"] = outcome.scored ? Json(scorePoints(outcome.score)) : Json();
  json["agreement"] = outcome.scored ? Json(outcome.analysis.activityAgreement) : Json();
  json["companion"] = rowCompanion(outcome);
  json["error"] = outcome.error.empty() ? Json() : Json(outcome.error);
  if (outcome.commandOutput) json["commandOutput"] = Json::parse(commandOutputJson(*outcome.commandOutput).dump());
  if (options.groups) {
    // The groups as compare-files --json prints them; numbers read back exactly.
    Json groups = Json::parse(scoreJson(outcome.score, outcome.analysis)["groups"].dump());
    if (!outcome.scored) {
      for (auto& [kind, list] : groups.items()) {
        for (Json& group : list) group["mode0"] = group["mode1"] = nullptr;
      }
    }
    json["groups"] = std::move(groups);
  }
  // Every row says which build scored it: rows of several runs end up in one file.
  json["version"] = programVersion();
  json["measureVersion"] = kMeasureVersion;
  return json;
}

std::string formatRowJson(const Json& row) { return dumped(row) + "\n"; }

std::string formatRowCsv(const Json& row) {
  std::string line;
  bool first = true;
  for (const auto& [name, value] : columnsOf(row)) {
    if (!first) line += ",";
    first = false;
    if (value.is_string()) {
      line += csvField(value.get<std::string>());
    } else if (!value.is_null()) {
      line += dumped(value);
    }
  }
  return line + "\n";
}

std::string csvHeader(const BatchOutputOptions& options) {
  std::string line;
  for (const auto& [name, value] : columnsOf(batchRowJson(BatchRow{}, RowOutcome{}, options))) {
    line += (line.empty() ? "" : ",") + csvField(name);
  }
  return line + "\n";
}

}  // namespace orvelle::cli
