#pragma once
// Drawing a spectra result on the spectra charts (Chart3 horizontal, Chart4
// vertical) and the ratio chart (Chart5). The charts only draw; the result comes
// finished from corvath::spectra.
#include <QColor>
#include <cstddef>

#include "spectra/calculatespectra.h"

class QCustomPlot;

namespace corvath::ui {

//! Name of the error bars of the ratio curve (lower and upper bound per point).
inline constexpr const char* kRatioBoundsName = "StdError";
//! Object name of the peak label item on the ratio chart.
inline constexpr const char* kPeakLabelName = "peakLabel";

//! Makes the left axis of a spectra chart logarithmic.
void SetupSpectraChart(QCustomPlot* chart);

//! Removes every curve from both spectra charts, then draws the per-window curves
//! ("X_wnd1" ...) and the averages "X", "Y" (horizontal) and "Z" (vertical), and
//! sets each bottom axis to the averaged X / Z frequency span (Hz).
void DrawSpectra(QCustomPlot* horizontal, QCustomPlot* vertical, const spectra::SpectraResult& result);

//! Draws "H/Z" as the first graph of the ratio chart (other graphs stay), with
//! error bars from its bounds while hasBounds is set, the peak labelled like
//! "2.5Hz", and the bottom axis set to the ratio's frequency span (Hz).
void DrawRatio(QCustomPlot* ratioChart, const spectra::SpectraResult& result);

//! DrawSpectra and DrawRatio together, then a replot of the three charts.
void DrawSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart,
                       const spectra::SpectraResult& result);

//! Removes what DrawSpectraResult drew: every curve of the spectra charts, and the
//! "H/Z" points, its error bars and its peak label on the ratio chart ("H/Zc" stays).
void ClearSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart);

}  // namespace corvath::ui
