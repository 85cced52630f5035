#pragma once
// The main window: toolbar, the four tabs with their charts, the inversion panel
// and the parameter table, over the one workspace. Every command goes through the
// commands of app; the window reads its fields into typed settings, runs the
// command and draws what it changed.
#include <functional>

#include <QMainWindow>

#include "app/commands.h"
#include "app/inversionrun.h"
#include "app/outcome.h"
#include "app/workspace.h"

class QAction;
class QActionGroup;
class QCPGraph;
class QCustomPlot;
class QDialog;
class QFileDialog;
class QLabel;
class QProgressBar;
class QToolButton;
class QTableWidget;
class QTabWidget;

namespace corvath::charts {
class CurveLegend;
}

namespace corvath::ui {

using charts::CurveLegend;
class ChannelsDialog;
class FieldStandardView;
class InversionPanel;
class BackgroundTask;
class InversionRunner;
class LoadComponentsDialog;
class ModelTableController;
class RecordCurve;
class SettingsDialog;
class TimeRangeLink;
class WindowBandController;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  app::Workspace& workspace() { return workspace_; }

  //! Shows a dialog modally and returns its result; replaceable so that tests can
  //! fill a dialog and answer it without a modal loop.
  using DialogRunner = std::function<int(QDialog&)>;
  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

  //! Tells the user that a command failed: the message and the file concerned.
  using MessageSink = std::function<void(const QString& text, const QString& informative)>;
  void setMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

  //! Asks for a line of text modally and returns it, or defaultText when the user
  //! cancels; replaceable so that tests answer without a modal loop.
  using TextPrompt =
      std::function<QString(const QString& caption, const QString& label, const QString& defaultText)>;
  void setTextPrompt(TextPrompt prompt) { askText_ = std::move(prompt); }

  //! Asks a yes/no question modally; replaceable so that tests answer it.
  using Question = std::function<bool(const QString& text)>;
  void setQuestion(Question question) { askQuestion_ = std::move(question); }

  LoadComponentsDialog& loadComponentsDialog() { return *loadComponentsDialog_; }
  SettingsDialog& settingsDialog() { return *settingsDialog_; }
  ChannelsDialog& channelsDialog() { return *channelsDialog_; }
  QFileDialog& recordFileDialog() { return *recordFileDialog_; }
  QFileDialog& saveResultsDialog() { return *saveResultsDialog_; }
  //! The analysis windows on the two time-series charts.
  WindowBandController& windowBands() { return *windowBands_; }
  //! The one time range of the two time-series charts.
  TimeRangeLink& timeRange() { return *timeRange_; }

  //! Enables or disables together every command that changes the record, the
  //! windows, the model or the observed curve (a running inversion holds them).
  void setWorkspaceCommandsEnabled(bool enabled);

  //! "Load components": the dialog, then the three files; the workspace changes
  //! only when all three were read.
  void loadComponents();
  //! "Load saf/sg2 file": the open dialog, then the reader of the chosen file type.
  void loadRecordFile();
  //! "Save results": the save dialog, then the file of the chosen type; does nothing
  //! before the first "Calculate spectra".
  void saveResults();

  //! Redraws the three record curves after the record changed (new axis ranges).
  void showRecord();

  //! "Zoom in": zoomFactor + 0.2 (at most 10); the time-series charts show the whole
  //! record / zoomFactor around the centre of their view.
  void zoomIn();
  //! "Zoom out": zoomFactor - 0.2 (at least 1), a longer stretch of the record in view.
  void zoomOut();
  //! "Remove zero": asks for the window size (samples) and subtracts the running
  //! mean from X, Y and Z; does nothing with fewer than 10 X samples.
  void removeZero();

  //! "Calculate spectra": on the "1D inversion" tab reads "Ref frq" and "K degree"
  //! and computes the theoretical curve; on every other tab computes the spectra and
  //! the ratio of the record and draws them, or leaves the previous ones and says why
  //! in the status bar.
  void calculateSpectra();

  //! "Start inversion": reads the panel and runs the damped least squares or the
  //! global search on a worker thread; pressed during a run, asks the run to stop.
  void startInversion();
  //! True while an inversion runs.
  bool inversionRunning() const;
  //! True while a long load or calculation runs off the window's thread.
  bool backgroundRunning() const;
  //! From which size a load (bytes of its files) and a calculation (samples of X)
  //! run off the window's thread; smaller ones finish before the next event.
  void setBackgroundThresholds(qint64 loadBytes, std::size_t samples) {
    backgroundLoadBytes_ = loadBytes;
    backgroundSamples_ = samples;
  }

