#pragma once
// "Model to text file": the parameter table as centred fixed-width text, and the
// same text read back as a model (the batch commands take models in this form). A
// saved model may carry "Ref frq" and "K degree" on lines of their own below its rows.
#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "inversion/model.h"
#include "numerics/arrays.h"

namespace corvath::inversion {

//! text centred in a field of width + 1 characters: while shorter than width one
//! space is added on each side, then one more at the end if it is exactly width long.
std::string CentredField(std::string_view text, std::size_t width);

//! Writes the table rows (heading row first, as shown) as aligned text: each
//! column's width is its longest text, each cell is CentredField of it, the fields
//! follow without separator and every row ends with CR LF. A row with fewer cells
//! gets empty fields.
void WriteModelText(std::ostream& out, const std::vector<numerics::arofstrM>& rows);

//! The parameter table with every value in its shortest exact text (NumberToShortestText)
//! instead of the shown two decimals, so that the text reads back to the same model; "*"
//! for the half-space's H, Qp and Qs as in the shown table.
std::vector<numerics::arofstrM> ExactModelTableRows(const amodel& model);

//! Longest line ReadModelText accepts, in characters (CR and LF not counted).
inline constexpr std::size_t kMaxModelTextLineLength = 1024;
//! Most lines ReadModelText looks at, blank ones included.
inline constexpr int kMaxModelTextLines = 64;

//! "Ref frq" (Hz) and "K degree" as a model text carries them; unset when it has no such line.
struct ModelTextSettings {
  std::optional<double> referenceFrequencyHz;
  std::optional<double> dispersionExponent;
  bool operator==(const ModelTextSettings&) const = default;
};

//! The labels of the two setting lines, each followed by one blank and the value.
inline constexpr std::string_view kReferenceFrequencyLabel = "Ref frq:";
inline constexpr std::string_view kDispersionExponentLabel = "K degree:";

//! The line "Ref frq: V" and the line "K degree: V" of the values set, each value in its
//! shortest exact text (NumberToShortestText), every line ending with CR LF.
void WriteModelTextSettings(std::ostream& out, const ModelTextSettings& settings);

//! A model read from text, or why the text was refused.
struct ModelTextReading {
  std::optional<amodel> model;  //!< set when the text was accepted
  std::string reason;           //!< the refusal, naming the line (and layer) concerned
  ModelTextSettings settings;   //!< the "Ref frq" and "K degree" lines read, if any
};

//! Reads the text WriteModelText writes: a heading row "N H(m) Vp(km/s) Vs(km/s) rho(g/cm)
//! Qp Qs", then one row per layer from the top, its number (1, 2, ...) and six values
//! separated by blanks (a comma reads as the decimal point); "*" stands for the half-space's
//! H, Qp and Qs, which are no model values (a number there is stored like a table edit).
//! After the heading, a line "Ref frq: V" or "K degree: V" (the colon may be left out, a
//! finite number V) sets that value instead of being a layer row; each may come once.
//! Blank lines are skipped, CR before LF is ignored. 2 to 10 layers; every value within
//! HardLimits of its parameter (ends included). The model's invert flags, layer limits and
//! the half-space's hidden values are those ResetModel makes from the tables for the layer
//! count read. Refuses, without reading further, a line longer than
//! kMaxModelTextLineLength, more than kMaxModelTextLines lines, a wrong heading, a row
//! that is not "number and six values", a value outside its limits, "*" above the
//! half-space, a setting line without one finite number or given twice, and a layer
//! count outside 2..10.
ModelTextReading ReadModelText(std::istream& in, const ModelTables& tables);

}  // namespace corvath::inversion
