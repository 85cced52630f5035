#include "inversion/forwardmodel.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "inversion/forwardmodeldetail.h"
#include "numerics/complex.h"

namespace corvath::inversion {

using numerics::arofdoubleM;
using numerics::Complex;

namespace {

constexpr Complex kI{0.0, 1.0};
constexpr double kGrowthClamp = 50.0;  // |Re| of an exponent is clamped here, as ComplexExpPair does

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Identifiers of row contents; never 0, never reused within a process.
std::uint64_t NextId() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}


// base^exponent for an integral exponent >= 0 by repeated squaring.
double IntegralPower(double base, double exponent) {
  double result = 1.0;
  while (exponent > 0.0) {
    const double half = std::floor(exponent * 0.5);
    if (exponent != half * 2.0) result *= base;
    exponent = half;
    if (exponent > 0.0) base *= base;
  }
  return result;
}

// The attenuation factor sqrt((1 - i/Q) * 2 / (sqrt(Q^-2 + 1) + 1)) of a layer with
// quality factor Q; squareQ receives Q * Q (0 or infinite means a fault). With
// a = 1/Q the radicand is s (1 - i a), s = 2 / (sqrt(1 + a^2) + 1), of modulus
// s sqrt(1 + a^2) = 2 - s; its principal root is therefore exactly
// (1, -a / (sqrt(1 + a^2) + 1)): two divisions and a square root instead of a
// complex logarithm and exponential (within a few units in the last place).
Complex AttenuationFactor(double Q, double& squareQ) {
  squareQ = Q * Q;
  const double a = 1.0 / Q;
  return {1.0, -a / (std::sqrt(a * a + 1.0) + 1.0)};
}

// sqrt(re^2 + im^2) as written; when only the squares overflow, the scaled modulus
// (the value a wider intermediate precision would give).
double Modulus(double re, double im) {
  const double r = numerics::ComplexAbs({re, im});
  if (r <= DBL_MAX || !std::isfinite(re) || !std::isfinite(im)) return r;
  return std::hypot(re, im);
}

void CheckLayerArrays(const arofdoubleM& V, const arofdoubleM& rho, const arofdoubleM& H, const arofdoubleM& Q0) {
  const std::size_t n = V.size();
  if (n < 2 || rho.size() != n || H.size() != n || Q0.size() != n)
    throw ForwardModelError("The layered model needs at least two layers and one value of every parameter per layer");
}

// ---- Fault diagnosis -------------------------------------------------------------
// Re-evaluates the computation in its defined order with a check after every step
// and throws the first fault met. Runs only after the fast evaluation has seen a
// value that is not finite.

[[noreturn]] void Fail(const char* message) { throw ForwardModelError(message); }

double Checked(double v) {
  if (std::isnan(v)) Fail(kInvalidOperation);
  if (std::isinf(v)) Fail(kOverflow);
  return v;
}

Complex Checked(Complex z) {
  Checked(z.re);
  Checked(z.im);
  return z;
}

double CheckedQuotient(double x, double y) {
  if (y == 0.0) Fail(x == 0.0 || std::isnan(x) ? kInvalidOperation : kDivisionByZero);
  return Checked(x / y);
}

double CheckedLog(double x) {
  if (x == 0.0) Fail(kDivisionByZero);
  if (!(x > 0.0)) Fail(kInvalidOperation);
  return Checked(std::log(x));
}

double CheckedPower(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::isnan(base) || std::isnan(exponent)) Fail(kInvalidOperation);
  if (std::isfinite(exponent) && std::trunc(exponent) == exponent) {
    const double p = Checked(IntegralPower(base, std::fabs(exponent)));
    return exponent > 0.0 ? p : CheckedQuotient(1.0, p);
  }
  return Checked(std::exp(exponent * CheckedLog(base)));
}

