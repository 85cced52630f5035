#include "ui/mainwindow.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
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

#include "app/commands.h"
#include "import/readers.h"
#include "numerics/textfile.h"
#include "ui/channelsdialog.h"
#include "ui/charts.h"
#include "ui/curvelegend.h"
#include "ui/inversionpanel.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/modeltableview.h"
#include "ui/recordcurve.h"
#include "ui/settingsdialog.h"
#include "ui/spectradrawing.h"
#include "ui/toolbaricons.h"
#include "ui/vectorstate.h"
#include "ui/windowbands.h"
#include "windows/removezero.h"
#include "windows/zoom.h"

namespace corvath::ui {
namespace {

// The filters of the record-file dialog, in the order the readers are chosen by.
const QStringList kRecordFilters{"SAF files (*.saf)", "SEG2 files (*seg2 *.sg2)", "Delta files (*.dat)"};
const import::RecordFormat kRecordFormats[] = {import::RecordFormat::Saf, import::RecordFormat::Seg2,
                                               import::RecordFormat::Delta};

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

struct ToolButtonInfo {
  const char* name;
  const char* hint;
  IconKind icon;
  bool checkable;
  bool separatorBefore;
};

// A wait cursor while a file is read; restored before any message appears.
class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QScrollArea* ScrollingPane(QWidget* chart, QWidget* parent) {
  auto* pane = new QScrollArea(parent);
  pane->setWidget(chart);
  pane->setWidgetResizable(true);
  pane->setFrameShape(QFrame::NoFrame);
  pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return pane;
}

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
    box.exec();
  };
  askText_ = [this](const QString& caption, const QString& label, const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(this, caption, label, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : defaultText;
  };

  buildToolBar();
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabs");
  tabs_->addTab(buildTimeSeriesTab(), "Time series");
  tabs_->addTab(buildSpectraTab(), "Spectra");
  tabs_->addTab(buildRatioTab(), "Ratio");
  tabs_->addTab(buildInversionTab(), "1D inversion");
  tabs_->setCurrentIndex(0);
  setCentralWidget(tabs_);

  // Window modes, zoom and "Remove zero" work on the "Time series" tab.
  auto* bar = findChild<QToolBar*>("toolBar");
  connect(bar->findChild<QToolButton*>("SpeedButton2"), &QToolButton::clicked, windowBands_,
          &WindowBandController::toggleAddMode);
  connect(bar->findChild<QToolButton*>("SpeedButton4"), &QToolButton::clicked, windowBands_,
          &WindowBandController::toggleRemoveMode);
  connect(windowBands_, &WindowBandController::modesChanged, this, &MainWindow::showWindowModes);
  connect(bar->findChild<QToolButton*>("SpeedButton5"), &QToolButton::clicked, this, &MainWindow::zoomIn);
  connect(bar->findChild<QToolButton*>("SpeedButton3"), &QToolButton::clicked, this, &MainWindow::zoomOut);
  connect(bar->findChild<QToolButton*>("SpeedButton9"), &QToolButton::clicked, this, &MainWindow::removeZero);
  connect(bar->findChild<QToolButton*>("SpeedButton7"), &QToolButton::clicked, this, &MainWindow::calculateSpectra);
  showWindowModes();
  statusBar()->setObjectName("statusBar");  // failures of "Calculate spectra" are told here

  // The model is built by the workspace; show it.
  ShowModelTable(*modelTable_, workspace_.model);
  ShowProfile(*charts_[5], workspace_.model, workspace_.modelTables.SelectedParameter);

  // The dialogs are made once and reused, so their fields keep their contents.
  loadComponentsDialog_ = new LoadComponentsDialog(this);
  settingsDialog_ = new SettingsDialog(this);
  channelsDialog_ = new ChannelsDialog(this);
  recordFileDialog_ = new QFileDialog(this, "Open");
  recordFileDialog_->setObjectName("recordFileDialog");
  recordFileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  recordFileDialog_->setFileMode(QFileDialog::AnyFile);
  recordFileDialog_->setNameFilters(kRecordFilters);

  resize(868, 563);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolBar() {
  auto* bar = addToolBar("Commands");
  bar->setObjectName("toolBar");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setIconSize(QSize(24, 24));
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  const ToolButtonInfo buttons[] = {
      {"SpeedButton1", "Load components", IconKind::LoadComponents, false, false},
      {"SpeedButton8", "Load saf/sg2 file", IconKind::LoadRecordFile, false, false},
      {"SpeedButton10", "Save results", IconKind::SaveResults, false, false},
      {"SpeedButton2", "Add window", IconKind::AddWindow, true, true},
      {"SpeedButton4", "Remove window", IconKind::RemoveWindow, true, false},
      {"SpeedButton5", "Zoom in", IconKind::ZoomIn, false, true},
      {"SpeedButton3", "Zoom out", IconKind::ZoomOut, false, false},
      {"SpeedButton9", "Remove zero", IconKind::ZoomOut, false, false},
      {"SpeedButton6", "Smoothed spectra", IconKind::SmoothedSpectra, true, true},
      {"SpeedButton7", "Calculate spectra", IconKind::CalculateSpectra, false, false},
  };
  for (const ToolButtonInfo& info : buttons) {
    if (info.separatorBefore) bar->addSeparator();
    auto* button = new QToolButton(bar);
    button->setObjectName(info.name);
    button->setToolTip(info.hint);
    button->setAutoRaise(true);
    button->setCheckable(info.checkable);
    button->setIconSize(QSize(24, 24));
    if (QString(info.name) == "SpeedButton9") {
      // "Remove zero" is a bold "0".
      button->setText("0");
      QFont bold = button->font();
      bold.setBold(true);
      bold.setPointSizeF(bold.pointSizeF() * 1.5);
      button->setFont(bold);
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
      button->setMinimumSize(30, 30);
    } else {
      button->setIcon(CommandIcon(info.icon));
      button->setText(info.hint);
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    bar->addWidget(button);
  }

  auto* loadComponentsButton = bar->findChild<QToolButton*>("SpeedButton1");
  connect(loadComponentsButton, &QToolButton::clicked, this, &MainWindow::loadComponents);
  auto* loadFileButton = bar->findChild<QToolButton*>("SpeedButton8");
  connect(loadFileButton, &QToolButton::clicked, this, &MainWindow::loadRecordFile);
  auto* smoothed = bar->findChild<QToolButton*>("SpeedButton6");
  smoothed->setChecked(workspace_.logAveraging);
  connect(smoothed, &QToolButton::toggled, this, [this](bool on) { app::SetLogAveraging(workspace_, on); });
  // Commands whose parts are not in this build yet.
  bar->findChild<QToolButton*>("SpeedButton10")->setEnabled(false);
}

QWidget* MainWindow::buildTimeSeriesTab() {
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName("timeSeriesSplitter");
  splitter->setChildrenCollapsible(false);
  const char* titles[2] = {"Horizontal time series", "Vertical time series"};
  QScrollArea* panes[2];
  for (int i = 0; i < 2; ++i) {
    QCustomPlot* chart = MakeChart(QString("Chart%1").arg(i + 1), titles[i], nullptr);
    chart->xAxis->setLabel("t,sec");
    charts_[i] = chart;
    panes[i] = ScrollingPane(chart, splitter);
    panes[i]->setObjectName(i == 0 ? "horizontalTimeSeriesPane" : "verticalTimeSeriesPane");
    timeSeriesPanes_[i] = panes[i];
    splitter->addWidget(panes[i]);
    splitter->setStretchFactor(i, 1);
  }
  // The two panes scroll together.
  QScrollBar* top = panes[0]->horizontalScrollBar();
  QScrollBar* bottom = panes[1]->horizontalScrollBar();
  connect(top, &QScrollBar::valueChanged, bottom, &QScrollBar::setValue);
  connect(bottom, &QScrollBar::valueChanged, top, &QScrollBar::setValue);

  using import::Component;
  const struct {
    Component component;
    int chart;
    QColor colour;
    const char* name;
  } curves[3] = {{Component::X, 0, Qt::red, "X"}, {Component::Y, 0, Qt::blue, "Y"}, {Component::Z, 1, Qt::black, "Z"}};
  for (const auto& c : curves) {
    QCustomPlot* chart = charts_[c.chart];
    auto* curve = new RecordCurve(chart->xAxis, chart->yAxis, &workspace_.record.samples(c.component));
    curve->setName(c.name);
    curve->setPen(QPen(c.colour, 1));
    recordCurves_[static_cast<int>(c.component)] = curve;
  }
  windowBands_ = new WindowBandController(charts_[0], charts_[1], workspace_.windows,
                                          [this] { return workspace_.record.present(); }, this);
  return splitter;
}

QWidget* MainWindow::buildSpectraTab() {
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName("spectraSplitter");
  splitter->setChildrenCollapsible(false);
  const char* titles[2] = {"Horizontal spectra", "Vertical spectra"};
  for (int i = 0; i < 2; ++i) {
    QCustomPlot* chart = MakeChart(QString("Chart%1").arg(i + 3), titles[i], nullptr);
    chart->xAxis->setLabel("f,Hz");
    chart->xAxis->setRange(0, 100);
    UseLogarithmicLabels(chart->yAxis);
    chart->yAxis->setRange(0.1, 1000);
    charts_[i + 2] = chart;
    spectraLegends_[i] = new CurveLegend(chart);
    spectraLegends_[i]->setObjectName(QString("Chart%1Legend").arg(i + 3));
    splitter->addWidget(ChartWithLegend(chart, spectraLegends_[i], splitter));
    splitter->setStretchFactor(i, 1);
  }
  return splitter;
}

QWidget* MainWindow::buildRatioTab() {
  QCustomPlot* chart = MakeChart("Chart5", "Ratio", nullptr);
  chart->xAxis->setLabel("f,Hz");
  chart->xAxis->setRange(0, 100);
  charts_[4] = chart;
  const struct {
    const char* name;
    QColor colour;
  } curves[2] = {{"H/Z", QColor(255, 0, 0)}, {"H/Zc", QColor(0, 0, 255)}};
  for (const auto& c : curves) {
    QCPGraph* graph = chart->addGraph();
    graph->setName(c.name);
    graph->setPen(QPen(c.colour, 2));
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setScatterStyle(QCPScatterStyle::ssNone);
  }
  ratioLegend_ = new CurveLegend(chart);
  ratioLegend_->setObjectName("Chart5Legend");
  auto* page = ChartWithLegend(chart, ratioLegend_, nullptr);
  return page;
}

QWidget* MainWindow::buildInversionTab() {
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName("inversionSplitter");
  splitter->setChildrenCollapsible(false);
  QCustomPlot* profile = MakeChart("Chart6", QString(), splitter);
  SetUpProfileChart(*profile);
  charts_[5] = profile;
  splitter->addWidget(profile);

  auto* right = new QWidget(splitter);
  auto* column = new QVBoxLayout(right);
  column->setContentsMargins(0, 0, 0, 0);
  panel_ = new InversionPanel(right);
  modelTable_ = new QTableWidget(right);
  modelTable_->setObjectName("parameterTable");
  SetUpModelTable(*modelTable_);
  column->addWidget(panel_);
  column->addWidget(modelTable_, 1);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  splitter->setSizes({330, 530});
  connect(panel_->layersNumber, &QSpinBox::valueChanged, this, [this](int layers) {
    inversion::SetLayerCount(workspace_.model, workspace_.modelTables, layers);
    ShowModelTable(*modelTable_, workspace_.model);
    ShowProfile(*charts_[5], workspace_.model, workspace_.modelTables.SelectedParameter);
  });
  panel_->startButton->setEnabled(false);  // the inversion is not in this build yet
  return splitter;
}

void MainWindow::showRecord() {
  int leftMargin = 0;
  for (int chart = 0; chart < 2; ++chart) {
    QCustomPlot* plot = charts_[chart];
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
  for (int chart = 0; chart < 2; ++chart) {
    charts_[chart]->axisRect()->setMinimumMargins(QMargins(leftMargin, 0, 0, 0));
    charts_[chart]->replot();
  }
}

void MainWindow::afterLoad() {
  windowBands_->refresh();  // the load deleted every window
  if (QCPGraph* theoretical = charts_[4]->graph(1)) theoretical->data()->clear();
  charts_[4]->replot();
  ShowModelTable(*modelTable_, workspace_.model);
  ShowProfile(*charts_[5], workspace_.model, workspace_.modelTables.SelectedParameter);
  showRecord();
}

void MainWindow::loadComponents() {
  // Cancelling changes nothing; a record replaces the old one only when all
  // three files were read.
  if (runDialog_(*loadComponentsDialog_) != QDialog::Accepted) return;
  const QString paths[3] = {loadComponentsDialog_->fileName(0), loadComponentsDialog_->fileName(1),
                            loadComponentsDialog_->fileName(2)};
  try {
    BusyCursor busy;
    ClearVectorUpperState();
    import::ThreeComponentRecord record =
        import::ReadComponentFiles(LocalPath(paths[0]), LocalPath(paths[1]), LocalPath(paths[2]));
    app::LoadRecord(workspace_, std::move(record));
  } catch (const numerics::FileError& error) {
    showMessage_(QString::fromLocal8Bit(error.what()), QFile::decodeName(error.path().c_str()));
    return;
  } catch (const std::exception& error) {
    showMessage_(QString::fromLocal8Bit(error.what()), QString());
    return;
  }
  afterLoad();
}

void MainWindow::loadRecordFile() {
  if (runDialog_(*recordFileDialog_) != QDialog::Accepted) return;
  const QStringList files = recordFileDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  const QString path = files.front();
  const int type = kRecordFilters.indexOf(recordFileDialog_->selectedNameFilter());
  const import::RecordFormat format = kRecordFormats[type < 0 ? 0 : type];
  const import::ChannelPrompt prompt = [this](int traceCount) {
    channelsDialog_->setChannelLimit(traceCount);
    QApplication::restoreOverrideCursor();  // the user answers with the normal cursor
    runDialog_(*channelsDialog_);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return channelsDialog_->choice();
  };
  try {
    BusyCursor busy;
    ClearVectorUpperState();
    std::optional<import::ThreeComponentRecord> record = import::ReadRecord(format, {LocalPath(path)}, prompt);
    if (!record) return;  // nothing to load: nothing changes
    app::LoadRecord(workspace_, std::move(*record));
  } catch (const numerics::FileError& error) {
    showMessage_(QString::fromLocal8Bit(error.what()), QFile::decodeName(error.path().c_str()));
    return;
  } catch (const std::exception& error) {
    showMessage_(QString::fromLocal8Bit(error.what()), path);
    return;
  }
  afterLoad();
}

}  // namespace corvath::ui

namespace corvath::ui {

void MainWindow::showWindowModes() {
  // Checked toggles are drawn flat (auto-raise buttons), the others raised.
  auto* bar = findChild<QToolBar*>("toolBar");
  bar->findChild<QToolButton*>("SpeedButton2")->setChecked(workspace_.windows.addMode);
  bar->findChild<QToolButton*>("SpeedButton4")->setChecked(workspace_.windows.removeMode);
}

void MainWindow::zoomIn() {
  workspace_.zoomFactor = windows::ZoomIn(workspace_.zoomFactor);
  applyZoom();
}

void MainWindow::zoomOut() {
  workspace_.zoomFactor = windows::ZoomOut(workspace_.zoomFactor);
  applyZoom();
}

void MainWindow::applyZoom() {
  // The width is fixed here and not followed when the window is resized later.
  for (QScrollArea* pane : timeSeriesPanes_) {
    QWidget* chart = pane->widget();
    if (workspace_.zoomFactor > windows::kMinZoomFactor) {
      const int paneWidth = pane->maximumViewportSize().width();
      chart->setFixedWidth(windows::ZoomedChartWidth(paneWidth, workspace_.zoomFactor));
    } else {
      chart->setMinimumWidth(0);
      chart->setMaximumWidth(QWIDGETSIZE_MAX);
    }
  }
}

void MainWindow::removeZero() {
  const windows::WindowSizePrompt ask = [this] {
    return askText_(Text(windows::kRemoveZeroCaption), Text(windows::kRemoveZeroPrompt),
                    Text(windows::kRemoveZeroDefault))
        .toStdString();
  };
  if (!windows::RemoveZero(workspace_.record, ask)) return;
  // The offset is gone: the amplitude axes follow the new values, the time axes stay.
  for (int chart = 0; chart < 2; ++chart) {
    charts_[chart]->yAxis->rescale();
    charts_[chart]->replot();
  }
}

void MainWindow::calculateSpectra() {
  constexpr int kInversionTab = 3;
  if (tabs_->currentIndex() == kInversionTab) {
    // Here the command serves the theoretical curve; the spectra and the ratio stay.
    const std::string failure = app::ReadForwardModelFields(
        workspace_, panel_->refFrequency->text().toStdString(), panel_->dispersionExponent->text().toStdString());
    if (failure.empty())
      statusBar()->clearMessage();
    else
      statusBar()->showMessage(QString("Calculate spectra: %1").arg(Text(failure)));
    return;
  }
  std::string failure;
  {
    BusyCursor busy;
    ClearVectorUpperState();  // an hour of record: the transforms run at full speed
    failure = app::CalculateWorkspaceSpectra(workspace_, panel_->minFrequency->text().toStdString(),
                                             panel_->maxFrequency->text().toStdString());
    if (failure.empty()) showSpectraResult();
  }
  if (failure.empty())
    statusBar()->clearMessage();
  else
    statusBar()->showMessage(QString("Calculate spectra: %1").arg(Text(failure)));
}

void MainWindow::showSpectraResult() {
  if (!workspace_.spectraResult) return;
  DrawSpectraResult(charts_[2], charts_[3], charts_[4], *workspace_.spectraResult);
  for (CurveLegend* legend : spectraLegends_) legend->refresh();
  ratioLegend_->refresh();
}

}  // namespace corvath::ui
