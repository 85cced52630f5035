#pragma once
// The "Field standard" computation in the window: the choice beside "Calculate
// spectra" between the classic computation and the field-standard one, the form of
// its settings and its report beside the ratio chart, and the drawing of its
// curves on the ratio chart. The computation itself is the app command.
#include <QObject>

#include <utility>
#include <vector>

#include "app/commands.h"
#include "spectra/fieldstandard.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QComboBox;
class QCustomPlot;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTextBrowser;
class QWidget;

namespace corvath::ui {

class WindowAudit;

//! Object name shared by every curve and item the field-standard drawing adds.
inline constexpr const char* kFieldStandardDrawingName = "fieldStandard";

//! Draws the field-standard result on the ratio chart beside its other curves: a thin
//! curve per window ("H/V_wnd1" ..., kept ones grey, rejected ones light red and named
//! with their fate), the ± sigma band, the mean "H/V" thick, the f0 ± sigma range as a shaded vertical band; logarithmic
//! frequency axis over the grid. Replaces an earlier field-standard drawing.
void DrawFieldStandard(QCustomPlot* ratioChart, const spectra::FieldStandardResult& result);

//! Removes the field-standard drawing and gives the frequency axis back its linear scale.
void ClearFieldStandard(QCustomPlot* ratioChart);

class FieldStandardView : public QObject {
  Q_OBJECT
public:
  explicit FieldStandardView(QWidget* parent);

  //! The choice "Classic" / "Field standard" (objectName "spectraMethod"), for the toolbar.
  QComboBox* methodChoice() const { return method_; }
  //! The ratio chart's pane with the settings form and the report on its right.
  QWidget* besideRatioChart(QWidget* ratioPane);
  //! "Field standard" is chosen.
  bool chosen() const;

  //! Reads the form, runs the field-standard command on the workspace and, on
  //! success, draws the result on the ratio chart and shows the report. A field that
  //! is not a number fails and names the field.
  app::Outcome calculate(app::Workspace& workspace, QCustomPlot* ratioChart);

  //! Draws the workspace's field-standard result on the ratio chart, the window
  //! fates and maps of the audit, and shows its report.
  void showResult(const app::Workspace& workspace, QCustomPlot* ratioChart);
  //! No field-standard result is shown: its curves, report, bands and maps go.
  void clearResult(QCustomPlot* ratioChart);

  //! Adds the "Windows" and "Azimuths" tabs to tabs, with the window fates drawn on
  //! the two time-series charts.
  void addAuditPages(QTabWidget& tabs, QCustomPlot* horizontalTimeSeries, QCustomPlot* verticalTimeSeries);
  WindowAudit* audit() const { return audit_; }

  //! "Save H/V results…" (File menu), enabled while a field-standard result is shown;
  //! the window runs saveDialog() and then saveChosen().
  QAction* saveAction() const { return saveAction_; }
  //! The save dialog: ".hv" curve, window table, window curves or azimuth table.
  QFileDialog* saveDialog();
  //! Writes the file the dialog chose, as its filter says (".hv" or ".txt" added to a
  //! name without an extension).
  app::Outcome saveChosen(const app::Workspace& workspace) const;

  //! The settings as the form holds them, read through the settings' table: Failed
  //! naming the first field that is not a number of its kind within its row's range
  //! (the fields of an unticked box are not read).
  app::Result<app::FieldStandardSettings> readSettings() const;
  //! Fills the form with the settings (numbers in their shortest exact text).
  void showSettings(const app::FieldStandardSettings& settings);
  //! Each number field beside the key of its row in the settings' table.
  std::vector<std::pair<const char*, QLineEdit*>> fieldsByKey() const;

  QLineEdit* windowLength = nullptr;  // "Window, s"
  QLineEdit* overlap = nullptr;       // "Overlap, %"
  QLineEdit* taper = nullptr;         // "Taper"
  QLineEdit* bandwidth = nullptr;     // "K-O b"
  QLineEdit* gridMin = nullptr;       // "Grid from, Hz"
  QLineEdit* gridMax = nullptr;       // "Grid to, Hz"
  QLineEdit* gridPoints = nullptr;    // "Grid points"
  QComboBox* combine = nullptr;       // "Combine"
  QCheckBox* reject = nullptr;        // "Reject windows"
  QLineEdit* rejectN = nullptr;       // "n sigma"
  QLineEdit* rejectPasses = nullptr;  // "Passes"
  QCheckBox* search = nullptr;        // "Peak search band"
  QLineEdit* searchMin = nullptr;     // "Search from, Hz"
  QLineEdit* searchMax = nullptr;     // "Search to, Hz"
  QCheckBox* staLta = nullptr;        // "STA/LTA windows"
  QLineEdit* staSeconds = nullptr;    // "STA, s"
  QLineEdit* ltaSeconds = nullptr;    // "LTA, s"
  QLineEdit* staLtaMin = nullptr;     // "STA/LTA min"
  QLineEdit* staLtaMax = nullptr;     // "STA/LTA max"
  QCheckBox* azimuths = nullptr;      // "Azimuths"
  QLineEdit* azimuthStep = nullptr;   // "Azimuth step, deg"
  QPlainTextEdit* report = nullptr;   // the report of the last computation, as "corvath-cli hv" prints it
  QTextBrowser* summary = nullptr;    // the same result formatted for reading (tab "Summary")

private:
  QComboBox* method_ = nullptr;
  QWidget* panel_ = nullptr;
  WindowAudit* audit_ = nullptr;
  QAction* saveAction_ = nullptr;
  QFileDialog* saveDialog_ = nullptr;
};

}  // namespace corvath::ui