[[noreturn]] void DiagnoseFault(const arofdoubleM& V, const arofdoubleM& rho, const arofdoubleM& H,
                                const arofdoubleM& Q0, double alpha, double referenceHz,
                                const arofdoubleM& f) {
  const std::size_t n = V.size();
  const std::size_t m = f.size();
  // Quality factors; the half-space's is replaced and cannot fault.
  std::vector<std::vector<double>> Q(n, std::vector<double>(m, kHalfSpaceQuality));
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = 0; j < m; ++j) Q[i][j] = Checked(CheckedPower(f[j], alpha) * Q0[i]);
  const bool dispersion = referenceHz > 0.0;
  std::vector<double> t(n), a(n);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    t[i] = CheckedQuotient(H[i], Checked(V[i] * kMetresPerKilometre));
    a[i] = CheckedQuotient(CheckedQuotient(Checked(rho[i] * V[i]), rho[i + 1]), V[i + 1]);
  }
  std::vector<std::vector<Complex>> S(n, std::vector<Complex>(m, Complex{1.0, 0.0}));
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = 0; j < m; ++j) {
      double squareQ = Checked(Q[i][j] * Q[i][j]);
      CheckedQuotient(1.0, squareQ);
      S[i][j] = Checked(AttenuationFactor(Q[i][j], squareQ));
    }
  for (std::size_t j = 0; j < m; ++j) {
    const double L = dispersion ? CheckedLog(CheckedQuotient(f[j], referenceHz)) : 0.0;
    Complex A{1.0, 0.0}, B{1.0, 0.0};
    for (std::size_t i = 0; i + 1 < n; ++i) {
      double D = 1.0, Dn = 1.0;
      if (dispersion) {
        D = Checked(1.0 + Checked(CheckedQuotient(kDispersionCoefficient, Q[i][j]) * L));
        Dn = Checked(1.0 + Checked(CheckedQuotient(kDispersionCoefficient, Q[i + 1][j]) * L));
      }
      const Complex tau = Checked(numerics::ComplexScale(S[i][j], CheckedQuotient(t[i], D)));
      const double den = S[i][j].re * S[i][j].re + S[i][j].im * S[i][j].im;
      if (!(S[i + 1][j] == S[i][j])) CheckedQuotient(1.0, Checked(den));
      const Complex kappa = Checked(numerics::ComplexScale(numerics::ComplexDiv(S[i + 1][j], S[i][j]),
                                                           CheckedQuotient(Checked(a[i] * D), Dn)));
      const Complex phi = Checked(numerics::ComplexScale(tau, Checked(kAngularFactor * f[j])));
      Complex up, down;
      numerics::ComplexExpPair(numerics::ComplexMul(kI, phi), up, down);
      Checked(up);
      Checked(down);
      const Complex plus = Checked(numerics::ComplexAddReal(kappa, 1.0));
      const Complex minus = Checked(numerics::ComplexRealMinus(kappa, 1.0));
      const Complex nextA = Checked(numerics::ComplexScale(
          numerics::ComplexAdd(Checked(numerics::ComplexMul(Checked(numerics::ComplexMul(plus, A)), up)),
                               Checked(numerics::ComplexMul(Checked(numerics::ComplexMul(minus, B)), down))),
          0.5));
      const Complex nextB = Checked(numerics::ComplexScale(
          numerics::ComplexAdd(Checked(numerics::ComplexMul(Checked(numerics::ComplexMul(minus, A)), up)),
                               Checked(numerics::ComplexMul(Checked(numerics::ComplexMul(plus, B)), down))),
          0.5));
      A = nextA;
      B = nextB;
    }
    CheckedQuotient(1.0, Checked(Modulus(A.re, A.im)));
  }
  // The fast evaluation saw a value that is not finite; if the checks above did not
  // find its origin, it still must not pass as a result.
  Fail(kInvalidOperation);
}

}  // namespace

double FrequencyPower(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::isfinite(exponent) && std::trunc(exponent) == exponent) {
    if (exponent > 0.0) return IntegralPower(base, exponent);
    return 1.0 / IntegralPower(base, -exponent);
  }
  return std::exp(exponent * std::log(base));
}

