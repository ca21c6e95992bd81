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
#include "tests/support/address_space_cap.h"
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

// A FLAC file of `samples` whose stream header declares `declared` frames
// instead: 36 bits at byte 18 of the file, after the rate, the channels and
// the sample size.
std::string flacDeclaring(const std::string& path, const Signal& samples, int rate, std::uint64_t declared) {
  test::writeSoundFile(path, samples, test::kVoiceFlac, rate);
  std::string flac = test::readWholeFile(path);
  flac[21] = static_cast<char>((flac[21] & 0xf0) | ((declared >> 32) & 0x0f));
  for (int i = 0; i < 4; ++i) flac[22 + i] = static_cast<char>((declared >> (24 - 8 * i)) & 0xff);
  test::writeWholeFile(path, flac);
  return path;
}

TEST_F(VoiceFileFormats, ADeclaredLengthBeyondA32BitCountIsRefusedBeforeDecoding) {
  const std::string path = flacDeclaring(scratch_.file("long.flac"), source_, 8000, std::uint64_t{1} << 33);
  EXPECT_NE(refusal(path).find("is too long to analyse: 8589934592 samples"), std::string::npos);
  EXPECT_EQ(fault_, VoiceFault::tooLong);
}

TEST_F(VoiceFileFormats, ConversionsBeyondTheMeasuresLimitsAreRefusedFromTheHeaderAlone) {
  OpenVoiceFile voice;
  const std::string slow = soundFile("slow.wav", source_, test::kVoiceWav, 999);
  for (const OtherFormats others : {OtherFormats::refuse, OtherFormats::resample}) {
    EXPECT_FALSE(openVoiceFile(slow.c_str(), "source", 0, voice, reason_, others));
    EXPECT_EQ(voice.fault, VoiceFault::rateTooLow);
    EXPECT_EQ(reason_, "The source voice file \"" + slow + "\" is 999 Hz; a rate below 1000 Hz holds no speech");
  }
  std::string what;
  EXPECT_FALSE(needsResampling(slow.c_str(), what)) << "no conversion makes speech of it";
  EXPECT_TRUE(needsResampling(soundFile("lowest.wav", source_, test::kVoiceWav, 1000).c_str(), what));

  // At 1000 Hz, 2^28 frames make 2^31 samples: one more than a 32-bit count.
  const std::string tooLong = flacDeclaring(scratch_.file("long.flac"), source_, 1000, std::uint64_t{1} << 28);
  EXPECT_FALSE(readVoicePair(tooLong.c_str(), good_.c_str(), OtherFormats::resample, pair_, fault_, reason_));
  EXPECT_EQ(fault_, VoiceFault::tooLong);
  EXPECT_NE(reason_.find("is too long to analyse: 2147483648 samples"), std::string::npos) << reason_;

#ifndef ORVELLE_UNDER_SANITIZER
  // 2^26 frames make 2^29 samples, 2 GiB with as many to score them against.
  const std::string big = flacDeclaring(scratch_.file("big.flac"), source_, 1000, std::uint64_t{1} << 26);
  test::AddressSpaceCap cap(std::uintmax_t{256} << 20);
  if (!cap.applied()) GTEST_SKIP() << "cannot cap this process's address space";
  const bool opened = openVoiceFile(big.c_str(), "processed", 0, voice, reason_, OtherFormats::resample);
  cap.lift();
  EXPECT_FALSE(opened);
  EXPECT_EQ(voice.fault, VoiceFault::outOfMemory);
  EXPECT_EQ(reason_.rfind("Not enough memory to convert the processed voice file \"" + big +
                              "\": at 8000 Hz it would be 536870912 samples, which need 2048 MB with the signal they "
                              "are scored against, and at most ",
                          0),
            0u)
      << reason_;
#endif
}

TEST_F(VoiceFileFormats, AConversionWritesNothingPastTheEndOfADamagedFile) {
  const std::string path = flacDeclaring(scratch_.file("cut.flac"), source_, 16000, std::uint64_t{1} << 20);
  OpenVoiceFile voice;
  ASSERT_TRUE(openVoiceFile(path.c_str(), "", 0, voice, reason_, OtherFormats::resample)) << reason_;
  // As long as the header claims, which a lying header makes as long as it likes.
  Signal samples(static_cast<std::size_t>(voice.bytes / 2), 0x5a5a);
  EXPECT_FALSE(readVoiceSamples(voice, path.c_str(), "", samples.data(), static_cast<std::int32_t>(samples.size()),
                                reason_));
  EXPECT_EQ(voice.fault, VoiceFault::damaged);
  EXPECT_NE(reason_.find("only 24000 could be decoded"), std::string::npos) << reason_;
  EXPECT_EQ(samples.back(), 0x5a5a);
}

}  // namespace
}  // namespace orvelle
