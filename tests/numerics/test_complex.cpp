#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "numerics/arrays.h"
#include "numerics/complex.h"
#include "numerics/numbertext.h"

using namespace corvath::numerics;

namespace {

constexpr double kPi = 3.141592653589793;

void ExpectExactly(Complex actual, Complex expected, const std::string& what) {
  EXPECT_EQ(actual.re, expected.re) << what << " (re)";
  EXPECT_EQ(actual.im, expected.im) << what << " (im)";
}

void ExpectNear(Complex actual, Complex expected, double tol, const std::string& what) {
  EXPECT_NEAR(actual.re, expected.re, tol) << what << " (re)";
  EXPECT_NEAR(actual.im, expected.im, tol) << what << " (im)";
}

}  // namespace

TEST(Complex, DivisionsAnswerExactlyOneForEqualOperands) {
  ExpectExactly(ComplexDiv({0, 0}, {0, 0}), {1, 0}, "0/0");
  ExpectExactly(ComplexDiv({2, 3}, {2, 3}), {1, 0}, "(2,3)/(2,3)");
  ExpectExactly(ComplexDiv({0.1, 1e300}, {0.1, 1e300}), {1, 0}, "huge equal operands");
  ExpectExactly(ComplexDivReal({5, 0}, 5), {1, 0}, "(5,0)/5");
  ExpectExactly(ComplexDivReal({0, 0}, 0), {1, 0}, "(0,0)/0");
  ExpectExactly(ComplexRealDiv({7, 0}, 7), {1, 0}, "7/(7,0)");
  ExpectExactly(ComplexRealDiv({0, 0}, 0), {1, 0}, "0/(0,0)");
}

TEST(Complex, DivisionsOtherwiseFollowTheFormulae) {
  ExpectExactly(ComplexDivReal({4, 2}, 2), {2, 1}, "(4,2)/2");
  ExpectExactly(ComplexDiv({1, 2}, {3, 4}), {11.0 / 25.0, 2.0 / 25.0}, "(1,2)/(3,4)");
  ExpectExactly(ComplexRealDiv({2, 0}, 1), {0.5, -0.0}, "1/(2,0)");
  EXPECT_TRUE(std::signbit(ComplexRealDiv({2, 0}, 1).im)) << "1/(2,0) has imaginary part -0";
  ExpectExactly(ComplexRealDiv({0, 2}, 4), {0, -2}, "4/(0,2)");
  ExpectExactly(ComplexDivReal({5, 0}, -5), {-1, 0}, "(5,0)/-5");
}

TEST(Complex, ZeroDivisorsRaiseTheFloatingPointFlags) {
  volatile double zero = 0.0;  // keeps the compiler from folding the faults away
  std::feclearexcept(FE_ALL_EXCEPT);
  const Complex q = ComplexDiv({1, 0}, {zero, zero});
  EXPECT_TRUE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID));
  EXPECT_FALSE(std::isfinite(q.re));
  std::feclearexcept(FE_ALL_EXCEPT);
  const Complex l = ComplexLog({zero, zero});
  EXPECT_TRUE(std::fetestexcept(FE_DIVBYZERO));
  EXPECT_FALSE(std::isfinite(l.re));
  std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(Complex, ArgumentCoversEveryQuadrantAndAxis) {
  struct Case {
    Complex z;
    double expected;
  };
  const Case cases[] = {
      {{1, 0}, 0.0},          {{1, 1}, kPi / 4},        {{1, -1}, -kPi / 4},   {{-1, 1}, 3 * kPi / 4},
      {{-1, -1}, -3 * kPi / 4}, {{-1, 0}, kPi},         {{-1, -0.0}, kPi},     {{0, 2}, kPi / 2},
      {{0, -2}, -kPi / 2},    {{-0.0, 3}, kPi / 2},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(ComplexArg(c.z), c.expected, 1e-15) << "arg(" << c.z.re << ", " << c.z.im << ")";
  }
  EXPECT_EQ(ComplexArg({-1, 0}), kPi);
  EXPECT_EQ(ComplexArg({0, -2}), -kPi / 2);
  EXPECT_EQ(ComplexArg({0, 0}), InvalidNumber);
  EXPECT_FALSE(std::signbit(ComplexArg({3, -0.0}))) << "exactly 0 on the positive axis";
}

TEST(Complex, LogarithmOfRealNumbersIsReal) {
  ExpectExactly(ComplexLog({-1, 0}), {0, 0}, "log(-1)");
  ExpectExactly(ComplexLog({-1, -0.0}), {0, 0}, "log(-1 - 0i)");
  ExpectNear(ComplexLog({-std::exp(2.0), 0}), {2, 0}, 1e-15, "log(-e^2)");
  ExpectNear(ComplexLog({0, -1}), {0, -kPi / 2}, 1e-15, "log(-i)");
}

