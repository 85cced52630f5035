#include "spectra/automaticspectra.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numerics/parallel.h"
#include "spectra/fft.h"
#include "spectra/smoothing.h"

namespace corvath::spectra {

namespace {
constexpr std::size_t kMaxSegments = 51;
constexpr double kSegmentSeconds = 10.0;

// A segment ratio that cannot be formed (zero vertical modulus).
constexpr double kNoRatio = -1.0;
}  // namespace

numerics::Result<SegmentationPlan> PlanSegmentation(std::size_t sampleCount, double dtSeconds) {
  auto fail = [](const char* reason) -> numerics::Result<SegmentationPlan> {
    return numerics::Outcome::Failed(reason);
  };
  if (sampleCount < 2) return fail("the record has fewer than two samples");
  if (!(dtSeconds > 0.0) || !std::isfinite(dtSeconds)) return fail("the sampling interval of X is 0");
  const double initial = kSegmentSeconds / dtSeconds;
  if (!std::isfinite(initial)) return fail("the sampling interval of X is too small");
  const double m = static_cast<double>(sampleCount - 1);

  double length = RoundHalfEven(initial);
  while (length > m) length = RoundHalfEven(length / 2.0);
  // Bins 1 and 2 are needed for the frequency spacing: at least 5 samples.
  if (length < 5.0)
    return fail("the record is too short or too coarsely sampled for automatic segmentation");
  double step = std::max(RoundHalfEven((m - length) / 50.0), 1.0);
  while (length / 2.0 < step) length *= 2.0;
  step = std::max(RoundHalfEven((m - length) / 50.0), 1.0);

  SegmentationPlan plan;
  plan.length = static_cast<std::size_t>(length);
  plan.step = static_cast<std::size_t>(step);
  const std::size_t lastIndex = sampleCount - 1;
  while (plan.count < kMaxSegments && plan.count * plan.step + plan.length - 1 < lastIndex) ++plan.count;
  if (plan.count == 0) return fail("the record is too short for automatic segmentation");
  return plan;
}

namespace {

// Mean of the c values from v on (four partial sums break the chain of dependent
// additions); both forms of the robust mean add them in this order.
double MeanOfRun(const double* v, std::size_t c) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  std::size_t i = 0;
  for (; i + 4 <= c; i += 4) {
    s0 += v[i];
    s1 += v[i + 1];
    s2 += v[i + 2];
    s3 += v[i + 3];
  }
  for (; i < c; ++i) s0 += v[i];
  return ((s0 + s1) + (s2 + s3)) / static_cast<double>(c);
}

// RobustMean with every value's index sorted beside it.
double RobustMeanByIndex(const std::vector<double>& values) {
  const std::size_t n = values.size();
  if (n == 0) return 0.0;
  // The value farthest from the mean is always the smallest or the largest one, so
  // the survivors are kept sorted by (value, index) and form the range [lo, hi).
  std::vector<std::pair<double, std::size_t>> entries(n);
  for (std::size_t i = 0; i < n; ++i) entries[i] = {values[i], i};
  std::sort(entries.begin(), entries.end());
  std::vector<double> sorted(n);
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) {
    sorted[i] = entries[i].first;
    order[i] = entries[i].second;
  }

  const std::size_t keep = (n - 1) / 2;
  std::size_t lo = 0;
  std::size_t hi = n;
  double mean = 0.0;
  for (;;) {
    const std::size_t c = hi - lo;
    mean = MeanOfRun(sorted.data() + lo, c);

    bool removed = false;
    if (c > 1) {
      const double below = std::fabs(sorted[lo] - mean);
      const double above = std::fabs(sorted[hi - 1] - mean);
      const double largest = std::max(below, above);
      if (largest > 0.0) {
        // Among equal deviations the lowest index goes: at the low end that is
        // order[lo]; at the high end the first of the run of equal largest values.
        std::size_t runStart = hi - 1;
        while (runStart > lo && sorted[runStart - 1] == sorted[hi - 1]) --runStart;
        const bool takeLow =
            below == largest && (above != largest || order[lo] < order[runStart]);
        if (takeLow) {
          ++lo;
        } else {
          // Equal values: only the indices move down to close the gap.
          for (std::size_t k = runStart; k + 1 < hi; ++k) order[k] = order[k + 1];
          --hi;
        }
        removed = true;
      }
    }
    if (!(c > keep && removed)) break;
  }
  return mean;
}

}  // namespace

namespace {

// The index of the k-th (0-based) value equal to v, in the order of the list.
std::size_t KthIndexOf(const std::vector<double>& values, double v, std::size_t k) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (values[i] == v && k-- == 0) return i;
  return values.size();
}

}  // namespace

