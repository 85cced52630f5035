#include "numerics/parallel.h"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <vector>

namespace corvath::numerics {

Progress::Progress(ProgressHook hook, double total)
    : hook_(std::move(hook)), owner_(std::this_thread::get_id()), total_(total > 0.0 ? total : 1.0) {}

void Progress::setTotal(double total) { total_ = total > 0.0 ? total : 1.0; }

void Progress::advance(double units) {
  const double done = done_.fetch_add(units, std::memory_order_relaxed) + units;
  if (hook_ && std::this_thread::get_id() == owner_ && !cancelled()) {
    const double fraction = std::clamp(done / total_, 0.0, 1.0);
    if (fraction - reported_ >= 1e-3 || fraction == 1.0) {
      reported_ = fraction;
      if (!hook_(fraction)) cancelled_.store(true, std::memory_order_relaxed);
    }
  }
  check();
}

void Progress::finish() {
  if (hook_ && !cancelled() && reported_ < 1.0) {
    reported_ = 1.0;
    if (!hook_(1.0)) cancelled_.store(true, std::memory_order_relaxed);
  }
  check();
}

void Progress::check() const {
  if (cancelled()) throw Cancelled();
}

std::size_t WorkerCount(std::size_t requested) {
  const std::size_t hardware = std::max<std::size_t>(std::thread::hardware_concurrency(), 1);
  const std::size_t limit = std::min<std::size_t>(2, hardware);
  return requested == 0 ? limit : std::min(requested, limit);
}

void ParallelFor(std::size_t count, std::size_t workers, const std::function<void(std::size_t)>& task) {
  workers = std::min(std::max<std::size_t>(workers, 1), count);
  if (workers <= 1) {
    for (std::size_t i = 0; i < count; ++i) task(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex errorLock;
  std::size_t errorIndex = count;
  std::exception_ptr error;
  auto work = [&] {
    for (;;) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= count || failed.load(std::memory_order_relaxed)) return;
      try {
        task(i);
      } catch (...) {
        const std::lock_guard<std::mutex> guard(errorLock);
        if (i < errorIndex) {
          errorIndex = i;
          error = std::current_exception();
        }
        failed.store(true, std::memory_order_relaxed);
      }
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(workers - 1);
    try {
      for (std::size_t w = 1; w < workers; ++w) helpers.emplace_back(work);
    } catch (const std::system_error&) {
      // No thread to be had: the calling thread does all the work.
    }
    work();
  }  // the helpers are joined here
  if (error) std::rethrow_exception(error);
}

}  // namespace corvath::numerics
