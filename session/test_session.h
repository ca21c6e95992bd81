#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "audio_io/voice_file_reader.h"
#include "audio_io/voice_pair.h"
#include "platform/progress_counter.h"
#include "session/codec_library.h"
#include "session/failure_kind.h"
#include "session/operation_request.h"
#include "session/plugin_call_control.h"
#include "session/progress_dialog.h"
#include "session/progress_wake.h"
#include "session/sample_buffer.h"
#include "session/session_text.h"
#include "session/signal_synthesizer.h"

namespace orvelle {

// Everything one test needs between the settings dialog and the result: the
// chosen paths, the loaded plug-ins, the voice-data buffers, the progress of
// the running operation and the results. One operation uses it at a time.
class TestSession {
 public:
  TestSession() = default;
  ~TestSession();
  TestSession(const TestSession&) = delete;
  TestSession& operator=(const TestSession&) = delete;

  // Worker-thread entry: runs the operation `request->opCode` names, reports
  // a failure through `request->owner`, closes the progress dialog, then marks
  // the request finished. Returns 0.
  int runOperation(OperationRequest* request);

  // Mirrors progressCurrent/progressTotal into `dialog` once every refresh
  // period of the dialog until the two are equal. Runs on a thread of its
  // own; returns 0.
  int progressMonitor(ProgressDialog* dialog);
  // Makes the counters equal, which ends the monitor, and wakes it to see
  // that at once.
  void finishProgress();

  // Operations 1 to 7; each returns true on success.
  bool writeTestSignal(ProgressDialog* dialog, const std::string& filePath, std::int32_t sizeType);
  bool prepareVoiceData(ProgressDialog* dialog);
  bool recodeVoiceData(ProgressDialog* dialog);
  bool calculateVoiceQuality(ProgressDialog* dialog);
  bool calculateFileQuality(ProgressDialog* dialog);
  bool prepareComparisonData(ProgressDialog* dialog);
  bool recodeComparisonData(ProgressDialog* dialog);

  // Plug-in loading (on the UI thread, before any operation). A hosted load
  // keeps to pluginCalls' time limit and stop request, as the calls do.
  bool loadCodec();
  bool loadCodecPair();
  bool isCodecLoaded() const { return codec.isComplete(); }

  void releaseVoiceData();
  void releaseComparisonData();

  // Why the last load or operation failed, naming the file where there is
  // one. The message boxes show only their fixed texts; programs without a
  // window print this after them.
  const std::string& failureReason() const { return failureReason_; }
  FailureKind failureKind() const { return failureKind_; }

  // The details of the last scoring run, beyond its score.
  const QualityAnalyzer& analyzer() const { return analyzer_; }
  QualityAnalyzer& analyzer() { return analyzer_; }

  // Where each scoring run's measurement log goes: the start-up directory's
  // TestLog.log unless set; an empty path writes none. Whether the last
  // scoring run's log was written whole.
  std::optional<std::string> measurementLogPath;
  bool measurementLogWritten = false;

  SessionText voiceFilePath;
  // Signals a caller holds in memory, taken instead of voice files while
  // set (and left for the caller to keep alive and unchanged): the source
  // and processed signals of Compare Files; the source alone is Codec
  // Quality's voice data when sourceType is 1.
  std::optional<std::span<const std::int16_t>> heldSource;
  std::optional<std::span<const std::int16_t>> heldProcessed;
  // While set, Compare Files hands the pair it scored to `scoredFiles`
  // instead of letting it go, for a front end that plays the signals back.
  bool keepScoredFiles = false;
  VoicePair scoredFiles;
  // Whether voice files in another sound format are refused or resampled;
  // for each one resampled by the last operation that read voice files,
  // what was done.
  OtherFormats otherVoiceFormats = OtherFormats::refuse;
  std::vector<std::string> voiceConversionNotes;
  std::int32_t sourceType = 0;  // 0 internal source, 1 voice file
  std::int32_t sizeType = 1;    // 0 Short, 1 Normal, 2 Long
  SessionText sourceFilePath;
  SessionText processedFilePath;
  double fileQuality = 0.0;
  SessionText codecPath;
  CodecLibrary codec;
  std::int32_t frameSize = 0;
  std::int32_t sampleCount = 0;
  ProgressCounter progressTotal;
  ProgressCounter progressCurrent;
  SampleBuffer inputSamples;
  SampleBuffer outputSamples;
  double codecQuality = 0.0;
  SessionText sourceCodecPath;
  CodecLibrary sourceCodec;
  std::int32_t sourceFrameSize = 0;
  std::int32_t sourceFrameCount = 0;
  SessionText testedCodecPath;
  CodecLibrary testedCodec;
  std::int32_t testedFrameSize = 0;
  std::int32_t testedFrameCount = 0;
  std::int32_t comparisonSampleCount = 0;
  SampleBuffer comparisonSamples;
  SampleBuffer sourceCodecOutput;
  SampleBuffer testedCodecOutput;
  // Plug-ins load in host processes unless asked to load in process (for a
  // debugger); a load takes the value at the time.
  bool inProcessPlugins = inProcessPluginsRequested();
  PluginCallControl pluginCalls;
  // How the last recoding's output was fitted to its input, when the codec
  // was a command.
  std::optional<OutputFit> commandOutputFit;

 private:
  bool runNumberedOperation(OperationRequest& request);
  bool fail(std::string reason) { return fail(FailureKind::failed, std::move(reason)); }
  bool fail(FailureKind kind, std::string reason);
  // Stores the score of the analyzer run just ended in `result`, or fails
  // with the analyzer's reason if the run did not complete.
  bool tookScore(double score, double& result);

  ProgressWake progressWake_;
  SignalSynthesizer synthesizer_;
  QualityAnalyzer analyzer_;
  std::string failureReason_;
  FailureKind failureKind_ = FailureKind::failed;
  VoicePair filePair_;  // the voice files of one Compare Files run, while it runs
};

}  // namespace orvelle
