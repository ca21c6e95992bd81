#include "analyzer/beside_thread.h"

#include <system_error>

namespace orvelle {

bool BesideThread::start(std::function<void()> work) {
  wait();
  try {
    thread_ = std::thread(std::move(work));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void BesideThread::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace orvelle
