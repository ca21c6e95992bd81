#include "voice_input.h"

#include <cstdio>

#include "audio_io/scaled_voice.h"
#include "python_errors.h"

namespace py = pybind11;

namespace orvelle::python {

namespace {

using Int16Array = py::array_t<std::int16_t, py::array::c_style | py::array::forcecast>;

std::string number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// A path as os.fspath gives it; bytes are decoded as the file system does.
std::optional<std::string> pathOf(py::handle value) {
  if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value) && !py::hasattr(value, "__fspath__")) {
    return std::nullopt;
  }
  const py::module_ os = py::module_::import("os");
  return os.attr("fsdecode")(os.attr("fspath")(value)).cast<std::string>();
}

template <typename Value>
void scaleInto(const py::array& array, double scale, const std::string& what, ScaledVoice& out) {
  const auto values = py::array_t<Value, py::array::c_style | py::array::forcecast>::ensure(array);
  std::string reason;
  bool ok = false;
  {
    py::gil_scoped_release release;
    ok = scaleToVoice(std::span<const Value>(values.data(), static_cast<std::size_t>(values.size())), scale, what, out,
                      reason);
  }
  if (!ok) raiseInputError(reason);
}

}  // namespace

VoiceInput::VoiceInput(py::handle value, std::optional<double> scale, const std::string& role) : role_(role) {
  if (value.is_none()) raiseInputError("The " + role + " is None; give a 1-D numpy array or a path");
  if ((path_ = pathOf(value))) {
    if (path_->empty()) raiseInputError("The " + role + " path is empty");
    if (scale) raiseInputError("scale= applies to float arrays; the " + role + " is a path");
    return;
  }
  if (!py::isinstance<py::array>(value)) {
    raiseInputError("The " + role + " must be a 1-D numpy array or a path, not " +
                    py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>());
  }
  const auto array = py::reinterpret_borrow<py::array>(value);
  dtypeName_ = py::str(array.dtype()).cast<std::string>();
  if (array.ndim() != 1) {
    raiseInputError("The " + role + " array has " + std::to_string(array.ndim()) +
                    " dimensions; one channel of samples, a 1-D array, is needed");
  }
  // Either byte order: the values are what counts.
  const char kind = array.dtype().kind();
  const auto size = array.dtype().itemsize();
  const bool isInt16 = kind == 'i' && size == 2;
  const bool isFloat = kind == 'f' && (size == 4 || size == 8);
  if (isInt16) {
    if (scale) raiseInputError("scale= applies to float arrays; the " + role + " array is int16 already");
    held_ = Int16Array::ensure(array);
    samples_ = {held_.data(), static_cast<std::size_t>(held_.size())};
    return;
  }
  if (!isFloat) {
    raiseInputError("The " + role + " array holds " + dtypeName_ +
                    "; give int16 samples, or float32/float64 with scale=");
  }
  if (!scale) {
    raiseInputError("The " + role + " array holds " + dtypeName_ +
                    "; say how to map it to 16 bits with scale= (32768 for samples in [-1, 1))");
  }
  ScaledVoice voice;
  if (size == 4) {
    scaleInto<float>(array, *scale, role + " samples", voice);
  } else {
    scaleInto<double>(array, *scale, role + " samples", voice);
  }
  converted_ = std::move(voice.samples);
  samples_ = converted_;
  clippedSamples_ = voice.clippedSamples;
  scale_ = *scale;
  scaled_ = true;
}

std::string VoiceInput::scalingNote() const {
  return "The " + role_ + " samples (" + dtypeName_ + ") were scaled by " + number(scale_) + " to 16 bits; " +
         std::to_string(clippedSamples_) + (clippedSamples_ == 1 ? " sample" : " samples") + " clipped";
}

std::string VoiceInput::description() const {
  if (path_) return *path_;
  return "a " + dtypeName_ + " array of " + std::to_string(samples_.size()) + " samples";
}

}  // namespace orvelle::python
