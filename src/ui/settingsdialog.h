#pragma once
// The "Settings" dialog of one model parameter: start value and increment factor,
// user limits and the default invert flag. Holds its form only; created once and
// reused, so its check boxes keep their states between openings.
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace corvath::ui {

class SettingsDialog : public QDialog {
  Q_OBJECT
public:
  explicit SettingsDialog(QWidget* parent = nullptr);

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

}  // namespace corvath::ui
