#pragma once
// The field-standard result as the user and scripts read it: a report of
// "name: value" lines or one JSON object, and the mean curve with its lower and
// upper curves as a text table.
#include <ostream>
#include <string>
#include <vector>

#include "spectra/fieldstandard.h"

namespace corvath::spectra {

//! One line of the report: key and its value as text (numbers to 6 significant digits).
struct ReportLine {
  std::string key;
  std::string value;
};

//! f0 (lognormal median, its sigma_ln and the f0 range in Hz), A0 likewise, the mean
//! curve's peak, the windows used, rejected and skipped, the settings that matter,
//! the two verdicts and every criterion as "pass|fail value (text, limit)".
std::vector<ReportLine> FieldStandardReport(const FieldStandardResult& result);

//! The report as "key: value" lines (LF).
void WriteFieldStandardReport(std::ostream& out, const FieldStandardResult& result);

//! The report as one JSON object (numbers as numbers in their shortest round-trip text, verdicts as booleans, each
//! criterion an object with passed, value, threshold and text).
void WriteFieldStandardJson(std::ostream& out, const FieldStandardResult& result);

//! Heading "f,Hz   H/V  lower  upper", then frequency (Hz), mean, lower and upper per
//! grid point as 23-character exponent values; lines end with CR LF.
void WriteFieldStandardCurve(std::ostream& out, const FieldStandardResult& result);

//! A number with 6 significant digits, as in the report.
std::string ReportNumber(double value);

//! The shortest text that reads back to the same double ("0" for a value that is not
//! finite), as the JSON report and tables for scripts write numbers.
std::string ShortestNumber(double value);

}  // namespace corvath::spectra
