#include "report/batch_index.h"

#include <algorithm>

#include "report/html_text.h"
#include "report/page_layout.h"
#include "analyzer/analysis_result.h"

namespace orvelle::report {

std::string batchIndexHtml(const std::string& title, const std::vector<std::string>& inputHeadings,
                           std::vector<IndexRow> rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const IndexRow& a, const IndexRow& b) {
    if (a.scored != b.scored) return a.scored;
    return a.scored && a.score > b.score;
  });
  std::size_t scored = 0;
  for (const IndexRow& row : rows) scored += row.scored ? 1 : 0;
  std::string html = pageStart(title + " (Orvelle reports)");
  html += "<h1>" + escapeHtml(title) + "</h1>\n<p class=\"hint\">" + std::to_string(rows.size()) + " rows, " +
          std::to_string(scored) + " scored, " + std::to_string(rows.size() - scored) +
          " failed; highest score first. Each id opens the row's report.</p>\n";
  html += "<table class=\"index\">\n<tr><th class=\"number\">Rank</th><th>Id</th><th class=\"number\">Score "
          "(%)</th><th class=\"number\">Points</th><th class=\"number\">Agreement (%)</th>";
  for (const std::string& heading : inputHeadings) html += "<th>" + escapeHtml(heading) + "</th>";
  html += "<th>Error</th></tr>\n";
  std::size_t rank = 0;
  for (const IndexRow& row : rows) {
    const std::string field = "rows." + row.id + ".";
    html += "<tr><td class=\"number\">" + (row.scored ? std::to_string(++rank) : std::string("-")) + "</td><td>";
    const std::string id = escapeHtml(row.id);
    html += row.reportFile.empty() ? id : "<a href=\"" + escapeHtml(row.reportFile) + "\">" + id + "</a>";
    html += "</td>";
    if (row.scored) {
      html += valueCell(field + "score", row.score, fixedNumber(row.score, 2)) +
              valueCell(field + "points", scorePoints(row.score), fixedNumber(scorePoints(row.score), 2)) +
              valueCell(field + "agreement", row.agreement, fixedNumber(row.agreement * 100.0, 2));
    } else {
      html += "<td class=\"number\">-</td><td class=\"number\">-</td><td class=\"number\">-</td>";
    }
    for (const std::string& input : row.inputs) html += "<td class=\"path\">" + escapeHtml(input) + "</td>";
    html += "<td class=\"error\">" + escapeHtml(row.error) + "</td></tr>\n";
  }
  return html + "</table>\n" + pageEnd();
}

}  // namespace orvelle::report
