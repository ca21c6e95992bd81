#include <gtest/gtest.h>

#include <string>

#include "session/codec_header.h"
#include "tests/support/scratch_directory.h"

namespace orvelle {
namespace {

const char kExpectedHeader[] =
    "#ifndef __STD_CODEC_HEADER__\r\n"
    "#define __STD_CODEC_HEADER__ 1\r\n"
    "\r\n"
    "#define STDVOCODER_DLL_API __attribute__((visibility(\"default\")))\r\n"
    "\r\n"
    "extern \"C\"\r\n"
    "{\r\n"
    "// Returns the size of frame\r\n"
    "STDVOCODER_DLL_API int GetFrameSize(void);\r\n"
    "\r\n"
    "// Codes and decodes the entrance data pInData.\r\n"
    "// The result is located in pOutData.\r\n"
    "// dDataSize - the size of the data.\r\n"
    "// pFrameNum - the counter processed frames.\r\n"
    "STDVOCODER_DLL_API long CodeAndDeCode(short * pInData, short * pOutData, long dDataSize, long * pFrameNum);\r\n"
    "}\r\n"
    "\r\n"
    "#endif\r\n";

TEST(CodecHeader, WritesTheEighteenLinesWithCrLfEnds) {
  test::ScratchDirectory scratch;
  const std::string path = scratch.file("codec.h");
  ASSERT_TRUE(writeCodecHeader(path));
  const std::string bytes = test::readWholeFile(path);
  EXPECT_EQ(bytes, kExpectedHeader);

  std::size_t lines = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ++lines;
      EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
    }
  }
  EXPECT_EQ(lines, 18u);
}

TEST(CodecHeader, ReplacesAnExistingFileWholly) {
  test::ScratchDirectory scratch;
  const std::string path = scratch.file("codec.h");
  test::writeWholeFile(path, std::string(5000, 'z'));
  ASSERT_TRUE(writeCodecHeader(path));
  EXPECT_EQ(test::readWholeFile(path), kExpectedHeader);
}

TEST(CodecHeader, ReportsFilesThatCannotBeWritten) {
  test::ScratchDirectory scratch;
  std::string reason;
  EXPECT_FALSE(writeCodecHeader(scratch.file("no-such-folder/codec.h"), &reason));
  EXPECT_EQ(reason, "cannot write \"" + scratch.file("no-such-folder/codec.h") + "\": No such file or directory");
  EXPECT_FALSE(writeCodecHeader(scratch.path().string(), &reason)) << "a directory is not a file";
  EXPECT_NE(reason.find("it is a folder"), std::string::npos) << reason;
  // A device is not replaced by a file, and /dev/full would take no byte.
  EXPECT_FALSE(writeCodecHeader("/dev/full", &reason));
  EXPECT_NE(reason.find("it is a character device"), std::string::npos) << reason;
}

}  // namespace
}  // namespace orvelle
