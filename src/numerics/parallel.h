#pragma once
// Independent pieces of a long computation spread over the processor's cores, and
// the progress and cancel hook of long commands. Results never depend on the
// number of workers: every piece writes only its own slot, and whatever adds
// pieces up does so afterwards in their order.
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>

namespace corvath::numerics {

//! Told the fraction of the work done (0 ... 1), always on the thread that started
//! the work; returns false to cancel it.
using ProgressHook = std::function<bool(double fraction)>;

//! Thrown at the next safe point once the hook has asked to cancel.
class Cancelled : public std::exception {
public:
  const char* what() const noexcept override { return "cancelled"; }
};

//! Counts units of work done by any thread and reports them to the hook from the
//! thread that made it; every thread stops at its next check once cancelled.
class Progress {
public:
  //! total: units of work expected (any positive scale).
  explicit Progress(ProgressHook hook = {}, double total = 1.0);

  //! Changes the number of units expected.
  void setTotal(double total);
  //! Adds units done; on the starting thread the hook hears of it (at most every
  //! 0.1 %). Throws Cancelled once the work is cancelled, on any thread.
  void advance(double units);
  //! Tells the hook the work is complete (fraction 1), unless it already heard so;
  //! called on the starting thread once every thread has finished. Throws Cancelled
  //! when the hook cancels even now.
  void finish();
  //! Throws Cancelled when the work is cancelled.
  void check() const;
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
  ProgressHook hook_;
  std::thread::id owner_;
  std::atomic<double> done_{0.0};
  double total_ = 1.0;
  double reported_ = -1.0;
  std::atomic<bool> cancelled_{false};
};

//! Advances `progress` when there is one, checks for cancellation otherwise never.
inline void Advance(Progress* progress, double units) {
  if (progress) progress->advance(units);
}

//! The number of threads to use: `requested` (0 for "as many as help"), at most 2
//! and at most the hardware's thread count, at least 1.
std::size_t WorkerCount(std::size_t requested = 0);

//! Runs task(i) for i = 0 ... count - 1, each exactly once, on up to `workers`
//! threads, the calling thread being one of them. When a task throws, the tasks
//! not yet started are skipped and, once every thread has stopped, the exception
//! of the lowest index is rethrown.
void ParallelFor(std::size_t count, std::size_t workers, const std::function<void(std::size_t)>& task);

}  // namespace corvath::numerics
