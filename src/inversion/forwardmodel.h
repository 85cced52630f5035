#pragma once
// The forward model: the amplitude of the transfer function of a stack of
// attenuating layers over an elastic half-space for plane waves at vertical
// incidence (surface motion over half-space outcrop motion), for one wave type,
// with quality factors Q0 * f^alpha and optional velocity dispersion.
//
// Floating-point faults (a non-positive frequency in the power or the logarithm,
// a zero quality factor, an overflowing power ...) never leave a NaN or an
// infinity in the result: they throw ForwardModelError with the runtime's message.
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "numerics/arrays.h"

namespace corvath::inversion {

//! A floating-point fault of the forward computation. The message is the
//! runtime's: kDivisionByZero, kInvalidOperation or kOverflow.
class ForwardModelError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kDivisionByZero = "Floating point division by zero";
inline constexpr const char* kInvalidOperation = "Invalid floating point operation";
inline constexpr const char* kOverflow = "Floating point overflow";

inline constexpr double kMetresPerKilometre = 1000.0;       //!< travel time = H / (V * 1000) s
inline constexpr double kHalfSpaceQuality = 999999.0;       //!< the elastic half-space's Q at every frequency
inline constexpr double kDispersionCoefficient = 0.31831015504887655;  //!< 1/3.14159 in the dispersion term
inline constexpr double kAngularFactor = 6.283186;          //!< phase = 6.283186 * f * travel time

//! base^exponent by the rules of the quality factors: exponent 0 gives 1, base 0 with
//! a positive exponent 0, an integral exponent repeated squaring (a negative one the
//! reciprocal of the positive power), otherwise exp(exponent * ln base). Faults give
//! an infinity or NaN here; TransferFunction turns them into ForwardModelError.
double FrequencyPower(double base, double exponent);

namespace detail {
struct TransferState;
}  // namespace detail

//! Reusable working storage of TransferFunction. It also remembers the per-layer
//! rows (attenuation factors, phase exponentials) of the previous call, so that a
//! layer whose thickness, velocity and quality factor did not change is not
//! recomputed; results are bit for bit those of a fresh evaluation.
class TransferScratch {
public:
  TransferScratch();
  ~TransferScratch();
  TransferScratch(TransferScratch&&) noexcept;
  TransferScratch& operator=(TransferScratch&&) noexcept;
  TransferScratch(const TransferScratch&) = delete;
  TransferScratch& operator=(const TransferScratch&) = delete;

  //! The internal state (for the theoretical curve, which shares frequency tables).
  detail::TransferState& state() { return *state_; }

private:
  std::unique_ptr<detail::TransferState> state_;
};

//! Amplitudes (dimensionless) of the transfer function at frequenciesHz. V in km/s,
//! rho in any unit, H in m, Q0 at 1 Hz; n >= 2 entries each, the last the half-space
//! (its H and Q0 are not used). dispersionExponent is alpha of Q0 * f^alpha; dispersion
//! is on when referenceFrequencyHz > 0. amplitudes is resized to the frequency count;
//! on a fault it is left unchanged and ForwardModelError is thrown.
void TransferFunction(const numerics::arofdoubleM& V, const numerics::arofdoubleM& rho,
                      const numerics::arofdoubleM& H, const numerics::arofdoubleM& Q0,
                      double dispersionExponent, double referenceFrequencyHz,
                      const numerics::arofdoubleM& frequenciesHz, numerics::arofdoubleM& amplitudes);

//! The same with reusable working storage: no allocation once the scratch has grown
//! to the layer and frequency counts.
void TransferFunction(const numerics::arofdoubleM& V, const numerics::arofdoubleM& rho,
                      const numerics::arofdoubleM& H, const numerics::arofdoubleM& Q0,
                      double dispersionExponent, double referenceFrequencyHz,
                      const numerics::arofdoubleM& frequenciesHz, numerics::arofdoubleM& amplitudes,
                      TransferScratch& scratch);

}  // namespace corvath::inversion
