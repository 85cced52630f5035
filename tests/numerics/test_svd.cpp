#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

#include "numerics/svd.h"

using namespace corvath::numerics;

namespace {

ararofdoubleM RandomMatrix(std::size_t rows, std::size_t cols, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  ararofdoubleM a(rows, arofdoubleM(cols));
  for (auto& row : a)
    for (double& x : row) x = u(rng);
  return a;
}

double MaxAbs(const ararofdoubleM& a) {
  double m = 0.0;
  for (const auto& row : a)
    for (double x : row) m = std::max(m, std::fabs(x));
  return m;
}

// Largest |A - U diag(w) V^T| relative to the largest |A|.
double ReconstructionError(const ararofdoubleM& a, const ararofdoubleM& u, const arofdoubleM& w,
                           const ararofdoubleM& v) {
  double err = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < w.size(); ++j) {
      double sum = 0.0;
      for (std::size_t k = 0; k < w.size(); ++k) sum += u[i][k] * w[k] * v[j][k];
      err = std::max(err, std::fabs(sum - a[i][j]));
    }
  const double scale = MaxAbs(a);
  return scale == 0.0 ? err : err / scale;
}

// Largest |Q^T Q - I| over the columns of Q.
double OrthonormalityError(const ararofdoubleM& q) {
  const std::size_t n = q.empty() ? 0 : q[0].size();
  double err = 0.0;
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = 0; b < n; ++b) {
      double dot = 0.0;
      for (const auto& row : q) dot += row[a] * row[b];
      err = std::max(err, std::fabs(dot - (a == b ? 1.0 : 0.0)));
    }
  return err;
}

struct Decomposition {
  ararofdoubleM u, v;
  arofdoubleM w;
};

Decomposition Decompose(const ararofdoubleM& a) {
  Decomposition d{a, {}, {}};
  SvdDecompose(d.u, d.w, d.v);
  return d;
}

}  // namespace

TEST(SvdDecompose, ReconstructsRandomSquareMatricesWithOrthonormalFactors) {
  std::mt19937_64 rng(20240611);
  for (std::size_t n = 1; n <= 59; ++n) {
    for (int trial = 0; trial < 3; ++trial) {
      ararofdoubleM a = RandomMatrix(n, n, rng);
      if (trial == 2) {  // rows of very different scale, as in damped normal equations
        for (std::size_t i = 0; i < n; ++i)
          for (double& x : a[i]) x *= std::pow(10.0, static_cast<double>(i % 9) - 4.0);
      }
      const Decomposition d = Decompose(a);
      ASSERT_EQ(d.w.size(), n);
      EXPECT_LE(ReconstructionError(a, d.u, d.w, d.v), 1e-10) << "n = " << n << " trial " << trial;
      EXPECT_LE(OrthonormalityError(d.u), 1e-10) << "U, n = " << n << " trial " << trial;
      EXPECT_LE(OrthonormalityError(d.v), 1e-10) << "V, n = " << n << " trial " << trial;
      for (double wi : d.w) EXPECT_GE(wi, 0.0) << "n = " << n;
    }
  }
}

