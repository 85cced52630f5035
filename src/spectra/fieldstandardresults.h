#pragma once
// "Save results" of a field-standard computation: the curve with its bounds and the
// mean spectra, f0 and A0 with their scatter, the criteria, the windows and the
// settings, as one text file or as a workbook of four sheets. Every number is written
// so that it reads back to the same double.
#include <ostream>
#include <string>
#include <vector>

#include "numerics/outcome.h"
#include "spectra/fieldstandard.h"

namespace corvath::spectra {

//! What a saved result names beside itself.
struct FieldStandardFileDetails {
  std::string program;                   //!< "Corvath 0.1.0"
  std::vector<std::string> recordFiles;  //!< the record's files; empty: "unknown"
};

//! The settings of the result as "name value" rows, in the words of the settings file
//! ("window_length_s" ...); a setting that is off reads "off".
std::vector<std::pair<std::string, std::string>> FieldStandardSettingRows(const FieldStandardResult& result);

//! The text form: sections "[result]" (record, program, f0 and A0 with their scatter,
//! the mean curve's peak, the window counts, the verdicts), "[criteria]" (key, pass or
//! fail, value, limit, text), "[settings]", "[ranges]" for analysis windows,
//! "[windows]" (as the window table) and "[curve]" ("f_hz hv lower upper sigma_ln
//! horizontal vertical"); lines end with CR LF as the other results.
void WriteFieldStandardResultsText(std::ostream& out, const FieldStandardResult& result,
                                   const FieldStandardFileDetails& details);

//! The workbook form at path: sheets "Curve" (the curve table), "Result" (the result and
//! criteria rows), "Windows" and "Settings", numbers as number cells holding the exact
//! doubles. Never throws: Done, or Failed with the message for the user.
numerics::Outcome WriteFieldStandardWorkbook(const std::string& path, const FieldStandardResult& result,
                                             const FieldStandardFileDetails& details);

}  // namespace corvath::spectra
