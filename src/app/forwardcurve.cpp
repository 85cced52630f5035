#include "app/forwardcurve.h"

#include <exception>
#include <new>

#include "app/atomicfile.h"
#include "inversion/forwardmodel.h"
#include "inversion/model.h"
#include "inversion/theoreticalcurve.h"
#include "numerics/numbertext.h"

namespace corvath::app {

Outcome ForwardCurve(const Workspace& workspace, const ForwardModelSettings& settings,
                     const std::vector<double>& frequenciesHz, std::vector<ForwardPoint>& points) {
  if (frequenciesHz.empty()) return Outcome::Unchanged("no frequency to compute the curve at");
  using inversion::ModelParameter;
  const auto& values = workspace.model.values;
  auto of = [&](ModelParameter p) -> const numerics::arofdoubleM& { return values[static_cast<int>(p)]; };
  numerics::arofdoubleM shear, compression;
  numerics::arofcomplexM curve;
  try {
    const numerics::arofdoubleM& f = frequenciesHz;
    inversion::TransferFunction(of(ModelParameter::Vs), of(ModelParameter::Rho), of(ModelParameter::H),
                                of(ModelParameter::Qs), settings.dispersionExponent, settings.referenceFrequencyHz, f,
                                shear);
    inversion::TransferFunction(of(ModelParameter::Vp), of(ModelParameter::Rho), of(ModelParameter::H),
                                of(ModelParameter::Qp), settings.dispersionExponent, settings.referenceFrequencyHz, f,
                                compression);
    inversion::ComputeTheoreticalCurve(workspace.model, settings.referenceFrequencyHz, settings.dispersionExponent,
                                       frequenciesHz, curve);
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory for the theoretical curve");
  }
  if (shear.size() != frequenciesHz.size() || compression.size() != frequenciesHz.size() ||
      curve.size() != frequenciesHz.size())
    return Outcome::Failed("the theoretical curve does not match the frequency list");
  std::vector<ForwardPoint> computed(frequenciesHz.size());
  for (std::size_t k = 0; k < computed.size(); ++k)
    computed[k] = {frequenciesHz[k], shear[k], compression[k], curve[k].im};
  points.swap(computed);
  return Outcome::Done();
}

std::string ForwardTableText(const std::vector<ForwardPoint>& points) {
  std::string text = "f,Hz   S  P  H/Zc\r\n";
  text.reserve(text.size() + points.size() * (4 * 23 + 5));
  for (const ForwardPoint& point : points) {
    text += numerics::NumberToExponentText(point.frequencyHz);
    for (const double value : {point.shear, point.compression, point.ratio}) {
      text += ' ';
      text += numerics::NumberToExponentText(value);
    }
    text += "\r\n";
  }
  return text;
}

Outcome SaveForwardTable(const std::vector<ForwardPoint>& points, const std::string& path) {
  return WriteFileAtomically(path, ForwardTableText(points));
}

}  // namespace corvath::app
