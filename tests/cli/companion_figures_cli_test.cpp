// The companion figures as the command-line program reports them, for
// plug-ins whose answer is known, and the league on the bundled speech.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/command_line.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class CompanionFiguresCli : public ::testing::Test {
 protected:
  void SetUp() override { test::writeVoiceFile(scratch.file("speech.pcm"), test::evenSpeechLikeSignal(5)); }
  test::CommandResult run(const std::string& arguments) { return test::runCommand(kProgram + " " + arguments, scratch); }
  nlohmann::json companionOf(const std::string& plugin) {
    const auto result = run("quality --codec " + test::testPlugin(plugin) + " --voice speech.pcm --json");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return nlohmann::json::parse(result.out)["companion"];
  }

  test::ScratchDirectory scratch;
};

TEST_F(CompanionFiguresCli, KnownDelayHalvingAndNoiseComeOutInTheJson) {
  const auto delayed = companionOf("delayed_40_samples");
  EXPECT_EQ(delayed["delaySamples"], 40);
  EXPECT_EQ(delayed["delayMs"], 5.0);
  EXPECT_EQ(delayed["delayMethod"], "waveform");
  EXPECT_GT(delayed["segmentalSnrDb"].get<double>(), 34.0);
  EXPECT_NEAR(delayed["levelDifferenceDb"].get<double>(), 0.0, 0.05);

  const auto halved = companionOf("half_amplitude");
  EXPECT_EQ(halved["delaySamples"], 0);
  EXPECT_NEAR(halved["levelDifferenceDb"].get<double>(), -6.0206, 0.0001);
  EXPECT_NEAR(halved["segmentalSnrDb"].get<double>(), 6.0206, 0.0001);

  // Each frame's noise is set to 20 dB under it before rounding to whole
  // samples; the quietest frames lose a little to the rounding.
  const auto noisy = companionOf("noise_at_20_db");
  EXPECT_EQ(noisy["delaySamples"], 0);
  EXPECT_NEAR(noisy["segmentalSnrDb"].get<double>(), 20.0, 0.3);
  EXPECT_NEAR(noisy["levelDifferenceDb"].get<double>(), 0.0432, 0.05);
  EXPECT_GT(noisy["speechFrames"].get<int>(), 0);
}

TEST_F(CompanionFiguresCli, CompareFilesAndTheLeagueReportThemToo) {
  ASSERT_EQ(run("quality --codec " + test::testPlugin("delayed_40_samples") +
                " --voice speech.pcm --save-processed late.pcm").exitCode, 0);
  const auto files = run("compare-files speech.pcm late.pcm --json");
  ASSERT_EQ(files.exitCode, 0) << files.err;
  EXPECT_EQ(nlohmann::json::parse(files.out)["companion"]["delaySamples"], 40);

  const auto csv = run("league --voice speech.pcm --csv " + test::testPlugin("half_amplitude"));
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  const std::string header = csv.out.substr(0, csv.out.find('\n'));
  EXPECT_EQ(header, "rank,plugin,frame_size,score,points,agreement,seconds,error,segmental_snr_db,"
                    "level_difference_db,delay_samples,delay_method,waveform_correlation,version,measure_version");
  EXPECT_NE(csv.out.find(",0,waveform,"), std::string::npos) << csv.out;

  const auto table = run("league --voice speech.pcm " + test::testPlugin("delayed_40_samples"));
  ASSERT_EQ(table.exitCode, 0) << table.err;
  EXPECT_NE(table.out.find("segSNR dB"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("5.0       (waveform)"), std::string::npos) << table.out;
}

TEST_F(CompanionFiguresCli, SpeechLeagueScoresEveryCorpusFileAndTakesTheirMean) {
  std::ifstream list(std::string(ORVELLE_BINARY_DIR) + "/speech/corpus.txt");
  if (!list) GTEST_SKIP() << "speech corpus not built (espeak-ng or sox missing)";
  std::size_t corpusFiles = 0;
  for (std::string name; std::getline(list, name);) corpusFiles += name.empty() ? 0 : 1;

  const auto result = run("league --speech --json --jobs 2 passthrough " + test::testPlugin("half_amplitude"));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto rows = nlohmann::json::parse(result.out)["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["plugin"], "passthrough");
  const auto& half = rows[1];
  ASSERT_EQ(half["files"].size(), corpusFiles);
  double sum = 0.0;
  for (const auto& file : half["files"]) sum += file["score"].get<double>();
  EXPECT_NEAR(half["score"].get<double>(), sum / static_cast<double>(corpusFiles), 1e-9);
  // The corpus is not made of even samples: halving truncates.
  EXPECT_NEAR(half["companion"]["levelDifferenceDb"].get<double>(), -6.02, 0.01);

  const auto usage = run("league --speech --size short passthrough");
  EXPECT_EQ(usage.exitCode, 2) << "--speech replaces the internal source";
}

TEST_F(CompanionFiguresCli, SpeechLeagueWithoutItsCorpusSaysWhyAndRunsNothing) {
  // An installed tree, wherever it is, takes its corpus from <tree>/share/orvelle/speech/.
  std::filesystem::create_directories(scratch.file("tree/bin"));
  std::filesystem::create_directories(scratch.file("tree/libexec/orvelle"));
  std::filesystem::create_directories(scratch.file("tree/share/orvelle/speech"));
  std::filesystem::copy_file(kProgram, scratch.file("tree/bin/orvelle-cli"));
  std::filesystem::copy_file(ORVELLE_BINARY_DIR "/plugin_host/orvelle-plugin-host",
                             scratch.file("tree/libexec/orvelle/orvelle-plugin-host"));
  const std::string moved = scratch.file("tree/bin/orvelle-cli") + " league --speech passthrough";

  const auto missing = test::runCommand(moved, scratch);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("The bundled speech corpus is not available"), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("espeak-ng and sox"), std::string::npos) << missing.err;

  test::writeWholeFile(scratch.file("tree/share/orvelle/speech/corpus.txt"), "en.pcm\n../../speech.pcm\n");
  const auto escaping = test::runCommand(moved, scratch);
  EXPECT_EQ(escaping.exitCode, 1);
  EXPECT_NE(escaping.err.find("names \"../../speech.pcm\", which is not a file of its folder"), std::string::npos)
      << escaping.err;
}

}  // namespace
}  // namespace orvelle
