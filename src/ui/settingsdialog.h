#pragma once
// The "Settings" dialog of one model parameter: start value and increment factor,
// user limits and the default invert flag. Holds its form only; created once and
// reused, so its check boxes keep their states between openings.
#include <QDialog>

#include <functional>

#include "inversion/model.h"
#include "app/workspace.h"
#include "inversion/parametersettings.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace corvath::ui {

class SettingsDialog : public QDialog {
  Q_OBJECT
public:
  explicit SettingsDialog(QWidget* parent = nullptr);

  //! Shows the settings: the four fields, the flag box and the three switches.
  void setSettings(const inversion::ParameterSettings& settings);
  //! The settings as the user left them.
  inversion::ParameterSettings settings() const;

  QGroupBox* valuesGroup;      //!< GroupBox1 "Values"
  QLineEdit* startValue;       //!< Edit3 "Start value"
  QLineEdit* incFactor;        //!< Edit4 "Inc factor"
  QCheckBox* valuesEnabled;    //!< CheckBox2: enables "Values"
  QGroupBox* limitsGroup;      //!< GroupBox2 "Limits"
  QLineEdit* minimum;          //!< Edit1 "Minimum"
  QLineEdit* maximum;          //!< Edit2 "Maximum"
  QCheckBox* limitsEnabled;    //!< CheckBox3: enables "Limits"
  QCheckBox* invertEnabled;    //!< CheckBox1 "Invert": enables the flag box
  QCheckBox* invertFlag;       //!< CheckBox4: the new default invert flag
};

//! Runs a dialog modally and returns its result (QDialog::exec when empty).
using DialogRunner = std::function<int(QDialog&)>;

//! EditParameterSettings(p), p = 0..5: refills the dialog's fields for p from the
//! tables (its switches keep their states), makes p the SelectedParameter, runs the
//! dialog and, if it was closed by "Apply", applies its ticked groups to the tables
//! and the model. Returns what was applied (nothing when cancelled). The caller
//! shows the model table afterwards in every case.
inversion::AppliedSettings EditParameterSettings(SettingsDialog& dialog, const DialogRunner& run,
                                                 app::Workspace& workspace, int p);

}  // namespace corvath::ui
