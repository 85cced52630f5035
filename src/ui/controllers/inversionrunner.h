#pragma once
// The thread of an inversion run (InversionController's): runs "Start inversion" off the window's thread: the run works on its own copy of
// the model and the observed curve, its progress and every state it shows reach the
// window's thread as queued calls, a second press asks it to stop, and its result
// changes the workspace only when it has ended.
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <QObject>

#include "app/inversionrun.h"
#include "app/outcome.h"
#include "inversion/inversionsettings.h"

namespace corvath::ui {

class InversionRunner : public QObject {
  Q_OBJECT
public:
  explicit InversionRunner(QObject* parent = nullptr);
  //! Stops a run still going and waits for it.
  ~InversionRunner() override;

  //! True from start() until the finished signal.
  bool running() const { return thread_.joinable(); }

  //! Starts the run on a worker thread; false (and nothing started) while another runs.
  bool start(std::unique_ptr<app::InversionRun> run);
  //! Asks the run to stop at its next stop check.
  void requestStop();
  //! Asks the run to stop and waits for its thread (closing the window).
  void stopAndWait();

signals:
  //! The completed percentage of the run.
  void progressed(int percent);
  //! Every chain's percentage, while several chains run.
  void chainsProgressed(const std::vector<int>& percents);
  //! A state of the run to show (model, curve, optimized values).
  void stateShown(const corvath::inversion::InversionSnapshot& snapshot);
  //! Only the start model's curve, as "H/Zc".
  void curveShown(const corvath::numerics::arofcomplexM& curve);
  //! The run has ended; the window applies it to the workspace.
  void finished(const corvath::app::InversionRun& run, const corvath::app::Outcome& outcome);

private:
  class Progress;
  void finish();

  std::unique_ptr<Progress> progress_;
  std::unique_ptr<app::InversionRun> run_;
  app::Outcome outcome_;
  std::thread thread_;
};

}  // namespace corvath::ui
