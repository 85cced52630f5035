#include "ui/inversionpanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/classicsettings.h"
#include "app/workspace.h"
#include "inversion/inversionsettings.h"
#include "inversion/model.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"
#include "numerics/settingtable.h"
#include "ui/toolbaricons.h"

namespace corvath::ui {
namespace {

numerics::Result<double> Read(const char* label, const QLineEdit* field) {
  return numerics::NumberField(label, field->text().toStdString());
}

QLineEdit* Field(QWidget* parent, const char* name, double value, const char* hint = nullptr) {
  auto* edit = new QLineEdit(QString::fromStdString(numerics::NumberToShortestText(value)), parent);
  edit->setObjectName(name);
  edit->setMaximumWidth(70);
  if (hint) edit->setToolTip(hint);
  return edit;
}

QCheckBox* Box(QWidget* parent, const char* name, const char* caption, bool ticked, const char* hint = nullptr) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->setChecked(ticked);
  if (hint) box->setToolTip(hint);
  return box;
}

}  // namespace

InversionPanel::InversionPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("inversionPanel");
  // Every default is the settings structs' own.
  const inversion::InversionSettings run;
  const app::ClassicSettings classic;
  const app::ForwardModelSettings forward;
  const auto& rows = inversion::InversionSettingTable();

  globalSearch = Box(this, "CheckBox4", rows.find("globalSearch")->label, run.GlobalSearch);
  chains = new QSpinBox(this);
  chains->setObjectName("chainsField");
  chains->setRange(1, 64);
  chains->setValue(1);
  chains->setMaximumWidth(60);
  chains->setToolTip("Independent global searches run side by side; the best model of all is kept");
  chainProgress = new QLabel(this);
  chainProgress->setObjectName("chainProgress");
  ensembleSummary = new QLabel(this);
  ensembleSummary->setObjectName("ensembleSummary");
  ensembleSummary->setWordWrap(true);

  layersNumber = new QSpinBox(this);
  layersNumber->setObjectName("SpinEdit1");
  layersNumber->setRange(inversion::kMinLayers, inversion::kMaxLayers);
  layersNumber->setValue(app::kInitialLayerCount);
  // Stepping only: the layer count changes by one layer at a time.
  layersNumber->findChild<QLineEdit*>()->setReadOnly(true);
  layersNumber->setMaximumWidth(70);

  startButton = new QToolButton(this);
  startButton->setObjectName("StartButton");
  startButton->setToolTip("Start inversion");
  startButton->setIconSize(QSize(24, 24));
  startButton->setAutoRaise(true);

  progress = new QProgressBar(this);
  progress->setObjectName("ProgressBar1");
  progress->setRange(0, 100);
  progress->setValue(0);

  iterNumber = new QSpinBox(this);
  iterNumber->setObjectName("SpinEdit3");
  const numerics::SettingRange& iterations = rows.find("iterNumber")->range;
  iterNumber->setRange(static_cast<int>(iterations.lower), static_cast<int>(iterations.upper));
  iterNumber->setValue(run.IterationCount);
  iterNumber->setMaximumWidth(70);

  refFrequency = Field(this, "Edit1", forward.referenceFrequencyHz, "Referrence frequency");
  optimizeRefFrequency = Box(this, "CheckBox1", "", run.OptimizeReferenceFrequency, "Optimization");
  minFrequency = Field(this, "Edit3", classic.minFrequencyHz);
  dispersionExponent = Field(this, "Edit2", forward.dispersionExponent, "Frequency dispersion exponent");
  optimizeDispersion = Box(this, "CheckBox2", "", run.OptimizeDispersionExponent, "Optimization");
  maxFrequency = Field(this, "Edit4", classic.maxFrequencyHz);
  ratioConstraint = Box(this, "CheckBox3", rows.find("ratioConstraint")->label, run.RatioConstraint);

  auto label = [this](const char* text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };

  auto* searchRow = new QHBoxLayout;
  searchRow->setSpacing(4);
  searchRow->addWidget(globalSearch);
  searchRow->addWidget(label("Chains", chains));
  searchRow->addWidget(chains);
  searchRow->addStretch(1);
  auto* startColumn = new QVBoxLayout;
  startColumn->setSpacing(2);
  startColumn->addLayout(searchRow);
  startColumn->addWidget(startButton, 0, Qt::AlignLeft);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(4);
  grid->addWidget(label("Layers number", layersNumber), 0, 0);
  grid->addWidget(layersNumber, 0, 1);
  grid->addLayout(startColumn, 0, 2, 1, 2);
  grid->addWidget(progress, 0, 4, 1, 2, Qt::AlignBottom);
  misfit = new QLabel(this);
  misfit->setObjectName("misfitLabel");
  grid->addWidget(misfit, 0, 6, Qt::AlignBottom);
  grid->addWidget(chainProgress, 1, 5, 1, 2);

  grid->addWidget(label("Iter number", iterNumber), 1, 0);
  grid->addWidget(iterNumber, 1, 1);
  grid->addWidget(label("Ref frq", refFrequency), 1, 2);
  grid->addWidget(refFrequency, 1, 3);
  grid->addWidget(optimizeRefFrequency, 1, 4);

  grid->addWidget(label("Min frq", minFrequency), 2, 0);
  grid->addWidget(minFrequency, 2, 1);
  grid->addWidget(label("K degree", dispersionExponent), 2, 2);
  grid->addWidget(dispersionExponent, 2, 3);
  grid->addWidget(optimizeDispersion, 2, 4);

  grid->addWidget(label("Max frq", maxFrequency), 3, 0);
  grid->addWidget(maxFrequency, 3, 1);
  grid->addWidget(ratioConstraint, 3, 2, 1, 4);
  grid->addWidget(ensembleSummary, 4, 0, 1, 7);
  grid->setColumnStretch(5, 1);

  setRunning(false);
}

