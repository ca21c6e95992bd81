// Operations that score processed speech against its source.
#include "session/progress_monitor_run.h"
#include "session/test_session.h"

namespace orvelle {

namespace {
constexpr int kScoringLingerMs = 150;
}

bool TestSession::tookScore(double score, double& result) {
  // A run that could not take its signals (a buffer missing, memory short)
  // returns 0: that is no score, and must not be reported as one.
  if (!analyzer_.lastResult().completed) return fail(analyzer_.failureReason());
  result = score;
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
  analyzer_.setOtherFormats(otherVoiceFormats);
  const bool loaded = analyzer_.loadFiles(sourceFilePath.c_str(), processedFilePath.c_str(), &progressTotal);
  voiceConversionNotes = analyzer_.conversionNotes();
  if (!loaded) return fail(analyzer_.failureReason());
  dialog->setOperationText("Calculate Voice File Quality");
  dialog->setRange(static_cast<std::int32_t>(progressTotal.load()));
  progressCurrent.store(0);
  ProgressMonitorRun monitor(*this, dialog);
  const double score = analyzer_.compareLoadedFiles(&progressCurrent);
  monitor.finish(kScoringLingerMs);
  return tookScore(score, fileQuality);
}

}  // namespace orvelle
