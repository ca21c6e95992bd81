#pragma once

#include <cstdint>

#include "analyzer/beside_thread.h"
#include "platform/sample_array.h"

namespace orvelle {

// The speech activity of one signal, classified on a thread of its own ahead
// of the run that needs it, for instance while a codec in another process
// recodes that signal. The samples must stay as they are, and alive, until
// the flags are taken or the value ends; ending it waits for the thread.
class PreparedActivity {
 public:
  PreparedActivity() = default;
  PreparedActivity(const PreparedActivity&) = delete;
  PreparedActivity& operator=(const PreparedActivity&) = delete;

  // Starts classifying `count` samples of `samples` as detectActivity does.
  // Returns false, having started nothing, when there is nothing to
  // classify or no memory or thread to be had.
  bool start(const std::int16_t* samples, std::int32_t count);
  // Whether it classifies exactly these samples.
  bool isFor(const std::int16_t* samples, std::int32_t count) const {
    return samples_ != nullptr && samples == samples_ && count == count_;
  }
  // Waits for the classification and hands over its flags
  // (activityFlagCount(count) entries).
  SampleArray take();

 private:
  const std::int16_t* samples_ = nullptr;
  std::int32_t count_ = 0;
  SampleArray flags_;
  // Last, so that it is waited for before the flags it writes go.
  BesideThread detection_;
};

}  // namespace orvelle
