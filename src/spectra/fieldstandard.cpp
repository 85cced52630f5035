#include "spectra/fieldstandard.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <sstream>

#include "numerics/numbertext.h"
#include "numerics/parallel.h"
#include "spectra/fft.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/konnoohmachi.h"

namespace corvath::spectra {

namespace {

std::string text(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

bool finite(double v) { return std::isfinite(v); }

// Index of the largest value within [lo, hi] (first of equal maxima); values outside
// are skipped. The band always holds a grid point (checked with the settings).
std::size_t peakIndex(const std::vector<double>& f, const std::vector<double>& values, const FrequencyBand& band) {
  std::size_t best = f.size();
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] < band.lowHz || f[i] > band.highHz) continue;
    if (best == f.size() || values[i] > values[best]) best = i;
  }
  return best == f.size() ? 0 : best;
}

FrequencyBand searchBandOf(const FieldStandardSettings& s) {
  return s.search ? *s.search : FrequencyBand{s.gridMinHz, s.gridMaxHz};
}

}  // namespace

double CombineHorizontal(HorizontalCombination combination, double n, double e) {
  switch (combination) {
    case HorizontalCombination::Geometric: return std::sqrt(n * e);
    case HorizontalCombination::Quadratic: return std::sqrt((n * n + e * e) / 2.0);
    case HorizontalCombination::Arithmetic: return (n + e) / 2.0;
  }
  return 0.0;
}

std::vector<double> LogFrequencyGrid(double fminHz, double fmaxHz, int n) {
  std::vector<double> grid(static_cast<std::size_t>(std::max(n, 0)));
  if (n == 1) grid[0] = fminHz;
  if (n < 2) return grid;
  const double lo = std::log(fminHz), span = std::log(fmaxHz) - lo;
  for (int k = 0; k < n; ++k) grid[static_cast<std::size_t>(k)] = std::exp(lo + span * k / (n - 1));
  grid.front() = fminHz;
  grid.back() = fmaxHz;
  return grid;
}

void ApplyTukeyTaper(std::span<double> values, double fraction) {
  const std::size_t n = values.size();
  if (n < 2 || !(fraction > 0.0)) return;
  fraction = std::min(fraction, 1.0);
  // Each end spans fraction (n - 1) / 2 sample intervals.
  const double edge = fraction * static_cast<double>(n - 1) / 2.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double fromEnd = static_cast<double>(std::min(i, n - 1 - i));
    if (fromEnd >= edge) continue;
    values[i] *= 0.5 * (1.0 - std::cos(std::numbers::pi * fromEnd / edge));
  }
}

const char* WindowFateWord(WindowFate fate) {
  switch (fate) {
    case WindowFate::Kept: return "kept";
    case WindowFate::StaLta: return "sta-lta";
    case WindowFate::F0Outlier: return "f0-outlier";
  }
  return "";
}

std::size_t FieldStandardResult::usedWindows() const { return windows.size() - rejectedWindows(); }

std::size_t FieldStandardResult::rejectedWindows() const {
  return static_cast<std::size_t>(
      std::count_if(windows.begin(), windows.end(), [](const FieldStandardWindow& w) { return w.rejected; }));
}

