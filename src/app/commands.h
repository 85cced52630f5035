#pragma once
// The commands of the program. The main window and corvath-cli both reach the core
// only through them: typed settings in, one Outcome back. A command never touches
// the user interface; a choice it needs mid-way (the channels, a window size) is a
// callback the caller supplies.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/classicsettings.h"
#include "app/fieldstandardhv.h"
#include "app/outcome.h"
#include "app/workspace.h"
#include "import/readers.h"
#include "inversion/modeltable.h"
#include "inversion/parametersettings.h"
#include "numerics/parallel.h"
#include "spectra/export.h"
#include "spectra/windowspectra.h"

namespace corvath::app {

// ---- Record ----------------------------------------------------------------

//! What to load: the kind of record, its file(s) (X, Y, Z for component and SAC
//! files, one or three for miniSEED, one file otherwise) and the "Channels" choice for
//! SEG-2, Delta and miniSEED files.
struct LoadRequest {
  import::RecordFormat format = import::RecordFormat::Components;
  std::vector<std::string> paths;
  import::ChannelPrompt channels;  //!< asked mid-way, on the thread that reads; unset means channels 1, 2, 3
  //! Told the fraction of the bytes read (0 ... 1) on the thread that reads, between
  //! blocks of lines; returning false cancels the load. Unset: no progress.
  numerics::ProgressHook progress;
  //! Threads for the three component files: 0 as many as help (at most 2), 1 none.
  std::size_t workers = 0;
};

//! The kind of record a set of files holds, by what each file's first bytes show
//! (FormatFromContent) or else by its extension: three files of a
//! kind that comes in threes (miniSEED, SAC) go by that kind, other threes are
//! component files (X, Y, Z), one file goes by its extension. Failed with the reason
//! when the extensions do not tell.
Result<import::RecordFormat> FormatOfFiles(const std::vector<std::string>& paths);

//! A record read completely but not yet in the workspace.
struct LoadedRecord {
  //! Done (its message a notice to show, such as the sampling rate assumed), or
  //! Unchanged / Failed as LoadRecord answers them.
  Outcome outcome;
  std::optional<import::ThreeComponentRecord> record;  //!< set when outcome is Done
  std::vector<std::string> files;  //!< the files it was read from
};

//! The reading half of LoadRecord: needs no workspace, so it may run on a worker
//! thread. Unchanged("cancelled") when the progress hook cancelled.
LoadedRecord ReadRecordForLoad(const LoadRequest& request);

//! The installing half: a Done load's record replaces the workspace's record (its
//! files become recordFiles) and ResetWorkspace runs; any other load leaves the
//! workspace as it was. Returns the load's outcome.
Outcome ApplyLoadedRecord(Workspace& workspace, LoadedRecord&& loaded);

//! ReadRecordForLoad, then ApplyLoadedRecord. Failed (with the file) when a file
//! cannot be read or is malformed, or memory runs out ("not enough memory to load
//! ..."); Unchanged (with the reason) when the file holds nothing to load or the
//! load was cancelled. In these cases the workspace stays as it was. Done may carry
//! a notice (the sampling rate a SAF file without samp_freq was read at, the gaps a
//! miniSEED or SAC record had). Unchanged naming the file when it holds nothing usable.
Outcome LoadRecord(Workspace& workspace, const LoadRequest& request);

//! Replaces the record by a completely read new one (its files unknown), then runs ResetWorkspace.
void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record);

//! What the window tells of a loaded record.
struct RecordSummary {
  bool present = false;          //!< a record with samples is loaded
  double samplingRateHz = 0.0;   //!< 1 / the sampling interval of X (0 when it has one sample)
  double durationSeconds = 0.0;  //!< time of the last X sample minus that of the first
  std::size_t samples[3] = {};   //!< samples of X, Y and Z
};

//! The sampling rate, duration and sample counts of a record.
RecordSummary SummarizeRecord(const import::ThreeComponentRecord& record);

//! The window-size question of "Remove zero": the size in samples, or nothing when
//! the face refused the answer or the user cancelled (the record stays as it was).
using WindowSizePrompt = std::function<std::optional<double>()>;

//! "Remove zero": subtracts a centred running mean from X, Y and Z. Unchanged, without
//! asking, when X holds fewer than 10 samples; Unchanged when the prompt answers
//! nothing, and for a negative size.
Outcome RemoveZero(Workspace& workspace, const WindowSizePrompt& askWindowSize);

// ---- Windows and zoom -----------------------------------------------------------

//! An analysis window from startSeconds to endSeconds (inclusive), complete, appended
//! to the list as if drawn on the horizontal chart. Failed when the ends are not in order.
Outcome AddAnalysisWindow(Workspace& workspace, double startSeconds, double endSeconds);

//! The analysis windows as the spectra see them: in list order, both ends inclusive (s).
std::vector<spectra::WindowInterval> WindowIntervals(const windows::WindowState& state);

//! "Zoom in": the time-series charts one step wider (zoomFactor + 0.2, at most 10).
Outcome ZoomIn(Workspace& workspace);
//! "Zoom out": one step narrower (zoomFactor - 0.2, at least 1).
Outcome ZoomOut(Workspace& workspace);

//! "Smoothed spectra": means of logarithms when on.
void SetSmoothedSpectra(Workspace& workspace, bool on);

// ---- Spectra and ratio ------------------------------------------------------------

