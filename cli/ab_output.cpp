#include "cli/ab_output.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "analyzer/measure_version.h"
#include "cli/csv_fields.h"

namespace orvelle::cli {

namespace {

using Json = nlohmann::ordered_json;
using engine::AbComparison;
using engine::AbFileDelta;

// Paths and a plug-in's messages are bytes, not necessarily UTF-8; a bad
// byte becomes U+FFFD instead of costing the output.
std::string dumped(const Json& value, int indent = -1) {
  return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string fixed(double value, const char* format = "%.2f") {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string signedFixed(double value) { return fixed(value, "%+.2f"); }

Json optionalNumber(const std::optional<double>& value) { return value ? Json(*value) : Json(); }

// Every file's fields, in printing order; the CSV columns are the same.
Json fileJson(const AbFileDelta& file) {
  return Json{{"id", file.id},
              {"voice", file.voice.empty() ? Json() : Json(file.voice)},
              {"base", file.base},
              {"new", file.next},
              {"delta", file.delta},
              {"segmentalSnrDbDelta", optionalNumber(file.companion.segmentalSnrDb)},
              {"levelDifferenceDbDelta", optionalNumber(file.companion.levelDifferenceDb)},
              {"delayMsDelta", optionalNumber(file.companion.delayMs)},
              {"waveformCorrelationDelta", optionalNumber(file.companion.waveformCorrelation)}};
}

Json summaryJson(const AbComparison& c) {
  const bool any = !c.files.empty();
  Json failed = Json::array();
  for (const engine::AbFailure& f : c.failed) {
    failed.push_back({{"id", f.id},
                      {"baseError", f.baseError.empty() ? Json() : Json(f.baseError)},
                      {"newError", f.newError.empty() ? Json() : Json(f.newError)}});
  }
  return Json{{"compared", c.files.size()},
              {"meanDelta", any ? Json(c.meanDelta) : Json()},
              {"ci95", any ? Json::array({c.ci95.low, c.ci95.high}) : Json()},
              {"bootstrapResamples", engine::kBootstrapResamples},
              {"resolution", engine::kAbResolution},
              {"better", c.better},
              {"worse", c.worse},
              {"same", c.same},
              {"worst", c.worst},
              {"onlyBase", c.onlyBase},
              {"onlyNew", c.onlyNew},
              {"failed", failed},
              {"version", programVersion()},
              {"measureVersion", kMeasureVersion}};
}

Json gatesJson(const AbGateOutcome& gates) {
  return Json{{"failIfWorse", optionalNumber(gates.failIfWorse)},
              {"failIfAnyWorse", optionalNumber(gates.failIfAnyWorse)},
              {"intervalBelow", gates.intervalBelow},
              {"dropped", gates.droppedIds},
              {"passed", gates.passed()}};
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string cell(const std::optional<double>& value, std::size_t width) {
  return padded(value ? signedFixed(*value) : "-", width);
}

std::string formatTable(const AbComparison& c) {
  std::size_t idWidth = 4;
  for (const AbFileDelta& file : c.files) idWidth = std::max(idWidth, file.id.size() + 2);
  std::string text = padded("id", idWidth) + padded("base %", 9) + padded("new %", 9) + padded("delta", 9) +
                     "segSNR dB  level dB  delay ms  correlation  voice\n";
  for (const AbFileDelta& file : c.files) {
    text += padded(file.id, idWidth) + padded(fixed(file.base), 9) + padded(fixed(file.next), 9) +
            padded(signedFixed(file.delta), 9) + cell(file.companion.segmentalSnrDb, 11) +
            cell(file.companion.levelDifferenceDb, 10) + cell(file.companion.delayMs, 10) +
            cell(file.companion.waveformCorrelation, 13) + file.voice;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    text += "\n";
  }
  text += "\n";
  for (const std::string& line : summaryLines(c)) text += line + "\n";
  return text;
}

std::string csvValue(const Json& value) {
  if (value.is_null()) return "";
  return value.is_string() ? csvField(value.get<std::string>()) : dumped(value);
}

std::string formatCsv(const AbComparison& c) {
  std::string text;
  const Json columns = fileJson(AbFileDelta{});
  for (const auto& [name, value] : columns.items()) text += (text.empty() ? "" : ",") + name;
  // Which build compared them, on every line, as batch rows say it.
  text += ",version,measureVersion\n";
  const std::string build = std::string(",") + programVersion() + "," + std::to_string(kMeasureVersion) + "\n";
  for (const AbFileDelta& file : c.files) {
    std::string line;
    const Json fields = fileJson(file);
    for (const auto& [name, value] : fields.items()) line += (line.empty() ? "" : ",") + csvValue(value);
    text += line + build;
  }
  return text;
}

std::string idList(const std::vector<std::string>& ids) {
  std::string text;
  for (const std::string& id : ids) text += (text.empty() ? "" : ", ") + id;
  return text;
}

}  // namespace

AbGateOutcome checkGates(const AbComparison& comparison, std::optional<double> failIfWorse,
                         std::optional<double> failIfAnyWorse) {
  AbGateOutcome gates{failIfWorse, failIfAnyWorse, false, {}};
  if (failIfWorse) gates.intervalBelow = engine::intervalBelow(comparison, *failIfWorse);
  if (failIfAnyWorse) gates.droppedIds = engine::filesDroppedMoreThan(comparison, *failIfAnyWorse);
  return gates;
}

std::vector<std::string> summaryLines(const AbComparison& c) {
  std::vector<std::string> lines;
  if (c.files.empty()) {
    lines.push_back("No file was scored by both builds.");
  } else {
    lines.push_back(std::to_string(c.files.size()) + (c.files.size() == 1 ? " file" : " files") +
                    " compared: mean delta " + signedFixed(c.meanDelta) +
                    ", 95 % interval " + signedFixed(c.ci95.low) + " to " + signedFixed(c.ci95.high) +
                    " (paired bootstrap, " + std::to_string(engine::kBootstrapResamples) + " resamples)");
    lines.push_back("better " + std::to_string(c.better) + ", worse " + std::to_string(c.worse) + ", same " +
                    std::to_string(c.same) + " (a delta under " + fixed(engine::kAbResolution) +
                    " either way counts as the same)");
  }
  if (!c.worst.empty()) {
    std::string worst;
    for (const std::string& id : c.worst) {
      const auto file = std::find_if(c.files.begin(), c.files.end(), [&](const AbFileDelta& f) { return f.id == id; });
      worst += (worst.empty() ? "" : ", ") + id + " (" + signedFixed(file->delta) + ")";
    }
    lines.push_back("lost most: " + worst);
  }
  if (!c.onlyBase.empty()) lines.push_back("only in base, not compared: " + idList(c.onlyBase));
  if (!c.onlyNew.empty()) lines.push_back("only in new, not compared: " + idList(c.onlyNew));
  for (const engine::AbFailure& f : c.failed) {
    std::string line = "failed, not compared: " + f.id;
    if (!f.baseError.empty()) line += "; base: " + f.baseError;
    if (!f.newError.empty()) line += "; new: " + f.newError;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> gateLines(const AbComparison& c, const AbGateOutcome& gates) {
  std::vector<std::string> lines;
  if (gates.intervalBelow) {
    lines.push_back("--fail-if-worse " + fixed(*gates.failIfWorse, "%g") + ": the whole 95 % interval of the mean delta, " +
                    signedFixed(c.ci95.low) + " to " + signedFixed(c.ci95.high) + ", lies below " +
                    signedFixed(-*gates.failIfWorse));
  }
  if (!gates.droppedIds.empty()) {
    lines.push_back("--fail-if-any-worse " + fixed(*gates.failIfAnyWorse, "%g") + ": dropped by more than that: " +
                    idList(gates.droppedIds));
  }
  return lines;
}

std::string formatAb(const AbComparison& comparison, const AbGateOutcome& gates, AbFormat format) {
  switch (format) {
    case AbFormat::Csv: return formatCsv(comparison);
    case AbFormat::Json: {
      Json files = Json::array();
      for (const AbFileDelta& file : comparison.files) files.push_back(fileJson(file));
      return dumped(Json{{"files", files}, {"summary", summaryJson(comparison)}, {"gates", gatesJson(gates)}}, 2) + "\n";
    }
    case AbFormat::Table: break;
  }
  return formatTable(comparison);
}

}  // namespace orvelle::cli
