#include "analyzer/quality_analyzer.h"

#include <limits>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "analyzer/activity_flags.h"
#include "analyzer/companion_figures.h"
#include "analyzer/group_similarity.h"
#include "analyzer/measurement_report.h"
#include "analyzer/spectrum_accumulator.h"
#include "analyzer/voice_file_reader.h"

namespace orvelle {

namespace {

// The run reports progress in nine equal steps: two activity detections, the
// merge, two spectral accumulations and four rounds of group updates.
constexpr std::int32_t kProgressSteps = 9;
// Each voice file is followed by at least this much silence (2.5 s), so that
// the end of the longer file still reaches the analysis frames.
constexpr std::int64_t kTrailingSilenceBytes = 40000;
// Room past the last sample, so that no analysis frame could ever leave the
// buffer.
constexpr std::size_t kSpareSamples = 1024;
// The longest voice file whose padded length still fits a 32-bit count.
constexpr std::int64_t kMaximumFileBytes =
    2 * std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1 - kTrailingSilenceBytes;
constexpr double kScoreShare = 1.0 / kMainGroupCount;

// calloc rather than a zero-filling new: the system hands out zeroed pages
// lazily, so the silence after a long voice file costs no time and no memory
// until it is read, and a refusal comes back as null instead of an exception.
SampleArray zeroedArray(std::size_t count) {
  return SampleArray(static_cast<std::int16_t*>(std::calloc(count, sizeof(std::int16_t))));
}

void advance(ProgressCounter* progress, std::int32_t step) {
  if (progress != nullptr) progress->add(step);
}

}  // namespace

void FreeDeleter::operator()(std::int16_t* p) const { std::free(p); }

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
  failureReason_ = "Not enough memory to analyse " + std::to_string(count) + " samples";
  releaseRun();
  return false;
}

double QualityAnalyzer::compareBuffers(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                                       ProgressCounter* progress) {
  failureReason_.clear();
  result_ = AnalysisResult{};
  // Voice files loaded and not yet compared are dropped: their flag arrays
  // would not fit this run.
  releaseRun();
  // The signals are taken before the log is opened, so that a call that
  // cannot run leaves the previous log as it was.
  if (count < 0) count = 0;
  if (count > 0 && (source == nullptr || processed == nullptr)) {
    failureReason_ = "No samples to compare: a signal buffer is missing";
    return 0.0;
  }
  if (!allocateFlags(count)) return 0.0;
  log_.open(logPath_ ? *logPath_ : MeasurementLog::defaultPath());
  return run(source, processed, count, progress);
}

bool QualityAnalyzer::loadFiles(const char* sourcePath, const char* processedPath, ProgressCounter* sampleCountOut) {
  failureReason_.clear();
  releaseRun();
  ownedSource_.reset();
  ownedProcessed_.reset();
  sampleCount_ = 0;
  conversionNotes_.clear();

  OpenVoiceFile source;
  OpenVoiceFile processed;
  if (!openVoiceFile(sourcePath, "source", kMinimumFileBytes, source, failureReason_, otherFormats_)) return false;
  if (!openVoiceFile(processedPath, "processed", kMinimumFileBytes, processed, failureReason_, otherFormats_)) {
    return false;
  }

  // The padded length must fit a 32-bit sample count; checked before the
  // padding is added so that no file size can overflow the sum.
  const std::int64_t longerBytes = source.bytes > processed.bytes ? source.bytes : processed.bytes;
  if (longerBytes > kMaximumFileBytes) {
    const bool sourceLonger = source.bytes >= processed.bytes;
    const OpenVoiceFile& longer = sourceLonger ? source : processed;
    failureReason_ = std::string("The ") + (sourceLonger ? "source" : "processed") + " voice file \"" +
                     (sourceLonger ? sourcePath : processedPath) + "\" is too long to analyse: " +
                     voiceLengthText(longer, longerBytes) + ", at most " + voiceLengthCount(longer, kMaximumFileBytes) +
                     " can be scored";
    return false;
  }
  const std::int64_t length = (longerBytes + kTrailingSilenceBytes) / 2;
  const auto count = static_cast<std::int32_t>(length);
  const std::size_t bufferSamples = static_cast<std::size_t>(count) + kSpareSamples;

  SampleArray sourceSamples = zeroedArray(bufferSamples);
  SampleArray processedSamples = sourceSamples ? zeroedArray(bufferSamples) : nullptr;
  if (!sourceSamples || !processedSamples) {
    failureReason_ = std::string("Not enough memory to read the voice files \"") + sourcePath + "\" and \"" +
                     processedPath + "\" (" + std::to_string(count) + " samples each)";
    return false;
  }
  if (!readVoiceSamples(source, sourcePath, "source", sourceSamples.get(), count, failureReason_)) return false;
  if (!readVoiceSamples(processed, processedPath, "processed", processedSamples.get(), count, failureReason_)) {
    return false;
  }
  if (source.resampled) conversionNotes_.push_back(conversionNote(source, sourcePath, "source"));
  if (processed.resampled) conversionNotes_.push_back(conversionNote(processed, processedPath, "processed"));
  source.file.reset();
  processed.file.reset();

  if (!allocateFlags(count)) return false;

  ownedSource_ = std::move(sourceSamples);
  ownedProcessed_ = std::move(processedSamples);
  sampleCount_ = count;
  if (sampleCountOut != nullptr) sampleCountOut->store(count);
  return true;
}

