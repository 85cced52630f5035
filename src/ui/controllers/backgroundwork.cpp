#include "ui/controllers/backgroundwork.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QMetaObject>

namespace corvath::ui {
namespace {

app::Outcome Guarded(const BackgroundWork::Work& work, const numerics::ProgressHook& hook) {
  try {
    return work(hook);
  } catch (...) {
    return app::OutcomeOfException(std::current_exception(), "not enough memory for this command");
  }
}

}  // namespace

BackgroundWork::BackgroundWork(QObject* parent) : QObject(parent) {}

BackgroundWork::~BackgroundWork() { cancelAndWait(); }

void BackgroundWork::post(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

bool BackgroundWork::start(const QString& what, Work work, Done done) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  running_ = true;
  cancelled_ = false;
  lastPercent_ = -1;
  done_ = std::move(done);
  emit started(what);
  const numerics::ProgressHook hook = [this](double fraction) {
    const int percent = static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0));
    if (lastPercent_.exchange(percent) != percent) post([this, percent] { emit progressed(percent); });
    return !cancelled_.load();
  };
  thread_ = std::thread([this, work = std::move(work), hook] {
    app::Outcome outcome = Guarded(work, hook);
    post([this, outcome = std::move(outcome)] {
      if (thread_.joinable()) thread_.join();
      running_ = false;
      emit ended();
      if (done_) std::exchange(done_, nullptr)(outcome);
    });
  });
  return true;
}

app::Outcome BackgroundWork::runHere(const Work& work) { return Guarded(work, {}); }

void BackgroundWork::cancel() {
  {
    std::lock_guard<std::mutex> lock(answerMutex_);
    cancelled_ = true;
  }
  answered_.notify_all();
}

void BackgroundWork::cancelAndWait() {
  cancel();
  if (thread_.joinable()) thread_.join();
}

}  // namespace corvath::ui
