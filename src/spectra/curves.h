#pragma once
// The curves that the spectral analysis produces: amplitude spectra of windows and
// averages, and the observed H/Z ratio with its bounds and peak.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "import/record.h"

namespace corvath::spectra {

//! One-letter name of a component: "X", "Y" or "Z".
const char* ComponentName(import::Component component);

struct SpectrumPoint {
  double frequencyHz = 0.0;
  double amplitude = 0.0;  //!< modulus of the unnormalised transform (record units times samples)
};

//! An amplitude spectrum: a window's ("X_wnd1" ...) or an average ("X", "Y", "Z").
struct SpectrumCurve {
  std::string title;
  import::Component component = import::Component::X;
  std::vector<SpectrumPoint> points;
};

struct RatioPoint {
  double frequencyHz = 0.0;
  double ratio = 0.0;
  double lower = 0.0;  //!< lower bound; equals ratio when the curve has no bounds
  double upper = 0.0;  //!< upper bound; equals ratio when the curve has no bounds
};

//! The observed curve "H/Z" on the common frequency grid.
struct RatioCurve {
  std::string title = "H/Z";
  std::vector<RatioPoint> points;
  bool hasBounds = false;            //!< set by the automatic segmentation
  std::optional<std::size_t> peak;   //!< first point with the largest ratio
  std::string peakLabel;             //!< e.g. "2.5Hz"
};

//! A closed frequency interval (Hz) for a chart's bottom axis.
struct AxisSpan {
  double lowHz = 0.0;
  double highHz = 0.0;
};

//! Lowest and highest frequency of a spectrum (0, 0 when it has no point).
AxisSpan FrequencySpan(const SpectrumCurve& curve);
//! Lowest and highest frequency of a ratio curve (0, 0 when it has no point).
AxisSpan FrequencySpan(const RatioCurve& curve);

//! Finds the peak (first of equal maxima) and labels it with its frequency plus "Hz".
void MarkPeak(RatioCurve& curve);

//! True when the curve's largest value lies inside the band: neither at its first
//! nor at its last point (so never with fewer than three points). A maximum at an
//! end of the band is no peak; only a peak inside it is marked and labelled.
bool PeakInsideBand(const RatioCurve& curve);

}  // namespace corvath::spectra
