#include "cli/ab_report.h"

#include <map>

#include "cli/ab_output.h"
#include "cli/batch_runner.h"
#include "cli/report_output.h"
#include "report/ab_index.h"

namespace orvelle::cli {

namespace {

const char* sideName(engine::AbSide side) { return side == engine::AbSide::base ? "base" : "new"; }

std::array<double, kMainGroupCount> mainSimilarities(const engine::RowOutcome& outcome) {
  return outcome.analysis.uniform.main;
}

}  // namespace

std::string abReportFile(engine::AbSide side, const std::string& id) {
  return std::string(sideName(side)) + "-" + id + ".html";
}

void writeAbRunReport(const std::string& dir, engine::AbSide side, const std::string& plugin, const engine::BatchRow& row,
                      bool resample, engine::RowOutcome& outcome) {
  if (!outcome.scored) return;
  std::string reason;
  const report::RunReport run{"Codec Quality", codecQualityInputs(plugin, {row.source, 1, {}, resample}, outcome.frameSize),
                              outcome.score, outcome.analysis};
  outcome.reportWritten = writeRunReport(dir + "/" + abReportFile(side, row.id), run, reason);
  if (!outcome.reportWritten) {
    outcome.scored = false;
    outcome.error = "the report could not be written: " + reason;
  }
}

bool writeAbIndex(const std::string& dir, const engine::AbComparison& comparison,
                  const std::vector<engine::BatchRow>& rows, const AbSideRuns& base, const AbSideRuns& next,
                  std::string& reason) {
  std::map<std::string, std::size_t> rowOf;
  for (std::size_t i = 0; i < rows.size(); ++i) rowOf.emplace(rows[i].id, i);
  report::AbIndexPage page;
  page.title = "A/B comparison of " + next.plugin + " against " + base.plugin;
  page.summary = summaryLines(comparison);
  for (const engine::AbFileDelta& file : comparison.files) {
    const std::size_t i = rowOf.at(file.id);
    page.files.push_back({file.id, file.voice, file.base, file.next, file.delta,
                          base.outcomes[i].reportWritten ? abReportFile(engine::AbSide::base, file.id) : "",
                          next.outcomes[i].reportWritten ? abReportFile(engine::AbSide::next, file.id) : ""});
  }
  for (const std::string& id : comparison.worst) {
    const std::size_t i = rowOf.at(id);
    const engine::RowOutcome& b = base.outcomes[i];
    const engine::RowOutcome& n = next.outcomes[i];
    page.worst.push_back({id, n.score - b.score, b.analysis.pictures, n.analysis.pictures, mainSimilarities(b),
                          mainSimilarities(n)});
  }
  for (const engine::AbFailure& failure : comparison.failed) {
    std::string why;
    if (!failure.baseError.empty()) why += "base: " + failure.baseError;
    if (!failure.newError.empty()) why += std::string(why.empty() ? "" : "; ") + "new: " + failure.newError;
    page.notCompared.push_back({failure.id, why});
  }
  return report::writeHtmlFile(dir + "/" + kBatchIndexFile, report::abIndexHtml(std::move(page)), reason);
}

}  // namespace orvelle::cli
