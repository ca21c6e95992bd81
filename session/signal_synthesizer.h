#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/progress_dialog.h"
#include "session/signal_plans.h"

namespace orvelle {

// Synthesises the test signal: for every band of a plan, white noise cut to
// the band and loudness-modulated by a slow sine through a list of rates,
// followed by one second of silence. The same samples go either into memory
// (the internal source of a codec test) or into a voice file (the test
// signal). Fully deterministic: a plan always gives the same samples.
class SynthesizerOutput;

class SignalSynthesizer {
 public:
  SignalSynthesizer() = default;

  // Samples of the internal source for a test with this frame size: the
  // signal, then frameSize + 41024 samples of silence. Returns -1 for an
  // unknown size type or a frame size that makes the count overflow.
  std::int32_t signalLength(std::int32_t frameSize, std::int32_t sizeType);

  // Writes the signal of the size type into `buffer` from its start. The
  // buffer must hold at least signalLength() samples and come zero-filled:
  // only the noise samples are written, the silences after the bands and at
  // the end keep what the buffer holds. Moves the progress bar
  // (against the range already set) and the caption after every segment;
  // `dialog` may be null. An unknown size type writes nothing.
  void generateInternalSource(std::int16_t* buffer, ProgressDialog* dialog, std::int32_t sizeType);
  void generateInternalSource(std::int16_t* buffer, ProgressDialog* dialog, const SignalPlan& plan);

  // Writes the signal of the size type as a new voice file (headerless 16-bit
  // little-endian samples). Sets the progress range to bands × segments and
  // reports each finished segment; `dialog` may be null. Returns false, with
  // failureReason() naming the file, if the file can't be created, written
  // or closed, or a band filter can't be designed.
  bool writeTestSignal(const std::string& filePath, ProgressDialog* dialog, std::int32_t sizeType);
  bool writeTestSignal(const std::string& filePath, ProgressDialog* dialog, const SignalPlan& plan);

  // How many threads make each band's samples, side by side, each its own
  // stretch of the band; 0 (the default) means one per core. The samples are
  // the same whatever the count.
  void setThreads(std::int32_t threads) { threads_ = threads; }

  // Why the last run failed.
  const std::string& failureReason() const { return failureReason_; }

  // The modulation sine. setModulation starts a segment of `length` samples
  // at `frequencyHz`: the sample index carries on from the previous segment,
  // less that segment's length, so each segment plays the last part of a
  // stretch of the sine.
  void setModulation(double frequencyHz, std::int32_t length);
  // The next value of the sine; advances the index.
  double nextModulation();

  std::int32_t modulationIndex() const { return modulationIndex_; }
  double modulationStep() const { return modulationStep_; }

 private:
  // The modulation values of one band, in sample order, and the
  // synthesiser's state before and after them.
  struct BandModulation {
    std::vector<double> values;
    std::int32_t firstIndex = 0;  // index the first segment starts at
    std::int32_t endIndex = 0;
    double endStep = 0.0;
  };

  void reset();
  // Runs the modulation sine through every segment of a band into `played`,
  // or replays it (returning true) when the band starts where the played one
  // did.
  bool playBandModulation(const SignalPlan& plan, BandModulation& played);
  // Whether a band whose sine starts from `index` replays `played`.
  static bool replaysModulation(const SignalPlan& plan, const BandModulation& played, std::int32_t index);
  // Records why the band's filter could not be designed; returns false.
  bool designFailed(const NoiseBand& band, std::int32_t taps);
  // The band loop common to both outputs; false if it stopped early.
  bool run(const SignalPlan& plan, SynthesizerOutput& output);

  std::int32_t modulationIndex_ = 0;
  double modulationStep_ = 0.0;  // radians per sample
  std::string failureReason_;
  std::int32_t threads_ = 0;
};

}  // namespace orvelle
