#pragma once
// The window's tabs as widgets of their own: each makes its charts (held as named
// members), legends and panes; the main window lays them out and wires them.
#include <QStringList>
#include <QWidget>

#include "app/inversionrun.h"
#include "app/workspace.h"

class QCustomPlot;
class QLabel;
class QTableWidget;

namespace corvath::charts {
class CurveLegend;
}

namespace corvath::ui {

class EnsembleBands;
class FieldStandardView;
class InversionPanel;
class ModelTableController;
class RecordCurve;
class TimeRangeLink;
class WindowBandController;

//! "Time series": the horizontal (X, Y) and vertical (Z) record over one time range,
//! the analysis windows on both, and a scroll bar along the record.
class TimeSeriesPage : public QWidget {
  Q_OBJECT
public:
  //! zoomLabel shows the zoom factor (it sits in the toolbar).
  TimeSeriesPage(app::Workspace& workspace, QLabel* zoomLabel, QWidget* parent = nullptr);

  //! Redraws the record curves after the record changed (new axis ranges, the same
  //! left margin on both charts so that their time axes lie one above the other).
  void showRecord();
  //! Rescales the amplitude axes to the values (the time axes stay).
  void rescaleAmplitudes();

  QCustomPlot* horizontalChart = nullptr;  // Chart1
  QCustomPlot* verticalChart = nullptr;    // Chart2
  WindowBandController* windowBands = nullptr;
  TimeRangeLink* timeRange = nullptr;

private:
  RecordCurve* curves_[3] = {};  // X, Y, Z
};

//! "Spectra": the horizontal (X, Y) and vertical (Z) spectra with their legends.
class SpectraPage : public QWidget {
  Q_OBJECT
public:
  explicit SpectraPage(QWidget* parent = nullptr);

  QCustomPlot* horizontalChart = nullptr;  // Chart3
  QCustomPlot* verticalChart = nullptr;    // Chart4
  charts::CurveLegend* horizontalLegend = nullptr;
  charts::CurveLegend* verticalLegend = nullptr;
};

//! "Ratio": the ratio chart ("H/Z", then "H/Zc", the same chart as the batch
//! command's picture) with its legend, the field-standard form and report beside it.
class RatioPage : public QWidget {
  Q_OBJECT
public:
  RatioPage(FieldStandardView& fieldStandard, QWidget* parent = nullptr);

  QCustomPlot* chart = nullptr;  // Chart5
  charts::CurveLegend* legend = nullptr;
};

//! "1D inversion": the depth profile on the left; the panel and the parameter table
//! with its controller on the right, and under them a second view of the observed
//! and theoretical ratio, so that the fit is seen where it is made.
class InversionPage : public QWidget {
  Q_OBJECT
public:
  InversionPage(app::Workspace& workspace, QWidget* parent = nullptr);

  //! The ratio view shows the curves "H/Z" and "H/Zc" of ratioChart (the same data,
  //! no copy) over its frequency range, redrawn whenever ratioChart is, and behind them
  //! the band of an ensemble's curves.
  void mirrorRatioChart(QCustomPlot* ratioChart);
  //! Draws the ensemble's bands (the profile switched to Vs) and states its f0, depth to
  //! the half-space and the warnings about the result.
  void showEnsemble(const app::EnsembleSummary& ensemble, const QStringList& warnings);
  //! Removes the bands and the statement (a new run starts).
  void clearEnsemble();

  QCustomPlot* profileChart = nullptr;  // Chart6
  QCustomPlot* ratioView = nullptr;     // the ratio beside the table
  InversionPanel* panel = nullptr;
  QTableWidget* modelTable = nullptr;
  ModelTableController* modelView = nullptr;
  EnsembleBands* ensembleBands = nullptr;
};

//! A chart with its legend on the right.
QWidget* ChartWithLegend(QCustomPlot* chart, charts::CurveLegend* legend, QWidget* parent);

}  // namespace corvath::ui
