#include "cli/batch_summary.h"

#include <algorithm>
#include <cstdio>

namespace orvelle::cli {

std::string batchSummary(const std::vector<double>& scores, std::size_t failed, std::size_t skipped) {
  char text[256];
  std::snprintf(text, sizeof text, "batch: %zu rows, %zu scored, %zu failed", scores.size() + failed, scores.size(),
                failed);
  std::string summary = text;
  if (skipped > 0) summary += ", " + std::to_string(skipped) + " skipped as already scored";
  if (!scores.empty()) {
    std::vector<double> sorted = scores;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0.0;
    for (double score : sorted) sum += score;
    const std::size_t middle = sorted.size() / 2;
    const double median = sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2.0;
    std::snprintf(text, sizeof text, "; score mean %.2f, median %.2f, min %.2f", sum / static_cast<double>(sorted.size()),
                  median, sorted.front());
    summary += text;
  }
  return summary + "\n";
}

}  // namespace orvelle::cli
