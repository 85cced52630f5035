#pragma once
// The analysis windows as the time-series charts edit them: the "Add window" and
// "Remove window" toggles, the mouse gestures that create, remove and stretch a
// window, and clearing them all. Each answers what the charts must redraw; whether
// a record is loaded is the workspace's own knowledge.
#include <cstddef>
#include <optional>

#include "app/workspace.h"
#include "windows/analysiswindows.h"

namespace corvath::app {

//! "Add window": inverts addMode (switching it on switches removeMode off).
windows::Update ToggleAddWindowMode(Workspace& workspace);
//! "Remove window": inverts removeMode (switching it on switches addMode off).
windows::Update ToggleRemoveWindowMode(Workspace& workspace);

//! A press at time t (s) on a time-series chart: removes the latest window holding t
//! in removeMode, starts a window in addMode; nothing without a record or with Shift.
windows::Update PressOnTimeSeries(Workspace& workspace, double t, bool shift, windows::Chart chart);
//! The pointer at time t (s) while a window is being created.
windows::Update DragOnTimeSeries(Workspace& workspace, double t);
//! The release at time t (s): completes the new window or cancels it.
windows::Update ReleaseOnTimeSeries(Workspace& workspace, double t);

//! Grabs an edge of a complete window's band; chart1VisibleSpan is the width of the
//! horizontal chart's visible time axis (s). Nothing when the window cannot be stretched.
std::optional<windows::EdgeLimits> BeginWindowEdgeDrag(Workspace& workspace, std::size_t window, windows::Chart chart,
                                                       windows::Edge edge, double chart1VisibleSpan);
//! Moves the grabbed edge towards time t (s) within the visible range and its clamp
//! range; the edge's new time.
std::optional<double> DragWindowEdgeTo(Workspace& workspace, double t, double visibleMin, double visibleMax);
//! Lets go of the edge: the other chart's band takes the dragged band's interval.
windows::Update EndWindowEdgeDrag(Workspace& workspace);

//! Deletes every analysis window; the toggles stay as they are.
windows::Update ClearAnalysisWindows(Workspace& workspace);

}  // namespace corvath::app
