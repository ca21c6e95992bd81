#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/atomic_output_file.h"
#include "session/progress_dialog.h"
#include "session/synthesizer_output.h"

namespace orvelle {

// Writes the signal as a voice file, in blocks of one second, and shows which
// segment of the run has finished. A name ending in ".wav" gets an 8000 Hz
// mono 16-bit WAV file, whose samples are kept until the close encodes them. The file appears only when it is closed
// whole; until then any file already at its path stays as it was.
class SynthesizerFileOutput : public SynthesizerOutput {
 public:
  static constexpr std::int32_t kBlockSamples = 8000;

  // `segmentTotal` is bands × segments of the plan; `dialog` may be null.
  SynthesizerFileOutput(ProgressDialog* dialog, std::int32_t segmentTotal);

  // Starts the file. False if `path` can't be written.
  bool open(const std::string& path);
  // Puts the finished file at its path. False if anything written since
  // open() did not reach it; nothing is left behind then.
  bool close();

  // Samples go to the file in blocks, so they are made elsewhere.
  std::int16_t* place(std::int64_t) override { return nullptr; }
  bool put(const std::int16_t* samples, std::int32_t count) override;
  void segmentFinished() override;
  bool bandFinished() override;

  const std::string& failureReason() const { return failureReason_; }

 private:
  bool writeBytes(const unsigned char* bytes, std::size_t size);
  bool flushBlock();

  ProgressDialog* dialog_;
  std::int32_t segmentTotal_;
  std::int32_t segmentsDone_ = 0;
  platform::AtomicOutputFile file_;
  // Little-endian sample bytes, whatever the host's byte order.
  std::array<unsigned char, 2 * kBlockSamples> block_{};
  std::size_t blockBytes_ = 0;
  bool wav_ = false;
  std::vector<std::int16_t> wavSamples_;
  std::string failureReason_;
};

}  // namespace orvelle
