#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace orvelle::engine {

// Runs `work(i)` for i = 0 .. count-1 on up to `threads` threads, and hands
// each result to `emit` on the calling thread, in order of i, as soon as it
// and every one before it are done: what the caller sees does not depend on
// the number of threads. A result is dropped once emitted, so only those
// waiting for an earlier one are held.
template <typename Outcome>
void runInOrder(std::size_t count, unsigned threads, const std::function<Outcome(std::size_t)>& work,
                const std::function<void(std::size_t, Outcome&)>& emit) {
  std::vector<std::optional<Outcome>> outcomes(count);
  std::mutex mutex;
  std::condition_variable done;
  std::size_t next = 0;
  auto worker = [&] {
    for (;;) {
      std::size_t i = 0;
      {
        std::lock_guard lock(mutex);
        if (next == count) return;
        i = next++;
      }
      Outcome outcome = work(i);
      {
        std::lock_guard lock(mutex);
        outcomes[i] = std::move(outcome);
      }
      done.notify_all();
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t wanted = std::min<std::size_t>(std::max(threads, 1u), count);
  for (std::size_t t = 0; t < wanted; ++t) {
    try {
      helpers.emplace_back(worker);
    } catch (const std::system_error&) {
      break;  // fewer threads than asked for still run every item
    }
  }
  if (helpers.empty()) worker();
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return outcomes[i].has_value(); });
    Outcome outcome = std::move(*outcomes[i]);
    outcomes[i].reset();
    lock.unlock();
    emit(i, outcome);
  }
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace orvelle::engine
