#pragma once
// The theoretical H/V curve of the layered model: the S-wave over the P-wave
// transfer function at the frequencies of the observed curve, with extreme
// ratios replaced by an Akima spline through the logarithms of the others.
#include <vector>

#include "inversion/forwardmodel.h"
#include "inversion/forwardmodeldetail.h"
#include "inversion/model.h"
#include "numerics/arrays.h"
#include "spectra/curves.h"

namespace corvath::inversion {

inline constexpr double kTrustedRatioMin = 0.01;  //!< smallest ratio kept by the repair
inline constexpr double kTrustedRatioMax = 20.0;  //!< largest ratio kept by the repair
inline constexpr int kMinTrustedPoints = 7;       //!< fewer trusted points: no repair

//! Reusable working storage of ComputeTheoreticalCurve: one frequency table shared by
//! the S and P evaluations and the rows of both; results do not depend on it.
struct TheoreticalCurveScratch {
  detail::FrequencyTable table;
  TransferScratch shear;
  TransferScratch compression;
  numerics::arofdoubleM s;
  numerics::arofdoubleM p;
  numerics::arofcomplexM curve;
  std::vector<double> splineX;
  std::vector<double> splineY;
};

//! The frequencies (Hz) of the points of the observed curve, in order.
std::vector<double> RatioFrequencies(const spectra::RatioCurve& ratio);

//! Replaces every ratio (im) outside [0.01, 20] by exp of the Akima spline of ln ratio
//! against frequency (re, Hz) through the trusted points, when there are at least 7;
//! otherwise changes nothing. Throws ForwardModelError when the spline cannot be built
//! or a repaired value overflows; curve is then unchanged.
void RepairExtremeRatios(numerics::arofcomplexM& curve);

//! curve = (f_k, S_k / P_k), 0 where P_k is 0, then RepairExtremeRatios. The three
//! arrays have the same length. On a fault curve is unchanged.
void TheoreticalRatios(const std::vector<double>& frequenciesHz, const numerics::arofdoubleM& shear,
                       const numerics::arofdoubleM& compression, numerics::arofcomplexM& curve);

//! The model's H/V ratio at frequenciesHz as (frequency Hz, ratio) pairs; dispersion
//! is on for referenceFrequency > 0 (Hz), dispersionExponent is alpha of Q0 * f^alpha.
//! An empty frequency list leaves curve unchanged; so does a fault, which throws
//! ForwardModelError.
void ComputeTheoreticalCurve(const amodel& model, double referenceFrequency, double dispersionExponent,
                             const std::vector<double>& frequenciesHz, numerics::arofcomplexM& curve);

//! The same with reusable working storage.
void ComputeTheoreticalCurve(const amodel& model, double referenceFrequency, double dispersionExponent,
                             const std::vector<double>& frequenciesHz, numerics::arofcomplexM& curve,
                             TheoreticalCurveScratch& scratch);

}  // namespace corvath::inversion
