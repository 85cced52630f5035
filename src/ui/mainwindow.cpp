#include "ui/mainwindow.h"

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
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "app/commands.h"
#include "app/observedcurve.h"
#include "app/fieldstandardresults.h"
#include "charts/charts.h"
#include "charts/curvelegend.h"
#include "charts/fieldstandardspectra.h"
#include "charts/spectradrawing.h"
#include "numerics/numberfield.h"
#include "ui/backgroundstatus.h"
#include "ui/channelsdialog.h"
#include "ui/chartview.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/busycursor.h"
#include "ui/controllers/historycontroller.h"
#include "ui/controllers/inversioncontroller.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/fieldstandardview.h"
#include "ui/filedialogs.h"
#include "ui/inversionpanel.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/messagearea.h"
#include "ui/modelfiles.h"
#include "ui/modeltableview.h"
#include "ui/pages.h"
#include "ui/prompts.h"
#include "ui/rangeguard.h"
#include "ui/sessions.h"
#include "ui/surveyview.h"
#include "ui/settingsdialog.h"
#include "ui/timerange.h"
#include "ui/toolbaricons.h"
#include "ui/windowaudit.h"
#include "ui/windowbands.h"
#include "ui/windowsettings.h"

using namespace corvath::charts;

namespace corvath::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TForm1");
  setWindowTitle("Corvath");
  setWindowIcon(DrawnIcon(IconKind::CalculateSpectra));

  runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
  showMessage_ = [this](const QString& text, const QString& informative) { ShowFailureBox(this, text, informative); };
  askText_ = [this](const QString& caption, const QString& label, const QString& defaultText) {
    return AskText(this, caption, label, defaultText);
  };
  askQuestion_ = [this](const QString& text) { return AskYesNo(this, text); };

  remembered_ = new WindowSettingsBinder(*this);  // before the dialogs and families that bind to it
  record_ = new RecordController(workspace_, this);
  spectra_ = new SpectraController(workspace_, this);
  inversion_ = new InversionController(workspace_, this);
  fieldStandard_ = new FieldStandardView(this);  // before the toolbar and the Ratio tab
  createActions();
  buildToolBar();
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("tabs");
  timeSeries_ = new TimeSeriesPage(workspace_, zoomLabel_);
  spectraPage_ = new SpectraPage;
  inversionPage_ = new InversionPage(workspace_);
  tabs_->addTab(timeSeries_, "Time series");
  tabs_->addTab(spectraPage_, "Spectra");
  ratioPage_ = new RatioPage(*fieldStandard_);
  tabs_->addTab(ratioPage_, "Ratio");
  tabs_->addTab(inversionPage_, "1D inversion");
  fieldStandard_->addAuditPages(*tabs_, timeSeries_->horizontalChart, timeSeries_->verticalChart);
  bindPages();
  tabs_->setCurrentIndex(0);
  setCentralWidget(new QWidget(this));
  auto* column = new QVBoxLayout(centralWidget());
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(tabs_, 1);
  messages_ = new MessageArea(this);  // what the last command answered stays here
  column->addWidget(messages_);
  buildStatusBar();
  buildChartView();
  createDialogs();
  connectControllers();
  createFileFamilies();
  bindRemembered();
  buildMenus();  // once every family has made its actions
  // A number typed beyond a box's limits is refused with them, never cut to fit.
  GuardNumberBoxes(*this, [this](const QString& refusal) { report(QString(), app::Outcome::Failed(refusal.toStdString())); });
  showModel();  // the model is built by the workspace
  setAcceptDrops(true);
  resize(868, 563);
}

