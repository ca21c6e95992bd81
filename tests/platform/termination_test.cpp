#include "platform/termination.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/atomic_output_file.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

TEST(TerminationDeathTest, ASignalRemovesTheFileBeingWrittenAndEndsWithItsOwnStatus) {
  test::ScratchDirectory scratch;
  const std::string path = scratch.file("out.txt");
  test::writeWholeFile(path, "before");
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    EXPECT_EXIT(
        {
          platform::handleTerminationSignals();
          platform::AtomicOutputFile file;
          if (!file.open(path) || !file.write("after", 5)) std::_Exit(1);
          kill(getpid(), signal);
          for (;;) pause();
        },
        ::testing::ExitedWithCode(128 + signal), "");
    EXPECT_EQ(test::readWholeFile(path), "before");
    const auto entries = std::distance(std::filesystem::directory_iterator(scratch.path()), {});
    EXPECT_EQ(entries, 1) << "the temporary file was left";
  }
}

}  // namespace
}  // namespace orvelle
