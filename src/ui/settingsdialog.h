#pragma once
// The "Settings" dialog of one model parameter: start value and increment factor,
// user limits and the default invert flag. Holds its form and reads its fields into
// numbers; created once and reused, so its check boxes keep their states between
// openings.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/workspace.h"
#include "inversion/parametersettings.h"
#include "numerics/complex.h"
#include "ui/dialogrunner.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace corvath::ui {

//! The dialog's fields read into numbers.
struct SettingsInput {
  //! The settings; a used group with a field that could not be read comes back unused.
  inversion::ParameterSettings settings;
  //! One line per field that could not be read, naming it ("Minimum: 'abc' is not a number").
  std::vector<std::string> refusals;
};

class SettingsDialog : public QDialog {
  Q_OBJECT
public:
  explicit SettingsDialog(QWidget* parent = nullptr);

  //! Shows the settings: the four numbers as the table shows them ("*" for an unset
  //! bound), the flag box and the three switches. Clears the message line.
  void setSettings(const inversion::ParameterSettings& settings);
  //! The three switches as the user left them; the numbers are left at their defaults.
  inversion::ParameterSettings switches() const;
  //! The settings as the user left them, each used group's fields read with
  //! NumberField: "Start value", "Minimum" and "Maximum" within hardLimits (minimum,
  //! maximum), "Inc factor" within 1 to 7. Fields of unused groups are not read.
  SettingsInput read(numerics::Complex hardLimits) const;

  //! Shows text in the message line inside the dialog; empty text hides the line.
  void showMessage(const QString& text);

  //! What "Apply" does: the handler answers true to close the dialog with success,
  //! false to keep it open (showing its message). Without a handler "Apply" closes
  //! the dialog with success.
  void setApplyHandler(std::function<bool()> handler);

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
  QLabel* message;             //!< settingsMessage: why a field was refused, hidden while empty

private:
  void apply();

  std::function<bool()> applyHandler_;
};


//! EditParameterSettings(p), p = 0..5: refills the dialog's fields for p from the
//! tables (its switches keep their states), makes p the SelectedParameter and runs
//! the dialog. Every "Apply" reads the used groups' fields and applies each group
//! that reads and fits to the tables and the model; when a field was refused the
//! dialog stays open and its message line names the field until the next "Apply"
//! or opening, else it closes. Answers the last "Apply" as
//! app::ApplyParameterSettings does, fields that could not be read counted as
//! refusals; Unchanged when cancelled before any. The caller shows the model table
//! afterwards in every case.
app::Result<inversion::AppliedSettings> EditParameterSettings(SettingsDialog& dialog, const DialogRunner& run,
                                                              app::Workspace& workspace, int p);

}  // namespace corvath::ui
