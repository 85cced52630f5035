#include "charts/chartinteraction.h"

#include <QKeyEvent>
#include <QPointF>
#include <QVariant>

#include <qcustomplot.h>

namespace corvath::charts {
namespace {

const char* const kHomeKeys = "corvathHomeKeys";
const char* const kHomeValues = "corvathHomeValues";

QPointF AsPoint(const QCPRange& range) { return QPointF(range.lower, range.upper); }
QCPRange AsRange(const QPointF& point) { return QCPRange(point.x(), point.y()); }

// Double click and Home on one chart.
class Navigator : public QObject {
public:
  explicit Navigator(QCustomPlot* chart) : QObject(chart), chart_(chart) {
    chart->installEventFilter(this);
    QObject::connect(chart, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { RestoreHomeView(chart_); });
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == chart_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Home) {
      RestoreHomeView(chart_);
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

private:
  QCustomPlot* chart_;
};

}  // namespace

void RememberHomeView(QCustomPlot* chart) {
  chart->setProperty(kHomeKeys, AsPoint(chart->xAxis->range()));
  chart->setProperty(kHomeValues, AsPoint(chart->yAxis->range()));
}

void RestoreHomeView(QCustomPlot* chart) {
  const QVariant keys = chart->property(kHomeKeys);
  const QVariant values = chart->property(kHomeValues);
  if (keys.isValid() && values.isValid()) {
    chart->xAxis->setRange(AsRange(keys.toPointF()));
    chart->yAxis->setRange(AsRange(values.toPointF()));
  } else {
    chart->rescaleAxes(true);
  }
  chart->replot();
}

void EnableChartNavigation(QCustomPlot* chart) {
  chart->setInteraction(QCP::iRangeDrag, true);
  chart->setInteraction(QCP::iRangeZoom, true);
  chart->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
  chart->axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
  chart->setFocusPolicy(Qt::ClickFocus);
  new Navigator(chart);
}

void AlignPlotAreas(const QList<QCustomPlot*>& charts) {
  if (charts.size() < 2) return;
  auto* group = new QCPMarginGroup(charts.front());
  for (QCustomPlot* chart : charts) {
    chart->axisRect()->setMarginGroup(QCP::msLeft | QCP::msRight, group);
    // A chart lays out its margins from the others' labels as they were at their
    // last replot; one that is behind is replotted once more.
    QObject::connect(chart, &QCustomPlot::afterLayout, chart, [chart, charts] {
      const QMargins mine = chart->axisRect()->margins();
      for (QCustomPlot* other : charts) {
        if (other == chart) continue;
        const QMargins theirs = other->axisRect()->margins();
        if (theirs.left() != mine.left() || theirs.right() != mine.right())
          other->replot(QCustomPlot::rpQueuedReplot);
      }
    });
  }
}

}  // namespace corvath::charts
