#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvelle::python {

// One side of a measurement as the caller gave it: a voice file's path, or
// samples in memory (an int16 array taken as it is, or a float array scaled,
// rounded and clipped to 16 bits).
class VoiceInput {
 public:
  // Takes `value` (a path as str or os.PathLike, or a 1-D numpy array) for
  // the side named `role` ("source", "processed"); raises orvelle.InputError
  // for anything else, naming the role. Called with the GIL held.
  VoiceInput(pybind11::handle value, std::optional<double> scale, const std::string& role);
  // The samples may point into the input itself.
  VoiceInput(const VoiceInput&) = delete;
  VoiceInput& operator=(const VoiceInput&) = delete;

  bool isPath() const { return path_.has_value(); }
  const std::string& path() const { return *path_; }
  std::span<const std::int16_t> samples() const { return samples_; }
  // For a scaled float array: how many samples lay beyond the 16-bit range
  // and what the scaling did, in words.
  bool scaled() const { return scaled_; }
  std::int64_t clippedSamples() const { return clippedSamples_; }
  std::string scalingNote() const;
  // "a float64 array of 80000 samples", or the path: what a report names.
  std::string description() const;

 private:
  std::string role_;
  std::optional<std::string> path_;
  pybind11::array_t<std::int16_t> held_;  // keeps an int16 array alive and unmoved
  std::vector<std::int16_t> converted_;
  std::span<const std::int16_t> samples_;
  std::string dtypeName_;
  double scale_ = 0.0;
  bool scaled_ = false;
  std::int64_t clippedSamples_ = 0;
};

}  // namespace orvelle::python
