#include "ui/mainwindow.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "app/fields.h"
#include "numerics/numbertext.h"
#include "ui/backgroundtask.h"
#include "ui/channelsdialog.h"
#include "charts/chartinteraction.h"
#include "ui/chartmenu.h"
#include "charts/charts.h"
#include "charts/curvelegend.h"
#include "ui/fieldstandardview.h"
#include "ui/inversionpanel.h"
#include "ui/inversionrunner.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/modeltableview.h"
#include "charts/palette.h"
#include "ui/recordcurve.h"
#include "ui/settingsdialog.h"
#include "charts/spectradrawing.h"
#include "ui/timerange.h"
#include "ui/toolbaricons.h"
#include "ui/windowbands.h"

using namespace corvath::charts;

namespace corvath::ui {
namespace {

// The filters of the record-file dialog, in the order the readers are chosen by.
// miniSEED and SAC take several files (SAC one a component, miniSEED one or three).
const QStringList kRecordFilters{"SAF files (*.saf)", "SEG2 files (*seg2 *.sg2)", "Delta files (*.dat)",
                                 "miniSEED files (*.mseed *.miniseed *.msd)", "SAC files (*.sac)"};
const import::RecordFormat kRecordFormats[] = {import::RecordFormat::Saf, import::RecordFormat::Seg2,
                                               import::RecordFormat::Delta, import::RecordFormat::MiniSeed,
                                               import::RecordFormat::Sac};
bool TakesSeveralFiles(import::RecordFormat format) {
  return format == import::RecordFormat::MiniSeed || format == import::RecordFormat::Sac;
}

// The filters of the save dialog, in the order of the result file types.
const QStringList kResultFilters{"Spectrum to text file (*.txt)", "Spectrum to Excel file (*.xlsx)",
                                 "Model to text file (*.txt)"};
const app::ResultFileType kResultTypes[] = {app::ResultFileType::SpectrumText, app::ResultFileType::SpectrumWorkbook,
                                            app::ResultFileType::ModelText};

// The window-size question of "Remove zero".
const QString kRemoveZeroCaption = "Set window size";
const QString kRemoveZeroPrompt = "5-200";
const QString kRemoveZeroDefault = "100";

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A wait cursor while a command works; restored before any message appears.
class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QWidget* ChartWithLegend(QCustomPlot* chart, CurveLegend* legend, QWidget* parent) {
  auto* holder = new QWidget(parent);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  row->addWidget(chart, 1);
  row->addWidget(legend);
  return holder;
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

  fieldStandard_ = new FieldStandardView(this);  // field standard: before the toolbar and the Ratio tab
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
  // ---- chart images: "Save image as…" and "Copy" on every chart (chartmenu.h)
  for (QCustomPlot* chart : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_, horizontalSpectraChart_,
                             verticalSpectraChart_, ratioChart_, profileChart_})
    new ChartImageMenu(chart);
  // ---- end chart images

  connect(windowBands_, &WindowBandController::modesChanged, this, &MainWindow::showWindowModes);
  showWindowModes();
  statusBar()->setObjectName("statusBar");  // failures of "Calculate spectra" are told here
  recordInfo_ = new QLabel(this);
  recordInfo_->setObjectName("recordInfo");
  statusBar()->addPermanentWidget(recordInfo_);
  // A long load or calculation: what runs, how far it is, and its cancel.
  backgroundTask_ = new BackgroundTask(this);
  backgroundLabel_ = new QLabel(this);
  backgroundProgress_ = new QProgressBar(this);
  backgroundProgress_->setObjectName("backgroundProgress");
  backgroundProgress_->setRange(0, 100);
  backgroundProgress_->setMaximumWidth(160);
  backgroundCancel_ = new QToolButton(this);
  backgroundCancel_->setObjectName("backgroundCancel");
  backgroundCancel_->setText("Cancel");
  statusBar()->addWidget(backgroundLabel_);
  statusBar()->addWidget(backgroundProgress_);
  statusBar()->addWidget(backgroundCancel_);
  for (QWidget* w : {static_cast<QWidget*>(backgroundLabel_), static_cast<QWidget*>(backgroundProgress_),
                     static_cast<QWidget*>(backgroundCancel_)})
    w->hide();
  connect(backgroundTask_, &BackgroundTask::progressed, backgroundProgress_, &QProgressBar::setValue);
  connect(backgroundCancel_, &QToolButton::clicked, backgroundTask_, &BackgroundTask::cancel);

