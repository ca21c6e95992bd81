#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_line.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

using namespace std::string_literals;

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

std::vector<nlohmann::json> jsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

class BatchThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto speech = test::speechLikeSignal(3);
    test::writeVoiceFile(scratch.file("a.pcm"), speech);
    for (int divisor : {2, 3, 5}) {
      auto processed = speech;
      for (auto& sample : processed) sample = static_cast<std::int16_t>(sample / divisor);
      test::writeVoiceFile(scratch.file("a-" + std::to_string(divisor) + ".pcm"), processed);
    }
    test::writeWholeFile(scratch.file("short.pcm"), std::string(100, '\0'));
    test::writeWholeFile(scratch.file("pairs.csv"),
                         "source,processed\n"
                         "a.pcm,a-2.pcm\n"
                         "a.pcm,missing.pcm\n"
                         "\"a.pcm\",\"a-3.pcm\"\r\n"
                         "\n"
                         "a.pcm,short.pcm\n"
                         "a.pcm,a-5.pcm\n");
  }
  test::CommandResult run(const std::string& arguments) { return test::runCommand(kProgram + " " + arguments, scratch); }

  test::ScratchDirectory scratch;
};

TEST_F(BatchThreaded, RowsAreThoseOfSingleCompareFilesRunsWhateverTheJobs) {
  const auto one = run("batch pairs.csv --jobs 1");
  const auto two = run("batch pairs.csv --jobs 2");
  EXPECT_EQ(one.exitCode, 1) << "two rows fail";
  EXPECT_EQ(two.exitCode, 1);
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(one.err, "batch: 5 rows, 3 scored, 2 failed; score mean 13.37, median 11.11, min 4.00\n")
      << "no progress line when stderr is not a terminal";

  const auto rows = jsonLines(one.out);
  ASSERT_EQ(rows.size(), 5u);
  const char* processed[] = {"a-2.pcm", "missing.pcm", "a-3.pcm", "short.pcm", "a-5.pcm"};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i]["row"], i + 1);
    EXPECT_EQ(rows[i]["id"], std::to_string(i + 1));
    EXPECT_EQ(rows[i]["processed"], processed[i]);
    const auto single = run(std::string("compare-files --json a.pcm ") + processed[i]);
    if (single.exitCode != 0) {
      EXPECT_TRUE(rows[i]["score"].is_null());
      EXPECT_NE(rows[i]["error"].get<std::string>().find(processed[i]), std::string::npos) << rows[i]["error"];
      continue;
    }
    const auto expected = nlohmann::json::parse(single.out);
    EXPECT_TRUE(rows[i]["error"].is_null());
    for (const char* key : {"score", "points", "agreement"}) {
      EXPECT_EQ(rows[i][key].get<double>(), expected[key].get<double>()) << key;
    }
    EXPECT_EQ(rows[i]["companion"], expected["companion"]);
  }

  const auto groups = jsonLines(run("batch pairs.csv --groups").out);
  EXPECT_EQ(groups[0]["groups"], nlohmann::json::parse(run("compare-files --json a.pcm a-2.pcm").out)["groups"]);
}

TEST_F(BatchThreaded, ShardsMergedByTheReadmeRecipeAreTheWholeOutput) {
  const auto whole = run("batch pairs.csv");
  for (int k = 1; k <= 3; ++k) {
    const auto shard = test::runCommand(kProgram + " batch pairs.csv --shard " + std::to_string(k) + "/3", scratch,
                                        "> shard-" + std::to_string(k) + ".jsonl");
    EXPECT_NE(shard.exitCode, 2) << shard.err;
  }
  const auto merged = test::runCommand("cat shard-*.jsonl | sort -s -t: -k2,2n", scratch);
  EXPECT_EQ(merged.out, whole.out);
  EXPECT_EQ(run("batch pairs.csv --shard 3/2").exitCode, 2);
}

