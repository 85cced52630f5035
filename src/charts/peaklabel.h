#pragma once
// The label of the ratio's peak: its text on a light box above the peak, moved
// inside the plot area when the peak is near an edge, so that neither the error
// gates nor the axes run through it.
#include <QRectF>

#include <qcustomplot.h>

namespace corvath::charts {

class PeakLabel : public QCPItemText {
  Q_OBJECT
public:
  //! Pixels between the peak and the box, and between the box and the plot area's edge.
  static constexpr double kGap = 6.0;
  static constexpr double kInset = 4.0;

  //! A label on the chart's axis rect; its position is the peak in plot coordinates.
  explicit PeakLabel(QCustomPlot* chart);

  //! The box in pixels as last drawn; empty when the peak lay outside the view.
  QRectF drawnBox() const { return drawnBox_; }

protected:
  void draw(QCPPainter* painter) override;

private:
  QRectF drawnBox_;
};

}  // namespace corvath::charts