  // The model is built by the workspace; show it.
  showModel();

  // The dialogs are made once and reused, so their fields keep their contents.
  loadComponentsDialog_ = new LoadComponentsDialog(this);
  settingsDialog_ = new SettingsDialog(this);
  channelsDialog_ = new ChannelsDialog(this);
  recordFileDialog_ = new QFileDialog(this, "Open");
  recordFileDialog_->setObjectName("recordFileDialog");
  recordFileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  recordFileDialog_->setFileMode(QFileDialog::AnyFile);
  recordFileDialog_->setNameFilters(kRecordFilters);
  connect(recordFileDialog_, &QFileDialog::filterSelected, this, [this](const QString& filter) {
    const int type = kRecordFilters.indexOf(filter);
    recordFileDialog_->setFileMode(type >= 0 && TakesSeveralFiles(kRecordFormats[type]) ? QFileDialog::ExistingFiles
                                                                                        : QFileDialog::AnyFile);
  });
  saveResultsDialog_ = new QFileDialog(this, "Save results");
  saveResultsDialog_->setObjectName("SaveDialog1");
  saveResultsDialog_->setAcceptMode(QFileDialog::AcceptSave);
  saveResultsDialog_->setFileMode(QFileDialog::AnyFile);
  saveResultsDialog_->setOption(QFileDialog::DontConfirmOverwrite);
  saveResultsDialog_->setNameFilters(kResultFilters);

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

  connect(addWindowAction_, &QAction::triggered, this, [this] { windowBands_->toggleAddMode(); });
  connect(removeWindowAction_, &QAction::triggered, this, [this] { windowBands_->toggleRemoveMode(); });
  smoothedSpectraAction_->setChecked(workspace_.logAveraging);
  connect(smoothedSpectraAction_, &QAction::toggled, this, [this](bool on) { app::SetLogAveraging(workspace_, on); });
  // Nothing to save before the first "Calculate spectra".
  saveResultsAction_->setEnabled(false);

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
  bool first = true;
  for (const auto& group : groups) {
    if (!first) bar->addSeparator();
    first = false;
    for (QAction* action : group) {
      bar->addAction(action);
      // The button carries the command's name too, so it can be found and clicked.
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
      button->setObjectName(action->objectName());
      button->setAutoRaise(true);
    }
  }
  bar->addWidget(fieldStandard_->methodChoice());  // field standard: the choice beside "Calculate spectra"
  // ---- time range: the zoom factor in view, beside the zoom buttons (timerange.h)
  zoomLabel_ = new QLabel(bar);
  zoomLabel_->setObjectName("zoomFactorLabel");
  zoomLabel_->setMinimumWidth(zoomLabel_->fontMetrics().horizontalAdvance(QStringLiteral("\u00D710.0")) + 6);
  zoomLabel_->setAlignment(Qt::AlignCenter);
  bar->insertWidget(removeZeroAction_, zoomLabel_);
  // ---- end time range
  auto* zero = qobject_cast<QToolButton*>(bar->widgetForAction(removeZeroAction_));
  QFont bold = zero->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.5);
  zero->setFont(bold);
  zero->setToolButtonStyle(Qt::ToolButtonTextOnly);
  zero->setMinimumSize(30, 30);
}

void MainWindow::setWorkspaceCommandsEnabled(bool enabled) {
  workspaceCommands_->setEnabled(enabled);
  panel_->layersNumber->setEnabled(enabled);
  modelView_->setEditable(enabled);
}

QWidget* MainWindow::buildTimeSeriesTab() {
  // ---- time range: both charts at the pane's width over one time range, a scroll
  // bar along the record below them (timerange.h)
  auto* page = new QWidget;
  page->setObjectName("timeSeriesPage");
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* splitter = new QSplitter(Qt::Vertical, page);
  splitter->setObjectName("timeSeriesSplitter");
  splitter->setChildrenCollapsible(false);
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
  // ---- end time range

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
                                 zoomLabel_, this);  // time range
  return page;
}