void MainWindow::createActions() {
  struct Command {
    QAction*& action;
    const char* name;
    const char* hint;
    const char* does;  //!< what the button does, after its name in the tooltip
    IconKind icon;
    bool checkable;
    QKeySequence shortcut;
    void (MainWindow::*slot)();
  };
  const Command commands[] = {
      {loadComponentsAction_, "SpeedButton1", "Load components", "read X, Y and Z from three files", IconKind::LoadComponents, false,
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), &MainWindow::loadComponents},
      {loadRecordFileAction_, "SpeedButton8", "Load saf/sg2 file", "open a record file (or three), its kind told by its content", IconKind::LoadRecordFile, false,
       QKeySequence::Open, &MainWindow::loadRecordFile},
      {saveResultsAction_, "SpeedButton10", "Save results", "write the spectra and the ratio of this record to a text file or a workbook", IconKind::SaveResults, false, QKeySequence::Save,
       &MainWindow::saveResults},
      {addWindowAction_, "SpeedButton2", "Add window", "drag on a time-series chart to add an analysis window", IconKind::AddWindow, true, QKeySequence(), nullptr},
      {removeWindowAction_, "SpeedButton4", "Remove window", "click an analysis window to remove it", IconKind::RemoveWindow, true, QKeySequence(), nullptr},
      {zoomInAction_, "SpeedButton5", "Zoom in", "show a shorter stretch of the record", IconKind::ZoomIn, false, QKeySequence::ZoomIn, &MainWindow::zoomIn},
      {zoomOutAction_, "SpeedButton3", "Zoom out", "show a longer stretch of the record", IconKind::ZoomOut, false, QKeySequence::ZoomOut,
       &MainWindow::zoomOut},
      {removeZeroAction_, "SpeedButton9", "Remove zero", "subtract the running mean of each component", IconKind::ZoomOut, false, QKeySequence(),
       &MainWindow::removeZero},
      {smoothedSpectraAction_, "SpeedButton6", "Smoothed spectra", "average the windows' spectra as means of logarithms", IconKind::SmoothedSpectra, true, QKeySequence(),
       nullptr},
      {calculateSpectraAction_, "SpeedButton7", "Calculate spectra", "compute the spectra and H/V by the method chosen beside it", IconKind::CalculateSpectra, false,
       QKeySequence(Qt::Key_F5), &MainWindow::calculateSpectra},
  };
  for (const Command& c : commands) {
    c.action = new QAction(CommandIcon(c.icon), c.hint, this);
    c.action->setObjectName(c.name);
    c.action->setCheckable(c.checkable);
    c.action->setShortcut(c.shortcut);
    c.action->setToolTip(QString("%1: %2").arg(c.hint, c.does));
    c.action->setStatusTip(c.action->toolTip());
    if (c.slot) connect(c.action, &QAction::triggered, this, c.slot);
  }
  removeZeroAction_->setIcon(QIcon());  // "Remove zero" is a bold "0"
  removeZeroAction_->setIconText("0");
  smoothedSpectraAction_->setChecked(workspace_.smoothedSpectra);
  connect(smoothedSpectraAction_, &QAction::toggled, this, [this](bool on) { app::SetSmoothedSpectra(workspace_, on); });
  saveResultsAction_->setEnabled(false);  // nothing to save before the first "Calculate spectra"

  workspaceCommands_ = new QActionGroup(this);
  workspaceCommands_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  for (QAction* action : {loadComponentsAction_, loadRecordFileAction_, addWindowAction_, removeWindowAction_,
                          removeZeroAction_, calculateSpectraAction_})
    workspaceCommands_->addAction(action);
}

void MainWindow::clearResults() {
  // An observed curve opened from a file belongs to no record: it stays, with "H/Zc".
  const bool observedFromFile = workspace_.spectraResult && !workspace_.spectraResult->computedWith;
  if (!observedFromFile) {
    workspace_.spectraResult.reset();
    workspace_.theoreticalCurve.clear();
    ClearSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_);
    theoreticalRatioGraph_->data()->clear();
  }
  workspace_.fieldStandardResult.reset();
  workspace_.azimuthalResult.reset();
  fieldStandard_->clearResult(ratioChart_);  // its curves, f0 band, report, maps and window fates
  fieldStandard_->audit()->clearBands();
  inversionPage_->clearEnsemble();
  chartView_->useChosenScale();
  saveResultsAction_->setEnabled(observedFromFile);
  ratioChart_->replot();
  refreshLegends();
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

void MainWindow::showModel() { modelView_->showModelTable(); }
void MainWindow::refreshLegends() {
  for (CurveLegend* l : {horizontalSpectraLegend_, verticalSpectraLegend_, ratioLegend_}) l->refresh();
}

