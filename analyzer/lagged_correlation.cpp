#include "analyzer/lagged_correlation.h"

#include <fftw3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

#include "kernels/kernel_table.h"

namespace orvelle {

namespace {

// FFTW's planner keeps global state and may run in one thread only; runs of
// several analyzers (a league's parallel jobs) plan through this lock.
std::mutex plannerLock;

struct FftwFree {
  void operator()(void* memory) const { fftw_free(memory); }
};
template <typename T>
using FftwArray = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwArray<T> fftwArray(std::size_t count) {
  FftwArray<T> array(static_cast<T*>(fftw_malloc(sizeof(T) * count)));
  if (!array) throw std::bad_alloc();
  return array;
}

// The two transforms of one length. Planning one takes several times as
// long as running it, so each length is planned once for the whole run of
// the program; running a plan only reads it, and any number of threads may
// run one at once on arrays of their own.
struct Transforms {
  fftw_plan forward = nullptr;
  fftw_plan backward = nullptr;

  Transforms() = default;
  Transforms(const Transforms&) = delete;
  Transforms& operator=(const Transforms&) = delete;
  ~Transforms() {
    if (forward != nullptr) fftw_destroy_plan(forward);
    if (backward != nullptr) fftw_destroy_plan(backward);
  }
};

const Transforms& transformsFor(std::size_t length) {
  static std::map<std::size_t, Transforms> planned;  // under plannerLock
  const std::lock_guard<std::mutex> lock(plannerLock);
  const auto [entry, added] = planned.try_emplace(length);
  if (!added) return entry->second;
  // Planned on arrays from the same allocator as every later block, so
  // that they share the alignment the plans were made for.
  const FftwArray<double> block = fftwArray<double>(length);
  const FftwArray<fftw_complex> spectrum = fftwArray<fftw_complex>(length / 2 + 1);
  Transforms& transforms = entry->second;
  const int n = static_cast<int>(length);
  transforms.forward = fftw_plan_dft_r2c_1d(n, block.get(), spectrum.get(), FFTW_ESTIMATE);
  transforms.backward = fftw_plan_dft_c2r_1d(n, spectrum.get(), block.get(), FFTW_ESTIMATE);
  if (transforms.forward == nullptr || transforms.backward == nullptr) {
    planned.erase(entry);
    throw std::bad_alloc();
  }
  return transforms;
}

// to[i] = from[i] for i < count.
void convertSamples(const std::int16_t* from, double* to, std::size_t count) {
  std::size_t i = 0;
  if (const auto kernel = kernels().convertSamples) i = kernel(from, to, count);
  for (; i < count; ++i) to[i] = static_cast<double>(from[i]);
}

// a[k] = conj(a[k]) * b[k] for k in [from, bins), as the complex product
// takes it for finite values: (ar br - (-ai) bi) + i (ar bi + (-ai) br).
void conjugateProduct(fftw_complex* a, const fftw_complex* b, std::size_t from, std::size_t bins) {
  for (std::size_t k = from; k < bins; ++k) {
    const double ar = a[k][0];
    const double ai = -a[k][1];
    const double br = b[k][0];
    const double bi = b[k][1];
    a[k][0] = ar * br - ai * bi;
    a[k][1] = ar * bi + ai * br;
  }
}

void conjugateProduct(fftw_complex* a, const fftw_complex* b, std::size_t bins) {
  std::size_t k = 0;
  if (const auto kernel = kernels().conjugateProduct) k = kernel(&a[0][0], &b[0][0], bins);
  conjugateProduct(a, b, k, bins);
}

// block[i] = samples[offset + i] for i in [begin, end), zero elsewhere in
// [0, total).
template <typename Sample>
void fillBlock(std::span<const Sample> samples, std::ptrdiff_t offset, std::ptrdiff_t begin, std::ptrdiff_t end,
               std::ptrdiff_t total, double* block) {
  std::fill(block, block + begin, 0.0);
  // offset may be negative; offset + begin never is.
  const Sample* from = samples.data() + (offset + begin);
  if constexpr (std::is_same_v<Sample, std::int16_t>) {
    convertSamples(from, block + begin, static_cast<std::size_t>(end - begin));
  } else {
    std::copy(from, from + (end - begin), block + begin);
  }
  std::fill(block + end, block + total, 0.0);
}

// Whether samples[offset + i] is zero for every i in [begin, end).
template <typename Sample>
bool allZero(std::span<const Sample> samples, std::ptrdiff_t offset, std::ptrdiff_t begin, std::ptrdiff_t end) {
  const Sample* from = samples.data() + offset;
  return std::all_of(from + begin, from + end, [](Sample s) { return s == 0; });
}

std::size_t transformLengthFor(std::int32_t maxLag) {
  // At least four times the lag span, so that most of each block is signal
  // rather than the margin it overlaps its neighbours by.
  std::size_t length = 1024;
  while (length < 4 * (2 * static_cast<std::size_t>(maxLag) + 1)) length *= 2;
  return length;
}

template <typename Sample>
std::vector<double> correlate(std::span<const Sample> a, std::span<const Sample> b, std::int32_t maxLag) {
  std::vector<double> result(2 * static_cast<std::size_t>(maxLag) + 1, 0.0);
  if (a.empty() || maxLag < 0) return result;
  const std::size_t length = transformLengthFor(maxLag);
  const std::size_t bins = length / 2 + 1;
  const std::size_t span = 2 * static_cast<std::size_t>(maxLag);
  const std::size_t block = length - span;
  const auto count = static_cast<std::ptrdiff_t>(std::min(a.size(), b.size()));

  const FftwArray<double> blockA = fftwArray<double>(length);
  const FftwArray<double> blockB = fftwArray<double>(length);
  const FftwArray<fftw_complex> spectrumA = fftwArray<fftw_complex>(bins);
  const FftwArray<fftw_complex> spectrumB = fftwArray<fftw_complex>(bins);
  const Transforms& transforms = transformsFor(length);
  // The length is a power of two, so that a product with its inverse rounds
  // the same real number as the quotient does: the same bits, without the
  // divider.
  const double inverseLength = 1.0 / static_cast<double>(length);

  for (std::ptrdiff_t start = 0; start < count; start += static_cast<std::ptrdiff_t>(block)) {
    // blockA: a[start .. start + block), zero-padded; blockB: b from
    // start - maxLag on, span + block samples, so that with no wrap-around
    // entry k of the circular correlation is lag k - maxLag.
    const auto total = static_cast<std::ptrdiff_t>(length);
    const std::ptrdiff_t aEnd = std::min(static_cast<std::ptrdiff_t>(block), count - start);
    const std::ptrdiff_t bBegin = std::clamp<std::ptrdiff_t>(maxLag - start, 0, total);
    const std::ptrdiff_t bEnd = std::clamp<std::ptrdiff_t>(count - start + maxLag, bBegin, total);
    // A block of silence in either signal adds only zeros to every lag (the
    // transforms of zeros are zeros), and the sums, which start at +0, are
    // never -0, so a zero of either sign leaves them as they are. The
    // silence that follows every voice file is skipped so.
    if (allZero(a, start, 0, aEnd) || allZero(b, start - maxLag, bBegin, bEnd)) continue;
    fillBlock(a, start, 0, aEnd, total, blockA.get());
    fillBlock(b, start - maxLag, bBegin, bEnd, total, blockB.get());
    fftw_execute_dft_r2c(transforms.forward, blockA.get(), spectrumA.get());
    fftw_execute_dft_r2c(transforms.forward, blockB.get(), spectrumB.get());
    conjugateProduct(spectrumA.get(), spectrumB.get(), bins);
    fftw_execute_dft_c2r(transforms.backward, spectrumA.get(), blockA.get());
    for (std::size_t k = 0; k <= span; ++k) result[k] += blockA[k] * inverseLength;
  }
  return result;
}

}  // namespace

std::vector<double> laggedCorrelation(std::span<const std::int16_t> a, std::span<const std::int16_t> b,
                                      std::int32_t maxLag) {
  return correlate(a, b, maxLag);
}

std::vector<double> laggedCorrelation(std::span<const double> a, std::span<const double> b, std::int32_t maxLag) {
  return correlate(a, b, maxLag);
}

}  // namespace orvelle
