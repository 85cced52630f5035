#pragma once
// The main window: toolbar, the four tabs with their charts, the inversion panel
// and the parameter table, over the one workspace.
#include <functional>

#include <QMainWindow>

#include "app/workspace.h"

class QCustomPlot;
class QDialog;
class QFileDialog;
class QScrollArea;
class QSplitter;
class QTableWidget;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace corvath::ui {

class ChannelsDialog;
class CurveLegend;
class InversionPanel;
class LoadComponentsDialog;
class RecordCurve;
class SettingsDialog;
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

  LoadComponentsDialog& loadComponentsDialog() { return *loadComponentsDialog_; }
  SettingsDialog& settingsDialog() { return *settingsDialog_; }
  ChannelsDialog& channelsDialog() { return *channelsDialog_; }
  QFileDialog& recordFileDialog() { return *recordFileDialog_; }
  //! The analysis windows on the two time-series charts.
  WindowBandController& windowBands() { return *windowBands_; }

  //! "Load components": the dialog, then the three files; the workspace changes
  //! only when all three were read.
  void loadComponents();
  //! "Load saf/sg2 file": the open dialog, then the reader of the chosen file type.
  void loadRecordFile();

  //! Redraws the three record curves after the record changed (new axis ranges).
  void showRecord();

  //! "Zoom in": one step wider time-series charts (zoomFactor + 0.2, at most 10).
  void zoomIn();
  //! "Zoom out": one step narrower (zoomFactor - 0.2, at least 1).
  void zoomOut();
  //! "Remove zero": asks for the window size (samples) and subtracts the running
  //! mean from X, Y and Z; does nothing with fewer than 10 X samples.
  void removeZero();

  //! "Calculate spectra": on the "1D inversion" tab reads "Ref frq" and "K degree";
  //! on every other tab computes the spectra and the ratio of the record and draws
  //! them, or leaves the previous ones and says why in the status bar.
  void calculateSpectra();

private:
  void buildToolBar();
  QWidget* buildTimeSeriesTab();
  QWidget* buildSpectraTab();
  QWidget* buildRatioTab();
  QWidget* buildInversionTab();
  void afterLoad();
  void applyZoom();
  void showWindowModes();
  void showSpectraResult();

  app::Workspace workspace_;
  DialogRunner runDialog_;
  MessageSink showMessage_;
  TextPrompt askText_;

  QTabWidget* tabs_ = nullptr;
  QCustomPlot* charts_[6] = {};
  QScrollArea* timeSeriesPanes_[2] = {};
  WindowBandController* windowBands_ = nullptr;
  RecordCurve* recordCurves_[3] = {};
  CurveLegend* spectraLegends_[2] = {};
  CurveLegend* ratioLegend_ = nullptr;
  InversionPanel* panel_ = nullptr;
  QTableWidget* modelTable_ = nullptr;

  LoadComponentsDialog* loadComponentsDialog_ = nullptr;
  SettingsDialog* settingsDialog_ = nullptr;
  ChannelsDialog* channelsDialog_ = nullptr;
  QFileDialog* recordFileDialog_ = nullptr;
};

}  // namespace corvath::ui
