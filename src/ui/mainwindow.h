#pragma once
// The main window: toolbar, the four tabs with their charts, the inversion panel
// and the parameter table, over the one workspace. The window only binds: it reads
// its fields into typed settings, hands them to the controller of the command
// family (record, spectra and curves, model table, inversion) and draws the answer.
#include <functional>
#include <memory>
#include <optional>

#include <QMainWindow>

#include "app/outcome.h"
#include "app/workspace.h"
#include "import/readers.h"
#include "inversion/inversionsettings.h"
#include "ui/controllers/spectracontroller.h"
#include "ui/dialogrunner.h"

class QAction;
class QActionGroup;
class QCPGraph;
class QCustomPlot;
class QFileDialog;
class QLabel;
class QSettings;
class QTableWidget;
class QTabWidget;

namespace corvath::charts {
class CurveLegend;
}

namespace corvath::ui {

using charts::CurveLegend;
class BackgroundStatus;
class ChartViewController;
class ChannelsDialog;
class FieldStandardView;
class HistoryController;
class InversionController;
class InversionPanel;
class LoadComponentsDialog;
class MessageArea;
class ModelFileCommands;
class ModelTableController;
class RecordController;
class SpectraPage;
class RatioPage;
class TimeSeriesPage;
class InversionPage;
class SessionController;
class SurveyController;
class SettingsDialog;
class TimeRangeLink;
class WindowBandController;
class WindowSettingsBinder;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override = default;

  app::Workspace& workspace() { return workspace_; }

  using DialogRunner = ui::DialogRunner;
  //! Replaces how dialogs are shown (tests fill and answer them without a modal loop).
  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

  //! Tells the user that a command failed: the message and the file concerned.
  using MessageSink = std::function<void(const QString& text, const QString& informative)>;
  void setMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

  //! Asks for a line of text modally and returns it, or nothing when the user
  //! cancels; replaceable so that tests answer without a modal loop.
  using TextPrompt =
      std::function<std::optional<QString>(const QString& caption, const QString& label, const QString& defaultText)>;
  void setTextPrompt(TextPrompt prompt) { askText_ = std::move(prompt); }

  //! Asks a yes/no question modally; replaceable so that tests answer it.
  using Question = std::function<bool(const QString& text)>;
  void setQuestion(Question question) { askQuestion_ = std::move(question); }

  LoadComponentsDialog& loadComponentsDialog() { return *loadComponentsDialog_; }
  SettingsDialog& settingsDialog() { return *settingsDialog_; }
  ChannelsDialog& channelsDialog() { return *channelsDialog_; }
  QFileDialog& recordFileDialog() { return *recordFileDialog_; }
  QFileDialog& saveResultsDialog() { return *saveResultsDialog_; }
  //! "Open model..." and "Save model..." of the File menu, with their dialogs.
  ModelFileCommands& modelFiles() { return *modelFiles_; }
  //! The analysis windows on the two time-series charts.
  WindowBandController& windowBands() { return *windowBands_; }
  //! The one time range of the two time-series charts.
  TimeRangeLink& timeRange() { return *timeRange_; }
  //! Sessions and the recent record files (File menu).
  SessionController& sessions() { return *sessions_; }
  //! Surveys and settings files (File menu).
  SurveyController& surveys() { return *surveys_; }
  //! What the window remembers between runs: geometry, splitters, recent lists,
  //! folders and the bound values.
  WindowSettingsBinder& remembered() { return *remembered_; }
  //! Keeps what the window remembers in store from now on and restores it now (the
  //! program gives the user's store; tests give their own or none).
  void useSettings(std::unique_ptr<QSettings> store);

  //! Enables or disables together every command that changes the record, the
  //! windows, the model or the observed curve (a running command holds them).
  void setWorkspaceCommandsEnabled(bool enabled);

  //! "Load components": the dialog, then the three files.
  void loadComponents();
  //! "Load saf/sg2 file": the open dialog, then the reader of the chosen file type.
  void loadRecordFile();
  //! Loads files dropped on the window by their extensions.
  void loadDroppedFiles(const QStringList& paths);
  //! "Open observed curve…" without its dialog: a .hv file or a results table.
  void openObservedCurve(const QString& path);
  //! "Save results": the save dialog, then the file of the chosen type; does nothing
  //! before the first "Calculate spectra".
  void saveResults();

  //! Redraws the three record curves after the record changed (new axis ranges).
  void showRecord();
  //! "Zoom in" / "Zoom out": one step of the zoom factor.
  void zoomIn();
  void zoomOut();
  //! "Remove zero": asks for the window size (samples) and subtracts the running mean;
  //! Cancel, or a size that is not a number, leaves the record as it was.
  void removeZero();

