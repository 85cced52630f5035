#pragma once
// The STA/LTA anti-trigger: a window is kept only where the short-term average of
// the absolute, mean-free signal stays within bounds of its long-term average on
// every component, so footsteps, traffic and machinery bursts are left out.
#include <cstddef>
#include <vector>

#include "numerics/outcome.h"

namespace corvath::spectra {

struct StaLtaSettings {
  double staSeconds = 1.0;   //!< short-term average length (s)
  double ltaSeconds = 30.0;  //!< long-term average length (s)
  double minRatio = 0.2;     //!< a window is kept when min <= STA/LTA ...
  double maxRatio = 2.5;     //!< ... <= max at each of its samples, on each component
  bool operator==(const StaLtaSettings&) const = default;
};

//! Done when the settings can be used with samples dtSeconds apart, else Failed saying why.
numerics::Outcome CheckStaLtaSettings(const StaLtaSettings& settings, double dtSeconds);

//! A sample range [first, first + count).
struct SampleSpan {
  std::size_t first = 0;
  std::size_t count = 0;
};

//! Smallest and largest STA/LTA ratio over a window's samples, on all components.
struct StaLtaRange {
  double min = 0.0;
  double max = 0.0;
};

//! The values of one component: size values, stride doubles apart in memory.
struct ComponentValues {
  const double* first = nullptr;
  std::size_t stride = 1;
  std::size_t size = 0;
  double operator[](std::size_t i) const { return first[i * stride]; }
};

//! STA/LTA ratio R of every sample of one component of n samples: a = |x - mean of x
//! over all n samples|; STA(t) the mean of a over the staSamples samples ending at t,
//! LTA(t) over the ltaSamples ending at t, each over the samples available when t
//! lies near the start; R = STA/LTA, and 1 where LTA is 0 (a silent stretch).
//! Linear in n: running sums, recomputed from scratch every window length so that
//! rounding cannot build up over a long record.
std::vector<double> StaLtaRatio(ComponentValues values, std::size_t staSamples, std::size_t ltaSamples);

//! Widens ranges[w] by the ratios of one component (StaLtaRatio's rule) over the
//! samples of windows[w] (each inside the component's samples, in any order),
//! without holding the ratios of the whole record at once. ranges holds one entry
//! per window, each starting as StaLtaRangeStart().
void FoldStaLtaRanges(ComponentValues values, std::size_t staSamples, std::size_t ltaSamples,
                      const std::vector<SampleSpan>& windows, std::vector<StaLtaRange>& ranges);

//! The range every fold starts from: any ratio narrows its min and widens its max.
StaLtaRange StaLtaRangeStart();

//! Sample counts of the averages for samples dtSeconds apart (at least one each).
std::size_t StaLtaSamples(double seconds, double dtSeconds);

//! True when the range lies within the settings' bounds.
bool StaLtaKeeps(const StaLtaSettings& settings, const StaLtaRange& range);

}  // namespace corvath::spectra