TEST_F(BatchThreaded, ResumeRunsOnlyRowsWithoutAScore) {
  ASSERT_EQ(test::runCommand(kProgram + " batch pairs.csv", scratch, "> first.jsonl").exitCode, 1);
  test::writeVoiceFile(scratch.file("missing.pcm"), test::speechLikeSignal(3));
  const auto again = run("batch pairs.csv --resume first.jsonl");
  const auto rows = jsonLines(again.out);
  ASSERT_EQ(rows.size(), 2u) << again.out;
  EXPECT_EQ(rows[0]["row"], 2);
  EXPECT_EQ(rows[0]["score"], 100.0);
  EXPECT_EQ(rows[1]["row"], 4);
  EXPECT_NE(again.err.find("3 skipped as already scored"), std::string::npos) << again.err;
  EXPECT_EQ(run("batch pairs.csv --resume nothing-yet.jsonl").out, run("batch pairs.csv").out);

  test::writeWholeFile(scratch.file("bad.jsonl"), "{\"id\":\"1\",\"score\":5}\nnot json\n");
  const auto bad = run("batch pairs.csv --resume bad.jsonl");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("\"bad.jsonl\" line 2: not a JSON object"), std::string::npos) << bad.err;
}

TEST_F(BatchThreaded, MalformedListsAndIdsAreRefusedWithTheirLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"source,processed\na.pcm,a-2.pcm\n\"a.pcm,a-2.pcm\n", "line 3: a quoted field is not closed"},
      {"source,processed\na.pcm\n", "line 2: 1 fields, but the header has 2"},
      {"src,processed\n", "line 1: the header must name"},
      {"id,source,processed\nx,a.pcm,a-2.pcm\nx,a.pcm,a-3.pcm\n", "row 2: the id \"x\" is given twice"},
      {"", "no header line"},
      {"source,processed\na.pcm,a-2.pcm\na.pcm,a-3.pcm\0.pcm\n"s, "line 3 holds a NUL byte"},
      {"\xFF\xFEs\0,\0p\0\n\0"s, "standard input is UTF-16 text; save the list as UTF-8"},
  };
  for (const auto& [list, message] : cases) {
    SCOPED_TRACE(list);
    test::writeWholeFile(scratch.file("list.csv"), list);
    const auto result = run("batch - < list.csv");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
  }
  test::writeWholeFile(scratch.file("ids.csv"), "id,source,processed\n../up,a.pcm,a-2.pcm\n");
  EXPECT_EQ(run("batch ids.csv").exitCode, 0) << "without logs an id names no file";
  const auto refused = run("batch ids.csv --log-dir .");
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("row 1: the id \"../up\" cannot name its log file"), std::string::npos) << refused.err;
}

TEST_F(BatchThreaded, ListsWithAByteOrderMarkReadAndNumbersTooLargeAreRefused) {
  test::writeWholeFile(scratch.file("marked.csv"), "\xEF\xBB\xBFsource,processed\r\na.pcm,a-2.pcm\r\n");
  const auto pairs = jsonLines(run("batch marked.csv").out);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0]["source"], "a.pcm");
  EXPECT_EQ(pairs[0]["score"], jsonLines(run("batch pairs.csv").out)[0]["score"]);
  test::writeWholeFile(scratch.file("voices.txt"), "\xEF\xBB\xBF" "a-2.pcm\n");
  const auto voices = jsonLines(run("batch --codec passthrough --list voices.txt").out);
  ASSERT_EQ(voices.size(), 1u);
  EXPECT_EQ(voices[0]["voice"], "a-2.pcm");
  EXPECT_TRUE(voices[0]["error"].is_null()) << voices[0];
  test::writeWholeFile(scratch.file("voices.txt"), "a-2.pcm\na\0.pcm\n"s);
  const auto nul = run("batch --codec passthrough --list voices.txt");
  EXPECT_EQ(nul.exitCode, 2);
  EXPECT_EQ(nul.err, "\"voices.txt\" line 2 holds a NUL byte, which no path can hold\n");

  const struct {
    std::string arguments;
    std::string message;
  } refused[] = {
      {"batch pairs.csv --shard 1/99999999999999999999",
       "--shard takes K/N with 1 <= K <= N, such as 2/8; \"1/99999999999999999999\" holds 99999999999999999999, more "
       "than the largest K or N, 9223372036854775807\n"},
      {"batch pairs.csv --shard +1/2", "\"+1/2\" is not that\n"},
      {"batch pairs.csv --jobs 4294967296", "--jobs: \"4294967296\" is too large; it takes a whole number from 1 to "
                                            "4294967295\n"},
      {"batch pairs.csv --jobs 0", "--jobs: \"0\" is not a whole number from 1 to 4294967295\n"},
      {"league --jobs 99999999999999999999", "--jobs: \"99999999999999999999\" is too large; it takes a whole number "
                                             "from 1 to 2147483647\n"},
  };
  for (const auto& bad : refused) {
    SCOPED_TRACE(bad.arguments);
    const auto result = run(bad.arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(bad.message), std::string::npos) << result.err;
  }
}

