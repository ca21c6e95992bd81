#pragma once

namespace orvelle {

// The release that made a result, "major.minor.patch" from the build.
const char* programVersion();

// Raised whenever a change could alter a score for the same input (the
// measure, its kernels, the reading or resampling of speech); a stored result
// with the same measure version as this build is comparable bit for bit.
inline constexpr int kMeasureVersion = 1;

}  // namespace orvelle