QWidget* MainWindow::buildSpectraTab() {
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName("spectraSplitter");
  splitter->setChildrenCollapsible(false);
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
    EnableChartNavigation(chart);  // chart navigation: wheel, drag, double click and Home
    splitter->addWidget(ChartWithLegend(chart, legend, splitter));
    splitter->setStretchFactor(splitter->count() - 1, 1);
  }
  AlignPlotAreas({horizontalSpectraChart_, verticalSpectraChart_});  // one frequency axis above the other
  return splitter;
}

QWidget* MainWindow::buildRatioTab() {
  // The same chart as the batch command's picture (spectradrawing.h): "H/Z", then "H/Zc".
  ratioChart_ = MakeRatioChart(nullptr);
  observedRatioGraph_ = ratioChart_->graph(0);
  theoreticalRatioGraph_ = ratioChart_->graph(1);
  EnableChartNavigation(ratioChart_);  // chart navigation: wheel, drag, double click and Home
  ratioLegend_ = new CurveLegend(ratioChart_);
  ratioLegend_->setObjectName("Chart5Legend");
  // field standard: its settings and report on the right of the ratio chart
  return fieldStandard_->besideRatioChart(ChartWithLegend(ratioChart_, ratioLegend_, nullptr));
}

QWidget* MainWindow::buildInversionTab() {
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName("inversionSplitter");
  splitter->setChildrenCollapsible(false);
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
  inversionRunner_ = new InversionRunner(this);
  connect(panel_->startButton, &QToolButton::clicked, this, &MainWindow::startInversion);
  connect(inversionRunner_, &InversionRunner::progressed, panel_->progress, &QProgressBar::setValue);
  connect(inversionRunner_, &InversionRunner::stateShown, this, &MainWindow::showInversionState);
  connect(inversionRunner_, &InversionRunner::curveShown, this, [this](const numerics::arofcomplexM& curve) {
    drawTheoreticalCurve(curve);
  });
  connect(inversionRunner_, &InversionRunner::finished, this, &MainWindow::finishInversion);
  return splitter;
}

void MainWindow::showModel() { modelView_->showModelTable(); }

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
  timeRange_->recordChanged();  // time range: the new record at the current zoom factor
}

void MainWindow::afterLoad() {
  windowBands_->refresh();  // the load deleted every window
  theoreticalRatioGraph_->data()->clear();
  ratioChart_->replot();
  showModel();
  showRecord();
  showRecordSummary();
}

void MainWindow::loadRecord(const app::LoadRequest& request) {
  if (backgroundTask_->running()) return;
  qint64 bytes = 0;
  for (const std::string& path : request.paths) bytes += QFileInfo(QFile::decodeName(path.c_str())).size();
  if (bytes < backgroundLoadBytes_) {
    app::Outcome outcome;
    {
      BusyCursor busy;
      outcome = app::LoadRecord(workspace_, request);
    }
    finishLoad(request, outcome);
    return;
  }
  // A long read: on a worker thread, with progress and a cancel in the status bar;
  // the workspace changes only when the whole record has been read.
  app::LoadRequest background = request;
  background.channels = promptFromWorker(request.channels);
  auto loaded = std::make_shared<app::LoadedRecord>();
  const QString name = QFileInfo(QFile::decodeName(request.paths.front().c_str())).fileName();
  startBackground(
      QString("Loading %1").arg(name),
      [background, loaded](const numerics::ProgressHook& hook) {
        app::LoadRequest r = background;
        r.progress = hook;
        *loaded = app::ReadRecordForLoad(r);
      },
      [this, request, loaded] { finishLoad(request, app::ApplyLoadedRecord(workspace_, std::move(*loaded))); });
}

