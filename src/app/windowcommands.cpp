#include "app/windowcommands.h"

namespace corvath::app {

windows::Update ToggleAddWindowMode(Workspace& workspace) { return windows::ToggleAddMode(workspace.windows); }

windows::Update ToggleRemoveWindowMode(Workspace& workspace) { return windows::ToggleRemoveMode(workspace.windows); }

windows::Update PressOnTimeSeries(Workspace& workspace, double t, bool shift, windows::Chart chart) {
  return windows::PressAt(workspace.windows, workspace.record.present(), t, shift, chart);
}

windows::Update DragOnTimeSeries(Workspace& workspace, double t) {
  return windows::DragTo(workspace.windows, workspace.record.present(), t);
}

windows::Update ReleaseOnTimeSeries(Workspace& workspace, double t) {
  return windows::ReleaseAt(workspace.windows, workspace.record.present(), t);
}

std::optional<windows::EdgeLimits> BeginWindowEdgeDrag(Workspace& workspace, std::size_t window, windows::Chart chart,
                                                       windows::Edge edge, double chart1VisibleSpan) {
  return windows::BeginEdgeDrag(workspace.windows, window, chart, edge, chart1VisibleSpan);
}

std::optional<double> DragWindowEdgeTo(Workspace& workspace, double t, double visibleMin, double visibleMax) {
  return windows::DragEdgeTo(workspace.windows, t, visibleMin, visibleMax);
}

windows::Update EndWindowEdgeDrag(Workspace& workspace) { return windows::EndEdgeDrag(workspace.windows); }

windows::Update ClearAnalysisWindows(Workspace& workspace) { return windows::ClearWindows(workspace.windows); }

}  // namespace corvath::app
