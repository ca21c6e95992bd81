#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

namespace orvelle {

// Hands work from worker threads to the thread this object lives on (the UI
// thread). The work itself travels through a mutex-guarded queue of our own;
// Qt only carries a payload-free wake-up, so every hand-over is visible to
// thread checkers that cannot see inside Qt's own locks.
//
// Called on the UI thread itself, both calls run the work at once: waiting
// for our own event loop would never end.
class UiThreadQueue : public QObject {
  Q_OBJECT
 public:
  explicit UiThreadQueue(QObject* parent = nullptr);

  // Queues `work` and returns at once.
  void post(std::function<void()> work);
  // Queues `work` and returns after the UI thread has run it.
  void postAndWait(std::function<void()> work);

 private slots:
  void runPending();

 private:
  struct Task {
    std::function<void()> work;
    bool done = false;
  };

  bool onOwnThread() const;
  void enqueue(std::shared_ptr<Task> task);

  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Task>> pending_;
};

}  // namespace orvelle