//! What "Calculate spectra" computes with: the classic settings ("Min frq", "Max frq",
//! "Smoothed spectra") and how the computation runs.
struct SpectraSettings : ClassicSettings {
  //! Told the fraction of the transforms done (0 ... 1) on the thread that computes;
  //! returning false cancels the computation. Unset: no progress.
  numerics::ProgressHook progress;
  //! Threads for the transforms: 0 as many as help (at most 2), 1 none. The result
  //! is the same, bit for bit, whatever the number.
  std::size_t workers = 0;
};

//! Spectra computed but not yet in the workspace.
struct ComputedSpectra {
  Outcome outcome;  //!< Done, Failed (with the reason) or Unchanged("cancelled")
  std::optional<spectra::SpectraResult> result;  //!< set when outcome is Done
};

//! The computing half of CalculateSpectra: works on its own inputs only (the
//! record and the window list of WindowIntervals), so it may run on a worker thread
//! while the caller keeps both unchanged.
ComputedSpectra ComputeSpectra(const import::ThreeComponentRecord& record,
                               const std::vector<spectra::WindowInterval>& windows,
                               const SpectraSettings& settings);

//! The installing half: Done spectra replace spectraResult, with the workspace's
//! recordFiles as theirs; anything else leaves the workspace as it was. Returns the
//! computation's outcome.
Outcome ApplyComputedSpectra(Workspace& workspace, ComputedSpectra&& computed);

//! "Calculate spectra" off the "1D inversion" tab: spectra and H/Z of the record over
//! the analysis windows (automatic segmentation without any); ComputeSpectra, then
//! ApplyComputedSpectra. On success the result replaces spectraResult; otherwise
//! spectraResult stays and the answer says why (Unchanged("cancelled") when the
//! progress hook cancelled).
Outcome CalculateSpectra(Workspace& workspace, const SpectraSettings& settings);

// ---- Layered model and theoretical curve ----------------------------------------

//! "Layers number": resizes the model to layers (2 to 10), one layer at a time.
Outcome SetLayerCount(Workspace& workspace, int layers);

//! A value for the parameter table's cell (column c, row r; row 0 the headings),
//! read from its text by the caller: Done when stored (the cell keeps the text as
//! typed); Failed naming the column when the value lies outside the parameter's
//! hard limits; Unchanged when the cell holds no model value.
Outcome EditModelCell(Workspace& workspace, int c, int r, double value);

//! A right press on cell (c, r): toggles the invert flag of that value (Done);
//! Unchanged when the cell holds no model value.
Outcome ToggleInvertFlag(Workspace& workspace, int c, int r);

//! The "Settings" dialog's numbers for parameter p from the tables (its switches as given).
inversion::ParameterSettings ParameterSettingsOf(const Workspace& workspace, int p,
                                                 inversion::ParameterSettings current);

//! "Apply" of the "Settings" dialog for parameter p: makes p the SelectedParameter and
//! applies each used group to the tables and the model on its own. Done with what was
//! applied when every used group was taken, or with the refusals as its notice when
//! some were taken and others refused; Failed with the refusals (one line per refused
//! field, naming it) when nothing was taken; Unchanged when no group is used. Failed
//! when p is not a parameter (0 to 5).
Result<inversion::AppliedSettings> ApplyParameterSettings(Workspace& workspace, int p,
                                                          const inversion::ParameterSettings& settings);

//! "Ref frq" (Hz) and "K degree" as a computation reads them.
struct ForwardModelSettings {
  double referenceFrequencyHz = 0.0;
  double dispersionExponent = 0.1;
  bool operator==(const ForwardModelSettings&) const = default;
};

//! "Calculate spectra" on the "1D inversion" tab: stores the two values and
//! recomputes the theoretical curve of the model at the observed frequencies.
Outcome CalculateTheoreticalCurve(Workspace& workspace, const ForwardModelSettings& settings);

// ---- Results --------------------------------------------------------------------------

//! The three forms of "Save results", in the order of the save dialog's filters, and
//! the file name each is written under (the chosen name with its extension replaced).
using spectra::ResultFileName;
using spectra::ResultFileType;

//! What "Save results" writes and where.
struct SaveRequest {
  ResultFileType type = ResultFileType::SpectrumText;
  std::string path;  //!< the file name, its extension already fitted (ResultFileName)
  //! ModelText: the parameter table as shown (heading row first); empty means the
  //! texts the model gives.
  std::vector<numerics::arofstrM> shownTable;
};

//! Writes the averaged spectra and H/Z of the last "Calculate spectra" as the text
//! table "f,Hz   X  Y  Z  H/Z". Unchanged when no spectra were calculated yet.
Outcome WriteSpectrumTable(const Workspace& workspace, std::ostream& out);

//! The program and its version as files name it: "Corvath 0.1.0".
std::string ProgramName();

//! "Save results" (the file replaced atomically). Unchanged when no spectra were
//! calculated yet. When no workbook can be written the table goes to a ".csv" file
//! beside it and the answer is Done with the notice to show and that file's name.
//! The table with bounds is Failed, and nothing written, when the ratio has none.
Outcome SaveResults(const Workspace& workspace, const SaveRequest& request);

//! The bounds table "f,Hz   H/Z  lower  upper" of the last automatic computation to
//! path (replaced atomically). Failed when the ratio has no bounds.
Outcome SaveRatioBounds(const Workspace& workspace, const std::string& path);

}  // namespace corvath::app
