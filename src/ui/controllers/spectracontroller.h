#pragma once
// "Calculate spectra": off the "1D inversion" tab the classic spectra and H/Z of the
// record, or the field-standard H/V; on that tab the theoretical curve "H/Zc". A long
// record's transforms, classic or field standard, run on a worker thread over the
// record as it is (every command that changes it is held meanwhile), and the
// workspace takes the result only when it is complete.
#include <cstddef>

#include <QObject>

#include "app/commands.h"
#include "app/fieldstandardhv.h"
#include "app/outcome.h"
#include "app/session.h"
#include "app/workspace.h"

namespace corvath::ui {

class BackgroundWork;

class SpectraController : public QObject {
  Q_OBJECT
public:
  enum class Method { Classic, FieldStandard, TheoreticalCurve };
  Q_ENUM(Method)

  SpectraController(app::Workspace& workspace, QObject* parent = nullptr);

  //! From how many X samples the classic and the field-standard spectra are computed
  //! off the window's thread.
  void setBackgroundSamples(std::size_t samples) { backgroundSamples_ = samples; }
  //! The worker of long computations (its progress and cancel are shown by the window).
  BackgroundWork& work() { return *work_; }

  //! The classic spectra and ratio; answers through calculated().
  void calculate(const app::SpectraSettings& settings);
  //! The field-standard H/V (a long record's on the worker); answers through calculated().
  void calculateFieldStandard(const app::FieldStandardSettings& settings);
  //! The theoretical curve of the model at the observed frequencies; answers through
  //! calculated(). A refused field of fieldsRead (it kept its value) becomes the
  //! notice of a Done answer.
  void calculateTheoreticalCurve(const app::ForwardModelSettings& settings, const app::Outcome& fieldsRead);

  //! The settings of the latest computation of each kind, as it was started.
  const app::SessionComputations& lastSettings() const { return last_; }

signals:
  //! A computation has ended; on Done the workspace holds its result.
  void calculated(corvath::ui::SpectraController::Method method, const corvath::app::Outcome& outcome);

private:
  app::Workspace& workspace_;
  BackgroundWork* work_;
  std::size_t backgroundSamples_ = 2'000'000;  // about three hours at 200 Hz
  app::SessionComputations last_;
};

}  // namespace corvath::ui
