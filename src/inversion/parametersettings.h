#pragma once
// The "Settings" dialog of one model parameter as plain data: the numbers it shows
// when it opens, and what its "Apply" does to the tables and the model. The dialog
// reads its fields into numbers itself; here every number is checked again, so any
// caller is held to the ranges the dialog's fields are read with.
#include <optional>
#include <string>
#include <vector>

#include "inversion/model.h"

namespace corvath::inversion {

//! The captions of the dialog's four fields; a refusal names its field by them.
inline constexpr const char* kStartValueLabel = "Start value";
inline constexpr const char* kIncFactorLabel = "Inc factor";
inline constexpr const char* kMinimumLabel = "Minimum";
inline constexpr const char* kMaximumLabel = "Maximum";

//! The range of an increment factor (both ends admissible).
inline constexpr double kMinIncFactor = 1.0;
inline constexpr double kMaxIncFactor = 7.0;

//! The contents of the "Settings" dialog. The dialog keeps its three switches
//! between openings; its numbers are refilled from the tables on every opening.
struct ParameterSettings {
  double startValue = 0.0;        //!< "Start value": the value of the top layer
  double incFactor = 1.0;         //!< "Inc factor": from one layer to the next
  std::optional<double> minimum;  //!< "Minimum" of the user limits; none while unset (shown "*")
  std::optional<double> maximum;  //!< "Maximum" of the user limits; none while unset (shown "*")
  bool invertFlag = false;        //!< the box beside "Invert": the new default invert flag
  bool valuesEnabled = false;     //!< the "Values" group is used
  bool limitsEnabled = false;     //!< the "Limits" group is used
  bool invertEnabled = false;     //!< "Invert": the invert flag is used
  bool operator==(const ParameterSettings&) const = default;
};

//! Which groups an "Apply" took over, and why it refused the others.
struct AppliedSettings {
  bool values = false;  //!< StartValues, IncFactors changed and the values regenerated
  bool limits = false;  //!< UserLimits changed and copied into every layer
  bool invert = false;  //!< InvertDefaults changed and copied into every layer
  //! One line per refused field of a used group, naming the field
  //! ("Maximum: 2 is not above the Minimum 3"); empty when every used group was taken.
  std::vector<std::string> refusals;
  bool operator==(const AppliedSettings&) const = default;
};

//! Refills the numbers for parameter p (0..5) from the tables: StartValues,
//! IncFactors, the two UserLimits bounds (none for an unset bound) and
//! InvertDefaults; the switches stay.
void FillParameterSettings(ParameterSettings& settings, const ModelTables& tables, int p);

//! "Apply" of the dialog for parameter p (0..5), each used group on its own:
//! Values: "Start value" within HardLimits[p] and "Inc factor" within 1..7, or the
//! group does nothing. Limits: "Minimum" and "Maximum" set, within HardLimits[p] and
//! Maximum > Minimum strictly, or the group does nothing. Invert: InvertDefaults[p]
//! takes the flag. The ranges are checked as a typed field is read (RangeRefusal).
//! Every group taken over is applied to all layers (ApplyParameterSettings with its
//! step); a refused group leaves the tables and the model as they were.
AppliedSettings ApplyParameterSettings(amodel& model, ModelTables& tables, int p, const ParameterSettings& settings);

}  // namespace corvath::inversion
