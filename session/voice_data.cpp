// Operations that lay out the speech in memory for the codecs: one input and
// one zero-filled output buffer for Codec Quality, one input and two outputs
// for Compare codecs.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/file_length.h"
#include "session/plugin_calls.h"
#include "session/test_session.h"

namespace orvelle {

namespace {

// Silence after a voice file's samples that the codec never sees as data but
// may read ahead into.
constexpr std::int64_t kVoiceFilePadding = 41024;
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

bool isSizeType(std::int32_t sizeType) { return sizeType >= 0 && sizeType <= 2; }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool TestSession::prepareVoiceData(ProgressDialog* dialog) {
  dialog->setOperationText("Make Data for Codec Test");
  std::string error;
  if (!queryFrameSize(codec, codecPath.str(), &frameSize, &error)) return fail(error);
  progressCurrent.store(0);
  releaseVoiceData();

  if (sourceType != 0) {
    const std::string& path = voiceFilePath.str();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return fail(path + ": cannot open the voice file: " + std::strerror(errno));
    const std::int64_t bytes = platform::fileLength(file.get());
    if (bytes < 0) return fail(path + ": cannot measure the voice file: " + std::strerror(errno));
    const std::int64_t count = frameSize + bytes / 2;
    if (count + kVoiceFilePadding > kMaxCount) {
      return fail(path + ": the voice file is too long (" + std::to_string(bytes / 2) +
                  " samples); with the codec's frame and padding it must stay below " +
                  std::to_string(kMaxCount) + " samples");
    }
    sampleCount = static_cast<std::int32_t>(count);
    progressTotal.store(sampleCount / frameSize);
    dialog->setRange(sampleCount);
    inputSamples = allocateSamples(count + kVoiceFilePadding);
    outputSamples = allocateSamples(count + kVoiceFilePadding);
    if (!inputSamples || !outputSamples) {
      releaseVoiceData();
      return fail(path + ": not enough memory for " + std::to_string(count) + " samples");
    }
    // Only whole samples are read: an odd last byte is not a sample and must
    // not leak into the counted frame of silence that follows. Whatever a
    // shrinking file no longer delivers stays zero.
    const std::size_t read = std::fread(inputSamples.get(), sizeof(std::int16_t), static_cast<std::size_t>(bytes / 2),
                                        file.get());
    (void)read;
    return true;
  }

  if (!isSizeType(sizeType)) return fail("unknown signal size " + std::to_string(sizeType));
  // The internal source's length for this frame size, taken in 64 bits so
  // that an absurd frame size is refused instead of wrapping the count.
  const std::int64_t count = static_cast<std::int64_t>(synthesizer_.signalLength(0, sizeType)) + frameSize;
  if (count > kMaxCount) {
    return fail(codecPath.str() + ": a frame size of " + std::to_string(frameSize) +
                " makes the internal source longer than " + std::to_string(kMaxCount) + " samples");
  }
  sampleCount = static_cast<std::int32_t>(count);
  progressTotal.store(sampleCount / frameSize);
  dialog->setRange(sampleCount);
  inputSamples = allocateSamples(count);
  outputSamples = allocateSamples(count);
  if (!inputSamples || !outputSamples) {
    releaseVoiceData();
    return fail("not enough memory for " + std::to_string(count) + " samples");
  }
  synthesizer_.generateInternalSource(inputSamples.get(), dialog, sizeType);
  return true;
}

bool TestSession::prepareComparisonData(ProgressDialog* dialog) {
  dialog->setOperationText("Make Data for Codec Test");
  std::string error;
  if (!queryFrameSize(sourceCodec, sourceCodecPath.str(), &sourceFrameSize, &error) ||
      !queryFrameSize(testedCodec, testedCodecPath.str(), &testedFrameSize, &error)) {
    return fail(error);
  }
  if (!isSizeType(sizeType)) return fail("unknown signal size " + std::to_string(sizeType));
  const std::int32_t largerFrame = std::max(sourceFrameSize, testedFrameSize);
  const std::int64_t count = static_cast<std::int64_t>(synthesizer_.signalLength(0, sizeType)) + largerFrame;
  if (count + largerFrame > kMaxCount) {
    return fail("a frame size of " + std::to_string(largerFrame) + " makes the internal source longer than " +
                std::to_string(kMaxCount) + " samples");
  }
  comparisonSampleCount = static_cast<std::int32_t>(count);
  sourceFrameCount = comparisonSampleCount / sourceFrameSize;
  testedFrameCount = comparisonSampleCount / testedFrameSize;
  releaseComparisonData();
  dialog->setRange(comparisonSampleCount);
  comparisonSamples = allocateSamples(count + largerFrame);
  sourceCodecOutput = allocateSamples(count + sourceFrameSize);
  testedCodecOutput = allocateSamples(count + testedFrameSize);
  if (!comparisonSamples || !sourceCodecOutput || !testedCodecOutput) {
    releaseComparisonData();
    return fail("not enough memory for " + std::to_string(count) + " samples");
  }
  synthesizer_.generateInternalSource(comparisonSamples.get(), dialog, sizeType);
  return true;
}

}  // namespace orvelle
