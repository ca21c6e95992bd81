// Operations that score processed speech against its source.
#include "session/progress_monitor_run.h"
#include "session/test_session.h"

namespace orvelle {

namespace {
constexpr int kScoringLingerMs = 150;
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
  codecQuality = analyzer_.compareBuffers(inputSamples.get(), outputSamples.get(), sampleCount, &progressCurrent);
  monitor.finish(kScoringLingerMs);
  return true;
}

bool TestSession::calculateFileQuality(ProgressDialog* dialog) {
  if (!analyzer_.loadFiles(sourceFilePath.c_str(), processedFilePath.c_str(), &progressTotal)) {
    return fail(analyzer_.failureReason());
  }
  dialog->setOperationText("Calculate Voice File Quality");
  dialog->setRange(static_cast<std::int32_t>(progressTotal.load()));
  progressCurrent.store(0);
  ProgressMonitorRun monitor(*this, dialog);
  fileQuality = analyzer_.compareLoadedFiles(&progressCurrent);
  monitor.finish(kScoringLingerMs);
  return true;
}

}  // namespace orvelle
