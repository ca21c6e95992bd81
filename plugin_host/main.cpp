// orvelle-plugin-host: loads one codec plug-in and serves its two calls, so
// that whatever the plug-in does (crash, exit, hang, scribble) ends this
// process and not the program that asked.
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/packet_channel.h"
#include "platform/shared_memory.h"
#include "plugin_host/host_protocol.h"

namespace hp = orvelle::host_protocol;
namespace platform = orvelle::platform;

using GetFrameSizeEntry = int (*)();
using CodeAndDeCodeEntry = long (*)(short*, short*, long, long*);

// A sanitizer-built host must die by the plug-in's own signal, as any other
// host does, instead of reporting it and exiting with a status of its own.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_abort=0:allow_user_segv_handler=1:detect_leaks=0";
}
extern "C" const char* __tsan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_abort=0:allow_user_segv_handler=1";
}

namespace {

bool reply(const hp::CallReply& message) { return platform::sendPacket(hp::kChannelFd, &message, sizeof message); }

hp::CallReply refusal(const std::string& why) {
  hp::CallReply message{};
  message.result = hp::CallResult::Refused;
  hp::putText(message.text, why);
  return message;
}

hp::CallReply frameSize(GetFrameSizeEntry entry) {
  hp::CallReply message{};
  try {
    message.frameSize = entry();
    message.result = hp::CallResult::Returned;
  } catch (...) {
    message.result = hp::CallResult::Raised;
    hp::putText(message.text, hp::describeCurrentException());
  }
  return message;
}

hp::CallReply codeAndDeCode(CodeAndDeCodeEntry entry, const hp::Request& request, const int* fds) {
  platform::GuardedMapping input;
  platform::GuardedMapping output;
  platform::GuardedMapping counter;
  const auto inputBytes = static_cast<std::size_t>(request.inputBytes);
  const auto outputBytes = static_cast<std::size_t>(request.outputBytes);
  if (request.inputBytes < 0 || request.outputBytes < 0 || request.sampleCount < 0 ||
      !input.map(fds[0], inputBytes, platform::GuardedMapping::Sharing::Private) ||
      !output.map(fds[1], outputBytes, platform::GuardedMapping::Sharing::Shared) ||
      !counter.map(fds[2], sizeof(long), platform::GuardedMapping::Sharing::Shared)) {
    return refusal("the host could not map the sample buffers");
  }
  hp::CallReply message{};
  try {
    entry(static_cast<short*>(input.data()), static_cast<short*>(output.data()), static_cast<long>(request.sampleCount),
          static_cast<long*>(counter.data()));
    message.result = hp::CallResult::Returned;
  } catch (...) {
    message.result = hp::CallResult::Raised;
    hp::putText(message.text, hp::describeCurrentException());
  }
  return message;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PLUGIN\n(started by Orvelle; descriptor 3 is its channel)\n", argv[0]);
    return 2;
  }
  // A crashing plug-in is reported with its signal; a core file of every
  // crash would litter the user's folder.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);

  hp::LoadReply loaded{};
  std::string error;
  platform::LibraryHandle module = platform::loadLibrary(argv[1], &error);
  auto getFrameSize = reinterpret_cast<GetFrameSizeEntry>(platform::findSymbol(module, "GetFrameSize"));
  auto codeAndDeCodeEntry = reinterpret_cast<CodeAndDeCodeEntry>(platform::findSymbol(module, "CodeAndDeCode"));
  loaded.result = module ? hp::LoadResult::Loaded : hp::LoadResult::Failed;
  loaded.hasGetFrameSize = getFrameSize != nullptr;
  loaded.hasCodeAndDeCode = codeAndDeCodeEntry != nullptr;
  hp::putText(loaded.text, error);
  if (!platform::sendPacket(hp::kChannelFd, &loaded, sizeof loaded) || !getFrameSize || !codeAndDeCodeEntry) {
    platform::unloadLibrary(module);
    return 0;
  }

  for (;;) {
    hp::Request request{};
    int fds[3] = {-1, -1, -1};
    int fdCount = 0;
    const long received = platform::receivePacket(hp::kChannelFd, &request, sizeof request, fds, 3, &fdCount);
    if (received <= 0) break;  // the program is done with us
    bool sent = false;
    if (received != sizeof request) {
      sent = reply(refusal("the host received a malformed request"));
    } else if (request.kind == hp::RequestKind::FrameSize) {
      sent = reply(frameSize(getFrameSize));
    } else if (request.kind == hp::RequestKind::CodeAndDeCode && fdCount == 3) {
      sent = reply(codeAndDeCode(codeAndDeCodeEntry, request, fds));
    } else {
      sent = reply(refusal("the host received a request it does not know"));
    }
    for (int i = 0; i < fdCount; ++i) platform::closeDescriptor(fds[i]);
    if (!sent) break;
  }
  platform::unloadLibrary(module);
  return 0;
}
