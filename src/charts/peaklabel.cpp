#include "charts/peaklabel.h"

#include <algorithm>

namespace corvath::charts {

PeakLabel::PeakLabel(QCustomPlot* chart) : QCPItemText(chart) {
  position->setType(QCPItemPosition::ptPlotCoords);
  setClipToAxisRect(true);
  setPadding(QMargins(3, 1, 3, 1));
  setBrush(QBrush(QColor(255, 255, 255, 235)));
  setPen(QPen(QColor(150, 150, 150), 1));
  setColor(Qt::black);
}

void PeakLabel::draw(QCPPainter* painter) {
  drawnBox_ = QRectF();
  QCPAxisRect* rect = clipAxisRect();
  if (!rect) return;
  const QRectF area = QRectF(rect->rect()).adjusted(kInset, kInset, -kInset, -kInset);
  const QPointF peak = position->pixelPosition();
  if (!QRectF(rect->rect()).contains(peak)) return;  // panned or zoomed away from the peak

  painter->setFont(mainFont());
  const QRectF text = painter->fontMetrics().boundingRect(0, 0, 0, 0, Qt::TextDontClip | textAlignment(), this->text());
  const QMargins pad = padding();
  const QSizeF size(text.width() + pad.left() + pad.right(), text.height() + pad.top() + pad.bottom());

  // Centred above the peak; below it when there is no room above; then kept inside.
  QPointF topLeft(peak.x() - size.width() / 2, peak.y() - kGap - size.height());
  if (topLeft.y() < area.top()) topLeft.setY(peak.y() + kGap);
  topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - size.width())));
  topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
  const QRectF box(topLeft.toPoint(), size);

  painter->setPen(mainPen());
  painter->setBrush(mainBrush());
  painter->drawRect(box);
  painter->setBrush(Qt::NoBrush);
  painter->setPen(QPen(mainColor()));
  painter->drawText(box.adjusted(pad.left(), pad.top(), -pad.right(), -pad.bottom()),
                    Qt::TextDontClip | textAlignment(), this->text());
  drawnBox_ = box;
}

}  // namespace corvath::charts
