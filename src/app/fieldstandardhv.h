#pragma once
// The "Field standard" computation as a command: the field-standard H/V of the
// record over the analysis windows (or automatic windows), kept in the workspace
// beside the classic spectra, and its mean curve written to a file.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/workspace.h"
#include "numerics/parallel.h"
#include "spectra/curves.h"
#include "spectra/fieldstandard.h"
#include "spectra/hvfile.h"

namespace corvath::app {

using spectra::FieldStandardSettings;
using spectra::HorizontalCombination;

//! A field-standard H/V computed but not yet in the workspace.
struct ComputedFieldStandard {
  Outcome outcome;  //!< Done, Failed (with the reason) or Unchanged("cancelled")
  std::optional<spectra::FieldStandardResult> result;  //!< set when outcome is Done
  std::optional<spectra::AzimuthalHv> azimuthal;       //!< with an azimuth step
};

//! The computing half of CalculateFieldStandardHv: works on its own inputs only, so
//! it may run on a worker thread while the caller keeps the record unchanged.
//! progress hears the fraction done (0 ... 1) and cancels by answering false.
ComputedFieldStandard ComputeFieldStandardHv(const import::ThreeComponentRecord& record,
                                             const std::vector<spectra::WindowInterval>& windows,
                                             const FieldStandardSettings& settings,
                                             const numerics::ProgressHook& progress = {});

//! The installing half: a Done computation replaces fieldStandardResult and
//! azimuthalResult; anything else leaves the workspace as it was. Returns the
//! computation's outcome.
Outcome ApplyComputedFieldStandard(Workspace& workspace, ComputedFieldStandard&& computed);

//! The field-standard H/V of the record over windows of the settings' length cut from
//! each analysis window (from the whole record without any), and the azimuthal H/V
//! when the settings give an azimuth step. On success the results replace
//! fieldStandardResult and azimuthalResult; otherwise both stay and the answer
//! (Failed) says why.
Outcome CalculateFieldStandardHv(Workspace& workspace, const FieldStandardSettings& settings);

//! "Select windows automatically": the automatic windows of the settings' length and
//! overlap that the STA/LTA anti-trigger keeps (the settings' STA/LTA or its
//! defaults) replace the analysis windows, as complete windows the user can edit.
//! Failed, with the windows untouched, when none is kept or the record has none.
Outcome SelectWindowsAutomatically(Workspace& workspace, const FieldStandardSettings& settings);

//! What is said about a calculated ratio: "no peak inside the band" when its largest
//! value lies at an end of the band, with a hint where the peak may lie when the curve
//! rises to that end (below Min frq, above Max frq); empty otherwise (and for a curve
//! without points).
std::string PeakNotice(const spectra::RatioCurve& ratio);

//! The report of the last field-standard computation as "name: value" lines, or as
//! one JSON object. Unchanged when there is none yet.
Outcome WriteFieldStandardReport(const Workspace& workspace, std::ostream& out, bool json);

//! The mean curve with its lower and upper curves ("f,Hz   H/V  lower  upper") to path,
//! replaced atomically. Unchanged when there is no field-standard result yet.
Outcome SaveFieldStandardCurve(const Workspace& workspace, const std::string& path);

//! The last field-standard result as a ".hv" file at path (the peer tools' layout),
//! replaced atomically. Unchanged when there is none yet.
Outcome SaveFieldStandardHvFile(const Workspace& workspace, const std::string& path,
                                const spectra::HvPosition& position = {});

//! Each window of the last result with its peak, STA/LTA range and fate, to path.
Outcome SaveWindowTable(const Workspace& workspace, const std::string& path);

//! Each window's H/V curve of the last result, one column per window, to path.
Outcome SaveWindowCurves(const Workspace& workspace, const std::string& path);

//! The azimuthal curves of the last result ("azimuth_deg f_hz hv lower upper") to
//! path. Unchanged when the last computation had no azimuths.
Outcome SaveAzimuthTable(const Workspace& workspace, const std::string& path);

}  // namespace corvath::app
