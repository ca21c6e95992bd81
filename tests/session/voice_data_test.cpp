#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/headless_progress_dialog.h"
#include "session/test_session.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/sound_files.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

// Sets the frame size the configurable test plug-in reports, for one test.
class FrameSizeOverride {
 public:
  explicit FrameSizeOverride(const std::string& value) { setenv("ORVELLE_TEST_FRAME_SIZE", value.c_str(), 1); }
  ~FrameSizeOverride() { unsetenv("ORVELLE_TEST_FRAME_SIZE"); }
};

class VoiceDataPreparation : public ::testing::Test {
 protected:
  void loadCodec(const std::string& path) {
    ASSERT_TRUE(session.codecPath.assign(path));
    ASSERT_TRUE(session.loadCodec()) << session.failureReason();
  }
  void useVoiceFile(const std::string& bytes) {
    const std::string path = scratch.file("voice.pcm");
    test::writeWholeFile(path, bytes);
    ASSERT_TRUE(session.voiceFilePath.assign(path));
    session.sourceType = 1;
  }

  test::ScratchDirectory scratch;
  TestSession session;
  HeadlessProgressDialog dialog;
};

TEST_F(VoiceDataPreparation, VoiceFileIsFollowedByOneCountedFrameOfSilence) {
  loadCodec(test::bundledPlugin("passthrough"));
  struct Case {
    std::size_t bytes;
    std::int32_t sampleCount;
    long frames;
  };
  // An empty file still gives one frame of zeros; a file of 3 bytes counts
  // one sample; 16000 bytes are 8000 samples plus the frame.
  for (const Case& c : {Case{0, 160, 1}, Case{3, 161, 1}, Case{16000, 8160, 51}}) {
    SCOPED_TRACE(c.bytes);
    std::string bytes(c.bytes, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 7 + 1);
    useVoiceFile(bytes);
    ASSERT_TRUE(session.prepareVoiceData(&dialog)) << session.failureReason();
    EXPECT_EQ(session.frameSize, 160);
    EXPECT_EQ(session.sampleCount, c.sampleCount);
    EXPECT_EQ(session.progressTotal.load(), c.frames);
    EXPECT_EQ(session.progressCurrent.load(), 0);
    EXPECT_EQ(dialog.snapshot().rangeUpper, c.sampleCount);
    EXPECT_EQ(dialog.snapshot().operationText, "Make Data for Codec Test");
    const std::int32_t fileSamples = static_cast<std::int32_t>(c.bytes / 2);
    for (std::int32_t i = 0; i < fileSamples; ++i) {
      const auto expected = static_cast<std::int16_t>((2 * i % 7 + 1) | ((2 * i + 1) % 7 + 1) << 8);
      ASSERT_EQ(session.inputSamples[i], expected) << i;
    }
    // The frame of silence and the uncounted padding behind it are zeros.
    for (std::int32_t i = fileSamples; i < c.sampleCount + 41024; ++i) ASSERT_EQ(session.inputSamples[i], 0) << i;
    for (std::int32_t i = 0; i < c.sampleCount + 41024; ++i) ASSERT_EQ(session.outputSamples[i], 0) << i;
  }
}

TEST_F(VoiceDataPreparation, MissingVoiceFileFailsWithItsNameAndHoldsNoBuffers) {
  loadCodec(test::bundledPlugin("passthrough"));
  useVoiceFile(std::string(320, '\1'));
  ASSERT_TRUE(session.prepareVoiceData(&dialog));
  ASSERT_TRUE(session.voiceFilePath.assign(scratch.file("gone.pcm")));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_FALSE(session.inputSamples || session.outputSamples);
  EXPECT_EQ(session.failureReason(),
            "Can't open the voice file \"" + scratch.file("gone.pcm") + "\": No such file or directory");
  EXPECT_TRUE(session.isCodecLoaded());

  // A folder opens for reading on this system; it must not pass for a file.
  ASSERT_TRUE(session.voiceFilePath.assign(scratch.path().string()));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_FALSE(session.inputSamples || session.outputSamples);
  EXPECT_EQ(session.failureReason(), "The voice file \"" + scratch.path().string() + "\" is a folder");
}

TEST_F(VoiceDataPreparation, UnusableFrameSizesFailBeforeAnyBufferIsMade) {
  useVoiceFile(std::string(1600, '\1'));
  // Neither a frame size that can't divide the signal nor one that would
  // overflow the 32-bit sample count may get as far as allocating.
  for (const char* size : {"0", "-160", "2147483647", "2147450000"}) {
    SCOPED_TRACE(size);
    FrameSizeOverride frameSize(size);
    // The plug-in's host takes the environment as it starts.
    loadCodec(test::testPlugin("configurable_frame"));
    for (std::int32_t source : {0, 1}) {
      session.sourceType = source;
      EXPECT_FALSE(session.prepareVoiceData(&dialog));
      EXPECT_FALSE(session.inputSamples || session.outputSamples);
      EXPECT_FALSE(session.failureReason().empty());
      EXPECT_TRUE(session.isCodecLoaded());
    }
  }
}