namespace detail {

void UpdateFrequencyTable(FrequencyTable& table, double alpha, double referenceHz, const arofdoubleM& f) {
  if (table.id != 0 && Bits(table.alpha) == Bits(alpha) && Bits(table.referenceHz) == Bits(referenceHz) &&
      SameBits(table.frequencies, f))
    return;
  table.id = 0;
  table.alpha = alpha;
  table.referenceHz = referenceHz;
  table.dispersion = referenceHz > 0.0;
  table.frequencies.assign(f.begin(), f.end());
  const std::size_t m = f.size();
  table.power.resize(m);
  table.angular.resize(m);
  bool finite = true;
  for (std::size_t j = 0; j < m; ++j) {
    table.power[j] = FrequencyPower(f[j], alpha);
    table.angular[j] = kAngularFactor * f[j];
    finite = finite && std::isfinite(table.power[j]) && std::isfinite(table.angular[j]);
  }
  if (table.dispersion) {
    table.logRatio.resize(m);
    table.halfSpaceD.resize(m);
    for (std::size_t j = 0; j < m; ++j) {
      table.logRatio[j] = std::log(f[j] / referenceHz);
      table.halfSpaceD[j] = 1.0 + (kDispersionCoefficient / kHalfSpaceQuality) * table.logRatio[j];
      finite = finite && std::isfinite(table.logRatio[j]) && std::isfinite(table.halfSpaceD[j]) &&
               table.halfSpaceD[j] != 0.0;
    }
  }
  table.finite = finite;
  table.id = NextId();
}

namespace {

// Two neighbouring frequencies at once; every lane performs exactly the scalar
// operations (no fused multiply-add), so the results are the scalar ones.
typedef double Pair __attribute__((vector_size(16)));

template <typename T>
T Load(const double* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
void Store(double* p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

inline double SquareRoot(double x) { return std::sqrt(x); }
inline Pair SquareRoot(Pair x) {
#if defined(__SSE2__)
  return reinterpret_cast<Pair>(_mm_sqrt_pd(reinterpret_cast<__m128d>(x)));
#else
  return Pair{std::sqrt(x[0]), std::sqrt(x[1])};
#endif
}

// The loss term -a / (sqrt(a^2 + 1) + 1), a = 1/Q, of the attenuation factor and
// the dispersion factor 1 + (c/Q) ln(f/fref) at frequencies j (and j + 1).
struct LayerStep {
  double q0;
  const double* power;
  const double* logRatio;  // null without dispersion
  double* loss;
  double* D;
  double* square;  // Q * Q, for the fault check

  template <typename T>
  void Apply(std::size_t j) const {
    const T Q = Load<T>(power + j) * q0;
    const T a = 1.0 / Q;
    Store(loss + j, -a / (SquareRoot(a * a + 1.0) + 1.0));
    Store(square + j, Q * Q);
    if (logRatio) Store(D + j, 1.0 + (kDispersionCoefficient / Q) * Load<T>(logRatio + j));
  }
};

bool Usable(double x) { return std::isfinite(x) && x != 0.0; }

// Attenuation and dispersion factors of a layer above the half-space; without a
// frequency dependence of Q (alpha = 0) one evaluation serves every frequency.
bool UpdateLayerRows(LayerRows& rows, const FrequencyTable& table, double q0, std::vector<double>& square) {
  if (rows.tableId == table.id && rows.q0Bits == Bits(q0)) return true;
  rows.tableId = 0;
  const std::size_t m = table.frequencies.size();
  rows.loss.resize(m);
  if (table.dispersion) rows.D.resize(m);
  bool ok = true;
  if (table.alpha == 0.0) {
    double squareQ = 0.0;
    const double loss = AttenuationFactor(q0, squareQ).im;
    ok = Usable(squareQ) && std::isfinite(loss);
    std::fill(rows.loss.begin(), rows.loss.end(), loss);
    if (table.dispersion) {
      const double coefficient = kDispersionCoefficient / q0;
      for (std::size_t j = 0; j < m; ++j) {
        rows.D[j] = 1.0 + coefficient * table.logRatio[j];
        ok = ok && Usable(rows.D[j]);
      }
    }
  } else {
    square.resize(m);
    const LayerStep step{q0, table.power.data(), table.dispersion ? table.logRatio.data() : nullptr,
                         rows.loss.data(), table.dispersion ? rows.D.data() : nullptr, square.data()};
    std::size_t j = 0;
    for (; j + 2 <= m; j += 2) step.Apply<Pair>(j);
    for (; j < m; ++j) step.Apply<double>(j);
    for (j = 0; j < m; ++j) {
      ok = ok && Usable(square[j]) && std::isfinite(rows.loss[j]);
      if (table.dispersion) ok = ok && Usable(rows.D[j]);
    }
  }
  if (!ok) return false;
  rows.tableId = table.id;
  rows.q0Bits = Bits(q0);
  rows.generation = NextId();
  rows.phaseGeneration = 0;
  return true;
}

// Layers with equal quality factors (as generated by default) have equal
// attenuation and dispersion rows: take them from a layer above when it has them.
bool CopyLayerRows(std::vector<LayerRows>& layers, std::size_t i, const FrequencyTable& table, double q0) {
  LayerRows& rows = layers[i];
  if (rows.tableId == table.id && rows.q0Bits == Bits(q0)) return true;
  for (std::size_t k = 0; k < i; ++k) {
    const LayerRows& other = layers[k];
    if (other.tableId != table.id || other.q0Bits != Bits(q0)) continue;
    rows.loss.assign(other.loss.begin(), other.loss.end());
    rows.D.assign(other.D.begin(), other.D.end());
    rows.tableId = table.id;
    rows.q0Bits = other.q0Bits;
    rows.generation = NextId();
    rows.phaseGeneration = 0;
    return true;
  }
  return false;
}

// The half-space: elastic (no loss), dispersion factor from Q = 999999.
void UpdateHalfSpaceRows(LayerRows& rows, const FrequencyTable& table) {
  if (rows.tableId == table.id) return;
  rows.loss.assign(table.frequencies.size(), 0.0);
  if (table.dispersion) rows.D.assign(table.halfSpaceD.begin(), table.halfSpaceD.end());
  rows.tableId = table.id;
  rows.generation = NextId();
}

// e^(i phi) and e^(-i phi) with phi = 6.283186 f * S * (t / D), S = (1, loss):
// i phi = (-phi.im, phi.re), so e^(i phi) = e^(-phi.im) (cos phi.re, sin phi.re) and
// e^(-i phi) has the reciprocal growth and the opposite sine.
bool UpdatePhaseRows(LayerRows& rows, const FrequencyTable& table, double travel) {
  if (rows.phaseGeneration == rows.generation && rows.travelBits == Bits(travel)) return true;
  rows.phaseGeneration = 0;
  const std::size_t m = table.frequencies.size();
  rows.upRe.resize(m);
  rows.upIm.resize(m);
  rows.downRe.resize(m);
  rows.downIm.resize(m);
  bool ok = true;
  for (std::size_t j = 0; j < m; ++j) {
    const double x = table.dispersion ? travel / rows.D[j] : travel;
    const double angle = x * table.angular[j];
    const double growth = -((rows.loss[j] * x) * table.angular[j]);
    ok = ok && std::isfinite(angle) && std::isfinite(growth);
    const double r = std::fabs(growth) > kGrowthClamp ? std::copysign(kGrowthClamp, growth) : growth;
    const double c = std::cos(angle);
    const double sine = std::sin(angle);
    const double up = std::exp(r);
    const double down = 1.0 / up;
    rows.upRe[j] = up * c;
    rows.upIm[j] = up * sine;
    rows.downRe[j] = down * c;
    rows.downIm[j] = down * -sine;
  }
  if (!ok) return false;
  rows.phaseGeneration = rows.generation;
  rows.travelBits = Bits(travel);
  return true;
}

// (1 + i lower) / (1 + i upper) = ((1 + lower upper) + i (lower - upper)) / (1 + upper^2).
struct RatioStep {
  const double *upper, *lower;
  double *re, *im;

  template <typename T>
  void Apply(std::size_t j) const {
    const T b = Load<T>(upper + j), a = Load<T>(lower + j);
    const T inverse = 1.0 / (b * b + 1.0);
    Store(re + j, (a * b + 1.0) * inverse);
    Store(im + j, (a - b) * inverse);
  }
};

bool UpdateInterfaceRows(InterfaceRows& rows, const LayerRows& upper, const LayerRows& lower) {
  if (rows.upperGeneration == upper.generation && rows.lowerGeneration == lower.generation) return true;
  rows.upperGeneration = 0;
  const std::size_t m = upper.loss.size();
  rows.ratioRe.resize(m);
  rows.ratioIm.resize(m);
  const RatioStep step{upper.loss.data(), lower.loss.data(), rows.ratioRe.data(), rows.ratioIm.data()};
  std::size_t j = 0;
  for (; j + 2 <= m; j += 2) step.Apply<Pair>(j);
  for (; j < m; ++j) step.Apply<double>(j);
  bool ok = true;
  for (j = 0; j < m; ++j) ok = ok && std::isfinite(rows.ratioRe[j]) && std::isfinite(rows.ratioIm[j]);
  if (!ok) return false;
  rows.upperGeneration = upper.generation;
  rows.lowerGeneration = lower.generation;
  return true;
}

// One interface for the amplitude pairs of all frequencies:
//   kappa = ratio * (a D / D'),
//   A' = ((1 + kappa) A E+ + (1 - kappa) B E-) / 2,  B' = ((1 - kappa) A E+ + (1 + kappa) B E-) / 2,
// with the operand order and grouping of the complex operations.
struct InterfaceStep {
  double impedance;
  const double* upperD;  // null without dispersion
  const double* lowerD;
  const double *ratioRe, *ratioIm, *upRe, *upIm, *downRe, *downIm;
  double *aRe, *aIm, *bRe, *bIm;

  template <typename T>
  void Apply(std::size_t j) const {
    T scale = T{} + impedance;
    if (upperD) scale = impedance * Load<T>(upperD + j) / Load<T>(lowerD + j);
    const T kRe = scale * Load<T>(ratioRe + j);
    const T kIm = scale * Load<T>(ratioIm + j);
    const T plusRe = kRe + 1.0, plusIm = kIm;    // ComplexAddReal(kappa, 1)
    const T minusRe = 1.0 - kRe, minusIm = -kIm;  // ComplexRealMinus(kappa, 1)
    const T ARe = Load<T>(aRe + j), AIm = Load<T>(aIm + j);
    const T BRe = Load<T>(bRe + j), BIm = Load<T>(bIm + j);
    const T uRe = Load<T>(upRe + j), uIm = Load<T>(upIm + j);
    const T dRe = Load<T>(downRe + j), dIm = Load<T>(downIm + j);
    // ComplexMul(x, y) = (x.re y.re - x.im y.im, x.re y.im + x.im y.re)
    const T pARe = plusRe * ARe - plusIm * AIm, pAIm = plusRe * AIm + plusIm * ARe;
    const T mBRe = minusRe * BRe - minusIm * BIm, mBIm = minusRe * BIm + minusIm * BRe;
    const T mARe = minusRe * ARe - minusIm * AIm, mAIm = minusRe * AIm + minusIm * ARe;
    const T pBRe = plusRe * BRe - plusIm * BIm, pBIm = plusRe * BIm + plusIm * BRe;
    const T t1Re = pARe * uRe - pAIm * uIm, t1Im = pARe * uIm + pAIm * uRe;
    const T t2Re = mBRe * dRe - mBIm * dIm, t2Im = mBRe * dIm + mBIm * dRe;
    const T t3Re = mARe * uRe - mAIm * uIm, t3Im = mARe * uIm + mAIm * uRe;
    const T t4Re = pBRe * dRe - pBIm * dIm, t4Im = pBRe * dIm + pBIm * dRe;
    // ComplexScale(ComplexAdd(x, y), 0.5) = (0.5 (x.re + y.re), 0.5 (x.im + y.im))
    Store(aRe + j, 0.5 * (t1Re + t2Re));
    Store(aIm + j, 0.5 * (t1Im + t2Im));
    Store(bRe + j, 0.5 * (t3Re + t4Re));
    Store(bIm + j, 0.5 * (t3Im + t4Im));
  }
};

}  // namespace

void EvaluateTransfer(const FrequencyTable& table, const arofdoubleM& V, const arofdoubleM& rho,
                      const arofdoubleM& H, const arofdoubleM& Q0, TransferState& state,
                      arofdoubleM& amplitudes) {
  CheckLayerArrays(V, rho, H, Q0);
  const auto diagnose = [&]() {
    DiagnoseFault(V, rho, H, Q0, table.alpha, table.referenceHz, table.frequencies);
  };
  const std::size_t n = V.size();
  const std::size_t m = table.frequencies.size();
  if (!table.finite) diagnose();

  // Travel times and impedance ratios of the layers above the half-space.
  state.travel.resize(n - 1);
  state.impedance.resize(n - 1);
  bool ok = true;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    state.travel[i] = H[i] / (V[i] * kMetresPerKilometre);
    state.impedance[i] = rho[i] * V[i] / rho[i + 1] / V[i + 1];
    ok = ok && std::isfinite(state.travel[i]) && std::isfinite(state.impedance[i]);
  }
  if (!ok) diagnose();

  if (state.layers.size() != n) {
    state.layers.assign(n, LayerRows{});
    state.interfaces.assign(n - 1, InterfaceRows{});
  }
  for (std::size_t i = 0; i + 1 < n; ++i)
    if (!CopyLayerRows(state.layers, i, table, Q0[i]) &&
        !UpdateLayerRows(state.layers[i], table, Q0[i], state.square))
      diagnose();
  UpdateHalfSpaceRows(state.layers[n - 1], table);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (!UpdatePhaseRows(state.layers[i], table, state.travel[i])) diagnose();
    if (!UpdateInterfaceRows(state.interfaces[i], state.layers[i], state.layers[i + 1])) diagnose();
  }

