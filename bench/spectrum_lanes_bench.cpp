// Power spectra of 1024-sample analysis frames, per frame, on each kernel
// path the processor runs, or on the one ORVELLE_KERNELS names: eight frames
// of noise taken a lane set at a time (twice four, or once eight).
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "analyzer/spectral_front_end.h"
#include "analyzer/spectrum_lanes.h"
#include "kernels/kernel_path.h"

namespace {

void BM_LaneSpectra(benchmark::State& state) {
  const auto path = static_cast<orvelle::KernelPath>(state.range(0));
  orvelle::SpectralFrontEnd frontEnd;
  frontEnd.setUp(orvelle::kAnalysisExponent);
  frontEnd.setSampleRate(orvelle::kAnalysisSampleRateHz);
  frontEnd.setAnalysisWindow();

  constexpr int kFrames = orvelle::kMostSpectrumLanes;
  std::vector<std::int16_t> signal(kFrames * orvelle::kAnalysisFrameLength);
  std::uint32_t seed = 12345u;
  for (auto& sample : signal) {
    seed = seed * 1664525u + 1013904223u;
    sample = static_cast<std::int16_t>(seed >> 16);
  }
  const std::int16_t* frames[kFrames];
  double* power[kFrames];
  auto work = std::make_unique<orvelle::FrameWorkArea>();
  for (int l = 0; l < kFrames; ++l) {
    frames[l] = signal.data() + l * orvelle::kAnalysisFrameLength;
    power[l] = work->lanePower[static_cast<std::size_t>(l)].data();
  }
  const int lanes = orvelle::laneCount(path);
  for (auto _ : state) {
    for (int first = 0; first < kFrames; first += lanes) {
      orvelle::laneSpectra(frontEnd, path, frames + first, power + first, *work);
    }
    benchmark::DoNotOptimize(power[kFrames - 1][1]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

void kernelPaths(benchmark::internal::Benchmark* registered) {
  if (std::getenv("ORVELLE_KERNELS") != nullptr) {
    registered->Arg(static_cast<int>(orvelle::activeKernelPath()));
    return;
  }
  for (const orvelle::KernelPath path : orvelle::availableKernelPaths()) registered->Arg(static_cast<int>(path));
}

BENCHMARK(BM_LaneSpectra)->ArgName("path")->Apply(kernelPaths);

}  // namespace
