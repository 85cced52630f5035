#pragma once
// Dynamic array types shared by every module.
#include <string>
#include <vector>

namespace corvath::numerics {

struct Complex;

using arofdoubleM = std::vector<double>;
using arofboolM = std::vector<bool>;
using arofintM = std::vector<int>;
using arofstrM = std::vector<std::string>;
using ararofdoubleM = std::vector<arofdoubleM>;

}  // namespace corvath::numerics
