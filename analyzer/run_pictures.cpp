#include "analyzer/run_pictures.h"

#include "analyzer/feature_group.h"
#include "analyzer/group_similarity.h"
#include "analyzer/mean_spectrum.h"

namespace orvelle {

namespace {

std::vector<double> valuesOf(const MeanSpectrum& spectrum) {
  std::vector<double> values(static_cast<std::size_t>(spectrum.count()));
  for (std::int32_t bin = 0; bin < spectrum.count(); ++bin) values[static_cast<std::size_t>(bin)] = spectrum.value(bin);
  return values;
}

}  // namespace

ActivityTimeline ActivityTimeline::fromFlags(const std::int16_t* sourceFlags, const std::int16_t* processedFlags,
                                             std::int32_t frameCount) {
  ActivityTimeline timeline;
  timeline.frameCount = frameCount > 0 ? frameCount : 0;
  for (std::int32_t k = 0; k < timeline.frameCount; ++k) {
    const std::uint8_t source = sourceFlags[k] != 0 ? 1 : 0;
    const std::uint8_t processed = processedFlags[k] != 0 ? 1 : 0;
    if (timeline.runs.empty() || timeline.runs.back().source != source || timeline.runs.back().processed != processed) {
      timeline.runs.push_back({0, source, processed});
    }
    ++timeline.runs.back().frames;
  }
  return timeline;
}

std::int32_t ActivityTimeline::disagreements() const {
  std::int32_t count = 0;
  for (const ActivityRun& run : runs) {
    if (run.source != run.processed) count += run.frames;
  }
  return count;
}

void describeSpectraAndBands(RunPictures& pictures, double binHz, const MeanSpectrum& sourceMean,
                             const MeanSpectrum& processedMean,
                             const std::array<FeatureGroup, kMainGroupCount>& sourceGroups,
                             const std::array<FeatureGroup, kMainGroupCount>& processedGroups) {
  pictures.binHz = binHz;
  pictures.sourceSpectrum = valuesOf(sourceMean);
  pictures.processedSpectrum = valuesOf(processedMean);
  for (std::size_t g = 0; g < sourceGroups.size(); ++g) {
    const FeatureGroup& source = sourceGroups[g];
    const FeatureGroup& processed = processedGroups[g];
    GroupPicture& picture = pictures.mainGroups[g];
    picture.number = static_cast<std::int32_t>(g) + 1;
    picture.bands.clear();
    for (std::int32_t c = 0; c < source.bandCount(); ++c) {
      const FeatureBand& band = source.band(c);
      BandPicture shown;
      shown.lowerHz = band.lowerEdgeHz;
      shown.upperHz = band.upperEdgeHz;
      shown.sourceEnergy = band.energy;
      shown.processedEnergy = processed.band(c).energy;
      shown.judged = isJudgedBand(band.energy);
      shown.fullShare = bandFullShare(source, c, WeightMode::uniform);
      shown.lostPoints = bandLoss(source, processed, c, WeightMode::uniform);
      picture.bands.push_back(shown);
    }
  }
}

}  // namespace orvelle
