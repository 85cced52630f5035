#pragma once
// Complex arithmetic on pairs of doubles for the forward model. Several
// operations deliberately differ from textbook arithmetic: the divisions answer
// exactly one for equal operands, the exponential clamps its real part to
// [-50, 50], and the logarithm of every real number has imaginary part 0 (so the
// square root of -a is the real sqrt(a)). A zero divisor or the logarithm of
// (0, 0) is not caught: it yields an infinity or NaN and raises the usual
// floating-point flags (FE_DIVBYZERO, FE_INVALID), which callers test.
#include <cmath>

namespace corvath::numerics {

//! A complex number (re, im); also used as a plain (minimum, maximum) or
//! (frequency, ratio) pair.
struct Complex {
  double re = 0.0;
  double im = 0.0;

  friend bool operator==(const Complex&, const Complex&) = default;
};

//! The number (re, im).
inline Complex ComplexMake(double re, double im) { return {re, im}; }

//! |z| = sqrt(re^2 + im^2), computed directly without scaling.
inline double ComplexAbs(Complex z) { return std::sqrt(z.re * z.re + z.im * z.im); }

//! The argument of z in radians, in (-pi, pi]; InvalidNumber for (0, 0).
double ComplexArg(Complex z);

//! -z.
inline Complex ComplexNeg(Complex z) { return {-z.re, -z.im}; }

//! a + b.
inline Complex ComplexAdd(Complex a, Complex b) { return {a.re + b.re, a.im + b.im}; }

//! z + x for a real x.
inline Complex ComplexAddReal(Complex z, double x) { return {z.re + x, z.im}; }

//! x - z for a real x.
inline Complex ComplexRealMinus(Complex z, double x) { return {x - z.re, -z.im}; }

//! a * b.
inline Complex ComplexMul(Complex a, Complex b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

//! x * z for a real x.
inline Complex ComplexScale(Complex z, double x) { return {x * z.re, x * z.im}; }

//! a / b; exactly (1, 0) when a and b are equal (also both zero).
inline Complex ComplexDiv(Complex a, Complex b) {
  if (a.re == b.re && a.im == b.im) return {1.0, 0.0};
  const double d = b.re * b.re + b.im * b.im;
  return {(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}

//! x / z for a real x; exactly (1, 0) when z equals (x, 0).
inline Complex ComplexRealDiv(Complex z, double x) {
  if (z.re == x && z.im == 0.0) return {1.0, 0.0};
  const double d = z.re * z.re + z.im * z.im;
  return {x * z.re / d, -x * z.im / d};
}

//! z / x for a real x; exactly (1, 0) when z equals (x, 0).
inline Complex ComplexDivReal(Complex z, double x) {
  if (z.re == x && z.im == 0.0) return {1.0, 0.0};
  const double d = x * x;
  return {z.re * x / d, x * z.im / d};
}

//! e^z with the real part clamped to [-50, 50] first.
Complex ComplexExp(Complex z);

//! ComplexExp(z) and ComplexExp(ComplexNeg(z)) together, bit for bit, sharing one
//! cosine and sine of z.im (the cosine is even and the sine odd).
void ComplexExpPair(Complex z, Complex& positive, Complex& negative);

//! (ln|z|, arg z), with imaginary part 0 for every real z of either sign.
Complex ComplexLog(Complex z);

//! z^w = exp(w * log z); (0, 0) for z = (0, 0) whatever w.
Complex ComplexPow(Complex z, Complex w);

//! z^(1/n), the exponent 1/n being ComplexRealDiv(n, 1).
Complex ComplexRoot(Complex n, Complex z);

//! The square root: (0, 0) for (0, 0), the real sqrt(a) for a real -a,
//! the principal root for every non-real z.
Complex ComplexSqrt(Complex z);

}  // namespace corvath::numerics