  //! Loads files dropped on the window by their extensions: three component files,
  //! three SAC or miniSEED files, or one SAF, SEG-2, Delta or miniSEED file.
  void loadDroppedFiles(const QStringList& paths);

protected:
  //! Closing during a run stops the run first.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void showInversionState(const inversion::InversionSnapshot& snapshot);
  void finishInversion(const app::InversionRun& run, const app::Outcome& outcome);
  void showForwardModelValues(double referenceFrequency, double dispersionExponent);
  void createActions();
  void buildToolBar();
  QWidget* buildTimeSeriesTab();
  QWidget* buildSpectraTab();
  QWidget* buildRatioTab();
  QWidget* buildInversionTab();
  void loadRecord(const app::LoadRequest& request);
  void finishLoad(const app::LoadRequest& request, const app::Outcome& outcome);
  void finishSpectra(const app::Outcome& outcome);
  //! Runs work on a worker thread with the workspace commands held, its progress and
  //! cancel in the status bar; done runs on the window's thread afterwards.
  void startBackground(const QString& what, std::function<void(const numerics::ProgressHook&)> work,
                       std::function<void()> done);
  //! A channel question asked from a worker thread, answered on the window's thread.
  import::ChannelPrompt promptFromWorker(import::ChannelPrompt prompt);
  //! The "Channels" question for a file of the given kind; Cancel ends the load.
  import::ChannelPrompt channelPrompt(import::RecordFormat format);
  //! A failed command in a message box, naming its file once.
  void showFailure(const app::Outcome& outcome);
  //! The loaded record's files, sampling rate, duration and samples in the status bar.
  void showRecordSummary();
  void afterLoad();
  void applyZoom();
  void showWindowModes();
  void showSpectraResult();
  void showModel();
  void showTheoreticalCurve();
  //! Draws a curve as "H/Zc".
  void drawTheoreticalCurve(const numerics::arofcomplexM& curve);
  //! Says in the status bar what a command answered ("<command>: <message>"), or
  //! clears it after a success.
  void reportInStatusBar(const QString& command, const app::Outcome& outcome);

  app::Workspace workspace_;
  DialogRunner runDialog_;
  MessageSink showMessage_;
  TextPrompt askText_;
  Question askQuestion_;

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
  //! The commands that change the record, the windows, the model or the observed curve.
  QActionGroup* workspaceCommands_ = nullptr;

  QTabWidget* tabs_ = nullptr;
  QWidget* inversionTab_ = nullptr;
  QCustomPlot* horizontalTimeSeriesChart_ = nullptr;  // Chart1
  QCustomPlot* verticalTimeSeriesChart_ = nullptr;    // Chart2
  QCustomPlot* horizontalSpectraChart_ = nullptr;     // Chart3
  QCustomPlot* verticalSpectraChart_ = nullptr;       // Chart4
  QCustomPlot* ratioChart_ = nullptr;                 // Chart5
  QCustomPlot* profileChart_ = nullptr;               // Chart6
  QCPGraph* observedRatioGraph_ = nullptr;            // "H/Z"
  QCPGraph* theoreticalRatioGraph_ = nullptr;         // "H/Zc"
  TimeRangeLink* timeRange_ = nullptr;  // time range: the shared time axis, its scroll bar and zoom label
  QLabel* zoomLabel_ = nullptr;
  WindowBandController* windowBands_ = nullptr;
  RecordCurve* recordCurves_[3] = {};  // X, Y, Z
  CurveLegend* horizontalSpectraLegend_ = nullptr;
  CurveLegend* verticalSpectraLegend_ = nullptr;
  CurveLegend* ratioLegend_ = nullptr;
  InversionPanel* panel_ = nullptr;
  QTableWidget* modelTable_ = nullptr;
  QLabel* recordInfo_ = nullptr;  //!< what is loaded, at the right of the status bar
  BackgroundTask* backgroundTask_ = nullptr;
  QLabel* backgroundLabel_ = nullptr;
  QProgressBar* backgroundProgress_ = nullptr;
  QToolButton* backgroundCancel_ = nullptr;
  qint64 backgroundLoadBytes_ = 32 * 1024 * 1024;  // about ten minutes of a 200 Hz text record
  std::size_t backgroundSamples_ = 2'000'000;      // about three hours at 200 Hz
  QStringList recordFiles_;       //!< the file names of the loaded record
  ModelTableController* modelView_ = nullptr;
  InversionRunner* inversionRunner_ = nullptr;
  //! What the running inversion optimizes (the fields it writes back).
  bool runOptimizesReference_ = false;
  bool runOptimizesExponent_ = false;

  LoadComponentsDialog* loadComponentsDialog_ = nullptr;
  SettingsDialog* settingsDialog_ = nullptr;
  ChannelsDialog* channelsDialog_ = nullptr;
  QFileDialog* recordFileDialog_ = nullptr;
  QFileDialog* saveResultsDialog_ = nullptr;

  // ---- Field standard: the choice beside "Calculate spectra", its form and report (fieldstandardview.h)
  FieldStandardView* fieldStandard_ = nullptr;
};

}  // namespace corvath::ui
