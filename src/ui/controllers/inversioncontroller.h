#pragma once
// "Start inversion": the run works on a worker thread on its own copy of the model
// and the observed curve; its progress and the states it shows come back as signals;
// a second press asks it to stop; the workspace takes the result when it has ended.
#include <memory>

#include <QString>
#include <QStringList>
#include <vector>

#include <QObject>

#include "app/history.h"
#include "app/inversionrun.h"
#include "app/outcome.h"
#include "app/workspace.h"
#include "inversion/inversionsettings.h"

namespace corvath::ui {

class InversionRunner;

class InversionController : public QObject {
  Q_OBJECT
public:
  InversionController(app::Workspace& workspace, QObject* parent = nullptr);

  //! True from a started run until finished().
  bool running() const;
  //! Starts a run; Unchanged with the reason when there is nothing to run on (no
  //! observed curve) or a run is going.
  app::Outcome start(const app::InversionRequest& request);
  //! Asks the run to stop at its next stop check.
  void requestStop();
  //! Asks the run to stop and waits for it (closing the window).
  void stopAndWait();
  //! Where a finished run's result is recorded as the undoable step "Inversion result".
  void setHistory(app::WorkspaceHistory* history) { history_ = history; }
  //! Draws the workspace's theoretical curve (curveShown), as after undo or redo.
  void showCurve() { emit curveShown(workspace_.theoreticalCurve); }
  //! What the last run started optimizes ("Ref frq", "K degree"): the fields it writes back.
  bool optimizesReference() const { return optimizesReference_; }
  bool optimizesExponent() const { return optimizesExponent_; }

signals:
  //! The completed percentage of the run.
  void progressed(int percent);
  //! A state of the run to show; the forward-model values only where the run optimizes them.
  void stateShown(const corvath::inversion::InversionSnapshot& snapshot, bool showsReference, bool showsExponent);
  //! The misfit of the state shown last (or of the start model), as text ("1.96").
  void misfitShown(const QString& misfit);
  //! The start model's curve, as "H/Zc".
  void curveShown(const corvath::numerics::arofcomplexM& curve);
  //! Every chain's percentage while several chains run; empty when a run starts.
  void chainsProgressed(const std::vector<int>& percents);
  //! A run starts: the ensemble of the last one no longer stands.
  void ensembleCleared();
  //! The ensemble of a finished global search, with the warnings about its result.
  void ensembleShown(const corvath::app::EnsembleSummary& ensemble, const QStringList& warnings);
  //! The run has ended and the workspace holds its model; completed: it ran to its end.
  //! A Done outcome's notice says how it ended ("Finished: misfit 1.96 -> 0.17"), the
  //! ensemble's size, f0 and depth to the half-space, and warns where the result is weak.
  void finished(const corvath::app::Outcome& outcome, bool completed);

private:
  app::Workspace& workspace_;
  InversionRunner* runner_;
  bool optimizesReference_ = false;
  bool optimizesExponent_ = false;
  const app::InversionRun* run_ = nullptr;  //!< the run going, owned by the runner
  int percent_ = 0;                         //!< the last progress it reported
  app::WorkspaceHistory* history_ = nullptr;
  app::ForwardModelSettings started_;       //!< "Ref frq" and "K degree" the run started from
};

}  // namespace corvath::ui
