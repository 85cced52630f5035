#include "spectra/stalta.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>

#include "numerics/numbertext.h"

namespace corvath::spectra {

namespace {

std::string text(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

// Walks R(t) for t = 0 ... n-1 and hands each to visit(t, r).
template <typename Visit>
void walkRatio(ComponentValues x, std::size_t sta, std::size_t lta, Visit&& visit) {
  const std::size_t n = x.size;
  if (n == 0) return;
  sta = std::max<std::size_t>(sta, 1);
  lta = std::max<std::size_t>(lta, 1);
  double mean = 0.0;
  for (std::size_t i = 0; i < n; ++i) mean += x[i];
  mean /= static_cast<double>(n);
  auto a = [&](std::size_t i) { return std::abs(x[i] - mean); };
  // Sum of a over the `length` samples ending at t (fewer near the start).
  auto exactSum = [&](std::size_t t, std::size_t length) {
    const std::size_t from = t + 1 >= length ? t + 1 - length : 0;
    double s = 0.0;
    for (std::size_t i = from; i <= t; ++i) s += a(i);
    return s;
  };
  double staSum = 0.0, ltaSum = 0.0;
  std::size_t staPhase = 0, ltaPhase = 0;  // t modulo each length, without a division per sample
  for (std::size_t t = 0; t < n; ++t) {
    const double at = a(t);
    // Each running sum starts afresh once per its own length: linear in all, and the
    // rounding of additions and subtractions never spans more than one length.
    if (staPhase == 0) {
      staSum = exactSum(t, sta);
    } else {
      staSum += at;
      if (t >= sta) staSum -= a(t - sta);
    }
    if (ltaPhase == 0) {
      ltaSum = exactSum(t, lta);
    } else {
      ltaSum += at;
      if (t >= lta) ltaSum -= a(t - lta);
    }
    if (++staPhase == sta) staPhase = 0;
    if (++ltaPhase == lta) ltaPhase = 0;
    const double staCount = static_cast<double>(std::min(t + 1, sta));
    const double ltaCount = static_cast<double>(std::min(t + 1, lta));
    // (staSum / staCount) / (ltaSum / ltaCount) with one division.
    const double num = std::max(staSum, 0.0) * ltaCount, den = std::max(ltaSum, 0.0) * staCount;
    double r = den > 0.0 ? num / den : 1.0;
    if (!std::isfinite(r)) r = 1.0;
    visit(t, r);
  }
}

}  // namespace

numerics::Outcome CheckStaLtaSettings(const StaLtaSettings& s, double dtSeconds) {
  auto fail = [](std::string reason) { return numerics::Outcome::Failed(std::move(reason)); };
  auto finite = [](double v) { return std::isfinite(v); };
  if (!finite(s.staSeconds) || !(s.staSeconds > 0.0))
    return fail("the STA length must be a positive number of seconds, got " + text(s.staSeconds));
  if (!finite(s.ltaSeconds) || !(s.ltaSeconds > s.staSeconds))
    return fail("the LTA length must be longer than the STA length (" + text(s.staSeconds) + " s), got " +
                text(s.ltaSeconds));
  if (!finite(s.minRatio) || !finite(s.maxRatio) || s.minRatio < 0.0 || !(s.maxRatio > s.minRatio))
    return fail("the STA/LTA bounds need 0 <= min < max, got " + text(s.minRatio) + " and " + text(s.maxRatio));
  if (dtSeconds > 0.0 && s.ltaSeconds / dtSeconds > 1e9)
    return fail("the LTA of " + text(s.ltaSeconds) + " s spans more than 1e9 samples");
  return numerics::Outcome::Done();
}

std::size_t StaLtaSamples(double seconds, double dtSeconds) {
  if (!(dtSeconds > 0.0) || !std::isfinite(seconds / dtSeconds)) return 1;
  const double count = numerics::RoundHalfEven(seconds / dtSeconds);
  if (!(count >= 1.0)) return 1;
  return static_cast<std::size_t>(std::min(count, 1e15));
}

std::vector<double> StaLtaRatio(ComponentValues values, std::size_t staSamples, std::size_t ltaSamples) {
  std::vector<double> ratio(values.size);
  walkRatio(values, staSamples, ltaSamples, [&](std::size_t t, double r) { ratio[t] = r; });
  return ratio;
}

StaLtaRange StaLtaRangeStart() {
  return {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
}

void FoldStaLtaRanges(ComponentValues values, std::size_t staSamples, std::size_t ltaSamples,
                      const std::vector<SampleSpan>& windows, std::vector<StaLtaRange>& ranges) {
  // Windows by first sample; the ones covering t are kept in `active`.
  std::vector<std::size_t> order(windows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return windows[a].first < windows[b].first; });
  std::size_t next = 0;
  std::vector<std::size_t> active;
  walkRatio(values, staSamples, ltaSamples, [&](std::size_t t, double r) {
    while (next < order.size() && windows[order[next]].first <= t) {
      if (windows[order[next]].count > 0 && windows[order[next]].first + windows[order[next]].count > t)
        active.push_back(order[next]);
      ++next;
    }
    for (std::size_t k = 0; k < active.size();) {
      const std::size_t w = active[k];
      ranges[w].min = std::min(ranges[w].min, r);
      ranges[w].max = std::max(ranges[w].max, r);
      if (windows[w].first + windows[w].count == t + 1) {
        active[k] = active.back();
        active.pop_back();
      } else {
        ++k;
      }
    }
  });
}

bool StaLtaKeeps(const StaLtaSettings& settings, const StaLtaRange& range) {
  return range.min >= settings.minRatio && range.max <= settings.maxRatio;
}

}  // namespace corvath::spectra
