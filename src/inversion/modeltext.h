#pragma once
// "Model to text file": the parameter table as centred fixed-width text.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace corvath::inversion