void MainWindow::finishLoad(const app::LoadRequest& request, const app::Outcome& outcome) {
  if (outcome.failed()) {
    showFailure(outcome);
    return;
  }
  if (!outcome.done()) {
    // Nothing usable in the file, or a cancel: everything stays, and the status bar says why.
    if (!outcome.message.empty()) statusBar()->showMessage(QString::fromLocal8Bit(outcome.message.c_str()));
    return;
  }
  recordFiles_.clear();
  for (const std::string& path : request.paths) recordFiles_ << QFileInfo(QFile::decodeName(path.c_str())).fileName();
  afterLoad();
  // What a reader left out or assumed (gaps, overlaps, a sampling rate) is told in the
  // status bar; otherwise an older message goes.
  if (outcome.message.empty())
    statusBar()->clearMessage();
  else
    statusBar()->showMessage(QString::fromLocal8Bit(outcome.message.c_str()));
}

void MainWindow::startBackground(const QString& what, std::function<void(const numerics::ProgressHook&)> work,
                                 std::function<void()> done) {
  setWorkspaceCommandsEnabled(false);
  backgroundLabel_->setText(what);
  backgroundProgress_->setValue(0);
  for (QWidget* w : {static_cast<QWidget*>(backgroundLabel_), static_cast<QWidget*>(backgroundProgress_),
                     static_cast<QWidget*>(backgroundCancel_)})
    w->show();
  backgroundTask_->start(
      [work = std::move(work)](const numerics::ProgressHook& hook) {
        try {
          work(hook);
        } catch (...) {
          // The commands answer with an outcome; nothing may escape the worker.
        }
      },
      [this, done = std::move(done)] {
        for (QWidget* w : {static_cast<QWidget*>(backgroundLabel_), static_cast<QWidget*>(backgroundProgress_),
                           static_cast<QWidget*>(backgroundCancel_)})
          w->hide();
        setWorkspaceCommandsEnabled(true);
        done();
      });
}

import::ChannelPrompt MainWindow::promptFromWorker(import::ChannelPrompt prompt) {
  // The reading thread waits for the answer the window's thread gives; it gives up
  // when the task is cancelled, so closing the window never waits for a dialog.
  return [this, prompt](int traceCount) {
    auto answer = std::make_shared<std::promise<std::optional<import::ChannelChoice>>>();
    std::future<std::optional<import::ChannelChoice>> future = answer->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, prompt, traceCount, answer] {
          if (backgroundTask_->cancelled()) {
            answer->set_value(std::nullopt);
            return;
          }
          try {
            answer->set_value(prompt(traceCount));
          } catch (...) {
            answer->set_value(std::nullopt);
          }
        },
        Qt::QueuedConnection);
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
      if (backgroundTask_->cancelled()) throw import::LoadCancelled();
    const std::optional<import::ChannelChoice> choice = future.get();
    if (!choice) throw import::LoadCancelled();
    return *choice;
  };
}

void MainWindow::showFailure(const app::Outcome& outcome) {
  const QString message = QString::fromLocal8Bit(outcome.message.c_str());
  const QString file = QFile::decodeName(outcome.path.c_str());
  // The file is named once: in the message when it says it already.
  showMessage_(message, message.contains(file) ? QString() : file);
}

void MainWindow::showRecordSummary() {
  const app::RecordSummary summary = app::SummarizeRecord(workspace_.record);
  if (!summary.present) {
    recordInfo_->clear();
    return;
  }
  QString counts;
  if (summary.samples[0] == summary.samples[1] && summary.samples[1] == summary.samples[2])
    counts = QString("%1 samples a component").arg(summary.samples[0]);
  else
    counts = QString("X %1, Y %2, Z %3 samples").arg(summary.samples[0]).arg(summary.samples[1]).arg(summary.samples[2]);
  recordInfo_->setText(QString("%1  |  %2 Hz  |  %3 s  |  %4")
                           .arg(recordFiles_.join(", "),
                                QString::fromStdString(numerics::NumberToText(1, summary.samplingRateHz)),
                                QString::fromStdString(numerics::NumberToText(1, summary.durationSeconds)), counts));
}

void MainWindow::loadComponents() {
  // Cancelling changes nothing; a record replaces the old one only when all
  // three files were read.
  if (runDialog_(*loadComponentsDialog_) != QDialog::Accepted) return;
  app::LoadRequest request;
  request.format = import::RecordFormat::Components;
  for (int component = 0; component < 3; ++component)
    request.paths.push_back(LocalPath(loadComponentsDialog_->fileName(component)));
  loadRecord(request);
}