  // The amplitude pairs, one interface at a time over all frequencies.
  state.aRe.assign(m, 1.0);
  state.aIm.assign(m, 0.0);
  state.bRe.assign(m, 1.0);
  state.bIm.assign(m, 0.0);
  double* aRe = state.aRe.data();
  double* aIm = state.aIm.data();
  double* bRe = state.bRe.data();
  double* bIm = state.bIm.data();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const LayerRows& upper = state.layers[i];
    const LayerRows& lower = state.layers[i + 1];
    InterfaceStep step{state.impedance[i],
                       table.dispersion ? upper.D.data() : nullptr,
                       table.dispersion ? lower.D.data() : nullptr,
                       state.interfaces[i].ratioRe.data(),
                       state.interfaces[i].ratioIm.data(),
                       upper.upRe.data(),
                       upper.upIm.data(),
                       upper.downRe.data(),
                       upper.downIm.data(),
                       aRe,
                       aIm,
                       bRe,
                       bIm};
    std::size_t j = 0;
    for (; j + 2 <= m; j += 2) step.Apply<Pair>(j);
    for (; j < m; ++j) step.Apply<double>(j);
  }

  // T = 1 / |A|. Every fault on the way has left a value that is not finite in A or B.
  state.modulus.resize(m);
  for (std::size_t j = 0; j < m; ++j) {
    const double r = Modulus(aRe[j], aIm[j]);
    state.modulus[j] = r;
    ok = ok && std::isfinite(r) && r != 0.0 && std::isfinite(bRe[j]) && std::isfinite(bIm[j]);
  }
  if (!ok) diagnose();
  amplitudes.resize(m);
  for (std::size_t j = 0; j < m; ++j) amplitudes[j] = 1.0 / state.modulus[j];
}

}  // namespace detail

