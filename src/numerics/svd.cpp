#include "numerics/svd.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvath::numerics {
namespace {

// Sweeps of implicit-shift QR allowed per singular value; a value that has not
// converged by then is left as it stands.
constexpr int kMaxSweeps = 130;

// |a| with the sign of b (b = 0 counts as positive).
double withSign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// sqrt(a^2 + b^2) without scaling.
double hypotDirect(double a, double b) { return std::sqrt(a * a + b * b); }

// True when x is negligible against the norm of the bidiagonal form.
bool negligible(double x, double anorm) { return std::fabs(x) + anorm == anorm; }

void requireRows(const ararofdoubleM& matrix, std::size_t columns, const char* what) {
  for (std::size_t i = 0; i < matrix.size(); ++i) {
    if (matrix[i].size() != columns)
      throw std::invalid_argument(std::string(what) + ": row " + std::to_string(i) + " has " +
                                  std::to_string(matrix[i].size()) + " elements, expected " +
                                  std::to_string(columns));
  }
}

// A matrix stored column by column, so that the column operations and the
// rotations of columns, where the work lies, run over contiguous memory.
class ColumnMajor {
public:
  ColumnMajor(std::size_t rows, std::size_t cols) : rows_(rows), data_(rows * cols, 0.0) {}
  double& operator()(std::size_t i, std::size_t j) { return data_[j * rows_ + i]; }
  double* column(std::size_t j) { return data_.data() + j * rows_; }

private:
  std::size_t rows_;
  std::vector<double> data_;
};

// Applies the plane rotation (c, s) to columns p and q of length n:
// p' = p c + q s, q' = q c - p s.
void rotateColumns(double* p, double* q, std::size_t n, double c, double s) {
  for (std::size_t k = 0; k < n; ++k) {
    const double x = p[k];
    const double y = q[k];
    p[k] = x * c + y * s;
    q[k] = y * c - x * s;
  }
}

// The decomposition proper, for m >= n: A is overwritten by U.
void decompose(ColumnMajor& a, std::size_t m, std::size_t n, arofdoubleM& w, ColumnMajor& v) {
  w.assign(n, 0.0);
  arofdoubleM e(n, 0.0);  // super-diagonal: e[i] couples columns i - 1 and i
  arofdoubleM rowSums(m, 0.0);

  // Householder reduction to upper bidiagonal form.
  double g = 0.0, scale = 0.0, anorm = 0.0;
  std::size_t l = 0;
  for (std::size_t i = 0; i < n; ++i) {
    l = i + 1;
    e[i] = scale * g;
    g = 0.0;
    scale = 0.0;
    double s = 0.0;
    for (std::size_t k = i; k < m; ++k) scale += std::fabs(a(k, i));
    if (scale != 0.0) {
      for (std::size_t k = i; k < m; ++k) {
        a(k, i) /= scale;
        s += a(k, i) * a(k, i);
      }
      const double f = a(i, i);
      g = -withSign(std::sqrt(s), f);
      const double h = f * g - s;
      a(i, i) = f - g;
      for (std::size_t j = l; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t k = i; k < m; ++k) sum += a(k, i) * a(k, j);
        const double factor = sum / h;
        for (std::size_t k = i; k < m; ++k) a(k, j) += factor * a(k, i);
      }
      for (std::size_t k = i; k < m; ++k) a(k, i) *= scale;
    }
    w[i] = scale * g;

    g = 0.0;
    scale = 0.0;
    s = 0.0;
    if (i + 1 != n) {
      for (std::size_t k = l; k < n; ++k) scale += std::fabs(a(i, k));
      if (scale != 0.0) {
        for (std::size_t k = l; k < n; ++k) {
          a(i, k) /= scale;
          s += a(i, k) * a(i, k);
        }
        const double f = a(i, l);
        g = -withSign(std::sqrt(s), f);
        const double h = f * g - s;
        a(i, l) = f - g;
        for (std::size_t k = l; k < n; ++k) e[k] = a(i, k) / h;
        // Rows l..m-1: sum_j = row j . row i, then row j += sum_j * e, column by column.
        std::fill(rowSums.begin() + l, rowSums.end(), 0.0);
        for (std::size_t k = l; k < n; ++k) {
          const double aik = a(i, k);
          const double* col = a.column(k);
          for (std::size_t j = l; j < m; ++j) rowSums[j] += col[j] * aik;
        }
        for (std::size_t k = l; k < n; ++k) {
          const double ek = e[k];
          double* col = a.column(k);
          for (std::size_t j = l; j < m; ++j) col[j] += rowSums[j] * ek;
        }
        for (std::size_t k = l; k < n; ++k) a(i, k) *= scale;
      }
    }
    anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(e[i]));
  }

  // Accumulation of the right-hand transformations into V.
  for (std::size_t i = n; i-- > 0;) {
    if (i + 1 < n) {
      if (g != 0.0) {
        for (std::size_t j = l; j < n; ++j) v(j, i) = (a(i, j) / a(i, l)) / g;  // two divisions: no underflow
        for (std::size_t j = l; j < n; ++j) {
          double sum = 0.0;
          for (std::size_t k = l; k < n; ++k) sum += a(i, k) * v(k, j);
          for (std::size_t k = l; k < n; ++k) v(k, j) += sum * v(k, i);
        }
      }
      for (std::size_t j = l; j < n; ++j) v(i, j) = v(j, i) = 0.0;
    }
    v(i, i) = 1.0;
    g = e[i];
    l = i;
  }

  // Accumulation of the left-hand transformations into U (in place of A).
  for (std::size_t i = n; i-- > 0;) {
    l = i + 1;
    g = w[i];
    for (std::size_t j = l; j < n; ++j) a(i, j) = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (std::size_t j = l; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t k = l; k < m; ++k) sum += a(k, i) * a(k, j);
        const double f = (sum / a(i, i)) * g;
        for (std::size_t k = i; k < m; ++k) a(k, j) += f * a(k, i);
      }
      for (std::size_t j = i; j < m; ++j) a(j, i) *= g;
    } else {
      for (std::size_t j = i; j < m; ++j) a(j, i) = 0.0;
    }
    a(i, i) += 1.0;
  }

  // Diagonalisation of the bidiagonal form by implicit-shift QR sweeps.
  for (std::size_t k = n; k-- > 0;) {
    for (int sweep = 0;; ++sweep) {
      // Splitting test: find the block l..k that is still coupled. e[0] is
      // always zero, so the search ends at l = 0 at the latest.
      bool cancel = false;
      for (l = k;; --l) {
        if (l == 0 || negligible(e[l], anorm)) break;
        if (negligible(w[l - 1], anorm)) {
          cancel = true;
          break;
        }
      }
      if (cancel) {
        // w[l - 1] is zero: chase e[l] out of row l - 1 with rotations from the left.
        const std::size_t nm = l - 1;
        double c = 0.0, s = 1.0;
        for (std::size_t i = l; i <= k; ++i) {
          const double f = s * e[i];
          e[i] = c * e[i];
          if (negligible(f, anorm)) break;  // the fill-in has vanished
          const double gi = w[i];
          const double h = hypotDirect(f, gi);
          w[i] = h;
          c = gi / h;
          s = -f / h;
          rotateColumns(a.column(nm), a.column(i), m, c, s);
        }
      }

      double z = w[k];
      if (l == k || sweep == kMaxSweeps) {
        // Converged (or given up): make the singular value non-negative.
        if (z < 0.0) {
          w[k] = -z;
          for (std::size_t j = 0; j < n; ++j) v(j, k) = -v(j, k);
        }
        break;
      }

      // Shift from the bottom 2 x 2 minor.
      const std::size_t nm = k - 1;
      double x = w[l];
      double y = w[nm];
      g = e[nm];
      double h = e[k];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = hypotDirect(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + withSign(g, f))) - h)) / x;

      // One QR sweep from l to k - 1.
      double c = 1.0, s = 1.0;
      for (std::size_t j = l; j <= nm; ++j) {
        const std::size_t i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = hypotDirect(f, h);
        e[j] = z;
        if (z != 0.0) {
          c = f / z;
          s = h / z;
        }
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        rotateColumns(v.column(j), v.column(i), n, c, s);
        z = hypotDirect(f, h);
        w[j] = z;
        if (z != 0.0) {
          c = f / z;
          s = h / z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        rotateColumns(a.column(j), a.column(i), m, c, s);
      }
      e[l] = 0.0;
      e[k] = f;
      w[k] = x;
    }
  }
}

}  // namespace

