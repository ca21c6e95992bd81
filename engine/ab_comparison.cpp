#include "engine/ab_comparison.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace orvelle::engine {

namespace {

constexpr double kSamplesPerMillisecond = 8.0;

std::optional<double> difference(bool measured, double base, double next) {
  if (!measured || std::isnan(base) || std::isnan(next)) return std::nullopt;
  return next - base;
}

CompanionDeltas companionDeltas(const CompanionFigures& base, const CompanionFigures& next) {
  const bool measured = base.measured && next.measured;
  return {difference(measured, base.segmentalSnrDb, next.segmentalSnrDb),
          difference(measured, base.levelDifferenceDb, next.levelDifferenceDb),
          difference(measured, base.delaySamples / kSamplesPerMillisecond, next.delaySamples / kSamplesPerMillisecond),
          difference(measured, base.waveformCorrelation, next.waveformCorrelation)};
}

void summarise(AbComparison& comparison) {
  const std::size_t count = comparison.files.size();
  if (count == 0) return;
  std::vector<double> deltas;
  double sum = 0.0;
  for (const AbFileDelta& file : comparison.files) {
    deltas.push_back(file.delta);
    sum += file.delta;
    if (file.delta >= kAbResolution) {
      ++comparison.better;
    } else if (file.delta <= -kAbResolution) {
      ++comparison.worse;
    } else {
      ++comparison.same;
    }
  }
  comparison.meanDelta = sum / static_cast<double>(count);
  comparison.ci95 = pairedBootstrap95(deltas);

  std::vector<const AbFileDelta*> losers;
  for (const AbFileDelta& file : comparison.files) {
    if (file.delta <= -kAbResolution) losers.push_back(&file);
  }
  std::stable_sort(losers.begin(), losers.end(), [](const AbFileDelta* a, const AbFileDelta* b) { return a->delta < b->delta; });
  if (losers.size() > kAbWorstCount) losers.resize(kAbWorstCount);
  for (const AbFileDelta* file : losers) comparison.worst.push_back(file->id);
}

}  // namespace

AbComparison compareAb(const std::vector<AbScore>& base, const std::vector<AbScore>& next) {
  std::map<std::string, const AbScore*> newById;
  for (const AbScore& score : next) newById.emplace(score.id, &score);
  AbComparison comparison;
  std::set<std::string> inBase;
  for (const AbScore& b : base) {
    inBase.insert(b.id);
    const auto found = newById.find(b.id);
    if (found == newById.end()) {
      comparison.onlyBase.push_back(b.id);
      continue;
    }
    const AbScore& n = *found->second;
    if (!b.scored || !n.scored) {
      comparison.failed.push_back({b.id, b.scored ? "" : b.error, n.scored ? "" : n.error});
      continue;
    }
    comparison.files.push_back(
        {b.id, b.voice.empty() ? n.voice : b.voice, b.score, n.score, n.score - b.score, companionDeltas(b.companion, n.companion)});
  }
  for (const AbScore& n : next) {
    if (inBase.count(n.id) == 0) comparison.onlyNew.push_back(n.id);
  }
  summarise(comparison);
  return comparison;
}

bool intervalBelow(const AbComparison& comparison, double points) {
  return !comparison.files.empty() && comparison.ci95.high < -points;
}

std::vector<std::string> filesDroppedMoreThan(const AbComparison& comparison, double points) {
  std::vector<std::string> ids;
  for (const AbFileDelta& file : comparison.files) {
    if (file.delta < -points) ids.push_back(file.id);
  }
  return ids;
}

}  // namespace orvelle::engine
