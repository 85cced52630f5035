#pragma once
// The "Field standard" computation as a command: the field-standard H/V of the
// record over the analysis windows (or automatic windows), kept in the workspace
// beside the classic spectra, and its mean curve written to a file.
#include <ostream>
#include <string>

#include "app/outcome.h"
#include "app/workspace.h"
#include "spectra/curves.h"
#include "spectra/fieldstandard.h"

namespace corvath::app {

using spectra::FieldStandardSettings;
using spectra::HorizontalCombination;

//! The field-standard H/V of the record over the analysis windows (automatic windows
//! without any). On success the result replaces fieldStandardResult; otherwise it
//! stays and the answer (Failed) says why.
Outcome CalculateFieldStandardHv(Workspace& workspace, const FieldStandardSettings& settings);

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

}  // namespace corvath::app
