#include "platform/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

using platform::openRegularFile;

// A blocking open would hang the suite: the alarm ends the test program
// instead, so a hang shows up as a failure.
class RegularFile : public ::testing::Test {
 protected:
  void SetUp() override { ::alarm(10); }
  void TearDown() override { ::alarm(0); }
  test::ScratchDirectory scratch;
};

TEST_F(RegularFile, OpensARegularFileForReading) {
  test::writeWholeFile(scratch.file("voice.pcm"), "abcd");
  const auto opening = openRegularFile(scratch.file("voice.pcm").c_str());
  ASSERT_TRUE(opening.file);
  EXPECT_EQ(opening.kind, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, opening.file.get()), 4u);
  EXPECT_EQ(std::string(bytes), "abcd");
}

TEST_F(RegularFile, RefusesAFifoWithoutWriterAndDevicesAtOnce) {
  const std::string fifo = scratch.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    std::string kind;
  } cases[] = {{fifo, "a FIFO"}, {"/dev/zero", "a character device"}, {scratch.path().string(), "a folder"}};
  for (const auto& refused : cases) {
    const auto opening = openRegularFile(refused.path.c_str());
    EXPECT_FALSE(opening.file) << refused.path;
    ASSERT_NE(opening.kind, nullptr) << refused.path;
    EXPECT_EQ(opening.kind, refused.kind);
  }
}

TEST_F(RegularFile, AMissingFileGivesTheSystemsReason) {
  const auto opening = openRegularFile(scratch.file("nowhere.pcm").c_str());
  EXPECT_FALSE(opening.file);
  EXPECT_EQ(opening.kind, nullptr);
  EXPECT_EQ(opening.error, ENOENT);
}

}  // namespace
}  // namespace orvelle