TEST(SvdDecompose, ReconstructsRankDeficientAndStructuredMatrices) {
  std::mt19937_64 rng(99);
  struct Case {
    const char* name;
    ararofdoubleM a;
  };
  // Rank 3 in 8 x 8: a product of 8 x 3 and 3 x 8 factors.
  const ararofdoubleM left = RandomMatrix(8, 3, rng), right = RandomMatrix(3, 8, rng);
  ararofdoubleM lowRank(8, arofdoubleM(8, 0.0));
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      for (int k = 0; k < 3; ++k) lowRank[i][j] += left[i][k] * right[k][j];
  ararofdoubleM zeroColumn = RandomMatrix(6, 6, rng);
  for (auto& row : zeroColumn) row[2] = 0.0;
  ararofdoubleM zeroRow = RandomMatrix(6, 6, rng);
  zeroRow[0].assign(6, 0.0);
  const Case cases[] = {
      {"rank 3 of 8", lowRank},
      {"zero column", zeroColumn},
      {"zero first row", zeroRow},
      {"all ones", ararofdoubleM(5, arofdoubleM(5, 1.0))},
      // a zero on the diagonal above non-zero couplings needs the cancellation step
      {"bidiagonal with leading zero", {{0, 1, 0}, {0, 1, 1}, {0, 0, 1}}},
      {"bidiagonal with inner zero", {{1, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}, {0, 0, 0, 1}}},
      {"upper triangular zero diagonal", {{0, 2, 3, 4}, {0, 0, 5, 6}, {0, 0, 0, 7}, {0, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    const Decomposition d = Decompose(c.a);
    EXPECT_LE(ReconstructionError(c.a, d.u, d.w, d.v), 1e-12) << c.name;
    EXPECT_LE(OrthonormalityError(d.v), 1e-12) << c.name;
    for (double wi : d.w) EXPECT_GE(wi, 0.0) << c.name;
  }
}

TEST(SvdDecompose, ReturnsTheSingularValuesUnsortedAndNonNegative) {
  Decomposition d = Decompose({{2, 0}, {0, -4}});
  EXPECT_NEAR(d.w[0], 2.0, 1e-15);
  EXPECT_NEAR(d.w[1], 4.0, 1e-15);

  d = Decompose({{1, 1}, {1, 1}});
  std::sort(d.w.begin(), d.w.end());
  EXPECT_NEAR(d.w[0], 0.0, 1e-15);
  EXPECT_NEAR(d.w[1], 2.0, 1e-15);

  d = Decompose({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  EXPECT_EQ(d.w, arofdoubleM(3, 0.0));

  d = Decompose({{-3}});
  EXPECT_EQ(d.w, arofdoubleM{3.0});
  EXPECT_EQ(d.u[0][0] * d.w[0] * d.v[0][0], -3.0);
}

TEST(SvdDecompose, HandlesRectangularMatrices) {
  std::mt19937_64 rng(5);
  for (auto [m, n] : {std::pair{7, 3}, std::pair{3, 7}, std::pair{1, 4}, std::pair{12, 1}}) {
    const ararofdoubleM a = RandomMatrix(m, n, rng);
    const Decomposition d = Decompose(a);
    ASSERT_EQ(d.u.size(), static_cast<std::size_t>(m));
    ASSERT_EQ(d.w.size(), static_cast<std::size_t>(n));
    EXPECT_LE(ReconstructionError(a, d.u, d.w, d.v), 1e-12) << m << " x " << n;
    EXPECT_LE(OrthonormalityError(d.v), 1e-12) << m << " x " << n;
  }
}

TEST(SvdBackSubstitute, GivesTheLeastSquaresSolutionOfAnOverdeterminedSystem) {
  // Fit y = p0 + p1 t + p2 t^2 through 6 points; compare with the normal equations solved exactly.
  const double t[] = {0, 1, 2, 3, 4, 5};
  const arofdoubleM y = {1.0, 2.9, 9.2, 19.1, 33.0, 50.8};
  ararofdoubleM a;
  for (double ti : t) a.push_back({1.0, ti, ti * ti});
  const Decomposition d = Decompose(a);
  const arofdoubleM x = SvdBackSubstitute(d.u, d.w, d.v, y);
  // Residual r = y - A x must be orthogonal to every column of A.
  for (int j = 0; j < 3; ++j) {
    double dot = 0.0;
    for (int i = 0; i < 6; ++i) dot += a[i][j] * (y[i] - (a[i][0] * x[0] + a[i][1] * x[1] + a[i][2] * x[2]));
    EXPECT_NEAR(dot, 0.0, 1e-11) << "column " << j;
  }
}

TEST(SvdSolve, SolvesTheDocumentedCases) {
  struct Case {
    const char* name;
    ararofdoubleM a;
    arofdoubleM b;
    double tol;
    arofdoubleM expected;
    double accuracy;
  };
  const Case cases[] = {
      {"identity", {{1, 0}, {0, 1}}, {3, -1}, 1e-7, {3, -1}, 0.0},
      {"singular: minimum norm", {{1, 1}, {1, 1}}, {2, 2}, 1e-7, {1, 1}, 1e-14},
      {"small value dropped", {{1, 0}, {0, 1e-8}}, {1, 1}, 1e-7, {1, 0}, 0.0},
      {"small value kept", {{1, 0}, {0, 1e-8}}, {1, 1}, 1e-9, {1, 1e8}, 1e-6},
      {"zero matrix", {{0, 0}, {0, 0}}, {5, -7}, 1e-7, {0, 0}, 0.0},
      {"negative diagonal", {{2, 0}, {0, -4}}, {2, 4}, 1e-7, {1, -1}, 1e-15},
      {"1 x 1", {{-4}}, {2}, 1e-7, {-0.5}, 0.0},
      {"empty", {}, {}, 1e-7, {}, 0.0},
      {"zero column, consistent", {{0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, {1, 3, 2}, 1e-7, {0, 1, 2}, 1e-14},
      {"3 x 3", {{4, -2, 1}, {-2, 4, -2}, {1, -2, 4}}, {11, -16, 17}, 1e-7, {1, -2, 3}, 1e-14},
  };
  for (const auto& c : cases) {
    const ararofdoubleM before = c.a;
    const arofdoubleM x = SvdSolve(c.a, c.b, c.tol);
    ASSERT_EQ(x.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i], c.expected[i], c.accuracy) << c.name << " x[" << i << "]";
    EXPECT_EQ(c.a, before) << c.name << ": A must stay unchanged";
  }
}

TEST(SvdSolve, SolvesRandomWellConditionedSystems) {
  std::mt19937_64 rng(17);
  for (std::size_t n : {5u, 24u, 48u, 59u}) {
    ararofdoubleM a = RandomMatrix(n, n, rng);
    for (std::size_t i = 0; i < n; ++i) a[i][i] += static_cast<double>(n);  // diagonally dominant
    arofdoubleM xTrue(n), b(n, 0.0);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    for (double& x : xTrue) x = u(rng);
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) b[i] += a[i][j] * xTrue[j];
    const arofdoubleM x = SvdSolve(a, b, 1e-7);
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(x[i], xTrue[i], 1e-11) << "n = " << n << " i = " << i;
  }
}

TEST(SvdSolve, RefusesMismatchedShapes) {
  EXPECT_THROW(SvdSolve({{1, 2}, {3, 4}}, {1}, 1e-7), std::invalid_argument);
  EXPECT_THROW(SvdSolve({{1, 2}, {3}}, {1, 2}, 1e-7), std::invalid_argument);
  EXPECT_THROW(SvdSolve({{1, 2, 3}, {4, 5, 6}}, {1, 2}, 1e-7), std::invalid_argument);
  ararofdoubleM ragged{{1, 2}, {3}};
  arofdoubleM w;
  ararofdoubleM v;
  EXPECT_THROW(SvdDecompose(ragged, w, v), std::invalid_argument);
  EXPECT_THROW(SvdBackSubstitute({{1, 0}, {0, 1}}, {1, 1}, {{1, 0}, {0, 1}}, {1, 2, 3}), std::invalid_argument);
}

TEST(SvdSolve, FinishesOnNonFiniteInput) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // Nothing sensible can come out, but the iteration limit must end the work.
  EXPECT_EQ(SvdSolve({{nan, 1, 2}, {1, 1, 0}, {2, 0, 3}}, {1, 2, 3}, 1e-7).size(), 3u);
  EXPECT_EQ(SvdSolve({{inf, 1}, {1, 1}}, {1, 2}, 1e-7).size(), 2u);
}

TEST(SvdSolve, EqualsDecompositionTruncationAndBackSubstitution) {
  std::mt19937_64 rng(41);
  ararofdoubleM a = RandomMatrix(12, 12, rng);
  a[5] = a[3];  // rank deficient: one singular value is dropped
  arofdoubleM b(12);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<double>(i) - 4.5;
  Decomposition d = Decompose(a);
  const double wmax = *std::max_element(d.w.begin(), d.w.end());
  int dropped = 0;
  for (double& wi : d.w)
    if (wi < 1e-7 * wmax) {
      wi = 0.0;
      ++dropped;
    }
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(SvdSolve(a, b, 1e-7), SvdBackSubstitute(d.u, d.w, d.v, b));
}