namespace {

using import::Component;

// The values of the first n samples of component c, as the STA/LTA walks them.
ComponentValues valuesOf(const import::ThreeComponentRecord& record, Component c, std::size_t n) {
  const std::span<const double> values = record.samples(c).values();
  return {values.data(), 1, std::min(n, values.size())};
}

// What every variant of the computation shares before the windows' curves: the
// settings checked, the grid, the windows' sample ranges and STA/LTA ratios, and the
// smoothing tables of their lengths.
struct Preparation {
  FieldStandardResult result;  // settings, search band, grid, automaticWindows, skippedWindows
  std::vector<SampleSpan> ranges;
  std::vector<std::size_t> rangeOf;  // per range: the analysis window it was cut from
  std::vector<StaLtaRange> staLta;  // per range
  std::map<std::size_t, KonnoOhmachiTable> tables;  // by window length in samples
  double dt = 0.0;
};

numerics::Result<Preparation> prepare(const import::ThreeComponentRecord& record,
                                      const std::vector<WindowInterval>& intervals,
                                      const FieldStandardSettings& settings) {
  auto fail = [](std::string reason) -> numerics::Result<Preparation> {
    return numerics::Outcome::Failed(std::move(reason));
  };
  if (numerics::Outcome check = CheckFieldStandardSettings(settings); !check.done()) return check;

  const std::size_t n = import::CommonSampleCount(record);
  if (n < 2) return fail("the record holds fewer than two samples in each of X, Y and Z");
  const double dt = record.samplingInterval(Component::X);
  if (!(dt > 0.0) || !finite(dt)) return fail("the sampling interval of X is 0");
  const double nyquist = 0.5 / dt;
  if (settings.gridMaxHz > nyquist)
    return fail("the grid's highest frequency " + text(settings.gridMaxHz) + " Hz lies above the Nyquist frequency " +
                text(nyquist) + " Hz of the record");
  // The STA/LTA settings were checked with the others; only their span in samples is left.
  const StaLtaSettings staLta = settings.staLta.value_or(StaLtaSettings{});
  if (staLta.ltaSeconds / dt > 1e9)
    return fail("the LTA of " + text(staLta.ltaSeconds) + " s spans more than 1e9 samples");

  Preparation p;
  p.dt = dt;
  FieldStandardResult& result = p.result;
  result.settings = settings;
  result.search = searchBandOf(settings);
  result.automaticWindows = intervals.empty();
  result.frequenciesHz = LogFrequencyGrid(settings.gridMinHz, settings.gridMaxHz, settings.gridPoints);

  // Windows of the settings' length and overlap, cut from the whole record or from
  // each analysis window, which is a time range here rather than a window itself.
  const double lengthSamples = numerics::RoundHalfEven(settings.windowLengthSeconds / dt);
  if (intervals.empty() && (!finite(lengthSamples) || lengthSamples > static_cast<double>(n)))
    return fail("the record (" + text(static_cast<double>(n - 1) * dt) + " s) is shorter than one window (" +
                text(settings.windowLengthSeconds) + " s)");
  if (finite(lengthSamples) && lengthSamples < static_cast<double>(kMinimumWindowSamples))
    return fail("a window of " + text(settings.windowLengthSeconds) + " s holds fewer than " +
                std::to_string(kMinimumWindowSamples) + " samples");
  const std::size_t length = finite(lengthSamples) && lengthSamples <= static_cast<double>(n)
                                 ? static_cast<std::size_t>(lengthSamples)
                                 : n + 1;  // longer than any range: no window
  const auto step = static_cast<std::size_t>(
      std::max(1.0, numerics::RoundHalfEven(static_cast<double>(length) * (1.0 - settings.overlapPercent / 100.0))));
  auto cut = [&](std::size_t first, std::size_t last, std::size_t rangeIndex) {
    std::size_t count = 0;
    for (std::size_t at = first; at + length <= last; at += step, ++count) {
      p.ranges.push_back({at, length});
      p.rangeOf.push_back(rangeIndex);
    }
    return count;
  };
  if (intervals.empty()) {
    cut(0, n, 0);
  } else {
    double longest = 0.0;
    for (const WindowInterval& interval : intervals) {
      const auto [first, last] = WindowSampleRange(record, n, interval);
      const std::size_t windows = last > first ? cut(first, last, result.ranges.size()) : 0;
      result.ranges.push_back({interval.startSeconds, interval.endSeconds, windows});
      if (last > first) longest = std::max(longest, static_cast<double>(last - first) * dt);
    }
    if (p.ranges.empty())
      return fail("none of the " + std::to_string(intervals.size()) + " analysis windows is as long as one window (" +
                  text(settings.windowLengthSeconds) + " s); the longest holds " + text(longest) +
                  " s: shorten the window length or draw longer analysis windows");
  }

  // The STA/LTA ratios of every window over the three components.
  p.staLta.assign(p.ranges.size(), StaLtaRangeStart());
  const std::size_t staSamples = StaLtaSamples(staLta.staSeconds, dt);
  const std::size_t ltaSamples = StaLtaSamples(staLta.ltaSeconds, dt);
  for (Component c : import::kComponents)
    FoldStaLtaRanges(valuesOf(record, c, n), staSamples, ltaSamples, p.ranges, p.staLta);

  for (const SampleSpan& range : p.ranges)
    if (!p.tables.count(range.count))
      p.tables.emplace(range.count, BuildKonnoOhmachiTable(1.0 / (static_cast<double>(range.count) * dt),
                                                           range.count / 2 + 1, result.frequenciesHz,
                                                           settings.bandwidth));
  return p;
}

// The window's samples of component c, less their mean, tapered.
void windowValues(const import::ThreeComponentRecord& record, Component c, const SampleSpan& range, double taper,
                  std::vector<double>& values) {
  const auto& samples = record.samples(c);
  values.resize(range.count);
  double mean = 0.0;
  for (std::size_t i = 0; i < range.count; ++i) mean += (values[i] = samples.value(range.first + i));
  mean /= static_cast<double>(range.count);
  for (double& v : values) v -= mean;
  ApplyTukeyTaper(values, taper);
}

// The window's curve from its smoothed horizontal and vertical; false when a grid
// frequency gives no finite positive ratio (a silent component or no bin near it).
bool windowCurve(const Preparation& p, const import::ThreeComponentRecord& record, std::size_t r,
                 const std::vector<double>& smoothH, const std::vector<double>& smoothV, FieldStandardWindow& window) {
  const SampleSpan& range = p.ranges[r];
  const std::vector<double>& grid = p.result.frequenciesHz;
  window.startSeconds = record.sample(Component::X, range.first).time;
  window.endSeconds = record.sample(Component::X, range.first + range.count - 1).time;
  window.lengthSeconds = static_cast<double>(range.count) * p.dt;
  window.rangeIndex = p.rangeOf[r];
  window.staLtaMin = p.staLta[r].min;
  window.staLtaMax = p.staLta[r].max;
  window.ratio.resize(grid.size());
  window.horizontal.assign(smoothH.begin(), smoothH.begin() + static_cast<std::ptrdiff_t>(grid.size()));
  window.vertical.assign(smoothV.begin(), smoothV.begin() + static_cast<std::ptrdiff_t>(grid.size()));
  for (std::size_t g = 0; g < grid.size(); ++g) {
    const double ratio = smoothH[g] / smoothV[g];
    if (!(smoothV[g] > 0.0 && ratio > 0.0 && finite(ratio))) return false;
    window.ratio[g] = ratio;
  }
  const std::size_t peak = peakIndex(grid, window.ratio, p.result.search);
  window.peakFrequencyHz = grid[peak];
  window.peakAmplitude = window.ratio[peak];
  return true;
}

// The windows' fates, the rejection and the statistics of the kept windows.
numerics::Outcome finish(FieldStandardResult& result) {
  const FieldStandardSettings& settings = result.settings;
  const std::vector<double>& grid = result.frequenciesHz;
  const std::size_t count = result.windows.size();
  std::vector<double> f0s, a0s;
  for (const auto& w : result.windows) f0s.push_back(w.peakFrequencyHz), a0s.push_back(w.peakAmplitude);

  // The anti-trigger selects among all windows, those cut from analysis windows too.
  std::vector<std::size_t> candidates;
  for (std::size_t w = 0; w < count; ++w) {
    FieldStandardWindow& window = result.windows[w];
    if (settings.staLta &&
        !StaLtaKeeps(*settings.staLta, {window.staLtaMin, window.staLtaMax}))
      window.fate = WindowFate::StaLta;
    else
      candidates.push_back(w);
  }
  if (candidates.empty())
    return numerics::Outcome::Failed(
        "the STA/LTA anti-trigger rejected every window: in each, the ratio left " + text(settings.staLta->minRatio) +
        " to " + text(settings.staLta->maxRatio) + " on some component (widen the bounds or switch the selection off)");

  std::vector<bool> accepted(count, false);
  for (std::size_t w : candidates) accepted[w] = true;
  if (settings.reject) {
    std::vector<double> candidateF0s;
    for (std::size_t w : candidates) candidateF0s.push_back(f0s[w]);
    const RejectionOutcome rejection =
        RejectOutlyingPeaks(candidateF0s, settings.rejectionStdDevs, settings.rejectionIterations);
    result.rejectionIterations = rejection.iterations;
    for (std::size_t k = 0; k < candidates.size(); ++k)
      if (!rejection.accepted[k]) {
        accepted[candidates[k]] = false;
        result.windows[candidates[k]].fate = WindowFate::F0Outlier;
      }
  }
  for (auto& window : result.windows) window.rejected = window.fate != WindowFate::Kept;

  // Lognormal statistics of the accepted curves.
  const std::size_t used = static_cast<std::size_t>(std::count(accepted.begin(), accepted.end(), true));
  const std::size_t points = grid.size();
  result.mean.assign(points, 0.0);
  result.sigmaLn.assign(points, 0.0);
  for (std::size_t g = 0; g < points; ++g) {
    double sum = 0.0, squares = 0.0;
    for (std::size_t w = 0; w < count; ++w)
      if (accepted[w]) sum += std::log(result.windows[w].ratio[g]);
    const double meanLn = sum / static_cast<double>(used);
    for (std::size_t w = 0; w < count; ++w)
      if (accepted[w]) {
        const double d = std::log(result.windows[w].ratio[g]) - meanLn;
        squares += d * d;
      }
    result.mean[g] = std::exp(meanLn);
    result.sigmaLn[g] = used > 1 ? std::sqrt(squares / static_cast<double>(used - 1)) : 0.0;
  }
  result.lower.resize(points);
  result.upper.resize(points);
  for (std::size_t g = 0; g < points; ++g) {
    result.lower[g] = result.mean[g] * std::exp(-result.sigmaLn[g]);
    result.upper[g] = result.mean[g] * std::exp(result.sigmaLn[g]);
  }
  // The mean spectra as the mean curve: lognormal, over the kept windows.
  result.meanHorizontal.assign(points, 0.0);
  result.meanVertical.assign(points, 0.0);
  for (std::size_t g = 0; g < points; ++g) {
    double h = 0.0, v = 0.0;
    for (std::size_t w = 0; w < count; ++w)
      if (accepted[w]) h += std::log(result.windows[w].horizontal[g]), v += std::log(result.windows[w].vertical[g]);
    result.meanHorizontal[g] = std::exp(h / static_cast<double>(used));
    result.meanVertical[g] = std::exp(v / static_cast<double>(used));
  }
  result.f0 = LognormalOf(f0s, accepted);
  result.a0 = LognormalOf(a0s, accepted);
  result.sigmaF0Hz = StandardDeviationOf(f0s, accepted);
  for (auto& window : result.windows)
    if (window.fate == WindowFate::F0Outlier && result.f0.sigmaLn > 0.0) {
      const double deviation = (std::log(window.peakFrequencyHz) - result.f0.meanLn) / result.f0.sigmaLn;
      window.f0Deviation = finite(deviation) ? deviation : 0.0;
    }
  const std::size_t peak = peakIndex(grid, result.mean, result.search);
  result.curvePeakHz = grid[peak];
  result.curvePeakAmplitude = result.mean[peak];

  double lengthSum = 0.0;
  for (std::size_t w = 0; w < count; ++w)
    if (accepted[w]) lengthSum += result.windows[w].lengthSeconds;
  SesameInput input;
  input.frequenciesHz = grid;
  input.mean = result.mean;
  input.sigmaLn = result.sigmaLn;
  input.f0Hz = result.curvePeakHz;
  input.a0 = result.curvePeakAmplitude;
  input.sigmaF0Hz = result.sigmaF0Hz;
  input.windowLengthSeconds = lengthSum / static_cast<double>(used);
  input.windowCount = used;
  input.searchMinHz = result.search.lowHz;
  input.searchMaxHz = result.search.highHz;
  result.sesame = EvaluateSesame(input);
  return numerics::Outcome::Done();
}

numerics::Outcome noCurve(const Preparation& p) {
  return numerics::Outcome::Failed(
      p.ranges.empty() ? "no window holds enough samples (at least " + std::to_string(kMinimumWindowSamples) + ")"
                       : "no window gives an H/V curve (a component without signal on the grid)");
}

}  // namespace

