#include "surfacewaves/secularfunction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

namespace corvath::surfacewaves {
namespace {

//! cosh(νh), sinh(νh)/ν for ν² > 0 (scaled by e^(−νh), the exponent returned),
//! cos(|ν|h), sin(|ν|h)/|ν| for ν² < 0, and their limits 1, h at ν = 0.
struct LayerFunctions {
  double c = 1.0;
  double z = 0.0;
  double exponent = 0.0;
};

LayerFunctions Functions(double nu2, double h) {
  LayerFunctions f;
  if (nu2 > 0.0) {
    const double nu = std::sqrt(nu2);
    const double x = nu * h;
    const double e = std::exp(-2.0 * x);
    f.c = 0.5 * (1.0 + e);
    f.z = -0.5 * std::expm1(-2.0 * x) / nu;
    f.exponent = x;
  } else if (nu2 < 0.0) {
    const double nu = std::sqrt(-nu2);
    f.c = std::cos(nu * h);
    f.z = std::sin(nu * h) / nu;
  } else {
    f.z = h;
  }
  return f;
}

//! The same at a complex ν² (ν with a positive real part), scaled by e^(−Re νh).
struct ComplexLayerFunctions {
  Complex c{1.0, 0.0};
  Complex z{0.0, 0.0};
  double exponent = 0.0;
};

ComplexLayerFunctions Functions(Complex nu2, double h) {
  ComplexLayerFunctions f;
  const Complex nu = std::sqrt(nu2);
  const Complex x = nu * h;
  f.exponent = x.real();
  if (std::abs(x) < 1e-4) {
    const double scale = std::exp(-x.real());
    f.c = scale * (1.0 + x * x / 2.0);
    f.z = scale * h * (1.0 + x * x / 6.0);
    return f;
  }
  const Complex phase = std::polar(1.0, x.imag());
  const Complex e = std::exp(-2.0 * x);
  f.c = phase * (1.0 + e) / 2.0;
  f.z = phase * (1.0 - e) / (2.0 * nu);
  return f;
}

template <typename T>
using Minors = std::array<T, 6>;  // m12 m13 m14 m23 m24 m34

double Magnitude2(double x) { return x * x; }
double Magnitude2(Complex x) { return std::norm(x); }

template <typename T>
void Normalise(Minors<T>& v) {
  double sum = 0.0;
  for (const T& x : v) sum += Magnitude2(x);
  const double scale = 1.0 / std::sqrt(sum);
  for (T& x : v) x *= scale;
}

//! The compound (2x2 minors, pairs 12 13 14 23 24 34) of the propagator of the
//! Rayleigh motion-stress vector over thickness h, applied to v. one, cc, cz, zc,
//! zz are the products 1, CαCβ, CαZβ, ZαCβ, ZαZβ of the layer functions of the
//! signed thickness, all scaled by the same factor; the expressions are the
//! expanded minors of C(A²) + Z(A²)A (A the layer's system matrix, eq. 7.28 of Aki
//! & Richards), reduced with Cα² − να²Zα² = 1 so that no square of a growing term
//! is left.
template <typename T>
Minors<T> ApplyCompound(const Minors<T>& v, T k, T w, double rho, double alpha, double beta, T one, T cc, T cz, T zc,
                        T zz) {
  T m[6][6];
  const T t0 = (w*w*w*w);
  const T t1 = 1.0 / t0;
  const T t2 = (k*k);
  const T t3 = t1*t2;
  const T t4 = one*t3;
  const T t5 = (w*w);
  const T t6 = (beta*beta);
  const T t7 = t2*t6;
  const T t8 = 2.0*t7;
  const T t9 = t5 - t8;
  const T t10 = 4.0*t6;
  const T t11 = t10*t9;
  const T t12 = (k*k*k*k);
  const T t13 = (beta*beta*beta*beta);
  const T t14 = 8.0*t13;
  const T t15 = t12*t14;
  const T t16 = t2*t5;
  const T t17 = t1*(t0 - t10*t16 + t15);
  const T t18 = (alpha*alpha);
  const T t19 = t0*t18;
  const T t20 = 4.0*t13;
  const T t21 = t5*t7;
  const T t22 = 1.0 / t18;
  const T t23 = t22*zz;
  const T t24 = t23*t3*(t0*t10 + t15*t18 - t16*t20 - 8.0*t18*t21 + t19);
  const T t25 = cc*t17 + t11*t4 - t24;
  const T t26 = 1.0 / rho;
  const T t27 = k*t26;
  const T t28 = -w;
  const T t29 = beta*k;
  const T t30 = 2.0*t29;
  const T t31 = -t28 - t30;
  const T t32 = t30 + w;
  const T t33 = cc*t1;
  const T t34 = t31*t32*t33;
  const T t35 = t12*t18;
  const T t36 = t16*t18;
  const T t37 = t1*t23;
  const T t38 = -k*one*t1*t26*t31*t32 + t27*t34 + t27*t37*(2.0*t0 + t10*t35 - 3.0*t36 - t5*t8);
  const T t39 = -t38;
  const T t40 = 1.0 / t5;
  const T t41 = cz*t40;
  const T t42 = t2*t26;
  const T t43 = t40*zc;
  const T t44 = alpha*k;
  const T t45 = (-t28 - t44)*(t44 + w);
  const T t46 = t22*t43*t45;
  const T t47 = t26*t46 + t41*t42;
  const T t48 = 1.0 / t6;
  const T t49 = (-t28 - t29)*(t29 + w);
  const T t50 = t41*t49;
  const T t51 = t26*t48*t50 + t42*t43;
  const T t52 = cc*t3;
  const T t53 = (rho*rho);
  const T t54 = 1.0 / t53;
  const T t55 = 2.0*t54;
  const T t56 = 2.0*t6;
  const T t57 = t48*zz;
  const T t58 = k*t9;
  const T t59 = (w*w*w*w*w*w);
  const T t60 = (k*k*k*k*k*k);
  const T t61 = 16.0*t60;
  const T t62 = (beta*beta*beta*beta*beta*beta);
  const T t63 = t18*t62;
  const T t64 = t14*t2;
  const T t65 = -2.0*k*one*rho*t1*t31*t32*t6*t9 + k*rho*t37*(-t0*t64 + 20.0*t12*t13*t18*t5 + 8.0*t12*t5*t62 + t18*t59 - 6.0*t19*t7 - t61*t63) + rho*t34*t56*t58;
  const T t66 = -t65;
  const T t67 = t11*t52 + t24;
  const T t68 = one*t17 + t67;
  const T t69 = -k*t46*t56 + t41*t58;
  const T t70 = 2.0*k*t50 - t43*t58;
  const T t71 = 4.0*one*t1*t2*t6*t9 - t67;
  const T t72 = (t9*t9);
  const T t73 = rho*t72;
  const T t74 = rho*t2;
  const T t75 = t10*t50*t74 + t43*t73;
  const T t76 = -t70;
  const T t77 = t20*t46*t74 + t41*t73;
  const T t78 = -t69;
  const T t79 = t53*t64*t72;
  const T t80 = (beta*beta*beta*beta*beta*beta*beta*beta);
  m[0][0] = t25;
  m[0][1] = t39;
  m[0][2] = t47;
  m[0][3] = -t51;
  m[0][4] = t38;
  m[0][5] = t1*t22*t54*t57*(t0 - t21 + t35*t56 - t36) + t4*t55 - t52*t55;
  m[1][0] = t66;
  m[1][1] = t68;
  m[1][2] = t69;
  m[1][3] = t70;
  m[1][4] = t71;
  m[1][5] = t39;
  m[2][0] = -t75;
  m[2][1] = t76;
  m[2][2] = cc;
  m[2][3] = t49*t57;
  m[2][4] = t70;
  m[2][5] = t51;
  m[3][0] = t77;
  m[3][1] = t78;
  m[3][2] = t23*t45;
  m[3][3] = cc;
  m[3][4] = t69;
  m[3][5] = -t47;
  m[4][0] = t65;
  m[4][1] = t71;
  m[4][2] = t78;
  m[4][3] = t76;
  m[4][4] = t68;
  m[4][5] = t38;
  m[5][0] = one*t1*t79 - t33*t79 + t37*t53*(32.0*(k*k*k*k*k*k*k*k)*t18*t80 + 16.0*t0*t12*t62 + 24.0*t12*t13*t19 - 8.0*t18*t59*t7 + t18*(w*w*w*w*w*w*w*w) - 48.0*t5*t60*t63 - t5*t61*t80);
  m[5][1] = t66;
  m[5][2] = -t77;
  m[5][3] = t75;
  m[5][4] = t65;
  m[5][5] = t25;
  Minors<T> out{};
  for (int i = 0; i < 6; ++i) {
    T sum = 0.0;
    for (int j = 0; j < 6; ++j) sum += m[i][j] * v[j];
    out[i] = sum;
  }
  return out;
}

//! The decaying root of ν²: positive for a real ν² ≥ 0 (clamped there), with a positive
//! real part for a complex one.
double RootOf(double nu2) { return std::sqrt(std::max(0.0, nu2)); }
Complex RootOf(Complex nu2) { return std::sqrt(nu2); }

template <typename T>
Minors<T> RayleighMinorsAt(const LayeredMedium& medium, T k, T omega) {
  const Layer& base = medium.back();
  const double rho = base.densityKgPerM3;
  const double mu = rho * base.vsMPerS * base.vsMPerS;
  const double slowP2 = 1.0 / (base.vpMPerS * base.vpMPerS);
  const double slowS2 = 1.0 / (base.vsMPerS * base.vsMPerS);
  const T k2 = k * k;
  const T w2 = omega * omega;
  const T ra = RootOf(k2 - w2 * slowP2);
  const T rb = RootOf(k2 - w2 * slowS2);
  // The wedge of the decaying P solution (k, rα, −2μkrα, λk² − (λ+2μ)rα²) and S
  // solution (rβ, k, −μ(k² + rβ²), −2μkrβ); k² − rαrβ written without cancellation.
  const T kMinusR = (k2 * w2 * (slowP2 + slowS2) - w2 * w2 * slowP2 * slowS2) / (k2 + ra * rb);
  const T shear = rho * w2 - 2.0 * mu * kMinusR;
  const T rayleigh = rho * w2 - 2.0 * mu * k2;
  Minors<T> v{kMinusR, k * shear, -rho * w2 * rb, rho * w2 * ra, -k * shear,
              -(rayleigh * rayleigh - 4.0 * mu * mu * k2 * ra * rb)};
  for (T& x : v) x /= rho * rho * w2 * w2;
  for (int i = static_cast<int>(medium.size()) - 2; i >= 0; --i) {
    const Layer& layer = medium[static_cast<std::size_t>(i)];
    const double alpha = layer.vpMPerS;
    const double beta = layer.vsMPerS;
    const auto a = Functions(k2 - w2 / (alpha * alpha), layer.thicknessM);
    const auto b = Functions(k2 - w2 / (beta * beta), layer.thicknessM);
    // The vector is rescaled before each layer, never after the last: a rescaling by
    // the surface vector's length would mix the secular function into its own scale.
    Normalise(v);
    // Upwards: the propagator over −h, whose Z functions change sign.
    const T one = std::exp(-(a.exponent + b.exponent));
    v = ApplyCompound<T>(v, k, omega, layer.densityKgPerM3, alpha, beta, one, a.c * b.c, -a.c * b.z, -a.z * b.c,
                         a.z * b.z);
  }
  return v;
}

template <typename T>
std::array<T, 2> LoveVectorAt(const LayeredMedium& medium, T k, T omega) {
  const Layer& base = medium.back();
  const T k2 = k * k;
  const T w2 = omega * omega;
  T l1 = 1.0;
  T l2 = -base.densityKgPerM3 * base.vsMPerS * base.vsMPerS * RootOf(k2 - w2 / (base.vsMPerS * base.vsMPerS));
  for (int i = static_cast<int>(medium.size()) - 2; i >= 0; --i) {
    const Layer& layer = medium[static_cast<std::size_t>(i)];
    const double mu = layer.densityKgPerM3 * layer.vsMPerS * layer.vsMPerS;
    const T nu2 = k2 - w2 / (layer.vsMPerS * layer.vsMPerS);
    const auto f = Functions(nu2, layer.thicknessM);
    const double scale = 1.0 / std::sqrt(Magnitude2(l1) + Magnitude2(l2 / mu));
    l1 *= scale;
    l2 *= scale;
    // Upwards over −h: [[C, −Z/μ], [−μν²Z, C]].
    const T top1 = f.c * l1 - f.z / mu * l2;
    const T top2 = -mu * nu2 * f.z * l1 + f.c * l2;
    l1 = top1;
    l2 = top2;
  }
  return {l1, l2};
}

}  // namespace

RayleighMinors RayleighSurfaceMinors(const LayeredMedium& medium, double k, double omega) {
  const auto v = RayleighMinorsAt<double>(medium, k, omega);
  return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

LoveVector LoveSurfaceVector(const LayeredMedium& medium, double k, double omega) {
  const auto v = LoveVectorAt<double>(medium, k, omega);
  return {v[0], v[1]};
}

SurfaceResponse SurfaceResponseAt(const LayeredMedium& medium, double k, Complex omega) {
  const auto m = RayleighMinorsAt<Complex>(medium, Complex(k, 0.0), omega);
  const auto l = LoveVectorAt<Complex>(medium, Complex(k, 0.0), omega);
  return {-m[3] / m[5], m[2] / m[5], l[0] / l[1]};
}

}  // namespace corvath::surfacewaves
