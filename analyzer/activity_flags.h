#pragma once

#include <cstddef>
#include <cstdint>

namespace orvelle {

// Speech activity of a signal, one flag (0 or 1) per 80-sample frame:
// flag k covers samples 80k to 80k + 79.
inline constexpr std::int32_t kActivityFrameLength = 80;
// Speech decisions are smoothed over blocks of this many frames.
inline constexpr std::int32_t kHangoverBlockFrames = 8;
// Spare flags past the last whole frame, so that the last smoothing block
// may run past the detector frames without leaving the array.
inline constexpr std::int32_t kSpareActivityFlags = 50;

// Size of a flag array for a signal of `sampleCount` samples.
std::size_t activityFlagCount(std::int32_t sampleCount);

// Frames the detector classifies: none while the signal is no longer than
// one analysis frame, and never one that starts in its last 1024 samples.
std::int32_t detectorFrameCount(std::int32_t sampleCount);

// Classifies the frames of `samples` with a fresh detector into `flags`
// (activityFlagCount entries, zero on entry) and smooths them in blocks.
void detectActivity(const std::int16_t* samples, std::int32_t sampleCount, std::int16_t* flags);

// detectActivity of two signals of the same length on this thread, their
// two detectors advancing frame by frame side by side.
void detectActivityPair(const std::int16_t* first, const std::int16_t* second, std::int32_t sampleCount,
                        std::int16_t* firstFlags, std::int16_t* secondFlags);

// Sets each block of eight flags (the last block may reach past frameCount)
// to 1 if any of its flags is set, else to 0.
void applyHangover(std::int16_t* flags, std::int32_t frameCount);

// Compares the two signals' flags over the whole 80-sample frames of the
// signal and leaves their union in sourceFlags. Returns the share of frames
// whose flags agree; a signal without a whole frame has nothing to disagree
// on and gives 1.
double mergeActivity(std::int16_t* sourceFlags, const std::int16_t* processedFlags, std::int32_t sampleCount);

}  // namespace orvelle
