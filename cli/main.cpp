// orvelle-cli: every Orvelle test without a window, for scripts and for
// machines without a display.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "analyzer/measure_version.h"
#include "cli/ab_command.h"
#include "cli/batch_command.h"
#include "cli/batch_rows.h"
#include "cli/commands.h"
#include "cli/league.h"
#include "cli/report_output.h"
#include "kernels/kernel_path.h"
#include "platform/standard_streams.h"
#include "platform/startup_directory.h"
#include "platform/termination.h"

using namespace orvelle::cli;

namespace {

const std::map<std::string, int> kSizeTypes = {{"short", 0}, {"normal", 1}, {"long", 2}};

CLI::Option* addSizeOption(CLI::App* command, std::int32_t* sizeType) {
  return command->add_option("--size", *sizeType, "Internal source size: short, normal (default) or long")
      ->transform(CLI::CheckedTransformer(kSizeTypes, CLI::ignore_case));
}

// An empty path names no file, and some options would silently read it as
// "not given" (an empty --voice as the internal source, an empty --save-* as
// no output).
const CLI::Validator kNotEmpty(
    [](const std::string& value) { return value.empty() ? std::string("an empty path names no file") : std::string(); },
    "", "not empty");

const CLI::Validator kReportPath(reportPathProblem, "FILE.html", "report path");

// A folder written to, made absolute as the command starts: plug-in code run
// in this process may change the current folder before anything is written.
const CLI::Validator kOutputFolder(
    [](std::string& value) {
      std::string problem = CLI::ExistingDirectory(value);
      if (problem.empty()) value = absolutePath(value);
      return problem;
    },
    "DIR", "output folder");

CLI::Validator countCheck(std::uint64_t most) {
  return {[most](std::string& value) { return countProblem(value, most); }, "POSITIVE", "count"};
}

CLI::Option* addReportOption(CLI::App* command, std::string* reportFile) {
  return command
      ->add_option("--report", *reportFile,
                   "Also write the run's pictures (spectra, band sets, speech activity, every similarity) as one "
                   "self-contained HTML file")
      ->check(kReportPath);
}

CLI::Option* addResampleFlag(CLI::App* command, bool* resample) {
  return command->add_flag("--resample", *resample,
                           "Convert a voice file in another sound format (rate, channels, sample size) to 8000 Hz "
                           "mono 16-bit while reading it");
}

// The speech a Codec Quality run codes: a voice file, or the internal source of a size.
void addSourceOptions(CLI::App* command, CodecQualitySource* source) {
  auto* voice = command->add_option("--voice", source->voiceFile, "Voice file (.pcm, .wav, .flac) to use instead of the internal source")
                    ->check(kNotEmpty);
  addSizeOption(command, &source->sizeType)->excludes(voice);
  addResampleFlag(command, &source->resample)->needs(voice);
}

// A word that is neither an option nor a subcommand, where a subcommand was expected.
void addHostingOptions(CLI::App* command, PluginHosting* hosting, const std::string& defaultLimit) {
  auto* timeout = command->add_option("--timeout", hosting->timeoutSeconds,
                                      "Seconds each plug-in call may take before its host is ended (default: " +
                                          defaultLimit + ")");
  timeout->check(CLI::PositiveNumber);
  auto* memory = command->add_option_function<std::string>(
      "--memory-limit", [hosting](const std::string& value) { hosting->memoryLimitBytes = *memorySize(value); },
      "Memory each plug-in's host process may take, such as 512M or 4G (default: 4G, or sixteen times the sample "
      "buffers if that is more)");
  memory->check(CLI::Validator(
      [](const std::string& value) {
        return memorySize(value) ? std::string()
                                 : "a memory size is digits with an optional K, M or G, such as 512M or 4G, more "
                                   "than 0 and less than 8 EiB";
      },
      "", "memory size"));
  memory->type_name("SIZE");
  // In process nothing can end a hung call, or limit a plug-in's memory,
  // without doing it to us.
  command->add_flag("--in-process", hosting->inProcess,
                    "Run plug-in code inside this process instead of a host process, for a debugger")
      ->excludes(timeout)
      ->excludes(memory);
}

bool reportUnknownSubcommand(const CLI::App& app) {
  if (!app.get_subcommands().empty()) return false;
  const std::vector<std::string> rest = app.remaining();
  if (rest.empty() || rest.front().empty() || rest.front().front() == '-') return false;
  std::string known;
  for (const CLI::App* command : app.get_subcommands({})) known += (known.empty() ? "" : ", ") + command->get_name();
  std::fprintf(stderr, "Unknown subcommand \"%s\"; the subcommands are: %s\nRun with --help for more information.\n",
               rest.front().c_str(), known.c_str());
  return true;
}

int runCommandLine(int argc, char** argv) {
  CLI::App app{"Orvelle: measures how much a speech codec plug-in degrades narrow-band speech."};
  app.require_subcommand(1);
  app.footer("Run 'orvelle-cli COMMAND --help' for a command's options and an example.");
  app.set_version_flag("--version", std::string("orvelle-cli ") + orvelle::programVersion() + " (measure version " +
                                        std::to_string(orvelle::kMeasureVersion) + ")",
                       "Print the version of the program and of its measure");
  std::string logDirectory;
  app.add_option("--log-dir", logDirectory, "Folder of the measurement log TestLog.log (default: current folder)")
      ->transform(kOutputFolder);

  QualityOptions quality;
  CLI::App* qualityCommand = app.add_subcommand("quality", "Codec Quality: score a codec plug-in's output against its input");
  qualityCommand->add_option("--codec", quality.codec,
                             "Codec plug-in: a path, the name of a bundled plug-in, or cmd:COMMAND (a shell command "
                             "line from {in} to {out}, or {in.wav} to {out.wav})")
      ->required()
      ->check(kNotEmpty);
  addSourceOptions(qualityCommand, &quality.source);
  qualityCommand->add_option("--save-processed", quality.source.saveProcessed,
                             "Write the codec's output to this voice file (.wav or .pcm)")
      ->check(kNotEmpty);
  qualityCommand->add_flag("--json", quality.json, "Print the result as one JSON object");
  addReportOption(qualityCommand, &quality.reportFile);
  addHostingOptions(qualityCommand, &quality.hosting, "none");
  qualityCommand->footer("Examples: orvelle-cli quality --codec passthrough --size short\n"
                         "          orvelle-cli quality --codec gsm610 --voice speech.wav --report gsm610.html\n"
                         "          orvelle-cli quality --codec 'cmd:sox -t s16 -r 8000 -c 1 {in} -t gsm - | "
                         "sox -t gsm - -t s16 {out}' --size short");

  CompareCodecsOptions compare;
  CLI::App* compareCommand = app.add_subcommand("compare-codecs", "Compare codecs: run the internal source through two plug-ins");
  compareCommand->add_option("--source-codec", compare.sourceCodec, "Source (reference) codec plug-in, or cmd:COMMAND")->required()->check(kNotEmpty);
  compareCommand->add_option("--tested-codec", compare.testedCodec, "Tested codec plug-in, or cmd:COMMAND")->required()->check(kNotEmpty);
  addSizeOption(compareCommand, &compare.sizeType);
  addHostingOptions(compareCommand, &compare.hosting, "none");
  compareCommand->add_option("--save-source", compare.saveSource, "Write the source codec's output to this voice file (.wav or .pcm)")
      ->check(kNotEmpty);
  compareCommand->add_option("--save-tested", compare.saveTested, "Write the tested codec's output to this voice file (.wav or .pcm)")
      ->check(kNotEmpty);
  compareCommand->footer("Example: orvelle-cli compare-codecs --source-codec passthrough --tested-codec ./mine.so --size short --save-tested out.pcm");

  CompareFilesOptions files;
  CLI::App* filesCommand = app.add_subcommand("compare-files", "Compare Files: score a processed voice file against its source");
  filesCommand->add_option("SOURCE", files.sourceFile, "Source voice file (.pcm, .wav, .flac)")->required();
  filesCommand->add_option("PROCESSED", files.processedFile, "Processed voice file (.pcm, .wav, .flac)")->required();
  addResampleFlag(filesCommand, &files.resample);
  filesCommand->add_flag("--json", files.json, "Print the result as one JSON object");
  addReportOption(filesCommand, &files.reportFile);
  filesCommand->footer("Examples: orvelle-cli compare-files speech.pcm speech-decoded.pcm\n"
                       "          orvelle-cli compare-files speech.pcm speech-decoded.pcm --report decoded.html");

  std::int32_t signalSize = 1;
  std::string signalFile;
  CLI::App* signalCommand = app.add_subcommand("signal", "Generate Test Signal: write the synthesised test signal to a voice file");
  addSizeOption(signalCommand, &signalSize);
  signalCommand->add_option("OUT", signalFile, "Voice file (.wav or .pcm) to write")->required()->check(kNotEmpty);
  signalCommand->footer("Example: orvelle-cli signal --size short test-short.pcm");

  std::string headerFile;
  CLI::App* headerCommand = app.add_subcommand("header", "Generate Dll Header: write the C header a codec plug-in implements");
  headerCommand->add_option("OUT", headerFile, "Header file to write")->required()->check(kNotEmpty);
  headerCommand->footer("Example: orvelle-cli header codec.h");

  LeagueOptions league;
  CLI::App* leagueCommand =
      app.add_subcommand("league", "Run Codec Quality for several plug-ins and rank them by score");
  leagueCommand->add_option("PLUGIN", league.plugins,
                            "Plug-ins: paths, bundled names or cmd:COMMAND (default: every bundled plug-in and "
                            "bundled command)")
      ->check(kNotEmpty);
  addSourceOptions(leagueCommand, &league.source);
  leagueCommand->add_flag("--speech", league.speech, "Score every plug-in on each file of the bundled speech corpus (mean per plug-in)")
      ->excludes("--voice")
      ->excludes("--size");
  leagueCommand->add_option("--jobs", league.jobs, "Plug-ins to run at the same time (default: 1)")
      ->check(countCheck(std::numeric_limits<decltype(league.jobs)>::max()));
  auto* csv = leagueCommand->add_flag_callback("--csv", [&league] { league.format = LeagueFormat::Csv; }, "Print CSV");
  auto* json = leagueCommand->add_flag_callback("--json", [&league] { league.format = LeagueFormat::Json; }, "Print JSON");
  csv->excludes(json);
  addHostingOptions(leagueCommand, &league.hosting, std::to_string(kLeagueTimeoutSeconds) + " s per plug-in");
  leagueCommand->footer("Examples: orvelle-cli league --size short g711u g726_32 gsm610 ./mine.so\n"
                        "          orvelle-cli league --speech --jobs 2\n"
                        "          orvelle-cli league --size short g711a 'cmd:sox -D -t s16 -r 8000 -c 1 {in} -t al - | "
                        "sox -t al -r 8000 -c 1 - -t s16 {out}'");

  BatchOptions batch;
  CLI::App* batchCommand = app.add_subcommand(
      "batch", "Score many pairs (Compare Files), or one plug-in over many voice files (Codec Quality)");
  batchCommand->add_option("INPUTS", batch.inputs,
                           "PAIRS.csv (header source,processed[,id]; - for standard input), or with --codec voice files")
      ->check(kNotEmpty);
  auto* batchCodec = batchCommand->add_option("--codec", batch.job.plugin, "Run this codec plug-in (or cmd:COMMAND) over every voice file")
                         ->check(kNotEmpty);
  batchCommand->add_option("--list", batch.voiceList, "File of voice files, one a line (- for standard input)")
      ->check(kNotEmpty)
      ->needs(batchCodec);
  batchCommand->add_flag("--csv", batch.csv, "Print CSV instead of one JSON object a line");
  batchCommand->add_flag("--groups", batch.groups, "Add every group's similarities");
  batchCommand->add_option("--jobs", batch.jobs, "Rows run at once (default: one per core)")
      ->check(countCheck(std::numeric_limits<decltype(batch.jobs)>::max()));
  batchCommand->add_option("--log-dir", batch.job.logDir, "Write each row's measurement log as DIR/<id>.log")
      ->check(CLI::ExistingDirectory);
  batchCommand->add_option("--report-dir", batch.job.reportDir,
                           "Write each scored row's HTML report as DIR/<id>.html, and DIR/index.html listing the "
                           "rows of this run by score")
      ->check(CLI::ExistingDirectory);
  batchCommand->add_option("--shard", batch.shard, "Run rows K, K+N, K+2N, ... only (1-based), as K/N");
  batchCommand->add_option("--resume", batch.resume, "Skip the ids that already have a score in these JSON lines")
      ->check(kNotEmpty);
  addResampleFlag(batchCommand, &batch.job.resample);
  addHostingOptions(batchCommand, &batch.job.hosting, std::to_string(kBatchTimeoutSeconds) + " s per call");
  batchCommand->footer(
      "Examples: orvelle-cli batch pairs.csv --jobs 2 > results.jsonl\n"
      "          orvelle-cli batch --codec g711u --list voices.txt --csv > g711u.csv\n"
      "          orvelle-cli batch pairs.csv --report-dir reports > results.jsonl   (open reports/index.html)");

  AbOptions ab;
  CLI::App* abCommand = app.add_subcommand(
      "ab", "Compare two builds of a codec file by file: deltas, a 95 % interval of their mean, gates for CI");
  abCommand->add_option("INPUTS", ab.inputs,
                        "With --codec: voice files; without: BASE.jsonl NEW.jsonl, two results of batch --codec")
      ->check(kNotEmpty);
  auto* abCodec = abCommand
                      ->add_option("--codec", ab.codecs,
                                   "A build of the codec (a path or a bundled name); give it twice, the base first")
                      ->check(kNotEmpty)
                      ->expected(1)
                      ->allow_extra_args(false)
                      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  abCommand->add_flag("--speech", ab.speech, "Code every file of the bundled speech corpus")->needs(abCodec);
  abCommand->add_option("--list", ab.voiceList, "File of voice files, one a line (- for standard input)")
      ->check(kNotEmpty)
      ->needs(abCodec);
  addResampleFlag(abCommand, &ab.resample)->needs(abCodec);
  abCommand->add_option("--jobs", ab.jobs, "Runs at once, both builds counted (default: one per core)")
      ->check(countCheck(std::numeric_limits<decltype(ab.jobs)>::max()))
      ->needs(abCodec);
  addHostingOptions(abCommand, &ab.hosting, std::to_string(kBatchTimeoutSeconds) + " s per call");
  for (const char* name : {"--timeout", "--memory-limit", "--in-process"}) abCommand->get_option(name)->needs(abCodec);
  auto* abCsv = abCommand->add_flag_callback("--csv", [&ab] { ab.format = AbFormat::Csv; }, "Print CSV, the summary on stderr");
  auto* abJson = abCommand->add_flag_callback("--json", [&ab] { ab.format = AbFormat::Json; }, "Print JSON");
  abCsv->excludes(abJson);
  abCommand->add_option("--fail-if-worse", ab.failIfWorse,
                        "Exit 1 when the whole 95 % interval of the mean delta lies below -P score percentage points")
      ->type_name("P")
      ->check(CLI::NonNegativeNumber);
  abCommand->add_option("--fail-if-any-worse", ab.failIfAnyWorse,
                        "Exit 1 when any file drops by more than P score percentage points")
      ->type_name("P")
      ->check(CLI::NonNegativeNumber);
  abCommand->add_option("--report", ab.reportDir,
                        "Write both builds' report of every file and DIR/index.html, which ranks the files by delta "
                        "and draws the five worst in both builds")
      ->transform(kOutputFolder)
      ->needs(abCodec);
  abCommand->footer(
      "Examples: orvelle-cli ab --codec old/mine.so --codec new/mine.so --speech --fail-if-worse 0.5\n"
      "          orvelle-cli ab --codec gsm610 --codec ./mine.so --list voices.txt --report ab-reports\n"
      "          orvelle-cli ab base.jsonl new.jsonl --json   (each from batch --codec ... > FILE.jsonl)");

  CLI::App* logCommand = app.add_subcommand("log", "Print the measurement log of the last scoring run");
  logCommand->footer("Example: orvelle-cli log");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    if (reportUnknownSubcommand(app)) return kExitUsage;
    app.exit(e);
    CLI::App* failing = &app;
    for (CLI::App* sub : app.get_subcommands()) failing = sub;
    std::fputs(failing->help().c_str(), stderr);
    return kExitUsage;
  }

