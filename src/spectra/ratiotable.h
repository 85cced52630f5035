#pragma once
// The results tables read back: a "Spectrum to text file" table ("f,Hz   X  Y  Z  H/Z"),
// a bounds table ("f,Hz   H/Z  lower  upper") or the two in one ("f,Hz   X  Y  Z  H/Z
// lower  upper"), so that a batch run can take an observed H/Z curve computed earlier.
#include <cstddef>
#include <istream>
#include <optional>
#include <string>

#include "spectra/calculatespectra.h"

namespace corvath::spectra {

//! Longest line ReadRatioTable accepts, in characters (CR and LF not counted).
inline constexpr std::size_t kMaxRatioTableLineLength = 4096;
//! Most data rows ReadRatioTable accepts.
inline constexpr std::size_t kMaxRatioTableRows = 100000;

//! A table read back, or why it was refused.
struct RatioTableReading {
  //! The ratio "H/Z" with its peak marked and the frequency spans; from a spectrum table
  //! also the averaged "X", "Y", "Z" (ratio without bounds), from a bounds table the ratio
  //! with its bounds (hasBounds set) and no spectra, from a table of both all of them.
  std::optional<SpectraResult> result;
  std::string reason;  //!< the refusal, naming the line concerned
};

//! Reads the rows of a ".hv" file whose first line (already read, line number
//! `number`) is `firstLine`: the ratio "H/Z" is the Average column with Min and Max
//! as its bounds (hasBounds set). Header lines ('#') are skipped; a row must hold
//! four numbers, frequencies positive and increasing, 0 < Min <= Average <= Max.
//! Refused naming the line otherwise, or when the file holds no row.
RatioTableReading ReadHvRows(std::istream& in, const std::string& firstLine, std::size_t number);

//! Reads a table as WriteSpectrumTable, WriteBoundsTable or WriteSpectrumBoundsTable write
//! it: the heading, then one row per point with 5 (spectrum), 4 (bounds) or 7 (both)
//! numbers separated by blanks; or a ".hv" file (first line a "#" header, see
//! ReadHvRows). Blank lines
//! are skipped. Frequencies (Hz) must be positive and strictly increasing; at least one
//! row. Refuses, without reading further, a line longer than kMaxRatioTableLineLength,
//! more than kMaxRatioTableRows rows, an unknown heading and a malformed row.
RatioTableReading ReadRatioTable(std::istream& in);

}  // namespace corvath::spectra
