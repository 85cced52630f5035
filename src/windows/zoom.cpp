#include "windows/zoom.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvath::windows {

namespace {

// Repeated steps of 0.2 are kept on the 0.1 grid, so five steps give exactly 2.0.
double OnGrid(double value) { return std::round(value * 10.0) / 10.0; }

}  // namespace

double ZoomIn(double zoomFactor) {
  if (!std::isfinite(zoomFactor)) return kMinZoomFactor;
  return std::clamp(OnGrid(zoomFactor + kZoomStep), kMinZoomFactor, kMaxZoomFactor);
}

double ZoomOut(double zoomFactor) {
  if (!std::isfinite(zoomFactor)) return kMinZoomFactor;
  return std::clamp(OnGrid(zoomFactor - kZoomStep), kMinZoomFactor, kMaxZoomFactor);
}

double ZoomFactorOfSpan(double wholeSpan, double visibleSpan) {
  const bool usable = std::isfinite(wholeSpan) && std::isfinite(visibleSpan) && wholeSpan > 0 && visibleSpan > 0;
  if (!usable) return kMinZoomFactor;
  const double factor = wholeSpan / visibleSpan;  // may overflow to infinity: the largest factor
  if (!(factor > kMinZoomFactor)) return kMinZoomFactor;
  if (!(factor < kMaxZoomFactor)) return kMaxZoomFactor;
  const double steps = std::round((factor - kMinZoomFactor) / kZoomStep);
  return std::clamp(OnGrid(kMinZoomFactor + steps * kZoomStep), kMinZoomFactor, kMaxZoomFactor);
}

int ZoomedChartWidth(int paneWidth, double zoomFactor) {
  if (!(zoomFactor > 1.0)) return paneWidth;
  const double width = RoundHalfEven(static_cast<double>(paneWidth) * zoomFactor);
  return static_cast<int>(std::clamp(width, 0.0, static_cast<double>(std::numeric_limits<int>::max())));
}

}  // namespace corvath::windows
