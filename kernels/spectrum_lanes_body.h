// The lane kernel's body, for four or eight lanes, included by one
// translation unit per instruction set. Everything here has internal
// linkage, so the copies built for different instruction sets never stand in
// for each other at link time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "kernels/spectrum_lane_tables.h"

namespace orvelle {
namespace {

// The vectors of a lane width: one double per frame, and the pairs of
// samples of one frame, a 32-bit word each, whose firsts or seconds fill a
// vector once converted. Spelled out for each width, since GCC drops a
// vector size that depends on a template parameter.
template <int L>
struct LaneVectors;
template <>
struct LaneVectors<4> {
  using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
  using Pairs = std::int32_t __attribute__((vector_size(4 * sizeof(std::int32_t))));
  using UnsignedPairs = std::uint32_t __attribute__((vector_size(4 * sizeof(std::uint32_t))));
};
template <>
struct LaneVectors<8> {
  using Lanes = double __attribute__((vector_size(8 * sizeof(double))));
  using Pairs = std::int32_t __attribute__((vector_size(8 * sizeof(std::int32_t))));
  using UnsignedPairs = std::uint32_t __attribute__((vector_size(8 * sizeof(std::uint32_t))));
};

// The power spectra of L frames, one a lane. Vectors go between functions
// through references only, so none is passed by value where instruction sets
// might differ; a scalar beside a vector stands for that value in every lane.
template <int L>
class LaneKernel {
 public:
  static void run(const LaneTables& t, const std::int16_t* const* samples, double* const* power, double* lanes);

 private:
  using Lanes = typename LaneVectors<L>::Lanes;
  using Pairs = typename LaneVectors<L>::Pairs;
  using UnsignedPairs = typename LaneVectors<L>::UnsignedPairs;

  // Every other sample of one frame, L of them from `from` on: the first of
  // each pair (parity 0) or the second, converted without scaling. A pair
  // is read as one word; the wanted sample is moved to its high half, then
  // shifted down with its sign.
  static void loadParity(const std::int16_t* from, std::int32_t parity, Lanes& out) {
    Pairs pairs;
    __builtin_memcpy(&pairs, from, sizeof pairs);
    if ((parity == 0) == (std::endian::native == std::endian::little)) {
      UnsignedPairs raised;
      __builtin_memcpy(&raised, &pairs, sizeof raised);
      raised <<= 16;
      __builtin_memcpy(&pairs, &raised, sizeof pairs);
    }
    out = __builtin_convertvector(pairs >> 16, Lanes);
  }

  // One step of the transpose: of rows a and b (b the D-th after a), a keeps
  // the lanes whose bit D is clear and takes b's lanes D lower for the
  // others, b the reverse.
  template <int D, int... P>
  static void exchange(Lanes& a, Lanes& b, std::integer_sequence<int, P...>) {
    const Lanes low = __builtin_shufflevector(a, b, ((P & D) != 0 ? L + P - D : P)...);
    const Lanes high = __builtin_shufflevector(a, b, ((P & D) != 0 ? L + P : P + D)...);
    a = low;
    b = high;
  }

