// Operations that run the codec plug-ins over the prepared speech.
#include "session/plugin_calls.h"
#include "session/progress_monitor_run.h"
#include "session/stop_offer.h"
#include "session/test_session.h"

namespace orvelle {

namespace {
constexpr int kRecodeLingerMs = 150;
constexpr int kComparisonRecodeLingerMs = 200;
}  // namespace

bool TestSession::recodeVoiceData(ProgressDialog* dialog) {
  if (!inputSamples || !outputSamples || !codec.isComplete()) {
    return fail("no prepared voice data or no loaded codec to recode with");
  }
  dialog->setOperationText("ReCode Voice Data");
  dialog->setRange(static_cast<std::int32_t>(progressTotal.load()));
  ProgressMonitorRun monitor(*this, dialog);
  progressCurrent.store(0);
  // A plug-in in a host process, or a command, works on its own copy of the
  // input, so the input stays as prepared and the scoring's first step, the
  // source's speech activity, is taken meanwhile. In process the plug-in may write into it,
  // and what an earlier recoding took from it may no longer hold.
  if (codec.runsApart()) {
    // Sealed (made read-only) before the classification starts reading it,
    // not while it reads: the host gets only sealed input anyway.
    inputSamples.seal();
    analyzer_.prepareSource(inputSamples.get(), sampleCount);
  } else {
    analyzer_.dropPreparedSource();
  }
  std::string error;
  StopOffer stop(dialog, codec, pluginCalls);
  const bool returned = runCodec(codec, codecPath.str(), pluginCalls, inputSamples, outputSamples, sampleCount,
                                 &progressCurrent, progressTotal.load(), &error);
  // Voice data that was not recoded is not scored.
  if (!returned) analyzer_.dropPreparedSource();
  commandOutputFit.reset();
  if (returned && codec.command()) commandOutputFit = codec.command()->lastFit();
  monitor.finish(kRecodeLingerMs);
  return returned || fail(failureKindOf(codec, FailureKind::pluginFailed), error);
}

bool TestSession::recodeComparisonData(ProgressDialog* dialog) {
  if (!comparisonSamples || !sourceCodecOutput || !testedCodecOutput) {
    return fail("no prepared comparison data to recode");
  }
  struct Run {
    const char* text;
    const CodecLibrary& library;
    const SessionText& path;
    const SampleBuffer& output;
    std::int32_t frameCount;
  };
  const Run runs[] = {
      {"ReCode Source Voice Data", sourceCodec, sourceCodecPath, sourceCodecOutput, sourceFrameCount},
      {"ReCode Tested Voice Data", testedCodec, testedCodecPath, testedCodecOutput, testedFrameCount},
  };
  for (const Run& run : runs) {
    dialog->setOperationText(run.text);
    // Each run restarts the counters before its monitor starts, so the
    // tested run shows its own progress from 0 even with equal frame counts.
    progressTotal.store(run.frameCount);
    progressCurrent.store(0);
    dialog->setRange(run.frameCount);
    ProgressMonitorRun monitor(*this, dialog);
    std::string error;
    StopOffer stop(dialog, run.library, pluginCalls);
    const bool returned = runCodec(run.library, run.path.str(), pluginCalls, comparisonSamples, run.output,
                                   comparisonSampleCount, &progressCurrent, run.frameCount, &error);
    monitor.finish(kComparisonRecodeLingerMs);
    if (!returned) return fail(failureKindOf(run.library, FailureKind::pluginFailed), error);
  }
  return true;
}

}  // namespace orvelle
