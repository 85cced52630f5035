#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/history.h"
#include "app/windowcommands.h"
#include "app/workspace.h"

namespace {

using corvath::app::HistoryChange;
using corvath::app::HistoryParts;
using corvath::app::LoadedRecord;
using corvath::app::Outcome;
using corvath::app::Snapshot;
using corvath::app::Workspace;
using corvath::app::WorkspaceHistory;
using corvath::import::Component;
using corvath::import::Sample;
using corvath::import::ThreeComponentRecord;

constexpr int Vs = 2, Rho = 3;

// Values whose running means do not come out exactly, so a restore that recomputed
// (adding the mean back) instead of keeping the old values would show in the last bits.
ThreeComponentRecord WavyRecord(std::size_t n, double phase) {
  std::vector<Sample> x, y, z;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 0.01 * static_cast<double>(i);
    x.push_back({t, 0.1 + std::sin(0.7 * i + phase) / 3.0});
    y.push_back({t, 1e-7 * std::cos(1.3 * i) + phase});
    z.push_back({t, 17.3 + std::sin(0.11 * i * i) * 0.3});
  }
  return ThreeComponentRecord::FromArrivals(std::move(x), std::move(y), std::move(z));
}

bool SameBits(const ThreeComponentRecord& a, const ThreeComponentRecord& b) {
  for (Component c : corvath::import::kComponents) {
    const std::vector<Sample> sa = a.samples(c).pairs();
    const std::vector<Sample> sb = b.samples(c).pairs();
    if (sa.size() != sb.size()) return false;
    if (!sa.empty() && std::memcmp(sa.data(), sb.data(), sa.size() * sizeof(Sample)) != 0) return false;
  }
  return true;
}

Workspace WithRecord(std::size_t n = 50) {
  Workspace workspace;
  corvath::app::LoadRecord(workspace, WavyRecord(n, 0.25));
  return workspace;
}

Outcome RemoveZeroOf(Workspace& workspace, WorkspaceHistory& history, double size = 7) {
  return corvath::app::RemoveZero(workspace, [size] { return std::optional<double>(size); }, history);
}

// One recorded window step: a window from start to end.
void AddWindow(Workspace& workspace, WorkspaceHistory& history, double start, double end) {
  Snapshot before = Snapshot::Windows(workspace);
  ASSERT_TRUE(corvath::app::AddAnalysisWindow(workspace, start, end).done());
  history.record("Add window", std::move(before));
}

TEST(WorkspaceHistory, WindowStepsUndoAndRedoTheListWithoutTouchingTheRecord) {
  Workspace workspace = WithRecord();
  WorkspaceHistory history;
  AddWindow(workspace, history, 0.05, 0.2);
  const auto oneWindow = workspace.windows.windows;
  AddWindow(workspace, history, 0.3, 0.4);
  const auto twoWindows = workspace.windows.windows;
  // A press in removeMode deletes the window it lands in.
  Snapshot before = Snapshot::Windows(workspace);
  EXPECT_FALSE(before.holdsSamples());  // a window step never holds the record
  corvath::app::ToggleRemoveWindowMode(workspace);
  corvath::app::PressOnTimeSeries(workspace, 0.1, false, corvath::windows::Chart::Horizontal);
  ASSERT_TRUE(history.recordIfChanged("Remove window", std::move(before), workspace));
  ASSERT_EQ(workspace.windows.windows.size(), 1u);
  const auto afterRemoval = workspace.windows.windows;
  const ThreeComponentRecord record = workspace.record;

  EXPECT_EQ(history.undoName(), "Remove window");
  // "Remove window" is one-shot: the removal ended the mode, and undo leaves it so.
  EXPECT_FALSE(workspace.windows.removeMode);
  std::optional<HistoryChange> change = history.undo(workspace);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->name, "Remove window");
  EXPECT_EQ(change->parts, (HistoryParts{.windows = true}));
  EXPECT_EQ(workspace.windows.windows, twoWindows);
  EXPECT_FALSE(workspace.windows.removeMode);  // the modes are not part of the history
  ASSERT_TRUE(history.undo(workspace));
  EXPECT_EQ(workspace.windows.windows, oneWindow);
  ASSERT_TRUE(history.undo(workspace));
  EXPECT_TRUE(workspace.windows.windows.empty());
  EXPECT_FALSE(history.canUndo());
  EXPECT_FALSE(history.undo(workspace));
  EXPECT_EQ(history.redoName(), "Add window");

  ASSERT_TRUE(history.redo(workspace));
  ASSERT_TRUE(history.redo(workspace));
  EXPECT_EQ(workspace.windows.windows, twoWindows);
  ASSERT_TRUE(history.redo(workspace));
  EXPECT_EQ(workspace.windows.windows, afterRemoval);
  EXPECT_FALSE(history.canRedo());
  EXPECT_TRUE(SameBits(workspace.record, record));
  EXPECT_EQ(history.sampleStepCount(), 0u);
}

