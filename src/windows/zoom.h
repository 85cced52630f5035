#pragma once
// Zoom of the time-series charts: a width factor applied to the charts inside
// their scrolling panes.
#include "numerics/numbertext.h"

namespace corvath::windows {

inline constexpr double kMinZoomFactor = 1.0;
inline constexpr double kMaxZoomFactor = 10.0;
inline constexpr double kZoomStep = 0.2;

//! The factor after "Zoom in": one step wider, at most 10, on the 0.1 grid (no drift).
double ZoomIn(double zoomFactor);
//! The factor after "Zoom out": one step narrower, at least 1, on the 0.1 grid.
double ZoomOut(double zoomFactor);

//! The zoom factor a view of visibleSpan out of wholeSpan (seconds) corresponds to:
//! wholeSpan / visibleSpan snapped to the nearest step of 0.2 from 1, within 1 to 10
//! and on the 0.1 grid, so "Zoom in" and "Zoom out" go on from what is shown. A span
//! that is not a positive finite number gives 1.
double ZoomFactorOfSpan(double wholeSpan, double visibleSpan);

//! Chart width in pixels for a pane of paneWidth pixels: paneWidth x zoomFactor
//! rounded to the nearest integer (halves to even) while the factor exceeds 1,
//! else the pane's own width.
int ZoomedChartWidth(int paneWidth, double zoomFactor);

using numerics::RoundHalfEven;

}  // namespace corvath::windows
