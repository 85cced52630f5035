#pragma once
// Automatic segmentation: without analysis windows the whole record is cut into up
// to 51 overlapping segments; their spectra are averaged per bin, and the H/Z ratio
// is a robust mean of the per-segment ratios with an error estimate.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "numerics/outcome.h"
#include "import/record.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"
#include "spectra/curves.h"

namespace corvath::spectra {

using numerics::RoundHalfEven;

//! How the record is cut: segment length L (samples), step between segment starts
//! (samples) and segment count K.
struct SegmentationPlan {
  std::size_t length = 0;
  std::size_t step = 0;
  std::size_t count = 0;
};

//! Segment length, step and count for a record of sampleCount samples taken every
//! dtSeconds s, or Failed with the reason when it cannot be segmented.
numerics::Result<SegmentationPlan> PlanSegmentation(std::size_t sampleCount, double dtSeconds);

//! Mean of the values after repeatedly removing the one farthest from the mean
//! (lowest index among equals) until floor((n-1)/2) remain or all remaining are
//! equal; 0 for an empty list.
double RobustMean(const std::vector<double>& values);

//! Averaged spectra and H/Z ratio of the automatic segmentation.
struct AutomaticSpectra {
  std::array<SpectrumCurve, 3> averaged;  //!< X, Y, Z on the grid (amplitudes as transform moduli)
  RatioCurve ratio;                       //!< with lower/upper bounds, hasBounds set
  SegmentationPlan plan;
};

//! Segments the record (indices common to X, Y and Z), averages the segment spectra
//! per bin and onto the grid between max(minFrq, 1/(L dt)) and min(maxFrq, J/(L dt), 100) Hz
//! with the inverse-distance kernel, and forms the robust ratio and its error; or
//! Failed saying why (no plan, an empty frequency range, a curve with no grid point).
//! The transforms run on up to `workers` threads (0: as many as help) with results
//! identical to one thread's; `progress` counts transforms and may cancel
//! (numerics::Cancelled).
numerics::Result<AutomaticSpectra> ComputeAutomaticSpectra(const import::ThreeComponentRecord& record,
                                                           bool logAveraging, double minFrqHz, double maxFrqHz,
                                                           numerics::Progress* progress = nullptr,
                                                           std::size_t workers = 0);

}  // namespace corvath::spectra
