#pragma once

#include <cstdint>
#include <string>

#include "analyzer/analysis_result.h"
#include "cli/operation_runner.h"
#include "session/test_session.h"

namespace orvelle::cli {

struct CodecQualitySource {
  std::string voiceFile;  // empty: the internal source
  std::int32_t sizeType = 1;
  std::string saveProcessed;  // where to keep the codec's output; empty: nowhere
  bool resample = false;      // convert a voice file in another sound format
};

// How plug-in code runs: in a host process, each call limited to
// `timeoutSeconds` (0: no limit), or in this process, for a debugger.
struct PluginHosting {
  bool inProcess = false;
  int timeoutSeconds = 0;

  void applyTo(TestSession& session) const;
};

struct CodecQualityOutcome {
  bool succeeded = false;
  std::string failure;  // the message and its reason, when it did not succeed
  std::int32_t frameSize = 0;
  double score = 0.0;
  AnalysisResult analysis;
};

// The Codec Quality test, as the desktop program's command runs it: load the
// plug-in, prepare, recode, score, release the buffers. The plug-in stays
// loaded in `session`. Failures are printed as they happen unless `reporting`
// is quiet; the outcome holds them either way.
CodecQualityOutcome runCodecQuality(TestSession& session, const std::string& plugin,
                                    const CodecQualitySource& source, const PluginHosting& hosting,
                                    Reporting reporting = Reporting::toStderr);

}  // namespace orvelle::cli
