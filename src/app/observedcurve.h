#pragma once
// An observed H/Z curve taken from a results table written earlier, in place of a
// "Calculate spectra" of a record.
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/workspace.h"

namespace corvath::app {

//! Replaces the workspace's spectra result by the table at path (ReadRatioTable): a
//! "Spectrum to text file" table gives the averaged spectra and the ratio without bounds,
//! a bounds table ("f,Hz   H/Z  lower  upper") the ratio with its bounds (hasBounds on).
//! Failed with the file's name when it cannot be read or is refused; the result then stays.
Outcome LoadObservedCurve(Workspace& workspace, const std::string& path);

//! The frequencies (Hz) of the observed ratio's points in order; empty without spectra.
std::vector<double> ObservedFrequencies(const Workspace& workspace);

}  // namespace corvath::app