TEST_F(BatchThreaded, LogsAreThoseOfSingleRunsAndCsvHasOneColumnPerField) {
  test::writeWholeFile(scratch.file("named.csv"), "processed,id,source\na-2.pcm,half,a.pcm\na-3.pcm,third,a.pcm\n");
  ASSERT_EQ(test::runCommand("mkdir logs", scratch).exitCode, 0);
  const auto csv = run("batch named.csv --csv --log-dir logs");
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  std::istringstream lines(csv.out);
  std::string header;
  std::string first;
  std::getline(lines, header);
  std::getline(lines, first);
  EXPECT_EQ(header,
            "row,id,source,processed,score,points,agreement,companion.delayMethod,companion.delayMs,"
            "companion.delaySamples,companion.levelDifferenceDb,companion.segmentalSnrDb,companion.speechFrames,"
            "companion.waveformCorrelation,error,version,measureVersion");
  const auto single = nlohmann::json::parse(run("compare-files --json a.pcm a-2.pcm").out);
  std::string companion;
  for (const auto& [name, value] : single["companion"].items()) {
    companion += (value.is_string() ? value.get<std::string>() : value.dump()) + ",";
  }
  // Every row says which build scored it, as a single result does.
  EXPECT_EQ(first, "1,half,a.pcm,a-2.pcm," + single["score"].dump() + "," + single["points"].dump() + "," +
                       single["agreement"].dump() + "," + companion + "," + single["version"].get<std::string>() +
                       "," + single["measureVersion"].dump());
  EXPECT_EQ(test::readWholeFile(scratch.file("logs/half.log")), test::readWholeFile(scratch.file("TestLog.log")));
  EXPECT_FALSE(test::readWholeFile(scratch.file("logs/third.log")).empty());
}

TEST_F(BatchThreaded, CodecQualityPerVoiceFileScoresAsQualityDoes) {
  test::writeWholeFile(scratch.file("voices.txt"), "a-2.pcm\n\nmissing.pcm\n");
  const auto result = run("batch --codec passthrough a.pcm --list voices.txt");
  EXPECT_EQ(result.exitCode, 1);
  const auto rows = jsonLines(result.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["plugin"], "passthrough");
  EXPECT_EQ(rows[0]["voice"], "a.pcm");
  EXPECT_EQ(rows[0]["score"], nlohmann::json::parse(run("quality --json --codec passthrough --voice a.pcm").out)["score"]);
  EXPECT_EQ(rows[1]["id"], "2");
  EXPECT_TRUE(rows[1]["error"].is_null());
  EXPECT_NE(rows[2]["error"].get<std::string>().find("missing.pcm"), std::string::npos) << rows[2];
  EXPECT_EQ(run("batch --codec passthrough").exitCode, 2);
}

}  // namespace
}  // namespace orvelle
