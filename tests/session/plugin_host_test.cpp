#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/startup_directory.h"
#include "session/test_session.h"
#include "tests/support/child_processes.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/session_operations.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/speech_like_signal.h"
#include "tests/support/voice_files.h"

namespace orvelle {
namespace {

// Each operation runs through the dispatcher, as both programs run it, with a
// progress monitor thread.
class PluginHostThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setStartupDirectory(scratch.prefix());
    session.sizeType = 0;
  }
  void TearDown() override {
    session.codec.unload();
    session.sourceCodec.unload();
    session.testedCodec.unload();
    EXPECT_FALSE(test::hasChildProcesses()) << "a plug-in host was left behind";
  }

  bool load(const std::string& plugin) {
    EXPECT_TRUE(session.codecPath.assign(plugin));
    return session.loadCodec();
  }
  // Runs one operation; on failure returns the message box's text.
  std::string run(std::int32_t opCode) { return test::runHeadless(session, opCode); }
  void expectPassThroughScoresOneHundred() {
    ASSERT_TRUE(load(test::bundledPlugin("passthrough"))) << session.failureReason();
    ASSERT_EQ(run(kPrepareVoiceData), "");
    ASSERT_EQ(run(kRecodeVoiceData), "") << session.failureReason();
    ASSERT_EQ(run(kCalculateVoiceQuality), "");
    EXPECT_EQ(session.codecQuality, 100.0);
  }

  test::ScratchDirectory scratch;
  TestSession session;
};