double RobustMean(const std::vector<double>& values) {
  const std::size_t n = values.size();
  if (n == 0) return 0.0;
  // The value farthest from the mean is always the smallest or the largest one, so
  // the survivors are kept sorted and form the range [lo, hi). Each mean adds the
  // survivors in that order, which fixes its last bit: a plain sort of the values
  // is the least that gives it. Which of two equal values goes first is a matter
  // of their indices only when the two ends lie equally far from the mean; only then
  // are the indices looked up.
  thread_local std::vector<double> sortedStore;
  std::vector<double>& sorted = sortedStore;
  sorted.assign(values.begin(), values.end());
  std::sort(sorted.begin(), sorted.end());
  // A NaN has no place in the order, and zeros of both signs compare equal while
  // their order decides a sum's sign: such lists take the path that sorts indices too.
  if (std::isnan(sorted.front()) || std::isnan(sorted.back()) ||
      (sorted.front() <= 0.0 && sorted.back() >= 0.0 &&
       std::any_of(sorted.begin(), sorted.end(), [](double v) { return v == 0.0 && std::signbit(v); })))
    return RobustMeanByIndex(values);

  const std::size_t keep = (n - 1) / 2;
  std::size_t lo = 0;
  std::size_t hi = n;
  std::size_t removedHigh = 0;  // values taken from the top of the run that now ends at hi
  double mean = 0.0;
  for (;;) {
    const std::size_t c = hi - lo;
    mean = MeanOfRun(sorted.data() + lo, c);

    bool removed = false;
    if (c > 1) {
      const double below = std::fabs(sorted[lo] - mean);
      const double above = std::fabs(sorted[hi - 1] - mean);
      const double largest = std::max(below, above);
      if (largest > 0.0) {
        bool takeLow = below == largest;
        if (takeLow && above == largest) {
          // Among equal deviations the lowest index goes. Equal values leave each end
          // lowest index first: the low end's next is the (lo - first)-th of its value,
          // the high end's the removedHigh-th of its value.
          const double low = sorted[lo], high = sorted[hi - 1];
          const std::size_t lowFirst =
              static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), low) - sorted.begin());
          takeLow = KthIndexOf(values, low, lo - lowFirst) < KthIndexOf(values, high, removedHigh);
        }
        if (takeLow) {
          ++lo;
        } else {
          --hi;
          removedHigh = sorted[hi - 1] == sorted[hi] ? removedHigh + 1 : 0;
        }
        removed = true;
      }
    }
    if (!(c > keep && removed)) break;
  }
  return mean;
}

