#pragma once
// The control panel of the "1D inversion" tab: layer count, start button and
// progress, iteration count, reference frequency and dispersion exponent with
// their optimisation boxes, the frequency band and the velocity/quality constraint.
#include <utility>
#include <vector>

#include <QWidget>

#include "app/commands.h"
#include "app/inversionrun.h"
#include "app/outcome.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSpinBox;
class QToolButton;

namespace corvath::ui {

class InversionPanel : public QWidget {
  Q_OBJECT
public:
  explicit InversionPanel(QWidget* parent = nullptr);

  QCheckBox* globalSearch;          //!< CheckBox4 "Global search"
  QSpinBox* chains;                 //!< "Chains" beside "Global search": independent searches, 1..64
  QLabel* chainProgress;            //!< every chain's percentage while several run
  QSpinBox* layersNumber;           //!< SpinEdit1 "Layers number", 2..10, arrows only
  QToolButton* startButton;         //!< StartButton "Start inversion"
  QProgressBar* progress;           //!< ProgressBar1, 0..100 %
  QLabel* misfit;                   //!< the misfit of the state shown, beside the progress
  QSpinBox* iterNumber;             //!< SpinEdit3 "Iter number", the range of its settings row
  QLineEdit* refFrequency;          //!< Edit1 "Ref frq"
  QCheckBox* optimizeRefFrequency;  //!< CheckBox1, beside "Ref frq"
  QLineEdit* minFrequency;          //!< Edit3 "Min frq"
  QLineEdit* dispersionExponent;    //!< Edit2 "K degree"
  QCheckBox* optimizeDispersion;    //!< CheckBox2, beside "K degree"
  QLineEdit* maxFrequency;          //!< Edit4 "Max frq"
  QCheckBox* ratioConstraint;       //!< CheckBox3 "Vp/Vs Qp/Qs constraint"
  QLabel* ensembleSummary;          //!< f0 and depth to the half-space with their 5-95 % range

  //! Shows the chains' percentages ("chains 40 % 55 % 38 % 61 %"); empty hides them.
  void showChainProgress(const std::vector<int>& percents);

  //! "Min frq" and "Max frq" (read through the classic settings' rows) with the
  //! "Smoothed spectra" toggle as the settings of "Calculate spectra"; Failed naming the
  //! first refused field.
  app::Result<app::SpectraSettings> spectraSettings(bool smoothedSpectra) const;
  //! The settings of a run as the panel shows them; Failed naming the first refused field.
  app::Result<app::InversionRequest> inversionRequest() const;
  //! "Ref frq" and "K degree" over current: a refused field keeps its value in the
  //! settings, and the outcome (Failed) names it.
  std::pair<app::ForwardModelSettings, app::Outcome> forwardModelSettings(app::ForwardModelSettings current) const;
  //! Writes "Ref frq" and "K degree" (NumberToText base 2), each only where asked.
  void showForwardModelValues(double referenceFrequencyHz, double exponentValue, bool reference,
                              bool exponent);

  //! Shows the idle (start) or the running (stop) image of the start button.
  void setRunning(bool running);
  //! True while the start button shows the running image.
  bool running() const { return running_; }

private:
  bool running_ = false;
};

}  // namespace corvath::ui