void MainWindow::loadRecordFile() {
  if (runDialog_(*recordFileDialog_) != QDialog::Accepted) return;
  const QStringList files = recordFileDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  const int type = kRecordFilters.indexOf(recordFileDialog_->selectedNameFilter());
  app::LoadRequest request;
  request.format = kRecordFormats[type < 0 ? 0 : type];
  request.channels = channelPrompt(request.format);
  if (TakesSeveralFiles(request.format)) {
    for (const QString& file : files) request.paths.push_back(LocalPath(file));
  } else {
    request.paths = {LocalPath(files.front())};
  }
  loadRecord(request);
}

import::ChannelPrompt MainWindow::channelPrompt(import::RecordFormat format) {
  return [this, format](int traceCount) {
    channelsDialog_->setFileKind(format);
    channelsDialog_->setChannelLimit(traceCount);
    // The user answers with the normal cursor.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::restoreOverrideCursor();
    const int answer = runDialog_(*channelsDialog_);
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (answer != QDialog::Accepted) throw import::LoadCancelled();
    return channelsDialog_->choice();
  };
}

void MainWindow::saveResults() {
  if (!workspace_.spectraResult) return;
  if (runDialog_(*saveResultsDialog_) != QDialog::Accepted) return;
  const QStringList files = saveResultsDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  const int filter = kResultFilters.indexOf(saveResultsDialog_->selectedNameFilter());
  const app::ResultFileType type = kResultTypes[filter < 0 ? 0 : filter];
  const std::string path = app::ResultFileName(LocalPath(files.front()), type);
  // The dialog offers the name written last the next time.
  const QString finalName = QFile::decodeName(path.c_str());
  saveResultsDialog_->selectFile(finalName);
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
  if (outcome.failed() || !outcome.message.empty())
    showFailure(outcome);
}

void MainWindow::showWindowModes() {
  // Checked toggles are drawn flat (auto-raise buttons), the others raised.
  addWindowAction_->setChecked(workspace_.windows.addMode);
  removeWindowAction_->setChecked(workspace_.windows.removeMode);
}

void MainWindow::zoomIn() {
  app::ZoomIn(workspace_);
  applyZoom();
}

void MainWindow::zoomOut() {
  app::ZoomOut(workspace_);
  applyZoom();
}

void MainWindow::applyZoom() {
  timeRange_->applyZoomFactor();  // time range: the visible span is the whole record / zoomFactor
}

void MainWindow::removeZero() {
  const app::WindowSizePrompt ask = [this] {
    return numerics::TextToNumber(askText_(kRemoveZeroCaption, kRemoveZeroPrompt, kRemoveZeroDefault).toStdString());
  };
  if (!app::RemoveZero(workspace_, ask).done()) return;
  // The offset is gone: the amplitude axes follow the new values, the time axes stay.
  for (QCustomPlot* plot : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    plot->yAxis->rescale();
    plot->replot();
  }
}

void MainWindow::reportInStatusBar(const QString& command, const app::Outcome& outcome) {
  if (outcome.failed())
    statusBar()->showMessage(QString("%1: %2").arg(command, Text(outcome.message)));
  else
    statusBar()->clearMessage();
}

