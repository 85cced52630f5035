#include "ui/mainwindow.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "app/commands.h"
#include "charts/chartinteraction.h"
#include "charts/charts.h"
#include "charts/curvelegend.h"
#include "charts/palette.h"
#include "charts/spectradrawing.h"
#include "numerics/numberfield.h"
#include "ui/backgroundstatus.h"
#include "ui/channelsdialog.h"
#include "ui/chartmenu.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/busycursor.h"
#include "ui/controllers/inversioncontroller.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/fieldstandardview.h"
#include "ui/inversionpanel.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/modeltableview.h"
#include "ui/recordcurve.h"
#include "ui/settingsdialog.h"
#include "ui/timerange.h"
#include "ui/toolbaricons.h"
#include "ui/windowbands.h"

using namespace corvath::charts;

namespace corvath::ui {
namespace {

// The filters of the save dialog, in the order of the result file types.
const QStringList kResultFilters{"Spectrum to text file (*.txt)", "Spectrum to Excel file (*.xlsx)",
                                 "Model to text file (*.txt)"};
const app::ResultFileType kResultTypes[] = {app::ResultFileType::SpectrumText, app::ResultFileType::SpectrumWorkbook,
                                            app::ResultFileType::ModelText};

// The record kinds of the open dialog, in the order of its filters.
std::vector<const import::RecordFormatInfo*> DialogFormats() {
  std::vector<const import::RecordFormatInfo*> formats;
  for (const import::RecordFormatInfo& info : import::RecordFormats())
    if (!info.patterns.empty()) formats.push_back(&info);
  return formats;
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QWidget* ChartWithLegend(QCustomPlot* chart, CurveLegend* legend, QWidget* parent) {
  auto* holder = new QWidget(parent);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  row->addWidget(chart, 1);
  row->addWidget(legend);
  return holder;
}

QSplitter* Splitter(Qt::Orientation orientation, const char* name, QWidget* parent = nullptr) {
  auto* splitter = new QSplitter(orientation, parent);
  splitter->setObjectName(name);
  splitter->setChildrenCollapsible(false);
  return splitter;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TForm1");
  setWindowTitle("Corvath method");
  setWindowIcon(DrawnIcon(IconKind::CalculateSpectra));

  runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
  showMessage_ = [this](const QString& text, const QString& informative) {
    QMessageBox box(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
    box.setInformativeText(informative);
    // Wide enough for a path on one line.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
      grid->addItem(new QSpacerItem(560, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                    grid->columnCount());
    box.exec();
  };
  askText_ = [this](const QString& caption, const QString& label, const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(this, caption, label, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : defaultText;
  };
  askQuestion_ = [this](const QString& text) {
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  };

  record_ = new RecordController(workspace_, this);
  spectra_ = new SpectraController(workspace_, this);
  inversion_ = new InversionController(workspace_, this);
  fieldStandard_ = new FieldStandardView(this);  // before the toolbar and the Ratio tab
  createActions();
  buildToolBar();
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabs");
  tabs_->addTab(buildTimeSeriesTab(), "Time series");
  tabs_->addTab(buildSpectraTab(), "Spectra");
  tabs_->addTab(buildRatioTab(), "Ratio");
  inversionTab_ = buildInversionTab();
  tabs_->addTab(inversionTab_, "1D inversion");
  tabs_->setCurrentIndex(0);
  setCentralWidget(tabs_);
  // "Save image as…" and "Copy" on every chart.
  for (QCustomPlot* chart : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_, horizontalSpectraChart_,
                             verticalSpectraChart_, ratioChart_, profileChart_})
    new ChartImageMenu(chart);
  buildStatusBar();
  createDialogs();
  connectControllers();
  showModel();  // the model is built by the workspace
  setAcceptDrops(true);
  resize(868, 563);
}

MainWindow::~MainWindow() = default;

void MainWindow::createActions() {
  struct Command {
    QAction*& action;
    const char* name;
    const char* hint;
    IconKind icon;
    bool checkable;
    QKeySequence shortcut;
    void (MainWindow::*slot)();
  };
  const Command commands[] = {
      {loadComponentsAction_, "SpeedButton1", "Load components", IconKind::LoadComponents, false,
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), &MainWindow::loadComponents},
      {loadRecordFileAction_, "SpeedButton8", "Load saf/sg2 file", IconKind::LoadRecordFile, false,
       QKeySequence::Open, &MainWindow::loadRecordFile},
      {saveResultsAction_, "SpeedButton10", "Save results", IconKind::SaveResults, false, QKeySequence::Save,
       &MainWindow::saveResults},
      {addWindowAction_, "SpeedButton2", "Add window", IconKind::AddWindow, true, QKeySequence(), nullptr},
      {removeWindowAction_, "SpeedButton4", "Remove window", IconKind::RemoveWindow, true, QKeySequence(), nullptr},
      {zoomInAction_, "SpeedButton5", "Zoom in", IconKind::ZoomIn, false, QKeySequence::ZoomIn, &MainWindow::zoomIn},
      {zoomOutAction_, "SpeedButton3", "Zoom out", IconKind::ZoomOut, false, QKeySequence::ZoomOut,
       &MainWindow::zoomOut},
      {removeZeroAction_, "SpeedButton9", "Remove zero", IconKind::ZoomOut, false, QKeySequence(),
       &MainWindow::removeZero},
      {smoothedSpectraAction_, "SpeedButton6", "Smoothed spectra", IconKind::SmoothedSpectra, true, QKeySequence(),
       nullptr},
      {calculateSpectraAction_, "SpeedButton7", "Calculate spectra", IconKind::CalculateSpectra, false,
       QKeySequence(Qt::Key_F5), &MainWindow::calculateSpectra},
  };
  for (const Command& c : commands) {
    c.action = new QAction(CommandIcon(c.icon), c.hint, this);
    c.action->setObjectName(c.name);
    c.action->setCheckable(c.checkable);
    c.action->setShortcut(c.shortcut);
    c.action->setToolTip(c.hint);
    c.action->setStatusTip(c.hint);
    if (c.slot) connect(c.action, &QAction::triggered, this, c.slot);
  }
  // "Remove zero" is a bold "0".
  removeZeroAction_->setIcon(QIcon());
  removeZeroAction_->setIconText("0");
  smoothedSpectraAction_->setChecked(workspace_.logAveraging);
  connect(smoothedSpectraAction_, &QAction::toggled, this, [this](bool on) { app::SetLogAveraging(workspace_, on); });
  saveResultsAction_->setEnabled(false);  // nothing to save before the first "Calculate spectra"

  workspaceCommands_ = new QActionGroup(this);
  workspaceCommands_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (QAction* action : {loadComponentsAction_, loadRecordFileAction_, addWindowAction_, removeWindowAction_,
                          removeZeroAction_, calculateSpectraAction_})
    workspaceCommands_->addAction(action);
}

void MainWindow::buildToolBar() {
  auto* bar = addToolBar("Commands");
  bar->setObjectName("toolBar");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setIconSize(QSize(24, 24));
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const std::vector<QAction*> groups[] = {
      {loadComponentsAction_, loadRecordFileAction_, saveResultsAction_},
      {addWindowAction_, removeWindowAction_},
      {zoomInAction_, zoomOutAction_, removeZeroAction_},
      {smoothedSpectraAction_, calculateSpectraAction_},
  };
  for (const auto& group : groups) {
    if (&group != &groups[0]) bar->addSeparator();
    for (QAction* action : group) {
      bar->addAction(action);
      // The button carries the command's name too, so it can be found and clicked.
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
      button->setObjectName(action->objectName());
      button->setAutoRaise(true);
    }
  }
  bar->addWidget(fieldStandard_->methodChoice());  // the choice beside "Calculate spectra"
  // The zoom factor in view, beside the zoom buttons.
  zoomLabel_ = new QLabel(bar);
  zoomLabel_->setObjectName("zoomFactorLabel");
  zoomLabel_->setMinimumWidth(zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("\u00D710.0")) + 6);
  zoomLabel_->setAlignment(Qt::AlignCenter);
  bar->insertWidget(removeZeroAction_, zoomLabel_);
  auto* zero = qobject_cast<QToolButton*>(bar->widgetForAction(removeZeroAction_));
  QFont bold = zero->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.5);
  zero->setFont(bold);
  zero->setToolButtonStyle(Qt::ToolButtonTextOnly);
  zero->setMinimumSize(30, 30);
}

void MainWindow::buildStatusBar() {
  statusBar()->setObjectName("statusBar");  // what a command answered is told here
  recordInfo_ = new QLabel(this);
  recordInfo_->setObjectName("recordInfo");
  statusBar()->addPermanentWidget(recordInfo_);
  backgroundStatus_ = new BackgroundStatus(this);  // a long load or calculation, its progress and Cancel
  statusBar()->addWidget(backgroundStatus_);
}

void MainWindow::createDialogs() {
  // Made once and reused, so their fields keep their contents.
  loadComponentsDialog_ = new LoadComponentsDialog(this);
  settingsDialog_ = new SettingsDialog(this);
  channelsDialog_ = new ChannelsDialog(this);
  recordFileDialog_ = new QFileDialog(this, "Open");
  recordFileDialog_->setObjectName("recordFileDialog");
  recordFileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  recordFileDialog_->setFileMode(QFileDialog::AnyFile);
  QStringList filters;
  for (const import::RecordFormatInfo* info : DialogFormats()) filters << Text(import::DialogFilter(*info));
  recordFileDialog_->setNameFilters(filters);
  // miniSEED and SAC take several files (SAC one a component, miniSEED one or three).
  connect(recordFileDialog_, &QFileDialog::filterSelected, this, [this, filters](const QString& filter) {
    const int type = static_cast<int>(filters.indexOf(filter));
    const bool several = type >= 0 && DialogFormats()[static_cast<std::size_t>(type)]->files != 1;
    recordFileDialog_->setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
  });
  saveResultsDialog_ = new QFileDialog(this, "Save results");
  saveResultsDialog_->setObjectName("SaveDialog1");
  saveResultsDialog_->setAcceptMode(QFileDialog::AcceptSave);
  saveResultsDialog_->setFileMode(QFileDialog::AnyFile);
  saveResultsDialog_->setOption(QFileDialog::DontConfirmOverwrite);
  saveResultsDialog_->setNameFilters(kResultFilters);
}

void MainWindow::connectControllers() {
  record_->setChannelQuestion(
      [this](import::RecordFormat format, int traceCount) -> std::optional<import::ChannelChoice> {
        channelsDialog_->setFileKind(format);
        channelsDialog_->setChannelLimit(traceCount);
        if (runDialog_(*channelsDialog_) != QDialog::Accepted) return std::nullopt;
        return channelsDialog_->choice();
      });
  connect(record_, &RecordController::loaded, this, &MainWindow::recordLoaded);
  connect(spectra_, &SpectraController::calculated, this, &MainWindow::spectraCalculated);
  for (BackgroundWork* work : {&record_->work(), &spectra_->work()}) {
    backgroundStatus_->watch(*work);
    connect(work, &BackgroundWork::started, this, [this] { setWorkspaceCommandsEnabled(false); });
    connect(work, &BackgroundWork::ended, this, [this] { setWorkspaceCommandsEnabled(true); });
  }
  connect(windowBands_, &WindowBandController::modesChanged, this, [this] {
    addWindowAction_->setChecked(workspace_.windows.addMode);  // checked toggles are drawn flat
    removeWindowAction_->setChecked(workspace_.windows.removeMode);
  });
  connect(addWindowAction_, &QAction::triggered, windowBands_, &WindowBandController::toggleAddMode);
  connect(removeWindowAction_, &QAction::triggered, windowBands_, &WindowBandController::toggleRemoveMode);
  connect(inversion_, &InversionController::progressed, panel_->progress, &QProgressBar::setValue);
  connect(inversion_, &InversionController::stateShown, this, &MainWindow::showInversionState);
  connect(inversion_, &InversionController::curveShown, this, &MainWindow::drawTheoreticalCurve);
  connect(inversion_, &InversionController::finished, this, &MainWindow::inversionFinished);
}

void MainWindow::setWorkspaceCommandsEnabled(bool enabled) {
  workspaceCommands_->setEnabled(enabled);
  panel_->layersNumber->setEnabled(enabled);
  modelView_->setEditable(enabled);
}

void MainWindow::setBackgroundThresholds(qint64 loadBytes, std::size_t samples) {
  record_->setBackgroundBytes(loadBytes);
  spectra_->setBackgroundSamples(samples);
}

bool MainWindow::backgroundRunning() const { return record_->work().running() || spectra_->work().running(); }

bool MainWindow::inversionRunning() const { return inversion_->running(); }

QWidget* MainWindow::buildTimeSeriesTab() {
  // Both charts at the pane's width over one time range, a scroll bar along the record below them.
  auto* page = new QWidget;
  page->setObjectName("timeSeriesPage");
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QSplitter* splitter = Splitter(Qt::Vertical, "timeSeriesSplitter", page);
  horizontalTimeSeriesChart_ = MakeChart("Chart1", "Horizontal time series", splitter);
  verticalTimeSeriesChart_ = MakeChart("Chart2", "Vertical time series", splitter);
  for (QCustomPlot* chart : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    chart->xAxis->setLabel("t,sec");
    splitter->addWidget(chart);
    splitter->setStretchFactor(splitter->indexOf(chart), 1);
  }
  auto* timeScrollBar = new QScrollBar(Qt::Horizontal, page);
  timeScrollBar->setObjectName("timeScrollBar");
  column->addWidget(splitter, 1);
  column->addWidget(timeScrollBar);

  using import::Component;
  const struct {
    Component component;
    QCustomPlot* chart;
    const char* name;
  } curves[3] = {{Component::X, horizontalTimeSeriesChart_, "X"},
                 {Component::Y, horizontalTimeSeriesChart_, "Y"},
                 {Component::Z, verticalTimeSeriesChart_, "Z"}};
  for (const auto& c : curves) {
    auto* curve = new RecordCurve(c.chart->xAxis, c.chart->yAxis, &workspace_.record.samples(c.component));
    curve->setName(c.name);
    curve->setPen(QPen(ComponentColour(c.component), 1));
    recordCurves_[static_cast<int>(c.component)] = curve;
  }
  windowBands_ = new WindowBandController(horizontalTimeSeriesChart_, verticalTimeSeriesChart_, workspace_, this);
  timeRange_ = new TimeRangeLink({horizontalTimeSeriesChart_, verticalTimeSeriesChart_}, workspace_, timeScrollBar,
                                 zoomLabel_, this);
  return page;
}

QWidget* MainWindow::buildSpectraTab() {
  QSplitter* splitter = Splitter(Qt::Vertical, "spectraSplitter");
  horizontalSpectraChart_ = MakeChart("Chart3", "Horizontal spectra", nullptr);
  verticalSpectraChart_ = MakeChart("Chart4", "Vertical spectra", nullptr);
  horizontalSpectraLegend_ = new CurveLegend(horizontalSpectraChart_);
  horizontalSpectraLegend_->setObjectName("Chart3Legend");
  verticalSpectraLegend_ = new CurveLegend(verticalSpectraChart_);
  verticalSpectraLegend_->setObjectName("Chart4Legend");
  const std::pair<QCustomPlot*, CurveLegend*> charts[] = {{horizontalSpectraChart_, horizontalSpectraLegend_},
                                                          {verticalSpectraChart_, verticalSpectraLegend_}};
  for (const auto& [chart, legend] : charts) {
    chart->xAxis->setLabel("f,Hz");
    chart->xAxis->setRange(0, 100);
    UseLogarithmicLabels(chart->yAxis);
    chart->yAxis->setRange(0.1, 1000);
    EnableChartNavigation(chart);  // wheel, drag, double click and Home
    splitter->addWidget(ChartWithLegend(chart, legend, splitter));
    splitter->setStretchFactor(splitter->count() - 1, 1);
  }
  AlignPlotAreas({horizontalSpectraChart_, verticalSpectraChart_});  // one frequency axis above the other
  return splitter;
}

QWidget* MainWindow::buildRatioTab() {
  // The same chart as the batch command's picture: "H/Z", then "H/Zc".
  ratioChart_ = MakeRatioChart(nullptr);
  theoreticalRatioGraph_ = ratioChart_->graph(1);
  EnableChartNavigation(ratioChart_);
  ratioLegend_ = new CurveLegend(ratioChart_);
  ratioLegend_->setObjectName("Chart5Legend");
  // The field-standard settings and report on the right of the ratio chart.
  return fieldStandard_->besideRatioChart(ChartWithLegend(ratioChart_, ratioLegend_, nullptr));
}

QWidget* MainWindow::buildInversionTab() {
  QSplitter* splitter = Splitter(Qt::Horizontal, "inversionSplitter");
  profileChart_ = MakeChart("Chart6", QString(), splitter);
  splitter->addWidget(profileChart_);
  auto* right = new QWidget(splitter);
  auto* column = new QVBoxLayout(right);
  column->setContentsMargins(0, 0, 0, 0);
  panel_ = new InversionPanel(right);
  modelTable_ = new QTableWidget(right);
  modelTable_->setObjectName("parameterTable");
  modelView_ = new ModelTableController(modelTable_, profileChart_, workspace_, this);
  column->addWidget(panel_);
  column->addWidget(modelTable_, 1);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  splitter->setSizes({330, 530});
  connect(panel_->layersNumber, &QSpinBox::valueChanged, modelView_, &ModelTableController::setLayerCount);
  // "Iter number" redraws the table (the layer count stays).
  connect(panel_->iterNumber, &QSpinBox::valueChanged, this,
          [this] { modelView_->setLayerCount(panel_->layersNumber->value()); });
  connect(modelView_, &ModelTableController::cellEditRefused, this,
          [this](const QString& reason) { statusBar()->showMessage(reason, 8000); });
  connect(modelView_, &ModelTableController::cellValueAccepted, this, [this] { statusBar()->clearMessage(); });
  connect(modelView_, &ModelTableController::parameterSettingsRequested, this, [this](int p) {
    EditParameterSettings(*settingsDialog_, runDialog_, workspace_, p);
    modelView_->showModelTable();
  });
  connect(panel_->startButton, &QToolButton::clicked, this, &MainWindow::startInversion);
  return splitter;
}

void MainWindow::showModel() { modelView_->showModelTable(); }

void MainWindow::refreshLegends() {
  for (CurveLegend* legend : {horizontalSpectraLegend_, verticalSpectraLegend_, ratioLegend_}) legend->refresh();
}

void MainWindow::showRecord() {
  int leftMargin = 0;
  for (QCustomPlot* plot : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    bool any = false;
    for (int i = 0; i < plot->plottableCount(); ++i) {
      bool found = false;
      plot->plottable(i)->getKeyRange(found);
      any = any || found;
    }
    if (any) plot->rescaleAxes();
    plot->axisRect()->setMinimumMargins(QMargins(0, 0, 0, 0));
    plot->replot();
    leftMargin = std::max(leftMargin, plot->axisRect()->margins().left());
  }
  // The same left margin on both charts keeps their time axes one above the other.
  for (QCustomPlot* plot : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    plot->axisRect()->setMinimumMargins(QMargins(leftMargin, 0, 0, 0));
    plot->replot();
  }
  timeRange_->recordChanged();  // the new record at the current zoom factor
}

void MainWindow::showFailure(const app::Outcome& outcome) {
  const QString message = QString::fromLocal8Bit(outcome.message.c_str());
  const QString file = QFile::decodeName(outcome.path.c_str());
  showMessage_(message, message.contains(file) ? QString() : file);  // the file is named once
}

void MainWindow::report(const QString& command, const app::Outcome& outcome) {
  if (outcome.message.empty())
    statusBar()->clearMessage();
  else if (outcome.done())
    statusBar()->showMessage(QString::fromLocal8Bit(outcome.message.c_str()));
  else
    statusBar()->showMessage(QString("%1: %2").arg(command, Text(outcome.message)));
}

void MainWindow::loadComponents() {
  // Cancelling changes nothing; a record replaces the old one only when all three files were read.
  if (runDialog_(*loadComponentsDialog_) != QDialog::Accepted) return;
  std::vector<std::string> paths;
  for (int component = 0; component < 3; ++component)
    paths.push_back(LocalPath(loadComponentsDialog_->fileName(component)));
  record_->load(import::RecordFormat::Components, paths);
}

void MainWindow::loadRecordFile() {
  if (runDialog_(*recordFileDialog_) != QDialog::Accepted) return;
  const QStringList files = recordFileDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  const std::vector<const import::RecordFormatInfo*> formats = DialogFormats();
  const auto type = recordFileDialog_->nameFilters().indexOf(recordFileDialog_->selectedNameFilter());
  const import::RecordFormatInfo& info = *formats[type < 0 ? 0 : static_cast<std::size_t>(type)];
  std::vector<std::string> paths;
  for (const QString& file : files) {
    paths.push_back(LocalPath(file));
    if (info.files == 1) break;
  }
  record_->load(info.format, paths);
}

void MainWindow::loadDroppedFiles(const QStringList& paths) {
  if (!loadComponentsAction_->isEnabled()) return;  // a run holds the record
  QStringList sorted = paths;
  sorted.sort();  // three component files dropped together: X, Y, Z in name order
  std::vector<std::string> files;
  for (const QString& path : sorted) files.push_back(LocalPath(path));
  if (const app::Outcome outcome = record_->loadByExtension(files); !outcome.done()) report("Drop", outcome);
}

void MainWindow::recordLoaded(const app::Outcome& outcome) {
  if (outcome.failed()) return showFailure(outcome);
  // Nothing usable in the file, or a cancel: everything stays, and the status bar says why.
  if (!outcome.done()) return report(QString(), app::Outcome::Done(outcome.message));
  windowBands_->refresh();  // the load deleted every window
  theoreticalRatioGraph_->data()->clear();
  ratioChart_->replot();
  showModel();
  showRecord();
  recordInfo_->setText(record_->summary());
  // What a reader left out or assumed (gaps, overlaps, a sampling rate), or nothing.
  report(QString(), outcome);
}

void MainWindow::saveResults() {
  if (!workspace_.spectraResult) return;
  if (runDialog_(*saveResultsDialog_) != QDialog::Accepted) return;
  const QStringList files = saveResultsDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  const auto filter = kResultFilters.indexOf(saveResultsDialog_->selectedNameFilter());
  const app::ResultFileType type = kResultTypes[filter < 0 ? 0 : filter];
  const std::string path = app::ResultFileName(LocalPath(files.front()), type);
  const QString finalName = QFile::decodeName(path.c_str());
  saveResultsDialog_->selectFile(finalName);  // offered again the next time
  // The question is about the name the file really gets, after the extension rule.
  if (QFileInfo::exists(finalName) &&
      !askQuestion_(QString("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(finalName).fileName())))
    return;
  app::SaveRequest request{type, path, {}};
  if (type == app::ResultFileType::ModelText) request.shownTable = ModelTableTexts(*modelTable_);
  app::Outcome outcome;
  {
    BusyCursor busy;
    outcome = app::SaveResults(workspace_, request);
  }
  // A failure, or the notice that the workbook became a comma-separated file.
  if (outcome.failed() || !outcome.message.empty()) showFailure(outcome);
}

void MainWindow::zoomIn() {
  app::ZoomIn(workspace_);
  timeRange_->applyZoomFactor();  // the visible span is the whole record / zoomFactor
}

void MainWindow::zoomOut() {
  app::ZoomOut(workspace_);
  timeRange_->applyZoomFactor();
}

void MainWindow::removeZero() {
  app::Outcome refused;
  const app::Outcome outcome = record_->removeZero([this, &refused]() -> std::optional<double> {
    const numerics::Result<double> size =
        numerics::NumberField("Window size", askText_("Set window size", "5-200", "100").toStdString());
    if (!size.done()) refused = size.outcome;
    return size.value;
  });
  if (refused.failed()) return report("Remove zero", refused);
  if (!outcome.done()) return;
  // The offset is gone: the amplitude axes follow the new values, the time axes stay.
  for (QCustomPlot* plot : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    plot->yAxis->rescale();
    plot->replot();
  }
}

void MainWindow::calculateSpectra() {
  if (tabs_->currentWidget() == inversionTab_) {
    // Here the command serves the theoretical curve; the spectra and the ratio stay.
    const auto [settings, read] =
        panel_->forwardModelSettings({workspace_.referenceFrequency, workspace_.dispersionExponent});
    return spectra_->calculateTheoreticalCurve(settings, read);
  }
  if (fieldStandard_->chosen()) {
    app::FieldStandardSettings settings;
    if (const app::Outcome read = fieldStandard_->readSettings(settings); !read.done())
      return spectraCalculated(SpectraController::Method::FieldStandard, read);
    return spectra_->calculateFieldStandard(settings);
  }
  const app::Result<app::SpectraSettings> settings = panel_->spectraSettings(workspace_.logAveraging);
  if (!settings.done()) return spectraCalculated(SpectraController::Method::Classic, settings.outcome);
  spectra_->calculate(*settings);
}

void MainWindow::spectraCalculated(SpectraController::Method method, const app::Outcome& outcome) {
  using Method = SpectraController::Method;
  if (method == Method::TheoreticalCurve) {
    if (outcome.done()) drawTheoreticalCurve(workspace_.theoreticalCurve);
    return report("Calculate spectra", outcome);
  }
  if (method == Method::FieldStandard) {
    if (outcome.done()) fieldStandard_->showResult(workspace_, ratioChart_);
    ratioLegend_->refresh();
    return report("Calculate spectra", outcome);
  }
  if (outcome.unchanged()) return report("Calculate spectra", outcome);  // cancelled: everything stays
  if (outcome.done() && workspace_.spectraResult) {
    ClearFieldStandard(ratioChart_);  // its curves leave with the classic ones
    DrawSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_, *workspace_.spectraResult);
    saveResultsAction_->setEnabled(true);
  } else {
    // No curves of an earlier computation stay in view as if they were this record's;
    // the stored result stays for "Save results".
    ClearSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_);
  }
  refreshLegends();
  report("Calculate spectra", outcome);
  // A largest value at an end of the band is said to be no peak.
  if (outcome.done() && workspace_.spectraResult)
    if (const QString notice = PeakNotice(workspace_.spectraResult->ratio); !notice.isEmpty())
      statusBar()->showMessage(notice);
}

void MainWindow::drawTheoreticalCurve(const numerics::arofcomplexM& curve) {
  QVector<double> frequencies;
  QVector<double> ratios;
  for (const numerics::Complex& point : curve) {
    frequencies.push_back(point.re);
    ratios.push_back(point.im);
  }
  theoreticalRatioGraph_->setData(frequencies, ratios, true);
  ratioChart_->replot(QCustomPlot::rpQueuedReplot);
}

void MainWindow::startInversion() {
  if (backgroundRunning()) return;  // a load or calculation is under way
  if (inversion_->running()) return inversion_->requestStop();
  const app::Result<app::InversionRequest> request = panel_->inversionRequest();
  const app::Outcome outcome = request.done() ? inversion_->start(*request) : request.outcome;
  if (!outcome.done()) return report("Start inversion", outcome);
  statusBar()->clearMessage();
  setWorkspaceCommandsEnabled(false);
  panel_->progress->setValue(0);
  panel_->setRunning(true);
}

void MainWindow::showInversionState(const inversion::InversionSnapshot& snapshot, bool showsReference,
                                    bool showsExponent) {
  ShowModelTable(*modelTable_, snapshot.state.model);
  ShowProfile(*profileChart_, snapshot.state.model, workspace_.modelTables.SelectedParameter);
  drawTheoreticalCurve(snapshot.theoreticalCurve);
  panel_->showForwardModelValues(snapshot.state.referenceFrequency, snapshot.state.dispersionExponent, showsReference,
                                 showsExponent);
}

void MainWindow::inversionFinished(const app::Outcome& outcome, bool completed) {
  panel_->setRunning(false);
  setWorkspaceCommandsEnabled(true);
  showModel();
  drawTheoreticalCurve(workspace_.theoreticalCurve);
  if (outcome.done()) {
    panel_->showForwardModelValues(workspace_.referenceFrequency, workspace_.dispersionExponent,
                                   inversion_->optimizesReference(), inversion_->optimizesExponent());
    if (completed) panel_->progress->setValue(100);
  }
  report("Start inversion", outcome);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && loadComponentsAction_->isEnabled()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  loadDroppedFiles(paths);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  inversion_->stopAndWait();
  record_->work().cancelAndWait();
  spectra_->work().cancelAndWait();
  QMainWindow::closeEvent(event);
}

}  // namespace corvath::ui