double QualityAnalyzer::compareLoadedFiles(ProgressCounter* progress) {
  failureReason_.clear();
  if (!isLoaded()) {
    result_ = AnalysisResult{};
    failureReason_ = "No voice files are loaded to compare";
    return 0.0;
  }
  result_ = AnalysisResult{};
  log_.open(logPath_ ? *logPath_ : MeasurementLog::defaultPath());
  return run(ownedSource_.get(), ownedProcessed_.get(), sampleCount_, progress);
}

double QualityAnalyzer::run(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                            ProgressCounter* progress) {
  setUp();
  process(source, processed, count, progress);
  computeSimilarities();
  describeSpectraAndBands(result_.pictures, kAnalysisSampleRateHz / kAnalysisFrameLength, sourceMean_, processedMean_,
                          sourceMain_, processedMain_);
  writeReport(log_, result_.uniform, result_.table);

  double sum = 0.0;
  for (double similarity : result_.uniform.main) sum += similarity;
  result_.score = kScoreShare * sum;
  result_.sampleCount = count;
  result_.analysedFrames = sourceMean_.frames();
  result_.completed = true;
  if (measureCompanions_) result_.companion = measureCompanionFigures(source, processed, count, sourceSpeech_);

  releaseRun();
  result_.logWritten = log_.close();
  return result_.score;
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
  // spectrum and work area, and the front end is only read.
  std::thread helper;
  if (threading_ == Threading::sideBySide) {
    try {
      helper = std::thread(processedWork);
    } catch (const std::system_error&) {
      // No thread to be had: do both here, one after the other.
    }
  }
  sourceWork();
  advance(progress, step);
  if (helper.joinable()) {
    helper.join();
  } else {
    processedWork();
  }
  advance(progress, step);
}

void QualityAnalyzer::process(const std::int16_t* source, const std::int16_t* processed, std::int32_t count,
                              ProgressCounter* progress) {
  const std::int32_t step = count / kProgressSteps;
  if (progress != nullptr) progress->store(0);

  std::int16_t* sourceFlags = sourceFlags_.get();
  std::int16_t* processedFlags = processedFlags_.get();
  if (threading_ == Threading::single) {
    // On one thread the two detectors interleave their work.
    detectActivityPair(source, processed, count, sourceFlags, processedFlags);
    advance(progress, step);
    advance(progress, step);
  } else {
    sideBySide([&] { detectActivity(source, count, sourceFlags); },
               [&] { detectActivity(processed, count, processedFlags); }, progress, step);
  }
  if (measureCompanions_) sourceSpeech_.assign(sourceFlags, sourceFlags + activityFlagCount(count));
  result_.pictures.activity =
      ActivityTimeline::fromFlags(sourceFlags, processedFlags, count > 0 ? count / kActivityFrameLength : 0);

  // From here on the source flags hold the union of both signals' activity,
  // and both spectra are taken over exactly the same frames.
  result_.activityAgreement = mergeActivity(sourceFlags, processedFlags, count);
  writeActivityAgreement(log_, result_.activityAgreement);
  advance(progress, step);

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
  sourceFlags_.reset();
  processedFlags_.reset();
  ownedSource_.reset();
  ownedProcessed_.reset();
  sampleCount_ = 0;
}

}  // namespace orvelle
