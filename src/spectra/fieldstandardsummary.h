#pragma once
// The field-standard result as a person reads it: f0 and A0 rounded to a few
// significant digits, the windows, and the SESAME criteria as a checklist with the
// numbers that decide each one. Files keep full precision; this is for the eye.
#include <string>
#include <vector>

#include "spectra/fieldstandard.h"

namespace corvath::spectra {

//! value with `digits` significant digits in plain decimal form ("0.687", "12.5",
//! "1235" - never fewer than its integer digits, never an exponent); "0" for a value
//! that is not finite.
std::string DisplayNumber(double value, int digits = 3);

//! One line of the checklist.
struct SummaryCheck {
  bool passed = false;
  std::string what;      //!< the criterion in words ("f0 > 10 / window length")
  std::string numbers;   //!< what decides it ("0.687 Hz > 0.167 Hz")
};

struct FieldStandardSummary {
  std::string f0;          //!< "0.687 ± 0.0312 Hz"
  std::string f0Range;     //!< "0.658 to 0.718 Hz (σ ln 0.0434)"
  std::string a0;          //!< "3.42"
  std::string a0Range;     //!< "2.9 to 4.03"
  std::string curvePeak;   //!< "0.69 Hz, H/V 3.51"
  std::string windows;     //!< "27 of 30 kept (2 f0 outliers, 1 STA/LTA)"
  std::string ranges;      //!< per analysis window, empty when automatic
  std::string reliable;    //!< "yes (3 of 3)"
  std::string clear;       //!< "yes (6 of 6)"
  std::vector<SummaryCheck> reliability;  //!< 3 lines
  std::vector<SummaryCheck> clarity;      //!< 6 lines
  std::string settings;    //!< "60 s windows, geometric, b = 40, grid 0.2 to 20 Hz (256)"
};

//! The summary of a result.
FieldStandardSummary SummarizeFieldStandard(const FieldStandardResult& result);

//! The summary as a small HTML page for a rich-text view (every text escaped).
std::string FieldStandardSummaryHtml(const FieldStandardSummary& summary);

}  // namespace corvath::spectra
