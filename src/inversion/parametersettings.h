#pragma once
// The "Settings" dialog of one model parameter as plain data: what it shows when
// it opens, and what its "Apply" does to the tables and the model.
#include <string>

#include "inversion/model.h"

namespace corvath::inversion {

//! The contents of the "Settings" dialog. The dialog keeps its three switches
//! between openings; its fields are refilled from the tables on every opening.
struct ParameterSettings {
  std::string startValue;      //!< "Start value" (Edit3)
  std::string incFactor;       //!< "Inc factor" (Edit4)
  std::string minimum;         //!< "Minimum" (Edit1), "*" while unset
  std::string maximum;         //!< "Maximum" (Edit2), "*" while unset
  bool invertFlag = false;     //!< the box beside "Invert" (CheckBox4): the new default invert flag
  bool valuesEnabled = false;  //!< CheckBox2: the "Values" group is used
  bool limitsEnabled = false;  //!< CheckBox3: the "Limits" group is used
  bool invertEnabled = false;  //!< CheckBox1 "Invert": the invert flag is used
  bool operator==(const ParameterSettings&) const = default;
};

//! Which groups an "Apply" took over (a group with invalid input is ignored).
struct AppliedSettings {
  bool values = false;  //!< StartValues, IncFactors changed and the values regenerated
  bool limits = false;  //!< UserLimits changed and copied into every layer
  bool invert = false;  //!< InvertDefaults changed and copied into every layer
  bool operator==(const AppliedSettings&) const = default;
};

//! Refills the fields for parameter p (0..5) from the tables as the table shows
//! numbers (NumberToText base 1, "*" for an unset bound); the switches stay.
void FillParameterSettings(ParameterSettings& settings, const ModelTables& tables, int p);

//! "Apply" of the dialog for parameter p (0..5). Values group: "Start value" within
//! HardLimits[p] and "Inc factor" within 1..7, both valid or nothing happens.
//! Limits group: "Minimum" and "Maximum" within HardLimits[p] and Maximum > Minimum
//! strictly, or nothing happens. Invert: InvertDefaults[p] takes the flag. Every
//! group taken over is applied to all layers (ApplyParameterSettings).
AppliedSettings ApplyParameterSettings(amodel& model, ModelTables& tables, int p, const ParameterSettings& settings);

}  // namespace corvath::inversion
