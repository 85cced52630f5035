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
#include "numerics/settingtable.h"
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
  // Each field's caption and starting text come from its row of the settings' table.
  const app::FieldStandardSettings defaults;
  const auto& table = spectra::FieldStandardSettingTable();
  auto field = [&](QLineEdit*& edit, const char* name, const char* key) {
    const numerics::Setting<app::FieldStandardSettings>& row = *table.find(key);
    edit = new QLineEdit(QString::fromStdString(numerics::NumberToText(0, row.get(defaults))), panel_);
    edit->setObjectName(name);
    form->addRow(row.label, edit);
  };
  field(windowLength, "fieldStandardWindow", "window_length_s");
  field(overlap, "fieldStandardOverlap", "overlap_percent");
  field(taper, "fieldStandardTaper", "taper");
  field(bandwidth, "fieldStandardB", "ko_b");
  field(gridMin, "fieldStandardGridMin", "grid.min_hz");
  field(gridMax, "fieldStandardGridMax", "grid.max_hz");
  field(gridPoints, "fieldStandardGridPoints", "grid.points");
  combine = new QComboBox(panel_);
  combine->setObjectName("fieldStandardCombine");
  for (const spectra::HorizontalCombinationEntry& entry : spectra::kHorizontalCombinations)
    combine->addItem(entry.name);
  form->addRow(table.find("combine")->label, combine);
  auto box = [&](QCheckBox*& check, const char* name, const QString& text, bool on, const QString& tip) {
    check = new QCheckBox(text, panel_);
    check->setObjectName(name);
    check->setChecked(on);
    check->setToolTip(tip);
    form->addRow(check);
  };
  box(reject, "fieldStandardReject", "Reject windows", defaults.reject,
      "Leave out windows whose f0 lies outside n sigma of the others'");
  field(rejectN, "fieldStandardRejectN", "reject");
  field(rejectPasses, "fieldStandardRejectPasses", "reject_passes");
  rejectPasses->setToolTip("The rejection repeats until no window goes, at most this many times");
  box(search, "fieldStandardSearch", "Peak search band", defaults.search.has_value(),
      "Look for f0 only between these frequencies (otherwise over the whole grid)");
  field(searchMin, "fieldStandardSearchMin", "search.min_hz");
  field(searchMax, "fieldStandardSearchMax", "search.max_hz");
  box(staLta, "fieldStandardStaLta", "STA/LTA windows", defaults.staLta.has_value(),
      "Keep only windows whose STA/LTA ratio stays within min to max on every component");
  field(staSeconds, "fieldStandardSta", "sta_lta.sta_s");
  field(ltaSeconds, "fieldStandardLta", "sta_lta.lta_s");
  field(staLtaMin, "fieldStandardStaLtaMin", "sta_lta.min");
  field(staLtaMax, "fieldStandardStaLtaMax", "sta_lta.max");
  box(azimuths, "fieldStandardAzimuths", "Azimuths", defaults.azimuthStepDegrees.has_value(),
      "Also the H/V of each direction below 180 degrees, shown on the \"Azimuths\" tab");
  field(azimuthStep, "fieldStandardAzimuthStep", "azimuth_step_deg");
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

std::vector<std::pair<const char*, QLineEdit*>> FieldStandardView::fieldsByKey() const {
  return {{"window_length_s", windowLength}, {"overlap_percent", overlap},  {"taper", taper},
          {"ko_b", bandwidth},               {"grid.min_hz", gridMin},      {"grid.max_hz", gridMax},
          {"grid.points", gridPoints},       {"search.min_hz", searchMin},  {"search.max_hz", searchMax},
          {"reject", rejectN},               {"sta_lta.sta_s", staSeconds}, {"sta_lta.lta_s", ltaSeconds},
          {"sta_lta.min", staLtaMin},        {"sta_lta.max", staLtaMax},    {"azimuth_step_deg", azimuthStep},
          {"reject_passes", rejectPasses}};
}

app::Result<app::FieldStandardSettings> FieldStandardView::readSettings() const {
  const auto& table = spectra::FieldStandardSettingTable();
  app::FieldStandardSettings s;
  // The boxes first: a field counts only while its box is ticked.
  s.reject = reject->isChecked();
  if (search->isChecked()) table.group("search")->switchOn(s);
  if (staLta->isChecked()) table.group("sta_lta")->switchOn(s);
  if (azimuths->isChecked()) s.azimuthStepDegrees = spectra::kAzimuthStepDegreesWhenOn;
  table.find("combine")->set(s, combine->currentIndex());
  for (const auto& [key, edit] : fieldsByKey()) {
    const numerics::Setting<app::FieldStandardSettings>& row = *table.find(key);
    if (!table.counts(row, s)) continue;
    const numerics::Result<double> value = numerics::SettingField(row, row.label, edit->text().toStdString());
    if (!value.done()) return value.outcome;
    row.set(s, *value);
  }
  return s;
}

void FieldStandardView::showSettings(const app::FieldStandardSettings& s) {
  const auto& table = spectra::FieldStandardSettingTable();
  for (const auto& [key, edit] : fieldsByKey()) {
    const numerics::Setting<app::FieldStandardSettings>& row = *table.find(key);
    // An unticked box's fields keep their text, except the rejection's n, shown always.
    if (!table.counts(row, s) && row.key != std::string_view("reject")) continue;
    edit->setText(QString::fromStdString(numerics::NumberToShortestText(row.get(s))));
  }
  combine->setCurrentIndex(static_cast<int>(table.find("combine")->get(s)));
  reject->setChecked(s.reject);
  search->setChecked(s.search.has_value());
  staLta->setChecked(s.staLta.has_value());
  azimuths->setChecked(s.azimuthStepDegrees.has_value());
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
