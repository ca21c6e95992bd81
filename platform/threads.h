#pragma once

#include <functional>

namespace orvelle::platform {

// Starts `work` on a new thread at normal priority with the default stack.
// The thread is never joined: it ends on its own when `work` returns.
// Returns false if the system could not start a thread.
bool startDetachedThread(std::function<void()> work);

void sleepMilliseconds(int milliseconds);

}  // namespace orvelle::platform
