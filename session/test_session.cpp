#include "session/test_session.h"

#include <cstdio>


namespace orvelle {

TestSession::~TestSession() {
  voiceFilePath.clear();
  sourceFilePath.clear();
  processedFilePath.clear();
  codecPath.clear();
  sourceCodecPath.clear();
  testedCodecPath.clear();
  sourceType = 0;
  sizeType = 1;
  codec.unload();
  sourceCodec.unload();
  testedCodec.unload();
  releaseVoiceData();
  releaseComparisonData();
}

bool TestSession::fail(FailureKind kind, std::string reason) {
  failureKind_ = kind;
  failureReason_ = std::move(reason);
  return false;
}

int TestSession::runOperation(OperationRequest* request) {
  const std::int32_t code = request->opCode.load(std::memory_order_relaxed);
  // Unknown codes run nothing and are not failures.
  if (const char* message = operationErrorMessage(code)) {
    failureReason_.clear();
    failureKind_ = FailureKind::failed;
    // A stop asked for during an earlier operation is not meant for this one.
    pluginCalls.clearStop();
    if (!runNumberedOperation(*request)) {
      // The box is shown, and dismissed, while the progress window is still
      // up; `failed` is final before the window closes.
      if (request->owner) request->owner->showMessage(message, "Error", MessageIcon::Error);
      request->failed = 1;
    }
  }
  if (request->progressDialog) request->progressDialog->close();
  // Last write to the request: the command may destroy it once it sees this.
  request->opCode.store(kOperationFinished, std::memory_order_release);
  return 0;
}

bool TestSession::runNumberedOperation(OperationRequest& request) {
  ProgressDialog* dialog = request.progressDialog;
  switch (request.opCode.load(std::memory_order_relaxed)) {
    case kWriteTestSignal: return writeTestSignal(dialog, request.filePath, request.sizeType);
    case kPrepareVoiceData: return prepareVoiceData(dialog);
    case kRecodeVoiceData: return recodeVoiceData(dialog);
    case kCalculateVoiceQuality: return calculateVoiceQuality(dialog);
    case kCalculateFileQuality: return calculateFileQuality(dialog);
    case kPrepareComparisonData: return prepareComparisonData(dialog);
    case kRecodeComparisonData: return recodeComparisonData(dialog);
    default: return true;
  }
}

int TestSession::progressMonitor(ProgressDialog* dialog) {
  long current = progressCurrent.load();
  long total = progressTotal.load();
  const int period = dialog->refreshPeriodMilliseconds();
  while (current != total) {
    dialog->setPosition(static_cast<std::int32_t>(current));
    char caption[64];
    std::snprintf(caption, sizeof caption, "Progressed %2.4f%c", current * 100.0 / total, '%');
    dialog->setCaption(caption);
    progressWake_.waitFor(period, [this] { return progressCurrent.load() == progressTotal.load(); });
    current = progressCurrent.load();
    total = progressTotal.load();
  }
  return 0;
}

void TestSession::finishProgress() {
  progressCurrent.store(progressTotal.load());
  progressWake_.notify();
}

bool TestSession::loadCodec() {
  codec.unload();
  // A stop asked for during an earlier operation is not meant for this load.
  pluginCalls.clearStop();
  std::string error;
  if (!codec.openModule(codecPath.str(), inProcessPlugins, &error, &pluginCalls)) {
    return fail(loadFailureKindOf(codec), error);
  }
  if (!codec.resolveEntries(codecPath.str(), &error)) {
    codec.unload();
    return fail(FailureKind::loadFailed, error);
  }
  return true;
}

bool TestSession::loadCodecPair() {
  sourceCodec.unload();
  testedCodec.unload();
  pluginCalls.clearStop();
  std::string sourceError;
  std::string testedError;
  // Both loads are attempted before either result is looked at.
  const bool sourceOpened =
      sourceCodec.openModule(sourceCodecPath.str(), inProcessPlugins, &sourceError, &pluginCalls);
  const bool shareHost = sourceOpened && !inProcessPlugins && sourceCodecPath.str() == testedCodecPath.str();
  if (shareHost) testedCodec.shareHostOf(sourceCodec);
  const bool testedOpened =
      shareHost || testedCodec.openModule(testedCodecPath.str(), inProcessPlugins, &testedError, &pluginCalls);
  std::string error;
  bool complete = false;
  FailureKind kind = FailureKind::loadFailed;
  if (!sourceOpened) {
    error = sourceError;
    kind = loadFailureKindOf(sourceCodec);
  } else if (!testedOpened) {
    error = testedError;
    kind = loadFailureKindOf(testedCodec);
  } else {
    complete = sourceCodec.resolveEntries(sourceCodecPath.str(), &error) &&
               testedCodec.resolveEntries(testedCodecPath.str(), &error);
  }
  if (complete) return true;
  sourceCodec.unload();
  testedCodec.unload();
  return fail(kind, error);
}

void TestSession::releaseVoiceData() {
  // Nothing may read the input any more once it is gone.
  analyzer_.dropPreparedSource();
  inputSamples.reset();
  outputSamples.reset();
}

void TestSession::releaseComparisonData() {
  comparisonSamples.reset();
  sourceCodecOutput.reset();
  testedCodecOutput.reset();
}

}  // namespace orvelle
