#pragma once

#include <cstdint>
#include <string>

namespace orvelle {

// Where the synthesiser's samples go, band by band. The synthesiser hands over
// each run of samples, says when a modulation segment is finished (for
// progress) and when a band's samples are complete (its silence follows).
class SynthesizerOutput {
 public:
  virtual ~SynthesizerOutput() = default;

  // Where the next `count` samples can be made in place, so that handing
  // them over with put() copies nothing; null if they must be made elsewhere.
  virtual std::int16_t* place(std::int64_t count) = 0;
  // False stops the run (the output keeps the reason).
  virtual bool put(const std::int16_t* samples, std::int32_t count) = 0;
  virtual void segmentFinished() = 0;
  // Adds the second of silence after a band. False stops the run.
  virtual bool bandFinished() = 0;
};

// The progress caption both outputs show, for a percentage.
std::string synthesizerProgressCaption(double percent);

}  // namespace orvelle
