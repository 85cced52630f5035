#include "ui/backgroundtask.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QMetaObject>

namespace corvath::ui {

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask() { cancelAndWait(); }

bool BackgroundTask::start(std::function<void(const numerics::ProgressHook& hook)> work, std::function<void()> done) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  running_ = true;
  cancelled_ = false;
  lastPercent_ = -1;
  done_ = std::move(done);
  const numerics::ProgressHook hook = [this](double fraction) {
    const int percent = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0));
    if (lastPercent_.exchange(percent) != percent)
      QMetaObject::invokeMethod(this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
    return !cancelled_.load();
  };
  thread_ = std::thread([this, work = std::move(work), hook] {
    work(hook);
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (thread_.joinable()) thread_.join();
          running_ = false;
          if (done_) std::exchange(done_, nullptr)();
        },
        Qt::QueuedConnection);
  });
  return true;
}

void BackgroundTask::cancelAndWait() {
  cancel();
  if (thread_.joinable()) thread_.join();
}

}  // namespace corvath::ui
