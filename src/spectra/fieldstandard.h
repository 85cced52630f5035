#pragma once
// The field-standard H/V computation beside the classic one: windows of the record
// (the user's or cut automatically), each detrended by its mean, Tukey-tapered and
// transformed; the two horizontal amplitude spectra combined into one; horizontal
// and vertical smoothed by Konno and Ohmachi onto a logarithmic grid; per-window
// H/V curves with their lognormal mean and standard deviation, the peak of every
// window, rejection of outlying windows and the SESAME (2004) criteria.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/record.h"
#include "numerics/outcome.h"
#include "spectra/sesame.h"
#include "spectra/stalta.h"
#include "spectra/windowrejection.h"
#include "spectra/windowspectra.h"

namespace corvath::spectra {

//! How the two horizontal amplitude spectra N and E become one.
enum class HorizontalCombination {
  Geometric,   //!< sqrt(N E)
  Quadratic,   //!< sqrt((N^2 + E^2) / 2)
  Arithmetic,  //!< (N + E) / 2
};

//! The combined horizontal amplitude of n and e.
double CombineHorizontal(HorizontalCombination combination, double n, double e);

//! One horizontal combination: its value, its name as the window's "Combine" list
//! and the report show it, and its word after --combine on the command line.
struct HorizontalCombinationEntry {
  HorizontalCombination combination;
  const char* name;
  const char* word;
};

//! Every horizontal combination, in the order of the "Combine" list (the default first).
inline constexpr std::array<HorizontalCombinationEntry, 3> kHorizontalCombinations = {{
    {HorizontalCombination::Geometric, "geometric", "geometric"},
    {HorizontalCombination::Quadratic, "quadratic", "quadratic"},
    {HorizontalCombination::Arithmetic, "arithmetic", "arithmetic"},
}};

//! The combination's name from kHorizontalCombinations ("geometric", "quadratic" or "arithmetic").
const char* HorizontalCombinationName(HorizontalCombination combination);

//! The combination whose command-line word is `word`, none for any other text.
std::optional<HorizontalCombination> HorizontalCombinationOfWord(std::string_view word);

//! A frequency band, both ends inclusive (Hz).
struct FrequencyBand {
  double lowHz = 0.0;
  double highHz = 0.0;
};

struct FieldStandardSettings {
  double windowLengthSeconds = 60.0;  //!< length of every window (s), cut from the record or each analysis window
  double overlapPercent = 0.0;        //!< overlap of neighbouring windows, 0 <= p < 100
  double taperFraction = 0.05;        //!< share of each window inside the Tukey taper's cosine ends, 0 ... 1
  HorizontalCombination combination = HorizontalCombination::Geometric;
  double bandwidth = 40.0;            //!< Konno-Ohmachi b
  double gridMinHz = 0.2;             //!< lowest grid frequency
  double gridMaxHz = 20.0;            //!< highest grid frequency
  int gridPoints = 256;               //!< logarithmically spaced, at least 2
  std::optional<FrequencyBand> search;  //!< band of the peak search; none means the whole grid
  bool reject = true;                 //!< frequency-domain window rejection
  double rejectionStdDevs = 2.0;      //!< n of the rejection
  int rejectionIterations = 50;       //!< at most this many passes
  //! STA/LTA anti-trigger selection of the windows; none: every window is a
  //! candidate. The ratios of every window are measured (with these or the default
  //! lengths) and reported either way.
  std::optional<StaLtaSettings> staLta;
  //! Azimuthal H/V every this many degrees from 0 to below 180; none: not computed.
  std::optional<double> azimuthStepDegrees;
};

//! Done when the settings can be used, else Failed saying why (the values quoted).
numerics::Outcome CheckFieldStandardSettings(const FieldStandardSettings& settings);

//! The logarithmic grid: n frequencies from fmin to fmax (Hz), equally spaced in log f.
std::vector<double> LogFrequencyGrid(double fminHz, double fmaxHz, int n);

//! Tukey window of n samples whose cosine ends together take the share fraction of
//! the window (0: rectangular, 1: Hann); multiplies the values in place.
void ApplyTukeyTaper(std::span<double> values, double fraction);

//! What became of a window.
enum class WindowFate {
  Kept,       //!< in the statistics
  StaLta,     //!< dropped by the STA/LTA anti-trigger
  F0Outlier,  //!< dropped by the rejection of outlying peak frequencies
};

//! The word of a fate in tables: "kept", "sta-lta" or "f0-outlier".
const char* WindowFateWord(WindowFate fate);

//! One window of the computation.
struct FieldStandardWindow {
  double startSeconds = 0.0;
  double endSeconds = 0.0;
  double lengthSeconds = 0.0;   //!< samples x sampling interval
  std::vector<double> ratio;    //!< H/V at the grid frequencies, all positive and finite
  std::vector<double> horizontal;  //!< smoothed combined horizontal amplitude at the grid frequencies
  std::vector<double> vertical;    //!< smoothed vertical amplitude at the grid frequencies
  double peakFrequencyHz = 0.0; //!< f0 of the window: largest H/V within the search band
  double peakAmplitude = 0.0;
  bool rejected = false;        //!< not in the statistics (fate not Kept; still shown)
  WindowFate fate = WindowFate::Kept;
  double staLtaMin = 0.0;       //!< smallest STA/LTA ratio over the window, all components
  double staLtaMax = 0.0;       //!< largest
  //! For an f0 outlier: (ln f0 - mean ln f0) / sigma_ln of the kept windows, 0 when
  //! they all share one f0.
  double f0Deviation = 0.0;
  //! The analysis window (its position in FieldStandardResult::ranges) the window was
  //! cut from; 0 for windows cut from the whole record.
  std::size_t rangeIndex = 0;
};

//! An analysis window as the computation used it: a time range cut into windows of
//! the settings' length, and how many it gave.
struct WindowRange {
  double startSeconds = 0.0;
  double endSeconds = 0.0;
  std::size_t windows = 0;  //!< windows cut from it (0: shorter than one window)
};

struct FieldStandardResult {
  FieldStandardSettings settings;     //!< as used
  FrequencyBand search;               //!< the search band as used
  bool automaticWindows = false;      //!< cut from the whole record (no analysis window)
  std::vector<WindowRange> ranges;    //!< the analysis windows, in their order; empty when automatic
  std::vector<double> frequenciesHz;  //!< the grid
  std::vector<FieldStandardWindow> windows;
  std::size_t skippedWindows = 0;     //!< analysis windows too short or without signal
  // Lognormal statistics of the accepted windows, per grid frequency.
  std::vector<double> mean;           //!< exp(mean ln H/V)
  std::vector<double> sigmaLn;        //!< standard deviation of ln H/V
  std::vector<double> lower;          //!< exp(mean - sigma)
  std::vector<double> upper;          //!< exp(mean + sigma)
  std::vector<double> meanHorizontal; //!< lognormal mean of the kept windows' horizontal spectra
  std::vector<double> meanVertical;   //!< and of their vertical spectra
  Lognormal f0;                       //!< of the accepted windows' peak frequencies (Hz)
  Lognormal a0;                       //!< of their peak amplitudes
  double sigmaF0Hz = 0.0;             //!< standard deviation of the peak frequencies in Hz
  double curvePeakHz = 0.0;           //!< peak of the mean curve within the search band
  double curvePeakAmplitude = 0.0;
  int rejectionIterations = 0;
  SesameVerdict sesame;               //!< for the mean curve's peak

