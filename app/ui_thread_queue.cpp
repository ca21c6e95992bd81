#include "app/ui_thread_queue.h"

#include <QThread>

namespace orvelle {

UiThreadQueue::UiThreadQueue(QObject* parent) : QObject(parent) {}

bool UiThreadQueue::onOwnThread() const { return QThread::currentThread() == thread(); }

void UiThreadQueue::enqueue(std::shared_ptr<Task> task) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(task));
  }
  QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
}

void UiThreadQueue::post(std::function<void()> work) {
  if (onOwnThread()) {
    work();
    return;
  }
  auto task = std::make_shared<Task>();
  task->work = std::move(work);
  enqueue(std::move(task));
}

void UiThreadQueue::postAndWait(std::function<void()> work) {
  if (onOwnThread()) {
    work();
    return;
  }
  auto task = std::make_shared<Task>();
  task->work = std::move(work);
  enqueue(task);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return task->done; });
}

void UiThreadQueue::runPending() {
  // One task at a time, outside the lock: a task may open a modal box whose
  // event loop comes back here for the tasks queued behind it.
  for (;;) {
    std::shared_ptr<Task> task;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return;
      task = std::move(pending_.front());
      pending_.pop_front();
    }
    task->work();
    {
      std::lock_guard lock(mutex_);
      task->done = true;
    }
    finished_.notify_all();
  }
}

}  // namespace orvelle
