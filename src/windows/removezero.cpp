#include "windows/removezero.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "numerics/numbertext.h"
#include "windows/zoom.h"

namespace corvath::windows {

namespace {

// A sum that keeps the rounding error of every addition (Knuth's two-sum) in a
// carry: adding and removing values over a long record does not drift.
class CompensatedSum {
public:
  void add(double x) {
    const double t = sum_ + x;
    const double part = t - sum_;
    carry_ += (sum_ - (t - part)) + (x - part);
    sum_ = t;
  }
  double value() const { return sum_ + carry_; }

private:
  double sum_ = 0.0;
  double carry_ = 0.0;
};

}  // namespace

std::optional<std::size_t> RunningMeanHalfWidth(double windowSize) {
  const double size = RoundHalfEven(windowSize);
  if (std::isnan(size) || size < 0.0) return std::nullopt;
  const double half = std::trunc(size / 2.0);
  // Any half-width beyond the longest possible record means "the whole component".
  constexpr double kWhole = 1e15;
  return static_cast<std::size_t>(half < kWhole ? half : kWhole);
}

void SubtractRunningMean(std::vector<double>& values, std::size_t half) {
  const std::size_t n = values.size();
  if (n == 0) return;
  if (half > n - 1) half = n - 1;
  const std::vector<double> original = values;
  CompensatedSum sum;
  for (std::size_t j = 0; j <= half; ++j) sum.add(original[j]);
  for (std::size_t i = 0; i < n; ++i) {
    // The window of sample i is [lo, hi]; the sum holds exactly that range here.
    const std::size_t lo = i > half ? i - half : 0;
    const std::size_t hi = i + half < n - 1 ? i + half : n - 1;
    const double count = static_cast<double>(hi - lo + 1);
    values[i] = original[i] - sum.value() / count;
    // Slide to the window of sample i + 1.
    if (i + 1 + half <= n - 1) sum.add(original[i + 1 + half]);
    if (i >= half) sum.add(-original[i - half]);
  }
}

bool RemoveZero(import::ThreeComponentRecord& record, const WindowSizePrompt& askSize) {
  if (record.size(import::Component::X) < kRemoveZeroMinSamples) return false;
  const std::optional<std::size_t> half = RunningMeanHalfWidth(askSize ? askSize() : kRemoveZeroDefaultSize);
  if (!half) return false;
  std::vector<double> values;
  for (import::Component c : import::kComponents) {
    const std::span<double> samples = record.samples(c).values();
    if (samples.empty()) continue;
    values.assign(samples.begin(), samples.end());
    SubtractRunningMean(values, *half);
    std::copy(values.begin(), values.end(), samples.begin());
  }
  return true;
}

bool RemoveZero(import::ThreeComponentRecord& record, double windowSize) {
  return RemoveZero(record, [windowSize] { return windowSize; });
}

}  // namespace corvath::windows
