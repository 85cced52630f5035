#include "ui/recordcurve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace corvath::ui {
namespace {

bool InDomain(double v, QCP::SignDomain domain) {
  if (domain == QCP::sdPositive) return v > 0;
  if (domain == QCP::sdNegative) return v < 0;
  return true;
}

}  // namespace

RecordCurve::RecordCurve(QCPAxis* keyAxis, QCPAxis* valueAxis, const import::SampleList* samples)
    : QCPAbstractPlottable(keyAxis, valueAxis), samples_(samples) {
  setSelectable(QCP::stNone);
  setAntialiased(false);
}

void RecordCurve::setSamples(const import::SampleList* samples) { samples_ = samples; }

double RecordCurve::selectTest(const QPointF&, bool, QVariant*) const { return -1; }

QCPRange RecordCurve::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
  foundRange = false;
  if (!samples_ || samples_->empty()) return {};
  double lower = std::numeric_limits<double>::infinity(), upper = -lower;
  // Times are ascending: the ends answer the whole range; a sign domain needs a scan.
  if (inSignDomain == QCP::sdBoth) {
    lower = samples_->front().time;
    upper = samples_->back().time;
  } else {
    for (const auto& s : *samples_)
      if (InDomain(s.time, inSignDomain)) {
        lower = std::min(lower, s.time);
        upper = std::max(upper, s.time);
      }
  }
  foundRange = lower <= upper && std::isfinite(lower) && std::isfinite(upper);
  return foundRange ? QCPRange(lower, upper) : QCPRange();
}

QCPRange RecordCurve::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                    const QCPRange& inKeyRange) const {
  foundRange = false;
  if (!samples_ || samples_->empty()) return {};
  auto first = samples_->begin(), last = samples_->end();
  if (inKeyRange != QCPRange()) {
    first = std::lower_bound(first, last, inKeyRange.lower,
                             [](const import::Sample& s, double t) { return s.time < t; });
    last = std::upper_bound(first, last, inKeyRange.upper,
                            [](double t, const import::Sample& s) { return t < s.time; });
  }
  // The values alone: no time needs forming.
  const std::span<const double> values = samples_->values().subspan(
      static_cast<std::size_t>(first - samples_->begin()), static_cast<std::size_t>(last - first));
  double lower = std::numeric_limits<double>::infinity(), upper = -lower;
  for (const double v : values)
    if (std::isfinite(v) && InDomain(v, inSignDomain)) {
      lower = std::min(lower, v);
      upper = std::max(upper, v);
    }
  foundRange = lower <= upper;
  return foundRange ? QCPRange(lower, upper) : QCPRange();
}

