#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/startup_directory.h"
#include "session/codec_command.h"
#include "session/test_session.h"
#include "tests/support/child_processes.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/session_operations.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

constexpr const char* kRecodeFailed = "Voice Data Can't be Recoded!";

TEST(CodecCommandLine, TakesItsFrameSizeAndNeedsOneInputAndOneOutput) {
  CodecCommand command;
  std::string error;
  ASSERT_TRUE(parseCodecCommand("cmd:cp {in} {out}", &command, &error)) << error;
  EXPECT_EQ(command.frameSize, 160);
  EXPECT_TRUE(command.rawInput && !command.wavInput && !command.wavOutput);
  ASSERT_TRUE(parseCodecCommand("cmd:frame=320:enc {in.wav} x && dec x {out.wav} {frame}", &command, &error));
  EXPECT_EQ(command.frameSize, 320);
  EXPECT_TRUE(command.wavInput && command.wavOutput && !command.rawInput);
  EXPECT_EQ(commandLineFor(command, commandFilesIn("/t")), "enc /t/in.wav x && dec x /t/out.wav 320");

  const struct {
    const char* name;
    const char* reason;
  } refused[] = {
      {"cmd:frame=0:cp {in} {out}", "frame=N:"},
      {"cmd:frame=16x:cp {in} {out}", "frame=N:"},
      {"cmd:frame=320 cp {in} {out}", "frame=N:"},
      {"cmd:frame=99999999999:cp {in} {out}", "frame=N:"},
      {"cmd:cp x {out}", "reads no input"},
      {"cmd:cp {in} x", "writes no output"},
      {"cmd:tee {out} < {in} > {out.wav}", "both {out} and {out.wav}"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(parseCodecCommand(c.name, &command, &error)) << c.name;
    EXPECT_NE(error.find(c.name), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

TEST(CodecCommandLine, PathsReachTheShellAsOneWordEach) {
  EXPECT_EQ(shellWord("/tmp/orvelle-cmd-a1B2/in.pcm"), "/tmp/orvelle-cmd-a1B2/in.pcm");
  EXPECT_EQ(shellWord("/tmp/a b/in.pcm"), "'/tmp/a b/in.pcm'");
  EXPECT_EQ(shellWord("/tmp/it's $(x)`y`;/in.pcm"), "'/tmp/it'\\''s $(x)`y`;/in.pcm'");
  // Braces that are not placeholders are the shell's (or awk's) own.
  CodecCommand command;
  std::string error;
  ASSERT_TRUE(parseCodecCommand("cmd:awk '{print}' {in} ${HOME} {inx} > {out}", &command, &error));
  EXPECT_EQ(commandLineFor(command, commandFilesIn("/t")), "awk '{print}' /t/in.pcm ${HOME} {inx} > /t/out.pcm");
}

// The runs' temporary folders go into a folder of the test's own, whose
// name the shell would split and expand if it reached it unquoted.
class CommandCodecThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setStartupDirectory(scratch.prefix());
    std::filesystem::create_directory(temporaries);
    const char* previous = std::getenv("TMPDIR");
    previousTmpdir = previous ? previous : "";
    setenv("TMPDIR", temporaries.c_str(), 1);
    test::writeVoiceFile(scratch.file("speech.pcm"), test::evenSpeechLikeSignal(6));
  }
  void TearDown() override {
    session.codec.unload();
    if (previousTmpdir.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", previousTmpdir.c_str(), 1);
    }
    EXPECT_FALSE(test::hasChildProcesses()) << "a command's host was left behind";
    EXPECT_TRUE(std::filesystem::is_empty(temporaries)) << "a temporary folder was left behind";
  }

  // Loads `codec`, prepares `voiceFile` and recodes it; the failure's
  // message, or an empty text.
  std::string recode(const std::string& codec, const std::string& voiceFile = "") {
    EXPECT_TRUE(session.codecPath.assign(codec));
    EXPECT_TRUE(session.loadCodec()) << session.failureReason();
    EXPECT_TRUE(session.voiceFilePath.assign(voiceFile.empty() ? scratch.file("speech.pcm") : voiceFile));
    session.sourceType = 1;
    EXPECT_EQ(test::runHeadless(session, kPrepareVoiceData), "") << session.failureReason();
    return test::runHeadless(session, kRecodeVoiceData);
  }
  double score(const std::string& codec) {
    EXPECT_EQ(recode(codec), "") << session.failureReason();
    EXPECT_EQ(test::runHeadless(session, kCalculateVoiceQuality), "");
    return session.codecQuality;
  }

  test::ScratchDirectory scratch;
  const std::string temporaries = scratch.file("temp folder's $HOME `x`");
  std::string previousTmpdir;
  TestSession session;
};

TEST_F(CommandCodecThreaded, ACopyScoresOneHundredAndAHalvingOneAsTheHalfGainPlugIn) {
  for (const char* copy : {"cmd:cp {in} {out}", "cmd:cp {in.wav} {out.wav}", "cmd:frame=80:cat < {in} > {out}"}) {
    SCOPED_TRACE(copy);
    EXPECT_DOUBLE_EQ(score(copy), 100.0);
    EXPECT_EQ(session.progressCurrent.load(), session.progressTotal.load()) << "the frame counter did not move";
    ASSERT_TRUE(session.commandOutputFit.has_value());
    EXPECT_EQ(session.commandOutputFit->given, session.sampleCount);
  }
  EXPECT_EQ(session.frameSize, 80);
  const double halfGain = score(test::testPlugin("half_amplitude"));
  EXPECT_FALSE(session.commandOutputFit.has_value());
  EXPECT_DOUBLE_EQ(score("cmd:sox -D -t s16 -r 8000 -c 1 {in} -t s16 {out} vol 0.5"), halfGain);
}

TEST_F(CommandCodecThreaded, OutputOfAnotherLengthIsPaddedWithSilenceOrCut) {
  EXPECT_EQ(recode("cmd:head -c 1000 {in} > {out}"), "") << session.failureReason();
  ASSERT_TRUE(session.commandOutputFit.has_value());
  EXPECT_EQ(session.commandOutputFit->padded(), session.sampleCount - 500);
  EXPECT_EQ(session.inputSamples[499], session.outputSamples[499]);
  for (std::int32_t i = 500; i < session.sampleCount; ++i) ASSERT_EQ(session.outputSamples[i], 0) << i;
  EXPECT_NE(outputFitNote(*session.commandOutputFit).find(std::to_string(session.sampleCount - 500) + " samples shorter"),
            std::string::npos);

  EXPECT_EQ(recode("cmd:cat {in} {in} > {out}"), "") << session.failureReason();
  EXPECT_EQ(session.commandOutputFit->cut(), session.sampleCount);
  EXPECT_NE(outputFitNote(*session.commandOutputFit).find("longer than its input"), std::string::npos);
  EXPECT_EQ(outputFitNote({10, 10}), "");
}

TEST_F(CommandCodecThreaded, AFailingCommandFailsTheRecodingWithItsLastLinesOnStderr) {
  const struct {
    const char* command;
    const char* reason;
    FailureKind kind;
  } cases[] = {
      {"cmd:echo 'opening' >&2; echo 'the codec broke' >&2; exit 3; cp {in} {out}",
       "exit status 3; its last lines on stderr: opening | the codec broke", FailureKind::pluginFailed},
      {"cmd:cp {in} {out}; kill -SEGV $$", "ended by SIGSEGV", FailureKind::crashed},
      {"cmd:true {in} {out}", "wrote no output to {out}", FailureKind::pluginFailed},
      {"cmd:: > {out}; true {in}", "{out} is empty", FailureKind::pluginFailed},
      {"cmd:head -c 1001 {in} > {out}", "odd number of bytes (1001)", FailureKind::pluginFailed},
      {"cmd:cp {in} {out.wav}", "is not a WAV file", FailureKind::pluginFailed},
      {"cmd:cp {in.wav} {out}", "is a sound file (8000 Hz mono)", FailureKind::pluginFailed},
      {"cmd:sox -t s16 -r 8000 -c 1 {in} -r 16000 {out.wav}", "cannot be used", FailureKind::pluginFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(recode(c.command), kRecodeFailed);
    EXPECT_NE(session.failureReason().find(std::string(c.command) + ": "), std::string::npos)
        << session.failureReason();
    EXPECT_NE(session.failureReason().find(c.reason), std::string::npos) << session.failureReason();
    EXPECT_EQ(session.failureKind(), c.kind);
  }
}

TEST_F(CommandCodecThreaded, AHangingOrStoppedCommandEndsWithEverythingItStarted) {
  const std::string marker = "31415926";
  session.pluginCalls.setTimeoutSeconds(1);
  const std::string hanging = "cmd:sleep " + marker + " & setsid sleep " + marker + "1 & wait; cp {in} {out}";
  EXPECT_EQ(recode(hanging), kRecodeFailed);
  EXPECT_EQ(session.failureKind(), FailureKind::timedOut);
  EXPECT_NE(session.failureReason().find("did not finish within 1 s"), std::string::npos);
  EXPECT_FALSE(test::anyProcessMentions(marker));

  session.pluginCalls.setTimeoutSeconds(0);
  std::thread stopper([&] {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!test::anyProcessMentions(marker) && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    session.pluginCalls.requestStop();
  });
  EXPECT_EQ(recode(hanging), kRecodeFailed);
  stopper.join();
  EXPECT_EQ(session.failureKind(), FailureKind::stopped);
  EXPECT_FALSE(test::anyProcessMentions(marker));
}

TEST_F(CommandCodecThreaded, EachProcessOfTheCommandKeepsToTheMemoryLimit) {
  session.pluginCalls.setMemoryLimitBytes(std::int64_t{100} << 20);
  EXPECT_EQ(recode("cmd:python3 -c 'bytearray(400 << 20)' && cp {in} {out}"), kRecodeFailed);
  EXPECT_NE(session.failureReason().find("(each of its processes may take 100 MiB of memory)"), std::string::npos)
      << session.failureReason();
  EXPECT_NE(session.failureReason().find("MemoryError"), std::string::npos) << session.failureReason();
  EXPECT_EQ(recode("cmd:python3 -c 'bytearray(20 << 20)' && cp {in} {out}"), "") << session.failureReason();
}

TEST_F(CommandCodecThreaded, CompareCodecsRunsACommandAsEitherCodec) {
  ASSERT_TRUE(session.sourceCodecPath.assign("cmd:frame=80:cp {in} {out}"));
  ASSERT_TRUE(session.testedCodecPath.assign("cmd:frame=80:cp {in} {out}"));
  ASSERT_TRUE(session.loadCodecPair()) << session.failureReason();
  session.sizeType = 0;
  ASSERT_EQ(test::runHeadless(session, kPrepareComparisonData), "") << session.failureReason();
  EXPECT_EQ(session.sourceFrameSize, 80);
  ASSERT_EQ(test::runHeadless(session, kRecodeComparisonData), "") << session.failureReason();
  for (std::int32_t i = 0; i < session.comparisonSampleCount; i += 997) {
    ASSERT_EQ(session.sourceCodecOutput[i], session.comparisonSamples[i]) << i;
    ASSERT_EQ(session.testedCodecOutput[i], session.comparisonSamples[i]) << i;
  }
  session.sourceCodec.unload();
  session.testedCodec.unload();
}

TEST_F(CommandCodecThreaded, AChildLeftBehindIsEndedWithTheRun) {
  const std::string marker = "27182818";
  EXPECT_EQ(recode("cmd:(sleep " + marker + " &); setsid sleep " + marker + "1 & cp {in} {out}"), "")
      << session.failureReason();
  EXPECT_FALSE(test::anyProcessMentions(marker));
}

TEST_F(CommandCodecThreaded, QuotesSpacesAndShellCharactersStayWhatTheyAre) {
  const std::string voice = scratch.file("my speech $(touch pwned); `touch pwned2` it's.pcm");
  test::writeVoiceFile(voice, test::evenSpeechLikeSignal(6));
  EXPECT_EQ(recode("cmd:sh -c 'cat \"$1\" > \"$2\"' 'a copy' {in} {out} && echo \"done, it's \\\"fine\\\"\" >&2", voice),
            "")
      << session.failureReason();
  EXPECT_EQ(session.commandOutputFit->padded(), 0);
  for (const char* planted : {"pwned", "pwned2"}) {
    EXPECT_FALSE(std::filesystem::exists(scratch.file(planted)));
    EXPECT_FALSE(std::filesystem::exists(planted));
  }
}

}  // namespace
}  // namespace orvelle
