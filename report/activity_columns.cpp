#include "report/activity_columns.h"

#include <algorithm>

namespace orvelle::report {

std::vector<ActivityColumn> activityColumns(const ActivityTimeline& timeline, std::int32_t columns) {
  std::vector<ActivityColumn> result;
  const std::int64_t total = timeline.frameCount;
  if (total <= 0 || columns <= 0) return result;
  const std::int64_t count = std::min<std::int64_t>(columns, total);
  auto run = timeline.runs.begin();
  std::int64_t leftInRun = run != timeline.runs.end() ? run->frames : 0;
  for (std::int64_t c = 0; c < count; ++c) {
    const std::int64_t first = c * total / count;
    const std::int64_t end = (c + 1) * total / count;
    std::int64_t source = 0;
    std::int64_t processed = 0;
    std::int64_t disagreeing = 0;
    for (std::int64_t needed = end - first; needed > 0 && run != timeline.runs.end();) {
      const std::int64_t taken = std::min(needed, leftInRun);
      if (run->source != 0) source += taken;
      if (run->processed != 0) processed += taken;
      if (run->source != run->processed) disagreeing += taken;
      needed -= taken;
      leftInRun -= taken;
      if (leftInRun == 0 && ++run != timeline.runs.end()) leftInRun = run->frames;
    }
    const auto frames = static_cast<double>(end - first);
    result.push_back({static_cast<std::int32_t>(first), static_cast<std::int32_t>(end - first),
                      static_cast<double>(source) / frames, static_cast<double>(processed) / frames,
                      static_cast<double>(disagreeing) / frames});
  }
  return result;
}

}  // namespace orvelle::report
