#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analyzer/companion_figures.h"
#include "engine/ab_bootstrap.h"

namespace orvelle::engine {

// A delta smaller than this, in score percent, counts as neither better nor
// worse: scores are shown with two decimals.
inline constexpr double kAbResolution = 0.01;
// How many of the files that got worse the summary names.
inline constexpr std::size_t kAbWorstCount = 5;

// One file's Codec Quality (or one stored row) on one side of the comparison.
struct AbScore {
  std::string id;
  std::string voice;  // the voice file, when known; for the reader only
  bool scored = false;
  double score = 0.0;  // percent
  CompanionFigures companion;
  std::string error;  // why it failed, when it did not score
};

// New less base of the companion figures; none where either side lacks one.
struct CompanionDeltas {
  std::optional<double> segmentalSnrDb;
  std::optional<double> levelDifferenceDb;
  std::optional<double> delayMs;
  std::optional<double> waveformCorrelation;
};

struct AbFileDelta {
  std::string id;
  std::string voice;
  double base = 0.0;
  double next = 0.0;
  double delta = 0.0;  // next - base, in score percent
  CompanionDeltas companion;
};

// An id scored on neither side or on one only, with each side's error
// (empty on a side that scored).
struct AbFailure {
  std::string id;
  std::string baseError;
  std::string newError;
};

struct AbComparison {
  std::vector<AbFileDelta> files;  // scored on both sides, in the base's order
  double meanDelta = 0.0;          // meaningful only with files
  Interval ci95;                   // of meanDelta; meaningful only with files
  std::size_t better = 0;
  std::size_t worse = 0;
  std::size_t same = 0;
  std::vector<std::string> worst;  // ids of the files that lost most, largest loss first, at most kAbWorstCount
  std::vector<std::string> onlyBase;
  std::vector<std::string> onlyNew;
  std::vector<AbFailure> failed;  // in the base's order, then those found only in the new
};

// Pairs the two sides by id (each id at most once a side) and compares what
// both scored.
AbComparison compareAb(const std::vector<AbScore>& base, const std::vector<AbScore>& next);

// The gates a build must pass, in score percentage points. Whether the
// whole 95 % interval of the mean delta lies below -points: a drop both
// real and larger than that (never, with no file compared).
bool intervalBelow(const AbComparison& comparison, double points);
// The ids of the files that dropped by more than `points`, in the base's order.
std::vector<std::string> filesDroppedMoreThan(const AbComparison& comparison, double points);

}  // namespace orvelle::engine
