#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "spectra/fft.h"

using namespace corvath::spectra;

TEST(RealTransform, MatchesDirectTransformForOddAndEvenLengths) {
  for (std::size_t n : {1u, 2u, 7u, 31u, 97u, 1000u, 1001u}) {
    SCOPED_TRACE(n);
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = std::sin(0.37 * j * j + 1.0) + 0.25 * std::cos(3.1 * j);
    std::vector<std::complex<double>> f;
    RealTransform(x, f);
    ASSERT_EQ(f.size(), n);
    std::vector<double> moduli;
    TransformModuli(x, moduli);
    double scale = 0;
    for (double v : x) scale += std::fabs(v);
    for (std::size_t k = 0; k < n; ++k) {
      std::complex<long double> sum = 0;
      for (std::size_t j = 0; j < n; ++j) {
        const long double angle = -2.0L * std::numbers::pi_v<long double> * ((j * k) % n) / n;
        sum += std::complex<long double>(x[j] * std::cos(angle), x[j] * std::sin(angle));
      }
      EXPECT_NEAR(f[k].real(), double(sum.real()), 1e-13 * scale);
      EXPECT_NEAR(f[k].imag(), double(sum.imag()), 1e-13 * scale);
      EXPECT_NEAR(moduli[k], double(std::abs(sum)), 1e-13 * scale);
    }
  }
}

TEST(RealTransform, EmptyInputIsAnError) {
  std::vector<std::complex<double>> f;
  EXPECT_THROW(RealTransform({}, f), TransformError);
}
