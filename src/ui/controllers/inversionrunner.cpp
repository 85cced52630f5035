#include "ui/controllers/inversionrunner.h"

#include <exception>
#include <mutex>
#include <optional>
#include <utility>

#include <QMetaObject>
#include <QPointer>

namespace corvath::ui {

// The run's progress interface. What the run reports is kept in one mailbox and handed
// to the window's thread by at most one queued call at a time, which shows the latest of
// each: however fast the chains report, the window never works through a backlog of
// states it would draw only to replace, and a stop pressed at any moment is heard at once.
class InversionRunner::Progress : public inversion::InversionProgress {
public:
  explicit Progress(InversionRunner* owner) : owner_(owner), mailbox_(std::make_shared<Mailbox>()) {}

  void Report(int percent) override {
    const std::lock_guard lock(mailbox_->mutex);
    if (percent == lastPercent_) return;  // the bar only moves by whole percents
    lastPercent_ = percent;
    mailbox_->percent = percent;
    postLocked();
  }
  void ShowState(const inversion::InversionSnapshot& snapshot) override {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->state = snapshot;
    postLocked();
  }
  void ReportChains(const std::vector<int>& percents) override {
    const std::lock_guard lock(mailbox_->mutex);
    if (percents == lastChains_) return;
    lastChains_ = percents;
    mailbox_->chains = percents;
    postLocked();
  }
  void ShowTheoreticalCurve(const numerics::arofcomplexM& curve) override {
    QMetaObject::invokeMethod(owner_, [owner = owner_, curve] { emit owner->curveShown(curve); },
                              Qt::QueuedConnection);
  }

private:
  struct Mailbox {
    std::mutex mutex;
    bool posted = false;
    std::optional<int> percent;
    std::optional<std::vector<int>> chains;
    std::optional<inversion::InversionSnapshot> state;
  };

  void postLocked() {
    if (mailbox_->posted) return;
    mailbox_->posted = true;
    QMetaObject::invokeMethod(
        owner_,
        [owner = owner_, mailbox = mailbox_] {
          std::optional<int> percent;
          std::optional<std::vector<int>> chains;
          std::optional<inversion::InversionSnapshot> state;
          {
            const std::lock_guard lock(mailbox->mutex);
            percent.swap(mailbox->percent);
            chains.swap(mailbox->chains);
            state.swap(mailbox->state);
            mailbox->posted = false;
          }
          if (percent) emit owner->progressed(*percent);
          if (chains) emit owner->chainsProgressed(*chains);
          if (state) emit owner->stateShown(*state);
        },
        Qt::QueuedConnection);
  }

  InversionRunner* owner_;
  std::shared_ptr<Mailbox> mailbox_;
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
