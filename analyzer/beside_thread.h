#pragma once

#include <functional>
#include <thread>

namespace orvelle {

// Work done on a thread of its own beside the calling thread, waited for by
// wait() or, at the latest, when the value ends, so that the work can never
// outlive what it reads.
class BesideThread {
 public:
  BesideThread() = default;
  ~BesideThread() { wait(); }
  BesideThread(const BesideThread&) = delete;
  BesideThread& operator=(const BesideThread&) = delete;

  // Waits for any work started before, then starts `work`. Returns false,
  // having started nothing, if the system has no thread to spare; the caller
  // then does the work itself.
  bool start(std::function<void()> work);
  // Returns once the work started last has ended (at once if there is none).
  void wait();

 private:
  std::thread thread_;
};

}  // namespace orvelle
