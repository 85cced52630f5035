#pragma once
// The field-standard result as the user and scripts read it: a report of
// "name: value" lines or one JSON object, and the mean curve with its lower and
// upper curves as a text table.
#include <cstddef>
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
//! curve's peak, the windows used, rejected and skipped (and, for analysis windows, how
//! many windows came from each), the settings that matter,
//! the two verdicts and every criterion as "pass|fail value (text, limit)".
std::vector<ReportLine> FieldStandardReport(const FieldStandardResult& result);

//! Per analysis window of the result (its ranges), how many of the windows cut from
//! it are kept in the statistics.
std::vector<std::size_t> KeptWindowsPerRange(const FieldStandardResult& result);

//! The analysis windows and the windows cut from each: "0-100 s: 1 (1 kept); 200-250 s: 0
//! (shorter than one window)"; empty for automatic windows.
std::string WindowRangesText(const FieldStandardResult& result);

//! f0 and the mean curve's peak height per azimuth ("0:2.4 15:2.38 ...") and whether
//! the peak is directional, with why.
std::vector<ReportLine> AzimuthalReport(const AzimuthalHv& hv);

//! The report as "key: value" lines (LF), followed by the azimuthal lines when given.
void WriteFieldStandardReport(std::ostream& out, const FieldStandardResult& result,
                              const AzimuthalHv* azimuthal = nullptr);

//! The report as one JSON object (numbers as numbers in their shortest round-trip
//! text, verdicts as booleans, each criterion an object with passed, value, threshold
//! and text), with "azimuths", "directional" and "directionality" when the azimuthal
//! H/V is given.
void WriteFieldStandardJson(std::ostream& out, const FieldStandardResult& result,
                            const AzimuthalHv* azimuthal = nullptr);

//! Heading "f,Hz   H/V  lower  upper", then frequency (Hz), mean, lower and upper per
//! grid point as 23-character exponent values; lines end with CR LF.
void WriteFieldStandardCurve(std::ostream& out, const FieldStandardResult& result);

//! One row per window in time order: "start_s end_s f0_hz a0 sta_lta_min sta_lta_max
//! status", status "kept", "sta-lta" or "f0-outlier"; numbers in the shortest text
//! that reads back.
void WriteWindowTable(std::ostream& out, const FieldStandardResult& result);

//! The windows' curves: heading "f_hz" and each window's start time (s), then per
//! grid frequency the frequency and every window's H/V.
void WriteWindowCurves(std::ostream& out, const FieldStandardResult& result);

//! Rows "azimuth_deg f_hz hv lower upper", azimuth by azimuth, each over the grid.
void WriteAzimuthTable(std::ostream& out, const AzimuthalHv& hv);

//! A number with 6 significant digits, as in the report; NonFiniteText for a value
//! that is not finite.
std::string ReportNumber(double value);

//! The shortest text that reads back to the same double, as tables for scripts write
//! numbers; NonFiniteText for a value that is not finite (the JSON report writes null).
std::string ShortestNumber(double value);

//! "nan", "inf" or "-inf": a value that is not finite never reads as a plausible number.
std::string NonFiniteText(double value);

}  // namespace corvath::spectra
