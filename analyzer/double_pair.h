#pragma once

#include <cstring>

namespace orvelle {

// Two doubles operated on element by element: the same IEEE operations as
// scalar code, two at a time, with the same result on every compiler and
// target (the build never contracts a * b + c into a fused operation).
using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

inline DoublePair loadPair(const double* p) {
  DoublePair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void storePair(double* p, DoublePair v) { std::memcpy(p, &v, sizeof v); }

inline DoublePair reversed(DoublePair v) { return DoublePair{v[1], v[0]}; }

inline DoublePair splat(double value) { return DoublePair{value, value}; }

}  // namespace orvelle
