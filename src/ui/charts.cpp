#include "ui/charts.h"

#include <cmath>
#include <initializer_list>

#include <qcustomplot.h>

namespace corvath::ui {
namespace {

class LinearTicker : public QCPAxisTicker {
protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override { return AxisLabelText(tick); }
};

// Ticks m * 10^e (m from the mantissas) inside the range.
QVector<double> MantissaTicks(const QCPRange& range, std::initializer_list<double> mantissas) {
  QVector<double> ticks;
  const int first = static_cast<int>(std::floor(std::log10(range.lower)));
  const int last = static_cast<int>(std::ceil(std::log10(range.upper)));
  for (int e = first; e <= last; ++e)
    for (double m : mantissas) {
      const double tick = m * std::pow(10.0, e);
      if (tick >= range.lower && tick <= range.upper) ticks.push_back(tick);
    }
  return ticks;
}

// Decades on a wide range; on a range of less than about one and a half decades
// the steps 1-2-5 of the decade, which stay evenly spread on the logarithmic
// scale, and plain linear steps when fewer than three of those fit.
class LogTicker : public QCPAxisTickerLog {
protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override { return AxisLabelText(tick); }

  QVector<double> createTickVector(double tickStep, const QCPRange& range) override {
    steps_ = false;
    if (range.lower > 0 && range.upper > 0 && std::log10(range.upper / range.lower) < 1.6) {
      QVector<double> ticks = MantissaTicks(range, {1, 2, 5});
      if (ticks.size() >= 3) {
        steps_ = true;
        return ticks;
      }
    }
    return QCPAxisTickerLog::createTickVector(tickStep, range);
  }

  QVector<double> createSubTickVector(int subTickCount, const QVector<double>& ticks) override {
    if (steps_) return {};
    return QCPAxisTickerLog::createSubTickVector(subTickCount, ticks);
  }

private:
  bool steps_ = false;
};

}  // namespace

QString AxisLabelText(double value) {
  if (!std::isfinite(value)) return QString();
  const double magnitude = std::fabs(value);
  if (magnitude < 5e-16) return QStringLiteral("0");  // a tick at zero after rounding noise
  if (magnitude < 1e-5 || magnitude >= 1e15) return QString::number(value, 'g', 6);
  QString text = QString::number(value, 'f', 5);
  while (text.endsWith('0')) text.chop(1);
  if (text.endsWith('.')) text.chop(1);
  if (text == "-0") text = "0";
  return text;
}

QCustomPlot* MakeChart(const QString& objectName, const QString& title, QWidget* parent) {
  auto* chart = new QCustomPlot(parent);
  chart->setObjectName(objectName);
  if (!title.isEmpty()) {
    chart->plotLayout()->insertRow(0);
    auto* text = new QCPTextElement(chart, title, QFont(chart->font().family(), 10, QFont::Bold));
    chart->plotLayout()->addElement(0, 0, text);
  }
  for (QCPAxis* axis : {chart->xAxis, chart->yAxis}) axis->grid()->setVisible(false);
  UseLinearLabels(chart->xAxis);
  UseLinearLabels(chart->yAxis);
  chart->setNoAntialiasingOnDrag(true);
  return chart;
}

QString ChartTitle(const QCustomPlot& chart) {
  auto* layout = chart.plotLayout();
  if (layout->rowCount() < 2) return QString();
  auto* text = qobject_cast<QCPTextElement*>(layout->element(0, 0));
  return text ? text->text() : QString();
}

void UseLinearLabels(QCPAxis* axis) {
  axis->setScaleType(QCPAxis::stLinear);
  axis->setTicker(QSharedPointer<QCPAxisTicker>(new LinearTicker));
}

void UseLogarithmicLabels(QCPAxis* axis) {
  axis->setScaleType(QCPAxis::stLogarithmic);
  axis->setTicker(QSharedPointer<QCPAxisTicker>(new LogTicker));
}

}  // namespace corvath::ui
