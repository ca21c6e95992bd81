#include "cli/codec_quality_run.h"

#include "cli/operation_runner.h"
#include "cli/plugin_locator.h"

namespace orvelle::cli {

namespace {

CodecQualityOutcome failed(const char* message, const TestSession& session) {
  CodecQualityOutcome outcome;
  outcome.failure = message;
  if (!session.failureReason().empty()) outcome.failure += " " + session.failureReason();
  return outcome;
}

}  // namespace

CodecQualityOutcome runCodecQuality(TestSession& session, const std::string& plugin,
                                    const CodecQualitySource& source) {
  const std::string pluginPath = locatePlugin(plugin);
  if (!session.codecPath.assign(pluginPath)) {
    CodecQualityOutcome outcome;
    outcome.failure = "DLL Can't be loaded! " + textTooLongMessage("Plug-in path", pluginPath);
    return outcome;
  }
  if (!source.voiceFile.empty() && !session.voiceFilePath.assign(source.voiceFile)) {
    CodecQualityOutcome outcome;
    outcome.failure = "Voice Data Can't be Prepared! " + textTooLongMessage("Voice file path", source.voiceFile);
    return outcome;
  }
  session.sourceType = source.voiceFile.empty() ? 0 : 1;
  session.sizeType = source.sizeType;

  if (!session.loadCodec()) {
    reportLoadFailure("DLL Can't be loaded!", session);
    return failed("DLL Can't be loaded!", session);
  }
  OperationRunner runner(session);
  if (!runner.run(kPrepareVoiceData)) return failed(operationErrorMessage(kPrepareVoiceData), session);
  if (!runner.run(kRecodeVoiceData)) {
    session.releaseVoiceData();
    return failed(operationErrorMessage(kRecodeVoiceData), session);
  }
  const bool scored = runner.run(kCalculateVoiceQuality);
  session.releaseVoiceData();
  if (!scored) return failed(operationErrorMessage(kCalculateVoiceQuality), session);

  CodecQualityOutcome outcome;
  outcome.succeeded = true;
  outcome.frameSize = session.frameSize;
  outcome.score = session.codecQuality;
  outcome.analysis = session.analyzer().lastResult();
  return outcome;
}

}  // namespace orvelle::cli
