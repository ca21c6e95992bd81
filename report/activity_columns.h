#pragma once

#include <cstdint>
#include <vector>

#include "analyzer/run_pictures.h"

namespace orvelle::report {

// The frames of one pixel column of an activity timeline, and the share
// (0 to 1) of them in which the source, the processed signal, and the two
// disagreeing, had speech.
struct ActivityColumn {
  std::int32_t firstFrame = 0;
  std::int32_t frames = 0;
  double source = 0.0;
  double processed = 0.0;
  double disagreement = 0.0;
};

// The timeline in at most `columns` columns of whole frames, in order,
// covering every frame once: a 10 s run gets one column per frame or two, a
// 25-minute run a couple of hundred frames per column.
std::vector<ActivityColumn> activityColumns(const ActivityTimeline& timeline, std::int32_t columns);

}  // namespace orvelle::report
