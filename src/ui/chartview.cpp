#include "ui/chartview.h"

#include <cmath>

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <qcustomplot.h>

#include "charts/charts.h"

namespace corvath::ui {

namespace {
// Four significant digits: enough to read a peak off a chart.
QString Readout(double value) {
  if (!std::isfinite(value)) return QStringLiteral("-");
  return QString::number(value, 'g', 4);
}
}  // namespace

ChartViewController::ChartViewController(QList<QCustomPlot*> frequencyCharts, QLabel* readout, QObject* parent)
    : QObject(parent), frequencyCharts_(std::move(frequencyCharts)), readout_(readout) {
  readout_->setObjectName("cursorReadout");
  readout_->setMinimumWidth(readout_->fontMetrics().horizontalAdvance("f = 0.0000 Hz   amplitude = 0.0000e+00") + 8);
  logFrequency_ = new QAction("Logarithmic frequency axis", this);
  logFrequency_->setObjectName("logarithmicFrequencyAxis");
  logFrequency_->setCheckable(true);
  logFrequency_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  logFrequency_->setStatusTip("The frequency axes of the spectra and ratio charts logarithmic or linear");
  connect(logFrequency_, &QAction::toggled, this, [this] { applyFrequencyScale(); });
  connect(logFrequency_, &QAction::triggered, this, [this](bool on) { chosenLogarithmic_ = on; });
}

void ChartViewController::watch(QCustomPlot* chart, const QString& xName, const QString& xUnit, const QString& yName,
                                const QString& yUnit) {
  watched_.push_back({chart, xName, xUnit, yName, yUnit});
  chart->setMouseTracking(true);
  chart->installEventFilter(this);  // installed last, so it sees moves before the window bands
}

void ChartViewController::applyFrequencyScale() {
  for (QCustomPlot* chart : frequencyCharts_) charts::SetFrequencyScale(chart, logFrequency_->isChecked());
}

void ChartViewController::setLogarithmicFrequency(bool on) {
  if (logFrequency_->isChecked() == on) return applyFrequencyScale();
  logFrequency_->setChecked(on);  // toggled applies it
}

QString ChartViewController::ReadoutText(const QString& xName, double x, const QString& xUnit, const QString& yName,
                                         double y, const QString& yUnit) {
  const auto part = [](const QString& name, double value, const QString& unit) {
    QString text = QString("%1 = %2").arg(name, Readout(value));
    if (!unit.isEmpty()) text += " " + unit;
    return text;
  };
  return part(xName, x, xUnit) + "   " + part(yName, y, yUnit);
}

bool ChartViewController::eventFilter(QObject* object, QEvent* event) {
  if (event->type() != QEvent::MouseMove && event->type() != QEvent::Leave) return false;
  for (const Watched& w : watched_) {
    if (w.chart != object) continue;
    if (event->type() == QEvent::Leave) {
      readout_->clear();
      return false;
    }
    const QPointF pos = static_cast<QMouseEvent*>(event)->position();
    if (!w.chart->axisRect()->rect().contains(pos.toPoint())) {
      readout_->clear();
      return false;
    }
    // Without a name the axis caption names the value (the profile's parameter).
    const QString xName = w.xName.isEmpty() ? w.chart->xAxis->label() : w.xName;
    readout_->setText(ReadoutText(xName, w.chart->xAxis->pixelToCoord(pos.x()), w.xUnit, w.yName,
                                  w.chart->yAxis->pixelToCoord(pos.y()), w.yUnit));
  }
  return false;
}

}  // namespace corvath::ui
