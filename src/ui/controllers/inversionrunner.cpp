#include "ui/controllers/inversionrunner.h"

#include <exception>
#include <utility>

#include <QMetaObject>
#include <QPointer>

namespace corvath::ui {

// The run's progress interface: every call is handed to the window's thread.
class InversionRunner::Progress : public inversion::InversionProgress {
public:
  explicit Progress(InversionRunner* owner) : owner_(owner) {}

  void Report(int percent) override {
    if (percent == lastPercent_) return;  // the bar only moves by whole percents
    lastPercent_ = percent;
    QMetaObject::invokeMethod(owner_, [owner = owner_, percent] { emit owner->progressed(percent); },
                              Qt::QueuedConnection);
  }
  void ShowState(const inversion::InversionSnapshot& snapshot) override {
    QMetaObject::invokeMethod(owner_, [owner = owner_, snapshot] { emit owner->stateShown(snapshot); },
                              Qt::QueuedConnection);
  }
  void ReportChains(const std::vector<int>& percents) override {
    if (percents == lastChains_) return;
    lastChains_ = percents;
    QMetaObject::invokeMethod(owner_, [owner = owner_, percents] { emit owner->chainsProgressed(percents); },
                              Qt::QueuedConnection);
  }
  void ShowTheoreticalCurve(const numerics::arofcomplexM& curve) override {
    QMetaObject::invokeMethod(owner_, [owner = owner_, curve] { emit owner->curveShown(curve); },
                              Qt::QueuedConnection);
  }

private:
  InversionRunner* owner_;
  int lastPercent_ = -1;
  std::vector<int> lastChains_;
};

InversionRunner::InversionRunner(QObject* parent) : QObject(parent) {}

InversionRunner::~InversionRunner() { stopAndWait(); }

bool InversionRunner::start(std::unique_ptr<app::InversionRun> run) {
  if (running() || !run) return false;
  run_ = std::move(run);
  progress_ = std::make_unique<Progress>(this);
  progress_->ClearStop();
  thread_ = std::thread([this] {
    try {
      outcome_ = run_->Run(*progress_);
    } catch (...) {
      outcome_ = app::OutcomeOfException(std::current_exception(), "Not enough memory for the inversion");
    }
    QMetaObject::invokeMethod(this, [this] { finish(); }, Qt::QueuedConnection);
  });
  return true;
}

void InversionRunner::requestStop() {
  if (progress_) progress_->RequestStop();
}

void InversionRunner::stopAndWait() {
  if (!thread_.joinable()) return;
  requestStop();
  thread_.join();
}

void InversionRunner::finish() {
  if (thread_.joinable()) thread_.join();
  if (!run_) return;
  const std::unique_ptr<app::InversionRun> run = std::move(run_);
  emit finished(*run, outcome_);
}

}  // namespace corvath::ui
