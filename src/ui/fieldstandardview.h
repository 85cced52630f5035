#pragma once
// The "Field standard" computation in the window: the choice beside "Calculate
// spectra" between the classic computation and the field-standard one, the form of
// its settings and its report beside the ratio chart, and the drawing of its
// curves on the ratio chart. The computation itself is the app command.
#include <QObject>

#include "app/commands.h"
#include "spectra/fieldstandard.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace corvath::ui {

//! Object name shared by every curve and item the field-standard drawing adds.
inline constexpr const char* kFieldStandardDrawingName = "fieldStandard";

//! Draws the field-standard result on the ratio chart beside its other curves: a thin
//! curve per window ("H/V_wnd1" ..., rejected ones grey), the ± sigma band, the mean
//! "H/V" thick, the f0 ± sigma range as a shaded vertical band; logarithmic
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

  //! Draws the workspace's field-standard result on the ratio chart and shows its report.
  void showResult(const app::Workspace& workspace, QCustomPlot* ratioChart);

  //! The settings as the form holds them, or Failed naming the first field that is
  //! not a number (or, for "Grid points", not a whole number from 2 to 100000).
  app::Result<app::FieldStandardSettings> readSettings() const;

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
  QPlainTextEdit* report = nullptr;   // the report of the last computation

private:
  QComboBox* method_ = nullptr;
  QWidget* panel_ = nullptr;
};

}  // namespace corvath::ui