std::size_t FieldStandardResult::staLtaWindows() const {
  return static_cast<std::size_t>(std::count_if(windows.begin(), windows.end(), [](const FieldStandardWindow& w) {
    return w.fate == WindowFate::StaLta;
  }));
}

namespace {

// The curves of the combined horizontal over the prepared windows; progress counts
// the windows and may cancel.
numerics::Result<FieldStandardResult> combinedCurves(const import::ThreeComponentRecord& record,
                                                     const Preparation& p, numerics::Progress* progress) {
  const FieldStandardSettings& s = p.result.settings;
  FieldStandardResult result = p.result;
  if (progress) progress->setTotal(static_cast<double>(std::max<std::size_t>(p.ranges.size(), 1)));

  // Each window on its own slot, so the result does not depend on the workers.
  std::vector<std::optional<FieldStandardWindow>> slots(p.ranges.size());
  numerics::ParallelFor(p.ranges.size(), numerics::WorkerCount(), [&](std::size_t r) {
    const SampleSpan& range = p.ranges[r];
    const std::size_t bins = range.count / 2 + 1;
    std::vector<double> values, moduli[3], horizontal, smoothH, smoothV;
    for (int c = 0; c < 3; ++c) {
      windowValues(record, import::kComponents[c], range, s.taperFraction, values);
      TransformModuli(values, moduli[c]);
    }
    horizontal.resize(bins);
    for (std::size_t k = 0; k < bins; ++k) horizontal[k] = CombineHorizontal(s.combination, moduli[0][k], moduli[1][k]);
    const KonnoOhmachiTable& table = p.tables.at(range.count);
    ApplyKonnoOhmachi(table, horizontal, smoothH);
    ApplyKonnoOhmachi(table, moduli[2], smoothV);
    FieldStandardWindow window;
    if (windowCurve(p, record, r, smoothH, smoothV, window)) slots[r] = std::move(window);
    numerics::Advance(progress, 1.0);
  });
  if (progress) progress->finish();
  for (auto& slot : slots)
    if (slot)
      result.windows.push_back(std::move(*slot));
    else
      ++result.skippedWindows;
  if (result.windows.empty()) return noCurve(p);
  if (numerics::Outcome finished = finish(result); !finished.done()) return finished;
  return result;
}

// The curves of each azimuth every stepDegrees over the prepared windows; progress
// counts the windows and may cancel.
numerics::Result<AzimuthalHv> azimuthCurves(const import::ThreeComponentRecord& record, const Preparation& p,
                                            double stepDegrees, numerics::Progress* progress) {
  const FieldStandardSettings& s = p.result.settings;
  if (progress) progress->setTotal(static_cast<double>(std::max<std::size_t>(p.ranges.size(), 1)));

  std::vector<double> azimuths;
  for (std::size_t k = 0;; ++k) {
    const double azimuth = static_cast<double>(k) * stepDegrees;
    if (!(azimuth < 180.0)) break;
    azimuths.push_back(azimuth);
  }
  const std::size_t count = azimuths.size();
  std::vector<double> cosines(count), sines(count);
  for (std::size_t a = 0; a < count; ++a) {
    const double theta = azimuths[a] * std::numbers::pi / 180.0;
    cosines[a] = std::cos(theta);
    sines[a] = std::sin(theta);
  }

  // Window by window: X and Y transformed once, each azimuth's horizontal combined
  // from them (the transform is linear), Z smoothed once.
  std::vector<std::vector<std::optional<FieldStandardWindow>>> slots(p.ranges.size());
  numerics::ParallelFor(p.ranges.size(), numerics::WorkerCount(), [&](std::size_t r) {
    const SampleSpan& range = p.ranges[r];
    const std::size_t bins = range.count / 2 + 1;
    std::vector<double> values, moduliZ, horizontal(bins), smoothH, smoothV;
    std::vector<std::complex<double>> x, y;
    windowValues(record, Component::X, range, s.taperFraction, values);
    RealTransform(values, x);
    windowValues(record, Component::Y, range, s.taperFraction, values);
    RealTransform(values, y);
    windowValues(record, Component::Z, range, s.taperFraction, values);
    TransformModuli(values, moduliZ);
    const KonnoOhmachiTable& table = p.tables.at(range.count);
    ApplyKonnoOhmachi(table, moduliZ, smoothV);
    slots[r].resize(count);
    for (std::size_t a = 0; a < count; ++a) {
      for (std::size_t k = 0; k < bins; ++k) horizontal[k] = std::abs(cosines[a] * x[k] + sines[a] * y[k]);
      ApplyKonnoOhmachi(table, horizontal, smoothH);
      FieldStandardWindow window;
      if (windowCurve(p, record, r, smoothH, smoothV, window)) slots[r][a] = std::move(window);
    }
    numerics::Advance(progress, 1.0);
  });
  if (progress) progress->finish();

  AzimuthalHv hv;
  for (std::size_t a = 0; a < count; ++a) {
    AzimuthCurve curve{azimuths[a], p.result};
    for (auto& windows : slots)
      if (windows[a])
        curve.result.windows.push_back(std::move(*windows[a]));
      else
        ++curve.result.skippedWindows;
    const std::string where = "azimuth " + text(azimuths[a]) + " degrees: ";
    if (curve.result.windows.empty()) return numerics::Outcome::Failed(where + noCurve(p).message);
    if (numerics::Outcome finished = finish(curve.result); !finished.done())
      return numerics::Outcome::Failed(where + finished.message);
    hv.azimuths.push_back(std::move(curve));
  }

  // Directional when f0 moves with the azimuth by more than the windows' own scatter,
  // or the peak's height changes by a factor of two or more.
  double f0Low = 0.0, f0High = 0.0, aLow = 0.0, aHigh = 0.0, scatter = 0.0;
  for (const AzimuthCurve& curve : hv.azimuths) {
    const double f0 = curve.result.f0.median(), a0 = curve.result.curvePeakAmplitude;
    if (f0Low == 0.0 || f0 < f0Low) f0Low = f0;
    f0High = std::max(f0High, f0);
    if (aLow == 0.0 || a0 < aLow) aLow = a0;
    aHigh = std::max(aHigh, a0);
    scatter += curve.result.f0.sigmaLn / static_cast<double>(count);
  }
  const bool f0Moves = f0Low > 0.0 && std::log(f0High / f0Low) > scatter && f0High / f0Low > 1.0 + 1e-9;
  const bool heightMoves = aLow > 0.0 && aHigh / aLow >= 2.0;
  hv.directional = f0Moves || heightMoves;
  hv.directionality = "f0 " + ReportNumber(f0Low) + " to " + ReportNumber(f0High) + " Hz over the azimuths, " +
                      (f0Moves ? "beyond" : "within") + " the windows' scatter; peak H/V " + ReportNumber(aLow) +
                      " to " + ReportNumber(aHigh) + (heightMoves ? ", a factor of 2 or more" : "");
  return hv;
}

}  // namespace

