#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

#include "engine/progress.h"

namespace orvelle::python {

// Waits until `ready()` (read under `mutex`, signalled through `condition`)
// holds, with the GIL released so that other Python threads run. Every few
// milliseconds it takes the GIL back to let Python handle signals, and
// returns false, with the Python error set, when a handler raised
// (KeyboardInterrupt). Called with the GIL held and `mutex` unlocked.
bool waitWatchingSignals(std::mutex& mutex, std::condition_variable& condition, const std::function<bool()>& ready);

// Runs `job` on a thread of its own while the calling thread waits for it as
// waitWatchingSignals does. A signal's exception cancels the job through
// `job`'s token, waits for it to end (which ends any plug-in host it
// started) and is then raised. Called with the GIL held.
void runCancellable(const std::function<void(engine::CancelToken&)>& job);

}  // namespace orvelle::python
