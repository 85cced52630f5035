#include "app/history.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

namespace corvath::app {
namespace {

using import::Component;
using import::kComponents;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool ValuesDiffer(const SampleValues& values, const import::ThreeComponentRecord& record) {
  for (Component c : kComponents) {
    const std::vector<double>& saved = values[static_cast<int>(c)];
    const std::span<const double> samples = record.samples(c).values();
    if (saved.size() != samples.size()) return true;
    for (std::size_t i = 0; i < saved.size(); ++i)
      if (!SameBits(saved[i], samples[i])) return true;
  }
  return false;
}

bool ForwardDiffers(const ForwardState& forward, const Workspace& workspace) {
  return !SameBits(forward.referenceFrequency, workspace.referenceFrequency) ||
         !SameBits(forward.dispersionExponent, workspace.dispersionExponent) ||
         forward.theoreticalCurve != workspace.theoreticalCurve;
}

// Exchanges the held parts with the workspace's: afterwards the snapshot holds what
// the workspace held. Whole records are swapped, so the workspace's sample lists stay
// the same objects (the charts drawing them stay attached).
void SwapInto(Snapshot& state, Workspace& workspace, std::vector<std::string>* recordFiles) {
  if (state.record) {
    std::swap(workspace.record, *state.record);
    std::swap(workspace.recordFiles, state.recordPaths);
    if (recordFiles) std::swap(*recordFiles, state.recordFiles);
  }
  if (state.values) {
    for (Component c : kComponents) {
      std::vector<double>& saved = (*state.values)[static_cast<int>(c)];
      const std::span<double> samples = workspace.record.samples(c).values();
      if (saved.size() != samples.size()) continue;  // a step never meets another record
      std::swap_ranges(saved.begin(), saved.end(), samples.begin());
    }
  }
  if (state.windows) {
    std::swap(workspace.windows.windows, *state.windows);
    // A gesture under way belonged to the list that has gone.
    workspace.windows.creating = false;
    workspace.windows.edgeDrag.reset();
  }
  if (state.model) {
    std::swap(workspace.model, state.model->model);
    std::swap(workspace.modelTables, state.model->tables);
  }
  if (state.forward) {
    std::swap(workspace.referenceFrequency, state.forward->referenceFrequency);
    std::swap(workspace.dispersionExponent, state.forward->dispersionExponent);
    std::swap(workspace.theoreticalCurve, state.forward->theoreticalCurve);
  }
}

}  // namespace

Snapshot Snapshot::Windows(const Workspace& workspace) {
  Snapshot s;
  s.windows = workspace.windows.windows;
  return s;
}

Snapshot Snapshot::Model(const Workspace& workspace) {
  Snapshot s;
  s.model = ModelState{workspace.model, workspace.modelTables};
  return s;
}

Snapshot Snapshot::ModelAndForward(const Workspace& workspace) {
  Snapshot s = Model(workspace);
  s.forward = ForwardState{workspace.referenceFrequency, workspace.dispersionExponent, workspace.theoreticalCurve};
  return s;
}

Snapshot Snapshot::Values(const Workspace& workspace) {
  Snapshot s;
  s.values.emplace();
  for (Component c : kComponents) {
    const std::span<const double> samples = workspace.record.samples(c).values();
    (*s.values)[static_cast<int>(c)].assign(samples.begin(), samples.end());
  }
  return s;
}

HistoryParts Snapshot::parts() const {
  return {record.has_value() || values.has_value(), windows.has_value(), model.has_value(), forward.has_value()};
}

bool Snapshot::differsFrom(const Workspace& workspace) const {
  return (record && !(*record == workspace.record)) || (values && ValuesDiffer(*values, workspace.record)) ||
         (windows && *windows != workspace.windows.windows) ||
         (model && !(model->model == workspace.model && model->tables == workspace.modelTables)) ||
         (forward && ForwardDiffers(*forward, workspace));
}

bool Snapshot::holdsSamples() const {
  if (values) return true;
  if (!record) return false;
  for (Component c : kComponents)
    if (record->size(c) > 0) return true;
  return false;
}

WorkspaceHistory::WorkspaceHistory(std::size_t maxSteps, std::size_t maxSampleSteps)
    : maxSteps_(maxSteps), maxSampleSteps_(maxSampleSteps) {}

void WorkspaceHistory::record(std::string name, Snapshot before) {
  const HistoryParts parts = before.parts();
  if (parts == HistoryParts{}) return;
  redo_.clear();
  undo_.push_back({std::move(name), std::move(before)});
  while (undo_.size() > maxSteps_) undo_.pop_front();
  std::size_t sampleSteps = 0;
  for (const Step& step : undo_) sampleSteps += step.state.holdsSamples() ? 1 : 0;
  for (; sampleSteps > maxSampleSteps_; --sampleSteps) {
    while (!undo_.front().state.holdsSamples()) undo_.pop_front();
    undo_.pop_front();
  }
  told();
}

bool WorkspaceHistory::recordIfChanged(std::string name, Snapshot before, const Workspace& workspace) {
  if (!before.differsFrom(workspace)) return false;
  record(std::move(name), std::move(before));
  return true;
}

std::optional<HistoryChange> WorkspaceHistory::shift(std::deque<Step>& from, std::deque<Step>& to,
                                                    Workspace& workspace, std::vector<std::string>* recordFiles) {
  if (from.empty()) return std::nullopt;
  Step step = std::move(from.back());
  from.pop_back();
  SwapInto(step.state, workspace, recordFiles);
  HistoryChange change{step.name, step.state.parts(), step.state.record.has_value()};
  to.push_back(std::move(step));
  told();
  return change;
}

std::optional<HistoryChange> WorkspaceHistory::undo(Workspace& workspace, std::vector<std::string>* recordFiles) {
  return shift(undo_, redo_, workspace, recordFiles);
}

std::optional<HistoryChange> WorkspaceHistory::redo(Workspace& workspace, std::vector<std::string>* recordFiles) {
  return shift(redo_, undo_, workspace, recordFiles);
}

std::string WorkspaceHistory::undoName() const { return undo_.empty() ? std::string() : undo_.back().name; }

std::string WorkspaceHistory::redoName() const { return redo_.empty() ? std::string() : redo_.back().name; }

std::size_t WorkspaceHistory::sampleStepCount() const {
  std::size_t n = 0;
  for (const auto* steps : {&undo_, &redo_})
    for (const Step& step : *steps) n += step.state.holdsSamples() ? 1 : 0;
  return n;
}

void WorkspaceHistory::clear() {
  undo_.clear();
  redo_.clear();
  told();
}

Outcome ApplyLoadedRecord(Workspace& workspace, LoadedRecord&& loaded, WorkspaceHistory& history,
                          std::vector<std::string> replacedFiles, std::string stepName) {
  if (!loaded.outcome.done() || !loaded.record) return std::move(loaded.outcome);
  // A load replaces the record and, through ResetWorkspace, the windows and the model.
  Snapshot before = Snapshot::Model(workspace);
  before.windows = workspace.windows.windows;
  before.record.emplace();
  // The old samples move into the step; the workspace's lists take the new ones.
  std::swap(*before.record, workspace.record);
  before.recordFiles = std::move(replacedFiles);
  before.recordPaths = workspace.recordFiles;
  LoadRecord(workspace, std::move(*loaded.record));
  loaded.record.reset();
  workspace.recordFiles = std::move(loaded.files);  // what every result computed on it names
  history.record(std::move(stepName), std::move(before));
  return std::move(loaded.outcome);
}

Outcome RemoveZero(Workspace& workspace, const WindowSizePrompt& askWindowSize, WorkspaceHistory& history) {
  std::optional<Snapshot> before;
  const Outcome outcome = RemoveZero(workspace, [&]() -> std::optional<double> {
    std::optional<double> size = askWindowSize();
    if (size) before = Snapshot::Values(workspace);  // only once the samples are about to change
    return size;
  });
  if (outcome.done() && before) history.record("Remove zero", std::move(*before));
  return outcome;
}

}  // namespace corvath::app
