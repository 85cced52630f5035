// The main window's bars: the toolbar, the status bar, the menu bar (every command of
// the toolbar and the panels under the menu it belongs to, its shortcut shown), and
// what the charts show beyond their curves (units, the pointer readout, the
// frequency scale).
#include <vector>

#include <QAction>
#include <QFileDialog>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <qcustomplot.h>

#include "app/observedcurve.h"
#include "ui/backgroundstatus.h"
#include "ui/controllers/historycontroller.h"
#include "ui/chartview.h"
#include "ui/fieldstandardview.h"
#include "ui/helppage.h"
#include "ui/inversionpanel.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/messagearea.h"
#include "ui/modelfiles.h"
#include "ui/pages.h"
#include "ui/sessions.h"
#include "ui/surveyview.h"
#include "ui/windowbands.h"

namespace corvath::ui {

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

void MainWindow::buildMenus() {
  // Each menu is made here, once, from the actions of the command families: a family
  // that adds a File command adds it to its own list, and it shows.
  QMenu* file = TopMenu(*this, "File");
  const QList<QList<QAction*>> fileGroups = {
      {loadComponentsAction_, loadRecordFileAction_, sessions_->recentRecordsMenu()->menuAction()},
      sessions_->fileActions(),
      surveys_->fileActions(),
      {modelFiles_->openAction(), modelFiles_->saveAction()},
      {saveResultsAction_, fieldStandard_->saveAction()},
  };
  for (const QList<QAction*>& group : fileGroups) {
    file->addActions(group);
    file->addSeparator();
  }
  QAction* quit = file->addAction("Quit", this, &QWidget::close);
  quit->setObjectName("quitAction");
  quit->setShortcut(QKeySequence::Quit);
  quit->setMenuRole(QAction::QuitRole);

  QMenu* edit = TopMenu(*this, "Edit");
  edit->addActions({history_->undoAction(), history_->redoAction()});
  edit->addSeparator();
  edit->addAction(surveys_->undoSettingsAction());

  QMenu* view = TopMenu(*this, "View");
  view->addAction(zoomInAction_);
  view->addAction(zoomOutAction_);
  view->addAction(chartView_->logarithmicFrequencyAction());
  view->addSeparator();
  QAction* messages = view->addAction("Messages", messages_, &MessageArea::showLog);
  messages->setObjectName("messagesAction");

  QMenu* analysis = TopMenu(*this, "Analysis");
  for (QAction* action : {addWindowAction_, removeWindowAction_, removeZeroAction_})
    analysis->addAction(action);
  QAction* selectWindows = analysis->addAction("Select windows automatically", this, [this] {
    const app::Result<app::FieldStandardSettings> settings = fieldStandard_->readSettings();
    report("Select windows automatically", settings.done() ? windowBands_->selectWindows(*settings) : settings.outcome);
  });
  selectWindows->setObjectName("selectWindowsAction");
  connect(fieldStandard_->saveAction(), &QAction::triggered, this, [this] {
    if (runDialog_(*fieldStandard_->saveDialog()) != QDialog::Accepted) return;
    report("Save H/V results", fieldStandard_->saveChosen(workspace_));
  });
  selectWindows->setStatusTip(
      "Analysis windows of the field-standard length and overlap where the STA/LTA ratio stays within its bounds");
  workspaceCommands_->addAction(selectWindows);
  analysis->addSeparator();
  analysis->addAction(smoothedSpectraAction_);
  analysis->addAction(calculateSpectraAction_);

  QMenu* inversion = TopMenu(*this, "Inversion");
  // A curve computed earlier, here or by another tool (a .hv file), to fit a model to.
  QAction* openCurve = inversion->addAction("Open observed curve…", this, [this] {
    QFileDialog dialog(this, "Open observed curve");
    dialog.setObjectName("observedCurveDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"H/V curves (*.hv *.txt)", "All files (*)"});
    if (runDialog_(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openObservedCurveFrom(dialog.selectedFiles().front());
  });
  openCurve->setObjectName("openObservedCurveAction");
  openCurve->setStatusTip("The observed H/V from a .hv file or a results table, in place of a calculated one");
  workspaceCommands_->addAction(openCurve);
  inversion->addSeparator();
  calculateCurveAction_ = inversion->addAction("Calculate theoretical curve", this,
                                               &MainWindow::calculateTheoreticalCurve);
  calculateCurveAction_->setObjectName("calculateTheoreticalCurveAction");
  calculateCurveAction_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
  calculateCurveAction_->setStatusTip("The model's H/Zc at the frequencies of the observed ratio");
  workspaceCommands_->addAction(calculateCurveAction_);
  startInversionAction_ = inversion->addAction("Start inversion", panel_->startButton, &QToolButton::click);
  startInversionAction_->setObjectName("startInversionAction");
  startInversionAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

  AddHelpMenu(*this);
}

void MainWindow::buildChartView() {
  auto* readout = new QLabel(this);
  statusBar()->addPermanentWidget(readout);
  chartView_ = new ChartViewController({horizontalSpectraChart_, verticalSpectraChart_, ratioChart_}, readout, this);
  // The amplitude unit is the record's own: counts for most recorders, the file's unit otherwise.
  for (QCustomPlot* chart : {horizontalTimeSeriesChart_, verticalTimeSeriesChart_}) {
    chart->yAxis->setLabel("A, record units");
    chart->xAxis->setLabel("t,sec");
    chartView_->watch(chart, "t", "s", "A", QString());
  }
  for (QCustomPlot* chart : {horizontalSpectraChart_, verticalSpectraChart_}) {
    chart->yAxis->setLabel("spectral amplitude");
    chartView_->watch(chart, "f", "Hz", "amplitude", QString());
  }
  ratioChart_->yAxis->setLabel("H/V");
  chartView_->watch(ratioChart_, "f", "Hz", "H/V", QString());
  chartView_->watch(inversionPage_->ratioView, "f", "Hz", "H/V", QString());
  chartView_->watch(profileChart_, QString(), QString(), "Depth", "m");
}

}  // namespace corvath::ui
