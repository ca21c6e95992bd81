// orvelle-plugin-host: loads one codec plug-in and serves its two calls, so
// that whatever the plug-in does (crash, exit, hang, scribble) ends this
// process and not the program that asked.
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/packet_channel.h"
#include "platform/process_warden.h"
#include "platform/shared_memory.h"
#include "plugin_host/host_protocol.h"

namespace hp = orvelle::host_protocol;
namespace platform = orvelle::platform;

using GetFrameSizeEntry = int (*)();
using CodeAndDeCodeEntry = long (*)(short*, short*, long, long*);

// A sanitizer-built host must die by the plug-in's own signal, as any other
// host does, instead of reporting it and exiting with a status of its own.
// An allocation refused at the memory limit returns null, as it does
// without a sanitizer, instead of ending the host with a report.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_abort=0:allow_user_segv_handler=1:detect_leaks=0:"
         "allocator_may_return_null=1";
}
extern "C" const char* __tsan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_abort=0:allow_user_segv_handler=1:allocator_may_return_null=1";
}
// Present only in a sanitizer-built host, whose runtime ends the host itself
// when a throwing new finds no memory.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// The memory limit. It is a limit on the data segment (RLIMIT_DATA), which
// the kernel applies to every private writable mapping and not only to the
// heap: allocators that take their memory with mmap meet it as malloc does.
// The address-space limit would also count what is reserved and never
// used (our guards behind the buffers, the malloc arenas of every thread, a
// sanitizer's shadow) and fail plug-ins that use little. Going past the limit
// shows as a refused allocation: operator new finds no memory (noted by the
// new handler) or malloc returns null with errno ENOMEM. A plug-in that then
// dies of it, or lets the bad_alloc out, is reported as out of memory.
namespace memory_limit {

std::int64_t baseline = 0;  // what the host took before the plug-in
std::atomic<bool> refused{false};
// Which reply the program waits for while plug-in code runs: the one that
// must come from a host that dies of its limit.
enum Awaited : int { nothing = 0, loadReply = 1, callReply = 2 };
volatile std::sig_atomic_t awaited = nothing;
std::atomic_flag told;

std::int64_t privateBytes() {
  std::int64_t kilobytes = 0;
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      long long value = 0;
      if (std::sscanf(line, "VmData: %lld kB", &value) == 1) kilobytes = value;
    }
    std::fclose(status);
  }
  return kilobytes * 1024;
}

void apply(std::int64_t bytes) {
  rlimit limit{};
  if (bytes <= 0 || getrlimit(RLIMIT_DATA, &limit) != 0) return;
  const auto wanted = static_cast<rlim_t>(bytes) > std::numeric_limits<rlim_t>::max() - static_cast<rlim_t>(baseline)
                          ? RLIM_INFINITY
                          : static_cast<rlim_t>(bytes) + static_cast<rlim_t>(baseline);
  // The hard limit stays where it was, so that a later call may have more.
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || wanted < limit.rlim_max ? wanted : limit.rlim_max;
  setrlimit(RLIMIT_DATA, &limit);
}

bool wasRefused(int error) { return error == ENOMEM || refused.load(); }

// Called from a dying host, maybe in a signal handler: no allocation, no lock.
void tellIfRefused(int error) {
  if (!wasRefused(error) || told.test_and_set()) return;
  if (awaited == loadReply) {
    hp::LoadReply message{};
    message.result = hp::LoadResult::OutOfMemory;
    platform::sendPacket(hp::kChannelFd, &message, sizeof message);
  } else if (awaited == callReply) {
    hp::CallReply message{};
    message.result = hp::CallResult::OutOfMemory;
    platform::sendPacket(hp::kChannelFd, &message, sizeof message);
  }
}

void onFatalSignal(int signal) {
  tellIfRefused(errno);
  // The handler is gone (SA_RESETHAND): the host dies of the plug-in's own
  // signal, as soon as this returns.
  std::raise(signal);
}

void onSanitizerDeath() { tellIfRefused(errno); }

// Before any plug-in code runs.
void watch(std::int64_t bytes) {
  baseline = privateBytes();
  apply(bytes);
  std::set_new_handler([] {
    refused = true;
    throw std::bad_alloc();
  });
  // A plug-in that overflowed its stack still gets its signal reported.
  static char alternateStack[1 << 16];
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = onFatalSignal;
  action.sa_flags = SA_RESETHAND | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL}) sigaction(signal, &action, nullptr);
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(onSanitizerDeath);
}

// While plug-in code runs under `bytes`, waited on for `reply`.
void enter(std::int64_t bytes, Awaited reply) {
  apply(bytes);
  // Only what the plug-in's own code was refused counts.
  refused = false;
  errno = 0;
  awaited = reply;
}

