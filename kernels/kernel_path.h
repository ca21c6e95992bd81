#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvelle {

// The sets of instructions the vector kernels come in, plainest first:
// - reference: the one-at-a-time scalar code beside each caller, which
//   defines every result;
// - baseline: the portable lanes (GCC vectors of two or four doubles) with
//   no instruction beyond what the build's target always has, so SSE2 on
//   x86-64 and Advanced SIMD on aarch64;
// - avx2: four doubles a register, with fused multiply-adds where a kernel
//   proves them exact (x86-64 with AVX2 and FMA);
// - avx512: avx2, and eight frames at once for the spectra (AVX-512F).
// Every path gives the same bits; they differ only in speed.
enum class KernelPath { reference, baseline, avx2, avx512 };

inline constexpr KernelPath kEveryKernelPath[] = {KernelPath::reference, KernelPath::baseline, KernelPath::avx2,
                                                  KernelPath::avx512};

// The name ORVELLE_KERNELS takes for the path.
std::string_view kernelPathName(KernelPath path);

// Whether this build has the path and the processor at hand runs it.
bool processorRuns(KernelPath path);

// The paths processorRuns, plainest first.
std::vector<KernelPath> availableKernelPaths();

// The path ORVELLE_KERNELS asks for, given its value (null or empty: not
// set, so the best path this processor runs), or why it cannot be had.
struct KernelChoice {
  KernelPath path = KernelPath::reference;
  std::string refusal;  // empty when the path can run
};
KernelChoice chooseKernelPath(const char* requested);

// The refusal of this run's ORVELLE_KERNELS, or an empty string: for
// programs, which check it before any work and exit with status 2.
std::string kernelChoiceRefusal();

// The path of this run, decided once, at first use, from ORVELLE_KERNELS.
// A refused choice ends the program with status 2 after saying why: a run
// measured on another path than the one asked for would defeat the switch.
KernelPath activeKernelPath();

}  // namespace orvelle