void SvdDecompose(ararofdoubleM& a, arofdoubleM& w, ararofdoubleM& v) {
  const std::size_t m = a.size();
  const std::size_t n = m == 0 ? 0 : a[0].size();
  requireRows(a, n, "SvdDecompose");
  // Fewer equations than unknowns: zero rows added below A change nothing in
  // A = U diag(w) V^T; the added rows of U are dropped again.
  const std::size_t rows = std::max(m, n);
  ColumnMajor u(rows, n), vc(n, n);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j) u(i, j) = a[i][j];
  decompose(u, rows, n, w, vc);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t j = 0; j < n; ++j) a[i][j] = u(i, j);
  v.assign(n, arofdoubleM(n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) v[i][j] = vc(i, j);
}

arofdoubleM SvdBackSubstitute(const ararofdoubleM& u, const arofdoubleM& w, const ararofdoubleM& v,
                              const arofdoubleM& b) {
  const std::size_t m = u.size();
  const std::size_t n = w.size();
  requireRows(u, n, "SvdBackSubstitute (U)");
  requireRows(v, n, "SvdBackSubstitute (V)");
  if (v.size() != n || b.size() != m)
    throw std::invalid_argument("SvdBackSubstitute: V has " + std::to_string(v.size()) + " rows and b " +
                                std::to_string(b.size()) + " elements, expected " + std::to_string(n) +
                                " and " + std::to_string(m));
  arofdoubleM t(n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    if (w[k] == 0.0) continue;
    double sum = 0.0;
    for (std::size_t i = 0; i < m; ++i) sum += u[i][k] * b[i];
    t[k] = sum / w[k];
  }
  arofdoubleM x(n, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    double sum = 0.0;
    for (std::size_t k = 0; k < n; ++k) sum += v[j][k] * t[k];
    x[j] = sum;
  }
  return x;
}

arofdoubleM SvdSolve(const ararofdoubleM& a, const arofdoubleM& b, double tol) {
  const std::size_t n = a.size();
  requireRows(a, n, "SvdSolve");
  if (b.size() != n)
    throw std::invalid_argument("SvdSolve: b has " + std::to_string(b.size()) + " elements, expected " +
                                std::to_string(n));
  // The work copy is kept column by column; the same steps as SvdDecompose
  // followed by SvdBackSubstitute, without converting U and V back to rows.
  ColumnMajor u(n, n), v(n, n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) u(i, j) = a[i][j];
  arofdoubleM w;
  decompose(u, n, n, w, v);
  double wmax = 0.0;
  for (double wi : w) wmax = std::max(wmax, wi);
  const double threshold = tol * wmax;
  arofdoubleM t(n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    if (w[k] < threshold || w[k] == 0.0) continue;
    const double* uk = u.column(k);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) sum += uk[i] * b[i];
    t[k] = sum / w[k];
  }
  arofdoubleM x(n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    const double* vk = v.column(k);
    for (std::size_t j = 0; j < n; ++j) x[j] += vk[j] * t[k];
  }
  return x;
}

}  // namespace corvath::numerics
