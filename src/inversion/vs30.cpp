#include "inversion/vs30.h"

#include <algorithm>

namespace corvath::inversion {

double TimeAveragedVs(const PerParameter<numerics::arofdoubleM>& values, double depth) {
  const numerics::arofdoubleM& h = values[static_cast<int>(ModelParameter::H)];
  const numerics::arofdoubleM& vs = values[static_cast<int>(ModelParameter::Vs)];
  if (vs.empty() || !(depth > 0.0)) return 0.0;
  double top = 0.0, time = 0.0;
  for (std::size_t i = 0; i < vs.size() && top < depth; ++i) {
    const bool halfSpace = i + 1 == vs.size();
    const double thickness = halfSpace ? depth - top : std::min(h[i], depth - top);
    if (thickness <= 0.0) continue;
    if (!(vs[i] > 0.0)) return 0.0;
    time += thickness / (1000.0 * vs[i]);
    top += thickness;
  }
  return time > 0.0 ? depth / time : 0.0;
}

}  // namespace corvath::inversion
