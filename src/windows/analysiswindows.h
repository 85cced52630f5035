#pragma once
// Analysis windows: the time intervals of the record that enter the spectral
// analysis, marked with the mouse on the two time-series charts. Everything here
// is the state and the rules; the charts only report presses, moves, releases and
// edge drags as times on their time axis and redraw what the operations say.
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace corvath::windows {

//! The two time-series charts: Chart1 (horizontal, X and Y) and Chart2 (vertical, Z).
enum class Chart { Horizontal = 0, Vertical = 1 };

//! The two edge lines of a band.
enum class Edge { Start, End };

//! A closed time interval in seconds.
struct Interval {
  double start = 0.0;
  double end = 0.0;
  bool operator==(const Interval&) const = default;
};

struct AnalysisWindow {
  double start = 0.0;      //!< s, inclusive; the start edge of the Chart1 band
  double end = 0.0;        //!< s, inclusive; the end edge of the Chart1 band
  int colourIndex = 0;     //!< list position at creation
  bool coloured = false;   //!< begun on Chart1 (table colours), else on Chart2 (black)
  Interval verticalBand;   //!< the Chart2 band; equals [start, end] except during an edge drag
  bool complete = false;   //!< creation finished: both edges of both bands can be dragged

  //! The band interval of the given chart (s).
  Interval band(Chart chart) const;
  //! Sets the band interval of the given chart (s); Chart1's is the window's interval.
  void setBand(Chart chart, Interval interval);
  bool operator==(const AnalysisWindow&) const = default;
};

//! A clamp range [lower, upper] in seconds; empty when lower > upper.
struct Range {
  double lower = 0.0;
  double upper = 0.0;
  bool operator==(const Range&) const = default;
};

//! Clamp ranges of an edge drag (s), the same on both bands of the window.
struct EdgeLimits {
  Range startEdge;
  Range endEdge;
};

//! An edge drag in progress.
struct EdgeDrag {
  std::size_t window = 0;  //!< list position of the window
  Chart chart = Chart::Horizontal;
  Edge edge = Edge::Start;
  EdgeLimits limits;
};

//! What the charts must redraw after an operation.
struct Update {
  bool bands = false;  //!< the bands of both charts (window list or extents changed)
  bool modes = false;  //!< addMode/removeMode changed: toggle buttons and mouse zoom
  bool operator==(const Update&) const = default;
};

//! The window state of the workspace.
struct WindowState {
  std::vector<AnalysisWindow> windows;  //!< creation order; position + 1 is the window number
  bool addMode = false;                 //!< "Add window" toggle
  bool removeMode = false;              //!< "Remove window" toggle
  bool creating = false;                //!< a window is being created by a drag (the last one)
  double anchor = 0.0;                  //!< s, the press time while creating
  std::optional<EdgeDrag> edgeDrag;     //!< the edge drag in progress, if any

  //! Mouse zoom of the time-series charts is allowed exactly while addMode is off.
  bool mouseZoomAllowed() const { return !addMode; }
};

//! Inverts addMode; switching it on switches removeMode off.
Update ToggleAddMode(WindowState& state);
//! Inverts removeMode; switching it on switches addMode off.
Update ToggleRemoveMode(WindowState& state);

//! A mouse press at time t (s) on a chart: removes the latest window containing t
//! in removeMode (which then goes off, as addMode does once its window is made),
//! starts a new window in addMode. Ignored without a record or with Shift.
Update PressAt(WindowState& state, bool recordPresent, double t, bool shift, Chart chart);
//! A pointer move to time t (s) while a window is being created: the new window
//! spans anchor..t unless t lies in another window.
Update DragTo(WindowState& state, bool recordPresent, double t);
//! The mouse release at time t (s): completes the new window (addMode goes off) or
//! cancels it when t lies in another window.
Update ReleaseAt(WindowState& state, bool recordPresent, double t);

//! Starts dragging an edge line of a complete window's band; chart1VisibleSpan is
//! |max - min| of Chart1's visible time axis (s). Returns the clamp ranges (also kept
//! in state.edgeDrag), or nothing when the window does not exist or is not complete.
std::optional<EdgeLimits> BeginEdgeDrag(WindowState& state, std::size_t window, Chart chart,
                                        Edge edge, double chart1VisibleSpan);
//! Moves the dragged edge towards pointer time t (s), kept inside [visibleMin,
//! visibleMax] of the dragged chart and inside the clamp range; the edge does not
//! move when the clamp range is empty. Returns the edge's new time (s).
std::optional<double> DragEdgeTo(WindowState& state, double t, double visibleMin, double visibleMax);
//! Ends the edge drag: the other chart's band takes the dragged band's interval.
Update EndEdgeDrag(WindowState& state);

//! Deletes every window (a record load); the toggles are left as they are.
Update ClearWindows(WindowState& state);

}  // namespace corvath::windows
