#include "inversion/theoreticalcurve.h"

#include <cmath>
#include <string>

#include <libalglib/interpolation.h>

namespace corvath::inversion {

using numerics::arofcomplexM;
using numerics::arofdoubleM;
using numerics::Complex;

namespace {

bool Trusted(double ratio) { return ratio >= kTrustedRatioMin && ratio <= kTrustedRatioMax; }

// The repair on curve in place; x and y are working storage.
void Repair(arofcomplexM& curve, std::vector<double>& x, std::vector<double>& y) {
  x.clear();
  y.clear();
  for (const Complex& point : curve)
    if (Trusted(point.im)) {
      x.push_back(point.re);
      y.push_back(std::log(point.im));
    }
  if (x.size() < static_cast<std::size_t>(kMinTrustedPoints) || x.size() == curve.size()) return;
  try {
    alglib::real_1d_array ax, ay;
    ax.setcontent(static_cast<alglib::ae_int_t>(x.size()), x.data());
    ay.setcontent(static_cast<alglib::ae_int_t>(y.size()), y.data());
    alglib::spline1dinterpolant spline;
    alglib::spline1dbuildakima(ax, ay, static_cast<alglib::ae_int_t>(x.size()), spline);
    for (Complex& point : curve)
      if (!Trusted(point.im)) {
        const double logRatio = alglib::spline1dcalc(spline, point.re);
        if (std::isnan(logRatio)) throw ForwardModelError(kInvalidOperation);
        point.im = std::exp(logRatio);
        if (std::isinf(point.im)) throw ForwardModelError(kOverflow);
      }
  } catch (const alglib::ap_error& e) {
    throw ForwardModelError("Akima spline: " + e.msg);
  }
}

// Steps S/P and repair into out.
void Ratios(const std::vector<double>& f, const arofdoubleM& s, const arofdoubleM& p, arofcomplexM& out,
            std::vector<double>& x, std::vector<double>& y) {
  if (s.size() != f.size() || p.size() != f.size())
    throw ForwardModelError("The transfer functions and the frequency list differ in length");
  out.resize(f.size());
  for (std::size_t k = 0; k < f.size(); ++k) {
    const double ratio = p[k] != 0.0 ? s[k] / p[k] : 0.0;
    if (std::isnan(ratio)) throw ForwardModelError(kInvalidOperation);
    if (std::isinf(ratio)) throw ForwardModelError(kOverflow);
    out[k] = {f[k], ratio};
  }
  Repair(out, x, y);
}

}  // namespace

std::vector<double> RatioFrequencies(const spectra::RatioCurve& ratio) {
  std::vector<double> f;
  f.reserve(ratio.points.size());
  for (const spectra::RatioPoint& point : ratio.points) f.push_back(point.frequencyHz);
  return f;
}

void RepairExtremeRatios(arofcomplexM& curve) {
  arofcomplexM repaired = curve;
  std::vector<double> x, y;
  Repair(repaired, x, y);
  curve.swap(repaired);
}

void TheoreticalRatios(const std::vector<double>& frequenciesHz, const arofdoubleM& shear,
                       const arofdoubleM& compression, arofcomplexM& curve) {
  arofcomplexM result;
  std::vector<double> x, y;
  Ratios(frequenciesHz, shear, compression, result, x, y);
  curve.swap(result);
}

void ComputeTheoreticalCurve(const amodel& model, double referenceFrequency, double dispersionExponent,
                             const std::vector<double>& frequenciesHz, arofcomplexM& curve,
                             TheoreticalCurveScratch& scratch) {
  if (frequenciesHz.empty()) return;
  const auto& values = model.values;
  const auto H = static_cast<int>(ModelParameter::H);
  const auto Vp = static_cast<int>(ModelParameter::Vp);
  const auto Vs = static_cast<int>(ModelParameter::Vs);
  const auto Rho = static_cast<int>(ModelParameter::Rho);
  const auto Qp = static_cast<int>(ModelParameter::Qp);
  const auto Qs = static_cast<int>(ModelParameter::Qs);
  detail::UpdateFrequencyTable(scratch.table, dispersionExponent, referenceFrequency, frequenciesHz);
  detail::EvaluateTransfer(scratch.table, values[Vs], values[Rho], values[H], values[Qs], scratch.shear.state(),
                           scratch.s);
  detail::EvaluateTransfer(scratch.table, values[Vp], values[Rho], values[H], values[Qp],
                           scratch.compression.state(), scratch.p);
  Ratios(frequenciesHz, scratch.s, scratch.p, scratch.curve, scratch.splineX, scratch.splineY);
  curve.assign(scratch.curve.begin(), scratch.curve.end());
}

void ComputeTheoreticalCurve(const amodel& model, double referenceFrequency, double dispersionExponent,
                             const std::vector<double>& frequenciesHz, arofcomplexM& curve) {
  TheoreticalCurveScratch scratch;
  ComputeTheoreticalCurve(model, referenceFrequency, dispersionExponent, frequenciesHz, curve, scratch);
}

}  // namespace corvath::inversion
