#pragma once
// Long commands (a day-long record's load or spectra) off the window's thread: the
// work runs on a worker thread with a progress hook that also carries the cancel,
// its progress reaches the window's thread as queued calls, and its end runs on the
// window's thread, where the workspace may change.
#include <atomic>
#include <functional>
#include <thread>

#include <QObject>

#include "numerics/parallel.h"

namespace corvath::ui {

class BackgroundTask : public QObject {
  Q_OBJECT
public:
  explicit BackgroundTask(QObject* parent = nullptr);
  //! Cancels a task still going and waits for it.
  ~BackgroundTask() override;

  //! True from start() until the end has run.
  bool running() const { return running_; }

  //! Runs work(hook) on a worker thread, then done() on the window's thread; false
  //! (nothing started) while another task runs. The hook answers false once cancelled.
  bool start(std::function<void(const numerics::ProgressHook& hook)> work, std::function<void()> done);
  //! Asks the work to stop at its next progress check.
  void cancel() { cancelled_ = true; }
  //! True once cancel() was called for the task now running.
  bool cancelled() const { return cancelled_.load(); }
  //! Cancels and waits for the worker (closing the window); the end still runs later.
  void cancelAndWait();

signals:
  //! The completed percentage.
  void progressed(int percent);

private:
  std::thread thread_;
  std::function<void()> done_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int> lastPercent_{-1};
  bool running_ = false;
};

}  // namespace corvath::ui