numerics::Result<AutomaticSpectra> ComputeAutomaticSpectra(const import::ThreeComponentRecord& record,
                                                           bool logAveraging, double minFrqHz, double maxFrqHz,
                                                           numerics::Progress* progress, std::size_t workerLimit) {
  using numerics::Outcome;
  AutomaticSpectra result;
  for (import::Component c : import::kComponents) {
    SpectrumCurve& curve = result.averaged[static_cast<int>(c)];
    curve.title = ComponentName(c);
    curve.component = c;
  }
  result.ratio.hasBounds = true;

  const std::size_t sampleCount = import::CommonSampleCount(record);
  const double dt = record.samplingInterval(import::Component::X);
  const auto plan = PlanSegmentation(sampleCount, dt);
  if (!plan.done()) return plan.outcome;
  result.plan = *plan;
  const std::size_t length = plan->length;
  const std::size_t segments = plan->count;
  const std::size_t lastBin = (length - 1) / 2;
  const std::size_t bins = lastBin + 1;
  if (progress) progress->setTotal(3.0 * static_cast<double>(segments));

  // Per bin and component: sum of T(|F_j|) and the number of moduli summed (a zero
  // modulus stays out of a logarithmic mean); per segment and bin: the ratio.
  std::array<std::vector<double>, 3> sums;
  std::array<std::vector<std::size_t>, 3> counts;
  for (int c = 0; c < 3; ++c) {
    sums[c].assign(bins, 0.0);
    counts[c].assign(bins, 0);
  }
  // The frequencies, the grid's range and how far its averaging reaches.
  const double lengthSeconds = static_cast<double>(length) * dt;
  auto frequency = [&](std::size_t j) { return static_cast<double>(j) / lengthSeconds; };
  const double spacing = std::fabs(frequency(1) - frequency(2));
  const double fmin = std::max(minFrqHz, frequency(1));
  const double fmax = std::min(100.0, std::min(maxFrqHz, frequency(lastBin)));
  const AveragingKernel kernel = InverseDistanceKernel(spacing);
  // Only the bins the grid averages over keep their segment ratios: above fmax plus
  // the kernel's half width (and well clear of the grid's own margin) none is used.
  std::size_t ratioLast = lastBin;
  if (fmin < fmax) {
    const double reach = fmax + KernelHalfWidth(kernel, fmin, fmax);
    const double limit = reach + 1e-6 * std::fabs(reach);
    if (std::isfinite(limit))
      while (ratioLast > 2 && frequency(ratioLast) > limit) --ratioLast;
  }
  const std::size_t ratioBins = ratioLast + 1;
  std::vector<double> ratios(segments * ratioBins, kNoRatio);

  // Rounds of a few segments: their 3 transforms each run side by side, then every
  // component adds its moduli to its sums segment by segment, in segment order, so
  // that each sum is formed exactly as one thread would form it.
  const std::size_t workers = numerics::WorkerCount(workerLimit);
  const std::size_t perRound = std::min<std::size_t>(segments, 2);  // two segments: six transforms, held at once
  std::vector<std::vector<double>> moduli(3 * perRound);
  for (std::size_t round = 0; round < segments; round += perRound) {
    const std::size_t inRound = std::min(perRound, segments - round);
    numerics::ParallelFor(3 * inRound, workers, [&](std::size_t task) {
      const std::size_t s = round + task / 3;
      const auto& samples = record.samples(import::kComponents[task % 3]);
      thread_local std::vector<double> values;
      values.resize(length);
      const std::size_t first = s * plan->step;
      for (std::size_t i = 0; i < length; ++i) values[i] = samples.value(first + i);
      TransformModuli(values, moduli[task]);
      numerics::Advance(progress, 1.0);
    });
    // Task c < 3 adds component c's moduli; task 3 forms the segment ratios.
    numerics::ParallelFor(4, workers, [&](std::size_t task) {
      for (std::size_t k = 0; k < inRound; ++k) {
        if (task == 3) {
          double* segmentRatios = &ratios[(round + k) * ratioBins];
          const double* mx = moduli[3 * k].data();
          const double* my = moduli[3 * k + 1].data();
          const double* mz = moduli[3 * k + 2].data();
          for (std::size_t j = 0; j < ratioBins; ++j) {
            const double vertical = mz[j];
            if (vertical > 0.0) segmentRatios[j] = (mx[j] + my[j]) / vertical / 2.0;
          }
          continue;
        }
        const double* m = moduli[3 * k + task].data();
        double* sum = sums[task].data();
        std::size_t* count = counts[task].data();
        for (std::size_t j = 0; j < bins; ++j) {
          const double modulus = m[j];
          if (logAveraging) {
            if (modulus > 0.0) {
              sum[j] += std::log(modulus);
              ++count[j];
            }
          } else {
            sum[j] += modulus;
            ++count[j];
          }
        }
      }
    });
  }
  moduli.clear();
  moduli.shrink_to_fit();

  if (!(fmin < fmax))
    return Outcome::Failed("the frequency range is empty (Min frq lies above every frequency or above Max frq)");

  for (int c = 0; c < 3; ++c) {
    std::vector<SpectralPoint> points;
    points.reserve(lastBin);
    for (std::size_t j = 1; j <= lastBin; ++j) {
      if (counts[c][j] == 0) continue;
      const double mean = sums[c][j] / static_cast<double>(counts[c][j]);
      points.push_back({frequency(j), logAveraging ? std::exp(mean) : mean, 0.0});
    }
    for (const SpectralPoint& p : GridAverage(points, fmin, fmax, kernel, logAveraging))
      result.averaged[c].points.push_back({p.frequencyHz, p.value});
  }

  // The robust ratio and its error per bin; bins are independent, so blocks of
  // them are shared out and the points gathered afterwards in bin order.
  std::vector<double> robustOf(ratioBins, 0.0);
  std::vector<double> errorOf(ratioBins, 0.0);
  std::vector<char> formed(ratioBins, 0);
  constexpr std::size_t kBinsPerBlock = 2048;
  const std::size_t blocks = (ratioLast + kBinsPerBlock - 1) / kBinsPerBlock;
  numerics::ParallelFor(blocks, workers, [&](std::size_t block) {
    std::vector<double> binRatios;
    std::vector<double> deviations;
    const std::size_t from = 1 + block * kBinsPerBlock;
    const std::size_t to = std::min(ratioLast, from + kBinsPerBlock - 1);
    for (std::size_t j = from; j <= to; ++j) {
      binRatios.clear();
      for (std::size_t s = 0; s < segments; ++s)
        if (ratios[s * ratioBins + j] != kNoRatio) binRatios.push_back(ratios[s * ratioBins + j]);
      if (binRatios.empty()) continue;
      const double robust = RobustMean(binRatios);
      deviations.resize(binRatios.size());
      for (std::size_t s = 0; s < binRatios.size(); ++s) deviations[s] = std::fabs(binRatios[s] - robust);
      const double error = RobustMean(deviations) / 2.0;
      robustOf[j] = robust;
      errorOf[j] = error;
      formed[j] = std::isfinite(robust) && std::isfinite(error);
    }
  });
  std::vector<double>().swap(ratios);
  std::vector<SpectralPoint> ratioPoints;
  ratioPoints.reserve(ratioLast);
  for (std::size_t j = 1; j <= ratioLast; ++j)
    if (formed[j]) ratioPoints.push_back({frequency(j), robustOf[j], errorOf[j]});
  for (const SpectralPoint& p : GridAverage(ratioPoints, fmin, fmax, kernel, logAveraging))
    result.ratio.points.push_back({p.frequencyHz, p.value, p.value - p.companion, p.value + p.companion});

  for (const SpectrumCurve& curve : result.averaged)
    if (curve.points.empty())
      return Outcome::Failed("no spectral point of " + curve.title + " lies near the frequency grid");
  if (result.ratio.points.empty())
    return Outcome::Failed("no H/Z ratio could be formed (the vertical spectrum is zero)");
  return result;
}

}  // namespace corvath::spectra
