#pragma once

#include <cstdint>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

// Sanitizers reserve far more address space than a cap near the process's
// present size allows; tests that starve allocations skip under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVELLE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVELLE_UNDER_SANITIZER 1
#endif
#endif

namespace orvelle::test {

// While it lives, caps the process's address space at its present size plus
// `headroom` bytes, so that any larger allocation is refused; the old limit
// comes back when it ends. `applied()` is false if the cap could not be set.
class AddressSpaceCap {
 public:
  explicit AddressSpaceCap(std::uintmax_t headroom) {
    std::uintmax_t pages = 0;
    {
      std::ifstream statm("/proc/self/statm");
      statm >> pages;
    }
    if (pages == 0 || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    rlimit capped = saved_;
    capped.rlim_cur = static_cast<rlim_t>(pages * static_cast<std::uintmax_t>(sysconf(_SC_PAGESIZE)) + headroom);
    applied_ = setrlimit(RLIMIT_AS, &capped) == 0;
  }
  ~AddressSpaceCap() { lift(); }
  AddressSpaceCap(const AddressSpaceCap&) = delete;
  AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

  bool applied() const { return applied_; }
  void lift() {
    if (applied_) setrlimit(RLIMIT_AS, &saved_);
    applied_ = false;
  }

 private:
  rlimit saved_{};
  bool applied_ = false;
};

}  // namespace orvelle::test
