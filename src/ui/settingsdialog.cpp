#include "ui/settingsdialog.h"

#include "app/commands.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvath::ui {
namespace {

// A group box whose enabling check box sits at its top right, outside the group
// so that disabling the group leaves the box usable.
QWidget* GroupWithSwitch(QWidget* parent, QGroupBox* group, QCheckBox* box) {
  auto* holder = new QWidget(parent);
  auto* column = new QVBoxLayout(holder);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(box, 0, Qt::AlignRight);
  column->addWidget(group);
  return holder;
}

QLineEdit* Field(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("TForm3");
  setWindowTitle("Settings");

  valuesGroup = new QGroupBox("Values", this);
  valuesGroup->setObjectName("GroupBox1");
  startValue = Field(valuesGroup, "Edit3");
  incFactor = Field(valuesGroup, "Edit4");
  auto* valuesForm = new QFormLayout(valuesGroup);
  valuesForm->addRow("Start value", startValue);
  valuesForm->addRow("Inc factor", incFactor);
  valuesEnabled = new QCheckBox(this);
  valuesEnabled->setObjectName("CheckBox2");
  valuesGroup->setEnabled(false);
  connect(valuesEnabled, &QCheckBox::toggled, valuesGroup, &QGroupBox::setEnabled);

  limitsGroup = new QGroupBox("Limits", this);
  limitsGroup->setObjectName("GroupBox2");
  minimum = Field(limitsGroup, "Edit1");
  maximum = Field(limitsGroup, "Edit2");
  auto* limitsForm = new QFormLayout(limitsGroup);
  limitsForm->addRow("Minimum", minimum);
  limitsForm->addRow("Maximum", maximum);
  limitsEnabled = new QCheckBox(this);
  limitsEnabled->setObjectName("CheckBox3");
  limitsGroup->setEnabled(false);
  connect(limitsEnabled, &QCheckBox::toggled, limitsGroup, &QGroupBox::setEnabled);

  invertEnabled = new QCheckBox("Invert", this);
  invertEnabled->setObjectName("CheckBox1");
  invertFlag = new QCheckBox(this);
  invertFlag->setObjectName("CheckBox4");
  invertFlag->setEnabled(false);
  connect(invertEnabled, &QCheckBox::toggled, invertFlag, &QCheckBox::setEnabled);

  auto* apply = new QPushButton("Apply", this);
  apply->setObjectName("Button1");
  connect(apply, &QPushButton::clicked, this, &QDialog::accept);

  auto* invertRow = new QHBoxLayout;
  invertRow->addWidget(invertEnabled);
  invertRow->addWidget(invertFlag);
  invertRow->addStretch();
  invertRow->addWidget(apply);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupWithSwitch(this, valuesGroup, valuesEnabled));
  layout->addWidget(GroupWithSwitch(this, limitsGroup, limitsEnabled));
  layout->addLayout(invertRow);
}

void SettingsDialog::setSettings(const inversion::ParameterSettings& settings) {
  startValue->setText(QString::fromStdString(settings.startValue));
  incFactor->setText(QString::fromStdString(settings.incFactor));
  minimum->setText(QString::fromStdString(settings.minimum));
  maximum->setText(QString::fromStdString(settings.maximum));
  invertFlag->setChecked(settings.invertFlag);
  valuesEnabled->setChecked(settings.valuesEnabled);
  limitsEnabled->setChecked(settings.limitsEnabled);
  invertEnabled->setChecked(settings.invertEnabled);
}

inversion::ParameterSettings SettingsDialog::settings() const {
  inversion::ParameterSettings settings;
  settings.startValue = startValue->text().toStdString();
  settings.incFactor = incFactor->text().toStdString();
  settings.minimum = minimum->text().toStdString();
  settings.maximum = maximum->text().toStdString();
  settings.invertFlag = invertFlag->isChecked();
  settings.valuesEnabled = valuesEnabled->isChecked();
  settings.limitsEnabled = limitsEnabled->isChecked();
  settings.invertEnabled = invertEnabled->isChecked();
  return settings;
}

inversion::AppliedSettings EditParameterSettings(SettingsDialog& dialog, const DialogRunner& run,
                                                 app::Workspace& workspace, int p) {
  if (p < 0 || p >= inversion::kParameterCount) return {};
  dialog.setSettings(app::ParameterSettingsOf(workspace, p, dialog.settings()));
  workspace.modelTables.SelectedParameter = p;
  const int result = run ? run(dialog) : dialog.exec();
  if (result != QDialog::Accepted) return {};
  return app::ApplyParameterSettings(workspace, p, dialog.settings());
}

}  // namespace corvath::ui
