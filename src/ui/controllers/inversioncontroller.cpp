#include "ui/controllers/inversioncontroller.h"

#include <cmath>
#include <string>

#include "numerics/numbertext.h"
#include "ui/controllers/inversionrunner.h"

namespace corvath::ui {
namespace {

QString MisfitText(std::optional<double> misfit) {
  if (!misfit) return "?";
  if (!std::isfinite(*misfit)) return *misfit > 0 ? "infinite" : "-infinite";
  return QString::fromStdString(numerics::NumberToText(2, *misfit));
}

}  // namespace

InversionController::InversionController(app::Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace), runner_(new InversionRunner(this)) {
  connect(runner_, &InversionRunner::progressed, this, [this](int percent) {
    percent_ = percent;
    emit progressed(percent);
  });
  connect(runner_, &InversionRunner::curveShown, this, &InversionController::curveShown);
  connect(runner_, &InversionRunner::chainsProgressed, this, &InversionController::chainsProgressed);
  connect(runner_, &InversionRunner::stateShown, this, [this](const inversion::InversionSnapshot& snapshot) {
    emit stateShown(snapshot, optimizesReference_, optimizesExponent_);
    if (run_) emit misfitShown(MisfitText(run_->misfitOf(snapshot.theoreticalCurve)));
  });
  connect(runner_, &InversionRunner::finished, this, [this](const app::InversionRun& run, const app::Outcome& outcome) {
    app::Snapshot before = app::Snapshot::ModelAndForward(workspace_);
    run.Apply(workspace_);
    if (history_ && before.differsFrom(workspace_)) {
      // Undone, the fields show what the run was started with.
      before.forward->referenceFrequency = started_.referenceFrequencyHz;
      before.forward->dispersionExponent = started_.dispersionExponent;
      history_->record("Inversion result", std::move(before));
    }
    run_ = nullptr;
    const bool completed = outcome.done() && run.result().end == inversion::InversionEnd::Completed;
    if (!outcome.done()) return emit finished(outcome, completed);
    const QString misfits = QString("misfit %1 -> %2").arg(MisfitText(run.startMisfit()), MisfitText(run.misfit()));
    emit misfitShown(MisfitText(run.misfit()));
    QString notice = completed ? QString("Finished: %1").arg(misfits)
                               : QString("Stopped at %1 %: %2").arg(percent_).arg(misfits);
    // A run that could not go on says why.
    if (!outcome.message.empty()) notice = QString("%1; %2").arg(QString::fromStdString(outcome.message), misfits);
    QStringList warnings;
    for (const std::string& warning : run.warnings()) warnings << QString::fromStdString(warning);
    if (const auto& ensemble = run.ensemble()) {
      notice += "; " + QString::fromStdString(app::EnsembleReportLines(*ensemble).front());
      emit ensembleShown(*ensemble, warnings);
    }
    if (!warnings.isEmpty()) notice += "; warning: " + warnings.join("; ");
    emit finished(app::Outcome::Done(notice.toStdString()), completed);
  });
}

bool InversionController::running() const { return runner_->running(); }

app::Outcome InversionController::start(const app::InversionRequest& request) {
  if (running()) return app::Outcome::Unchanged("an inversion is running");
  auto run = std::make_unique<app::InversionRun>(workspace_, request);
  if (!run->precondition().done()) return run->precondition();
  optimizesReference_ = request.settings.OptimizeReferenceFrequency;
  optimizesExponent_ = request.settings.OptimizeDispersionExponent;
  started_ = {request.referenceFrequencyHz, request.dispersionExponent};
  run_ = run.get();
  percent_ = 0;
  emit chainsProgressed({});
  emit ensembleCleared();
  emit misfitShown(MisfitText(run->startMisfit()));
  runner_->start(std::move(run));
  return app::Outcome::Done();
}

void InversionController::requestStop() { runner_->requestStop(); }

void InversionController::stopAndWait() { runner_->stopAndWait(); }

}  // namespace corvath::ui
