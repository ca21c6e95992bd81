#include "cli/ab_command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <thread>

#include "cli/ab_report.h"
#include "cli/ab_stored.h"
#include "cli/commands.h"
#include "engine/speech_corpus.h"

namespace orvelle::cli {

namespace {

using engine::AbScore;
using engine::AbSide;

// The voice files both builds code, as the options name them; ids are the
// row numbers, as `batch --codec` gives them, so that stored results of
// the same list pair up alike.
bool readVoiceRows(const AbOptions& options, std::vector<engine::BatchRow>& rows, std::string& reason) {
  if (options.speech) {
    const engine::SpeechCorpus corpus = engine::bundledSpeechCorpus();
    if (!corpus.unavailable.empty()) {
      reason = corpus.unavailable;
      return false;
    }
    appendVoiceFiles(corpus.files, rows);
    return true;
  }
  appendVoiceFiles(options.inputs, rows);
  if (!options.voiceList.empty()) {
    std::string text;
    const std::string name = options.voiceList == "-" ? "standard input" : "\"" + options.voiceList + "\"";
    if (!readInputText(options.voiceList, text, reason) || !appendVoiceList(text, name, rows, reason)) return false;
  }
  if (rows.empty()) {
    reason = "ab --codec needs voice files: name them, give --list FILE, or --speech";
    return false;
  }
  return true;
}

AbScore scoreOf(const engine::BatchRow& row, const engine::RowOutcome& outcome) {
  AbScore score;
  score.id = row.id;
  score.voice = row.source;
  score.scored = outcome.scored && outcome.error.empty();
  score.score = outcome.score;
  score.companion = outcome.analysis.companion;
  score.error = outcome.error;
  return score;
}

struct AbInputs {
  std::vector<AbScore> base;
  std::vector<AbScore> next;
  // With --codec: the rows run, and with reports what the index draws.
  std::vector<engine::BatchRow> rows;
  AbSideRuns runs[2];
};

// Both plug-ins over the same voice files, side by side on the cores.
bool runCodecs(const AbOptions& options, AbInputs& inputs, std::string& reason) {
  std::vector<engine::BatchRow>& rows = inputs.rows;
  if (!readVoiceRows(options, rows, reason)) return false;
  // Fixed before any plug-in code runs, which in process could change the
  // current folder; the output keeps the names as given.
  std::vector<engine::BatchRow> running = rows;
  for (engine::BatchRow& row : running) row.source = absolutePath(row.source);
  engine::BatchJob jobs[2];
  for (int side = 0; side < 2; ++side) {
    jobs[side].plugin = options.hosting.choice(absolutePluginPath(options.codecs[side]));
    jobs[side].resample = options.resample;
  }
  AbSideRuns* runs = inputs.runs;
  runs[0].plugin = options.codecs[0];
  runs[1].plugin = options.codecs[1];
  const bool reporting = !options.reportDir.empty();
  const unsigned threads = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  engine::runAbRows(
      running, jobs[0], jobs[1], threads,
      [&](AbSide side, const engine::BatchRow& row, engine::RowOutcome& outcome) {
        if (!outcome.scored && !outcome.error.empty()) outcome.error = failureText({outcome.errorKind, "", outcome.error});
        const int s = side == AbSide::base ? 0 : 1;
        if (reporting) writeAbRunReport(options.reportDir, side, options.codecs[s], row, options.resample, outcome);
        // The index draws spectra and bands alone, and only with reports.
        outcome.analysis.pictures.activity = {};
        if (!reporting) outcome.analysis.pictures = RunPictures{};
      },
      [&](AbSide side, std::size_t index, const engine::RowOutcome& outcome) {
        (side == AbSide::base ? inputs.base : inputs.next).push_back(scoreOf(rows[index], outcome));
        if (reporting) runs[side == AbSide::base ? 0 : 1].outcomes.push_back(outcome);
      });
  return true;
}

bool checkForm(const AbOptions& options, std::string& reason) {
  if (options.codecs.empty()) {
    if (options.inputs.size() == 2 && (options.inputs[0] != "-" || options.inputs[1] != "-")) return true;
    reason = "ab compares two stored batch results (ab BASE.jsonl NEW.jsonl), or two plug-ins with --codec BASE "
             "--codec NEW and voice files";
    return false;
  }
  if (options.codecs.size() != 2) {
    reason = "ab needs two plug-ins, the base first: --codec BASE --codec NEW";
    return false;
  }
  if (options.speech && (!options.inputs.empty() || !options.voiceList.empty())) {
    reason = "ab --speech codes the bundled speech; name no voice files and no --list with it";
    return false;
  }
  return true;
}

}  // namespace

int runAbCommand(const AbOptions& options) {
  std::string reason;
  AbInputs inputs;
  if (!checkForm(options, reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return kExitUsage;
  }
  if (options.codecs.empty()) {
    if (!readBatchResults(options.inputs[0], inputs.base, reason) ||
        !readBatchResults(options.inputs[1], inputs.next, reason)) {
      std::fprintf(stderr, "%s\n", reason.c_str());
      return kExitUsage;
    }
  } else if (!runCodecs(options, inputs, reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return options.speech ? kExitFailed : kExitUsage;
  }

  const engine::AbComparison comparison = engine::compareAb(inputs.base, inputs.next);
  bool reportsWritten = true;
  if (!options.reportDir.empty()) {
    reportsWritten =
        writeAbIndex(options.reportDir, comparison, inputs.rows, inputs.runs[0], inputs.runs[1], reason);
    if (!reportsWritten) printFailure("Report can't be written!", reason);
  }
  const AbGateOutcome gates = checkGates(comparison, options.failIfWorse, options.failIfAnyWorse);
  std::cout << formatAb(comparison, gates, options.format) << std::flush;
  if (options.format == AbFormat::Csv) {
    for (const std::string& line : summaryLines(comparison)) std::fprintf(stderr, "%s\n", line.c_str());
  }
  for (const std::string& line : gateLines(comparison, gates)) std::fprintf(stderr, "%s\n", line.c_str());
  const bool complete = !comparison.files.empty() && comparison.failed.empty();
  if (comparison.files.empty() && options.format == AbFormat::Json) {
    std::fputs("No file was scored by both builds.\n", stderr);
  }
  return complete && gates.passed() && reportsWritten ? kExitSuccess : kExitFailed;
}

}  // namespace orvelle::cli
