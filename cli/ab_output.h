#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ab_comparison.h"

namespace orvelle::cli {

enum class AbFormat { Table, Csv, Json };

// The gates asked for, in score percentage points, and what each found.
struct AbGateOutcome {
  std::optional<double> failIfWorse;
  std::optional<double> failIfAnyWorse;
  bool intervalBelow = false;
  std::vector<std::string> droppedIds;  // files that dropped by more than failIfAnyWorse

  bool passed() const { return !intervalBelow && droppedIds.empty(); }
};

AbGateOutcome checkGates(const engine::AbComparison& comparison, std::optional<double> failIfWorse,
                         std::optional<double> failIfAnyWorse);

// What stdout gets: a table of the files compared and the summary below
// it; one JSON object with "files", "summary" and "gates"; or CSV, one line
// a file compared (the summary then goes to stderr as summaryLines).
std::string formatAb(const engine::AbComparison& comparison, const AbGateOutcome& gates, AbFormat format);

// The summary in words, one line each: the mean delta and its interval, the
// counts, the files that lost most, and the ids not compared.
std::vector<std::string> summaryLines(const engine::AbComparison& comparison);

// Why the gates failed, one line a gate; empty when they passed.
std::vector<std::string> gateLines(const engine::AbComparison& comparison, const AbGateOutcome& gates);

}  // namespace orvelle::cli
