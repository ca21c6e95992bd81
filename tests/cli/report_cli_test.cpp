#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_line.h"
#include "tests/support/html_scan.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

// The numbers of a --json result by the field names the report uses:
// "score", "groups.main.1.mode0", "companion.segmentalSnrDb", ...
std::map<std::string, nlohmann::json> jsonFields(const nlohmann::json& result) {
  std::map<std::string, nlohmann::json> fields;
  for (const char* name : {"score", "points", "agreement"}) fields[name] = result.at(name);
  for (const char* kind : {"main", "secondary"}) {
    for (const auto& group : result.at("groups").at(kind)) {
      const std::string prefix = std::string("groups.") + kind + "." + std::to_string(group.at("group").get<int>());
      fields[prefix + ".mode0"] = group.at("mode0");
      fields[prefix + ".mode1"] = group.at("mode1");
    }
  }
  if (!result.at("companion").is_null()) {
    for (const auto& [name, value] : result.at("companion").items()) fields["companion." + name] = value;
  }
  return fields;
}

// Every number of the JSON stands in the report with the same value, and
// the report has no figure the JSON lacks.
void expectSameNumbers(const std::string& html, const nlohmann::json& result) {
  const test::HtmlDocument page = test::scanHtml(html);
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_TRUE(test::outsideReferences(page).empty()) << test::outsideReferences(page).front();
  EXPECT_TRUE(test::chartsMissingLabels(page).empty()) << test::chartsMissingLabels(page).front();
  const auto shown = page.fields();
  const auto expected = jsonFields(result);
  EXPECT_EQ(shown.size(), expected.size());
  for (const auto& [field, value] : expected) {
    ASSERT_EQ(shown.count(field), 1u) << field;
    const test::HtmlElement& element = *shown.at(field);
    if (value.is_string()) {
      EXPECT_EQ(element.attribute("data-text"), value.get<std::string>()) << field;
    } else if (value.is_null()) {
      EXPECT_EQ(element.attribute("data-value"), "null") << field;
    } else {
      EXPECT_EQ(std::strtod(element.attribute("data-value").c_str(), nullptr), value.get<double>()) << field;
    }
  }
}

class ReportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto speech = test::speechLikeSignal(4);
    test::writeVoiceFile(scratch.file("speech.pcm"), speech);
    auto third = speech;
    for (auto& sample : third) sample = static_cast<std::int16_t>(sample / 3);
    test::writeVoiceFile(scratch.file("speech & <third>.pcm"), third);
  }
  test::CommandResult run(const std::string& arguments) { return test::runCommand(kProgram + " " + arguments, scratch); }
  std::string file(const std::string& name) const { return test::readWholeFile(scratch.file(name)); }

  test::ScratchDirectory scratch;
};

TEST_F(ReportCli, CompareFilesReportHoldsTheJsonNumbersAndTheInputs) {
  const auto result = run("compare-files speech.pcm 'speech & <third>.pcm' --json --report files.html");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const nlohmann::json json = nlohmann::json::parse(result.out);
  const std::string html = file("files.html");
  expectSameNumbers(html, json);
  EXPECT_NE(html.find("speech &amp; &lt;third&gt;.pcm"), std::string::npos);
  EXPECT_GT(json.at("score").get<double>(), 1.0);
  EXPECT_LT(json.at("score").get<double>(), 99.0);
}

TEST_F(ReportCli, CodecQualityReportHoldsTheJsonNumbers) {
  const std::string plugin = test::testPlugin("half_amplitude");
  const auto result = run("quality --codec '" + plugin + "' --voice speech.pcm --json --report quality.html");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string html = file("quality.html");
  expectSameNumbers(html, nlohmann::json::parse(result.out));
  EXPECT_NE(html.find("<h1>Codec Quality: "), std::string::npos);
  EXPECT_NE(html.find(plugin), std::string::npos);
  // Without --json the report is the same.
  ASSERT_EQ(run("quality --codec '" + plugin + "' --voice speech.pcm --report again.html").exitCode, 0);
  EXPECT_EQ(file("again.html"), html);
}

TEST_F(ReportCli, AReportThatCannotBeWrittenIsRefusedBeforeTheRun) {
  const auto missing = run("compare-files speech.pcm speech.pcm --report no-such-folder/r.html");
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("no-such-folder"), std::string::npos) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(scratch.file("TestLog.log"))) << "nothing was run";

  const auto folder = run("compare-files speech.pcm speech.pcm --report .");
  EXPECT_EQ(folder.exitCode, 2);

  const auto same = run("quality --codec passthrough --voice speech.pcm --save-processed out.html --report out.html");
  EXPECT_EQ(same.exitCode, 2);
  EXPECT_NE(same.err.find("name the same file"), std::string::npos) << same.err;
}

