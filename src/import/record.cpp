#include "import/record.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <charconv>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "numerics/numbertext.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace corvath::import {

void ThreeComponentRecord::clear() {
  for (auto& list : lists_) list.clear();
}

namespace {

// The time a start and an interval give sample i, exactly as SampleList forms it.
double latticeTime(double start, long double interval, std::size_t i) {
  return static_cast<double>(static_cast<long double>(start) + static_cast<long double>(i) * interval);
}

bool latticeHolds(const std::vector<double>& times, long double interval) {
  const double start = times.front();
  if (!std::isfinite(static_cast<double>(interval))) return false;
  for (std::size_t i = 0; i < times.size(); ++i) {
    const double t = latticeTime(start, interval, i);
    if (std::memcmp(&times[i], &t, sizeof t) != 0) return false;
  }
  return true;
}

}  // namespace

std::uint64_t SampleList::NextVersion() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

SampleList SampleList::Even(double start, long double interval, std::vector<double> values) {
  SampleList list;
  list.values_ = std::move(values);
  list.start_ = start;
  list.interval_ = interval;
  return list;
}

SampleList SampleList::Timed(std::vector<double> times, std::vector<double> values) {
  SampleList list;
  list.values_ = std::move(values);
  if (times.size() >= 2) {
    // The intervals a writer of evenly spaced times may have used: the first step or
    // the whole span shared out, as they stand, as doubles, as the short decimal they
    // round to ("0.005" written in a table), or as the reciprocal of a whole rate.
    const long double first = static_cast<long double>(times[1]) - static_cast<long double>(times[0]);
    const long double span = (static_cast<long double>(times.back()) - static_cast<long double>(times[0])) /
                             static_cast<long double>(times.size() - 1);
    const auto decimal = [](long double step) {
      const std::string text = numerics::NumberToShortestText(static_cast<double>(step));
      long double value = 0.0L;
      std::from_chars(text.data(), text.data() + text.size(), value);
      return value;
    };
    const long double rate = std::nearbyint(1.0L / span);
    const long double candidates[] = {first,         span, static_cast<double>(span), decimal(first), decimal(span),
                                      1.0L / rate};
    for (const long double interval : candidates)
      if (interval > 0.0L && latticeHolds(times, interval)) {
        list.start_ = times.front();
        list.interval_ = interval;
        return list;
      }
  } else if (times.size() == 1 && !std::signbit(times[0])) {
    list.start_ = times[0];
    return list;
  }
  list.times_ = std::move(times);
  return list;
}

void SampleList::holdTimes() {
  if (!times_.empty() || values_.empty()) return;
  std::vector<double> times;
  times.reserve(values_.capacity());  // room a caller reserved for appends
  for (std::size_t i = 0; i < values_.size(); ++i) times.push_back(time(i));
  times_ = std::move(times);
}

void SampleList::insert(double time, double value) {
  touch();
  if (values_.empty()) {  // one time is a start (unless it is -0, which no start gives)
    times_.clear();
    if (std::signbit(time)) times_.push_back(time);
    start_ = time;
    interval_ = 0.0L;
    values_.push_back(value);
    return;
  }
  holdTimes();
  if (time >= times_.back()) {
    times_.push_back(time);
    values_.push_back(value);
    return;
  }
  // After the last sample whose time is not greater than the new one.
  const auto after = std::upper_bound(times_.begin(), times_.end(), time);
  values_.insert(values_.begin() + (after - times_.begin()), value);
  times_.insert(after, time);
}

void SampleList::resize(std::size_t n) {
  if (n >= size()) return;
  touch();
  values_.resize(n);
  if (!times_.empty()) times_.resize(n);
}

void SampleList::reserve(std::size_t n) {
  values_.reserve(n);
  if (!times_.empty()) times_.reserve(n);
}

