#include "ui/controllers/inversioncontroller.h"

#include "ui/controllers/inversionrunner.h"

namespace corvath::ui {

InversionController::InversionController(app::Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace), runner_(new InversionRunner(this)) {
  connect(runner_, &InversionRunner::progressed, this, &InversionController::progressed);
  connect(runner_, &InversionRunner::curveShown, this, &InversionController::curveShown);
  connect(runner_, &InversionRunner::stateShown, this, [this](const inversion::InversionSnapshot& snapshot) {
    emit stateShown(snapshot, optimizesReference_, optimizesExponent_);
  });
  connect(runner_, &InversionRunner::finished, this, [this](const app::InversionRun& run, const app::Outcome& outcome) {
    run.Apply(workspace_);
    emit finished(outcome, outcome.done() && run.result().end == inversion::InversionEnd::Completed);
  });
}

bool InversionController::running() const { return runner_->running(); }

app::Outcome InversionController::start(const app::InversionRequest& request) {
  if (running()) return app::Outcome::Unchanged("an inversion is running");
  auto run = std::make_unique<app::InversionRun>(workspace_, request);
  if (!run->precondition().done()) return run->precondition();
  optimizesReference_ = request.settings.OptimizeReferenceFrequency;
  optimizesExponent_ = request.settings.OptimizeDispersionExponent;
  runner_->start(std::move(run));
  return app::Outcome::Done();
}

void InversionController::requestStop() { runner_->requestStop(); }

void InversionController::stopAndWait() { runner_->stopAndWait(); }

}  // namespace corvath::ui
