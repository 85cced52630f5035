#pragma once
// Chart set-up shared by the main window's charts: title, axis captions, label
// format and the logarithmic amplitude axis.
#include <QString>

#include "numerics/arrays.h"

class QCPGraph;
class QCustomPlot;
class QCPAxis;
class QWidget;

namespace corvath::charts {

//! An axis label: at most five decimals, trailing zeros dropped, no digit grouping;
//! magnitudes below 1e-5 or from 1e15 up in exponent form.
QString AxisLabelText(double value);

//! A chart with the given objectName and title (no title when empty), grid lines hidden.
QCustomPlot* MakeChart(const QString& objectName, const QString& title, QWidget* parent);

//! The title text of a chart made by MakeChart ("" when it has none).
QString ChartTitle(const QCustomPlot& chart);

//! Linear axis with AxisLabelText labels, thinned until neighbouring labels keep a gap.
void UseLinearLabels(QCPAxis* axis);

//! Logarithmic axis (decades, or 1-2-5 steps on a short range), thinned until
//! neighbouring labels keep a gap; all labels plain decimals while every tick lies
//! between 0.0001 and 100000, otherwise all powers of ten ("10⁻⁵", "2·10⁻⁵").
void UseLogarithmicLabels(QCPAxis* axis);

//! Gives a graph the (frequency, ratio) points of a curve, such as "H/Zc", and replots
//! its chart at the next event.
void DrawCurve(QCPGraph* graph, const numerics::arofcomplexM& curve);

}  // namespace corvath::charts

namespace corvath::charts {

//! Sets the frequency (bottom) axis of a spectra or ratio chart to a logarithmic or
//! linear scale. On a logarithmic scale a range reaching zero or below starts at the
//! lowest positive frequency of the chart's curves (or 0.1 Hz without any). The view
//! is remembered as the one a double click returns to, and the chart replotted.
void SetFrequencyScale(QCustomPlot* chart, bool logarithmic);

}  // namespace corvath::charts
