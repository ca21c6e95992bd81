#include "analyzer/prepared_activity.h"

#include "analyzer/activity_flags.h"

namespace orvelle {

bool PreparedActivity::start(const std::int16_t* samples, std::int32_t count) {
  detection_.wait();
  samples_ = nullptr;
  count_ = 0;
  flags_.reset();
  if (samples == nullptr || count <= 0) return false;
  SampleArray flags = zeroedArray(activityFlagCount(count));
  if (!flags) return false;
  std::int16_t* into = flags.get();
  if (!detection_.start([samples, count, into] { detectActivity(samples, count, into); })) return false;
  samples_ = samples;
  count_ = count;
  flags_ = std::move(flags);
  return true;
}

SampleArray PreparedActivity::take() {
  detection_.wait();
  samples_ = nullptr;
  count_ = 0;
  return std::move(flags_);
}

}  // namespace orvelle