void MainWindow::showRecord() { timeSeries_->showRecord(); }

void MainWindow::showFailure(const app::Outcome& outcome) {
  const QString message = QString::fromLocal8Bit(outcome.message.c_str());
  const QString file = QFile::decodeName(outcome.path.c_str());
  const QString informative = message.contains(file) ? QString() : file;  // the file is named once
  // In the message line and the log like every other answer, then in its box.
  const QString line = informative.isEmpty() ? message : QString("%1 (%2)").arg(message, informative);
  messages_->show(QString(), line, outcome.failed());
  statusBar()->showMessage(line);
  showMessage_(message, informative);
}

void MainWindow::report(const QString& command, const app::Outcome& outcome) {
  const QString text = QString::fromLocal8Bit(outcome.message.c_str());
  const QString said = outcome.done() ? QString() : command;  // a notice stands alone
  messages_->show(said, text, outcome.failed());
  if (text.isEmpty()) return statusBar()->clearMessage();
  statusBar()->showMessage(said.isEmpty() ? text : QString("%1: %2").arg(said, text));
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
  const app::Result<ChosenRecord> chosen = ChosenRecordFiles(*recordFileDialog_);
  if (chosen.done()) return record_->load(chosen->format, chosen->paths);
  if (chosen.failed()) report("Load saf/sg2 file", chosen.outcome);
}

void MainWindow::loadDroppedFiles(const QStringList& paths) {
  if (!loadComponentsAction_->isEnabled()) return;  // a run holds the record
  QStringList sorted = paths;
  sorted.sort();  // three component files dropped together: X, Y, Z in name order
  std::vector<std::string> files;
  for (const QString& path : sorted) files.push_back(LocalPath(path));
  if (const app::Outcome outcome = record_->loadByExtension(files); !outcome.done()) report("Drop", outcome);
}

void MainWindow::openObservedCurve(const QString& path) { openObservedCurveFrom(path); }

void MainWindow::recordLoaded(const app::Outcome& outcome) {
  if (outcome.failed()) return showFailure(outcome);
  // Nothing usable in the file, or a cancel: everything stays, and the status bar says why.
  if (!outcome.done()) return report(QString(), app::Outcome::Done(outcome.message));
  windowBands_->refresh();  // the load deleted every window, and with them their fates
  clearResults();  // nothing computed on the record before stays, in view or in "Save results"
  showModel();
  showRecord();
  recordInfo_->setText(record_->summary());
  setWindowTitle(QString::fromUtf8("Corvath \u2014 %1").arg(record_->files().join(", ")));  // the record's files
  // What a reader left out or assumed (gaps, overlaps, a sampling rate), or nothing.
  report(QString(), outcome);
}