void leave() { awaited = nothing; }

}  // namespace memory_limit

bool reply(const hp::CallReply& message) { return platform::sendPacket(hp::kChannelFd, &message, sizeof message); }

hp::CallReply refusal(const std::string& why) {
  hp::CallReply message{};
  message.result = hp::CallResult::Refused;
  hp::putText(message.text, why);
  return message;
}

hp::CallReply answer(hp::CallResult result) {
  hp::CallReply message{};
  message.result = result;
  return message;
}

// What the plug-in raised, as its reply; called in a catch. A bad_alloc
// from a refused allocation is the memory limit's, not the plug-in's.
hp::CallReply raisedReply(bool memoryRefused) {
  if (memoryRefused) return answer(hp::CallResult::OutOfMemory);
  hp::CallReply message = answer(hp::CallResult::Raised);
  hp::putText(message.text, hp::describeCurrentException());
  return message;
}

hp::CallReply frameSize(GetFrameSizeEntry entry, const hp::Request& request) {
  hp::CallReply message = answer(hp::CallResult::Returned);
  memory_limit::enter(request.memoryLimit, memory_limit::callReply);
  try {
    message.frameSize = entry();
  } catch (const std::bad_alloc&) {
    message = raisedReply(memory_limit::wasRefused(errno));
  } catch (...) {
    message = raisedReply(false);
  }
  memory_limit::leave();
  return message;
}

hp::CallReply codeAndDeCode(CodeAndDeCodeEntry entry, const hp::Request& request, int* fds) {
  if (request.inputBytes < 0 || request.outputBytes < 0 || request.sampleCount < 0) {
    return refusal("the host received a malformed request");
  }
  platform::GuardedMapping input;
  platform::GuardedMapping output;
  platform::GuardedMapping counter;
  // The plug-in's copy of its input is private memory: it leaves the plug-in
  // that much less of its limit.
  if (!input.map(fds[0], static_cast<std::size_t>(request.inputBytes), platform::GuardedMapping::Sharing::Private) ||
      !output.map(fds[1], static_cast<std::size_t>(request.outputBytes), platform::GuardedMapping::Sharing::Shared) ||
      !counter.map(fds[2], sizeof(long), platform::GuardedMapping::Sharing::Shared)) {
    return refusal("the host could not map the sample buffers");
  }
  // Mapped, the descriptors serve the call no more; left open they would
  // only be more for the plug-in to find.
  for (int i = 0; i < 3; ++i) {
    platform::closeDescriptor(fds[i]);
    fds[i] = -1;
  }
  hp::CallReply message = answer(hp::CallResult::Returned);
  memory_limit::enter(request.memoryLimit, memory_limit::callReply);
  try {
    entry(static_cast<short*>(input.data()), static_cast<short*>(output.data()), static_cast<long>(request.sampleCount),
          static_cast<long*>(counter.data()));
  } catch (const std::bad_alloc&) {
    message = raisedReply(memory_limit::wasRefused(errno));
  } catch (...) {
    message = raisedReply(false);
  }
  memory_limit::leave();
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
  // Before any plug-in code: whatever the plug-in starts, even in a session
  // of its own, ends with this host, and a crash is seen as this host's end
  // even while a fork of the plug-in keeps the channel open.
  if (!platform::splitOffWarden()) {
    std::fprintf(stderr, "%s: cannot guard the plug-in's processes: out of system resources\n", argv[0]);
    return 2;
  }

  hp::LoadReply loaded{};
  hp::LoadRequest load{};
  if (platform::receivePacket(hp::kChannelFd, &load, sizeof load) != sizeof load) {
    loaded.result = hp::LoadResult::Failed;
    hp::putText(loaded.text, "the host received a malformed request");
    platform::sendPacket(hp::kChannelFd, &loaded, sizeof loaded);
    return 0;
  }
  memory_limit::watch(load.memoryLimit);
  memory_limit::enter(load.memoryLimit, memory_limit::loadReply);
  std::string error;
  platform::LibraryHandle module = platform::loadLibrary(argv[1], &error);
  const bool loadRefusedMemory = module == nullptr && memory_limit::wasRefused(errno);
  memory_limit::leave();
  auto getFrameSize = reinterpret_cast<GetFrameSizeEntry>(platform::findSymbol(module, "GetFrameSize"));
  auto codeAndDeCodeEntry = reinterpret_cast<CodeAndDeCodeEntry>(platform::findSymbol(module, "CodeAndDeCode"));
  loaded.result = module ? hp::LoadResult::Loaded
                  : loadRefusedMemory ? hp::LoadResult::OutOfMemory
                                      : hp::LoadResult::Failed;
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
      sent = reply(frameSize(getFrameSize, request));
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