void MainWindow::calculateSpectra() {
  if (tabs_->currentWidget() == inversionTab_) {
    // Here the command serves the theoretical curve; the spectra and the ratio stay.
    // A field that is not a number keeps its previous value and is named.
    app::ForwardModelSettings settings{workspace_.referenceFrequency, workspace_.dispersionExponent};
    const app::Outcome refFrq =
        app::ReadNumberField("Ref frq", panel_->refFrequency->text().toStdString(), settings.referenceFrequencyHz);
    const app::Outcome kDegree = app::ReadNumberField("K degree", panel_->dispersionExponent->text().toStdString(),
                                                      settings.dispersionExponent);
    app::Outcome outcome = app::CalculateTheoreticalCurve(workspace_, settings);
    if (outcome.done()) showTheoreticalCurve();
    if (refFrq.failed() || kDegree.failed()) {
      std::string message = refFrq.message;
      if (kDegree.failed()) message += (message.empty() ? "" : "; ") + kDegree.message;
      outcome = app::Outcome::Failed(message);
    }
    reportInStatusBar("Calculate spectra", outcome);
    return;
  }
  // ---- Field standard (fieldstandardview.h): the second computation, when chosen
  if (fieldStandard_->chosen()) {
    BusyCursor busy;
    const app::Outcome outcome = fieldStandard_->calculate(workspace_, ratioChart_);
    ratioLegend_->refresh();
    reportInStatusBar("Calculate spectra", outcome);
    return;
  }
  // ---- end field standard
  app::SpectraSettings settings;
  app::Outcome outcome = app::ReadSpectraSettings(panel_->minFrequency->text().toStdString(),
                                                  panel_->maxFrequency->text().toStdString(),
                                                  workspace_.logAveraging, settings);
  if (outcome.done() && workspace_.record.size(import::Component::X) >= backgroundSamples_) {
    // A long record: the transforms run on worker threads and the window stays live.
    const std::vector<spectra::WindowInterval> windows = app::WindowIntervals(workspace_.windows);
    auto computed = std::make_shared<app::ComputedSpectra>();
    const import::ThreeComponentRecord* record = &workspace_.record;  // held: every command that changes it is off
    startBackground(
        "Calculating spectra",
        [record, windows, settings, computed](const numerics::ProgressHook& hook) {
          app::SpectraSettings s = settings;
          s.progress = hook;
          *computed = app::ComputeSpectra(*record, windows, s);
        },
        [this, computed] { finishSpectra(app::ApplyComputedSpectra(workspace_, std::move(*computed))); });
    return;
  }
  if (outcome.done()) {
    BusyCursor busy;
    outcome = app::CalculateSpectra(workspace_, settings);
  }
  finishSpectra(outcome);
}

void MainWindow::finishSpectra(const app::Outcome& outcome) {
  if (outcome.done()) showSpectraResult();
  if (outcome.status == app::Outcome::Status::Unchanged) {
    // Cancelled: everything stays as it was.
    statusBar()->showMessage(QString("Calculate spectra: %1").arg(Text(outcome.message)));
    return;
  }
  if (!outcome.done()) {
    // No curves of an earlier computation stay in view as if they were this record's;
    // the stored result stays for "Save results".
    ClearSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_);
    horizontalSpectraLegend_->refresh();
    verticalSpectraLegend_->refresh();
    ratioLegend_->refresh();
  }
  reportInStatusBar("Calculate spectra", outcome);
  // ---- peak label: a largest value at an end of the band is said to be no peak
  if (outcome.done() && workspace_.spectraResult) {
    if (const QString notice = PeakNotice(workspace_.spectraResult->ratio); !notice.isEmpty())
      statusBar()->showMessage(notice);
  }
  // ---- end peak label
}

void MainWindow::showSpectraResult() {
  if (!workspace_.spectraResult) return;
  ClearFieldStandard(ratioChart_);  // field standard: its curves leave with the classic ones
  DrawSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_, *workspace_.spectraResult);
  horizontalSpectraLegend_->refresh();
  verticalSpectraLegend_->refresh();
  ratioLegend_->refresh();
  saveResultsAction_->setEnabled(true);
}

void MainWindow::showTheoreticalCurve() { drawTheoreticalCurve(workspace_.theoreticalCurve); }

void MainWindow::drawTheoreticalCurve(const numerics::arofcomplexM& curve) {
  QVector<double> frequencies;
  QVector<double> ratios;
  frequencies.reserve(static_cast<qsizetype>(curve.size()));
  ratios.reserve(static_cast<qsizetype>(curve.size()));
  for (const numerics::Complex& point : curve) {
    frequencies.push_back(point.re);
    ratios.push_back(point.im);
  }
  theoreticalRatioGraph_->setData(frequencies, ratios, true);
  ratioChart_->replot(QCustomPlot::rpQueuedReplot);
}

bool MainWindow::inversionRunning() const { return inversionRunner_->running(); }