  std::size_t usedWindows() const;
  std::size_t rejectedWindows() const;
  std::size_t staLtaWindows() const;  //!< dropped by the STA/LTA anti-trigger
};

//! The field-standard H/V of the record over windows of the settings' length and
//! overlap cut from each analysis window (a time range in seconds, both ends
//! inclusive) or, with none, from the whole record, or Failed saying why there is none.
//! The STA/LTA anti-trigger and the rejection apply to every window either way. Only sample indices present in X, Y and Z are used; X
//! and Y are the horizontals, Z the vertical.
numerics::Result<FieldStandardResult> CalculateFieldStandard(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& windows,
                                                             const FieldStandardSettings& settings);

//! The H/V of one direction: the horizontal X cos(theta) + Y sin(theta) (theta from X
//! towards Y) in place of the combined horizontal, through the whole computation.
struct AzimuthCurve {
  double azimuthDegrees = 0.0;
  FieldStandardResult result;
};

struct AzimuthalHv {
  std::vector<AzimuthCurve> azimuths;  //!< 0, step, 2 step, ... below 180 degrees
  bool directional = false;            //!< the peak depends on the direction
  std::string directionality;          //!< why (or why not), for the report
};

//! The field-standard H/V for each azimuth (every stepDegrees from 0 to below 180),
//! over the same windows as CalculateFieldStandard, or Failed saying why. The
//! windows' transforms are shared by the azimuths and spread over the cores; the
//! result does not depend on their number.
numerics::Result<AzimuthalHv> CalculateAzimuthalHv(const import::ThreeComponentRecord& record,
                                                   const std::vector<WindowInterval>& windows,
                                                   const FieldStandardSettings& settings, double stepDegrees);

//! The automatic windows of the record (the settings' length and overlap) that the
//! STA/LTA anti-trigger keeps (with the settings' STA/LTA, or the defaults when off),
//! as time intervals of X; Failed when the record holds no window or none is kept.
numerics::Result<std::vector<WindowInterval>> SelectQuietWindows(const import::ThreeComponentRecord& record,
                                                                 const FieldStandardSettings& settings);

}  // namespace corvath::spectra
