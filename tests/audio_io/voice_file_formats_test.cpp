// Voice files that carry a header: decoded when they hold exactly what the
// measure is defined for, refused with the reason otherwise, never read as
// raw samples.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyzer/measurement_report.h"
#include "analyzer/quality_analyzer.h"
#include "audio_io/voice_pair.h"
#include "tests/analyzer/speech_like_signal.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/sound_files.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

using Signal = std::vector<std::int16_t>;

class VoiceFileFormats : public ::testing::Test {
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
  bool load(const std::string& source, const std::string& processed) {
    return readVoicePair(source.c_str(), processed.c_str(), OtherFormats::refuse, pair_, fault_, reason_);
  }
  // The reason a pair is refused for `path` as its source.
  std::string refusal(const std::string& path) {
    EXPECT_FALSE(load(path, good_));
    EXPECT_EQ(pair_.count, 0);
    EXPECT_NE(reason_.find("The source voice file \"" + path + "\""), std::string::npos) << reason_;
    return reason_;
  }
  double score(const std::string& source, const std::string& processed) {
    EXPECT_TRUE(load(source, processed)) << reason_;
    return analyzer_.compareBuffers(pair_.source.get(), pair_.processed.get(), pair_.count, nullptr);
  }

  test::ScratchDirectory scratch_;
  QualityAnalyzer analyzer_{QualityAnalyzer::Threading::single};
  VoicePair pair_;
  VoiceFault fault_ = VoiceFault::none;
  std::string reason_;
  const Signal source_ = test::speechLikeSignal(24000, 1);
  const Signal processed_ = test::speechLikeSignal(24001, 2);
  const std::string good_ = pcmFile("good.pcm", source_);
};

TEST_F(VoiceFileFormats, VoiceFormatWavAndFlacScoreExactlyAsTheirSamplesAsPcm) {
  const double fromPcm = score(pcmFile("a.pcm", source_), pcmFile("b.pcm", processed_));
  const std::string pcmLog = measurementLogText(analyzer_.lastResult());
  const std::int32_t pcmLength = pair_.count;
  ASSERT_GT(fromPcm, 0.0);
  ASSERT_LT(fromPcm, 100.0);

  for (const int format : {test::kVoiceWav, test::kVoiceFlac}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(score(soundFile("a.snd", source_, format), soundFile("b.snd", processed_, format)), fromPcm);
    EXPECT_EQ(pair_.count, pcmLength);
    EXPECT_EQ(measurementLogText(analyzer_.lastResult()), pcmLog);
  }
  // A decoded file and a headerless one compare with each other too.
  EXPECT_EQ(score(soundFile("a.wav", source_, test::kVoiceWav), scratch_.file("b.pcm")), fromPcm);
}

TEST_F(VoiceFileFormats, OtherFormatsAreRefusedNamingWhatTheyAre) {
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
    EXPECT_EQ(fault_, VoiceFault::needsConversion);
    // What to do about it is the front end's to say.
    EXPECT_TRUE(reason.ends_with(refused.is + "; the measure needs 8000 Hz mono 16-bit")) << reason;
  }
}

TEST_F(VoiceFileFormats, TheMinimumLengthOfADecodedFileIsCountedInSamples) {
  const std::string tooShort = soundFile("short.wav", Signal(source_.begin(), source_.begin() + 19999), test::kVoiceWav);
  EXPECT_NE(refusal(tooShort).find("is too short: 19999 samples, at least 20000 are needed"), std::string::npos);
  EXPECT_EQ(fault_, VoiceFault::tooShort);
  const std::string minimum = soundFile("minimum.wav", Signal(source_.begin(), source_.begin() + 20000), test::kVoiceWav);
  EXPECT_TRUE(load(minimum, good_)) << reason_;
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
  EXPECT_EQ(fault_, VoiceFault::damaged);
  EXPECT_NE(refusal(damaged("header-only.wav", whole.substr(0, 44))).find("damaged"), std::string::npos);
  EXPECT_NE(refusal(damaged("in-header.wav", whole.substr(0, 30))).find("is a damaged sound file"), std::string::npos);
  EXPECT_EQ(fault_, VoiceFault::damaged);

  // A FLAC frame whose bytes were overwritten fails its checksum.
  std::string flac = test::readWholeFile(soundFile("whole.flac", source_, test::kVoiceFlac));
  for (std::size_t i = flac.size() / 2; i < flac.size() / 2 + 64; ++i) flac[i] = static_cast<char>(flac[i] ^ 0x5a);
  EXPECT_NE(refusal(damaged("bad-frame.flac", flac)).find("damaged"), std::string::npos);
  EXPECT_EQ(fault_, VoiceFault::damaged);
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
  EXPECT_NE(refusal(path).find("is too long to analyse: 8589934592 samples"), std::string::npos);
  EXPECT_EQ(fault_, VoiceFault::tooLong);
}

}  // namespace
}  // namespace orvelle
