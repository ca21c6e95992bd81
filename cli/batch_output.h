#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "analyzer/analysis_result.h"
#include "cli/batch_rows.h"

namespace orvelle::cli {

using engine::RowOutcome;

struct BatchOutputOptions {
  std::string plugin;   // the codec of a Codec Quality batch; empty for pairs
  bool groups = false;  // add every group's similarities
};

// Everything a batch prints of one row, in printing order. Every row has
// the same fields, a failed one with null numbers and its error, so the
// fields are also the CSV columns. This is the one place a field is added.
nlohmann::ordered_json batchRowJson(const BatchRow& row, const RowOutcome& outcome, const BatchOutputOptions& options);

// One output line (with its line end) of a row, as JSON or as CSV; and the
// CSV header line for the rows of a batch.
std::string formatRowJson(const nlohmann::ordered_json& row);
std::string formatRowCsv(const nlohmann::ordered_json& row);
std::string csvHeader(const BatchOutputOptions& options);

}  // namespace orvelle::cli
