#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows/analysiswindows.h"

namespace corvath::windows {
namespace {

constexpr Chart H = Chart::Horizontal;
constexpr Chart V = Chart::Vertical;

// One mouse action of a scenario.
struct Action {
  enum Kind { Press, Move, Release, ToggleAdd, ToggleRemove } kind;
  double t = 0.0;
  bool shift = false;
  Chart chart = H;
};

Action Add() { return {Action::ToggleAdd}; }
Action Remove() { return {Action::ToggleRemove}; }
Action Press(double t, Chart chart = H, bool shift = false) { return {Action::Press, t, shift, chart}; }
Action Move(double t) { return {Action::Move, t}; }
Action Release(double t) { return {Action::Release, t}; }
// A whole press-drag-release in add mode.
std::vector<Action> Drag(double from, double to, Chart chart = H) {
  return {Add(), Press(from, chart), Move((from + to) / 2), Move(to), Release(to)};
}

struct Expected {
  double start, end;
  int colourIndex;
  bool coloured;
};

struct Scenario {
  std::string name;
  bool recordPresent;
  std::vector<std::vector<Action>> steps;  // flattened in order
  std::vector<Expected> windows;
  bool addMode;
  bool removeMode;
};

void Perform(WindowState& state, bool recordPresent, const Action& a) {
  switch (a.kind) {
    case Action::Press: PressAt(state, recordPresent, a.t, a.shift, a.chart); break;
    case Action::Move: DragTo(state, recordPresent, a.t); break;
    case Action::Release: ReleaseAt(state, recordPresent, a.t); break;
    case Action::ToggleAdd: ToggleAddMode(state); break;
    case Action::ToggleRemove: ToggleRemoveMode(state); break;
  }
}

TEST(AnalysisWindows, MouseScenarios) {
  const std::vector<Scenario> scenarios = {
      {"drag to the right", true, {Drag(2, 5)}, {{2, 5, 0, true}}, false, false},
      {"drag to the left gives start = release, end = press", true, {Drag(5, 2)}, {{2, 5, 0, true}}, false, false},
      {"press and release at one time keeps a zero-length window", true,
       {{Add(), Press(3), Release(3)}}, {{3, 3, 0, true}}, false, false},
      {"begun on Chart2 gets no colours", true, {Drag(1, 2, V)}, {{1, 2, 0, false}}, false, false},
      {"press inside a window in add mode starts nothing, add stays on", true,
       {Drag(2, 5), {Add(), Press(3), Move(8), Release(8)}}, {{2, 5, 0, true}}, true, false},
      {"press on a window edge counts as inside", true,
       {Drag(2, 5), {Add(), Press(5), Release(7)}}, {{2, 5, 0, true}}, true, false},
      {"release inside another window cancels, add stays on", true,
       {Drag(2, 5), {Add(), Press(7), Move(6), Release(4)}}, {{2, 5, 0, true}}, true, false},
      {"a move into another window is ignored, the release beyond it counts", true,
       {Drag(2, 5), {Add(), Press(7), Move(6), Move(4), Release(1)}}, {{2, 5, 0, true}, {1, 7, 1, true}}, false, false},
      {"a move into another window keeps the last extent", true,
       {Drag(2, 5), {Add(), Press(7), Move(6), Move(4), Release(6.5)}}, {{2, 5, 0, true}, {6.5, 7, 1, true}}, false, false},
      {"remove: overlapping windows lose the latest one", true,
       {Drag(2, 5), Drag(6, 1), Drag(8, 9), {Remove(), Press(4.5)}},
       {{2, 5, 0, true}, {8, 9, 2, true}}, false, false},
      {"remove outside every window changes nothing and stays on; a removal ends it", true,
       {Drag(2, 5), Drag(6, 8), {Remove(), Press(5.5), Press(7), Press(2)}}, {{2, 5, 0, true}}, false, false},
      {"colours stay when windows move down", true,
       {Drag(1, 2), Drag(3, 4, V), Drag(5, 6), {Remove(), Press(1.5)}},
       {{3, 4, 1, false}, {5, 6, 2, true}}, false, false},
      {"shift blocks the press in add mode", true, {{Add(), Press(2, H, true), Move(4), Release(4)}}, {}, true, false},
      {"shift blocks the press in remove mode", true,
       {Drag(2, 5), {Remove(), Press(3, V, true)}}, {{2, 5, 0, true}}, false, true},
      {"without a record nothing happens", false, {{Add(), Press(2), Move(4), Release(4)}}, {}, true, false},
      {"no press in neither mode", true, {{Press(2), Move(4), Release(4)}}, {}, false, false},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    WindowState state;
    for (const auto& group : s.steps)
      for (const Action& a : group) Perform(state, s.recordPresent, a);
    ASSERT_EQ(state.windows.size(), s.windows.size());
    for (std::size_t i = 0; i < s.windows.size(); ++i) {
      const AnalysisWindow& w = state.windows[i];
      EXPECT_EQ(w.start, s.windows[i].start) << "window " << i;
      EXPECT_EQ(w.end, s.windows[i].end) << "window " << i;
      EXPECT_EQ(w.colourIndex, s.windows[i].colourIndex) << "window " << i;
      EXPECT_EQ(w.coloured, s.windows[i].coloured) << "window " << i;
      EXPECT_EQ(w.band(V), (Interval{w.start, w.end})) << "window " << i;
      EXPECT_TRUE(w.complete) << "window " << i;
    }
    EXPECT_EQ(state.addMode, s.addMode);
    EXPECT_EQ(state.removeMode, s.removeMode);
    EXPECT_FALSE(state.creating);
    EXPECT_EQ(state.mouseZoomAllowed(), !state.addMode);
  }
}

TEST(AnalysisWindows, CreationFollowsThePointerAndReportsRedraws) {
  WindowState state;
  EXPECT_EQ(ToggleAddMode(state), (Update{.bands = false, .modes = true}));
  EXPECT_FALSE(state.mouseZoomAllowed());
  EXPECT_EQ(PressAt(state, true, 4, false, H), (Update{.bands = true, .modes = false}));
  ASSERT_EQ(state.windows.size(), 1u);
  EXPECT_TRUE(state.creating);
  EXPECT_EQ(state.anchor, 4);
  EXPECT_FALSE(state.windows[0].complete);  // no edge dragging while being created
  EXPECT_FALSE(BeginEdgeDrag(state, 0, H, Edge::End, 30).has_value());
  EXPECT_EQ(DragTo(state, true, 1), (Update{.bands = true, .modes = false}));
  EXPECT_EQ(state.windows[0].band(H), (Interval{1, 4}));
  EXPECT_EQ(state.windows[0].band(V), (Interval{1, 4}));
  EXPECT_EQ(ReleaseAt(state, true, 6), (Update{.bands = true, .modes = true}));
  EXPECT_EQ(state.windows[0].band(V), (Interval{4, 6}));
  EXPECT_TRUE(state.windows[0].complete);
  EXPECT_FALSE(state.addMode);
  EXPECT_TRUE(state.mouseZoomAllowed());
  // After completion further moves change nothing.
  EXPECT_EQ(DragTo(state, true, 9), Update{});
  EXPECT_EQ(state.windows[0].band(H), (Interval{4, 6}));
}

TEST(AnalysisWindows, TogglesExcludeEachOther) {
  WindowState state;
  ToggleAddMode(state);
  ToggleRemoveMode(state);
  EXPECT_FALSE(state.addMode);
  EXPECT_TRUE(state.removeMode);
  ToggleAddMode(state);
  EXPECT_TRUE(state.addMode);
  EXPECT_FALSE(state.removeMode);
  ToggleAddMode(state);
  EXPECT_FALSE(state.addMode);
  EXPECT_FALSE(state.removeMode);
}

TEST(AnalysisWindows, ClearWindowsKeepsModes) {
  WindowState state;
  for (const Action& a : Drag(1, 2)) Perform(state, true, a);
  ToggleAddMode(state);
  PressAt(state, true, 5, false, H);  // a creation in progress
  ClearWindows(state);
  EXPECT_TRUE(state.windows.empty());
  EXPECT_TRUE(state.addMode);
  EXPECT_FALSE(state.creating);
  EXPECT_EQ(DragTo(state, true, 7), Update{});
  EXPECT_EQ(ReleaseAt(state, true, 7), Update{});
  EXPECT_TRUE(state.windows.empty());
}

// Three windows [1,2], [4,6], [9,10] and a visible span of 30 s: gap = 0.1 s.
class EdgeDragTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (auto [a, b] : {std::pair{1.0, 2.0}, {4.0, 6.0}, {9.0, 10.0}})
      for (const Action& act : Drag(a, b)) Perform(state, true, act);
    ASSERT_EQ(state.windows.size(), 3u);
  }
  WindowState state;
};

