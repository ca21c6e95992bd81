// orvelle-cli with sound files: decoded where they hold what the measure is
// defined for, refused with the reason and the way out otherwise.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
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

// Voiced bursts whose harmonics stay below 3.4 kHz, sampled at any rate:
// the same sound at 8 and at 16 kHz.
double narrowBandSpeech(double seconds) {
  const double burst = std::fmod(seconds, 0.8);
  if (burst >= 0.5) return 0.0;
  const double envelope = std::sin(std::numbers::pi * burst / 0.5);
  double value = 0.0;
  for (int harmonic = 1; 140.0 * harmonic < 3400.0; ++harmonic) {
    value += std::sin(2.0 * std::numbers::pi * 140.0 * harmonic * seconds + harmonic) / harmonic;
  }
  return 6000.0 * envelope * value;
}

std::vector<std::int16_t> sampled(double (*signal)(double), int rate, double seconds) {
  std::vector<std::int16_t> samples(static_cast<std::size_t>(rate * seconds));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(std::lround(signal(static_cast<double>(i) / rate)));
  }
  return samples;
}

// Two channels that average to `mono` exactly, and differ by a tone.
std::vector<std::int16_t> stereoAround(const std::vector<std::int16_t>& mono) {
  std::vector<std::int16_t> stereo;
  for (std::size_t i = 0; i < mono.size(); ++i) {
    const int offset = (i / 8) % 2 == 0 ? 2000 : -2000;
    stereo.push_back(static_cast<std::int16_t>(mono[i] + offset));
    stereo.push_back(static_cast<std::int16_t>(mono[i] - offset));
  }
  return stereo;
}

double rms(const std::vector<std::int16_t>& samples) {
  double sum = 0.0;
  for (const std::int16_t sample : samples) sum += static_cast<double>(sample) * sample;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

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
  // A relative path as the program names it once it has made it absolute.
  std::string resolved(const std::string& name) const {
    return (std::filesystem::canonical(scratch.path()) / name).string();
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
      {"quality --codec passthrough --voice wide.wav", "\"" + resolved("wide.wav") + "\" is 16000 Hz, 1 channel, 24-bit"},
      {"quality --codec passthrough --voice cut.wav", "\"" + resolved("cut.wav") + "\" is a damaged sound file"},
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

TEST_F(CliSoundFiles, ResampleConvertsAWideStereoFileDeterministicallyToTheNarrowBandOriginal) {
  constexpr double kSeconds = 4.0;
  const std::vector<std::int16_t> original = sampled(narrowBandSpeech, 8000, kSeconds);
  test::writeVoiceFile(scratch.file("original.pcm"), original);
  test::writeSoundFile(scratch.file("wide.wav"), stereoAround(sampled(narrowBandSpeech, 16000, kSeconds)),
                       test::kVoiceWav, 16000, 2);

  const auto refused = run("compare-files original.pcm wide.wav");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("is 16000 Hz, 2 channels, 16-bit; the measure needs 8000 Hz mono 16-bit. Convert it to "
                             "that format first, or have orvelle-cli convert it while reading with --resample"),
            std::string::npos)
      << refused.err;

  const auto self = run("compare-files original.pcm original.pcm");
  const auto first = run("compare-files original.pcm wide.wav --resample");
  const auto second = run("compare-files original.pcm wide.wav --resample");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(second.out, first.out);
  EXPECT_NE(first.err.find("The processed voice file \"wide.wav\" was converted from 16000 Hz, 2 channels, 16-bit "
                           "to 8000 Hz mono 16-bit; 0 samples clipped"),
            std::string::npos)
      << first.err;
  // Within rounding of the original (below), it scores as the original does.
  ASSERT_EQ(self.exitCode, 0) << self.err;
  EXPECT_EQ(first.out, self.out);

  // The converted speech itself, kept by the pass-through codec: the same
  // bits on every run, and the original but for the resampler's ripple.
  for (const std::string name : {"first.pcm", "second.pcm"}) {
    const auto kept = run("quality --codec passthrough --voice wide.wav --resample --save-processed " + name);
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
  }
  const std::vector<std::int16_t> converted = test::readVoiceFile(scratch.file("first.pcm"));
  EXPECT_EQ(test::readVoiceFile(scratch.file("second.pcm")), converted);
  ASSERT_GE(converted.size(), original.size());
  std::vector<std::int16_t> error(original.size());
  for (std::size_t i = 0; i < original.size(); ++i) error[i] = static_cast<std::int16_t>(converted[i] - original[i]);
  EXPECT_GT(rms(original), 1000.0);
  EXPECT_LT(rms(error), 1.0);
}

TEST_F(CliSoundFiles, AFileBelowTheRatesOfSpeechIsRefusedFromItsHeaderAtOnce) {
  // 40 KB of samples whose header claims 1 Hz: converted, 160 million samples.
  test::writeSoundFile(scratch.file("rate1hz.wav"), std::vector<std::int16_t>(speech_.begin(), speech_.begin() + 20000),
                       test::kVoiceWav, 1);
  for (const std::string resample : {"", " --resample"}) {
    SCOPED_TRACE(resample);
    const auto start = std::chrono::steady_clock::now();
    const auto result = run("compare-files a.pcm rate1hz.wav" + resample);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Can't calculate Quality!\n  The processed voice file \"rate1hz.wav\" is 1 Hz; a rate below "
                          "1000 Hz holds no speech\n")
        << "no conversion is offered for it";
  }
}

TEST_F(CliSoundFiles, ResampleCountsTheSamplesThatClip) {
  // A full-scale square wave overshoots its range once its harmonics above
  // 4 kHz are removed.
  std::vector<std::int16_t> square(48000 * 3);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 60) % 2 == 0 ? 32767 : -32768;
  test::writeSoundFile(scratch.file("loud.flac"), square, test::kVoiceFlac, 48000);
  const auto result = run("quality --codec passthrough --voice loud.flac --resample");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string note = "The voice file \"" + resolved("loud.flac") +
                           "\" was converted from 48000 Hz, 1 channel, 16-bit to 8000 Hz mono 16-bit; ";
  const std::size_t at = result.err.find(note);
  ASSERT_NE(at, std::string::npos) << result.err;
  const long clipped = std::strtol(result.err.c_str() + at + note.size(), nullptr, 10);
  EXPECT_GT(clipped, 0);
  EXPECT_LT(clipped, 24000);
  EXPECT_NE(result.err.find(std::to_string(clipped) + " samples clipped"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace orvelle
