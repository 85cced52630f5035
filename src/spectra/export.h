#pragma once
// "Save results": the results table ("Spectrum to text file", 23-character exponent
// values), the same table as a workbook ("Spectrum to Excel file") or its CSV
// fallback, the result file names, and the bounds table of the batch command.
// Every text line ends with CR LF.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/arrays.h"
#include "spectra/calculatespectra.h"

namespace corvath::spectra {

//! Heading "f,Hz   X  Y  Z  H/Z", then per frequency of the averaged X spectrum its
//! frequency (Hz), the X, Y, Z amplitudes and the ratio; rows missing a value are left out.
void WriteSpectrumTable(std::ostream& out, const SpectraResult& result);

//! Heading "f,Hz   X  Y  Z  H/Z  lower  upper", then the rows of WriteSpectrumTable with
//! the ratio's lower and upper bound after the ratio (seven values a row).
void WriteSpectrumBoundsTable(std::ostream& out, const SpectraResult& result);

//! The forms of "Save results", numbered as the save dialog's file types; the table
//! with bounds comes after the three first ones.
enum class ResultFileType { SpectrumText = 1, SpectrumWorkbook = 2, ModelText = 3, SpectrumTextWithBounds = 4 };

//! The save dialog's label of a file type: "Spectrum to text file", "Spectrum to
//! Excel file", "Model to text file", "Spectrum with bounds to text file".
const char* ResultFileTypeLabel(ResultFileType type);

//! The extension of a file type with its point: ".xlsx" for type 2, ".txt" for the others.
const char* ResultFileExtension(ResultFileType type);

//! name with the extension of its last path component (after that component's last
//! point) replaced by extension, or extension appended when it has no point.
std::string ReplaceExtension(std::string_view name, std::string_view extension);

//! The name a result is written under: ReplaceExtension(name, ResultFileExtension(type)).
std::string ResultFileName(std::string_view name, ResultFileType type);

//! The notice shown when the workbook cannot be written and the CSV form is written instead.
inline constexpr const char* kWorkbookFallbackNotice = "Excel OLE server not found, file will be saved to CSV";

//! The table of "Spectrum to Excel file": n + 3 rows of 10 cells (n = points of the
//! averaged X spectrum), row 0 "f,Hz", "X", "Y", "Z", "H/Z", row i + 1 the
//! NumberToText(1, ...) texts of frequency (Hz), X, Y, Z and ratio of point i; every
//! other cell empty. A row whose Y, Z or ratio point is missing is left empty.
std::vector<numerics::arofstrM> SpectrumWorkbookTable(const SpectraResult& result);

//! The name of the workbook's second sheet.
inline constexpr const char* kFullPrecisionSheet = "Full precision";

//! What the second sheet tells beside the result's own settings.
struct WorkbookDetails {
  std::string program;  //!< the program and its version, "Corvath 0.1.0"
};

//! "Spectrum to Excel file": writes SpectrumWorkbookTable into the first worksheet
//! of a new workbook at path (Office Open XML format) from cell A1; a number cell
//! holds the value as rounded by its text and shows exactly that text. The second
//! sheet, kFullPrecisionSheet, holds the same curves as numbers that read back to the
//! very doubles (frequency, X, Y, Z, H/Z and, when the ratio has them, its lower and
//! upper bound; from A1, heading row first) and, from column I, what the result was
//! computed with: "Min frq", "Max frq", "Smoothed spectra", the windows, the record's
//! files, the bounds and the program. Never throws: Done, or Failed with the message
//! for the user.
numerics::Outcome WriteSpectrumWorkbook(const std::string& path, const SpectraResult& result,
                                        const WorkbookDetails& details = {});

//! The CSV form of SpectrumWorkbookTable: one line per table row, its ten cells
//! separated by commas (empty cells as nothing), a cell holding a comma or a double
//! quote enclosed in double quotes (inner quotes doubled).
void WriteSpectrumCsv(std::ostream& out, const SpectraResult& result);

//! Heading "f,Hz   H/Z  lower  upper", then frequency (Hz), ratio and its two bounds per point.
void WriteBoundsTable(std::ostream& out, const RatioCurve& ratio);

}  // namespace corvath::spectra
