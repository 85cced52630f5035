#pragma once
// Lognormal statistics of positive values (peak frequencies, amplitudes, H/V
// ordinates) and the frequency-domain rejection of windows whose peak frequency
// lies far from the others (Cox et al., 2020).
#include <cstddef>
#include <span>
#include <vector>

namespace corvath::spectra {

//! Mean and sample standard deviation of ln x; median() = exp(mean).
struct Lognormal {
  double meanLn = 0.0;
  double sigmaLn = 0.0;  //!< 0 for fewer than two values
  double median() const;
  double lower() const;  //!< exp(meanLn - sigmaLn)
  double upper() const;  //!< exp(meanLn + sigmaLn)
};

//! Lognormal statistics of the values whose flag in use is set (all when use is
//! empty); values must be positive. Zero values in use give {0, 0}.
Lognormal LognormalOf(std::span<const double> values, const std::vector<bool>& use = {});

//! Sample standard deviation (n - 1) of the values in use, in their own units; 0 for fewer than two.
double StandardDeviationOf(std::span<const double> values, const std::vector<bool>& use = {});

struct RejectionOutcome {
  std::vector<bool> accepted;  //!< per value
  int iterations = 0;          //!< passes made
  bool converged = false;      //!< stopped by the 1 % rule rather than the iteration limit
};

//! Drops, pass after pass, the accepted values (peak frequencies, Hz) whose ln lies
//! more than nStd standard deviations from the mean ln of the accepted ones, until the
//! median and the standard deviation change by less than 1 % from one pass to the next
//! or maxIterations passes are made. Never drops the last two values.
RejectionOutcome RejectOutlyingPeaks(std::span<const double> peakFrequenciesHz, double nStd, int maxIterations = 50);

}  // namespace corvath::spectra
