// The lane kernel's body, included by one translation unit per instruction
// set. Everything here has internal linkage, so the copies built for
// different instruction sets never stand in for each other at link time.
#pragma once

#include <cstdint>

#include "analyzer/spectrum_lanes.h"

namespace orvelle {
namespace {

using Lanes = double __attribute__((vector_size(kSpectrumLanes * sizeof(double))));

// Lane operations through memory only, so that no vector is passed by value
// between functions whose instruction sets might differ.
#define ORVELLE_LANES_AT(p) (*reinterpret_cast<Lanes*>(p))

#define ORVELLE_LANES_OF(value) (Lanes{(value), (value), (value), (value)})

void laneSpectraKernel(const LaneTables& t, const std::int16_t* const* samples, double* const* power, double* lanes) {
  constexpr int L = kSpectrumLanes;
  const std::int32_t n = std::int32_t{1} << t.exponent;
  const std::int32_t halfLength = n / 2;
  double* const x = lanes;
  auto at = [x](std::int32_t i) -> Lanes& { return ORVELLE_LANES_AT(x + static_cast<std::ptrdiff_t>(i) * L); };

  // windowSamples (frame[i] = w[i] * samples[i]) and the transform's
  // permutation in one pass: each windowed value is computed as in place and
  // written straight to where the permutation moves it (the bit reversal is
  // its own inverse). The samples are read four at a time from each frame
  // and turned into four points of all the frames.
  static_assert(L == 4, "the transpose below turns four frames into four lanes");
  using Samples = std::int16_t __attribute__((vector_size(4 * sizeof(std::int16_t))));
  using Widened = std::int32_t __attribute__((vector_size(4 * sizeof(std::int32_t))));
  const std::int16_t* const s0 = samples[0];
  const std::int16_t* const s1 = samples[1];
  const std::int16_t* const s2 = samples[2];
  const std::int16_t* const s3 = samples[3];
  auto fourOf = [](const std::int16_t* from, Lanes& out) {
    Samples raw;
    __builtin_memcpy(&raw, from, sizeof raw);
    out = __builtin_convertvector(__builtin_convertvector(raw, Widened), Lanes);
  };
  for (std::int32_t i = 0; i < n; i += 4) {
    Lanes c[4];
    fourOf(s0 + i, c[0]);
    fourOf(s1 + i, c[1]);
    fourOf(s2 + i, c[2]);
    fourOf(s3 + i, c[3]);
    const Lanes t0 = __builtin_shufflevector(c[0], c[1], 0, 4, 2, 6);
    const Lanes t1 = __builtin_shufflevector(c[0], c[1], 1, 5, 3, 7);
    const Lanes t2 = __builtin_shufflevector(c[2], c[3], 0, 4, 2, 6);
    const Lanes t3 = __builtin_shufflevector(c[2], c[3], 1, 5, 3, 7);
    at(t.reversal[i]) = ORVELLE_LANES_OF(t.window[i]) * __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    at(t.reversal[i + 1]) = ORVELLE_LANES_OF(t.window[i + 1]) * __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    at(t.reversal[i + 2]) = ORVELLE_LANES_OF(t.window[i + 2]) * __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    at(t.reversal[i + 3]) = ORVELLE_LANES_OF(t.window[i + 3]) * __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
  }

  // The rest of the transform: stages 1 to 3 block by block, the later
  // stages' butterflies; the scale follows as the power is taken.
  {
    const Lanes c = ORVELLE_LANES_OF(t.stageCosine[t.stageOffset[3] + 1]);
    const Lanes s = ORVELLE_LANES_OF(t.stageSine[t.stageOffset[3] + 1]);
    for (std::int32_t b = 0; b < n; b += 8) {
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
  }
  // One butterfly of a later stage: a, bb, cc, d are the values at b + j,
  // b + half + j, b + half - j and b + span - j, replaced by the outputs for
  // those places in the same order.
  auto butterfly = [](double cosine, double sine, Lanes& a, Lanes& bb, Lanes& cc, Lanes& d) {
    const Lanes c = ORVELLE_LANES_OF(cosine);
    const Lanes s = ORVELLE_LANES_OF(sine);
    const Lanes t1 = c * bb - s * d;
    const Lanes t2 = c * d + s * bb;
    const Lanes atJ = a + t1;
    const Lanes atHalfMinusJ = a - t1;
    const Lanes atHalfPlusJ = t2 - cc;
    const Lanes atSpanMinusJ = t2 + cc;
    a = atJ;
    bb = atHalfPlusJ;
    cc = atHalfMinusJ;
    d = atSpanMinusJ;
  };
  auto singleStage = [&](std::int32_t stage) {
    const std::int32_t span = std::int32_t{1} << stage;
    const std::int32_t half = span / 2;
    const std::int32_t quarter = span / 4;
    const double* cosines = t.stageCosine + t.stageOffset[stage];
    const double* sines = t.stageSine + t.stageOffset[stage];
    for (std::int32_t b = 0; b < n; b += span) {
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
  auto stagePair = [&](std::int32_t stage) {
    const std::int32_t span = std::int32_t{1} << stage;  // of stage s; stage s + 1 spans twice that
    const std::int32_t half = span / 2;
    const std::int32_t quarter = span / 4;
    const double* cosines = t.stageCosine + t.stageOffset[stage];
    const double* sines = t.stageSine + t.stageOffset[stage];
    const double* nextCosines = t.stageCosine + t.stageOffset[stage + 1];
    const double* nextSines = t.stageSine + t.stageOffset[stage + 1];
    for (std::int32_t b = 0; b < n; b += 2 * span) {
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
  std::int32_t stage = 4;
  for (; stage + 1 <= t.exponent; stage += 2) stagePair(stage);
  if (stage <= t.exponent) singleStage(stage);

  // powerSpectrum, each lane into its own output.
  static_assert(L == 4, "the scatter below writes four lanes");
  double* const p0 = power[0];
  double* const p1 = power[1];
  double* const p2 = power[2];
  double* const p3 = power[3];
  auto scatter = [p0, p1, p2, p3](std::int32_t k, const Lanes& v) {
    p0[k] = v[0];
    p1[k] = v[1];
    p2[k] = v[2];
    p3[k] = v[3];
  };
  // The transform's last step, the scale, as each value is read.
  const Lanes scale = ORVELLE_LANES_OF(1.0 / halfLength);
  auto binPower = [&](std::int32_t k, Lanes& out) {
    const Lanes low = at(k) * scale;
    const Lanes high = at(n - k) * scale;
    out = low * low + high * high;
  };
  const Lanes dc = at(0) * scale;
  scatter(0, dc * dc);
  std::int32_t k = 1;
  // Four bins at a time, turned from four lanes of a bin into four bins of
  // each frame, so that every frame's output takes whole stores.
  for (; k + 4 <= halfLength; k += 4) {
    Lanes b0, b1, b2, b3;
    binPower(k, b0);
    binPower(k + 1, b1);
    binPower(k + 2, b2);
    binPower(k + 3, b3);
    const Lanes t0 = __builtin_shufflevector(b0, b1, 0, 4, 2, 6);
    const Lanes t1 = __builtin_shufflevector(b0, b1, 1, 5, 3, 7);
    const Lanes t2 = __builtin_shufflevector(b2, b3, 0, 4, 2, 6);
    const Lanes t3 = __builtin_shufflevector(b2, b3, 1, 5, 3, 7);
    const Lanes f0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    const Lanes f1 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    const Lanes f2 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    const Lanes f3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
    __builtin_memcpy(p0 + k, &f0, sizeof f0);
    __builtin_memcpy(p1 + k, &f1, sizeof f1);
    __builtin_memcpy(p2 + k, &f2, sizeof f2);
    __builtin_memcpy(p3 + k, &f3, sizeof f3);
  }
  for (; k < halfLength; ++k) {
    Lanes bin;
    binPower(k, bin);
    scatter(k, bin);
  }
  const Lanes nyquist = at(halfLength) * scale;
  scatter(halfLength, nyquist * nyquist);
}

#undef ORVELLE_LANES_AT
#undef ORVELLE_LANES_OF

}  // namespace
}  // namespace orvelle