QVector<QPointF> RecordCurve::screenPoints() const {
  QVector<QPointF> points;
  QCPAxis* keyAxis = mKeyAxis.data();
  QCPAxis* valueAxis = mValueAxis.data();
  if (!keyAxis || !valueAxis || !samples_ || samples_->empty()) return points;
  const import::SampleList& s = *samples_;
  const QCPRange range = keyAxis->range();
  // One sample beyond each edge, so the line runs out of the plot instead of stopping short.
  auto first = std::lower_bound(s.begin(), s.end(), range.lower,
                                [](const import::Sample& a, double t) { return a.time < t; });
  auto last = std::upper_bound(first, s.end(), range.upper,
                               [](double t, const import::Sample& a) { return t < a.time; });
  if (first != s.begin()) --first;
  if (last != s.end()) ++last;
  const std::size_t count = static_cast<std::size_t>(last - first);
  if (count == 0) return points;

  const bool horizontalKey = keyAxis->orientation() == Qt::Horizontal;
  const double pixels = std::max(1, horizontalKey ? keyAxis->axisRect()->width() : keyAxis->axisRect()->height());
  auto toPoint = [&](double key, double valuePixel) {
    const double keyPixel = keyAxis->coordToPixel(key);
    return horizontalKey ? QPointF(keyPixel, valuePixel) : QPointF(valuePixel, keyPixel);
  };

  if (count <= static_cast<std::size_t>(2 * pixels)) {
    points.reserve(static_cast<qsizetype>(count));
    for (auto it = first; it != last; ++it)
      if (std::isfinite(it->value)) points.append(toPoint(it->time, valueAxis->coordToPixel(it->value)));
    return points;
  }

  // Min/max per pixel column: first, lowest, highest and last value of the column,
  // so consecutive columns join and no extreme is lost.
  points.reserve(static_cast<qsizetype>(4 * pixels + 8));
  auto appendColumn = [&](double key, double firstValue, double low, double high, double lastValue) {
    points.append(toPoint(key, valueAxis->coordToPixel(firstValue)));
    if (low != high) {
      points.append(toPoint(key, valueAxis->coordToPixel(low)));
      points.append(toPoint(key, valueAxis->coordToPixel(high)));
    }
    points.append(toPoint(key, valueAxis->coordToPixel(lastValue)));
  };
  if (static_cast<double>(count) >= 4.0 * kEnvelopeBlock * pixels) {
    // Whole blocks of the envelope, each put in the column of its first sample.
    const std::vector<Block>& blocks = envelope();
    const std::size_t firstBlock = static_cast<std::size_t>(first - s.begin()) / kEnvelopeBlock;
    const std::size_t endBlock = (static_cast<std::size_t>(last - s.begin()) + kEnvelopeBlock - 1) / kEnvelopeBlock;
    std::size_t b = firstBlock;
    while (b < endBlock) {
      const double key = s.time(b * kEnvelopeBlock);
      const double column = std::floor(keyAxis->coordToPixel(key));
      double low = std::numeric_limits<double>::infinity(), high = -low;
      double firstValue = std::numeric_limits<double>::quiet_NaN(), lastValue = firstValue;
      do {
        const Block& block = blocks[b];
        if (block.low <= block.high) {
          if (std::isnan(firstValue)) firstValue = block.first;
          lastValue = block.last;
          low = std::min(low, block.low);
          high = std::max(high, block.high);
        }
      } while (++b < endBlock && std::floor(keyAxis->coordToPixel(s.time(b * kEnvelopeBlock))) == column);
      if (low <= high) appendColumn(key, firstValue, low, high, lastValue);
    }
    return points;
  }
  auto it = first;
  while (it != last) {
    const double column = std::floor(keyAxis->coordToPixel(it->time));
    const double key = it->time;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    double firstValue = std::numeric_limits<double>::quiet_NaN(), lastValue = firstValue;
    for (; it != last && std::floor(keyAxis->coordToPixel(it->time)) == column; ++it) {
      const double v = it->value;
      if (!std::isfinite(v)) continue;
      if (std::isnan(firstValue)) firstValue = v;
      lastValue = v;
      low = std::min(low, v);
      high = std::max(high, v);
    }
    if (low <= high) appendColumn(key, firstValue, low, high, lastValue);
  }
  return points;
}

const std::vector<RecordCurve::Block>& RecordCurve::envelope() const {
  if (envelopeOf_ == samples_ && envelopeVersion_ == samples_->version()) return envelope_;
  const std::span<const double> values = samples_->values();
  envelope_.assign((values.size() + kEnvelopeBlock - 1) / kEnvelopeBlock, Block{});
  for (std::size_t b = 0; b < envelope_.size(); ++b) {
    Block block{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    const std::size_t end = std::min(values.size(), (b + 1) * kEnvelopeBlock);
    for (std::size_t i = b * kEnvelopeBlock; i < end; ++i) {
      const double v = values[i];
      if (!std::isfinite(v)) continue;
      if (std::isnan(block.first)) block.first = v;
      block.last = v;
      block.low = std::min(block.low, v);
      block.high = std::max(block.high, v);
    }
    envelope_[b] = block;
  }
  envelopeOf_ = samples_;
  envelopeVersion_ = samples_->version();
  return envelope_;
}

void RecordCurve::draw(QCPPainter* painter) {
  const QVector<QPointF> points = screenPoints();
  if (points.size() < 1) return;
  applyDefaultAntialiasingHint(painter);
  painter->setPen(mPen);
  painter->setBrush(Qt::NoBrush);
  if (points.size() == 1)
    painter->drawPoint(points.front());
  else
    painter->drawPolyline(points.constData(), static_cast<int>(points.size()));
}

void RecordCurve::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
  painter->setPen(mPen);
  painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}

}  // namespace corvath::ui
