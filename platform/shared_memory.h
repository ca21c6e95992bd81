#pragma once

#include <cstddef>

namespace orvelle::platform {

// Zero-filled memory another process can map: an anonymous memory file
// mapped read-write here. Its size is whole pages, so another process can put
// a guard right after it.
class SharedMemory {
 public:
  SharedMemory() = default;
  ~SharedMemory() { release(); }
  SharedMemory(SharedMemory&& other) noexcept;
  SharedMemory& operator=(SharedMemory&& other) noexcept;
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // At least `bytes` bytes; empty if the system refuses.
  static SharedMemory create(std::size_t bytes);

  explicit operator bool() const { return data_ != nullptr; }
  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }
  int fd() const { return fd_; }
  void release();

  // Makes the contents final: from now on no new mapping or descriptor of
  // this memory, in any process, can change them, and the mapping here turns
  // read-only, at the same address. What another process maps privately it
  // may still change in its own copy. False (and nothing changed) if the
  // system refuses.
  bool seal() const;
  bool sealed() const;

 private:
  int fd_ = -1;
  void* data_ = nullptr;
  std::size_t bytes_ = 0;
};

// Another process's shared memory mapped here, followed by a stretch of
// inaccessible address space, so that a write past its end faults instead of
// landing in whatever would be mapped next. A private mapping keeps the
// writes to this process (copy-on-write).
class GuardedMapping {
 public:
  static constexpr std::size_t kGuardBytes = std::size_t{64} << 20;
  enum class Sharing { Private, Shared };

  GuardedMapping() = default;
  ~GuardedMapping() { release(); }
  GuardedMapping(const GuardedMapping&) = delete;
  GuardedMapping& operator=(const GuardedMapping&) = delete;

  // Maps the whole of `fd`, which must be at least `bytes` long.
  bool map(int fd, std::size_t bytes, Sharing sharing);
  void* data() const { return data_; }
  void release();

 private:
  void* data_ = nullptr;
  std::size_t reserved_ = 0;
};

}  // namespace orvelle::platform