void InversionPanel::showChainProgress(const std::vector<int>& percents) {
  QString text;
  for (int percent : percents) text += (text.isEmpty() ? "chains " : " ") + QString("%1 %").arg(percent);
  chainProgress->setText(text);
}

void InversionPanel::setRunning(bool running) {
  running_ = running;
  startButton->setIcon(CommandIcon(running ? IconKind::StopInversion : IconKind::StartInversion));
}

app::Result<app::SpectraSettings> InversionPanel::spectraSettings(bool smoothedSpectra) const {
  app::SpectraSettings settings;
  const auto& rows = app::ClassicSettingTable();
  for (const auto& [key, field] : {std::pair{"classic_min_hz", minFrequency}, std::pair{"classic_max_hz", maxFrequency}}) {
    const numerics::Setting<app::ClassicSettings>& row = *rows.find(key);
    const numerics::Result<double> value = numerics::SettingField(row, row.label, field->text().toStdString());
    if (!value.done()) return value.outcome;
    row.set(settings, *value);
  }
  settings.smoothedSpectra = smoothedSpectra;
  return settings;
}

app::Result<app::InversionRequest> InversionPanel::inversionRequest() const {
  app::InversionRequest request;
  inversion::InversionSettings& settings = request.settings;
  const std::pair<const char*, QLineEdit*> fields[] = {
      {"Min frq", minFrequency}, {"Max frq", maxFrequency}, {"Ref frq", refFrequency}, {"K degree", dispersionExponent}};
  double* targets[] = {&settings.MinFrequency, &settings.MaxFrequency, &request.referenceFrequencyHz,
                       &request.dispersionExponent};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    const numerics::Result<double> value = Read(fields[i].first, fields[i].second);
    if (!value.done()) return value.outcome;
    *targets[i] = *value;
  }
  settings.IterationCount = iterNumber->value();
  settings.OptimizeReferenceFrequency = optimizeRefFrequency->isChecked();
  settings.OptimizeDispersionExponent = optimizeDispersion->isChecked();
  settings.RatioConstraint = ratioConstraint->isChecked();
  settings.GlobalSearch = globalSearch->isChecked();
  request.chains = chains->value();
  return request;
}

std::pair<app::ForwardModelSettings, app::Outcome> InversionPanel::forwardModelSettings(
    app::ForwardModelSettings current) const {
  std::string refused;
  const std::pair<numerics::Result<double>, double*> fields[] = {
      {Read("Ref frq", refFrequency), &current.referenceFrequencyHz},
      {Read("K degree", dispersionExponent), &current.dispersionExponent}};
  for (const auto& [value, target] : fields) {
    if (value.done())
      *target = *value;
    else
      refused += (refused.empty() ? "" : "; ") + value.message();
  }
  return {current, refused.empty() ? app::Outcome::Done() : app::Outcome::Failed(refused)};
}

void InversionPanel::showForwardModelValues(double referenceFrequencyHz, double exponentValue, bool reference,
                                            bool exponent) {
  if (reference) refFrequency->setText(QString::fromStdString(numerics::NumberToText(2, referenceFrequencyHz)));
  if (exponent) dispersionExponent->setText(QString::fromStdString(numerics::NumberToText(2, exponentValue)));
}

}  // namespace corvath::ui