TEST(WorkspaceHistory, UndoEndsAWindowGestureUnderWay) {
  Workspace workspace = WithRecord();
  WorkspaceHistory history;
  AddWindow(workspace, history, 0.05, 0.2);
  corvath::app::ToggleAddWindowMode(workspace);
  corvath::app::PressOnTimeSeries(workspace, 0.3, false, corvath::windows::Chart::Horizontal);
  ASSERT_TRUE(workspace.windows.creating);
  ASSERT_TRUE(history.undo(workspace));
  EXPECT_TRUE(workspace.windows.windows.empty());
  EXPECT_FALSE(workspace.windows.creating);
  EXPECT_FALSE(workspace.windows.edgeDrag);
}

struct ModelEdit {
  const char* step;
  std::function<Outcome(Workspace&)> edit;
};

TEST(WorkspaceHistory, ModelStepsRestoreTheModelAndItsTablesExactly) {
  const ModelEdit edits[] = {
      {"Edit model value", [](Workspace& w) { return corvath::app::EditModelCell(w, Vs + 1, 2, 0.52345678901); }},
      {"Invert flag", [](Workspace& w) { return corvath::app::ToggleInvertFlag(w, Rho + 1, 4); }},
      {"Layers number", [](Workspace& w) { return corvath::app::SetLayerCount(w, 9); }},
      {"Settings",
       [](Workspace& w) {
         corvath::inversion::ParameterSettings s;
         s.startValue = 0.2;
         s.incFactor = 1.7;
         s.minimum = 0.5;
         s.maximum = 2.0;
         s.valuesEnabled = s.limitsEnabled = s.invertEnabled = true;
         return corvath::app::ApplyParameterSettings(w, Vs, s).outcome;
       }},
  };
  for (const ModelEdit& e : edits) {
    SCOPED_TRACE(e.step);
    Workspace workspace = WithRecord();
    workspace.modelTables.SelectedParameter = 4;
    const corvath::inversion::amodel model = workspace.model;
    const corvath::inversion::ModelTables tables = workspace.modelTables;
    WorkspaceHistory history;
    Snapshot before = Snapshot::Model(workspace);
    EXPECT_FALSE(before.holdsSamples());
    ASSERT_TRUE(e.edit(workspace).done());
    ASSERT_TRUE(history.recordIfChanged(e.step, std::move(before), workspace));
    const corvath::inversion::amodel edited = workspace.model;
    const corvath::inversion::ModelTables editedTables = workspace.modelTables;
    ASSERT_FALSE(edited == model && editedTables == tables);

    const std::optional<HistoryChange> change = history.undo(workspace);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->name, e.step);
    EXPECT_EQ(change->parts, (HistoryParts{.model = true}));
    EXPECT_EQ(workspace.model, model);
    EXPECT_EQ(workspace.modelTables, tables);
    ASSERT_TRUE(history.redo(workspace));
    EXPECT_EQ(workspace.model, edited);
    EXPECT_EQ(workspace.modelTables, editedTables);
  }
}

