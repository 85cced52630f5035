#include "numerics/complex.h"

#include <cmath>

#include "numerics/numbertext.h"

namespace corvath::numerics {
namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kExpClamp = 50.0;
}  // namespace

double ComplexArg(Complex z) {
  const double x = z.re;
  const double y = z.im;
  if (x > 0.0) return y == 0.0 ? 0.0 : std::atan(y / x);
  if (x < 0.0) {
    if (y > 0.0) return std::atan(y / x) + kPi;
    if (y < 0.0) return std::atan(y / x) - kPi;
    return kPi;
  }
  if (y > 0.0) return kPi / 2.0;
  if (y < 0.0) return -kPi / 2.0;
  return InvalidNumber;
}

Complex ComplexExp(Complex z) {
  double r = z.re;
  if (std::fabs(r) > kExpClamp) r = std::copysign(kExpClamp, r);
  const double e = std::exp(r);
  return {e * std::cos(z.im), e * std::sin(z.im)};
}

void ComplexExpPair(Complex z, Complex& positive, Complex& negative) {
  double r = z.re;
  if (std::fabs(r) > kExpClamp) r = std::copysign(kExpClamp, r);
  const double c = std::cos(z.im);
  const double s = std::sin(z.im);
  const double up = std::exp(r);
  const double down = std::exp(-r);
  positive = {up * c, up * s};
  negative = {down * c, down * -s};
}

Complex ComplexLog(Complex z) {
  return {std::log(ComplexAbs(z)), z.im != 0.0 ? ComplexArg(z) : 0.0};
}

Complex ComplexPow(Complex z, Complex w) {
  if (z.re == 0.0 && z.im == 0.0) return z;
  return ComplexExp(ComplexMul(w, ComplexLog(z)));
}

Complex ComplexRoot(Complex n, Complex z) { return ComplexPow(z, ComplexRealDiv(n, 1.0)); }

Complex ComplexSqrt(Complex z) {
  if (z.re == 0.0 && z.im == 0.0) return {0.0, 0.0};
  return ComplexRoot({2.0, 0.0}, z);
}

}  // namespace corvath::numerics
