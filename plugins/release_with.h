#pragma once

namespace orvelle::plugins {

// A deleter for std::unique_ptr that hands a codec library's object back to
// the library's own release function.
template <auto release>
struct ReleaseWith {
  template <typename Object>
  void operator()(Object* object) const {
    release(object);
  }
};

}  // namespace orvelle::plugins
