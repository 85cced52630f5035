#include "ui/controllers/spectracontroller.h"

#include <memory>
#include <vector>

#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/busycursor.h"

namespace corvath::ui {

SpectraController::SpectraController(app::Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace), work_(new BackgroundWork(this)) {}

void SpectraController::calculate(const app::SpectraSettings& settings) {
  if (work_->running()) return;
  last_.classic = settings;  // the classic settings, without the progress and threads
  if (workspace_.record.size(import::Component::X) < backgroundSamples_) {
    app::Outcome outcome;
    {
      BusyCursor busy;
      outcome = BackgroundWork::runHere(
          [&](const numerics::ProgressHook&) { return app::CalculateSpectra(workspace_, settings); });
    }
    emit calculated(Method::Classic, outcome);
    return;
  }
  // A long record: the transforms run on worker threads and the window stays live.
  const std::vector<spectra::WindowInterval> windows = app::WindowIntervals(workspace_.windows);
  auto computed = std::make_shared<app::ComputedSpectra>();
  const import::ThreeComponentRecord* record = &workspace_.record;  // held: every command that changes it is off
  work_->start(
      "Calculating spectra",
      [record, windows, settings, computed](const numerics::ProgressHook& hook) {
        app::SpectraSettings s = settings;
        s.progress = hook;
        *computed = app::ComputeSpectra(*record, windows, s);
        return computed->outcome;
      },
      [this, computed](const app::Outcome& outcome) {
        emit calculated(Method::Classic,
                        outcome.done() ? app::ApplyComputedSpectra(workspace_, std::move(*computed)) : outcome);
      });
}

void SpectraController::calculateFieldStandard(const app::FieldStandardSettings& settings) {
  if (work_->running()) return;
  last_.fieldStandard = settings;
  const std::vector<spectra::WindowInterval> windows = app::WindowIntervals(workspace_.windows);
  if (workspace_.record.size(import::Component::X) < backgroundSamples_) {
    app::Outcome outcome;
    {
      BusyCursor busy;
      outcome = BackgroundWork::runHere([&](const numerics::ProgressHook&) {
        return app::ApplyComputedFieldStandard(workspace_,
                                               app::ComputeFieldStandardHv(workspace_.record, windows, settings));
      });
    }
    emit calculated(Method::FieldStandard, outcome);
    return;
  }
  // A long record: the windows (with STA/LTA and azimuths) are computed on a worker
  // over the record as it is, held meanwhile, and the window stays live.
  auto computed = std::make_shared<app::ComputedFieldStandard>();
  const import::ThreeComponentRecord* record = &workspace_.record;
  work_->start(
      "Calculating the field-standard H/V",
      [record, windows, settings, computed](const numerics::ProgressHook& hook) {
        *computed = app::ComputeFieldStandardHv(*record, windows, settings, hook);
        return computed->outcome;
      },
      [this, computed](const app::Outcome& outcome) {
        emit calculated(Method::FieldStandard,
                        outcome.done() ? app::ApplyComputedFieldStandard(workspace_, std::move(*computed)) : outcome);
      });
}

void SpectraController::calculateTheoreticalCurve(const app::ForwardModelSettings& settings,
                                                  const app::Outcome& fieldsRead) {
  if (work_->running()) return;
  last_.theoreticalCurve = settings;
  app::Outcome outcome = BackgroundWork::runHere(
      [&](const numerics::ProgressHook&) { return app::CalculateTheoreticalCurve(workspace_, settings); });
  // A field that kept its previous value is the notice of a curve that was drawn.
  if (outcome.done() && fieldsRead.failed()) outcome = app::Outcome::Done(fieldsRead.message);
  emit calculated(Method::TheoreticalCurve, outcome);
}

}  // namespace corvath::ui
