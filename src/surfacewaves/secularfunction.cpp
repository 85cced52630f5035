#include "surfacewaves/secularfunction.h"

#include <array>
#include <cmath>

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

using Minors = std::array<double, 6>;  // m12 m13 m14 m23 m24 m34

void Normalise(Minors& v) {
  double sum = 0.0;
  for (double x : v) sum += x * x;
  const double scale = 1.0 / std::sqrt(sum);
  for (double& x : v) x *= scale;
}

//! The compound (2x2 minors, pairs 12 13 14 23 24 34) of the propagator of the
//! Rayleigh motion-stress vector over thickness h, applied to v. one, cc, cz, zc,
//! zz are the products 1, CαCβ, CαZβ, ZαCβ, ZαZβ of the layer functions of the
//! signed thickness, all scaled by the same factor; the expressions are the
//! expanded minors of C(A²) + Z(A²)A (A the layer's system matrix, eq. 7.28 of Aki
//! & Richards), reduced with Cα² − να²Zα² = 1 so that no square of a growing term
//! is left.
Minors ApplyCompound(const Minors& v, double k, double w, double rho, double alpha, double beta, double one,
                     double cc, double cz, double zc, double zz) {
  double m[6][6];
  const double t0 = (w*w*w*w);
  const double t1 = 1.0 / t0;
  const double t2 = (k*k);
  const double t3 = t1*t2;
  const double t4 = one*t3;
  const double t5 = (w*w);
  const double t6 = (beta*beta);
  const double t7 = t2*t6;
  const double t8 = 2*t7;
  const double t9 = t5 - t8;
  const double t10 = 4*t6;
  const double t11 = t10*t9;
  const double t12 = (k*k*k*k);
  const double t13 = (beta*beta*beta*beta);
  const double t14 = 8*t13;
  const double t15 = t12*t14;
  const double t16 = t2*t5;
  const double t17 = t1*(t0 - t10*t16 + t15);
  const double t18 = (alpha*alpha);
  const double t19 = t0*t18;
  const double t20 = 4*t13;
  const double t21 = t5*t7;
  const double t22 = 1.0 / t18;
  const double t23 = t22*zz;
  const double t24 = t23*t3*(t0*t10 + t15*t18 - t16*t20 - 8*t18*t21 + t19);
  const double t25 = cc*t17 + t11*t4 - t24;
  const double t26 = 1.0 / rho;
  const double t27 = k*t26;
  const double t28 = -w;
  const double t29 = beta*k;
  const double t30 = 2*t29;
  const double t31 = -t28 - t30;
  const double t32 = t30 + w;
  const double t33 = cc*t1;
  const double t34 = t31*t32*t33;
  const double t35 = t12*t18;
  const double t36 = t16*t18;
  const double t37 = t1*t23;
  const double t38 = -k*one*t1*t26*t31*t32 + t27*t34 + t27*t37*(2*t0 + t10*t35 - 3*t36 - t5*t8);
  const double t39 = -t38;
  const double t40 = 1.0 / t5;
  const double t41 = cz*t40;
  const double t42 = t2*t26;
  const double t43 = t40*zc;
  const double t44 = alpha*k;
  const double t45 = (-t28 - t44)*(t44 + w);
  const double t46 = t22*t43*t45;
  const double t47 = t26*t46 + t41*t42;
  const double t48 = 1.0 / t6;
  const double t49 = (-t28 - t29)*(t29 + w);
  const double t50 = t41*t49;
  const double t51 = t26*t48*t50 + t42*t43;
  const double t52 = cc*t3;
  const double t53 = (rho*rho);
  const double t54 = 1.0 / t53;
  const double t55 = 2*t54;
  const double t56 = 2*t6;
  const double t57 = t48*zz;
  const double t58 = k*t9;
  const double t59 = (w*w*w*w*w*w);
  const double t60 = (k*k*k*k*k*k);
  const double t61 = 16*t60;
  const double t62 = (beta*beta*beta*beta*beta*beta);
  const double t63 = t18*t62;
  const double t64 = t14*t2;
  const double t65 = -2*k*one*rho*t1*t31*t32*t6*t9 + k*rho*t37*(-t0*t64 + 20*t12*t13*t18*t5 + 8*t12*t5*t62 + t18*t59 - 6*t19*t7 - t61*t63) + rho*t34*t56*t58;
  const double t66 = -t65;
  const double t67 = t11*t52 + t24;
  const double t68 = one*t17 + t67;
  const double t69 = -k*t46*t56 + t41*t58;
  const double t70 = 2*k*t50 - t43*t58;
  const double t71 = 4*one*t1*t2*t6*t9 - t67;
  const double t72 = (t9*t9);
  const double t73 = rho*t72;
  const double t74 = rho*t2;
  const double t75 = t10*t50*t74 + t43*t73;
  const double t76 = -t70;
  const double t77 = t20*t46*t74 + t41*t73;
  const double t78 = -t69;
  const double t79 = t53*t64*t72;
  const double t80 = (beta*beta*beta*beta*beta*beta*beta*beta);
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
  m[5][0] = one*t1*t79 - t33*t79 + t37*t53*(32*(k*k*k*k*k*k*k*k)*t18*t80 + 16*t0*t12*t62 + 24*t12*t13*t19 - 8*t18*t59*t7 + t18*(w*w*w*w*w*w*w*w) - 48*t5*t60*t63 - t5*t61*t80);
  m[5][1] = t66;
  m[5][2] = -t77;
  m[5][3] = t75;
  m[5][4] = t65;
  m[5][5] = t25;
  Minors out{};
  for (int i = 0; i < 6; ++i) {
    double sum = 0.0;
    for (int j = 0; j < 6; ++j) sum += m[i][j] * v[j];
    out[i] = sum;
  }
  return out;
}

}  // namespace