  //! "Calculate spectra": on the "1D inversion" tab the theoretical curve, on every
  //! other tab the classic or field-standard spectra and ratio of the record.
  void calculateSpectra();
  //! "Calculate theoretical curve": the model's "H/Zc" at the observed frequencies,
  //! with "Ref frq" and "K degree" of the panel.
  void calculateTheoreticalCurve();
  //! "Open observed curve…" once its file is chosen: the curve of a .hv file or a
  //! results table replaces the observed ratio; a file refused is told.
  app::Outcome openObservedCurveFrom(const QString& path);
  //! "Start inversion": starts a run, or asks the running one to stop.
  void startInversion();
  //! True while an inversion runs.
  bool inversionRunning() const;
  //! True while a long load or calculation runs off the window's thread.
  bool backgroundRunning() const;
  //! From which size a load (bytes of its files) and a calculation (samples of X)
  //! run off the window's thread; smaller ones finish before the next event.
  void setBackgroundThresholds(qint64 loadBytes, std::size_t samples);

protected:
  //! Closing during a run stops the run first.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void createActions();
  void createDialogs();
  void buildToolBar();
  void buildStatusBar();
  //! The menu bar, every menu made in one place from the command families' actions
  //! (in mainwindowbars.cpp).
  void buildMenus();
  //! Axis units, the pointer readout and the frequency scale (in mainwindowbars.cpp).
  void buildChartView();
  void bindPages();
  void connectControllers();
  //! The session and survey controllers, with the views and answers they need.
  void createFileFamilies();
  //! What the window remembers beyond the families' own: the frequency scale, "Chains".
  void bindRemembered();
  //! Takes every result computed on the record before out of the workspace and out of
  //! view, and turns "Save results" off: classic and field-standard curves, spectra,
  //! maps, bands, reports, "H/Zc" and the ensemble band. The model and an observed
  //! curve opened from a file are no results of the record and stay.
  void clearResults();

  void recordLoaded(const app::Outcome& outcome);
  void spectraCalculated(SpectraController::Method method, const app::Outcome& outcome);
  void inversionFinished(const app::Outcome& outcome, bool completed);
  void showInversionState(const inversion::InversionSnapshot& snapshot, bool showsReference, bool showsExponent);
  //! A failed command in a message box, naming its file once.
  void showFailure(const app::Outcome& outcome);
  //! Says in the status bar what a command answered ("<command>: <message>"), a
  //! notice as it is, or clears it after a plain success.
  void report(const QString& command, const app::Outcome& outcome);
  void refreshLegends();
  void showModel();
  //! Draws a curve as "H/Zc".
  void drawTheoreticalCurve(const numerics::arofcomplexM& curve);

  app::Workspace workspace_;
  DialogRunner runDialog_;
  MessageSink showMessage_;
  TextPrompt askText_;
  Question askQuestion_;

  // The controllers of the command families.
  RecordController* record_ = nullptr;
  SpectraController* spectra_ = nullptr;
  ModelTableController* modelView_ = nullptr;
  InversionController* inversion_ = nullptr;
  HistoryController* history_ = nullptr;  //!< undo and redo, with their Edit menu actions
  SessionController* sessions_ = nullptr;
  SurveyController* surveys_ = nullptr;  //!< surveys and settings files
  WindowSettingsBinder* remembered_ = nullptr;

  // Toolbar commands, left to right.
  QAction* loadComponentsAction_ = nullptr;
  QAction* loadRecordFileAction_ = nullptr;
  QAction* saveResultsAction_ = nullptr;
  QAction* addWindowAction_ = nullptr;
  QAction* removeWindowAction_ = nullptr;
  QAction* zoomInAction_ = nullptr;
  QAction* zoomOutAction_ = nullptr;
  QAction* removeZeroAction_ = nullptr;
  QAction* smoothedSpectraAction_ = nullptr;
  QAction* calculateSpectraAction_ = nullptr;
  // Menu commands beside the toolbar's.
  QAction* calculateCurveAction_ = nullptr;
  QAction* startInversionAction_ = nullptr;
  //! The commands that change the record, the windows, the model or the observed curve.
  QActionGroup* workspaceCommands_ = nullptr;

  QTabWidget* tabs_ = nullptr;
  TimeSeriesPage* timeSeries_ = nullptr;
  SpectraPage* spectraPage_ = nullptr;
  RatioPage* ratioPage_ = nullptr;
  InversionPage* inversionPage_ = nullptr;
  QCustomPlot* horizontalTimeSeriesChart_ = nullptr;  // Chart1
  QCustomPlot* verticalTimeSeriesChart_ = nullptr;    // Chart2
  QCustomPlot* horizontalSpectraChart_ = nullptr;     // Chart3
  QCustomPlot* verticalSpectraChart_ = nullptr;       // Chart4
  QCustomPlot* ratioChart_ = nullptr;                 // Chart5
  QCustomPlot* profileChart_ = nullptr;               // Chart6
  QCPGraph* theoreticalRatioGraph_ = nullptr;         // "H/Zc"
  TimeRangeLink* timeRange_ = nullptr;  // the shared time axis, its scroll bar and zoom label
  QLabel* zoomLabel_ = nullptr;
  WindowBandController* windowBands_ = nullptr;
  CurveLegend* horizontalSpectraLegend_ = nullptr;
  CurveLegend* verticalSpectraLegend_ = nullptr;
  CurveLegend* ratioLegend_ = nullptr;
  InversionPanel* panel_ = nullptr;
  QTableWidget* modelTable_ = nullptr;
  QLabel* recordInfo_ = nullptr;  //!< what is loaded, at the right of the status bar
  MessageArea* messages_ = nullptr;  //!< the last command's failure or notice, and the log
  BackgroundStatus* backgroundStatus_ = nullptr;
  FieldStandardView* fieldStandard_ = nullptr;  //!< the choice beside "Calculate spectra", its form and report
  ChartViewController* chartView_ = nullptr;  //!< axis units, pointer readout, frequency scale

  LoadComponentsDialog* loadComponentsDialog_ = nullptr;
  SettingsDialog* settingsDialog_ = nullptr;
  ChannelsDialog* channelsDialog_ = nullptr;
  QFileDialog* recordFileDialog_ = nullptr;
  QFileDialog* saveResultsDialog_ = nullptr;
  ModelFileCommands* modelFiles_ = nullptr;
};

}  // namespace corvath::ui
