#pragma once
// Undo and redo of the workspace. Before each change the caller saves the parts of
// the workspace the change touches (a Snapshot) and records it as a named step.
// Undo swaps a step's saved parts with the workspace's (nothing is copied: the step
// then holds the state undone, which redo swaps back), so a step costs only what
// its change touches: window and model steps never hold the record; "Remove zero"
// keeps the sample values alone, a load the record it replaced.
#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/outcome.h"
#include "app/workspace.h"
#include "import/record.h"
#include "inversion/model.h"
#include "numerics/arrays.h"
#include "windows/analysiswindows.h"

namespace corvath::app {

//! Which parts of the workspace a step changes.
struct HistoryParts {
  bool record = false;   //!< the samples (a load, or only their values)
  bool windows = false;  //!< the analysis window list
  bool model = false;    //!< the layered model and its tables
  bool forward = false;  //!< "Ref frq", "K degree" and the theoretical curve
  bool operator==(const HistoryParts&) const = default;
};

//! The model with the tables it is generated from (bounds, flags, SelectedParameter).
struct ModelState {
  inversion::amodel model;
  inversion::ModelTables tables;
  bool operator==(const ModelState&) const = default;
};

//! The forward-model values an inversion writes back, with the curve it computed.
struct ForwardState {
  double referenceFrequency = 0.0;
  double dispersionExponent = 0.0;
  numerics::arofcomplexM theoreticalCurve;
};

//! The values of X, Y and Z in sample order (their times stay where they are).
using SampleValues = std::array<std::vector<double>, 3>;

//! Parts of the workspace as they were; a part that is not held is not touched.
struct Snapshot {
  std::optional<import::ThreeComponentRecord> record;  //!< the whole record (a load)
  std::optional<SampleValues> values;                  //!< the sample values only
  std::optional<std::vector<windows::AnalysisWindow>> windows;
  std::optional<ModelState> model;
  std::optional<ForwardState> forward;
  //! With a whole record: the names it was loaded from, kept for the caller.
  std::vector<std::string> recordFiles;
  //! With a whole record: the paths it was read from (the workspace's recordFiles).
  std::vector<std::string> recordPaths;

  //! The analysis windows of the workspace.
  static Snapshot Windows(const Workspace& workspace);
  //! The model and its tables.
  static Snapshot Model(const Workspace& workspace);
  //! The model, its tables, "Ref frq", "K degree" and the theoretical curve.
  static Snapshot ModelAndForward(const Workspace& workspace);
  //! The values of the samples (for a change that keeps their times and counts).
  static Snapshot Values(const Workspace& workspace);

  HistoryParts parts() const;
  //! True when a held part differs from the workspace's (sample values bit for bit).
  bool differsFrom(const Workspace& workspace) const;
  //! Holds samples (a record or its values): the steps the history keeps few of.
  bool holdsSamples() const;
};

//! What undo or redo did: the step's name and the parts to redraw.
struct HistoryChange {
  std::string name;
  HistoryParts parts;
  bool wholeRecord = false;  //!< the record was replaced (a load), not only its values
};

class WorkspaceHistory {
public:
  static constexpr std::size_t kDefaultMaxSteps = 100;
  //! Steps that hold samples: each may be as large as the record (or half of it).
  static constexpr std::size_t kDefaultMaxSampleSteps = 2;

  explicit WorkspaceHistory(std::size_t maxSteps = kDefaultMaxSteps,
                            std::size_t maxSampleSteps = kDefaultMaxSampleSteps);

  //! Records a step named `name` whose state before the change is `before`; the
  //! redo steps are dropped. Beyond the bounds the oldest steps go: past maxSteps
  //! one by one; past maxSampleSteps up to and including the oldest that holds
  //! samples (what came before it could not be reached any more). A snapshot that
  //! holds nothing records nothing.
  void record(std::string name, Snapshot before);
  //! Records the step only when `before` differs from the workspace now; true if so.
  bool recordIfChanged(std::string name, Snapshot before, const Workspace& workspace);

  //! Undoes the latest step: its parts go back into the workspace. Nothing when there
  //! is none. Undoing or redoing a load swaps *recordFiles with the names the step
  //! keeps (the names of the record now in the workspace in, those it restores out).
  std::optional<HistoryChange> undo(Workspace& workspace, std::vector<std::string>* recordFiles = nullptr);
  //! Redoes the latest undone step.
  std::optional<HistoryChange> redo(Workspace& workspace, std::vector<std::string>* recordFiles = nullptr);

  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  //! Names of the step undo / redo would take ("" when none).
  std::string undoName() const;
  std::string redoName() const;
  //! Steps that can be undone / redone.
  std::size_t undoCount() const { return undo_.size(); }
  std::size_t redoCount() const { return redo_.size(); }
  //! Steps, undoable or redoable, that hold samples.
  std::size_t sampleStepCount() const;
  void clear();

  //! Told after every change of the steps (recorded, undone, redone, dropped).
  void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
  struct Step {
    std::string name;
    Snapshot state;
  };
  std::optional<HistoryChange> shift(std::deque<Step>& from, std::deque<Step>& to, Workspace& workspace,
                                     std::vector<std::string>* recordFiles);
  void told() const {
    if (listener_) listener_();
  }

  std::size_t maxSteps_;
  std::size_t maxSampleSteps_;
  std::deque<Step> undo_;  //!< oldest first
  std::deque<Step> redo_;  //!< the next to redo last
  std::function<void()> listener_;
};

//! A load that keeps the record it replaces as the step `stepName` (moved into the
//! step, not copied), with the names it was loaded from: as ApplyLoadedRecord,
//! recorded only when the load is Done.
Outcome ApplyLoadedRecord(Workspace& workspace, LoadedRecord&& loaded, WorkspaceHistory& history,
                          std::vector<std::string> replacedFiles = {}, std::string stepName = "Load record");

//! "Remove zero" recorded as a step that keeps the sample values it replaces; as
//! RemoveZero otherwise (no step unless Done).
Outcome RemoveZero(Workspace& workspace, const WindowSizePrompt& askWindowSize, WorkspaceHistory& history);

}  // namespace corvath::app
