#include "platform/packet_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvelle::platform {

namespace {
constexpr int kMaxPassedFds = 4;
}

bool makeChannelPair(int ends[2]) { return socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) == 0; }

bool sendPacket(int channel, const void* data, std::size_t bytes, const int* fds, int fdCount) {
  if (fdCount < 0 || fdCount > kMaxPassedFds) return false;
  iovec part{const_cast<void*>(data), bytes};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxPassedFds)] = {};
  if (fdCount > 0) {
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(sizeof(int) * static_cast<std::size_t>(fdCount));
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int) * static_cast<std::size_t>(fdCount));
    std::memcpy(CMSG_DATA(header), fds, sizeof(int) * static_cast<std::size_t>(fdCount));
  }
  ssize_t sent = -1;
  do {
    sent = sendmsg(channel, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(bytes);
}

long receivePacket(int channel, void* data, std::size_t bytes, int* fds, int maxFds, int* fdCount) {
  if (fdCount) *fdCount = 0;
  iovec part{data, bytes};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxPassedFds)] = {};
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received = -1;
  do {
    received = recvmsg(channel, &message, MSG_CMSG_CLOEXEC);
  } while (received < 0 && errno == EINTR);
  if (received < 0) return -1;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const auto count = static_cast<int>((header->cmsg_len - CMSG_LEN(0)) / sizeof(int));
    for (int i = 0; i < count; ++i) {
      int fd = -1;
      std::memcpy(&fd, CMSG_DATA(header) + sizeof(int) * static_cast<std::size_t>(i), sizeof fd);
      if (fds && fdCount && *fdCount < maxFds) {
        fds[(*fdCount)++] = fd;
      } else {
        close(fd);
      }
    }
  }
  if (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) return -1;
  return static_cast<long>(received);
}

bool waitReadable(int channel, int milliseconds) {
  pollfd watched{channel, POLLIN, 0};
  return poll(&watched, 1, milliseconds) > 0;
}

void closeDescriptor(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace orvelle::platform
