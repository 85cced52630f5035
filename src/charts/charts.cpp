#include "charts/charts.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include <qcustomplot.h>

#include "charts/chartinteraction.h"

namespace corvath::charts {
namespace {

// Pixels kept free between neighbouring tick labels.
constexpr double kLabelGap = 8.0;

// The length in pixels the axis will have at the chart's current size. The axis
// rect keeps the geometry of the last layout until the next replot lays it out
// again, so a resize since then is added (the axis rects of these charts reach
// the right and bottom edges of the chart).
double AxisLength(const QCPAxis* axis) {
  const QCPAxisRect* rect = axis->axisRect();
  const QRect viewport = axis->parentPlot()->viewport();
  const double length = axis->orientation() == Qt::Horizontal
                            ? rect->width() + (viewport.right() - rect->outerRect().right())
                            : rect->height() + (viewport.bottom() - rect->outerRect().bottom());
  return std::max(length, 1.0);
}

// Where a tick lies along the axis, 0 at the lower end of the range, 1 at the upper.
double AxisFraction(const QCPAxis* axis, const QCPRange& range, double tick) {
  if (axis->scaleType() == QCPAxis::stLogarithmic) {
    if (!(range.lower > 0 && range.upper > range.lower && tick > 0)) return 0.0;
    return std::log(tick / range.lower) / std::log(range.upper / range.lower);
  }
  return range.size() > 0 ? (tick - range.lower) / range.size() : 0.0;
}

// A ticker that gives up ticks until the labels of neighbouring ticks keep a gap
// at the axis's length, so they never run into each other however small the chart.
template <typename Base>
class FittingTicker : public Base {
public:
  explicit FittingTicker(QCPAxis* axis) : axis_(axis) {}

  void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
                QVector<double>* subTicks, QVector<QString>* tickLabels) override {
    for (int count = kPreferredTicks;; --count) {
      this->setTickCount(count);
      Base::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
      if (count <= 1 || !tickLabels || labelsFit(range, ticks, *tickLabels)) break;
    }
  }

private:
  static constexpr int kPreferredTicks = 5;

  bool labelsFit(const QCPRange& range, const QVector<double>& ticks, const QVector<QString>& labels) const {
    if (ticks.size() < 2 || labels.size() != ticks.size()) return true;
    const QFontMetricsF metrics(axis_->tickLabelFont());
    const double length = AxisLength(axis_);
    const bool horizontal = axis_->orientation() == Qt::Horizontal;
    for (int i = 1; i < ticks.size(); ++i) {
      const double distance =
          std::fabs(AxisFraction(axis_, range, ticks[i]) - AxisFraction(axis_, range, ticks[i - 1])) * length;
      const double needed = horizontal
                                ? (metrics.horizontalAdvance(labels[i]) + metrics.horizontalAdvance(labels[i - 1])) / 2
                                : metrics.height();
      if (distance < needed + kLabelGap) return false;
    }
    return true;
  }

  QCPAxis* axis_;
};

class LinearTicker : public FittingTicker<QCPAxisTicker> {
public:
  using FittingTicker::FittingTicker;

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

// Plain decimals read well from 0.0001 to 100000; beyond, every label of the axis
// is a power of ten, so one axis never mixes the two styles.
bool PlainDecimals(const QVector<double>& ticks) {
  return std::all_of(ticks.begin(), ticks.end(), [](double t) { return t >= 0.99999e-4 && t < 1e6; });
}

QString Superscript(int exponent) {
  static const char16_t digits[] = {0x2070, 0x00B9, 0x00B2, 0x00B3, 0x2074, 0x2075, 0x2076, 0x2077, 0x2078, 0x2079};
  QString text;
  if (exponent < 0) text += QChar(char16_t(0x207B));
  for (QChar c : QString::number(std::abs(exponent))) text += QChar(digits[c.digitValue()]);
  return text;
}

// Decades on a wide range; on a range of less than about one and a half decades
// the steps 1-2-5 of the decade (or 1-5 when those do not fit), which stay evenly
// spread on the logarithmic scale, and plain decades when fewer than three of
// those fit. Labels are plain decimals or powers of ten for the whole axis.
class LogTicker : public FittingTicker<QCPAxisTickerLog> {
public:
  using FittingTicker::FittingTicker;

protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    if (plain_ || !(tick > 0)) return AxisLabelText(tick);
    int exponent = static_cast<int>(std::floor(std::log10(tick) + 1e-9));
    double mantissa = std::round(tick / std::pow(10.0, exponent) * 1000.0) / 1000.0;
    if (mantissa >= 10.0) {
      mantissa /= 10.0;
      ++exponent;
    }
    const QString power = QStringLiteral("10") + Superscript(exponent);
    return mantissa == 1.0 ? power : AxisLabelText(mantissa) + QChar(char16_t(0x00B7)) + power;
  }