  // L rows of L values turned in place into their columns: afterwards
  // rows[j][r] holds what rows[r][j] held. Moves values only.
  template <int D = 1>
  static void transpose(Lanes* rows) {
    if constexpr (D < L) {
#pragma GCC unroll 8
      for (int r = 0; r < L; ++r) {
        if ((r & D) == 0) exchange<D>(rows[r], rows[r + D], std::make_integer_sequence<int, L>{});
      }
      transpose<2 * D>(rows);
    }
  }
};

template <int L>
void LaneKernel<L>::run(const LaneTables& t, const std::int16_t* const* samples, double* const* power,
                        double* lanes) {
  const std::int32_t n = std::int32_t{1} << t.exponent;
  const std::int32_t halfLength = n / 2;
  double* const x = lanes;
  auto at = [x](std::int32_t i) -> Lanes& { return *reinterpret_cast<Lanes*>(x + static_cast<std::ptrdiff_t>(i) * L); };

  // windowSamples (frame[i] = w[i] * samples[i]) and the transform's
  // permutation in one pass, over the samples of one parity: each windowed
  // value is computed as in place and written straight to where the
  // permutation moves it (the bit reversal is its own inverse). The samples
  // are read L pairs at a time from each frame and turned into L points of
  // all the frames.
  auto windowParity = [&](std::int32_t parity) {
    for (std::int32_t i = parity; i < n; i += 2 * L) {
      Lanes points[L];
#pragma GCC unroll 8
      for (int l = 0; l < L; ++l) loadParity(samples[l] + (i - parity), parity, points[l]);
      transpose(points);
#pragma GCC unroll 8
      for (int j = 0; j < L; ++j) at(t.reversal[i + 2 * j]) = t.window[i + 2 * j] * points[j];
    }
  };

  // The rest of the transform: stages 1 to 3 eight points at a time, the
  // later stages' butterflies; the scale follows as the power is taken.
  // Each runs over the points [begin, end), whole blocks of its span.
  auto firstStages = [&](std::int32_t begin, std::int32_t end) {
    const double c = t.stageCosine[t.stageOffset[3] + 1];
    const double s = t.stageSine[t.stageOffset[3] + 1];
    for (std::int32_t b = begin; b < end; b += 8) {
      const Lanes v0 = at(b), v1 = at(b + 1), v2 = at(b + 2), v3 = at(b + 3);
      const Lanes v4 = at(b + 4), v5 = at(b + 5), v6 = at(b + 6), v7 = at(b + 7);
      const Lanes s01 = v0 + v1, d01 = v0 - v1;
      const Lanes s23 = v2 + v3, d23 = v2 - v3;
      const Lanes s45 = v4 + v5, d45 = v4 - v5;
      const Lanes s67 = v6 + v7, d67 = v6 - v7;
      const Lanes e0 = s01 + s23, e2 = s01 - s23;
      const Lanes e4 = s45 + s67, e6 = s45 - s67;
      const Lanes t1 = c * d45 - s * d67;
      const Lanes t2 = c * d67 + s * d45;
      at(b) = e0 + e4;
      at(b + 4) = e0 - e4;
      at(b + 1) = d01 + t1;
      at(b + 3) = d01 - t1;
      at(b + 5) = t2 - d23;
      at(b + 7) = t2 + d23;
      at(b + 2) = e2;
      at(b + 6) = e6;
    }
  };
  // One butterfly of a later stage: a, bb, cc, d are the values at b + j,
  // b + half + j, b + half - j and b + span - j, replaced by the outputs for
  // those places in the same order.
  auto butterfly = [](double cosine, double sine, Lanes& a, Lanes& bb, Lanes& cc, Lanes& d) {
    const Lanes t1 = cosine * bb - sine * d;
    const Lanes t2 = cosine * d + sine * bb;
    const Lanes atJ = a + t1;
    const Lanes atHalfMinusJ = a - t1;
    const Lanes atHalfPlusJ = t2 - cc;
    const Lanes atSpanMinusJ = t2 + cc;
    a = atJ;
    bb = atHalfPlusJ;
    cc = atHalfMinusJ;
    d = atSpanMinusJ;
  };
  auto singleStage = [&](std::int32_t stage, std::int32_t begin, std::int32_t end) {
    const std::int32_t span = std::int32_t{1} << stage;
    const std::int32_t half = span / 2;
    const std::int32_t quarter = span / 4;
    const double* cosines = t.stageCosine + t.stageOffset[stage];
    const double* sines = t.stageSine + t.stageOffset[stage];
    for (std::int32_t b = begin; b < end; b += span) {
      const Lanes first = at(b);
      const Lanes second = at(b + half);
      at(b) = first + second;
      at(b + half) = first - second;
      for (std::int32_t j = 1; j < quarter; ++j) {
        Lanes a = at(b + j), bb = at(b + half + j), cc = at(b + half - j), d = at(b + span - j);
        butterfly(cosines[j], sines[j], a, bb, cc, d);
        at(b + j) = a;
        at(b + half + j) = bb;
        at(b + half - j) = cc;
        at(b + span - j) = d;
      }
    }
  };
  // Stages s and s + 1 in one pass: butterfly j of stage s in the two
  // halves of a stage-(s + 1) block gives exactly the inputs of that
  // block's butterflies j and H - j (H = half a stage-s span), so each
  // value is loaded and stored once for both stages and meets the same
  // operations in the same order as stage by stage.
  auto stagePair = [&](std::int32_t stage, std::int32_t begin, std::int32_t end) {
    const std::int32_t span = std::int32_t{1} << stage;  // of stage s; stage s + 1 spans twice that
    const std::int32_t half = span / 2;
    const std::int32_t quarter = span / 4;
    const double* cosines = t.stageCosine + t.stageOffset[stage];
    const double* sines = t.stageSine + t.stageOffset[stage];
    const double* nextCosines = t.stageCosine + t.stageOffset[stage + 1];
    const double* nextSines = t.stageSine + t.stageOffset[stage + 1];
    for (std::int32_t b = begin; b < end; b += 2 * span) {
      const std::int32_t b1 = b + span;
      {
        // Stage s at j = 0 in both halves; its second outputs are final.
        const Lanes x0 = at(b), y0 = at(b + half), x1 = at(b1), y1 = at(b1 + half);
        const Lanes u0 = x0 + y0;
        const Lanes u1 = x1 + y1;
        at(b + half) = x0 - y0;
        at(b1 + half) = x1 - y1;
        // Stage s + 1 at j = 0.
        at(b) = u0 + u1;
        at(b1) = u0 - u1;
      }
      {
        // Stage s + 1 at j = quarter, on the values stage s leaves as they are.
        Lanes a = at(b + quarter), bb = at(b1 + quarter), cc = at(b + 3 * quarter), d = at(b1 + 3 * quarter);
        butterfly(nextCosines[quarter], nextSines[quarter], a, bb, cc, d);
        at(b + quarter) = a;
        at(b1 + quarter) = bb;
        at(b + 3 * quarter) = cc;
        at(b1 + 3 * quarter) = d;
      }
      for (std::int32_t j = 1; j < quarter; ++j) {
        Lanes a0 = at(b + j), bb0 = at(b + half + j), cc0 = at(b + half - j), d0 = at(b + span - j);
        Lanes a1 = at(b1 + j), bb1 = at(b1 + half + j), cc1 = at(b1 + half - j), d1 = at(b1 + span - j);
        butterfly(cosines[j], sines[j], a0, bb0, cc0, d0);
        butterfly(cosines[j], sines[j], a1, bb1, cc1, d1);
        // Stage s + 1 at j: its values at b + j, b1 + j, b + span - j, b1 + span - j.
        butterfly(nextCosines[j], nextSines[j], a0, a1, d0, d1);
        // And at half - j: at b + half - j, b1 + half - j, b + half + j, b1 + half + j.
        butterfly(nextCosines[half - j], nextSines[half - j], cc0, cc1, bb0, bb1);
        at(b + j) = a0;
        at(b1 + j) = a1;
        at(b + span - j) = d0;
        at(b1 + span - j) = d1;
        at(b + half - j) = cc0;
        at(b1 + half - j) = cc1;
        at(b + half + j) = bb0;
        at(b1 + half + j) = bb1;
      }
    }
  };
  // Stages first to last over [begin, end), two at a time while two remain.
  auto stages = [&](std::int32_t first, std::int32_t last, std::int32_t begin, std::int32_t end) {
    std::int32_t stage = first;
    for (; stage + 1 <= last; stage += 2) stagePair(stage, begin, end);
    if (stage <= last) singleStage(stage, begin, end);
  };
  // Up to its last stage the transform is two transforms side by side, each
  // stage mixing points only within blocks of its span: of the even samples
  // in the first half (the bit reversal takes them there) and of the odd
  // ones in the second. So each half is windowed and taken through those
  // stages while its values stay in the first-level cache (eight lanes of
  // 512 points fill 32 KiB), and the last stage follows over both halves.
  // Independent butterflies change order only: every value meets the same
  // operations on the same inputs.
  const std::int32_t lastStage = t.exponent;
  for (std::int32_t parity = 0; parity < 2; ++parity) {
    const std::int32_t begin = parity * halfLength;
    windowParity(parity);
    firstStages(begin, begin + halfLength);
    stages(4, lastStage - 1, begin, begin + halfLength);
  }

  // The last stage and powerSpectrum in one pass. Butterfly j of the last
  // stage gives the values at j and n - j, bin j, and at half - j and
  // half + j, bin half - j; the values at quarter and half + quarter, bin
  // quarter, it leaves as they are. Each power is taken from the values as
  // they come out of the butterfly, the transform's scale applied first.
  const std::int32_t quarter = halfLength / 2;
  const double* cosines = t.stageCosine + t.stageOffset[lastStage];
  const double* sines = t.stageSine + t.stageOffset[lastStage];
  const double scale = 1.0 / halfLength;
  auto binPower = [scale](const Lanes& re, const Lanes& im, Lanes& out) {
    const Lanes low = re * scale;
    const Lanes high = im * scale;
    out = low * low + high * high;
  };
  auto scatter = [power](std::int32_t k, const Lanes& v) {
    for (int l = 0; l < L; ++l) power[l][k] = v[l];
  };
  {
    const Lanes first = at(0);
    const Lanes second = at(halfLength);
    const Lanes dc = (first + second) * scale;
    const Lanes nyquist = (first - second) * scale;
    scatter(0, dc * dc);
    scatter(halfLength, nyquist * nyquist);
    Lanes bin;
    binPower(at(quarter), at(halfLength + quarter), bin);
    scatter(quarter, bin);
  }
  // L butterflies at a time: their bins, turned from the lanes of a bin into
  // L bins of each frame, so that every frame's output takes whole stores;
  // the bins half - j run downwards with j, so they are gathered from the
  // top.
  std::int32_t j = 1;
  for (; j + L <= quarter; j += L) {
    Lanes rising[L], falling[L];
#pragma GCC unroll 8
    for (int m = 0; m < L; ++m) {
      Lanes a = at(j + m), bb = at(halfLength + j + m), cc = at(halfLength - j - m), d = at(n - j - m);
      butterfly(cosines[j + m], sines[j + m], a, bb, cc, d);
      binPower(a, d, rising[m]);
      binPower(cc, bb, falling[L - 1 - m]);
    }
    transpose(rising);
    transpose(falling);
#pragma GCC unroll 8
    for (int l = 0; l < L; ++l) {
      __builtin_memcpy(power[l] + j, &rising[l], sizeof rising[l]);
      __builtin_memcpy(power[l] + halfLength - j - (L - 1), &falling[l], sizeof falling[l]);
    }
  }
  for (; j < quarter; ++j) {
    Lanes a = at(j), bb = at(halfLength + j), cc = at(halfLength - j), d = at(n - j);
    butterfly(cosines[j], sines[j], a, bb, cc, d);
    Lanes bin;
    binPower(a, d, bin);
    scatter(j, bin);
    binPower(cc, bb, bin);
    scatter(halfLength - j, bin);
  }
}

}  // namespace
}  // namespace orvelle
