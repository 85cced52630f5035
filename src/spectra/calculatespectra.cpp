#include "spectra/calculatespectra.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "numerics/numbertext.h"
#include "spectra/fft.h"

namespace corvath::spectra {

namespace {
const SpectrumPoint* pointAt(const SpectrumCurve& curve, std::size_t hint, double frequencyHz) {
  // The three averages normally share one grid, so the same index is tried first.
  if (hint < curve.points.size() && curve.points[hint].frequencyHz == frequencyHz) return &curve.points[hint];
  for (const SpectrumPoint& p : curve.points)
    if (p.frequencyHz == frequencyHz) return &p;
  return nullptr;
}
// Why a component gives no spectrum, from its samples in the index ranges the
// computation used: all 0, all equal, or too large to transform; empty when none of these.
std::string sampleCause(const import::ThreeComponentRecord& record, import::Component c,
                        const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
  const auto& samples = record.samples(c);
  const std::string name = ComponentName(c);
  bool any = false;
  bool allZero = true;
  bool constant = true;      // constant within every range
  bool oneConstant = true;   // the same value everywhere
  double first = 0.0;
  for (const auto& [begin, count] : ranges) {
    // Bin 0 aside, each range's own transform is 0 when its samples are all equal.
    if (count == 0) continue;
    const double rangeFirst = samples.value(begin);
    double largest = 0.0;
    for (std::size_t i = begin; i < begin + count; ++i) {
      const double v = samples.value(i);
      largest = std::max(largest, std::fabs(v));
      if (v != 0.0) allZero = false;
      if (v != rangeFirst) constant = false;
    }
    if (!any) first = rangeFirst;
    if (rangeFirst != first) oneConstant = false;
    any = true;
    // A transform sums up to count values: it overflows once count times the largest does.
    if (!(largest * static_cast<double>(count) < std::numeric_limits<double>::max()))
      return "the values of " + name + " are too large to transform (largest magnitude " +
             numerics::NumberToShortestText(largest) + ")";
  }
  if (!any) return {};
  if (allZero) return "all samples of " + name + " are 0: it has no spectrum";
  if (constant)
    return "the samples of " + name + " are constant (" +
           (oneConstant ? "every sample is " + numerics::NumberToShortestText(first)
                        : std::string("within every window or segment")) +
           "): its spectrum is 0 above 0 Hz";
  return {};
}

// The failure of a computation with the cause in the samples put first when there is one.
std::string explainFailure(const std::string& failure, const import::ThreeComponentRecord& record,
                           const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
  for (import::Component c : import::kComponents)
    if (std::string cause = sampleCause(record, c, ranges); !cause.empty()) return cause;
  return failure;
}

}  // namespace

RatioCurve WindowedRatio(const SpectrumCurve& x, const SpectrumCurve& y, const SpectrumCurve& z) {
  RatioCurve ratio;
  ratio.hasBounds = false;
  for (std::size_t i = 0; i < x.points.size(); ++i) {
    const double f = x.points[i].frequencyHz;
    const SpectrumPoint* py = pointAt(y, i, f);
    const SpectrumPoint* pz = pointAt(z, i, f);
    if (!py || !pz || pz->amplitude == 0.0) continue;
    const double r = (x.points[i].amplitude + py->amplitude) / pz->amplitude / 2.0;
    if (!std::isfinite(r)) continue;
    ratio.points.push_back({f, r, r, r});
  }
  return ratio;
}

numerics::Result<SpectraResult> CalculateSpectra(const import::ThreeComponentRecord& record,
                                                 const std::vector<WindowInterval>& windows, bool logAveraging,
                                                 double minFrq, double maxFrq, numerics::Progress* progress,
                                                 std::size_t workers) {
  using numerics::Outcome;

  // The sample ranges the transforms see, to name the cause of a failure: the
  // segments (none when the record cannot be segmented) or the windows long enough
  // for a spectrum.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  const std::size_t count = import::CommonSampleCount(record);
  if (windows.empty()) {
    if (const auto plan = PlanSegmentation(count, record.samplingInterval(import::Component::X)); plan.done())
      for (std::size_t s = 0; s < plan->count; ++s) ranges.push_back({s * plan->step, plan->length});
  } else {
    for (const WindowInterval& w : windows) {
      const auto [first, last] = WindowSampleRange(record, count, w);
      if (last >= first + kMinimumWindowSamples) ranges.push_back({first, last - first});
    }
  }

  // A component constant in every range the transforms see has no spectrum above
  // 0 Hz: what a transform gives there is rounding noise, or exact zeros that a
  // logarithmic mean cannot take. Refused before anything is computed.
  for (import::Component c : import::kComponents) {
    const std::string cause = sampleCause(record, c, ranges);
    if (!cause.empty() && cause.rfind("the values", 0) != 0)  // too large: only if the transform fails
      return Outcome::Failed(cause);
  }

  SpectraResult result;
  result.computedWith = SpectraSettingsUsed{minFrq, maxFrq, logAveraging, windows};
  try {
    if (windows.empty()) {
      numerics::Result<AutomaticSpectra> automatic =
          ComputeAutomaticSpectra(record, logAveraging, minFrq, maxFrq, progress, workers);
      if (!automatic.done()) return Outcome::Failed(explainFailure(automatic.message(), record, ranges));
      result.automatic = true;
      result.plan = automatic->plan;
      result.averaged = std::move(automatic->averaged);
      result.ratio = std::move(automatic->ratio);
    } else {
      std::vector<numerics::Result<ComponentSpectra>> spectra =
          ComputeWindowSpectra(record, {import::kComponents.begin(), import::kComponents.end()}, windows,
                               logAveraging, minFrq, maxFrq, progress, workers);
      for (std::size_t c = 0; c < spectra.size(); ++c) {
        if (!spectra[c].done()) return Outcome::Failed(explainFailure(spectra[c].message(), record, ranges));
        for (WindowSpectrum& w : spectra[c]->windows) result.windowSpectra.push_back(std::move(w));
        result.averaged[c] = std::move(spectra[c]->averaged);
      }
      result.ratio = WindowedRatio(result.averaged[0], result.averaged[1], result.averaged[2]);
      if (result.ratio.points.empty())
        return Outcome::Failed(
            explainFailure("no H/Z ratio could be formed (the vertical spectrum is zero)", record, ranges));
    }
  } catch (const TransformError& e) {
    return Outcome::Failed(e.what());
  }

  if (progress) progress->finish();
  MarkPeak(result.ratio);
  result.horizontalSpan = FrequencySpan(result.averaged[0]);
  result.verticalSpan = FrequencySpan(result.averaged[2]);
  result.ratioSpan = FrequencySpan(result.ratio);
  return result;
}

}  // namespace corvath::spectra
