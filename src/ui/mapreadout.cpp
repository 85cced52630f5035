#include "ui/mapreadout.h"

#include <QMouseEvent>
#include <QToolTip>
#include <cmath>
#include <qcustomplot.h>

#include "spectra/fieldstandardsummary.h"

namespace corvath::ui {

namespace {

QString shown(double value) { return QString::fromStdString(spectra::DisplayNumber(value)); }

QCPColorMap* firstColorMap(QCustomPlot* chart) {
  for (int i = 0; i < chart->plottableCount(); ++i)
    if (auto* map = qobject_cast<QCPColorMap*>(chart->plottable(i))) return map;
  return nullptr;
}

}  // namespace

QString MapReadoutText(const QString& xName, const QString& xUnit, double x, double frequencyHz, double value) {
  QString text = QString("%1 %2%3, f %4 Hz, ").arg(xName, shown(x), xUnit.isEmpty() ? QString() : " " + xUnit,
                                                    shown(frequencyHz));
  return text + (std::isfinite(value) ? "H/V " + shown(value) : QString("no value"));
}

void WatchMapValues(QCustomPlot* chart, const QString& xName, const QString& xUnit) {
  chart->setMouseTracking(true);
  QObject::connect(chart, &QCustomPlot::mouseMove, chart, [chart, xName, xUnit](QMouseEvent* event) {
    QCPColorMap* map = firstColorMap(chart);
    const QPointF at = event->position();
    if (!map || !chart->axisRect()->rect().contains(at.toPoint())) return QToolTip::hideText();
    const double x = chart->xAxis->pixelToCoord(at.x());
    const double logF = chart->yAxis->pixelToCoord(at.y());
    QCPColorMapData* data = map->data();
    if (!data->keyRange().contains(x) && data->keySize() > 1) {
      // The outer cells reach half a cell beyond the key range.
      const double half = data->keyRange().size() / (data->keySize() - 1) / 2;
      if (x < data->keyRange().lower - half || x > data->keyRange().upper + half) return QToolTip::hideText();
    }
    int key = 0, row = 0;
    data->coordToCell(x, logF, &key, &row);
    if (key < 0 || row < 0 || key >= data->keySize() || row >= data->valueSize()) return QToolTip::hideText();
    const double f = std::pow(10.0, logF);
    QToolTip::showText(event->globalPosition().toPoint(), MapReadoutText(xName, xUnit, x, f, data->cell(key, row)),
                       chart);
  });
}

}  // namespace corvath::ui