  orvelle::platform::setStartupDirectory(logDirectory.empty() ? orvelle::platform::currentDirectoryWithSeparator()
                                                              : logDirectory);
  if (*qualityCommand) return runQuality(quality);
  if (*compareCommand) return runCompareCodecs(compare);
  if (*filesCommand) return runCompareFiles(files);
  if (*signalCommand) return runSignal(signalSize, signalFile);
  if (*headerCommand) return runHeader(headerFile);
  if (*leagueCommand) return runLeagueCommand(league);
  if (*batchCommand) return runBatchCommand(batch);
  if (*abCommand) return runAbCommand(ab);
  return runLog();
}

}  // namespace

int main(int argc, char** argv) {
  // First: every thread started later inherits the blocked signals, which
  // only the termination thread takes.
  orvelle::platform::handleTerminationSignals();
  orvelle::platform::reserveStandardStreams();
  // A kernel path asked for that cannot be had is a wrong call, refused
  // before any work: a run on another path would not be what was asked.
  if (const std::string refusal = orvelle::kernelChoiceRefusal(); !refusal.empty()) {
    std::fprintf(stderr, "orvelle-cli: %s\n", refusal.c_str());
    return kExitUsage;
  }
  const int status = runCommandLine(argc, argv);
  // A result that never reached its reader is a failed job, whatever the
  // command itself thought.
  std::string reason;
  if (!orvelle::platform::closeStandardOutput(reason)) {
    std::fprintf(stderr, "orvelle-cli: %s\n", reason.c_str());
    return status == kExitSuccess ? kExitFailed : status;
  }
  return status;
}
