#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The messages between the program and the plug-in host, one per socket
// message. The program opens with one LoadRequest, which the host answers
// with one LoadReply; then the host answers each Request with one CallReply.
// A CodeAndDeCode request carries three descriptors: the input samples
// (sealed: nobody can change them any more), the output samples and the
// frame counter.
namespace orvelle::host_protocol {

constexpr const char* kHostProgram = "orvelle-plugin-host";
// The host of a codec command: `orvelle-command-host FOLDER MEMORY-LIMIT-BYTES COMMAND`.
constexpr const char* kCommandHostProgram = "orvelle-command-host";
constexpr int kChannelFd = 3;
constexpr std::size_t kTextBytes = 1024;

// Every memory limit counts the bytes the host may take beyond what it took
// itself before it loaded the plug-in.
struct LoadRequest {
  std::int64_t memoryLimit;  // while the library loads
};

enum class RequestKind : std::int32_t { FrameSize = 1, CodeAndDeCode = 2 };

struct Request {
  RequestKind kind;
  std::int32_t reserved;
  std::int64_t sampleCount;
  std::int64_t inputBytes;
  std::int64_t outputBytes;
  std::int64_t memoryLimit;  // while this call runs
};

// OutOfMemory: the plug-in's code was refused memory at its limit; the host
// is of no more use.
enum class LoadResult : std::int32_t { Loaded = 1, Failed = 2, OutOfMemory = 3 };

struct LoadReply {
  LoadResult result;
  std::int32_t hasGetFrameSize;
  std::int32_t hasCodeAndDeCode;
  std::int32_t reserved;
  char text[kTextBytes];  // the loader's reason when it failed
};

// OutOfMemory: as LoadResult's.
enum class CallResult : std::int32_t { Returned = 1, Raised = 2, Refused = 3, OutOfMemory = 4 };

struct CallReply {
  CallResult result;
  std::int32_t frameSize;
  char text[kTextBytes];  // what the plug-in raised, or why the host refused
};

// Copies `text` into a reply's fixed field, cut short if it must be.
template <std::size_t N>
void putText(char (&field)[N], const std::string& text) {
  const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, length);
  field[length] = '\0';
}

// What the exception being handled says about itself; called in a catch.
inline std::string describeCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception of unknown type";
  }
}

}  // namespace orvelle::host_protocol