  QVector<double> createTickVector(double tickStep, const QCPRange& range) override {
    steps_ = false;
    QVector<double> ticks;
    if (range.lower > 0 && range.upper > 0 && std::log10(range.upper / range.lower) < 1.6) {
      for (auto mantissas : {std::initializer_list<double>{1, 2, 5}, std::initializer_list<double>{1, 5}}) {
        QVector<double> candidate = MantissaTicks(range, mantissas);
        if (candidate.size() >= 3 && candidate.size() <= 2 * tickCount() + 1) {
          steps_ = true;
          ticks = candidate;
          break;
        }
      }
    }
    if (!steps_) ticks = QCPAxisTickerLog::createTickVector(tickStep, range);
    QVector<double> inside;
    for (double t : ticks)
      if (t >= range.lower && t <= range.upper) inside.push_back(t);
    plain_ = PlainDecimals(inside);
    return ticks;
  }

  QVector<double> createSubTickVector(int subTickCount, const QVector<double>& ticks) override {
    if (steps_) return {};
    return QCPAxisTickerLog::createSubTickVector(subTickCount, ticks);
  }

private:
  bool steps_ = false;
  bool plain_ = true;
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
  axis->setTicker(QSharedPointer<QCPAxisTicker>(new LinearTicker(axis)));
}

void UseLogarithmicLabels(QCPAxis* axis) {
  axis->setScaleType(QCPAxis::stLogarithmic);
  axis->setTicker(QSharedPointer<QCPAxisTicker>(new LogTicker(axis)));
}

void DrawCurve(QCPGraph* graph, const numerics::arofcomplexM& curve) {
  QVector<double> frequencies;
  QVector<double> ratios;
  frequencies.reserve(static_cast<qsizetype>(curve.size()));
  ratios.reserve(static_cast<qsizetype>(curve.size()));
  for (const numerics::Complex& point : curve) {
    frequencies.push_back(point.re);
    ratios.push_back(point.im);
  }
  graph->setData(frequencies, ratios, true);
  graph->parentPlot()->replot(QCustomPlot::rpQueuedReplot);
}

void SetFrequencyScale(QCustomPlot* chart, bool logarithmic) {
  QCPAxis* axis = chart->xAxis;
  if ((axis->scaleType() == QCPAxis::stLogarithmic) != logarithmic) {
    if (logarithmic)
      UseLogarithmicLabels(axis);
    else
      UseLinearLabels(axis);
  }
  if (logarithmic) {
    QCPRange range = axis->range();
    if (!(range.lower > 0)) {
      double lowest = 0.0;
      for (int i = 0; i < chart->plottableCount(); ++i) {
        bool found = false;
        const QCPRange keys = chart->plottable(i)->getKeyRange(found, QCP::sdPositive);
        if (found && (lowest == 0.0 || keys.lower < lowest)) lowest = keys.lower;
      }
      range.lower = lowest > 0 ? lowest : 0.1;
      if (!(range.upper > range.lower)) range.upper = range.lower * 100.0;
      axis->setRange(range);
    }
  }
  RememberHomeView(chart);
  chart->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace corvath::charts
