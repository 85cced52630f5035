#pragma once
// Drawing a spectra result on the spectra charts (Chart3 horizontal, Chart4
// vertical) and the ratio chart (Chart5). The charts only draw; the result comes
// finished from corvath::spectra.
#include <QColor>
#include <QString>
#include <cstddef>

#include "spectra/calculatespectra.h"

class QCustomPlot;
class QWidget;

namespace corvath::charts {

//! Name of the error bars of the ratio curve (lower and upper bound per point).
inline constexpr const char* kRatioBoundsName = "StdError";
//! Object name of the peak label item on the ratio chart.
inline constexpr const char* kPeakLabelName = "peakLabel";

//! Makes the left axis of a spectra chart logarithmic.
void SetupSpectraChart(QCustomPlot* chart);

//! The ratio chart "Chart5" titled "Ratio", bottom axis "f,Hz" from 0 to 100, with
//! the empty curves "H/Z" (red) and "H/Zc" (blue), both 2 pixels wide without marks.
QCustomPlot* MakeRatioChart(QWidget* parent);

//! Whether the ratio's peak gets a mark and a label: the one rule, spectra::PeakInsideBand.
using spectra::PeakInsideBand;

//! Removes every curve from both spectra charts, then draws the per-window curves
//! ("X_wnd1" ...) and the averages "X", "Y" (horizontal) and "Z" (vertical), and
//! sets each bottom axis to the averaged X / Z frequency span (Hz); the views are
//! remembered for RestoreHomeView.
void DrawSpectra(QCustomPlot* horizontal, QCustomPlot* vertical, const spectra::SpectraResult& result);

//! Draws "H/Z" as the first graph of the ratio chart (other graphs stay), with
//! error bars from its bounds while hasBounds is set, a peak inside the band marked
//! and labelled like "2.5Hz" (a PeakLabel), and the bottom axis set to the ratio's
//! frequency span (Hz); the view is remembered for RestoreHomeView.
void DrawRatio(QCustomPlot* ratioChart, const spectra::SpectraResult& result);

//! DrawSpectra and DrawRatio together, then a replot of the three charts.
void DrawSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart,
                       const spectra::SpectraResult& result);

//! Removes what DrawSpectraResult drew: every curve of the spectra charts, and the
//! "H/Z" points, its error bars and its peak label on the ratio chart ("H/Zc" stays).
void ClearSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart);

}  // namespace corvath::charts
