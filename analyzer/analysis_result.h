#pragma once

#include <array>
#include <cstdint>

#include "analyzer/band_table.h"
#include "analyzer/companion_figures.h"
#include "analyzer/run_pictures.h"

namespace orvelle {

// The similarity of every feature group in one weighting mode.
struct GroupSimilarities {
  std::array<double, kMainGroupCount> main{};            // main groups 1 to 5
  std::array<double, kSecondaryGroupCount> secondary{};  // secondary groups 0 to 9
};

// Everything one analyzer run measured.
struct AnalysisResult {
  bool completed = false;          // false if the run could not take its signals
  double score = 0.0;              // percent: mean of the five main groups, uniform weights
  double activityAgreement = 0.0;  // share of 10 ms frames on whose speech activity both signals agree
  std::int32_t sampleCount = 0;    // samples per signal taken into the run
  std::int32_t analysedFrames = 0; // spectral frames that passed the activity gate
  GroupSimilarities uniform;       // every band weighted alike (the score's mode)
  GroupSimilarities table;         // bands weighted by their table weights
  CompanionFigures companion;      // measured only when the analyzer was asked to
  RunPictures pictures;            // spectra, main bands and activity, for reports
};

// Points on the five-point scale for a score in percent.
inline double scorePoints(double scorePercent) { return scorePercent * 0.05; }

}  // namespace orvelle
