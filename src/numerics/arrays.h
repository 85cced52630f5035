#pragma once
// Dynamic array types shared by every module: arof<element>M is a dynamic array,
// ararof<element>M an array of such arrays (a matrix, one array per row).
#include <string>
#include <vector>

#include "numerics/complex.h"

namespace corvath::numerics {

using arofdoubleM = std::vector<double>;
using arofcomplexM = std::vector<Complex>;
using arofboolM = std::vector<bool>;
using arofintM = std::vector<int>;
using arofstrM = std::vector<std::string>;
using ararofdoubleM = std::vector<arofdoubleM>;
using ararofcomplexM = std::vector<arofcomplexM>;

}  // namespace corvath::numerics