TEST_F(PluginHostThreaded, WhateverThePlugInDoesToItsHostFailsTheRecodingWithAReason) {
  struct Case {
    const char* plugin;
    std::string reason;
    bool hostEnds = true;
  };
  const std::vector<Case> cases = {
      {"null_store_after_two_frames", "the plug-in crashed: SIGSEGV (invalid memory access) after 2 of 28657 frames"},
      {"calls_abort", "the plug-in crashed: SIGABRT (abort() was called) after 1 of 28657 frames"},
      {"writes_past_output", "the plug-in crashed: SIGSEGV (invalid memory access) after 1 of 28657 frames"},
      {"exits_with_zero", "the plug-in ended the process with exit status 0"},
      {"throwing_recode", "CodeAndDeCode raised coder failed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    const std::string path = test::testPlugin(c.plugin);
    ASSERT_TRUE(load(path)) << session.failureReason();
    ASSERT_EQ(run(kPrepareVoiceData), "") << session.failureReason();
    ASSERT_EQ(session.progressTotal.load(), 28657);
    // Twice: after a crash the plug-in is still loaded, and the next call
    // gets a fresh host for it.
    for (int attempt = 0; attempt < 2; ++attempt) {
      EXPECT_EQ(run(kRecodeVoiceData), "Voice Data Can't be Recoded!");
      EXPECT_EQ(session.failureReason(), path + ": " + c.reason);
      EXPECT_TRUE(session.isCodecLoaded());
    }
    if (c.hostEnds) {
      EXPECT_EQ(session.codec.hosted()->hostPid(), -1) << "a crashed host is reaped at once";
    }
    // The session goes on: another plug-in scores as it should.
    expectPassThroughScoresOneHundred();
  }
}

TEST_F(PluginHostThreaded, ACrashWhileLoadingIsAFailedLoad) {
  const std::string path = test::testPlugin("crashing_constructor");
  EXPECT_FALSE(load(path));
  EXPECT_EQ(session.failureReason(), path + ": the plug-in crashed while it was being loaded");
  EXPECT_FALSE(session.isCodecLoaded());
  expectPassThroughScoresOneHundred();
}

TEST_F(PluginHostThreaded, APlugInThatZeroesItsInputCannotTouchTheReference) {
  ASSERT_TRUE(load(test::testPlugin("zeroing_input")));
  ASSERT_EQ(run(kPrepareVoiceData), "");
  const std::vector<std::int16_t> reference(session.inputSamples.get(),
                                            session.inputSamples.get() + session.sampleCount);
  ASSERT_EQ(run(kRecodeVoiceData), "");
  EXPECT_TRUE(std::equal(reference.begin(), reference.end(), session.inputSamples.get()));
  ASSERT_EQ(run(kCalculateVoiceQuality), "");
  EXPECT_LT(session.codecQuality, 1.0) << "silence against intact speech";
}

TEST_F(PluginHostThreaded, AHungPlugInIsEndedByTheTimeLimitOrByTheUser) {
  const std::string path = test::testPlugin("endless_sleep");
  ASSERT_TRUE(load(path));
  ASSERT_EQ(run(kPrepareVoiceData), "");
  session.pluginCalls.setTimeoutSeconds(1);
  EXPECT_EQ(run(kRecodeVoiceData), "Voice Data Can't be Recoded!");
  EXPECT_EQ(session.failureReason(), path + ": the plug-in did not finish within 1 s");

  session.pluginCalls.setTimeoutSeconds(0);
  std::thread user([this] {
    // Until the plug-in has counted its frames it may not have started.
    while (session.progressCurrent.load() != 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    session.pluginCalls.requestStop();
  });
  EXPECT_EQ(run(kRecodeVoiceData), "Voice Data Can't be Recoded!");
  user.join();
  EXPECT_EQ(session.failureReason(), path + ": stopped by the user");
  // A stop ends only the call it was meant for.
  expectPassThroughScoresOneHundred();
}

TEST_F(PluginHostThreaded, AHungLoadIsEndedByTheTimeLimitOrByTheUser) {
  const std::string path = test::testPlugin("endless_constructor");
  const std::string timedOut = path + ": the plug-in did not finish loading within 1 s";
  session.pluginCalls.setTimeoutSeconds(1);
  EXPECT_FALSE(load(path));
  EXPECT_EQ(session.failureReason(), timedOut);
  EXPECT_FALSE(session.isCodecLoaded());
  EXPECT_FALSE(test::hasChildProcesses()) << "the hung host was left behind";
  ASSERT_TRUE(session.sourceCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(path));
  EXPECT_FALSE(session.loadCodecPair());
  EXPECT_EQ(session.failureReason(), timedOut);

  session.pluginCalls.setTimeoutSeconds(0);
  std::atomic<bool> loading{true};
  std::thread user([&] {
    // The load clears any earlier stop before it starts its host.
    while (loading && !test::hasChildProcesses()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    session.pluginCalls.requestStop();
  });
  EXPECT_FALSE(load(path));
  loading = false;
  user.join();
  EXPECT_EQ(session.failureReason(), path + ": loading was stopped by the user");
  EXPECT_FALSE(test::hasChildProcesses()) << "the stopped host was left behind";
  // A stop ends only the load it was meant for.
  session.pluginCalls.setTimeoutSeconds(1);
  EXPECT_FALSE(load(path));
  EXPECT_EQ(session.failureReason(), timedOut);
  session.pluginCalls.setTimeoutSeconds(0);
  expectPassThroughScoresOneHundred();
}

TEST_F(PluginHostThreaded, ACrashInTheComparisonFailsItsRecoding) {
  ASSERT_TRUE(session.sourceCodecPath.assign(test::testPlugin("null_store_after_two_frames")));
  ASSERT_TRUE(session.testedCodecPath.assign(test::bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodecPair());
  ASSERT_EQ(run(kPrepareComparisonData), "");
  EXPECT_EQ(run(kRecodeComparisonData), "Voice Data Can't be Recoded!");
  EXPECT_NE(session.failureReason().find("SIGSEGV (invalid memory access) after 2 of"), std::string::npos)
      << session.failureReason();
}

std::vector<std::string> pluginsIn(const std::string& directory) {
  std::vector<std::string> paths;
  if (DIR* folder = opendir(directory.c_str())) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) paths.push_back(directory + "/" + name);
    }
    closedir(folder);
  }
  return paths;
}

TEST_F(PluginHostThreaded, HostedResultsAreBitIdenticalToInProcessOnes) {
  std::vector<std::string> plugins = pluginsIn(ORVELLE_PLUGIN_DIR);
  ASSERT_GE(plugins.size(), 5u);
  // A few seconds of speech keep a dozen codecs quick.
  test::writeVoiceFile(scratch.file("speech.pcm"), test::speechLikeSignal(4));
  ASSERT_TRUE(session.voiceFilePath.assign(scratch.file("speech.pcm")));
  session.sourceType = 1;
  for (const char* name : {"half_amplitude", "configurable_frame", "chatty"}) plugins.push_back(test::testPlugin(name));
  for (const std::string& plugin : plugins) {
    SCOPED_TRACE(plugin);
    // Equal outputs make equal scores.
    std::vector<std::int16_t> outputs[2];
    for (const bool inProcess : {false, true}) {
      session.inProcessPlugins = inProcess;
      ASSERT_TRUE(load(plugin)) << session.failureReason();
      ASSERT_EQ(run(kPrepareVoiceData), "");
      ASSERT_EQ(run(kRecodeVoiceData), "") << session.failureReason();
      outputs[inProcess].assign(session.outputSamples.get(), session.outputSamples.get() + session.sampleCount);
      session.releaseVoiceData();
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
  }
}

}  // namespace
}  // namespace orvelle
