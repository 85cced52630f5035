#pragma once
// A plain evaluation of the transfer function, written directly from its
// definition with full working arrays and no reuse of any kind (the attenuation
// factor as a complex square root, the phase factors by the complex exponential):
// the reference the optimised evaluation must match within kReferenceTolerance.
#include <cmath>
#include <vector>

#include "numerics/arrays.h"
#include "numerics/complex.h"

namespace reference {

//! Largest relative difference allowed between the optimised evaluation and this one.
inline constexpr double kReferenceTolerance = 1e-12;

using corvath::numerics::Complex;

inline double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::trunc(exponent) == exponent) {
    double e = std::fabs(exponent), b = base, result = 1.0;
    while (e > 0.0) {
      const double half = std::floor(e / 2.0);
      if (e - 2.0 * half == 1.0) result *= b;
      e = half;
      if (e > 0.0) b *= b;
    }
    return exponent > 0.0 ? result : 1.0 / result;
  }
  return std::exp(exponent * std::log(base));
}

inline std::vector<double> TransferFunction(const std::vector<double>& V, const std::vector<double>& rho,
                                            const std::vector<double>& H, const std::vector<double>& Q0,
                                            double alpha, double fref, const std::vector<double>& f) {
  using namespace corvath::numerics;
  const std::size_t n = V.size(), m = f.size();
  const Complex I{0.0, 1.0};
  std::vector<std::vector<double>> Q(n, std::vector<double>(m));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < m; ++j) Q[i][j] = Power(f[j], alpha) * Q0[i];
  for (std::size_t j = 0; j < m; ++j) Q[n - 1][j] = 999999.0;
  const bool dispersion = fref > 0.0;
  std::vector<double> t(n - 1), a(n - 1);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    t[i] = H[i] / (V[i] * 1000.0);
    a[i] = rho[i] * V[i] / rho[i + 1] / V[i + 1];
  }
  std::vector<std::vector<Complex>> S(n, std::vector<Complex>(m));
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = 0; j < m; ++j) {
      const double q = Q[i][j];
      const double inverseSquare = 1.0 / (q * q);
      S[i][j] = ComplexSqrt(ComplexScale(ComplexRealMinus(ComplexDivReal(I, q), 1.0),
                                         2.0 / (std::sqrt(inverseSquare + 1.0) + 1.0)));
    }
  for (std::size_t j = 0; j < m; ++j) S[n - 1][j] = {1.0, 0.0};
  std::vector<double> T(m);
  for (std::size_t j = 0; j < m; ++j) {
    double L = 0.0;
    if (dispersion) L = std::log(f[j] / fref);
    std::vector<Complex> A(n), B(n);
    A[0] = {1.0, 0.0};
    B[0] = {1.0, 0.0};
    for (std::size_t i = 0; i + 1 < n; ++i) {
      double D = 1.0, Dn = 1.0;
      if (dispersion) {
        D = 1.0 + (0.31831015504887655 / Q[i][j]) * L;
        Dn = 1.0 + (0.31831015504887655 / Q[i + 1][j]) * L;
      }
      const Complex tau = ComplexScale(S[i][j], t[i] / D);
      const Complex kappa = ComplexScale(ComplexDiv(S[i + 1][j], S[i][j]), a[i] * D / Dn);
      const Complex phi = ComplexScale(tau, 6.283186 * f[j]);
      const Complex Ep = ComplexExp(ComplexMul(I, phi));
      const Complex Em = ComplexExp(ComplexNeg(ComplexMul(I, phi)));
      const Complex plus = ComplexAddReal(kappa, 1.0);
      const Complex minus = ComplexRealMinus(kappa, 1.0);
      A[i + 1] = ComplexScale(ComplexAdd(ComplexMul(ComplexMul(plus, A[i]), Ep),
                                         ComplexMul(ComplexMul(minus, B[i]), Em)), 0.5);
      B[i + 1] = ComplexScale(ComplexAdd(ComplexMul(ComplexMul(minus, A[i]), Ep),
                                         ComplexMul(ComplexMul(plus, B[i]), Em)), 0.5);
    }
    const double r = ComplexAbs(A[n - 1]);
    T[j] = std::isnan(r) ? 0.0 : 1.0 / r;
  }
  return T;
}

}  // namespace reference
