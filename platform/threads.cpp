#include "platform/threads.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace orvelle::platform {

bool startDetachedThread(std::function<void()> work) {
  try {
    std::thread(std::move(work)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void sleepMilliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace orvelle::platform