numerics::Result<FieldStandardResult> CalculateFieldStandard(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& intervals,
                                                             const FieldStandardSettings& settings,
                                                             numerics::Progress* progress) {
  const numerics::Result<Preparation> prepared = prepare(record, intervals, settings);
  if (!prepared.done()) return prepared.outcome;
  return combinedCurves(record, *prepared, progress);
}

numerics::Result<AzimuthalHv> CalculateAzimuthalHv(const import::ThreeComponentRecord& record,
                                                   const std::vector<WindowInterval>& intervals,
                                                   const FieldStandardSettings& settings, double stepDegrees,
                                                   numerics::Progress* progress) {
  FieldStandardSettings base = settings;
  base.azimuthStepDegrees = stepDegrees;
  const numerics::Result<Preparation> prepared = prepare(record, intervals, base);
  if (!prepared.done()) return prepared.outcome;
  return azimuthCurves(record, *prepared, stepDegrees, progress);
}

numerics::Result<FieldStandardRun> CalculateFieldStandardRun(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& intervals,
                                                             const FieldStandardSettings& settings,
                                                             numerics::Progress* combinedProgress,
                                                             numerics::Progress* azimuthProgress) {
  const numerics::Result<Preparation> prepared = prepare(record, intervals, settings);
  if (!prepared.done()) return prepared.outcome;
  numerics::Result<FieldStandardResult> combined = combinedCurves(record, *prepared, combinedProgress);
  if (!combined.done()) return combined.outcome;
  FieldStandardRun run{std::move(*combined), std::nullopt};
  if (settings.azimuthStepDegrees) {
    numerics::Result<AzimuthalHv> azimuthal = azimuthCurves(record, *prepared, *settings.azimuthStepDegrees, azimuthProgress);
    if (!azimuthal.done()) return azimuthal.outcome;
    run.azimuthal = std::move(*azimuthal);
  }
  return run;
}