TEST(WorkspaceHistory, AnInversionStepRestoresTheForwardValuesAndTheCurve) {
  Workspace workspace;
  workspace.referenceFrequency = 1.0;
  workspace.dispersionExponent = 0.1;
  workspace.theoreticalCurve = {{1.0, 2.0}, {2.0, 3.5}};
  const Workspace start = workspace;
  WorkspaceHistory history;
  Snapshot before = Snapshot::ModelAndForward(workspace);
  workspace.model.values[Vs][0] = 0.4;
  workspace.referenceFrequency = 2.5;
  workspace.dispersionExponent = 0.37;
  workspace.theoreticalCurve = {{1.0, 2.2}, {2.0, 3.1}};
  ASSERT_TRUE(history.recordIfChanged("Inversion result", std::move(before), workspace));
  ASSERT_EQ(history.undo(workspace)->parts, (HistoryParts{.model = true, .forward = true}));
  EXPECT_EQ(workspace.model, start.model);
  EXPECT_EQ(workspace.referenceFrequency, 1.0);
  EXPECT_EQ(workspace.dispersionExponent, 0.1);
  EXPECT_EQ(workspace.theoreticalCurve, start.theoreticalCurve);
  ASSERT_TRUE(history.redo(workspace));
  EXPECT_EQ(workspace.referenceFrequency, 2.5);
  EXPECT_EQ(workspace.theoreticalCurve[1].im, 3.1);
}

TEST(WorkspaceHistory, RemoveZeroUndoesToTheSamplesBitForBit) {
  Workspace workspace = WithRecord(400);
  const ThreeComponentRecord original = workspace.record;
  WorkspaceHistory history;
  ASSERT_TRUE(RemoveZeroOf(workspace, history).done());
  ASSERT_TRUE(RemoveZeroOf(workspace, history, 100).done());  // twice: a mean off corrected values
  const ThreeComponentRecord twice = workspace.record;
  ASSERT_FALSE(SameBits(twice, original));
  EXPECT_EQ(history.undoName(), "Remove zero");
  EXPECT_EQ(history.undo(workspace)->parts, (HistoryParts{.record = true}));
  ASSERT_TRUE(history.undo(workspace));
  EXPECT_TRUE(SameBits(workspace.record, original));
  ASSERT_TRUE(history.redo(workspace));
  ASSERT_TRUE(history.redo(workspace));
  EXPECT_TRUE(SameBits(workspace.record, twice));
}

TEST(WorkspaceHistory, RemoveZeroThatChangesNothingRecordsNothing) {
  WorkspaceHistory history;
  Workspace workspace = WithRecord(400);
  const auto cancelled = corvath::app::RemoveZero(workspace, [] { return std::optional<double>(); }, history);
  EXPECT_TRUE(cancelled.unchanged());
  EXPECT_TRUE(RemoveZeroOf(workspace, history, -4).unchanged());
  Workspace tooShort = WithRecord(9);
  EXPECT_TRUE(RemoveZeroOf(tooShort, history).unchanged());
  EXPECT_FALSE(history.canUndo());
}

TEST(WorkspaceHistory, ALoadKeepsTheRecordItReplacedAndItsNames) {
  Workspace workspace = WithRecord(30);
  const ThreeComponentRecord first = workspace.record;
  WorkspaceHistory history;
  AddWindow(workspace, history, 0.01, 0.1);
  ASSERT_TRUE(corvath::app::EditModelCell(workspace, Vs + 1, 1, 0.37).done());
  const auto windows = workspace.windows.windows;
  const auto model = workspace.model;
  const corvath::import::SampleList* xList = &workspace.record.samples(Component::X);

  LoadedRecord loaded{Outcome::Done(), WavyRecord(60, 1.5)};
  const ThreeComponentRecord second = *loaded.record;
  ASSERT_TRUE(corvath::app::ApplyLoadedRecord(workspace, std::move(loaded), history, {"a.csv"}).done());
  EXPECT_TRUE(SameBits(workspace.record, second));
  EXPECT_TRUE(workspace.windows.windows.empty());  // the load's reset
  EXPECT_EQ(history.undoName(), "Load record");

  std::vector<std::string> files{"b.saf"};
  const std::optional<HistoryChange> change = history.undo(workspace, &files);
  EXPECT_EQ(change->parts, (HistoryParts{.record = true, .windows = true, .model = true}));
  EXPECT_TRUE(SameBits(workspace.record, first));
  EXPECT_EQ(workspace.windows.windows, windows);
  EXPECT_EQ(workspace.model, model);
  EXPECT_EQ(files, std::vector<std::string>{"a.csv"});
  EXPECT_EQ(&workspace.record.samples(Component::X), xList);
  ASSERT_TRUE(history.redo(workspace, &files));
  EXPECT_TRUE(SameBits(workspace.record, second));
  EXPECT_EQ(files, std::vector<std::string>{"b.saf"});

  // A load that did not complete leaves everything, the history too.
  LoadedRecord failed{Outcome::Failed("unreadable"), std::nullopt};
  EXPECT_TRUE(corvath::app::ApplyLoadedRecord(workspace, std::move(failed), history).failed());
  EXPECT_EQ(history.undoCount(), 2u);
}

