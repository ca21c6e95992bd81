// Operations that score processed speech against its source.
#include <utility>

#include "analyzer/measurement_report.h"
#include "audio_io/measurement_log_file.h"
#include "session/progress_monitor_run.h"
#include "session/test_session.h"

namespace orvelle {

namespace {

constexpr int kScoringLingerMs = 150;

FailureKind kindOf(QualityAnalyzer::Failure failure) {
  switch (failure) {
    case QualityAnalyzer::Failure::outOfMemory: return FailureKind::outOfMemory;
    case QualityAnalyzer::Failure::notMeasurable: return FailureKind::notMeasurable;
    case QualityAnalyzer::Failure::missingBuffer:
    case QualityAnalyzer::Failure::none: break;
  }
  return FailureKind::failed;
}

}  // namespace

bool TestSession::tookScore(double score, double& result) {
  // A run that could not take its signals, or measured nothing, returns 0:
  // that is no score, must not be reported as one, and leaves the previous
  // log as it was.
  measurementLogWritten = false;
  if (!analyzer_.lastResult().completed) return fail(kindOf(analyzer_.failure()), analyzer_.failureReason());
  result = score;
  const std::string logPath = measurementLogPath ? *measurementLogPath : defaultMeasurementLogPath();
  measurementLogWritten = writeMeasurementLog(logPath, measurementLogText(analyzer_.lastResult()));
  return true;
}

bool TestSession::calculateVoiceQuality(ProgressDialog* dialog) {
  if (!inputSamples || !outputSamples || !codec.isComplete()) {
    return fail("no recoded voice data to score");
  }
  dialog->setOperationText("Calculate Voice Quality");
  dialog->setRange(sampleCount);
  progressCurrent.store(0);
  ProgressMonitorRun monitor(*this, dialog);
  progressTotal.store(sampleCount);
  const double score = analyzer_.compareBuffers(inputSamples.get(), outputSamples.get(), sampleCount, &progressCurrent);
  monitor.finish(kScoringLingerMs);
  return tookScore(score, codecQuality);
}

bool TestSession::calculateFileQuality(ProgressDialog* dialog) {
  VoiceFault fault = VoiceFault::none;
  std::string reason;
  const bool loaded = heldSource && heldProcessed
                          ? holdVoicePair(*heldSource, *heldProcessed, filePair_, fault, reason)
                          : readVoicePair(sourceFilePath.c_str(), processedFilePath.c_str(), otherVoiceFormats,
                                          filePair_, fault, reason);
  voiceConversionNotes = filePair_.conversionNotes;
  if (!loaded) return fail(failureKindOf(fault), reason);
  progressTotal.store(filePair_.count);
  dialog->setOperationText("Calculate Voice File Quality");
  dialog->setRange(filePair_.count);
  progressCurrent.store(0);
  ProgressMonitorRun monitor(*this, dialog);
  const double score = analyzer_.compareBuffers(filePair_.source.get(), filePair_.processed.get(), filePair_.count,
                                                &progressCurrent);
  if (keepScoredFiles) scoredFiles = std::move(filePair_);
  filePair_ = VoicePair{};
  monitor.finish(kScoringLingerMs);
  return tookScore(score, fileQuality);
}

}  // namespace orvelle
