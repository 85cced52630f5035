#pragma once
// The value under the pointer on a colour map of H/V (log frequency upwards): as the
// pointer moves, a tooltip says where it is and what the map holds there.
#include <QString>

class QCustomPlot;

namespace corvath::ui {

//! The read-out of one point: "window start 120 s, f 0.692 Hz, H/V 3.42", or "no
//! value" in place of the H/V where the map holds none (nothing finite).
QString MapReadoutText(const QString& xName, const QString& xUnit, double x, double frequencyHz, double value);

//! Shows the read-out of the chart's first colour map under the pointer (its x axis
//! named xName in xUnit, its y axis log10 of the frequency); nothing outside the map.
void WatchMapValues(QCustomPlot* chart, const QString& xName, const QString& xUnit);

}  // namespace corvath::ui
