#include "report/activity_columns.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvelle::report {
namespace {

ActivityTimeline timelineOf(const std::vector<std::int16_t>& source, const std::vector<std::int16_t>& processed) {
  return ActivityTimeline::fromFlags(source.data(), processed.data(), static_cast<std::int32_t>(source.size()));
}

// Every frame in exactly one column, in order, and the shares add back up
// to the frame counts.
void expectCovers(const std::vector<ActivityColumn>& columns, const ActivityTimeline& timeline) {
  std::int32_t next = 0;
  double source = 0.0;
  double disagreeing = 0.0;
  for (const ActivityColumn& column : columns) {
    EXPECT_EQ(column.firstFrame, next);
    EXPECT_GT(column.frames, 0);
    next += column.frames;
    source += column.source * column.frames;
    disagreeing += column.disagreement * column.frames;
  }
  EXPECT_EQ(next, timeline.frameCount);
  std::int32_t heard = 0;
  for (const ActivityRun& run : timeline.runs) heard += run.source != 0 ? run.frames : 0;
  EXPECT_NEAR(source, heard, 1e-6);
  EXPECT_NEAR(disagreeing, timeline.disagreements(), 1e-6);
}

TEST(ActivityColumns, ShortRunGetsAColumnPerFrameOrFewer) {
  // 10 s: speech in the source from 2 s to 5 s, in the processed signal from
  // 3 s to 5 s.
  std::vector<std::int16_t> source(1000, 0);
  std::vector<std::int16_t> processed(1000, 0);
  for (int k = 200; k < 500; ++k) source[static_cast<std::size_t>(k)] = 1;
  for (int k = 300; k < 500; ++k) processed[static_cast<std::size_t>(k)] = 1;
  const ActivityTimeline timeline = timelineOf(source, processed);

  const auto perFrame = activityColumns(timeline, 2000);
  ASSERT_EQ(perFrame.size(), 1000u);
  EXPECT_EQ(perFrame[250].source, 1.0);
  EXPECT_EQ(perFrame[250].processed, 0.0);
  EXPECT_EQ(perFrame[250].disagreement, 1.0);
  EXPECT_EQ(perFrame[400].disagreement, 0.0);
  expectCovers(perFrame, timeline);

  const auto narrow = activityColumns(timeline, 800);
  ASSERT_EQ(narrow.size(), 800u);
  expectCovers(narrow, timeline);
}

TEST(ActivityColumns, LongRunIsAggregatedIntoThePixels) {
  // 25 minutes of frames, speech every other second in the source and every
  // other 1.5 s in the processed signal.
  constexpr int kFrames = 150000;
  std::vector<std::int16_t> source(kFrames);
  std::vector<std::int16_t> processed(kFrames);
  for (int k = 0; k < kFrames; ++k) {
    source[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 100) % 2);
    processed[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((k / 150) % 2);
  }
  const ActivityTimeline timeline = timelineOf(source, processed);
  const auto columns = activityColumns(timeline, 800);
  ASSERT_EQ(columns.size(), 800u);
  expectCovers(columns, timeline);
  for (const ActivityColumn& column : columns) {
    EXPECT_GE(column.frames, 187);
    EXPECT_LE(column.frames, 188);
    // Half speech in every column of either signal, give or take the edges.
    EXPECT_NEAR(column.source, 0.5, 0.3);
  }
}

TEST(ActivityColumns, NothingToDrawGivesNoColumns) {
  EXPECT_TRUE(activityColumns(ActivityTimeline{}, 800).empty());
  std::vector<std::int16_t> one(10, 1);
  EXPECT_TRUE(activityColumns(timelineOf(one, one), 0).empty());
}

}  // namespace
}  // namespace orvelle::report
