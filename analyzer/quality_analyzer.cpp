#include "analyzer/quality_analyzer.h"

#include "analyzer/activity_flags.h"
#include "analyzer/beside_thread.h"
#include "analyzer/companion_figures.h"
#include "analyzer/group_similarity.h"
#include "analyzer/signal_delay.h"
#include "analyzer/spectrum_accumulator.h"

namespace orvelle {

namespace {

// The run reports progress in nine equal steps: two activity detections, the
// merge, two spectral accumulations and four rounds of group updates.
constexpr std::int32_t kProgressSteps = 9;
constexpr double kScoreShare = 1.0 / kMainGroupCount;

void advance(ProgressCounter* progress, std::int32_t step) {
  if (progress != nullptr) progress->add(step);
}

}  // namespace

QualityAnalyzer::QualityAnalyzer(Threading threading) : threading_(threading) {}

QualityAnalyzer::~QualityAnalyzer() = default;

const FeatureGroup& QualityAnalyzer::sourceMainGroup(std::int32_t number) const {
  static const FeatureGroup empty;
  return number >= 1 && number <= kMainGroupCount ? sourceMain_[static_cast<std::size_t>(number - 1)] : empty;
}

const FeatureGroup& QualityAnalyzer::processedMainGroup(std::int32_t number) const {
  static const FeatureGroup empty;
  return number >= 1 && number <= kMainGroupCount ? processedMain_[static_cast<std::size_t>(number - 1)] : empty;
}

bool QualityAnalyzer::allocateFlags(std::int32_t count) {
  const std::size_t flagCount = activityFlagCount(count);
  sourceFlags_ = zeroedArray(flagCount);
  processedFlags_ = zeroedArray(flagCount);
  if (sourceFlags_ && processedFlags_) return true;
  releaseRun();
  fail(Failure::outOfMemory, "Not enough memory to analyse " + std::to_string(count) + " samples");
  return false;
}

double QualityAnalyzer::fail(Failure failure, std::string reason) {
  failure_ = failure;
  failureReason_ = std::move(reason);
  return 0.0;
}

double QualityAnalyzer::compareBuffers(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                                       ProgressCounter* progress) {
  failure_ = Failure::none;
  failureReason_.clear();
  result_ = AnalysisResult{};
  if (count < 0) count = 0;
  // A classification prepared for this very source is taken over; one of any
  // other samples is of no use. Either way it is waited for before this call
  // returns.
  std::unique_ptr<PreparedActivity> prepared = std::move(preparedSource_);
  if (prepared && !prepared->isFor(source, count)) prepared.reset();
  releaseRun();
  if (count > 0 && (source == nullptr || processed == nullptr)) {
    return fail(Failure::missingBuffer, "No samples to compare: a signal buffer is missing");
  }
  if (!allocateFlags(count)) return 0.0;
  return run(source, processed, count, progress, prepared.get());
}

void QualityAnalyzer::prepareSource(const std::int16_t* source, std::int32_t count) {
  preparedSource_.reset();
  if (threading_ != Threading::sideBySide) return;
  auto prepared = std::make_unique<PreparedActivity>();
  if (prepared->start(source, count)) preparedSource_ = std::move(prepared);
}

double QualityAnalyzer::run(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                            ProgressCounter* progress, PreparedActivity* preparedSource) {
  setUp();
  process(source, processed, count, progress, preparedSource);
  computeSimilarities();
  describeSpectraAndBands(result_.pictures, kAnalysisSampleRateHz / kAnalysisFrameLength, sourceMean_, processedMean_,
                          sourceMain_, processedMain_);

  double sum = 0.0;
  for (double similarity : result_.uniform.main) sum += similarity;
  result_.score = kScoreShare * sum;
  result_.sampleCount = count;
  result_.analysedFrames = sourceMean_.frames();
  releaseRun();
  if (!judgedAnyBand()) return fail(Failure::notMeasurable, "the source holds no speech that the measure can judge");
  result_.completed = true;
  return result_.score;
}

bool QualityAnalyzer::judgedAnyBand() const {
  const auto judged = [](const FeatureGroup& group) {
    for (std::int32_t b = 0; b < group.bandCount(); ++b) {
      if (isJudgedBand(group.band(b).energy)) return true;
    }
    return false;
  };
  for (const FeatureGroup& group : sourceMain_) {
    if (judged(group)) return true;
  }
  for (const FeatureGroup& group : sourceSecondary_) {
    if (judged(group)) return true;
  }
  return false;
}

void QualityAnalyzer::setUp() {
  frontEnd_.setUp(kAnalysisExponent);
  frontEnd_.setSampleRate(kAnalysisSampleRateHz);
  frontEnd_.setAnalysisWindow();
  sourceMean_.resize(kMeanSpectrumBins);
  processedMean_.resize(kMeanSpectrumBins);
  for (std::int32_t g = 1; g <= kMainGroupCount; ++g) {
    sourceMain_[static_cast<std::size_t>(g - 1)].build(mainBandTable(g), &frontEnd_);
    processedMain_[static_cast<std::size_t>(g - 1)].build(mainBandTable(g), &frontEnd_);
  }
  for (std::int32_t i = 0; i < kSecondaryGroupCount; ++i) {
    sourceSecondary_[static_cast<std::size_t>(i)].build(secondaryBandTable(i), &frontEnd_);
    processedSecondary_[static_cast<std::size_t>(i)].build(secondaryBandTable(i), &frontEnd_);
  }
}

template <typename SourceWork, typename ProcessedWork>
void QualityAnalyzer::sideBySide(SourceWork&& sourceWork, ProcessedWork&& processedWork, ProgressCounter* progress,
                                 std::int32_t step) {
  // The two signals share nothing mutable here: each has its own flags, mean
  // spectrum and work area, and the front end is only read. Without a thread
  // to be had both are done here, one after the other.
  BesideThread helper;
  const bool beside = threading_ == Threading::sideBySide && helper.start(processedWork);
  sourceWork();
  advance(progress, step);
  if (beside) {
    helper.wait();
  } else {
    processedWork();
  }
  advance(progress, step);
}

void QualityAnalyzer::detect(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                             ProgressCounter* progress, std::int32_t step, PreparedActivity* preparedSource) {
  std::int16_t* processedFlags = processedFlags_.get();
  if (preparedSource != nullptr) {
    // The source's classification began before the run; its step is
    // reported as the run starts, and the bar moves as in any other run.
    advance(progress, step);
    detectActivity(processed, count, processedFlags);
    sourceFlags_ = preparedSource->take();
    advance(progress, step);
  } else if (threading_ == Threading::single) {
    // On one thread the two detectors interleave their work.
    detectActivityPair(source, processed, count, sourceFlags_.get(), processedFlags);
    advance(progress, step);
    advance(progress, step);
  } else {
    std::int16_t* sourceFlags = sourceFlags_.get();
    sideBySide([&] { detectActivity(source, count, sourceFlags); },
               [&] { detectActivity(processed, count, processedFlags); }, progress, step);
  }
  if (measureCompanions_) sourceSpeech_.assign(sourceFlags_.get(), sourceFlags_.get() + activityFlagCount(count));
}

void QualityAnalyzer::process(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                              ProgressCounter* progress, PreparedActivity* preparedSource) {
  const std::int32_t step = count / kProgressSteps;
  if (progress != nullptr) progress->store(0);

  // The companion figures change nothing the score uses. On two threads
  // their delay estimate, which reads only the two signals, is made beside
  // the activity detection, and the rest, which needs the source's own
  // flags, beside the spectra; on one thread they are measured at the end.
  const bool companionsBeside = measureCompanions_ && threading_ == Threading::sideBySide;
  DelayEstimate delay;
  BesideThread delayRun;
  const bool delayBeside =
      companionsBeside && delayRun.start([&] { delay = estimateDelay(source, processed, count); });
  CompanionFigures companions;
  auto measureCompanions = [&] {
    if (delayBeside) {
      delayRun.wait();
    } else {
      delay = estimateDelay(source, processed, count);
    }
    companions = measureCompanionFigures(source, processed, count, sourceSpeech_, delay);
  };

  detect(source, processed, count, progress, step, preparedSource);
  std::int16_t* sourceFlags = sourceFlags_.get();
  const std::int16_t* processedFlags = processedFlags_.get();
  result_.pictures.activity =
      ActivityTimeline::fromFlags(sourceFlags, processedFlags, count > 0 ? count / kActivityFrameLength : 0);

  // From here on the source flags hold the union of both signals' activity,
  // and both spectra are taken over exactly the same frames.
  result_.activityAgreement = mergeActivity(sourceFlags, processedFlags, count);
  advance(progress, step);

  BesideThread companionRun;
  const bool framesBeside = companionsBeside && companionRun.start(measureCompanions);
  if (threading_ == Threading::single) {
    // On one thread both signals' frames share the vector lanes.
    accumulateSpectra(frontEnd_, source, processed, count, sourceFlags, sourceMean_, processedMean_, sourceWork_);
    advance(progress, step);
    advance(progress, step);
  } else {
    sideBySide([&] { accumulateSpectrum(frontEnd_, source, count, sourceFlags, sourceMean_, sourceWork_); },
               [&] { accumulateSpectrum(frontEnd_, processed, count, sourceFlags, processedMean_, processedWork_); },
               progress, step);
  }

  for (FeatureGroup& group : sourceMain_) group.update(sourceMean_);
  advance(progress, step);
  for (FeatureGroup& group : processedMain_) group.update(processedMean_);
  advance(progress, step);
  for (FeatureGroup& group : sourceSecondary_) group.update(sourceMean_);
  advance(progress, step);
  for (FeatureGroup& group : processedSecondary_) group.update(processedMean_);
  advance(progress, step);

  if (framesBeside) {
    companionRun.wait();
  } else if (measureCompanions_) {
    measureCompanions();
  }
  result_.companion = companions;
}

void QualityAnalyzer::computeSimilarities() {
  for (std::size_t g = 0; g < sourceMain_.size(); ++g) {
    result_.uniform.main[g] = groupSimilarity(sourceMain_[g], processedMain_[g], WeightMode::uniform);
    result_.table.main[g] = groupSimilarity(sourceMain_[g], processedMain_[g], WeightMode::table);
  }
  for (std::size_t i = 0; i < sourceSecondary_.size(); ++i) {
    result_.uniform.secondary[i] = groupSimilarity(sourceSecondary_[i], processedSecondary_[i], WeightMode::uniform);
    result_.table.secondary[i] = groupSimilarity(sourceSecondary_[i], processedSecondary_[i], WeightMode::table);
  }
}

void QualityAnalyzer::releaseRun() {
  preparedSource_.reset();
  sourceFlags_.reset();
  processedFlags_.reset();
}

}  // namespace orvelle
