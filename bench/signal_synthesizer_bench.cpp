// Synthesis time of the internal source, one core. The goal is the Long
// signal (26.8 million samples) in under 4 s.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "session/kaiser_band_pass.h"
#include "session/signal_synthesizer.h"
#include "session/synthesizer_noise.h"

namespace {

void internalSource(benchmark::State& state, std::int32_t sizeType) {
  orvelle::SignalSynthesizer synthesizer;
  const std::int32_t length = synthesizer.signalLength(160, sizeType);
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(length));
  for (auto _ : state) {
    synthesizer.generateInternalSource(buffer.data(), nullptr, sizeType);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * length);
}

void BM_InternalSourceShort(benchmark::State& state) { internalSource(state, 0); }
void BM_InternalSourceNormal(benchmark::State& state) { internalSource(state, 1); }
void BM_InternalSourceLong(benchmark::State& state) { internalSource(state, 2); }

// The convolution alone, for the longest filter the plans use (551 taps).
void BM_FilterBlock551Taps(benchmark::State& state) {
  orvelle::KaiserBandPass filter;
  filter.design(8000, 169, 181, 219, 231, 20);
  std::vector<double> input(8000);
  orvelle::SynthesizerNoise noise;
  for (double& x : input) x = noise.next() * 1.5;
  std::vector<double> output(input.size());
  for (auto _ : state) {
    filter.filterBlock(input.data(), output.data(), static_cast<std::int32_t>(input.size()));
    benchmark::DoNotOptimize(output.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
  state.counters["taps"] = filter.tapCount();
}

}  // namespace

BENCHMARK(BM_InternalSourceShort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InternalSourceNormal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InternalSourceLong)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FilterBlock551Taps)->Unit(benchmark::kMicrosecond);
