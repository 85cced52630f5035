#pragma once
// The SESAME (2004) guideline's criteria for an H/V peak: three for a reliable
// curve and six for a clear peak, each with the value that decided it.
#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace corvath::spectra {

//! The frequency threshold epsilon(f0) (Hz) of the guideline's table: 0.25, 0.20,
//! 0.15, 0.10 or 0.05 times f0 for f0 < 0.2, [0.2, 0.5), [0.5, 1), [1, 2), >= 2 Hz.
double SesameFrequencyThreshold(double f0Hz);

//! The amplitude threshold theta(f0) (a factor) of the same bands: 3.0, 2.5, 2.0, 1.78, 1.58.
double SesameAmplitudeThreshold(double f0Hz);

//! What the criteria look at: the mean curve and its log standard deviation on a
//! frequency grid, its peak and the window statistics.
struct SesameInput {
  std::span<const double> frequenciesHz;  //!< increasing grid
  std::span<const double> mean;           //!< lognormal mean H/V on the grid
  std::span<const double> sigmaLn;        //!< standard deviation of ln H/V on the grid
  double f0Hz = 0.0;                      //!< peak frequency of the mean curve
  double a0 = 0.0;                        //!< mean curve at f0
  double sigmaF0Hz = 0.0;                 //!< standard deviation of the windows' peak frequencies (Hz)
  double windowLengthSeconds = 0.0;       //!< mean length of the windows used
  std::size_t windowCount = 0;            //!< windows used
  double searchMinHz = 0.0;               //!< the band in which peaks are searched
  double searchMaxHz = 0.0;
};

enum class SesameCriterion {
  PeakAboveWindowFrequency,  //!< f0 > 10 / lw
  EnoughCycles,              //!< nc = lw nw f0 > 200
  LowScatterAroundPeak,      //!< sigma_A(f) < 2 (3 when f0 < 0.5 Hz) over 0.5 f0 ... 2 f0
  FallBelow,                 //!< a frequency in [f0/4, f0] where A < A0/2
  FallAbove,                 //!< a frequency in [f0, 4 f0] where A < A0/2
  AmplitudeAboveTwo,         //!< A0 > 2
  StablePeak,                //!< peaks of mean x/÷ sigma_A within 5 % of f0
  LowFrequencyScatter,       //!< sigma_f < epsilon(f0)
  LowAmplitudeScatter,       //!< sigma_A(f0) < theta(f0)
};

inline constexpr std::size_t kSesameCriterionCount = 9;

//! One criterion: passed when value compares with threshold as the guideline says.
struct SesameCheck {
  SesameCriterion criterion = SesameCriterion::PeakAboveWindowFrequency;
  bool passed = false;
  double value = 0.0;      //!< the quantity tested (units in SesameCriterionText)
  double threshold = 0.0;  //!< the limit it was tested against
};

struct SesameVerdict {
  std::array<SesameCheck, kSesameCriterionCount> checks;  //!< in the order of SesameCriterion
  int reliabilityPassed = 0;  //!< of 3
  int clarityPassed = 0;      //!< of 6
  bool reliable() const { return reliabilityPassed == 3; }
  //! The guideline asks for at least five of the six clarity criteria.
  bool clear() const { return clarityPassed >= 5; }
};

//! Evaluates the nine criteria; every value is finite.
SesameVerdict EvaluateSesame(const SesameInput& input);

//! A short key of the criterion for reports ("reliability_1" ... "clarity_6").
const char* SesameCriterionKey(SesameCriterion criterion);

//! The criterion as the user reads it, with the unit of its value ("f0 > 10 / lw (Hz)").
const char* SesameCriterionText(SesameCriterion criterion);

}  // namespace corvath::spectra
