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
#include "numerics/parallel.h"
#include "spectra/fieldstandardsettings.h"
#include "spectra/sesame.h"
#include "spectra/stalta.h"
#include "spectra/windowrejection.h"
#include "spectra/windowspectra.h"

namespace corvath::spectra {

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
//! The STA/LTA anti-trigger and the rejection apply to every window either way. Only
//! sample indices present in X, Y and Z are used; X and Y are the horizontals, Z the
//! vertical. `progress` counts the windows transformed and may cancel (numerics::Cancelled).
numerics::Result<FieldStandardResult> CalculateFieldStandard(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& windows,
                                                             const FieldStandardSettings& settings,
                                                             numerics::Progress* progress = nullptr);

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
//! result does not depend on their number. `progress` counts the windows and may
//! cancel (numerics::Cancelled).
numerics::Result<AzimuthalHv> CalculateAzimuthalHv(const import::ThreeComponentRecord& record,
                                                   const std::vector<WindowInterval>& windows,
                                                   const FieldStandardSettings& settings, double stepDegrees,
                                                   numerics::Progress* progress = nullptr);

//! The field-standard H/V and, when the settings ask for it, the azimuthal H/V of the
//! same windows: the windows are cut and their STA/LTA ratios measured once for both.
struct FieldStandardRun {
  FieldStandardResult result;
  std::optional<AzimuthalHv> azimuthal;  //!< with settings.azimuthStepDegrees
};

//! CalculateFieldStandard and, with an azimuth step, CalculateAzimuthalHv over one
//! preparation; Failed as either would. Each progress counts its pass's windows and
//! may cancel (numerics::Cancelled).
numerics::Result<FieldStandardRun> CalculateFieldStandardRun(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& windows,
                                                             const FieldStandardSettings& settings,
                                                             numerics::Progress* combinedProgress = nullptr,
                                                             numerics::Progress* azimuthProgress = nullptr);

//! The automatic windows of the record (the settings' length and overlap) that the
//! STA/LTA anti-trigger keeps (with the settings' STA/LTA, or the defaults when off),
//! as time intervals of X; Failed when the record holds no window or none is kept.
numerics::Result<std::vector<WindowInterval>> SelectQuietWindows(const import::ThreeComponentRecord& record,
                                                                 const FieldStandardSettings& settings);

}  // namespace corvath::spectra
