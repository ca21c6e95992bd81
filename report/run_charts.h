#pragma once

#include <string>

#include "analyzer/run_pictures.h"

namespace orvelle::report {

// The charts of one run, each an <svg class="chart"> element with axis
// labels and a legend, drawn in a fixed coordinate space that scales with
// the page.

// Both mean power spectra in dB over 0 to 4 kHz.
std::string spectrumChart(const RunPictures& pictures);
// The processed spectrum less the source's, in dB, bin by bin.
std::string spectrumDifferenceChart(const RunPictures& pictures);
// One main band set: both signals' band energies side by side per band, and
// below them what each band cost of the set's similarity out of its share.
std::string bandChart(const GroupPicture& group, double similarity);
// Two builds of a codec on the same source: the source's mean power spectrum
// (from `base`) and both builds' outputs, in dB over 0 to 4 kHz.
std::string spectrumComparisonChart(const RunPictures& base, const RunPictures& next);
// One main band set in two builds: per band its share of the set's
// similarity, and what each build lost of it side by side.
std::string bandLossComparisonChart(const GroupPicture& base, double baseSimilarity, const GroupPicture& next,
                                    double newSimilarity);
// Source, processed and disagreement lanes over the whole run, aggregated
// into pixel columns, so that it reads alike for 10 s and for 25 minutes.
std::string activityChart(const ActivityTimeline& timeline);

}  // namespace orvelle::report
