#include "spectra/fieldstandard.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

#include "numerics/numbertext.h"
#include "spectra/fft.h"
#include "spectra/konnoohmachi.h"

namespace corvath::spectra {

namespace {

std::string text(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

bool finite(double v) { return std::isfinite(v); }

struct SampleRange {
  std::size_t first = 0;
  std::size_t count = 0;
};

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

const char* HorizontalCombinationName(HorizontalCombination combination) {
  for (const HorizontalCombinationEntry& entry : kHorizontalCombinations)
    if (entry.combination == combination) return entry.name;
  return "";
}

std::optional<HorizontalCombination> HorizontalCombinationOfWord(std::string_view word) {
  for (const HorizontalCombinationEntry& entry : kHorizontalCombinations)
    if (word == entry.word) return entry.combination;
  return std::nullopt;
}

numerics::Outcome CheckFieldStandardSettings(const FieldStandardSettings& s) {
  auto fail = [](std::string reason) { return numerics::Outcome::Failed(std::move(reason)); };
  if (!finite(s.windowLengthSeconds) || !(s.windowLengthSeconds > 0.0))
    return fail("the window length must be a positive number of seconds, got " + text(s.windowLengthSeconds));
  if (!finite(s.overlapPercent) || s.overlapPercent < 0.0 || s.overlapPercent >= 100.0)
    return fail("the overlap must be at least 0 % and below 100 %, got " + text(s.overlapPercent));
  if (!finite(s.taperFraction) || s.taperFraction < 0.0 || s.taperFraction > 1.0)
    return fail("the taper fraction must lie between 0 and 1, got " + text(s.taperFraction));
  if (!finite(s.bandwidth) || !(s.bandwidth > 0.0))
    return fail("the Konno-Ohmachi bandwidth b must be positive, got " + text(s.bandwidth));
  if (!finite(s.gridMinHz) || !finite(s.gridMaxHz) || !(s.gridMinHz > 0.0) || !(s.gridMaxHz > s.gridMinHz))
    return fail("the grid needs 0 < lowest < highest frequency, got " + text(s.gridMinHz) + " and " +
                text(s.gridMaxHz) + " Hz");
  if (s.gridPoints < 2 || s.gridPoints > 100000)
    return fail("the grid needs 2 to 100000 points, got " + std::to_string(s.gridPoints));
  const FrequencyBand band = searchBandOf(s);
  if (!finite(band.lowHz) || !finite(band.highHz) || !(band.lowHz > 0.0) || !(band.highHz > band.lowHz))
    return fail("the search band needs 0 < lowest < highest frequency, got " + text(band.lowHz) + " and " +
                text(band.highHz) + " Hz");
  const std::vector<double> grid = LogFrequencyGrid(s.gridMinHz, s.gridMaxHz, s.gridPoints);
  if (std::none_of(grid.begin(), grid.end(), [&](double f) { return f >= band.lowHz && f <= band.highHz; }))
    return fail("no grid frequency lies in the search band " + text(band.lowHz) + " to " + text(band.highHz) + " Hz");
  if (s.reject && (!finite(s.rejectionStdDevs) || !(s.rejectionStdDevs > 0.0)))
    return fail("the rejection needs a positive number of standard deviations, got " + text(s.rejectionStdDevs));
  if (s.rejectionIterations < 1) return fail("the rejection needs at least one pass");
  return numerics::Outcome::Done();
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

std::size_t FieldStandardResult::usedWindows() const { return windows.size() - rejectedWindows(); }

std::size_t FieldStandardResult::rejectedWindows() const {
  return static_cast<std::size_t>(
      std::count_if(windows.begin(), windows.end(), [](const FieldStandardWindow& w) { return w.rejected; }));
}

numerics::Result<FieldStandardResult> CalculateFieldStandard(const import::ThreeComponentRecord& record,
                                                             const std::vector<WindowInterval>& intervals,
                                                             const FieldStandardSettings& settings) {
  auto fail = [](std::string reason) -> numerics::Result<FieldStandardResult> {
    return numerics::Outcome::Failed(std::move(reason));
  };
  if (numerics::Outcome check = CheckFieldStandardSettings(settings); !check.done()) return check;

  using import::Component;
  const std::size_t n = import::CommonSampleCount(record);
  if (n < 2) return fail("the record holds fewer than two samples in each of X, Y and Z");
  const double dt = record.samplingInterval(Component::X);
  if (!(dt > 0.0) || !finite(dt)) return fail("the sampling interval of X is 0");
  const double nyquist = 0.5 / dt;
  if (settings.gridMaxHz > nyquist)
    return fail("the grid's highest frequency " + text(settings.gridMaxHz) + " Hz lies above the Nyquist frequency " +
                text(nyquist) + " Hz of the record");

  FieldStandardResult result;
  result.settings = settings;
  result.search = searchBandOf(settings);
  result.automaticWindows = intervals.empty();
  result.frequenciesHz = LogFrequencyGrid(settings.gridMinHz, settings.gridMaxHz, settings.gridPoints);
  const std::vector<double>& grid = result.frequenciesHz;

  // The sample ranges of the windows.
  std::vector<SampleRange> ranges;
  if (intervals.empty()) {
    const double lengthSamples = numerics::RoundHalfEven(settings.windowLengthSeconds / dt);
    if (!finite(lengthSamples) || lengthSamples > static_cast<double>(n))
      return fail("the record (" + text(static_cast<double>(n - 1) * dt) + " s) is shorter than one window (" +
                  text(settings.windowLengthSeconds) + " s)");
    const auto length = static_cast<std::size_t>(lengthSamples);
    if (length < kMinimumWindowSamples)
      return fail("a window of " + text(settings.windowLengthSeconds) + " s holds fewer than " +
                  std::to_string(kMinimumWindowSamples) + " samples");
    const auto step = static_cast<std::size_t>(
        std::max(1.0, numerics::RoundHalfEven(lengthSamples * (1.0 - settings.overlapPercent / 100.0))));
    for (std::size_t first = 0; first + length <= n; first += step) ranges.push_back({first, length});
  } else {
    for (const WindowInterval& interval : intervals) {
      const auto [first, last] = WindowSampleRange(record, n, interval);
      const std::size_t count = last > first ? last - first : 0;
      if (count < kMinimumWindowSamples) {
        ++result.skippedWindows;
        continue;
      }
      ranges.push_back({first, count});
    }
  }

  std::map<std::size_t, KonnoOhmachiTable> tables;  // by window length in samples
  std::vector<double> values, moduli[3], horizontal, smoothH, smoothV;
  for (const SampleRange& range : ranges) {
    const std::size_t bins = range.count / 2 + 1;
    for (int c = 0; c < 3; ++c) {
      const auto& samples = record.samples(import::kComponents[c]);
      values.resize(range.count);
      double mean = 0.0;
      for (std::size_t i = 0; i < range.count; ++i) mean += (values[i] = samples.value(range.first + i));
      mean /= static_cast<double>(range.count);
      for (double& v : values) v -= mean;
      ApplyTukeyTaper(values, settings.taperFraction);
      TransformModuli(values, moduli[c]);
    }
    horizontal.resize(bins);
    for (std::size_t k = 0; k < bins; ++k)
      horizontal[k] = CombineHorizontal(settings.combination, moduli[0][k], moduli[1][k]);

    auto table = tables.find(range.count);
    if (table == tables.end())
      table = tables
                  .emplace(range.count, BuildKonnoOhmachiTable(1.0 / (static_cast<double>(range.count) * dt), bins,
                                                               grid, settings.bandwidth))
                  .first;
    ApplyKonnoOhmachi(table->second, horizontal, smoothH);
    ApplyKonnoOhmachi(table->second, moduli[2], smoothV);

    FieldStandardWindow window;
    window.startSeconds = record.sample(Component::X, range.first).time;
    window.endSeconds = record.sample(Component::X, range.first + range.count - 1).time;
    window.lengthSeconds = static_cast<double>(range.count) * dt;
    window.ratio.resize(grid.size());
    bool usable = true;
    for (std::size_t g = 0; g < grid.size() && usable; ++g) {
      const double r = smoothH[g] / smoothV[g];
      usable = smoothV[g] > 0.0 && r > 0.0 && finite(r);
      window.ratio[g] = r;
    }
    if (!usable) {  // a silent component or a grid frequency without any bin
      ++result.skippedWindows;
      continue;
    }
    const std::size_t peak = peakIndex(grid, window.ratio, result.search);
    window.peakFrequencyHz = grid[peak];
    window.peakAmplitude = window.ratio[peak];
    result.windows.push_back(std::move(window));
  }
  if (result.windows.empty())
    return fail(ranges.empty() ? "no window holds enough samples (at least " +
                                     std::to_string(kMinimumWindowSamples) + ")"
                               : "no window gives an H/V curve (a component without signal on the grid)");

  // Rejection on the windows' peak frequencies.
  std::vector<double> f0s, a0s;
  for (const auto& w : result.windows) f0s.push_back(w.peakFrequencyHz), a0s.push_back(w.peakAmplitude);
  std::vector<bool> accepted(result.windows.size(), true);
  if (settings.reject) {
    const RejectionOutcome rejection = RejectOutlyingPeaks(f0s, settings.rejectionStdDevs, settings.rejectionIterations);
    accepted = rejection.accepted;
    result.rejectionIterations = rejection.iterations;
    for (std::size_t i = 0; i < accepted.size(); ++i) result.windows[i].rejected = !accepted[i];
  }

  // Lognormal statistics of the accepted curves.
  const std::size_t used = static_cast<std::size_t>(std::count(accepted.begin(), accepted.end(), true));
  const std::size_t points = grid.size();
  result.mean.assign(points, 0.0);
  result.sigmaLn.assign(points, 0.0);
  for (std::size_t g = 0; g < points; ++g) {
    double sum = 0.0, squares = 0.0;
    for (std::size_t w = 0; w < accepted.size(); ++w)
      if (accepted[w]) sum += std::log(result.windows[w].ratio[g]);
    const double meanLn = sum / static_cast<double>(used);
    for (std::size_t w = 0; w < accepted.size(); ++w)
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
  result.f0 = LognormalOf(f0s, accepted);
  result.a0 = LognormalOf(a0s, accepted);
  result.sigmaF0Hz = StandardDeviationOf(f0s, accepted);
  const std::size_t peak = peakIndex(grid, result.mean, result.search);
  result.curvePeakHz = grid[peak];
  result.curvePeakAmplitude = result.mean[peak];

  double lengthSum = 0.0;
  for (std::size_t w = 0; w < accepted.size(); ++w)
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

  return result;
}

}  // namespace corvath::spectra