RayleighMinors RayleighSurfaceMinors(const LayeredMedium& medium, double k, double omega) {
  const Layer& base = medium.back();
  const double rho = base.densityKgPerM3;
  const double mu = rho * base.vsMPerS * base.vsMPerS;
  const double k2 = k * k;
  const double w2 = omega * omega;
  const double ra = std::sqrt(std::max(0.0, k2 - w2 / (base.vpMPerS * base.vpMPerS)));
  const double rb = std::sqrt(std::max(0.0, k2 - w2 / (base.vsMPerS * base.vsMPerS)));
  // The wedge of the decaying P solution (k, rα, −2μkrα, λk² − (λ+2μ)rα²) and S
  // solution (rβ, k, −μ(k² + rβ²), −2μkrβ); k² − rαrβ written without cancellation.
  const double sum = k2 + ra * rb;
  const double kMinusR = (k2 * w2 * (1.0 / (base.vpMPerS * base.vpMPerS) + 1.0 / (base.vsMPerS * base.vsMPerS)) -
                          w2 * w2 / (base.vpMPerS * base.vpMPerS * base.vsMPerS * base.vsMPerS)) /
                         sum;
  const double shear = rho * w2 - 2.0 * mu * kMinusR;
  const double rayleigh = rho * w2 - 2.0 * mu * k2;
  Minors v{kMinusR,
           k * shear,
           -rho * w2 * rb,
           rho * w2 * ra,
           -k * shear,
           -(rayleigh * rayleigh - 4.0 * mu * mu * k2 * ra * rb)};
  for (double& x : v) x /= rho * rho * w2 * w2;
  for (int i = static_cast<int>(medium.size()) - 2; i >= 0; --i) {
    const Layer& layer = medium[static_cast<std::size_t>(i)];
    const double alpha = layer.vpMPerS;
    const double beta = layer.vsMPerS;
    const LayerFunctions a = Functions(k2 - w2 / (alpha * alpha), layer.thicknessM);
    const LayerFunctions b = Functions(k2 - w2 / (beta * beta), layer.thicknessM);
    // The vector is rescaled before each layer, never after the last: a rescaling by
    // the surface vector's length would mix the secular function into its own scale.
    Normalise(v);
    // Upwards: the propagator over −h, whose Z functions change sign.
    const double one = std::exp(-(a.exponent + b.exponent));
    v = ApplyCompound(v, k, omega, layer.densityKgPerM3, alpha, beta, one, a.c * b.c, -a.c * b.z, -a.z * b.c,
                      a.z * b.z);
  }
  return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

LoveVector LoveSurfaceVector(const LayeredMedium& medium, double k, double omega) {
  const Layer& base = medium.back();
  const double k2 = k * k;
  const double w2 = omega * omega;
  double l1 = 1.0;
  double l2 = -base.densityKgPerM3 * base.vsMPerS * base.vsMPerS *
              std::sqrt(std::max(0.0, k2 - w2 / (base.vsMPerS * base.vsMPerS)));
  for (int i = static_cast<int>(medium.size()) - 2; i >= 0; --i) {
    const Layer& layer = medium[static_cast<std::size_t>(i)];
    const double mu = layer.densityKgPerM3 * layer.vsMPerS * layer.vsMPerS;
    const double nu2 = k2 - w2 / (layer.vsMPerS * layer.vsMPerS);
    const LayerFunctions f = Functions(nu2, layer.thicknessM);
    const double scale = 1.0 / std::hypot(l1, l2 / mu);
    l1 *= scale;
    l2 *= scale;
    // Upwards over −h: [[C, −Z/μ], [−μν²Z, C]].
    const double top1 = f.c * l1 - f.z / mu * l2;
    const double top2 = -mu * nu2 * f.z * l1 + f.c * l2;
    l1 = top1;
    l2 = top2;
  }
  return {l1, l2};
}

}  // namespace corvath::surfacewaves
