#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analyzer/band_table.h"

namespace orvelle {

class FeatureGroup;
class MeanSpectrum;

// One band of a main group as a run left it: both signals' energies and
// what the band cost of its group's similarity in the score's weighting.
struct BandPicture {
  double lowerHz = 0.0;
  double upperHz = 0.0;
  double sourceEnergy = 0.0;     // squared sample units, summed over the band's bins
  double processedEnergy = 0.0;
  bool judged = false;           // false: the source band is too faint to count
  double fullShare = 0.0;        // the most the band can cost, in similarity points
  double lostPoints = 0.0;       // what it did cost: 0 to fullShare
};

struct GroupPicture {
  std::int32_t number = 0;  // main group 1 to 5
  std::vector<BandPicture> bands;
};

// A stretch of 10 ms frames over which neither signal's own activity flag
// changes.
struct ActivityRun {
  std::int32_t frames = 0;
  std::uint8_t source = 0;     // 1: the source's detector heard speech
  std::uint8_t processed = 0;  // 1: the processed signal's detector heard speech
};

// Both signals' own speech activity over the frames whose agreement a run
// measures, before the union that gates the spectra. Kept as runs, so a
// 25-minute run holds a few thousand entries rather than a flag per frame.
struct ActivityTimeline {
  std::int32_t frameCount = 0;
  std::vector<ActivityRun> runs;

  static ActivityTimeline fromFlags(const std::int16_t* sourceFlags, const std::int16_t* processedFlags,
                                    std::int32_t frameCount);
  // Frames whose two flags differ; (frameCount - this) / frameCount is the
  // run's agreement.
  std::int32_t disagreements() const;
};

// What a run measured that pictures of it show: both mean power spectra,
// the band energies of the main groups and both signals' activity.
struct RunPictures {
  double binHz = 0.0;                    // width of one spectrum bin; bin k stands for k × binHz
  std::vector<double> sourceSpectrum;    // mean power per bin, squared sample units
  std::vector<double> processedSpectrum;
  std::array<GroupPicture, kMainGroupCount> mainGroups;
  ActivityTimeline activity;
};

// Fills the spectra and bands of `pictures` from a finished run's means and
// main groups (source and processed built from the same tables).
void describeSpectraAndBands(RunPictures& pictures, double binHz, const MeanSpectrum& sourceMean,
                             const MeanSpectrum& processedMean,
                             const std::array<FeatureGroup, kMainGroupCount>& sourceGroups,
                             const std::array<FeatureGroup, kMainGroupCount>& processedGroups);

}  // namespace orvelle
