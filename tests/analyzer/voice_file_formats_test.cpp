// Voice files that carry a header: decoded when they hold exactly what the
// measure is defined for, refused with the reason otherwise, never read as
// raw samples.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyzer/quality_analyzer.h"
#include "tests/analyzer/analyzer_test_support.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/sound_files.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class VoiceFileFormats : public test::AnalyzerLogTest {
 protected:
  std::string soundFile(const std::string& name, const Signal& samples, int format, int rate = 8000,
                        int channels = 1) {
    const std::string path = scratch_.file(name);
    test::writeSoundFile(path, samples, format, rate, channels);
    return path;
  }
  std::string pcmFile(const std::string& name, const Signal& samples) {
    const std::string path = scratch_.file(name);
    test::writeVoiceFile(path, samples);
    return path;
  }
  // The reason loadFiles gives for `path` as the source of a comparison.
  std::string refusal(const std::string& path) {
    EXPECT_FALSE(analyzer_.loadFiles(path.c_str(), good_.c_str(), nullptr));
    EXPECT_FALSE(analyzer_.isLoaded());
    EXPECT_NE(analyzer_.failureReason().find("The source voice file \"" + path + "\""), std::string::npos)
        << analyzer_.failureReason();
    return analyzer_.failureReason();
  }
  double score(const std::string& source, const std::string& processed) {
    EXPECT_TRUE(analyzer_.loadFiles(source.c_str(), processed.c_str(), &length_)) << analyzer_.failureReason();
    return analyzer_.compareLoadedFiles(&progress_);
  }

  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
  ProgressCounter length_;
  ProgressCounter progress_;
  const Signal source_ = test::speechLikeSignal(24000, 1);
  const Signal processed_ = test::speechLikeSignal(24001, 2);
  const std::string good_ = pcmFile("good.pcm", source_);
};

TEST_F(VoiceFileFormats, VoiceFormatWavAndFlacScoreExactlyAsTheirSamplesAsPcm) {
  const double fromPcm = score(pcmFile("a.pcm", source_), pcmFile("b.pcm", processed_));
  const std::string pcmLog = logText();
  const std::int64_t pcmLength = length_.load();
  ASSERT_GT(fromPcm, 0.0);
  ASSERT_LT(fromPcm, 100.0);

  for (const int format : {test::kVoiceWav, test::kVoiceFlac}) {
    SCOPED_TRACE(format);
    std::remove(logPath().c_str());
    EXPECT_EQ(score(soundFile("a.snd", source_, format), soundFile("b.snd", processed_, format)), fromPcm);
    EXPECT_EQ(length_.load(), pcmLength);
    EXPECT_EQ(logText(), pcmLog);
  }
  // A decoded file and a headerless one compare with each other too.
  EXPECT_EQ(score(soundFile("a.wav", source_, test::kVoiceWav), scratch_.file("b.pcm")), fromPcm);
}

TEST_F(VoiceFileFormats, OtherFormatsAreRefusedNamingWhatTheyAreAndHowToConvert) {
  const Signal stereo(48000, 100);
  const struct {
    std::string path;
    std::string is;
  } cases[] = {
      {soundFile("wide.wav", stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 16000, 2), "is 16000 Hz, 2 channels, 24-bit"},
      {soundFile("fast.flac", source_, test::kVoiceFlac, 48000), "is 48000 Hz, 1 channel, 16-bit"},
      {soundFile("float.wav", source_, SF_FORMAT_WAV | SF_FORMAT_FLOAT), "is 8000 Hz, 1 channel, 32-bit float"},
      {soundFile("ulaw.wav", source_, SF_FORMAT_WAV | SF_FORMAT_ULAW), "is 8000 Hz, 1 channel, µ-law"},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.path);
    const std::string reason = refusal(refused.path);
    EXPECT_NE(reason.find(refused.is + "; the measure needs 8000 Hz mono 16-bit"), std::string::npos) << reason;
    EXPECT_NE(reason.find("Convert it to that format first"), std::string::npos) << reason;
  }
}

TEST_F(VoiceFileFormats, TheMinimumLengthOfADecodedFileIsCountedInSamples) {
  const std::string tooShort = soundFile("short.wav", Signal(source_.begin(), source_.begin() + 19999), test::kVoiceWav);
  EXPECT_NE(refusal(tooShort).find("is too short: 19999 samples, at least 20000 are needed"), std::string::npos)
      << analyzer_.failureReason();
  const std::string minimum = soundFile("minimum.wav", Signal(source_.begin(), source_.begin() + 20000), test::kVoiceWav);
  EXPECT_TRUE(analyzer_.loadFiles(minimum.c_str(), good_.c_str(), &length_)) << analyzer_.failureReason();
}

TEST_F(VoiceFileFormats, DamagedSoundFilesAreRefusedWithTheReason) {
  const std::string whole = test::readWholeFile(soundFile("whole.wav", source_, test::kVoiceWav));
  const auto damaged = [&](const std::string& name, const std::string& bytes) {
    const std::string path = scratch_.file(name);
    test::writeWholeFile(path, bytes);
    return path;
  };
  EXPECT_NE(refusal(damaged("cut.wav", whole.substr(0, whole.size() / 2))).find("bytes of samples, but the file holds only"),
            std::string::npos);
  EXPECT_NE(refusal(damaged("header-only.wav", whole.substr(0, 44))).find("damaged"), std::string::npos);
  EXPECT_NE(refusal(damaged("in-header.wav", whole.substr(0, 30))).find("is a damaged sound file"), std::string::npos);

  // A FLAC frame whose bytes were overwritten fails its checksum.
  std::string flac = test::readWholeFile(soundFile("whole.flac", source_, test::kVoiceFlac));
  for (std::size_t i = flac.size() / 2; i < flac.size() / 2 + 64; ++i) flac[i] = static_cast<char>(flac[i] ^ 0x5a);
  EXPECT_NE(refusal(damaged("bad-frame.flac", flac)).find("damaged"), std::string::npos);
}

TEST_F(VoiceFileFormats, ADeclaredLengthBeyondA32BitCountIsRefusedBeforeDecoding) {
  // FLAC declares its length in the stream header: 36 bits at byte 18 of
  // the file, after the rate, the channels and the sample size.
  std::string flac = test::readWholeFile(soundFile("long.flac", source_, test::kVoiceFlac));
  const std::uint64_t declared = std::uint64_t{1} << 33;
  flac[21] = static_cast<char>((flac[21] & 0xf0) | ((declared >> 32) & 0x0f));
  for (int i = 0; i < 4; ++i) flac[22 + i] = static_cast<char>((declared >> (24 - 8 * i)) & 0xff);
  const std::string path = scratch_.file("long.flac");
  test::writeWholeFile(path, flac);
  EXPECT_NE(refusal(path).find("is too long to analyse: 8589934592 samples"), std::string::npos)
      << analyzer_.failureReason();
}

}  // namespace
}  // namespace orvelle