TransferScratch::TransferScratch() : state_(std::make_unique<detail::TransferState>()) {}
TransferScratch::~TransferScratch() = default;
TransferScratch::TransferScratch(TransferScratch&&) noexcept = default;
TransferScratch& TransferScratch::operator=(TransferScratch&&) noexcept = default;

void TransferFunction(const arofdoubleM& V, const arofdoubleM& rho, const arofdoubleM& H, const arofdoubleM& Q0,
                      double dispersionExponent, double referenceFrequencyHz, const arofdoubleM& frequenciesHz,
                      arofdoubleM& amplitudes, TransferScratch& scratch) {
  detail::TransferState& state = scratch.state();
  detail::UpdateFrequencyTable(state.ownTable, dispersionExponent, referenceFrequencyHz, frequenciesHz);
  detail::EvaluateTransfer(state.ownTable, V, rho, H, Q0, state, amplitudes);
}

void TransferFunction(const arofdoubleM& V, const arofdoubleM& rho, const arofdoubleM& H, const arofdoubleM& Q0,
                      double dispersionExponent, double referenceFrequencyHz, const arofdoubleM& frequenciesHz,
                      arofdoubleM& amplitudes) {
  TransferScratch scratch;
  TransferFunction(V, rho, H, Q0, dispersionExponent, referenceFrequencyHz, frequenciesHz, amplitudes, scratch);
}

}  // namespace corvath::inversion
