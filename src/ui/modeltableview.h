#pragma once
// Drawing the layered model: the parameter table and the depth profile chart.
#include "inversion/model.h"

class QCustomPlot;
class QTableWidget;

namespace corvath::ui {

//! Sets up the parameter table: seven columns with their headings, centred cells.
void SetUpModelTable(QTableWidget& table);

//! Writes the model into the table: one row per layer, "*" for the half-space's
//! H, Qp and Qs, silver cells where the invert flag is off.
void ShowModelTable(QTableWidget& table, const inversion::amodel& model);

//! Sets up the profile chart: inverted depth axis titled "Z", grid shown, one curve.
void SetUpProfileChart(QCustomPlot& chart);

//! Draws the depth profile of parameter p (H draws Vp) as a staircase.
void ShowProfile(QCustomPlot& chart, const inversion::amodel& model, int p);

}  // namespace corvath::ui
