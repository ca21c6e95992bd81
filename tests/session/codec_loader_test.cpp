#include <gtest/gtest.h>

#include <chrono>

#include "session/plugin_calls.h"
#include "session/test_session.h"
#include "tests/support/child_processes.h"
#include "tests/support/plugin_paths.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

using test::bundledPlugin;
using test::testPlugin;

bool isEmpty(const CodecLibrary& library) {
  return !library.isComplete() && !library.hosted() && !library.module() && !library.getFrameSize() &&
         !library.codeAndDeCode();
}

std::int32_t frameSizeOf(const CodecLibrary& library) {
  std::int32_t size = 0;
  std::string error;
  PluginCallControl control;
  EXPECT_TRUE(queryFrameSize(library, "plug-in", control, &size, &error)) << error;
  return size;
}

TEST(CodecLoader, LoadsACompletePlugInAndReadsItsFrameSize) {
  TestSession session;
  ASSERT_TRUE(session.codecPath.assign(bundledPlugin("passthrough")));
  for (const bool inProcess : {false, true}) {
    SCOPED_TRACE(inProcess);
    session.inProcessPlugins = inProcess;
    ASSERT_TRUE(session.loadCodec());
    EXPECT_TRUE(session.isCodecLoaded());
    EXPECT_EQ(session.codec.hosted() == nullptr, inProcess);
    EXPECT_EQ(frameSizeOf(session.codec), 160);
  }
}

TEST(CodecLoader, RefusesEveryUnusablePathAndLeavesNothingLoaded) {
  test::ScratchDirectory scratch;
  const std::string notALibrary = scratch.file("notes.so");
  test::writeWholeFile(notALibrary, "this is not a shared object\n");
  const std::vector<std::string> paths = {
      "", scratch.file("missing.so"), scratch.path().string(), notALibrary,
      testPlugin("missing_get_frame_size"), testPlugin("missing_code_and_decode")};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    TestSession session;
    ASSERT_TRUE(session.codecPath.assign(path));
    EXPECT_FALSE(session.loadCodec());
    EXPECT_FALSE(session.isCodecLoaded());
    EXPECT_TRUE(isEmpty(session.codec));
    EXPECT_FALSE(session.failureReason().empty());
  }
}

TEST(CodecLoader, ReasonNamesTheMissingExport) {
  TestSession session;
  ASSERT_TRUE(session.codecPath.assign(testPlugin("missing_code_and_decode")));
  EXPECT_FALSE(session.loadCodec());
  EXPECT_NE(session.failureReason().find("CodeAndDeCode"), std::string::npos);
  EXPECT_NE(session.failureReason().find("missing_code_and_decode.so"), std::string::npos);
}

TEST(CodecLoader, FailedLoadAfterAGoodOneLeavesTheCodecEmpty) {
  TestSession session;
  ASSERT_TRUE(session.codecPath.assign(bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodec());
  ASSERT_TRUE(session.codecPath.assign(testPlugin("missing_get_frame_size")));
  EXPECT_FALSE(session.loadCodec());
  EXPECT_FALSE(session.isCodecLoaded());
  EXPECT_TRUE(isEmpty(session.codec));
}

TEST(CodecLoader, PairLoadsTheSameFileTwiceAsTwoWorkingReferences) {
  TestSession session;
  ASSERT_TRUE(session.sourceCodecPath.assign(bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(bundledPlugin("passthrough")));
  for (const bool inProcess : {false, true}) {
    SCOPED_TRACE(inProcess);
    session.inProcessPlugins = inProcess;
    ASSERT_TRUE(session.loadCodecPair());
    EXPECT_TRUE(session.sourceCodec.isComplete());
    EXPECT_TRUE(session.testedCodec.isComplete());
    // One library, two references: the same code and the same state.
    EXPECT_EQ(session.sourceCodec.codeAndDeCode(), session.testedCodec.codeAndDeCode());
    EXPECT_EQ(session.sourceCodec.hosted(), session.testedCodec.hosted());
    // Dropping one reference leaves the other usable.
    session.sourceCodec.unload();
    EXPECT_EQ(frameSizeOf(session.testedCodec), 160);
    EXPECT_FALSE(session.isCodecLoaded()) << "the pair never fills the Codec Quality plug-in";
  }
}

TEST(CodecLoader, PairWithAnIncompletePlugInLeavesBothEmpty) {
  struct Case {
    std::string source;
    std::string tested;
  };
  const std::vector<Case> cases = {
      {bundledPlugin("passthrough"), testPlugin("missing_code_and_decode")},
      {testPlugin("missing_get_frame_size"), bundledPlugin("passthrough")},
      {"", bundledPlugin("passthrough")},
      {bundledPlugin("passthrough"), "/nonexistent/codec.so"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + " + " + c.tested);
    TestSession session;
    ASSERT_TRUE(session.sourceCodecPath.assign(c.source));
    ASSERT_TRUE(session.testedCodecPath.assign(c.tested));
    EXPECT_FALSE(session.loadCodecPair());
    EXPECT_TRUE(isEmpty(session.sourceCodec));
    EXPECT_TRUE(isEmpty(session.testedCodec));
  }
}

TEST(CodecLoader, PairAndSingleLoadsLeaveEachOtherAlone) {
  TestSession session;
  ASSERT_TRUE(session.codecPath.assign(bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodec());
  ASSERT_TRUE(session.sourceCodecPath.assign("/nonexistent/a.so"));
  ASSERT_TRUE(session.testedCodecPath.assign("/nonexistent/b.so"));
  EXPECT_FALSE(session.loadCodecPair());
  EXPECT_TRUE(session.isCodecLoaded());

  ASSERT_TRUE(session.sourceCodecPath.assign(bundledPlugin("passthrough")));
  ASSERT_TRUE(session.testedCodecPath.assign(bundledPlugin("passthrough")));
  ASSERT_TRUE(session.loadCodecPair());
  ASSERT_TRUE(session.codecPath.assign(""));
  EXPECT_FALSE(session.loadCodec());
  EXPECT_TRUE(session.sourceCodec.isComplete());
  EXPECT_TRUE(session.testedCodec.isComplete());
}

TEST(CodecLoader, AHostedLoadKeepsToTheTimeLimitAsTheCallsDo) {
  const std::string path = testPlugin("endless_constructor");
  const std::string timedOut = path + ": the plug-in did not finish loading within 1 s";
  PluginCallControl control;
  control.setTimeoutSeconds(1);
  HostedPlugin plugin(path);
  std::string error;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(plugin.start(&control, &error));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_EQ(error, timedOut);
  EXPECT_EQ(plugin.hostPid(), -1);
  EXPECT_FALSE(test::hasChildProcesses()) << "the hung host was left behind";
  // A call starts a fresh host, whose load keeps to the call's limits.
  std::int32_t size = 0;
  std::string raised;
  error.clear();
  EXPECT_FALSE(plugin.frameSize(control, &size, &raised, &error));
  EXPECT_EQ(error, timedOut);
  EXPECT_EQ(raised, "");
  EXPECT_FALSE(test::hasChildProcesses());
}

// Under AddressSanitizer this also proves that loading and unloading leaks
// nothing: every reference taken is dropped again.
TEST(CodecLoader, ReloadingAThousandTimesKeepsExactlyOneReference) {
  TestSession session;
  ASSERT_TRUE(session.codecPath.assign(bundledPlugin("passthrough")));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(session.loadCodec()) << "load " << i;
  EXPECT_TRUE(session.isCodecLoaded());
  session.codec.unload();
  EXPECT_TRUE(isEmpty(session.codec));
}

}  // namespace
}  // namespace orvelle
