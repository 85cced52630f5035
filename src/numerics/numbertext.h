#pragma once
// Number text conversion and line splitting: every number typed by the user or
// read from a text file goes through TextToNumber or SplitNumbers, every number
// shown goes through NumberToText.
#include <string>
#include <string_view>

#include "numerics/arrays.h"

namespace corvath::numerics {

//! The one failure marker of TextToNumber; compare with ==.
inline constexpr double InvalidNumber = 123456789.0;

//! Text to double: the first comma reads as the decimal point, leading spaces only,
//! magnitudes below 1e-30 become 0. A bound of 0 is no bound; equal bounds mean no
//! check. Every rejection (syntax, bounds, overflow) gives InvalidNumber.
double TextToNumber(std::string_view text, double lower = 0.0, double upper = 0.0);

//! Double to text: whole numbers without a point, otherwise base + m decimals
//! (m = 1 for |v| >= 1, else the position of the first significant decimal),
//! halves away from zero judged on 18 significant digits; "*" for InvalidNumber.
std::string NumberToText(int base, double value);

//! The fields of a line: maximal runs of characters other than space and tab.
arofstrM SplitWords(std::string_view line);

//! The fields of a line that are numbers (first comma as point), in order;
//! other fields are skipped. No bounds and no 1e-30 rule.
arofdoubleM SplitNumbers(std::string_view line);

//! SplitNumbers into a caller's vector (cleared first), for the file readers' hot loops.
void SplitNumbersInto(std::string_view line, arofdoubleM& out);

//! Reads one field with the decimal syntax (after the first comma is replaced).
//! Returns false if it is not a number or its magnitude overflows a double.
bool ParseDecimal(std::string_view field, double& value);

//! Nearest integer, halves to the even neighbour (the rounding rule for segment
//! lengths, window sizes and chart widths).
double RoundHalfEven(double value);

//! The 23-character exponent form of the results files: a space or "-", one digit,
//! ".", 14 digits, "E", the exponent's sign and 4 digits (15 significant digits,
//! halves away from zero).
std::string NumberToExponentText(double value);

//! The shortest decimal text that TextToNumber (and ParseDecimal) reads back to exactly
//! the same double: plain or with an exponent ("0.1", "1.3", "2.5e-05", "-0"), a point
//! as the decimal separator; "*" for NaN and infinities, which have no text to read.
//! A magnitude below 1e-30 reads back as 0 through TextToNumber's rule, not as itself.
std::string NumberToShortestText(double value);

//! Sets every element of the array to the value (an empty array stays empty).
void FillDouble(arofdoubleM& array, double value);
//! Sets every element of the array to the value.
void FillBool(arofboolM& array, bool value);
//! Sets every element of the array to the complex value.
void FillComplex(arofcomplexM& array, Complex value);
//! Sets every element of every row of the matrix to the value.
void FillMatrix(ararofdoubleM& matrix, double value);

}  // namespace corvath::numerics
