#include "spectra/calculatespectra.h"

#include <cmath>

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

SpectraOutcome CalculateSpectra(const import::ThreeComponentRecord& record,
                                const std::vector<WindowInterval>& windows, bool logAveraging,
                                double minFrq, double maxFrq) {
  SpectraOutcome outcome;

  SpectraResult result;
  try {
    if (windows.empty()) {
      AutomaticSpectra automatic = ComputeAutomaticSpectra(record, logAveraging, minFrq, maxFrq);
      if (!automatic.failure.empty()) {
        outcome.failure = automatic.failure;
        return outcome;
      }
      result.automatic = true;
      result.plan = automatic.plan;
      result.averaged = std::move(automatic.averaged);
      result.ratio = std::move(automatic.ratio);
    } else {
      for (import::Component c : import::kComponents) {
        ComponentSpectra spectra = ComputeWindowSpectra(record, c, windows, logAveraging, minFrq, maxFrq);
        if (!spectra.failure.empty()) {
          outcome.failure = spectra.failure;
          return outcome;
        }
        for (WindowSpectrum& w : spectra.windows) result.windowSpectra.push_back(std::move(w));
        result.averaged[static_cast<int>(c)] = std::move(spectra.averaged);
      }
      result.ratio = WindowedRatio(result.averaged[0], result.averaged[1], result.averaged[2]);
      if (result.ratio.points.empty()) {
        outcome.failure = "no H/Z ratio could be formed (the vertical spectrum is zero)";
        return outcome;
      }
    }
  } catch (const TransformError& e) {
    outcome.failure = e.what();
    return outcome;
  }

  MarkPeak(result.ratio);
  result.horizontalSpan = FrequencySpan(result.averaged[0]);
  result.verticalSpan = FrequencySpan(result.averaged[2]);
  result.ratioSpan = FrequencySpan(result.ratio);
  outcome.result = std::move(result);
  return outcome;
}

}  // namespace corvath::spectra
