#include "spectra/curves.h"

#include <algorithm>

#include "numerics/numbertext.h"

namespace corvath::spectra {

const char* ComponentName(import::Component component) {
  switch (component) {
    case import::Component::X: return "X";
    case import::Component::Y: return "Y";
    case import::Component::Z: return "Z";
  }
  return "";
}

namespace {
template <typename Points, typename Frequency>
AxisSpan spanOf(const Points& points, Frequency frequency) {
  if (points.empty()) return {};
  AxisSpan span{frequency(points.front()), frequency(points.front())};
  for (const auto& p : points) {
    span.lowHz = std::min(span.lowHz, frequency(p));
    span.highHz = std::max(span.highHz, frequency(p));
  }
  return span;
}
}  // namespace

AxisSpan FrequencySpan(const SpectrumCurve& curve) {
  return spanOf(curve.points, [](const SpectrumPoint& p) { return p.frequencyHz; });
}

AxisSpan FrequencySpan(const RatioCurve& curve) {
  return spanOf(curve.points, [](const RatioPoint& p) { return p.frequencyHz; });
}

bool PeakInsideBand(const RatioCurve& curve) {
  const std::size_t n = curve.points.size();
  return curve.peak && n >= 3 && *curve.peak > 0 && *curve.peak < n - 1;
}

void MarkPeak(RatioCurve& curve) {
  curve.peak.reset();
  curve.peakLabel.clear();
  double best = -1e20;
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    if (curve.points[i].ratio > best) {
      best = curve.points[i].ratio;
      curve.peak = i;
    }
  }
  if (curve.peak) curve.peakLabel = numerics::NumberToText(0, curve.points[*curve.peak].frequencyHz) + "Hz";
}

}  // namespace corvath::spectra