numerics::Result<std::vector<WindowInterval>> SelectQuietWindows(const import::ThreeComponentRecord& record,
                                                                 const FieldStandardSettings& settings) {
  numerics::Result<Preparation> prepared = prepare(record, {}, settings);
  if (!prepared.done()) return prepared.outcome;
  const Preparation& p = *prepared;
  const StaLtaSettings staLta = settings.staLta.value_or(StaLtaSettings{});
  std::vector<WindowInterval> quiet;
  for (std::size_t r = 0; r < p.ranges.size(); ++r) {
    if (!StaLtaKeeps(staLta, p.staLta[r])) continue;
    const SampleSpan& range = p.ranges[r];
    quiet.push_back({record.sample(Component::X, range.first).time,
                     record.sample(Component::X, range.first + range.count - 1).time});
  }
  if (quiet.empty())
    return numerics::Outcome::Failed("the STA/LTA anti-trigger kept none of the " + std::to_string(p.ranges.size()) +
                                     " windows: in each, the ratio left " + text(staLta.minRatio) + " to " +
                                     text(staLta.maxRatio) + " on some component");
  const std::string notice = std::to_string(quiet.size()) + " of " + std::to_string(p.ranges.size()) +
                             " windows pass the STA/LTA anti-trigger";
  return numerics::Result<std::vector<WindowInterval>>(std::move(quiet), notice);
}

}  // namespace corvath::spectra
