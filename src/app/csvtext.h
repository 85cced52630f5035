#pragma once
// CSV text as surveys read and write it: RFC 4180 cells (quotes around cells holding
// commas, quotes or line ends, doubled quotes inside), rows ended by CR LF when written.
#include <cstddef>
#include <string>
#include <vector>

#include "app/outcome.h"

namespace corvath::app {

//! One row of a CSV text.
struct CsvRow {
  std::size_t line = 0;  //!< where the row starts, from 1
  std::vector<std::string> cells;
};

//! The rows of text: quoted cells may hold commas, doubled quotes and line ends; LF or
//! CR LF ends a row; a leading byte-order mark and blank lines are skipped. Failed
//! naming path and the line of an unclosed quote.
Result<std::vector<CsvRow>> ParseCsv(const std::string& text, const std::string& path);

//! Cells as one CSV line (quoted where needed), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells);

}  // namespace corvath::app
