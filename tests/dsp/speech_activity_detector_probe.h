#pragma once

// White-box access to a detector's private state and internal steps, so that
// tests can set up a decision frame directly instead of searching for a
// signal that happens to produce it.

#include <array>
#include <cstdint>
#include <cstring>

#include "dsp/speech_activity_detector.h"

namespace orvelle {

struct SpeechActivityDetectorProbe {
  using D = SpeechActivityDetector;

  static std::int32_t decideActivity(D& d, double rc1, double* lsf, const double* r, const double* buffer,
                                     std::int32_t f, std::int32_t prev, std::int32_t prevPrev) {
    return d.decideActivity(rc1, lsf, r, buffer, f, prev, prevPrev);
  }
  static std::int32_t ruleDecision(double dSLE, double dSE, double SD, double dSZC) {
    return D::ruleDecision(dSLE, dSE, SD, dSZC);
  }

  static std::array<double, 10>& bgLsf(D& d) { return d.bgLsf_; }
  static std::array<double, 16>& blockMin(D& d) { return d.blockMin_; }
  static double& minOfBlocks(D& d) { return d.minOfBlocks_; }
  static double& nextBlockMin(D& d) { return d.nextBlockMin_; }
  static double& runningMin(D& d) { return d.runningMin_; }
  static double& initMeanEnergy(D& d) { return d.initMeanEnergy_; }
  static double& bgEnergy(D& d) { return d.bgEnergy_; }
  static double& bgLowEnergy(D& d) { return d.bgLowEnergy_; }
  static double& bgZeroCross(D& d) { return d.bgZeroCross_; }
  static double& prevEnergy(D& d) { return d.prevEnergy_; }
  static std::int32_t& silenceRun(D& d) { return d.silenceRun_; }
  static std::int32_t& updateCount(D& d) { return d.updateCount_; }
  static std::int32_t& extensionCount(D& d) { return d.extensionCount_; }
  static std::int32_t& extensionAllowed(D& d) { return d.extensionAllowed_; }
  static std::int32_t& forcedSpeech(D& d) { return d.forcedSpeech_; }
  static std::int32_t& lowEnergyCount(D& d) { return d.lowEnergyCount_; }
  static std::array<double, 240>& speechBuffer(D& d) { return d.speechBuffer_; }
  static std::int32_t& prevDecision(D& d) { return d.prevDecision_; }
  static std::int32_t& prevPrevDecision(D& d) { return d.prevPrevDecision_; }
  static LpcState& lpcState(D& d) { return d.lpcState_; }
  static std::int32_t& frameCount(D& d) { return d.frameCount_; }

  // Bitwise comparison of every field except the frame number, which callers
  // may deliberately set apart.
  static bool sameHistory(const D& a, const D& b) {
    auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return same(a.bgLsf_, b.bgLsf_) && same(a.blockMin_, b.blockMin_) && same(a.minOfBlocks_, b.minOfBlocks_) &&
           same(a.nextBlockMin_, b.nextBlockMin_) && same(a.runningMin_, b.runningMin_) && same(a.initMeanEnergy_, b.initMeanEnergy_) &&
           same(a.bgEnergy_, b.bgEnergy_) && same(a.bgLowEnergy_, b.bgLowEnergy_) &&
           same(a.bgZeroCross_, b.bgZeroCross_) && same(a.prevEnergy_, b.prevEnergy_) && same(a.silenceRun_, b.silenceRun_) &&
           same(a.updateCount_, b.updateCount_) && same(a.extensionCount_, b.extensionCount_) &&
           same(a.extensionAllowed_, b.extensionAllowed_) && same(a.forcedSpeech_, b.forcedSpeech_) &&
           same(a.lowEnergyCount_, b.lowEnergyCount_) &&
           same(a.filterIn1_, b.filterIn1_) && same(a.filterIn2_, b.filterIn2_) &&
           same(a.filterOut1_, b.filterOut1_) && same(a.filterOut2_, b.filterOut2_) &&
           same(a.speechBuffer_, b.speechBuffer_) && same(a.prevDecision_, b.prevDecision_) &&
           same(a.prevPrevDecision_, b.prevPrevDecision_) && same(a.lpcState_.lastStableLpc, b.lpcState_.lastStableLpc) &&
           same(a.lpcState_.lastStableRc, b.lpcState_.lastStableRc);
  }
};

}  // namespace orvelle