void MainWindow::startInversion() {
  if (backgroundTask_->running()) return;  // a load or calculation is under way
  if (inversionRunner_->running()) {
    inversionRunner_->requestStop();
    return;
  }
  // The settings as the panel shows them; an unreadable number is used as the
  // marker value it reads as, and the run says what that does.
  app::InversionRequest request;
  inversion::InversionSettings& settings = request.settings;
  settings.IterationCount = panel_->iterNumber->value();
  settings.MinFrequency = numerics::TextToNumber(panel_->minFrequency->text().toStdString());
  settings.MaxFrequency = numerics::TextToNumber(panel_->maxFrequency->text().toStdString());
  settings.OptimizeReferenceFrequency = panel_->optimizeRefFrequency->isChecked();
  settings.OptimizeDispersionExponent = panel_->optimizeDispersion->isChecked();
  settings.RatioConstraint = panel_->ratioConstraint->isChecked();
  settings.GlobalSearch = panel_->globalSearch->isChecked();
  request.referenceFrequencyHz = numerics::TextToNumber(panel_->refFrequency->text().toStdString());
  request.dispersionExponent = numerics::TextToNumber(panel_->dispersionExponent->text().toStdString());

  auto run = std::make_unique<app::InversionRun>(workspace_, request);
  if (!run->precondition().done()) {
    reportInStatusBar("Start inversion", app::Outcome::Failed(run->precondition().message));
    return;
  }
  runOptimizesReference_ = settings.OptimizeReferenceFrequency;
  runOptimizesExponent_ = settings.OptimizeDispersionExponent;
  statusBar()->clearMessage();
  setWorkspaceCommandsEnabled(false);
  panel_->progress->setValue(0);
  panel_->setRunning(true);
  inversionRunner_->start(std::move(run));
}

void MainWindow::showForwardModelValues(double referenceFrequency, double dispersionExponent) {
  if (runOptimizesReference_)
    panel_->refFrequency->setText(QString::fromStdString(numerics::NumberToText(2, referenceFrequency)));
  if (runOptimizesExponent_)
    panel_->dispersionExponent->setText(QString::fromStdString(numerics::NumberToText(2, dispersionExponent)));
}

void MainWindow::showInversionState(const inversion::InversionSnapshot& snapshot) {
  ShowModelTable(*modelTable_, snapshot.state.model);
  ShowProfile(*profileChart_, snapshot.state.model, workspace_.modelTables.SelectedParameter);
  drawTheoreticalCurve(snapshot.theoreticalCurve);
  showForwardModelValues(snapshot.state.referenceFrequency, snapshot.state.dispersionExponent);
}

void MainWindow::finishInversion(const app::InversionRun& run, const app::Outcome& outcome) {
  run.Apply(workspace_);
  panel_->setRunning(false);
  setWorkspaceCommandsEnabled(true);
  showModel();
  showTheoreticalCurve();
  if (outcome.done()) {
    showForwardModelValues(workspace_.referenceFrequency, workspace_.dispersionExponent);
    panel_->progress->setValue(run.result().end == inversion::InversionEnd::Completed ? 100 : panel_->progress->value());
  }
  reportInStatusBar("Start inversion",
                    outcome.done() ? outcome : app::Outcome::Failed(outcome.message));
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

void MainWindow::loadDroppedFiles(const QStringList& paths) {
  if (!loadComponentsAction_->isEnabled()) return;  // a run holds the record
  QStringList sorted = paths;
  sorted.sort();  // three component files dropped together: X, Y, Z in name order
  app::LoadRequest request;
  for (const QString& path : sorted) request.paths.push_back(LocalPath(path));
  const app::Result<import::RecordFormat> format = app::FormatOfFiles(request.paths);
  if (!format.done()) {
    statusBar()->showMessage(QString("Drop: %1").arg(QString::fromLocal8Bit(format.message().c_str())));
    return;
  }
  request.format = *format;
  request.channels = channelPrompt(request.format);
  loadRecord(request);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  inversionRunner_->stopAndWait();
  backgroundTask_->cancelAndWait();
  QMainWindow::closeEvent(event);
}

}  // namespace corvath::ui

namespace corvath::ui {
bool MainWindow::backgroundRunning() const { return backgroundTask_->running(); }
}  // namespace corvath::ui
