// orvelle-cli with sound files: decoded where they hold what the measure is
// defined for, refused with the reason and the way out otherwise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/command_line.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/sound_files.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

const std::string kProgram = std::string(ORVELLE_BINARY_DIR) + "/cli/orvelle-cli";

class CliSoundFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    speech_ = test::speechLikeSignal(5);
    processed_ = speech_;
    for (auto& sample : processed_) sample = static_cast<std::int16_t>(sample * 3 / 5);
    test::writeVoiceFile(scratch.file("a.pcm"), speech_);
    test::writeVoiceFile(scratch.file("b.pcm"), processed_);
    test::writeSoundFile(scratch.file("a.wav"), speech_, test::kVoiceWav);
    test::writeSoundFile(scratch.file("b.wav"), processed_, test::kVoiceWav);
  }
  test::CommandResult run(const std::string& arguments) {
    return test::runCommand("timeout 60 " + kProgram + " " + arguments, scratch);
  }

  std::vector<std::int16_t> speech_;
  std::vector<std::int16_t> processed_;
  test::ScratchDirectory scratch;
};

TEST_F(CliSoundFiles, CompareFilesScoresVoiceFormatWavExactlyAsThePcm) {
  const auto fromPcm = run("compare-files a.pcm b.pcm");
  ASSERT_EQ(fromPcm.exitCode, 0) << fromPcm.err;
  const std::string pcmLog = test::readWholeFile(scratch.file("TestLog.log"));
  const auto fromWav = run("compare-files a.wav b.wav");
  ASSERT_EQ(fromWav.exitCode, 0) << fromWav.err;
  EXPECT_EQ(fromWav.out, fromPcm.out);
  EXPECT_EQ(test::readWholeFile(scratch.file("TestLog.log")), pcmLog);

  const auto qualityPcm = run("quality --codec passthrough --voice a.pcm --json");
  const auto qualityWav = run("quality --codec passthrough --voice a.wav --json");
  ASSERT_EQ(qualityWav.exitCode, 0) << qualityWav.err;
  EXPECT_EQ(qualityWav.out, qualityPcm.out);
}

TEST_F(CliSoundFiles, OtherFormatsAndDamagedFilesFailWithTheReason) {
  test::writeSoundFile(scratch.file("wide.wav"), speech_, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 16000);
  test::writeWholeFile(scratch.file("cut.wav"), test::readWholeFile(scratch.file("a.wav")).substr(0, 1000));
  const struct {
    std::string arguments;
    std::string reason;
  } cases[] = {
      {"compare-files wide.wav b.wav",
       "The source voice file \"wide.wav\" is 16000 Hz, 1 channel, 24-bit; the measure needs 8000 Hz mono 16-bit"},
      {"compare-files a.wav cut.wav", "The processed voice file \"cut.wav\" is a damaged sound file"},
      {"quality --codec passthrough --voice wide.wav", "\"wide.wav\" is 16000 Hz, 1 channel, 24-bit"},
      {"quality --codec passthrough --voice cut.wav", "\"cut.wav\" is a damaged sound file"},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.arguments);
    const auto result = run(refused.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(refused.reason), std::string::npos) << result.err;
  }
}

TEST_F(CliSoundFiles, OutputsNamedWavAreVoiceFormatWavWithThePcmSamples) {
  const struct {
    std::string command;  // "%" stands for the output's name
    std::string name;
  } outputs[] = {
      {"signal --size short %", "signal"},
      {"compare-codecs --source-codec passthrough --tested-codec passthrough --size short --save-tested %", "tested"},
      {"quality --codec passthrough --voice a.wav --save-processed %", "processed"},
  };
  for (const auto& output : outputs) {
    SCOPED_TRACE(output.command);
    for (const std::string extension : {".pcm", ".WAV"}) {
      std::string command = output.command;
      command.replace(command.find('%'), 1, output.name + extension);
      const auto result = run(command);
      ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    const std::vector<std::int16_t> pcm = test::readVoiceFile(scratch.file(output.name + ".pcm"));
    ASSERT_GT(pcm.size(), 1000u);
    const test::DecodedSound wav = test::readSoundFile(scratch.file(output.name + ".WAV"));
    EXPECT_EQ(wav.info.format, test::kVoiceWav);
    EXPECT_EQ(wav.info.samplerate, 8000);
    EXPECT_EQ(wav.info.channels, 1);
    EXPECT_EQ(wav.samples, pcm);
  }
  // The decoded speech Codec Quality keeps is the voice file, then the
  // frame of silence the codec was given.
  std::vector<std::int16_t> expected = speech_;
  expected.resize(speech_.size() + 160, 0);
  EXPECT_EQ(test::readVoiceFile(scratch.file("processed.pcm")), expected);
}

}  // namespace
}  // namespace orvelle
