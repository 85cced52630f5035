#pragma once
// The workbook library prints numbers with 16 significant digits: a sheet whose number
// cells must read back to the very doubles has them written again from the values kept
// while it was built.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "numerics/outcome.h"

namespace corvath::spectra {

//! A cell of a worksheet: (row, column), both from 0.
using WorkbookCell = std::pair<std::uint32_t, std::uint16_t>;

//! Rewrites, in the workbook at path, the value of every cell of `numbers` in the sheet
//! member ("xl/worksheets/sheet2.xml") as the shortest text that reads back to it.
numerics::Outcome RewriteExactWorkbookNumbers(const std::string& path, const char* member,
                                              const std::map<WorkbookCell, double>& numbers);

}  // namespace corvath::spectra