TEST_F(ReportCli, HelpNamesTheReportOptions) {
  EXPECT_NE(run("quality --help").out.find("--report"), std::string::npos);
  EXPECT_NE(run("compare-files --help").out.find("--report"), std::string::npos);
  EXPECT_NE(run("batch --help").out.find("--report-dir"), std::string::npos);
}

std::vector<nlohmann::json> jsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

TEST_F(ReportCli, BatchWritesAReportPerRowAndAnIndexByScore) {
  auto half = test::speechLikeSignal(4);
  for (auto& sample : half) sample = static_cast<std::int16_t>(sample / 2);
  test::writeVoiceFile(scratch.file("half.pcm"), half);
  test::writeWholeFile(scratch.file("pairs.csv"),
                       "id,source,processed\n"
                       "third,speech.pcm,speech & <third>.pcm\n"
                       "gone,speech.pcm,missing.pcm\n"
                       "same,speech.pcm,speech.pcm\n"
                       "half,speech.pcm,half.pcm\n");
  std::filesystem::create_directory(scratch.file("reports"));
  const auto result = run("batch pairs.csv --groups --jobs 2 --report-dir reports");
  EXPECT_EQ(result.exitCode, 1) << "one row fails";
  const auto rows = jsonLines(result.out);
  ASSERT_EQ(rows.size(), 4u);

  for (const auto& row : rows) {
    const std::string id = row.at("id");
    const std::string report = scratch.file("reports/" + id + ".html");
    if (row.at("score").is_null()) {
      EXPECT_FALSE(std::filesystem::exists(report)) << id;
      continue;
    }
    // The batch line has the same numbers as the row's report.
    const test::HtmlDocument page = test::scanHtml(test::readWholeFile(report));
    ASSERT_TRUE(page.faults.empty()) << id;
    const auto fields = page.fields();
    for (const char* name : {"score", "points", "agreement"}) {
      EXPECT_EQ(std::strtod(fields.at(name)->attribute("data-value").c_str(), nullptr), row.at(name).get<double>())
          << id << " " << name;
    }
    for (const auto& group : row.at("groups").at("main")) {
      const std::string field = "groups.main." + std::to_string(group.at("group").get<int>()) + ".mode0";
      EXPECT_EQ(std::strtod(fields.at(field)->attribute("data-value").c_str(), nullptr), group.at("mode0").get<double>());
    }
  }

  const std::string index = file("reports/index.html");
  const test::HtmlDocument page = test::scanHtml(index);
  ASSERT_TRUE(page.faults.empty()) << page.faults.front();
  EXPECT_TRUE(test::outsideReferences(page).empty());
  const test::BatchIndexListing listing = test::listBatchIndex(page);
  EXPECT_EQ(listing.ids, (std::vector<std::string>{"same", "half", "third", "gone"}));
  EXPECT_EQ(listing.links, (std::vector<std::string>{"same.html", "half.html", "third.html"}));
  EXPECT_NE(index.find("missing.pcm"), std::string::npos);
  EXPECT_NE(index.find("Can&#39;t calculate Quality!"), std::string::npos) << "the failed row says why";
  EXPECT_EQ(std::strtod(page.fields().at("rows.half.score")->attribute("data-value").c_str(), nullptr),
            rows[3].at("score").get<double>());
}

TEST_F(ReportCli, BatchRefusesIdsThatCannotNameAReport) {
  std::filesystem::create_directory(scratch.file("reports"));
  test::writeWholeFile(scratch.file("unsafe.csv"), "id,source,processed\n../up,speech.pcm,speech.pcm\n");
  const auto unsafe = run("batch unsafe.csv --report-dir reports");
  EXPECT_EQ(unsafe.exitCode, 2);
  EXPECT_NE(unsafe.err.find("row 1: the id \"../up\" cannot name its report; ids used with --report-dir"),
            std::string::npos)
      << unsafe.err;

  test::writeWholeFile(scratch.file("index.csv"), "id,source,processed\nindex,speech.pcm,speech.pcm\n");
  const auto index = run("batch index.csv --report-dir reports");
  EXPECT_EQ(index.exitCode, 2);
  EXPECT_NE(index.err.find("\"index\""), std::string::npos) << index.err;
  EXPECT_TRUE(std::filesystem::is_empty(scratch.file("reports")));

  EXPECT_EQ(run("batch index.csv --report-dir no-such-folder").exitCode, 2);
  // Without reports the same id is fine.
  EXPECT_EQ(run("batch index.csv").exitCode, 0);
}

}  // namespace
}  // namespace orvelle
