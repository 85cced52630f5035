#include "ui/modeltableview.h"

#include <algorithm>

#include <QHeaderView>
#include <QTableWidget>
#include <qcustomplot.h>

namespace corvath::ui {
namespace {

const QColor kSilver(192, 192, 192);

QTableWidgetItem* CenteredItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

QCPCurve* ProfileCurve(QCustomPlot& chart) {
  return chart.plottableCount() > 0 ? qobject_cast<QCPCurve*>(chart.plottable(0)) : nullptr;
}

}  // namespace

void SetUpModelTable(QTableWidget& table) {
  table.setColumnCount(inversion::kParameterCount + 1);
  QStringList headings;
  for (const char* heading : inversion::kModelTableHeadings) headings << heading;
  table.setHorizontalHeaderLabels(headings);
  table.verticalHeader()->setVisible(false);
  table.horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  table.setColumnWidth(0, 40);
  for (int c = 1; c <= inversion::kParameterCount; ++c) table.setColumnWidth(c, 65);
  table.verticalHeader()->setDefaultSectionSize(22);
}

void ShowModelTable(QTableWidget& table, const inversion::amodel& model) {
  const int n = model.layerCount();
  table.setRowCount(n);
  for (int i = 0; i < n; ++i) {
    table.setItem(i, 0, CenteredItem(QString::number(i + 1)));
    for (int p = 0; p < inversion::kParameterCount; ++p) {
      auto* item = CenteredItem(QString::fromStdString(inversion::ModelCellText(model, p, i)));
      if (!model.invertFlags[p][i]) item->setBackground(kSilver);
      table.setItem(i, p + 1, item);
    }
  }
}

void SetUpProfileChart(QCustomPlot& chart) {
  chart.yAxis->setRangeReversed(true);  // depth grows downward
  chart.yAxis->setLabel("Z");
  chart.xAxis->ticker()->setTickCount(4);
  for (QCPAxis* axis : {chart.xAxis, chart.yAxis}) axis->grid()->setVisible(true);
  auto* curve = new QCPCurve(chart.xAxis, chart.yAxis);
  curve->setPen(QPen(QColor(0, 0, 160), 2));
  curve->setLineStyle(QCPCurve::lsLine);
  curve->setScatterStyle(QCPScatterStyle::ssNone);
}

void ShowProfile(QCustomPlot& chart, const inversion::amodel& model, int p) {
  QCPCurve* curve = ProfileCurve(chart);
  if (!curve) return;
  const int shown = (p <= 0 || p >= inversion::kParameterCount) ? 1 : p;
  chart.xAxis->setLabel(inversion::kModelTableHeadings[shown + 1]);
  const auto points = inversion::ProfilePoints(model, shown);
  QVector<double> t, keys, values;
  for (const auto& [value, depth] : points) {
    t.append(t.size());  // drawing order: the points as added
    keys.append(value);
    values.append(depth);
  }
  curve->setData(t, keys, values, true);
  if (points.empty()) {
    chart.replot();
    return;
  }
  // The curve spans 3 % to 97 % of the width; depth runs from the surface down.
  const auto [minIt, maxIt] = std::minmax_element(keys.begin(), keys.end());
  double low = *minIt, high = *maxIt;
  if (high - low < 1e-12 * std::max(1.0, std::abs(high))) {
    const double half = std::max(0.05 * std::abs(high), 1e-3);
    low -= half;
    high += half;
  }
  const double pad = (high - low) * 0.03 / 0.94;
  chart.xAxis->setRange(low - pad, high + pad);
  chart.yAxis->setRange(0.0, std::max(values.back(), 1e-3));
  chart.replot();
}

}  // namespace corvath::ui