TEST(Complex, SquareRootSpecialCases) {
  ExpectNear(ComplexSqrt({-4, 0}), {2, 0}, 1e-15, "sqrt(-4) is real");
  ExpectNear(ComplexSqrt({0, 2}), {1, 1}, 1e-15, "sqrt(2i)");
  ExpectExactly(ComplexSqrt({0, 0}), {0, 0}, "sqrt(0)");
  ExpectNear(ComplexSqrt({9, 0}), {3, 0}, 1e-14, "sqrt(9)");
}

TEST(Complex, SquareRootMatchesThePrincipalRootForNonRealNumbers) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-100.0, 100.0);
  for (int i = 0; i < 1000; ++i) {
    const Complex z{u(rng), u(rng)};
    const std::complex<double> ref = std::sqrt(std::complex<double>(z.re, z.im));
    const Complex r = ComplexSqrt(z);
    const double tol = 1e-14 * std::abs(ref);
    ASSERT_NEAR(r.re, ref.real(), tol) << "sqrt(" << z.re << ", " << z.im << ")";
    ASSERT_NEAR(r.im, ref.imag(), tol) << "sqrt(" << z.re << ", " << z.im << ")";
    ASSERT_GE(r.re, 0.0);
  }
}

TEST(Complex, ExponentialClampsTheRealPart) {
  ExpectExactly(ComplexExp({100, 0}), {std::exp(50.0), 0}, "exp(100)");
  ExpectExactly(ComplexExp({50, 0}), {std::exp(50.0), 0}, "exp(50)");
  const Complex small = ComplexExp({-70, kPi / 2});
  EXPECT_NEAR(small.im, std::exp(-50.0), 1e-36);
  EXPECT_NEAR(small.re, 0.0, 1e-36);
  ExpectNear(ComplexExp({1, kPi}), {-std::exp(1.0), 0}, 1e-15, "exp(1 + i pi)");
}

TEST(Complex, PowerAndRoot) {
  ExpectExactly(ComplexPow({0, 0}, {0, 0}), {0, 0}, "0^0");
  ExpectExactly(ComplexPow({0, 0}, {-1, 3}), {0, 0}, "0^(-1+3i)");
  ExpectNear(ComplexPow({2, 0}, {10, 0}), {1024, 0}, 1e-11, "2^10");
  ExpectNear(ComplexPow({0, 1}, {2, 0}), {-1, 0}, 1e-15, "i^2");
  ExpectNear(ComplexRoot({3, 0}, {8, 0}), {2, 0}, 1e-15, "cube root of 8");
  ExpectNear(ComplexRoot({3, 0}, {-8, 0}), {2, 0}, 1e-15, "cube root of -8 is real");
}

TEST(Complex, ElementaryOperations) {
  const Complex a{1.5, -2}, b{-3, 0.25};
  ExpectExactly(ComplexMake(1, 2), {1, 2}, "make");
  ExpectExactly(ComplexAdd(a, b), {-1.5, -1.75}, "add");
  ExpectExactly(ComplexAddReal(a, 2), {3.5, -2}, "add real");
  ExpectExactly(ComplexRealMinus(a, 2), {0.5, 2}, "real minus");
  ExpectExactly(ComplexNeg(a), {-1.5, 2}, "neg");
  ExpectExactly(ComplexMul(a, b), {1.5 * -3 - (-2 * 0.25), 1.5 * 0.25 + (-2 * -3)}, "mul");
  ExpectExactly(ComplexScale(a, -2), {-3, 4}, "scale");
  EXPECT_EQ(ComplexAbs({3, 4}), 5.0);
}

TEST(Complex, ExponentialPairEqualsTwoExponentialsBitForBit) {
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> small(-3.0, 3.0);
  std::uniform_real_distribution<double> wide(-1e4, 1e4);
  std::vector<Complex> cases{{0, 0}, {-0.0, -0.0}, {60, 1}, {-60, -1}, {50, 1e6}, {1e-320, 1e-320}, {3, 1e15}};
  for (int k = 0; k < 20000; ++k) cases.push_back({k % 2 ? small(rng) : wide(rng) / 100, k % 3 ? small(rng) : wide(rng)});
  for (const Complex z : cases) {
    Complex up, down;
    ComplexExpPair(z, up, down);
    const Complex expectUp = ComplexExp(z);
    const Complex expectDown = ComplexExp(ComplexNeg(z));
    ASSERT_EQ(up.re, expectUp.re) << z.re << "," << z.im;
    ASSERT_EQ(up.im, expectUp.im) << z.re << "," << z.im;
    ASSERT_EQ(down.re, expectDown.re) << z.re << "," << z.im;
    ASSERT_EQ(down.im, expectDown.im) << z.re << "," << z.im;
  }
}
