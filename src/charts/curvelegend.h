#pragma once
// A legend beside a chart: one entry per curve, in the chart's order, with the
// curve's colour and name and a check box that shows or hides the curve. The list
// scrolls when its entries do not fit. Error bars are not listed: they, and the
// items bound to a curve (a peak label), are shown and hidden with their curve.
#include <QListWidget>

class QCustomPlot;
class QCPAbstractItem;
class QCPAbstractPlottable;

namespace corvath::charts {

//! Binds a chart item (a label, a marker) to a curve, so that it is shown and hidden
//! with the curve's legend check box.
void BindToCurve(QCPAbstractItem* item, QCPAbstractPlottable* curve);

//! Shows or hides a curve together with its error bars and the items bound to it.
void SetCurveVisible(QCustomPlot* plot, QCPAbstractPlottable* curve, bool visible);

class CurveLegend : public QListWidget {
  Q_OBJECT
public:
  explicit CurveLegend(QCustomPlot* plot, QWidget* parent = nullptr);

  //! Rebuilds the entries from the chart's curves; call after curves were added,
  //! removed, renamed or recoloured.
  void refresh();

private:
  void onItemChanged(QListWidgetItem* item);

  QCustomPlot* plot_;
  bool refreshing_ = false;
};

}  // namespace corvath::charts
