#pragma once
// A legend beside a chart: one entry per curve, in the chart's order, with the
// curve's colour and name and a check box that shows or hides the curve. The list
// scrolls when its entries do not fit.
#include <QListWidget>

class QCustomPlot;

namespace corvath::ui {

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

}  // namespace corvath::ui