TEST_F(EdgeDragTest, LimitsStopOneGapShortOfNeighboursAndOwnEdge) {
  const auto limits = BeginEdgeDrag(state, 1, H, Edge::Start, -30.0);
  ASSERT_TRUE(limits.has_value());
  EXPECT_DOUBLE_EQ(limits->startEdge.lower, 2.1);
  EXPECT_DOUBLE_EQ(limits->startEdge.upper, 5.9);
  EXPECT_DOUBLE_EQ(limits->endEdge.lower, 4.1);
  EXPECT_DOUBLE_EQ(limits->endEdge.upper, 8.9);

  struct Case { const char* name; Edge edge; double pointer; double expected; };
  const Case cases[] = {
      {"start edge onto the previous window", Edge::Start, 1.5, 2.1},
      {"start edge past its own end", Edge::Start, 7.0, 5.9},
      {"start edge free", Edge::Start, 3.0, 3.0},
      {"end edge onto the next window", Edge::End, 9.5, 8.9},
      {"end edge past its own start", Edge::End, 3.0, 4.1},
      {"end edge beyond the visible range", Edge::End, 50.0, 8.9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WindowState s = state;
    ASSERT_TRUE(BeginEdgeDrag(s, 1, H, c.edge, 30.0));
    const auto moved = DragEdgeTo(s, c.pointer, 0.0, 30.0);
    ASSERT_TRUE(moved.has_value());
    EXPECT_DOUBLE_EQ(*moved, c.expected);
    const Interval band = s.windows[1].band(H);
    EXPECT_DOUBLE_EQ(c.edge == Edge::Start ? band.start : band.end, c.expected);
  }
}

TEST_F(EdgeDragTest, OutermostWindowsHaveNoNeighbourLimit) {
  auto limits = BeginEdgeDrag(state, 0, H, Edge::Start, 30.0);
  ASSERT_TRUE(limits);
  EXPECT_DOUBLE_EQ(limits->startEdge.lower, -1e30 + 0.1);
  limits = BeginEdgeDrag(state, 2, H, Edge::End, 30.0);
  ASSERT_TRUE(limits);
  EXPECT_DOUBLE_EQ(limits->endEdge.upper, 1e30 - 0.1);
  // The visible range keeps the edge on the chart.
  EXPECT_DOUBLE_EQ(*DragEdgeTo(state, 45.0, 0.0, 30.0), 30.0);
}

TEST_F(EdgeDragTest, EndMirrorsTheDraggedBandToTheOtherChart) {
  // Dragging on Chart2 leaves the window's interval until the drag ends.
  ASSERT_TRUE(BeginEdgeDrag(state, 1, V, Edge::End, 30.0));
  DragEdgeTo(state, 7.5, 0.0, 30.0);
  EXPECT_EQ(state.windows[1].band(V), (Interval{4, 7.5}));
  EXPECT_EQ(state.windows[1].band(H), (Interval{4, 6}));
  EXPECT_EQ(EndEdgeDrag(state), (Update{.bands = true, .modes = false}));
  EXPECT_EQ(state.windows[1].band(H), (Interval{4, 7.5}));
  EXPECT_FALSE(state.edgeDrag.has_value());

  // Dragging on Chart1 moves the window's interval at once; Chart2 follows at the end.
  ASSERT_TRUE(BeginEdgeDrag(state, 1, H, Edge::Start, 30.0));
  DragEdgeTo(state, 3.0, 0.0, 30.0);
  EXPECT_EQ(state.windows[1].start, 3.0);
  EXPECT_EQ(state.windows[1].band(V), (Interval{4, 7.5}));
  EndEdgeDrag(state);
  EXPECT_EQ(state.windows[1].band(V), (Interval{3, 7.5}));
}

TEST_F(EdgeDragTest, EnclosedAndOverlappingWindowsAreNotNeighbours) {
  WindowState s;
  for (const Action& a : Drag(1, 2)) Perform(s, true, a);
  for (const Action& a : Drag(3, 0)) Perform(s, true, a);  // encloses [1,2]
  ASSERT_EQ(s.windows.size(), 2u);
  const auto limits = BeginEdgeDrag(s, 1, H, Edge::Start, 30.0);
  ASSERT_TRUE(limits);
  EXPECT_DOUBLE_EQ(limits->startEdge.lower, -1e30 + 0.1);
  EXPECT_DOUBLE_EQ(limits->endEdge.upper, 1e30 - 0.1);
}

TEST(AnalysisWindows, EdgeWithEmptyClampRangeStays) {
  // Neighbours closer than one gap: the clamp range of the start edge is empty, and
  // clamping would put the start edge after the end edge. The edge stays put.
  WindowState state;
  for (const Action& a : Drag(1, 4.95)) Perform(state, true, a);
  for (const Action& a : Drag(5, 5.05)) Perform(state, true, a);
  ASSERT_TRUE(BeginEdgeDrag(state, 1, H, Edge::Start, 30.0));
  EXPECT_DOUBLE_EQ(*DragEdgeTo(state, 4.0, 0.0, 30.0), 5.0);
  EndEdgeDrag(state);
  EXPECT_LE(state.windows[1].start, state.windows[1].end);
}

}  // namespace
}  // namespace corvath::windows
