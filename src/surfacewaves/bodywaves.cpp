#include "surfacewaves/bodywaves.h"

#include <algorithm>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <cmath>
#include <numbers>
#include <vector>

#include "surfacewaves/secularfunction.h"

namespace corvath::surfacewaves {
namespace {

using Kronrod = boost::math::quadrature::gauss_kronrod<double, 15>;
using Gauss = boost::math::quadrature::gauss<double, 7>;

//! Both integrals over one piece of θ: the Kronrod estimate and its distance from the
//! embedded Gauss rule.
struct Piece {
  double from = 0.0, to = 0.0;
  double vertical = 0.0, horizontal = 0.0;
  double error = 0.0;
};

}  // namespace

BodyWaveTerms BodyWaveTermsAt(const LayeredMedium& medium, double frequencyHz, double damping,
                              const BodyWaveAccuracy& accuracy) {
  const double omega = 2.0 * std::numbers::pi * frequencyHz;
  const Complex complexOmega(omega, -damping * omega);
  const double kMax = omega / medium.back().vsMPerS;
  const auto& nodes = Kronrod::abscissa();
  const auto& kronrodWeights = Kronrod::weights();
  const auto& gaussWeights = Gauss::weights();

  auto integrate = [&](double from, double to) {
    Piece piece{from, to};
    const double half = 0.5 * (to - from), middle = 0.5 * (to + from);
    double gaussVertical = 0.0, gaussHorizontal = 0.0;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
      for (double side : {-1.0, 1.0}) {
        if (n == 0 && side > 0.0) break;  // the centre once
        const double theta = middle + side * nodes[n] * half;
        const double k = kMax * std::sin(theta);
        const double jacobian = half * k * kMax * std::cos(theta);
        const SurfaceResponse g = SurfaceResponseAt(medium, k, complexOmega);
        const double vertical = jacobian * g.vertical.imag();
        const double horizontal = jacobian * 0.5 * (g.radial.imag() + g.transverse.imag());
        piece.vertical += kronrodWeights[n] * vertical;
        piece.horizontal += kronrodWeights[n] * horizontal;
        if (n % 2 == 0) {
          gaussVertical += gaussWeights[n / 2] * vertical;
          gaussHorizontal += gaussWeights[n / 2] * horizontal;
        }
      }
    }
    piece.error = std::max(std::abs(piece.vertical - gaussVertical), std::abs(piece.horizontal - gaussHorizontal));
    return piece;
  };

  // Adaptive: the piece with the largest error is halved until the errors add up to
  // less than the tolerance times the smaller of the two integrals.
  std::vector<Piece> pieces;
  const double start = 0.5 * std::numbers::pi / accuracy.initialPieces;
  for (int p = 0; p < accuracy.initialPieces; ++p) pieces.push_back(integrate(p * start, (p + 1) * start));
  for (;;) {
    double vertical = 0.0, horizontal = 0.0, error = 0.0;
    for (const Piece& piece : pieces) {
      vertical += piece.vertical;
      horizontal += piece.horizontal;
      error += piece.error;
    }
    const double scale = std::min(std::abs(vertical), std::abs(horizontal));
    if (error <= accuracy.tolerance * scale || static_cast<int>(pieces.size()) >= accuracy.maxPieces)
      return {horizontal / (2.0 * std::numbers::pi), vertical / (2.0 * std::numbers::pi)};
    auto worst = std::max_element(pieces.begin(), pieces.end(),
                                  [](const Piece& a, const Piece& b) { return a.error < b.error; });
    const double from = worst->from, to = worst->to, middle = 0.5 * (from + to);
    *worst = integrate(from, middle);
    pieces.push_back(integrate(middle, to));
  }
}

}  // namespace corvath::surfacewaves
