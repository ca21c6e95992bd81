#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace orvelle::platform {

namespace {

std::size_t wholePages(std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

// F_SEAL_WRITE would need our own writable mapping gone first, and with it
// the pages under the threads that read them meanwhile; the future-write
// seal leaves that one mapping alone and refuses every later way to write.
constexpr int kFinalSeals = F_SEAL_FUTURE_WRITE | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;

}  // namespace

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      data_(std::exchange(other.data_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0)) {}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    data_ = std::exchange(other.data_, nullptr);
    bytes_ = std::exchange(other.bytes_, 0);
  }
  return *this;
}

SharedMemory SharedMemory::create(std::size_t bytes) {
  SharedMemory memory;
  const std::size_t size = wholePages(bytes == 0 ? 1 : bytes);
  memory.fd_ = memfd_create("orvelle-samples", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (memory.fd_ < 0) return memory;
  if (ftruncate(memory.fd_, static_cast<off_t>(size)) != 0) {
    memory.release();
    return memory;
  }
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, memory.fd_, 0);
  if (data == MAP_FAILED) {
    memory.release();
    return memory;
  }
  memory.data_ = data;
  memory.bytes_ = size;
  return memory;
}

bool SharedMemory::seal() const {
  if (!data_) return false;
  if (sealed()) return true;
  // Our mapping, the one writable mapping left, turns read-only as well: a
  // process allowed to write into our memory (through /proc) then finds
  // nothing writable there either.
  if (mprotect(data_, bytes_, PROT_READ) == 0 && fcntl(fd_, F_ADD_SEALS, kFinalSeals) == 0) return true;
  mprotect(data_, bytes_, PROT_READ | PROT_WRITE);
  return false;
}

bool SharedMemory::sealed() const {
  const int seals = fd_ >= 0 ? fcntl(fd_, F_GET_SEALS) : -1;
  return seals >= 0 && (seals & kFinalSeals) == kFinalSeals;
}

void SharedMemory::release() {
  if (data_) munmap(data_, bytes_);
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  data_ = nullptr;
  bytes_ = 0;
}

bool GuardedMapping::map(int fd, std::size_t bytes, Sharing sharing) {
  release();
  struct stat info {};
  if (fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) < bytes) return false;
  const std::size_t size = wholePages(bytes == 0 ? 1 : bytes);
  if (static_cast<std::size_t>(info.st_size) < size) return false;
  // Reserve the buffer and its guard as inaccessible, then lay the file over
  // the front: the guard cannot be taken by any later mapping.
  void* reserved = mmap(nullptr, size + kGuardBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (reserved == MAP_FAILED) return false;
  // Populated up front: one pass in the kernel costs far less than a fault
  // for every page the plug-in touches.
  const int flags = (sharing == Sharing::Private ? MAP_PRIVATE : MAP_SHARED | MAP_POPULATE) | MAP_FIXED;
  if (mmap(reserved, size, PROT_READ | PROT_WRITE, flags, fd, 0) == MAP_FAILED) {
    munmap(reserved, size + kGuardBytes);
    return false;
  }
  data_ = reserved;
  reserved_ = size + kGuardBytes;
  return true;
}

void GuardedMapping::release() {
  if (data_) munmap(data_, reserved_);
  data_ = nullptr;
  reserved_ = 0;
}

}  // namespace orvelle::platform
