#include "ui/curvelegend.h"

#include <QPainter>
#include <QPixmap>
#include <qcustomplot.h>

namespace corvath::ui {
namespace {

QIcon SwatchIcon(const QPen& pen) {
  QPixmap pixmap(20, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  QPen line = pen;
  line.setWidthF(qMax<qreal>(2.0, pen.widthF()));
  painter.setPen(line);
  painter.drawLine(1, 6, 19, 6);
  return QIcon(pixmap);
}

}  // namespace

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
    auto* item = new QListWidgetItem(SwatchIcon(curve->pen()), curve->name(), this);
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
  curve->setVisible(item->checkState() == Qt::Checked);
  plot_->replot();
}

}  // namespace corvath::ui
