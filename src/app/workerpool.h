#pragma once
// Independent tasks on a few threads, each task's result handed back to the calling
// thread: what must stay on one thread (drawing, writing in turn) stays there while
// the tasks run side by side.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace corvath::app {

//! Runs compute(i) for every i < count on up to workers threads (0: one per core) and
//! hands each result to finish(result) on the calling thread, one at a time, in the
//! order they complete. compute must not throw; finish runs while the others compute.
template <class Compute, class Finish>
void RunOnWorkers(std::size_t count, std::size_t workers, const Compute& compute, const Finish& finish) {
  using Value = std::invoke_result_t<const Compute&, std::size_t>;
  if (count == 0) return;
  if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
  workers = std::min(workers, count);

  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Value> finished;
  std::size_t next = 0;
  auto work = [&] {
    for (;;) {
      std::size_t index;
      {
        std::lock_guard lock(mutex);
        if (next >= count) return;
        index = next++;
      }
      Value value = compute(index);
      std::lock_guard lock(mutex);
      finished.push_back(std::move(value));
      ready.notify_one();
    }
  };
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < workers; ++k) threads.emplace_back(work);
  for (std::size_t done = 0; done < count; ++done) {
    std::unique_lock lock(mutex);
    ready.wait(lock, [&] { return !finished.empty(); });
    Value value = std::move(finished.front());
    finished.pop_front();
    lock.unlock();
    finish(std::move(value));
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace corvath::app
