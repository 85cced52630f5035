#include "ui/settingsdialog.h"

#include "app/commands.h"

#include <optional>
#include <utility>

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

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

QString NumberText(double value) { return QString::fromStdString(numerics::NumberToText(1, value)); }

QString BoundText(const std::optional<double>& bound) { return bound ? NumberText(*bound) : QString("*"); }

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// One "Apply": the used groups' fields read here, the groups that read handed on. A
// field that could not be read is a refusal like those of the tables' own checks.
app::Result<inversion::AppliedSettings> ApplyDialog(const SettingsDialog& dialog, app::Workspace& workspace,
                                                    int p) {
  SettingsInput input = dialog.read(workspace.modelTables.HardLimits[p]);
  app::Result<inversion::AppliedSettings> answer = app::ApplyParameterSettings(workspace, p, input.settings);
  if (input.refusals.empty()) return answer;
  std::string refusals = Lines(input.refusals);
  if (!answer.message().empty()) refusals += "\n" + answer.message();
  if (!answer.done()) return app::Outcome::Failed(std::move(refusals));
  inversion::AppliedSettings applied = std::move(*answer);
  applied.refusals.insert(applied.refusals.begin(), input.refusals.begin(), input.refusals.end());
  return app::Result<inversion::AppliedSettings>(std::move(applied), std::move(refusals));
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
  valuesForm->addRow(inversion::kStartValueLabel, startValue);
  valuesForm->addRow(inversion::kIncFactorLabel, incFactor);
  valuesEnabled = new QCheckBox(this);
  valuesEnabled->setObjectName("CheckBox2");
  valuesGroup->setEnabled(false);
  connect(valuesEnabled, &QCheckBox::toggled, valuesGroup, &QGroupBox::setEnabled);

  limitsGroup = new QGroupBox("Limits", this);
  limitsGroup->setObjectName("GroupBox2");
  minimum = Field(limitsGroup, "Edit1");
  maximum = Field(limitsGroup, "Edit2");
  auto* limitsForm = new QFormLayout(limitsGroup);
  limitsForm->addRow(inversion::kMinimumLabel, minimum);
  limitsForm->addRow(inversion::kMaximumLabel, maximum);
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
  connect(apply, &QPushButton::clicked, this, &SettingsDialog::apply);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancelButton");
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  message = new QLabel(this);
  message->setObjectName("settingsMessage");
  message->setWordWrap(true);
  QPalette warning = message->palette();
  warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
  message->setPalette(warning);
  message->hide();

  auto* invertRow = new QHBoxLayout;
  invertRow->addWidget(invertEnabled);
  invertRow->addWidget(invertFlag);
  invertRow->addStretch();
  invertRow->addWidget(apply);
  invertRow->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupWithSwitch(this, valuesGroup, valuesEnabled));
  layout->addWidget(GroupWithSwitch(this, limitsGroup, limitsEnabled));
  layout->addLayout(invertRow);
  layout->addWidget(message);
}

void SettingsDialog::setSettings(const inversion::ParameterSettings& settings) {
  startValue->setText(NumberText(settings.startValue));
  incFactor->setText(NumberText(settings.incFactor));
  minimum->setText(BoundText(settings.minimum));
  maximum->setText(BoundText(settings.maximum));
  invertFlag->setChecked(settings.invertFlag);
  valuesEnabled->setChecked(settings.valuesEnabled);
  limitsEnabled->setChecked(settings.limitsEnabled);
  invertEnabled->setChecked(settings.invertEnabled);
  showMessage({});
}

inversion::ParameterSettings SettingsDialog::switches() const {
  inversion::ParameterSettings settings;
  settings.valuesEnabled = valuesEnabled->isChecked();
  settings.limitsEnabled = limitsEnabled->isChecked();
  settings.invertEnabled = invertEnabled->isChecked();
  return settings;
}

SettingsInput SettingsDialog::read(numerics::Complex hardLimits) const {
  SettingsInput input;
  inversion::ParameterSettings& settings = input.settings;
  settings = switches();
  settings.invertFlag = invertFlag->isChecked();
  // Every field of a used group is read, so that each refused one is named.
  const auto number = [&](const char* label, const QLineEdit* field, double lower,
                          double upper) -> std::optional<double> {
    const numerics::Result<double> read = numerics::NumberField(label, field->text().toStdString(), lower, upper);
    if (read.done()) return *read;
    input.refusals.push_back(read.message());
    return std::nullopt;
  };
  if (settings.valuesEnabled) {
    const std::optional<double> start = number(inversion::kStartValueLabel, startValue, hardLimits.re, hardLimits.im);
    const std::optional<double> factor =
        number(inversion::kIncFactorLabel, incFactor, inversion::kMinIncFactor, inversion::kMaxIncFactor);
    if (start && factor) {
      settings.startValue = *start;
      settings.incFactor = *factor;
    } else {
      settings.valuesEnabled = false;
    }
  }
  if (settings.limitsEnabled) {
    settings.minimum = number(inversion::kMinimumLabel, minimum, hardLimits.re, hardLimits.im);
    settings.maximum = number(inversion::kMaximumLabel, maximum, hardLimits.re, hardLimits.im);
    if (!settings.minimum || !settings.maximum) settings.limitsEnabled = false;
  }
  return input;
}

void SettingsDialog::showMessage(const QString& text) {
  message->setText(text);
  message->setVisible(!text.isEmpty());
}

void SettingsDialog::setApplyHandler(std::function<bool()> handler) { applyHandler_ = std::move(handler); }

void SettingsDialog::apply() {
  if (!applyHandler_ || applyHandler_()) accept();
}

app::Result<inversion::AppliedSettings> EditParameterSettings(SettingsDialog& dialog, const DialogRunner& run,
                                                              app::Workspace& workspace, int p) {
  if (p < 0 || p >= inversion::kParameterCount)
    return app::Outcome::Failed("there is no model parameter " + std::to_string(p));
  dialog.setSettings(app::ParameterSettingsOf(workspace, p, dialog.switches()));
  workspace.modelTables.SelectedParameter = p;
  // The title names the parameter the dialog edits.
  dialog.setWindowTitle(QString("Settings: %1").arg(inversion::kModelTableHeadings[static_cast<std::size_t>(p) + 1]));
  app::Result<inversion::AppliedSettings> answer = app::Outcome::Unchanged();  // cancelled before any "Apply"
  dialog.setApplyHandler([&] {
    answer = ApplyDialog(dialog, workspace, p);
    dialog.showMessage(QString::fromStdString(answer.message()));
    return answer.message().empty();
  });
  if (run)
    run(dialog);
  else
    dialog.exec();
  dialog.setApplyHandler({});
  return answer;
}

}  // namespace corvath::ui
