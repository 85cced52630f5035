#pragma once
// Long commands (a day-long record's load or spectra) off the window's thread: the
// work runs on a worker thread with a progress hook that also carries the cancel,
// its progress reaches the window's thread as queued calls, and its answer is handed
// to the window's thread, where the workspace may change. An exception that escapes
// the work is never swallowed: it becomes a Failed answer with its message.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include <QObject>

#include "app/outcome.h"
#include "numerics/parallel.h"

namespace corvath::ui {

class BackgroundWork : public QObject {
  Q_OBJECT
public:
  explicit BackgroundWork(QObject* parent = nullptr);
  //! Cancels work still going and waits for it.
  ~BackgroundWork() override;

  using Work = std::function<app::Outcome(const numerics::ProgressHook& hook)>;
  using Done = std::function<void(const app::Outcome& outcome)>;

  //! True from start() until done has run.
  bool running() const { return running_; }

  //! Runs work(hook) on a worker thread, then done(answer) on the window's thread;
  //! false (nothing started) while other work runs. The hook answers false once
  //! cancelled. what names the work for the user ("Loading a.saf").
  bool start(const QString& what, Work work, Done done);
  //! Asks the work to stop at its next progress check.
  void cancel();
  //! True once cancel() was called for the work now running.
  bool cancelled() const { return cancelled_.load(); }
  //! Cancels and waits for the worker (closing the window); done still runs later.
  void cancelAndWait();

  //! Called from the worker: runs question on the window's thread and waits for its
  //! answer; nothing when the work is cancelled meanwhile (or question answers nothing).
  template <class T>
  std::optional<T> askOnWindowThread(std::function<std::optional<T>()> question);

  //! Runs work like start() but on the calling thread, before returning; for short
  //! work, so that every command answers through the same path.
  static app::Outcome runHere(const Work& work);

signals:
  //! Work has started; what names it.
  void started(const QString& what);
  //! The completed percentage.
  void progressed(int percent);
  //! The work has ended (before done runs).
  void ended();

private:
  void post(std::function<void()> call);

  std::thread thread_;
  Done done_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int> lastPercent_{-1};
  bool running_ = false;
  // A question handed to the window's thread: its answer or the cancel wakes the worker.
  std::mutex answerMutex_;
  std::condition_variable answered_;
};

template <class T>
std::optional<T> BackgroundWork::askOnWindowThread(std::function<std::optional<T>()> question) {
  struct Slot {
    bool ready = false;
    std::optional<T> answer;
  };
  auto slot = std::make_shared<Slot>();
  post([this, slot, question = std::move(question)] {
    std::optional<T> answer;
    if (!cancelled_.load()) {
      try {
        answer = question();
      } catch (...) {
        answer.reset();  // a question that throws answers nothing: the load ends unchanged
      }
    }
    {
      std::lock_guard<std::mutex> lock(answerMutex_);
      slot->answer = std::move(answer);
      slot->ready = true;
    }
    answered_.notify_all();
  });
  std::unique_lock<std::mutex> lock(answerMutex_);
  answered_.wait(lock, [&] { return slot->ready || cancelled_.load(); });
  if (!slot->ready) return std::nullopt;
  return std::move(slot->answer);
}

}  // namespace corvath::ui
