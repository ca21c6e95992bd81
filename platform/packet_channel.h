#pragma once

#include <cstddef>

namespace orvelle::platform {

// A connected pair of message sockets between us and a child: each send
// arrives as one whole message, and a message may carry descriptors.
bool makeChannelPair(int ends[2]);

// Sends one message with up to `fdCount` descriptors; never raises SIGPIPE
// when the other end is gone.
bool sendPacket(int channel, const void* data, std::size_t bytes, const int* fds = nullptr, int fdCount = 0);

// Receives one message of up to `bytes` bytes. Returns its length, 0 when the
// other end has closed, -1 on error or when the message was longer than
// `bytes`. Descriptors that come with it land in `fds` (the count in
// `*fdCount`); without room for them they are closed.
long receivePacket(int channel, void* data, std::size_t bytes, int* fds = nullptr, int maxFds = 0,
                   int* fdCount = nullptr);

// Waits up to `milliseconds` for a message or the other end's closing.
bool waitReadable(int channel, int milliseconds);

void closeDescriptor(int fd);

}  // namespace orvelle::platform