TEST_F(VoiceDataPreparation, ThrowingFrameSizeFailsAndKeepsThePlugInLoaded) {
  loadCodec(test::testPlugin("throwing_frame_size"));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_NE(session.failureReason().find("frame size unavailable"), std::string::npos);
  EXPECT_TRUE(session.isCodecLoaded());
}

TEST_F(VoiceDataPreparation, InternalSourceIsTheSignalFollowedByCountedSilence) {
  loadCodec(test::bundledPlugin("passthrough"));
  session.sourceType = 0;
  session.sizeType = 0;
  dialog.setRange(1);
  ASSERT_TRUE(session.prepareVoiceData(&dialog));
  EXPECT_EQ(session.sampleCount, 4585024 + 160);
  EXPECT_EQ(session.progressTotal.load(), (4585024 + 160) / 160);
  EXPECT_EQ(dialog.snapshot().rangeUpper, session.sampleCount);
  // The bar stops after the last band's last segment, before its second of silence.
  EXPECT_EQ(dialog.snapshot().position, 4544000 - 8000);
  // The last frame plus 41024 samples are silence.
  for (std::int32_t i = session.sampleCount - 160 - 41024; i < session.sampleCount; ++i) {
    ASSERT_EQ(session.inputSamples[i], 0) << i;
  }
  std::int64_t energy = 0;
  for (std::int32_t i = 0; i < 40000; ++i) energy += std::abs(session.inputSamples[i]);
  EXPECT_GT(energy, 0);
}

TEST_F(VoiceDataPreparation, ComparisonBuffersFollowTheLargerFrame) {
  FrameSizeOverride frameSize("240");
  ASSERT_TRUE(session.sourceCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(test::testPlugin("configurable_frame")));
  ASSERT_TRUE(session.loadCodecPair());
  session.sizeType = 0;
  ASSERT_TRUE(session.prepareComparisonData(&dialog)) << session.failureReason();
  EXPECT_EQ(session.sourceFrameSize, 160);
  EXPECT_EQ(session.testedFrameSize, 240);
  EXPECT_EQ(session.comparisonSampleCount, 4585024 + 240);
  EXPECT_EQ(session.sourceFrameCount, (4585024 + 240) / 160);
  EXPECT_EQ(session.testedFrameCount, (4585024 + 240) / 240);
  EXPECT_TRUE(session.comparisonSamples && session.sourceCodecOutput && session.testedCodecOutput);
}

TEST_F(VoiceDataPreparation, ComparisonWithAThrowingPlugInFails) {
  ASSERT_TRUE(session.sourceCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(test::testPlugin("throwing_frame_size")));
  ASSERT_TRUE(session.loadCodecPair());
  EXPECT_FALSE(session.prepareComparisonData(&dialog));
  EXPECT_FALSE(session.comparisonSamples);
  EXPECT_TRUE(session.testedCodec.isComplete());
}

}  // namespace
}  // namespace orvelle

namespace orvelle {
namespace {

TEST_F(VoiceDataPreparation, AVoiceFormatWavGivesTheSamplesOfItsPcmAndOtherSoundFilesAreRefused) {
  loadCodec(test::bundledPlugin("passthrough"));
  std::vector<std::int16_t> samples(9000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
  const std::string wav = scratch.file("voice.wav");
  test::writeSoundFile(wav, samples, test::kVoiceWav);
  ASSERT_TRUE(session.voiceFilePath.assign(wav));
  session.sourceType = 1;
  ASSERT_TRUE(session.prepareVoiceData(&dialog)) << session.failureReason();
  EXPECT_EQ(session.sampleCount, 9160);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), session.inputSamples.get()));
  EXPECT_EQ(session.inputSamples[samples.size()], 0);

  const std::string wide = scratch.file("wide.wav");
  test::writeSoundFile(wide, samples, test::kVoiceWav, 16000);
  ASSERT_TRUE(session.voiceFilePath.assign(wide));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_NE(session.failureReason().find("\"" + wide + "\" is 16000 Hz, 1 channel, 16-bit"), std::string::npos)
      << session.failureReason();
  EXPECT_FALSE(session.inputSamples || session.outputSamples);

  const std::string cut = scratch.file("cut.wav");
  test::writeWholeFile(cut, test::readWholeFile(wav).substr(0, 44));
  ASSERT_TRUE(session.voiceFilePath.assign(cut));
  EXPECT_FALSE(session.prepareVoiceData(&dialog));
  EXPECT_NE(session.failureReason().find("\"" + cut + "\" is a damaged sound file"), std::string::npos)
      << session.failureReason();
}

}  // namespace
}  // namespace orvelle
