#include "ui/fieldstandardview.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>
#include <qcustomplot.h>

#include "app/fieldstandardhv.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/fieldstandardsummary.h"
#include "ui/windowaudit.h"
#include "charts/chartinteraction.h"
#include "charts/charts.h"

using namespace corvath::charts;

namespace corvath::ui {

namespace {

void markOwn(QObject* object) { object->setObjectName(kFieldStandardDrawingName); }

QCPGraph* addCurve(QCustomPlot* chart, const QString& name, const QVector<double>& f, const QVector<double>& v,
                   const QPen& pen) {
  QCPGraph* graph = chart->addGraph();
  markOwn(graph);
  graph->setName(name);
  graph->setPen(pen);
  graph->setLineStyle(QCPGraph::lsLine);
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
  graph->setData(f, v, true);
  return graph;
}

QVector<double> finiteCopy(const std::vector<double>& values) {
  QVector<double> out;
  out.reserve(static_cast<qsizetype>(values.size()));
  for (double v : values) out.push_back(std::isfinite(v) ? v : 0.0);
  return out;
}

}  // namespace

void ClearFieldStandard(QCustomPlot* chart) {
  for (int i = chart->plottableCount() - 1; i >= 0; --i)
    if (chart->plottable(i)->objectName() == QLatin1String(kFieldStandardDrawingName))
      chart->removePlottable(i);
  for (int i = chart->itemCount() - 1; i >= 0; --i)
    if (chart->item(i)->objectName() == QLatin1String(kFieldStandardDrawingName)) chart->removeItem(i);
  if (chart->xAxis->scaleType() == QCPAxis::stLogarithmic) {
    chart->xAxis->setScaleType(QCPAxis::stLinear);
    UseLinearLabels(chart->xAxis);
  }
}

void DrawFieldStandard(QCustomPlot* chart, const spectra::FieldStandardResult& result) {
  ClearFieldStandard(chart);
  const QVector<double> f = finiteCopy(result.frequenciesHz);
  double top = 0.0;
  // Window curves first, so the statistics lie on top of them.
  for (std::size_t w = 0; w < result.windows.size(); ++w) {
    const auto& window = result.windows[w];
    // Kept windows thin grey, rejected ones light red, named with why.
    const QPen pen = window.rejected ? QPen(QColor(240, 150, 150), 1) : QPen(QColor(160, 160, 160), 1);
    const QString why = window.rejected ? QString(" (%1)").arg(spectra::WindowFateWord(window.fate)) : QString();
    addCurve(chart, QString("H/V_wnd%1%2").arg(w + 1).arg(why), f, finiteCopy(window.ratio), pen);
    if (!window.rejected) top = std::max(top, *std::max_element(window.ratio.begin(), window.ratio.end()));
  }
  QCPGraph* lower = addCurve(chart, "H/V -sigma", f, finiteCopy(result.lower), QPen(QColor(0, 0, 0), 1, Qt::DashLine));
  QCPGraph* upper = addCurve(chart, "H/V +sigma", f, finiteCopy(result.upper), QPen(QColor(0, 0, 0), 1, Qt::DashLine));
  upper->setBrush(QColor(0, 0, 0, 40));
  upper->setChannelFillGraph(lower);
  addCurve(chart, "H/V", f, finiteCopy(result.mean), QPen(QColor(0, 0, 0), 3));
  top = std::max(top, *std::max_element(result.upper.begin(), result.upper.end()));

  // f0 ± sigma as a shaded band over the whole height.
  auto* band = new QCPItemRect(chart);
  markOwn(band);
  band->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
  band->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
  band->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
  band->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
  band->topLeft->setCoords(result.f0.lower(), 0.0);
  band->bottomRight->setCoords(result.f0.upper(), 1.0);
  band->setPen(QPen(QColor(200, 60, 60, 120)));
  band->setBrush(QColor(230, 80, 80, 50));
  auto* label = new QCPItemText(chart);
  markOwn(label);
  label->position->setTypeX(QCPItemPosition::ptPlotCoords);
  label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
  label->position->setCoords(result.f0.median(), 0.02);
  label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setText(QString("f0 = %1 Hz").arg(QString::fromStdString(spectra::DisplayNumber(result.f0.median()))));

  chart->xAxis->setScaleType(QCPAxis::stLogarithmic);
  UseLogarithmicLabels(chart->xAxis);
  chart->xAxis->setRange(result.frequenciesHz.front(), result.frequenciesHz.back());
  chart->yAxis->setRange(0.0, std::isfinite(top) && top > 0 ? top * 1.05 : 1.0);
  RememberHomeView(chart);  // double click and Home come back to this view
  chart->replot(QCustomPlot::rpQueuedReplot);
}

FieldStandardView::FieldStandardView(QWidget* parent) : QObject(parent) {
  method_ = new QComboBox(parent);
  method_->setObjectName("spectraMethod");
  method_->addItems({"Classic", "Field standard"});
  method_->setCurrentIndex(0);
  method_->setToolTip("How \"Calculate spectra\" computes the H/V ratio");

  panel_ = new QWidget(parent);
  panel_->setObjectName("fieldStandardPanel");
  auto* column = new QVBoxLayout(panel_);
  column->setContentsMargins(0, 0, 0, 0);
  // The fields keep their height and scroll when the window is small; the report
  // below takes what the splitter gives it.
  auto* fields = new QWidget;
  auto* form = new QFormLayout(fields);
  const app::FieldStandardSettings defaults;
  auto field = [&](QLineEdit*& edit, const char* name, const QString& label, double value) {
    edit = new QLineEdit(QString::fromStdString(numerics::NumberToText(0, value)), panel_);
    edit->setObjectName(name);
    form->addRow(label, edit);
  };
  field(windowLength, "fieldStandardWindow", "Window, s", defaults.windowLengthSeconds);
  field(overlap, "fieldStandardOverlap", "Overlap, %", defaults.overlapPercent);
  field(taper, "fieldStandardTaper", "Taper", defaults.taperFraction);
  field(bandwidth, "fieldStandardB", "K-O b", defaults.bandwidth);
  field(gridMin, "fieldStandardGridMin", "Grid from, Hz", defaults.gridMinHz);
  field(gridMax, "fieldStandardGridMax", "Grid to, Hz", defaults.gridMaxHz);
  field(gridPoints, "fieldStandardGridPoints", "Grid points", defaults.gridPoints);
  combine = new QComboBox(panel_);
  combine->setObjectName("fieldStandardCombine");
  for (const spectra::HorizontalCombinationEntry& entry : spectra::kHorizontalCombinations)
    combine->addItem(entry.name);
  form->addRow("Combine", combine);
  auto box = [&](QCheckBox*& check, const char* name, const QString& text, bool on, const QString& tip) {
    check = new QCheckBox(text, panel_);
    check->setObjectName(name);
    check->setChecked(on);
    check->setToolTip(tip);
    form->addRow(check);
  };
  box(reject, "fieldStandardReject", "Reject windows", defaults.reject,
      "Leave out windows whose f0 lies outside n sigma of the others'");
  field(rejectN, "fieldStandardRejectN", "n sigma", defaults.rejectionStdDevs);
  field(rejectPasses, "fieldStandardRejectPasses", "Passes", defaults.rejectionIterations);
  rejectPasses->setToolTip("The rejection repeats until no window goes, at most this many times");
  box(search, "fieldStandardSearch", "Peak search band", false,
      "Look for f0 only between these frequencies (otherwise over the whole grid)");
  field(searchMin, "fieldStandardSearchMin", "Search from, Hz", defaults.gridMinHz);
  field(searchMax, "fieldStandardSearchMax", "Search to, Hz", defaults.gridMaxHz);
  const spectra::StaLtaSettings staLtaDefaults;
  box(staLta, "fieldStandardStaLta", "STA/LTA windows", false,
      "Keep only windows whose STA/LTA ratio stays within min to max on every component");
  field(staSeconds, "fieldStandardSta", "STA, s", staLtaDefaults.staSeconds);
  field(ltaSeconds, "fieldStandardLta", "LTA, s", staLtaDefaults.ltaSeconds);
  field(staLtaMin, "fieldStandardStaLtaMin", "STA/LTA min", staLtaDefaults.minRatio);
  field(staLtaMax, "fieldStandardStaLtaMax", "STA/LTA max", staLtaDefaults.maxRatio);
  box(azimuths, "fieldStandardAzimuths", "Azimuths", false,
      "Also the H/V of each direction below 180 degrees, shown on the \"Azimuths\" tab");
  field(azimuthStep, "fieldStandardAzimuthStep", "Azimuth step, deg", 15.0);
  auto* fieldsScroll = new QScrollArea;
  fieldsScroll->setObjectName("fieldStandardFields");
  fieldsScroll->setWidgetResizable(true);
  fieldsScroll->setFrameShape(QFrame::NoFrame);
  fieldsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fieldsScroll->setWidget(fields);
  saveAction_ = new QAction("Save H/V results…", parent);
  saveAction_->setObjectName("saveFieldStandardAction");
  saveAction_->setStatusTip("The field-standard curve as a .hv file, or each window's fate, curves or the azimuths");
  saveAction_->setEnabled(false);
  report = new QPlainTextEdit(panel_);
  report->setObjectName("fieldStandardReport");
  report->setReadOnly(true);
  report->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  report->setPlaceholderText("Choose \"Field standard\" beside \"Calculate spectra\" and calculate.");
  // The result for the eye first; the lines of "corvath-cli hv" beside it.
  summary = new QTextBrowser(panel_);
  summary->setObjectName("fieldStandardSummary");
  summary->setPlaceholderText(report->placeholderText());
  auto* reportTabs = new QTabWidget(panel_);
  reportTabs->setObjectName("fieldStandardReportTabs");
  reportTabs->addTab(summary, "Summary");
  reportTabs->addTab(report, "Lines");
  auto* split = new QSplitter(Qt::Vertical, panel_);
  split->setObjectName("fieldStandardSplitter");
  split->setChildrenCollapsible(false);
  split->addWidget(fieldsScroll);
  split->addWidget(reportTabs);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  column->addWidget(split, 1);
}

QWidget* FieldStandardView::besideRatioChart(QWidget* ratioPane) {
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName("ratioSplitter");
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(ratioPane);
  splitter->addWidget(panel_);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  // The settings and the report take room only while "Field standard" is chosen.
  panel_->setVisible(chosen());
  QObject::connect(method_, &QComboBox::currentIndexChanged, panel_, [this] { panel_->setVisible(chosen()); });
  return splitter;
}

bool FieldStandardView::chosen() const { return method_->currentIndex() == 1; }

app::Result<app::FieldStandardSettings> FieldStandardView::readSettings() const {
  app::FieldStandardSettings s;
  const std::pair<const QLineEdit*, std::pair<const char*, double*>> fields[] = {
      {windowLength, {"Window, s", &s.windowLengthSeconds}},
      {overlap, {"Overlap, %", &s.overlapPercent}},
      {taper, {"Taper", &s.taperFraction}},
      {bandwidth, {"K-O b", &s.bandwidth}},
      {gridMin, {"Grid from, Hz", &s.gridMinHz}},
      {gridMax, {"Grid to, Hz", &s.gridMaxHz}},
      {rejectN, {"n sigma", &s.rejectionStdDevs}},
  };
  for (const auto& [edit, target] : fields) {
    const numerics::Result<double> value = numerics::NumberField(target.first, edit->text().toStdString());
    if (!value.done()) return value.outcome;
    *target.second = *value;
  }
  const numerics::Result<long long> points =
      numerics::WholeNumberField("Grid points", gridPoints->text().toStdString(), 2, 100000);
  if (!points.done()) return points.outcome;
  s.gridPoints = static_cast<int>(*points);
  const numerics::Result<long long> passes =
      numerics::WholeNumberField("Passes", rejectPasses->text().toStdString(), 1, 10000);
  if (!passes.done()) return passes.outcome;
  s.rejectionIterations = static_cast<int>(*passes);
  if (search->isChecked()) {
    spectra::FrequencyBand band;
    for (const auto& [edit, target] : {std::pair{searchMin, std::pair{"Search from, Hz", &band.lowHz}},
                                       std::pair{searchMax, std::pair{"Search to, Hz", &band.highHz}}}) {
      const numerics::Result<double> value = numerics::NumberField(target.first, edit->text().toStdString());
      if (!value.done()) return value.outcome;
      *target.second = *value;
    }
    s.search = band;
  }
  s.combination = spectra::kHorizontalCombinations.at(static_cast<std::size_t>(combine->currentIndex())).combination;
  s.reject = reject->isChecked();
  if (staLta->isChecked()) {
    spectra::StaLtaSettings bounds;
    const std::pair<const QLineEdit*, std::pair<const char*, double*>> staLtaFields[] = {
        {staSeconds, {"STA, s", &bounds.staSeconds}},
        {ltaSeconds, {"LTA, s", &bounds.ltaSeconds}},
        {staLtaMin, {"STA/LTA min", &bounds.minRatio}},
        {staLtaMax, {"STA/LTA max", &bounds.maxRatio}},
    };
    for (const auto& [edit, target] : staLtaFields) {
      const numerics::Result<double> value = numerics::NumberField(target.first, edit->text().toStdString());
      if (!value.done()) return value.outcome;
      *target.second = *value;
    }
    s.staLta = bounds;
  }
  if (azimuths->isChecked()) {
    const numerics::Result<double> step = numerics::NumberField("Azimuth step, deg", azimuthStep->text().toStdString());
    if (!step.done()) return step.outcome;
    s.azimuthStepDegrees = *step;
  }
  return s;
}

void FieldStandardView::showSettings(const app::FieldStandardSettings& s) {
  auto show = [](QLineEdit* edit, double value) {
    edit->setText(QString::fromStdString(numerics::NumberToShortestText(value)));
  };
  const std::pair<QLineEdit*, double> fields[] = {
      {windowLength, s.windowLengthSeconds}, {overlap, s.overlapPercent}, {taper, s.taperFraction},
      {bandwidth, s.bandwidth},              {gridMin, s.gridMinHz},      {gridMax, s.gridMaxHz},
      {rejectN, s.rejectionStdDevs}};
  for (const auto& [edit, value] : fields) show(edit, value);
  gridPoints->setText(QString::number(s.gridPoints));
  rejectPasses->setText(QString::number(s.rejectionIterations));
  search->setChecked(s.search.has_value());
  if (s.search) {
    show(searchMin, s.search->lowHz);
    show(searchMax, s.search->highHz);
  }
  for (std::size_t i = 0; i < spectra::kHorizontalCombinations.size(); ++i)
    if (spectra::kHorizontalCombinations[i].combination == s.combination) combine->setCurrentIndex(int(i));
  reject->setChecked(s.reject);
  staLta->setChecked(s.staLta.has_value());
  if (s.staLta) {
    show(staSeconds, s.staLta->staSeconds);
    show(ltaSeconds, s.staLta->ltaSeconds);
    show(staLtaMin, s.staLta->minRatio);
    show(staLtaMax, s.staLta->maxRatio);
  }
  azimuths->setChecked(s.azimuthStepDegrees.has_value());
  if (s.azimuthStepDegrees) show(azimuthStep, *s.azimuthStepDegrees);
}

void FieldStandardView::addAuditPages(QTabWidget& tabs, QCustomPlot* horizontalTimeSeries,
                                      QCustomPlot* verticalTimeSeries) {
  audit_ = new WindowAudit(horizontalTimeSeries, verticalTimeSeries, &tabs);
  tabs.addTab(audit_->windowsPage(), "Windows");
  tabs.addTab(audit_->azimuthsPage(), "Azimuths");
}

namespace {
const QStringList kSaveFilters{"H/V curve (*.hv)", "Windows and their fate (*.txt)", "Each window's curve (*.txt)",
                               "H/V of each azimuth (*.txt)"};
}  // namespace

QFileDialog* FieldStandardView::saveDialog() {
  if (!saveDialog_) {
    saveDialog_ = new QFileDialog(panel_->parentWidget(), "Save H/V results");
    saveDialog_->setObjectName("fieldStandardSaveDialog");
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setNameFilters(kSaveFilters);
  }
  return saveDialog_;
}

app::Outcome FieldStandardView::saveChosen(const app::Workspace& workspace) const {
  if (!saveDialog_ || saveDialog_->selectedFiles().isEmpty()) return app::Outcome::Unchanged();
  const qsizetype kind = std::max<qsizetype>(kSaveFilters.indexOf(saveDialog_->selectedNameFilter()), 0);
  QString path = saveDialog_->selectedFiles().front();
  if (QFileInfo(path).suffix().isEmpty()) path += kind == 0 ? ".hv" : ".txt";
  const std::string file = QFile::encodeName(path).toStdString();
  switch (kind) {
    case 1: return app::SaveWindowTable(workspace, file);
    case 2: return app::SaveWindowCurves(workspace, file);
    case 3: return app::SaveAzimuthTable(workspace, file);
    default: return app::SaveFieldStandardHvFile(workspace, file);
  }
}

void FieldStandardView::clearResult(QCustomPlot* ratioChart) {
  saveAction_->setEnabled(false);
  ClearFieldStandard(ratioChart);
  report->clear();
  summary->clear();
  if (audit_) audit_->clear();
}

app::Outcome FieldStandardView::calculate(app::Workspace& workspace, QCustomPlot* ratioChart) {
  const app::Result<app::FieldStandardSettings> settings = readSettings();
  if (!settings.done()) return settings.outcome;
  const app::Outcome outcome = app::CalculateFieldStandardHv(workspace, *settings);
  if (!outcome.done()) return outcome;
  showResult(workspace, ratioChart);
  return outcome;
}

void FieldStandardView::showResult(const app::Workspace& workspace, QCustomPlot* ratioChart) {
  if (!workspace.fieldStandardResult) return;
  DrawFieldStandard(ratioChart, *workspace.fieldStandardResult);
  if (audit_) audit_->show(workspace);
  saveAction_->setEnabled(true);
  // The same lines "corvath-cli hv" prints.
  std::ostringstream text;
  app::WriteFieldStandardReport(workspace, text, /*json=*/false);
  report->setPlainText(QString::fromStdString(text.str()));
  summary->setHtml(QString::fromStdString(
      spectra::FieldStandardSummaryHtml(spectra::SummarizeFieldStandard(*workspace.fieldStandardResult))));
}

}  // namespace corvath::ui