void MainWindow::saveResults() {
  // While the field-standard result is shown, "Save results" writes it.
  const bool fieldStandard = fieldStandard_->chosen() && workspace_.fieldStandardResult;
  if ((!workspace_.spectraResult && !fieldStandard) || !saveResultsAction_->isEnabled()) return;
  // Results computed on a record are saved only with that record loaded.
  if (!fieldStandard && workspace_.spectraResult->computedWith &&
      workspace_.spectraResult->recordFiles != workspace_.recordFiles)
    return report("Save results", app::Outcome::Failed("the results were computed on another record: calculate again"));
  if (runDialog_(*saveResultsDialog_) != QDialog::Accepted) return;
  std::optional<app::SaveRequest> request = ChosenResultFile(*saveResultsDialog_);
  if (!request) return;
  // The question is about the name the file really gets, after the extension rule.
  if (!ConfirmWrittenName(*saveResultsDialog_, request->path, askQuestion_)) return;
  if (request->type == app::ResultFileType::ModelText) request->shownTable = ModelTableTexts(*modelTable_);
  app::Outcome outcome;
  {
    BusyCursor busy;
    outcome = fieldStandard ? app::SaveFieldStandardResults(workspace_, *request)
                            : app::SaveResults(workspace_, *request);
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
  // Cancel leaves the samples as they were; a size that is not a number is named.
  app::Outcome refused;
  const app::Outcome outcome = record_->removeZero([this, &refused]() -> std::optional<double> {
    const std::optional<QString> text = askText_("Set window size", "5-200", "100");
    if (!text) return std::nullopt;
    const numerics::Result<double> size = numerics::NumberField("Window size", text->toStdString());
    if (!size.done()) refused = size.outcome;
    return size.value;
  });
  if (refused.failed()) return report("Remove zero", refused);
  if (outcome.done()) timeSeries_->rescaleAmplitudes();  // the offset is gone: the amplitude axes follow
}

void MainWindow::calculateTheoreticalCurve() {
  // The spectra and the ratio stay; the curve appears on both ratio views.
  const auto [settings, read] =
      panel_->forwardModelSettings({workspace_.referenceFrequency, workspace_.dispersionExponent});
  spectra_->calculateTheoreticalCurve(settings, read);
}

void MainWindow::calculateSpectra() {
  // On the "1D inversion" tab the command serves the theoretical curve.
  if (tabs_->currentWidget() == inversionPage_) return calculateTheoreticalCurve();
  if (fieldStandard_->chosen()) {
    const auto settings = fieldStandard_->readSettings();
    if (!settings.done()) return spectraCalculated(SpectraController::Method::FieldStandard, settings.outcome);
    return spectra_->calculateFieldStandard(*settings);
  }
  const app::Result<app::SpectraSettings> settings = panel_->spectraSettings(workspace_.smoothedSpectra);
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
    if (outcome.done()) {
      fieldStandard_->showResult(workspace_, ratioChart_);
      DrawFieldStandardSpectra(horizontalSpectraChart_, verticalSpectraChart_, *workspace_.fieldStandardResult);
      saveResultsAction_->setEnabled(true);
      chartView_->useLogarithmicScale();  // its curves lie on a logarithmic grid
    } else if (!outcome.unchanged()) {
      // No curve, f0 band or report of an earlier run stays as if it were this one's.
      fieldStandard_->clearResult(ratioChart_);
      ClearSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_);
      saveResultsAction_->setEnabled(false);
      chartView_->useChosenScale();
    }
    refreshLegends();  // the spectra charts' legends too: the field-standard spectra are drawn there
    return report("Calculate spectra", outcome);
  }
  if (outcome.unchanged()) return report("Calculate spectra", outcome);  // cancelled: everything stays
  fieldStandard_->audit()->clearBands();  // the windows' fates were the field standard's
  if (outcome.done() && workspace_.spectraResult) {
    ClearFieldStandard(ratioChart_);  // its curves leave with the classic ones
    DrawSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_, *workspace_.spectraResult);
    saveResultsAction_->setEnabled(true);
  } else {
    // No curves of an earlier computation, classic or field standard, stay in view as
    // if they were this record's, and "Save results" writes only what is shown.
    fieldStandard_->clearResult(ratioChart_);
    ClearSpectraResult(horizontalSpectraChart_, verticalSpectraChart_, ratioChart_);
    saveResultsAction_->setEnabled(false);
  }
  chartView_->useChosenScale();
  refreshLegends();
  report("Calculate spectra", outcome);
  // A largest value at an end of the band is said to be no peak.
  if (outcome.done() && workspace_.spectraResult)
    if (const std::string notice = app::PeakNotice(workspace_.spectraResult->ratio); !notice.empty())
      report(QString(), app::Outcome::Done(notice));
}

app::Outcome MainWindow::openObservedCurveFrom(const QString& path) {
  const std::string file = LocalPath(QFileInfo(path).absoluteFilePath());
  const app::Outcome outcome = app::LoadObservedCurve(workspace_, file);
  if (outcome.failed()) {
    showFailure(outcome);
    return outcome;
  }
  spectraCalculated(SpectraController::Method::Classic, outcome);
  sessions_->noteObservedCurve(file);  // a session opens it again
  return outcome;
}

void MainWindow::drawTheoreticalCurve(const numerics::arofcomplexM& curve) { DrawCurve(theoreticalRatioGraph_, curve); }

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
