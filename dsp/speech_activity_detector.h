#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "dsp/lpc_analysis.h"

namespace orvelle {

// Frame-by-frame speech-activity decision after the voice activity detector
// of ITU-T G.729 Annex B, run on its own (no coder, no comfort noise): 10 ms
// frames of 80 samples at 8 kHz are classified as speech (1) or non-speech (0).
//
// A fixed-size value: no heap memory, no handles, no pointers to outside data;
// the owner may keep it as a local. Call reset() before the first frame (the
// constructor does it too), then processFrame() once per consecutive,
// non-overlapping frame of one signal. Decisions depend only on the frames
// passed since the last reset. Separate detectors share nothing mutable.
class SpeechActivityDetector {
 public:
  static constexpr int kFrameLength = 80;

  SpeechActivityDetector() { reset(); }

  // Returns the detector to its state before frame 1; starts a new,
  // independent run.
  void reset();

  // Classifies the next frame: `samples` points to exactly kFrameLength
  // signed 16-bit samples, nothing outside them is read. Returns 1 when the
  // frame is speech, 0 otherwise. Cannot fail.
  std::int32_t processFrame(const std::int16_t* samples);

  // Classifies `frames` consecutive frames starting at `samples` (80 ×
  // frames samples) into decisions[0 .. frames - 1], each as processFrame
  // would return it, frame after frame. Independent work of neighbouring
  // frames is done side by side.
  void processFrames(const std::int16_t* samples, std::int32_t frames, std::int32_t* decisions);

  // processFrames of two signals with a detector each (two distinct
  // objects), the two detectors' work interleaved so that each fills the
  // other's waits.
  static void processFramesPair(SpeechActivityDetector& first, const std::int16_t* firstSamples,
                                SpeechActivityDetector& second, const std::int16_t* secondSamples,
                                std::int32_t frames, std::int32_t* firstDecisions, std::int32_t* secondDecisions);

 private:
  friend struct SpeechActivityDetectorProbe;  // white-box access for the tests

  static constexpr int kWindowLength = kLpcWindowLength;
  static constexpr int kLsfCount = kLpcOrder;
  static constexpr int kBlockCount = 16;

  struct FilterState;
  struct FrameBlock;

  // The steps of a frame: the samples into the window and the frame
  // counter; the pre-processing filter; the lag window and recursion; the
  // line spectral frequencies, the decision and the shift of the window.
  void beginFrame(const std::int16_t* samples);
  void preFilter();
  void predict(double* r, double* A, double* rc);
  // The decision of a frame whose pre-processed window is `window`, and the
  // previous decisions moved on.
  std::int32_t conclude(const double* r, const double* rc, const double* lsp, const double* window,
                        std::int32_t frameNumber);
  // A block of frames: the kept history and the frame numbers (the caller
  // then filters the frames in behind the history), the analysis of all its
  // frames, the history kept for the next block.
  void startBlock(const std::int16_t* samples, std::int32_t frames, FrameBlock& block);
  // processFrames of N signals with a detector each, block after block.
  template <std::size_t N>
  static void processBlocks(SpeechActivityDetector* const* detectors, const std::int16_t* const* samples,
                            std::int32_t frames, std::int32_t* const* decisions);
  void analyseBlock(const FrameBlock& block, std::int32_t* decisions);
  void keepHistory(const FrameBlock& block);
  std::int32_t decideActivity(double rc1, double* lsf, const double* r, const double* buffer, std::int32_t f,
                              std::int32_t prev, std::int32_t prevPrev);
  // Initial decision from the four difference features: 1 when the first of
  // the fourteen boundaries that holds is found, 0 when none holds.
  static std::int32_t ruleDecision(double dSLE, double dSE, double SD, double dSZC);

  std::array<double, kLsfCount> bgLsf_;        // background spectral shape (normalised LSFs)
  std::array<double, kBlockCount> blockMin_;   // minimum energy of each of the last 16 8-frame blocks, oldest first
  double minOfBlocks_;                         // minimum over blockMin_
  double nextBlockMin_;                        // minimum energy since the start of the current block (after frame 128)
  double runningMin_;                          // running minimum energy; the reference for resetting bgEnergy_
  double initMeanEnergy_;                      // mean energy of the speech frames of the initialisation period
  double bgEnergy_;                            // background full-band energy, dB
  double bgLowEnergy_;                         // background low-band energy, dB
  double bgZeroCross_;                         // background zero-crossing rate
  double prevEnergy_;                          // full-band energy of the previous frame
  std::int32_t silenceRun_;                    // non-speech frames of the full decision since last cleared
  std::int32_t updateCount_;                   // background updates since bgEnergy_ was last reset
  std::int32_t extensionCount_;                // hangover extensions since extension was last disabled
  std::int32_t extensionAllowed_;              // 0 only for the one frame after extension was disabled
  std::int32_t forcedSpeech_;                  // 1 when a hangover rule forced the current decision
  std::int32_t lowEnergyCount_;                // initialisation frames below the speech energy floor
  double filterIn1_, filterIn2_;               // pre-processing filter input history x[n-1], x[n-2]
  double filterOut1_, filterOut2_;             // pre-processing filter output history y[n-1], y[n-2]
  std::array<double, kWindowLength> speechBuffer_;  // pre-processed samples, oldest first; newest frame at 160..239
  std::int32_t prevDecision_;                  // final decision of the previous frame
  std::int32_t prevPrevDecision_;              // final decision of the frame before that
  LpcState lpcState_;
  std::int32_t frameCount_;                    // current frame number: 1 after reset, wraps from 32767 to 256
};

}  // namespace orvelle
