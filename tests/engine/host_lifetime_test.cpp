#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/jobs.h"
#include "platform/termination.h"
#include "tests/support/child_processes.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"

namespace orvelle::engine {
namespace {

using Clock = std::chrono::steady_clock;
// The plug-ins' children sleep for a minute: a run that waited for one
// would take longer than this, which leaves room for a slow sanitizer build.
constexpr auto kNoHang = std::chrono::seconds(45);

// The plug-ins run from copies in the scratch folder, so that whatever they
// leave running is found by its command line, even outside our process tree.
class HostLifetimeThreaded : public ::testing::Test {
 protected:
  void TearDown() override { expectNothingLeft(); }

  std::string plugin(const std::string& name) {
    const std::string copy = scratch.file(name + ".so");
    std::filesystem::copy_file(test::testPlugin(name), copy, std::filesystem::copy_options::skip_existing);
    return copy;
  }
  Result<CodecQualityRun> run(const std::string& name, int timeoutSeconds, CancelToken& token) {
    CodecQualityOptions options;
    options.scoring.logPath = "";
    const auto started = Clock::now();
    Result<CodecQualityRun> result = codecQuality({plugin(name), false, timeoutSeconds}, {"", 0}, options,
                                                  noProgress(), token);
    EXPECT_LT(Clock::now() - started, kNoHang) << name;
    return result;
  }
  void expectNothingLeft() {
    EXPECT_FALSE(test::hasChildProcesses()) << "a plug-in host was left behind";
    EXPECT_FALSE(test::anyProcessMentions(scratch.path().string())) << "a plug-in's process outlived its run";
  }

  test::ScratchDirectory scratch;
};

TEST_F(HostLifetimeThreaded, ACrashIsSeenAtOnceThoughAForkOfThePlugInHoldsTheChannel) {
  CancelToken token;
  const Result<CodecQualityRun> crashed = run("forks_then_crashes", 0, token);
  ASSERT_FALSE(crashed.ok());
  EXPECT_EQ(crashed.error().kind, FailureKind::crashed) << crashed.error().text();
  EXPECT_NE(crashed.error().detail.find("the plug-in crashed: SIGSEGV"), std::string::npos) << crashed.error().text();
}

TEST_F(HostLifetimeThreaded, AChildThePlugInLeftEndsWithASuccessfulRun) {
  CancelToken token;
  const Result<CodecQualityRun> lingering = run("forks_and_lingers", 0, token);
  ASSERT_TRUE(lingering.ok()) << lingering.error().text();
  EXPECT_EQ(lingering.value().measurement.score, 100.0);
}

TEST_F(HostLifetimeThreaded, AChildThatLeftTheHostsSessionEndsWithATimedOutOrStoppedCall) {
  CancelToken never;
  const Result<CodecQualityRun> timedOut = run("setsid_and_hangs", 1, never);
  ASSERT_FALSE(timedOut.ok());
  EXPECT_EQ(timedOut.error().kind, FailureKind::timedOut) << timedOut.error().text();
  expectNothingLeft();

  CancelToken token;
  std::thread user([&] {
    // Stopped only once the child has left the session: ending the host's
    // process group alone would miss it from then on.
    const auto giveUp = Clock::now() + kNoHang;
    for (bool left = false; !left && Clock::now() < giveUp;) {
      for (pid_t pid : test::processesMentioning(scratch.path().string())) left = left || test::leadsItsSession(pid);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    token.cancel();
  });
  const Result<CodecQualityRun> stopped = run("setsid_and_hangs", 0, token);
  user.join();
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error().kind, FailureKind::stopped) << stopped.error().text();
}

// What a program does as it exits, or as a signal ends it, while a run goes on.
TEST_F(HostLifetimeThreaded, EndingTheStartedWorkEndsARunningHostWithAllItStarted) {
  std::thread exiting([this] {
    const auto giveUp = Clock::now() + kNoHang;
    while (test::processesMentioning(scratch.path().string()).size() < 3 && Clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    platform::endStartedWork();
  });
  CancelToken never;
  const Result<CodecQualityRun> ended = run("setsid_and_hangs", 0, never);
  exiting.join();
  EXPECT_FALSE(ended.ok());
}

}  // namespace
}  // namespace orvelle::engine