TEST(WorkspaceHistory, ANewStepAfterUndoDropsTheRedoSteps) {
  Workspace workspace = WithRecord();
  WorkspaceHistory history;
  AddWindow(workspace, history, 0.01, 0.1);
  AddWindow(workspace, history, 0.2, 0.3);
  ASSERT_TRUE(history.undo(workspace));
  ASSERT_TRUE(history.canRedo());
  AddWindow(workspace, history, 0.35, 0.4);
  EXPECT_FALSE(history.canRedo());
  EXPECT_FALSE(history.redo(workspace));
  EXPECT_EQ(history.undoCount(), 2u);
  // A change that changed nothing is no step and keeps the redo steps.
  ASSERT_TRUE(history.undo(workspace));
  EXPECT_FALSE(history.recordIfChanged("Edit model value", Snapshot::Model(workspace), workspace));
  EXPECT_TRUE(history.canRedo());
  history.record("Nothing", Snapshot{});
  EXPECT_TRUE(history.canRedo());
}

TEST(WorkspaceHistory, StepsAndSampleStepsAreBounded) {
  Workspace workspace = WithRecord(200);
  WorkspaceHistory history(5, 2);
  for (int i = 0; i < 8; ++i) AddWindow(workspace, history, i * 0.1, i * 0.1 + 0.05);
  EXPECT_EQ(history.undoCount(), 5u);  // the oldest three went
  while (history.undo(workspace)) {}
  EXPECT_EQ(workspace.windows.windows.size(), 3u);

  // Windows and Remove zero steps in turn: past two sample steps the oldest one goes,
  // and with it every step before it.
  WorkspaceHistory bounded(100, 2);
  Workspace w = WithRecord(200);
  AddWindow(w, bounded, 0.0, 0.1);
  ASSERT_TRUE(RemoveZeroOf(w, bounded).done());
  const ThreeComponentRecord afterFirst = w.record;
  AddWindow(w, bounded, 0.2, 0.3);
  ASSERT_TRUE(RemoveZeroOf(w, bounded).done());
  AddWindow(w, bounded, 0.4, 0.5);
  EXPECT_EQ(bounded.undoCount(), 5u);
  ASSERT_TRUE(RemoveZeroOf(w, bounded).done());
  EXPECT_EQ(bounded.sampleStepCount(), 2u);
  EXPECT_EQ(bounded.undoCount(), 4u);  // window, remove zero, window, remove zero
  while (bounded.undo(w)) {}
  EXPECT_TRUE(SameBits(w.record, afterFirst));
  EXPECT_EQ(w.windows.windows.size(), 1u);
  // Undone sample steps still count until a new step drops them.
  EXPECT_EQ(bounded.sampleStepCount(), 2u);
  AddWindow(w, bounded, 0.6, 0.7);
  EXPECT_EQ(bounded.sampleStepCount(), 0u);

  // No sample step at all: Remove zero is done, and nothing before it can be undone.
  WorkspaceHistory none(100, 0);
  Workspace v = WithRecord(200);
  AddWindow(v, none, 0.0, 0.1);
  ASSERT_TRUE(RemoveZeroOf(v, none).done());
  EXPECT_FALSE(none.canUndo());
}

}  // namespace
