#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/startup_directory.h"
#include "session/test_session.h"
#include "tests/support/child_processes.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/session_operations.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

class PluginIsolationThreaded : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setStartupDirectory(scratch.prefix());
    session.sizeType = 0;
  }
  void TearDown() override {
    session.codec.unload();
    EXPECT_FALSE(test::hasChildProcesses()) << "a plug-in host was left behind";
  }

  bool load(const std::string& plugin) {
    EXPECT_TRUE(session.codecPath.assign(plugin));
    return session.loadCodec();
  }
  // Runs one operation; on failure returns the message box's text.
  std::string run(std::int32_t opCode) { return test::runHeadless(session, opCode); }
  // The score of a recoding that must leave the prepared reference as it was.
  double scoreKeepingTheReference(const std::string& plugin) {
    EXPECT_TRUE(load(plugin)) << session.failureReason();
    EXPECT_EQ(run(kPrepareVoiceData), "");
    const std::vector<std::int16_t> reference(session.inputSamples.get(),
                                              session.inputSamples.get() + session.sampleCount);
    EXPECT_EQ(run(kRecodeVoiceData), "") << session.failureReason();
    const bool kept = std::equal(reference.begin(), reference.end(), session.inputSamples.get());
    EXPECT_EQ(run(kCalculateVoiceQuality), "") << session.failureReason();
    return kept ? session.codecQuality : -1.0;
  }

  test::ScratchDirectory scratch;
  TestSession session;
};

TEST_F(PluginIsolationThreaded, ThePlugInCannotChangeTheReferenceThroughAnyDescriptor) {
  const std::string tamperer = test::testPlugin("tampers_through_descriptors");
  setenv("ORVELLE_TEST_TAMPER", "0", 1);
  const double untouched = scoreKeepingTheReference(tamperer);
  unsetenv("ORVELLE_TEST_TAMPER");
  EXPECT_GT(untouched, 0.0);
  EXPECT_LT(untouched, 50.0) << "its output is far from the reference";
  EXPECT_EQ(scoreKeepingTheReference(tamperer), untouched);

  // In process nothing guards the reference: the plug-in does reach it, and
  // the score it gets for that shows what the host keeps out.
  session.inProcessPlugins = true;
  ASSERT_TRUE(load(tamperer));
  ASSERT_EQ(run(kPrepareVoiceData), "");
  ASSERT_EQ(run(kRecodeVoiceData), "");
  ASSERT_EQ(run(kCalculateVoiceQuality), "");
  EXPECT_EQ(session.codecQuality, 100.0);
}

TEST_F(PluginIsolationThreaded, AWildFrameCounterIsReportedAsSuchAndNeverShownAsProgress) {
  const std::string crashing = test::testPlugin("wild_counter");
  ASSERT_TRUE(load(crashing));
  ASSERT_EQ(run(kPrepareVoiceData), "");
  EXPECT_EQ(run(kRecodeVoiceData), "Voice Data Can't be Recoded!");
  EXPECT_EQ(session.failureReason(), crashing +
                                         ": the plug-in crashed: SIGSEGV (invalid memory access); the plug-in left "
                                         "its frame counter at -123456789, outside 0 to 28657");

  // One that returns has coded every sample: its output is scored, while
  // the progress shown keeps to the frames there are.
  ASSERT_TRUE(load(test::testPlugin("wild_counter_returns")));
  ASSERT_EQ(run(kPrepareVoiceData), "");
  const long total = session.progressTotal.load();
  std::atomic<bool> recoding{true};
  long lowest = LONG_MAX;
  long highest = LONG_MIN;
  std::thread watcher([&] {
    while (recoding) {
      const long shown = session.progressCurrent.load();
      lowest = std::min(lowest, shown);
      highest = std::max(highest, shown);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(run(kRecodeVoiceData), "") << session.failureReason();
  recoding = false;
  watcher.join();
  EXPECT_GE(lowest, 0);
  EXPECT_LE(highest, total);
  ASSERT_EQ(run(kCalculateVoiceQuality), "");
  EXPECT_EQ(session.codecQuality, 100.0);
}

// Not named to run under ThreadSanitizer, whose runtime hides how an
// allocation at the limit failed.
class PluginMemoryLimit : public PluginIsolationThreaded {
 protected:
  void TearDown() override {
    unsetenv("ORVELLE_TEST_ALLOCATOR");
    unsetenv("ORVELLE_TEST_TOUCH_MIB");
    PluginIsolationThreaded::TearDown();
  }
};

TEST_F(PluginMemoryLimit, APlugInPastTheLimitFailsAsOutOfMemoryAndOneWithinItScores) {
  const std::string path = test::testPlugin("touches_memory");
  session.pluginCalls.setMemoryLimitBytes(std::int64_t{256} << 20);
  for (const char* allocator : {"malloc", "new"}) {
    SCOPED_TRACE(allocator);
    setenv("ORVELLE_TEST_ALLOCATOR", allocator, 1);
    setenv("ORVELLE_TEST_TOUCH_MIB", "3072", 1);
    ASSERT_TRUE(load(path)) << session.failureReason();
    ASSERT_EQ(run(kPrepareVoiceData), "");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(run(kRecodeVoiceData), "Voice Data Can't be Recoded!");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(session.failureReason(), path + ": the plug-in went past the memory limit of 256 MiB");
    EXPECT_EQ(session.failureKind(), FailureKind::outOfMemory);
    EXPECT_EQ(session.codec.hosted()->hostPid(), -1) << "the host is ended at once";
    // The next call gets a fresh host, which the same plug-in taking less
    // gets through.
    setenv("ORVELLE_TEST_TOUCH_MIB", "128", 1);
    ASSERT_EQ(run(kRecodeVoiceData), "") << session.failureReason();
    ASSERT_EQ(run(kCalculateVoiceQuality), "");
    EXPECT_EQ(session.codecQuality, 100.0);
  }
}

}  // namespace
}  // namespace orvelle
