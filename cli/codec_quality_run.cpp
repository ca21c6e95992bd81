#include "cli/codec_quality_run.h"

#include "cli/operation_runner.h"
#include "cli/plugin_locator.h"
#include "cli/voice_file_writer.h"

namespace orvelle::cli {

namespace {

CodecQualityOutcome failedWith(const char* message, const std::string& reason) {
  CodecQualityOutcome outcome;
  outcome.failure = message;
  if (!reason.empty()) outcome.failure += " " + reason;
  return outcome;
}

// An operation failure: the operation runner has printed it already.
CodecQualityOutcome failed(const char* message, const TestSession& session) {
  return failedWith(message, session.failureReason());
}

// A failure before any operation ran, printed here as an operation's would be.
CodecQualityOutcome refused(const char* message, const std::string& reason, Reporting reporting) {
  if (reporting == Reporting::toStderr) printFailure(message, reason);
  return failedWith(message, reason);
}

}  // namespace

void PluginHosting::applyTo(TestSession& session) const {
  session.inProcessPlugins = session.inProcessPlugins || inProcess;
  session.pluginCalls.setTimeoutSeconds(timeoutSeconds);
}

CodecQualityOutcome runCodecQuality(TestSession& session, const std::string& plugin,
                                    const CodecQualitySource& source, const PluginHosting& hosting,
                                    Reporting reporting) {
  hosting.applyTo(session);
  session.analyzer().setCompanionFigures(true);
  const std::string pluginPath = locatePlugin(plugin);
  if (!session.codecPath.assign(pluginPath)) {
    return refused("DLL Can't be loaded!", textTooLongMessage("Plug-in path", pluginPath), reporting);
  }
  if (!source.voiceFile.empty() && !session.voiceFilePath.assign(source.voiceFile)) {
    return refused("Voice Data Can't be Prepared!", textTooLongMessage("Voice file path", source.voiceFile), reporting);
  }
  session.sourceType = source.voiceFile.empty() ? 0 : 1;
  session.otherVoiceFormats = source.resample ? OtherFormats::resample : OtherFormats::refuse;
  session.sizeType = source.sizeType;

  if (!session.loadCodec()) return refused("DLL Can't be loaded!", withLocalFileHint(session.failureReason(), plugin), reporting);
  OperationRunner runner(session, reporting);
  if (!runner.run(kPrepareVoiceData)) return failed(operationErrorMessage(kPrepareVoiceData), session);
  if (!runner.run(kRecodeVoiceData)) {
    session.releaseVoiceData();
    return failed(operationErrorMessage(kRecodeVoiceData), session);
  }
  const bool scored = runner.run(kCalculateVoiceQuality);
  std::string saveError;
  const bool saved = !scored || source.saveProcessed.empty() ||
                     writeVoiceFile(source.saveProcessed, session.outputSamples.get(), session.sampleCount, &saveError);
  session.releaseVoiceData();
  if (!scored) return failed(operationErrorMessage(kCalculateVoiceQuality), session);
  if (!saved) return refused("Voice File Can't be Writed!", saveError, reporting);

  CodecQualityOutcome outcome;
  outcome.succeeded = true;
  outcome.frameSize = session.frameSize;
  outcome.score = session.codecQuality;
  outcome.analysis = session.analyzer().lastResult();
  return outcome;
}

}  // namespace orvelle::cli