std::vector<Sample> SampleList::pairs() const {
  std::vector<Sample> all(size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = (*this)[i];
  return all;
}

bool SampleList::operator==(const SampleList& other) const {
  if (size() != other.size()) return false;
  for (std::size_t i = 0; i < size(); ++i)
    if (time(i) != other.time(i) || values_[i] != other.values_[i]) return false;
  return true;
}

void ThreeComponentRecord::assign(Component c, std::vector<Sample> arrivals) {
  // Inserting each sample after the last one whose time is not greater is an
  // insertion sort that keeps equal times in arrival order: a stable sort gives
  // the same list in O(n log n) instead of O(n^2) for a file in reverse order.
  const auto byTime = [](const Sample& a, const Sample& b) { return a.time < b.time; };
  if (!std::is_sorted(arrivals.begin(), arrivals.end(), byTime))
    std::stable_sort(arrivals.begin(), arrivals.end(), byTime);
  std::vector<double> times(arrivals.size()), values(arrivals.size());
  for (std::size_t i = 0; i < arrivals.size(); ++i) {
    times[i] = arrivals[i].time;
    values[i] = arrivals[i].value;
  }
  std::vector<Sample>().swap(arrivals);
  samples(c) = SampleList::Timed(std::move(times), std::move(values));
}

long long FirstOverflowingSample(long double interval) {
  const auto finite = [&](long long k) { return std::isfinite(latticeTime(0.0, interval, static_cast<std::size_t>(k))); };
  long long low = 0, high = 1LL << 62;  // time(low) is finite; past high nothing is read
  if (!finite(low)) return 0;
  if (finite(high)) return high + 1;
  while (high - low > 1) {
    const long long middle = low + (high - low) / 2;
    (finite(middle) ? low : high) = middle;
  }
  return high;
}

std::size_t CommonSampleCount(const ThreeComponentRecord& record) {
  return std::min({record.size(Component::X), record.size(Component::Y), record.size(Component::Z)});
}

double ThreeComponentRecord::samplingInterval(Component c) const {
  const auto& list = samples(c);
  return list.size() < 2 ? 0.0 : std::fabs(list.time(0) - list.time(1));
}

std::size_t LineCountEstimate::expectedSamples(std::size_t accepted, std::optional<std::uint64_t> bytesLeft) const {
  if (!bytesLeft || accepted == 0 || bytes_ == 0) return 0;
  const long double perByte = static_cast<long double>(accepted) / static_cast<long double>(bytes_);
  const long double more = 1.05L * perByte * static_cast<long double>(*bytesLeft) + 1024.0L;
  const long double cap = static_cast<long double>(std::size_t{1} << 40);  // beyond any file
  return accepted + static_cast<std::size_t>(std::min(more, cap));
}

namespace {

// Asks the system to back the untouched room of a large list with huge pages: a day's
// samples then cost a few hundred page faults instead of a hundred thousand. Only a
// hint; where it is not taken, nothing changes.
void AdviseHugePages([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace

template <class Item>
void BlockCollector<Item>::expect(std::size_t total) {
  std::size_t held = 0;
  for (const auto& block : blocks_) held += block.size();
  if (total <= held + kBlockSamples) return;
  try {
    std::vector<Item> room;
    room.reserve(total);
    AdviseHugePages(room.data(), total * sizeof(Item));
    for (auto& block : blocks_) room.insert(room.end(), block.begin(), block.end());
    blocks_.clear();
    blocks_.push_back(std::move(room));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

template <class Item>
std::vector<Item> BlockCollector<Item>::take() {
  if (blocks_.size() == 1) {  // one block: handed over as it is
    std::vector<Item> only = std::move(blocks_.front());
    blocks_.clear();
    // A short record's block is trimmed, and so is the room of an estimate far too
    // high; the few per cent an estimate is meant to exceed by stay untouched, which
    // costs address space but no memory.
    if (only.capacity() <= kBlockSamples || only.size() < only.capacity() / 2) only.shrink_to_fit();
    return only;
  }
  std::size_t count = 0;
  for (const auto& block : blocks_) count += block.size();
  std::vector<Item> all;
  all.reserve(count);
  for (auto& block : blocks_) {
    all.insert(all.end(), block.begin(), block.end());
    std::vector<Item>().swap(block);
  }
  blocks_.clear();
  return all;
}

template class BlockCollector<Sample>;
template class BlockCollector<double>;

void ThreeComponentRecord::reserve(std::size_t n) {
  for (auto& list : lists_) list.reserve(n);
}

ThreeComponentRecord ThreeComponentRecord::FromArrivals(std::vector<Sample> x, std::vector<Sample> y,
                                                       std::vector<Sample> z) {
  ThreeComponentRecord record;
  record.assign(Component::X, std::move(x));
  record.assign(Component::Y, std::move(y));
  record.assign(Component::Z, std::move(z));
  return record;
}

bool ThreeComponentRecord::operator==(const ThreeComponentRecord& other) const { return lists_ == other.lists_; }

}  // namespace corvath::import
