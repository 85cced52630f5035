#include "windows/analysiswindows.h"

#include <algorithm>
#include <cmath>

namespace corvath::windows {

namespace {

constexpr double kNoNeighbourBefore = -1e30;
constexpr double kNoNeighbourAfter = 1e30;

bool Contains(const AnalysisWindow& w, double t) { return w.start <= t && t <= w.end; }

// Whether t lies in a window other than the one at position `except`.
bool InOtherWindow(const WindowState& state, double t, std::size_t except) {
  for (std::size_t i = 0; i < state.windows.size(); ++i) {
    if (i != except && Contains(state.windows[i], t)) return true;
  }
  return false;
}

void SetBoth(AnalysisWindow& w, Interval interval) {
  w.setBand(Chart::Horizontal, interval);
  w.setBand(Chart::Vertical, interval);
}

Interval Spanning(double anchor, double t) { return {std::min(anchor, t), std::max(anchor, t)}; }

Chart Other(Chart chart) { return chart == Chart::Horizontal ? Chart::Vertical : Chart::Horizontal; }

}  // namespace

Interval AnalysisWindow::band(Chart chart) const {
  return chart == Chart::Horizontal ? Interval{start, end} : verticalBand;
}

void AnalysisWindow::setBand(Chart chart, Interval interval) {
  if (chart == Chart::Horizontal) {
    start = interval.start;
    end = interval.end;
  } else {
    verticalBand = interval;
  }
}

Update ToggleAddMode(WindowState& state) {
  state.addMode = !state.addMode;
  if (state.addMode) state.removeMode = false;
  return {.bands = false, .modes = true};
}

Update ToggleRemoveMode(WindowState& state) {
  state.removeMode = !state.removeMode;
  if (state.removeMode) state.addMode = false;
  return {.bands = false, .modes = true};
}

Update PressAt(WindowState& state, bool recordPresent, double t, bool shift, Chart chart) {
  if (!recordPresent || shift) return {};
  if (state.removeMode) {
    for (std::size_t i = state.windows.size(); i-- > 0;) {
      if (Contains(state.windows[i], t)) {
        state.windows.erase(state.windows.begin() + static_cast<std::ptrdiff_t>(i));
        state.removeMode = false;  // one window a press, as "Add window" makes one
        return {.bands = true, .modes = true};
      }
    }
    return {};
  }
  if (state.addMode) {
    state.creating = false;
    for (const AnalysisWindow& w : state.windows) {
      if (Contains(w, t)) return {};
    }
    state.creating = true;
    state.anchor = t;
    AnalysisWindow w;
    w.colourIndex = static_cast<int>(state.windows.size());
    w.coloured = chart == Chart::Horizontal;
    SetBoth(w, {t, t});
    w.complete = false;
    state.windows.push_back(w);
    return {.bands = true, .modes = false};
  }
  return {};
}

Update DragTo(WindowState& state, bool recordPresent, double t) {
  if (!recordPresent || !state.addMode || !state.creating || state.windows.empty()) return {};
  const std::size_t current = state.windows.size() - 1;
  if (InOtherWindow(state, t, current)) return {};
  SetBoth(state.windows[current], Spanning(state.anchor, t));
  return {.bands = true, .modes = false};
}

Update ReleaseAt(WindowState& state, bool recordPresent, double t) {
  if (!recordPresent) return {};
  Update update;
  if (state.addMode && state.creating && !state.windows.empty()) {
    const std::size_t current = state.windows.size() - 1;
    if (InOtherWindow(state, t, current)) {
      state.windows.pop_back();
    } else {
      AnalysisWindow& w = state.windows[current];
      SetBoth(w, Spanning(state.anchor, t));
      w.complete = true;
      state.addMode = false;
      update.modes = true;
    }
    update.bands = true;
  }
  state.creating = false;
  return update;
}

std::optional<EdgeLimits> BeginEdgeDrag(WindowState& state, std::size_t window, Chart chart,
                                        Edge edge, double chart1VisibleSpan) {
  if (window >= state.windows.size() || !state.windows[window].complete) return std::nullopt;
  const AnalysisWindow& c = state.windows[window];
  const double gap = std::abs(chart1VisibleSpan) / 300.0;
  double prevEnd = kNoNeighbourBefore;
  double nextStart = kNoNeighbourAfter;
  for (std::size_t i = 0; i < state.windows.size(); ++i) {
    if (i == window) continue;
    const AnalysisWindow& w = state.windows[i];
    if (w.end < c.start) prevEnd = std::max(prevEnd, w.end);
    if (w.start > c.end) nextStart = std::min(nextStart, w.start);
  }
  EdgeLimits limits{.startEdge = {prevEnd + gap, c.end - gap},
                    .endEdge = {c.start + gap, nextStart - gap}};
  state.edgeDrag = EdgeDrag{.window = window, .chart = chart, .edge = edge, .limits = limits};
  return limits;
}

std::optional<double> DragEdgeTo(WindowState& state, double t, double visibleMin,
                                 double visibleMax) {
  if (!state.edgeDrag || state.edgeDrag->window >= state.windows.size()) return std::nullopt;
  const EdgeDrag& drag = *state.edgeDrag;
  AnalysisWindow& w = state.windows[drag.window];
  Interval band = w.band(drag.chart);
  double& edge = drag.edge == Edge::Start ? band.start : band.end;
  const Range range = drag.edge == Edge::Start ? drag.limits.startEdge : drag.limits.endEdge;
  // An empty clamp range (neighbours closer than two gaps) would turn the window
  // inside out: the edge then stays where it is.
  if (range.lower > range.upper || std::isnan(t)) return edge;
  const double lo = std::min(visibleMin, visibleMax);
  const double hi = std::max(visibleMin, visibleMax);
  const double pointer = std::clamp(t, lo, hi);
  edge = std::max(range.lower, std::min(range.upper, pointer));
  w.setBand(drag.chart, band);
  return edge;
}

Update EndEdgeDrag(WindowState& state) {
  if (!state.edgeDrag) return {};
  const EdgeDrag drag = *state.edgeDrag;
  state.edgeDrag.reset();
  if (drag.window >= state.windows.size()) return {};
  AnalysisWindow& w = state.windows[drag.window];
  w.setBand(Other(drag.chart), w.band(drag.chart));
  return {.bands = true, .modes = false};
}

Update ClearWindows(WindowState& state) {
  state.windows.clear();
  // A pending creation or edge drag has nothing left to act on.
  state.creating = false;
  state.edgeDrag.reset();
  return {.bands = true, .modes = false};
}

}  // namespace corvath::windows
