#pragma once
// Mouse and keyboard navigation of the spectra and ratio charts, the view a chart
// returns to, and plot areas that line up on charts stacked one above the other.
#include <QList>

class QCustomPlot;

namespace corvath::charts {

//! Stores the chart's current axis ranges as the view that a double click and Home
//! restore (called after every drawing that sets the ranges).
void RememberHomeView(QCustomPlot* chart);

//! Puts back the remembered view, or fits every visible curve when none was
//! remembered, and replots.
void RestoreHomeView(QCustomPlot* chart);

//! The wheel zooms and a drag pans both axes of the chart (frequency and
//! amplitude); a double click or Home (after a click gave the chart the keyboard)
//! restores the remembered view.
void EnableChartNavigation(QCustomPlot* chart);

//! Lines up the left and right edges of the plot areas of the charts: they share
//! one margin group, and a chart whose margins fall behind the others' after a
//! replot is replotted too.
void AlignPlotAreas(const QList<QCustomPlot*>& charts);

}  // namespace corvath::charts
