#include "charts/curvelegend.h"

#include <QPainter>
#include <QPixmap>
#include <qcustomplot.h>

namespace corvath::charts {
namespace {

// The curve's line, with its point marker in the middle when it has one (the
// window colour of a window's spectrum).
QIcon SwatchIcon(const QCPAbstractPlottable* curve) {
  QPixmap pixmap(20, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen line = curve->pen();
  line.setWidthF(qMax<qreal>(2.0, line.widthF()));
  painter.setPen(line);
  painter.drawLine(1, 6, 19, 6);
  if (auto* graph = qobject_cast<const QCPGraph*>(curve); graph && !graph->scatterStyle().isNone()) {
    painter.setPen(QPen(graph->scatterStyle().pen().color(), 1));
    painter.setBrush(graph->scatterStyle().brush());
    painter.drawEllipse(QPointF(10, 6), 3.5, 3.5);
  }
  return QIcon(pixmap);
}

const char* const kBoundCurveProperty = "boundCurve";

}  // namespace

void BindToCurve(QCPAbstractItem* item, QCPAbstractPlottable* curve) {
  item->setProperty(kBoundCurveProperty, QVariant::fromValue<void*>(curve));
}

void SetCurveVisible(QCustomPlot* plot, QCPAbstractPlottable* curve, bool visible) {
  curve->setVisible(visible);
  for (int i = 0; i < plot->plottableCount(); ++i)
    if (auto* bars = qobject_cast<QCPErrorBars*>(plot->plottable(i)); bars && bars->dataPlottable() == curve)
      bars->setVisible(visible);
  for (int i = 0; i < plot->itemCount(); ++i) {
    QCPAbstractItem* item = plot->item(i);
    if (item->property(kBoundCurveProperty).value<void*>() == curve) item->setVisible(visible);
  }
}

CurveLegend::CurveLegend(QCustomPlot* plot, QWidget* parent) : QListWidget(parent), plot_(plot) {
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
  setMinimumWidth(90);
  setMaximumWidth(140);
  connect(this, &QListWidget::itemChanged, this, &CurveLegend::onItemChanged);
  refresh();
}

void CurveLegend::refresh() {
  refreshing_ = true;
  clear();
  for (int i = 0; i < plot_->plottableCount(); ++i) {
    QCPAbstractPlottable* curve = plot_->plottable(i);
    if (qobject_cast<QCPErrorBars*>(curve)) continue;  // they follow their curve
    auto* item = new QListWidgetItem(SwatchIcon(curve), curve->name(), this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(curve->visible() ? Qt::Checked : Qt::Unchecked);
    item->setData(Qt::UserRole, QVariant::fromValue<void*>(curve));
  }
  refreshing_ = false;
}

void CurveLegend::onItemChanged(QListWidgetItem* item) {
  if (refreshing_) return;
  auto* curve = static_cast<QCPAbstractPlottable*>(item->data(Qt::UserRole).value<void*>());
  if (!plot_->hasPlottable(curve)) return;  // removed since the last refresh
  SetCurveVisible(plot_, curve, item->checkState() == Qt::Checked);
  plot_->replot();
}

}  // namespace corvath::charts
