// How the main window is put together: its dialogs, the controllers of the command
// families with the views and answers each needs, what connects them, and the pages
// bound to the window's charts and panel.
#include <QActionGroup>
#include <QFileDialog>
#include <QProgressBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <qcustomplot.h>

#include "app/commands.h"
#include "ui/backgroundstatus.h"
#include "ui/chartview.h"
#include "ui/channelsdialog.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/historycontroller.h"
#include "ui/controllers/inversioncontroller.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/fieldstandardview.h"
#include "ui/filedialogs.h"
#include "ui/inversionpanel.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/modelfiles.h"
#include "ui/modeltableview.h"
#include "ui/pages.h"
#include "ui/prompts.h"
#include "ui/sessions.h"
#include "ui/settingsdialog.h"
#include "ui/surveyview.h"
#include "ui/windowaudit.h"
#include "ui/windowbands.h"
#include "ui/windowsettings.h"

namespace corvath::ui {

void MainWindow::createDialogs() {
  // Made once and reused, so their fields keep their contents.
  loadComponentsDialog_ = new LoadComponentsDialog(this);
  settingsDialog_ = new SettingsDialog(this);
  channelsDialog_ = new ChannelsDialog(this);
  recordFileDialog_ = MakeRecordFileDialog(this);
  saveResultsDialog_ = MakeSaveResultsDialog(this);
  modelFiles_ = new ModelFileCommands(*this, workspace_, *panel_, *modelView_, {[this](QDialog& d) { return runDialog_(d); },
      [this](const QString& q) { return askQuestion_(q); }, [this](const app::Outcome& o) { showFailure(o); }});
  workspaceCommands_->addAction(modelFiles_->openAction());  // a run holds the model
  // An ensemble band and its warnings were about the model before.
  connect(modelFiles_, &ModelFileCommands::modelOpened, inversionPage_, &InversionPage::clearEnsemble);
  for (QFileDialog* dialog : {recordFileDialog_, saveResultsDialog_}) remembered_->rememberFolder(*dialog);
  // "Load components" offers the three files it last loaded, so its browsing starts in their folder.
  remembered_->bind(
      "folders/loadComponents",
      [this] {
        const LoadComponentsDialog& d = *loadComponentsDialog_;
        const QStringList files{d.fileName(0), d.fileName(1), d.fileName(2)};
        return files.join("").isEmpty() ? QVariant() : QVariant(files);
      },
      [this](const QVariant& value) {
        if (const QStringList files = value.toStringList(); files.size() == 3)
          for (int c = 0; c < 3; ++c) loadComponentsDialog_->setFileName(c, files[c]);
      });
}

void MainWindow::createFileFamilies() {
  auto report = [this](const QString& command, const app::Outcome& outcome) { this->report(command, outcome); };
  auto tell = [this](const app::Outcome& outcome) { showFailure(outcome); };
  auto note = [this](const QString& text) { statusBar()->showMessage(text, 5000); };
  sessions_ = new SessionController(
      *this, {workspace_, record_, spectra_, inversion_, panel_, fieldStandard_, timeRange_, windowBands_,
              smoothedSpectraAction_, workspaceCommands_, remembered_, [this](QDialog& d) { return runDialog_(d); },
              report, tell, note, [this] { showModel(); }, [this] { clearResults(); },
              [this](const QStringList& files) { loadDroppedFiles(files); },
              [this](const QString& file) { return openObservedCurveFrom(file); }});
  surveys_ = new SurveyController(*this, {[this](QDialog& d) { return runDialog_(d); }, tell, report, note, record_,
                                          sessions_,
                                          [this] {
                                            tabs_->setCurrentWidget(ratioPage_);
                                            calculateSpectra();
                                          },
                                          remembered_});
}

void MainWindow::bindRemembered() {
  // The frequency scale the user chose and "Chains", beside the form the sessions keep.
  QAction* logarithmic = chartView_->logarithmicFrequencyAction();
  remembered_->bind(
      "view/logarithmicFrequency", [this] { return QVariant(chartView_->chosenLogarithmic()); },
      [logarithmic](const QVariant& on) {
        if (logarithmic->isChecked() != on.toBool()) logarithmic->trigger();
      });
  remembered_->bind(
      "inversion/chains", [this] { return QVariant(panel_->chains->value()); },
      [this](const QVariant& chains) { panel_->chains->setValue(chains.toInt()); });
}

void MainWindow::useSettings(std::unique_ptr<QSettings> store) { remembered_->useStore(std::move(store)); }

void MainWindow::connectControllers() {
  history_ = new HistoryController(*this, workspace_,
                                   {record_, inversion_, timeSeries_, inversionPage_, workspaceCommands_});
  record_->setChannelQuestion([this](import::RecordFormat format, const import::TraceList& traces) {
    return AskChannels(*channelsDialog_, runDialog_, format, traces);
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
  // A window's fate belongs to the windows it was computed for: once they change, it goes.
  connect(windowBands_, &WindowBandController::windowsChanged, fieldStandard_->audit(), &WindowAudit::clearBands);
  connect(addWindowAction_, &QAction::triggered, windowBands_, &WindowBandController::toggleAddMode);
  connect(removeWindowAction_, &QAction::triggered, windowBands_, &WindowBandController::toggleRemoveMode);
  connect(inversion_, &InversionController::progressed, panel_->progress, &QProgressBar::setValue);
  connect(inversion_, &InversionController::stateShown, this, &MainWindow::showInversionState);
  connect(inversion_, &InversionController::misfitShown, this,
          [this](const QString& misfit) { panel_->misfit->setText("misfit " + misfit); });
  connect(inversion_, &InversionController::curveShown, this, &MainWindow::drawTheoreticalCurve);
  connect(inversion_, &InversionController::finished, this, &MainWindow::inversionFinished);
  connect(inversion_, &InversionController::chainsProgressed, panel_, &InversionPanel::showChainProgress);
  connect(inversion_, &InversionController::ensembleCleared, inversionPage_, &InversionPage::clearEnsemble);
  connect(inversion_, &InversionController::ensembleShown, inversionPage_, &InversionPage::showEnsemble);
}

void MainWindow::bindPages() {
  horizontalTimeSeriesChart_ = timeSeries_->horizontalChart;
  verticalTimeSeriesChart_ = timeSeries_->verticalChart;
  windowBands_ = timeSeries_->windowBands;
  timeRange_ = timeSeries_->timeRange;
  ratioChart_ = ratioPage_->chart;
  theoreticalRatioGraph_ = ratioChart_->graph(1);
  inversionPage_->mirrorRatioChart(ratioChart_);
  ratioLegend_ = ratioPage_->legend;
  horizontalSpectraChart_ = spectraPage_->horizontalChart;
  verticalSpectraChart_ = spectraPage_->verticalChart;
  horizontalSpectraLegend_ = spectraPage_->horizontalLegend;
  verticalSpectraLegend_ = spectraPage_->verticalLegend;
  profileChart_ = inversionPage_->profileChart;
  panel_ = inversionPage_->panel;
  modelTable_ = inversionPage_->modelTable;
  modelView_ = inversionPage_->modelView;
  connect(panel_->layersNumber, &QSpinBox::valueChanged, modelView_, &ModelTableController::setLayerCount);
  // "Iter number" redraws the table (the layer count stays).
  connect(panel_->iterNumber, &QSpinBox::valueChanged, this,
          [this] { modelView_->setLayerCount(panel_->layersNumber->value()); });
  connect(modelView_, &ModelTableController::cellEditRefused, this,
          [this](const QString& reason) { report(QString(), app::Outcome::Failed(reason.toStdString())); });
  // A good edit clears an earlier refusal from the message line.
  connect(modelView_, &ModelTableController::cellValueAccepted, this, [this] { report(QString(), app::Outcome::Done()); });
  connect(modelView_, &ModelTableController::parameterSettingsRequested, this, [this](int p) {
    EditParameterSettings(*settingsDialog_, runDialog_, workspace_, p);
    modelView_->showModelTable();
  });
  connect(panel_->startButton, &QToolButton::clicked, this, &MainWindow::startInversion);
}

}  // namespace corvath::ui
