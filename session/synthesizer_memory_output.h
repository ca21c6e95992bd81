#pragma once

#include <cstdint>

#include "session/progress_dialog.h"
#include "session/synthesizer_output.h"

namespace orvelle {

// Lays the signal out in a caller's zero-filled buffer from its start, and
// shows how many samples are done against the progress range the caller has
// already set. The silences after the bands are left as the buffer holds them.
class SynthesizerMemoryOutput : public SynthesizerOutput {
 public:
  // Reads the progress range from `dialog` (which may be null) now.
  SynthesizerMemoryOutput(std::int16_t* buffer, ProgressDialog* dialog);

  // The buffer itself: samples made there are in place already.
  std::int16_t* place(std::int64_t count) override;
  bool put(const std::int16_t* samples, std::int32_t count) override;
  void segmentFinished() override;
  bool bandFinished() override;

 private:
  std::int16_t* buffer_;
  ProgressDialog* dialog_;
  std::int32_t rangeUpper_ = 0;
  std::int64_t written_ = 0;  // samples, silences included
};

}  // namespace orvelle
