#pragma once
// The headless theoretical curve: the S- and P-wave transfer functions of the
// workspace's model and its repaired H/V ratio at any frequencies, and their table.
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/outcome.h"
#include "app/workspace.h"

namespace corvath::app {

//! One frequency of the forward table.
struct ForwardPoint {
  double frequencyHz = 0.0;
  double shear = 0.0;        //!< S-wave transfer function amplitude
  double compression = 0.0;  //!< P-wave transfer function amplitude
  double ratio = 0.0;        //!< theoretical H/V ratio, extreme values repaired
  bool operator==(const ForwardPoint&) const = default;
};

//! The model's S and P transfer functions (TransferFunction) and its theoretical ratio
//! (ComputeTheoreticalCurve, with the repair) at frequenciesHz, in the order given, with
//! "Ref frq" and "K degree" from settings. Unchanged for an empty list; Failed with the
//! runtime's message on a floating-point fault. points is replaced only on success.
Outcome ForwardCurve(const Workspace& workspace, const ForwardModelSettings& settings,
                     const std::vector<double>& frequenciesHz, std::vector<ForwardPoint>& points);

//! The table: heading "f,Hz   S  P  H/Zc", then per point its frequency (Hz), S, P and the
//! ratio in the 23-character exponent form, separated by one space; CR LF line ends.
std::string ForwardTableText(const std::vector<ForwardPoint>& points);

//! ForwardTableText written to path through the atomic writer.
Outcome SaveForwardTable(const std::vector<ForwardPoint>& points, const std::string& path);

}  // namespace corvath::app
