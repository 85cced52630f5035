#include "import/record.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

namespace corvath::import {

void ThreeComponentRecord::clear() {
  for (auto& list : lists_) list.clear();
}

void ThreeComponentRecord::append(Component c, double time, double value) {
  auto& list = samples(c);
  if (list.empty() || time >= list.back().time) {
    list.push_back({time, value});
    return;
  }
  // After the last sample whose time is not greater than the new one.
  const auto after = std::upper_bound(list.begin(), list.end(), time,
                                      [](double t, const Sample& s) { return t < s.time; });
  list.insert(after, {time, value});
}

void ThreeComponentRecord::assign(Component c, std::vector<Sample> arrivals) {
  // Inserting each sample after the last one whose time is not greater is an
  // insertion sort that keeps equal times in arrival order: a stable sort gives
  // the same list in O(n log n) instead of O(n^2) for a file in reverse order.
  const auto byTime = [](const Sample& a, const Sample& b) { return a.time < b.time; };
  if (!std::is_sorted(arrivals.begin(), arrivals.end(), byTime))
    std::stable_sort(arrivals.begin(), arrivals.end(), byTime);
  samples(c) = std::move(arrivals);
}

std::size_t CommonSampleCount(const ThreeComponentRecord& record) {
  return std::min({record.size(Component::X), record.size(Component::Y), record.size(Component::Z)});
}

double ThreeComponentRecord::samplingInterval(Component c) const {
  const auto& list = samples(c);
  return list.size() < 2 ? 0.0 : std::fabs(list[0].time - list[1].time);
}

std::size_t LineCountEstimate::expectedSamples(std::size_t accepted, std::optional<std::uint64_t> bytesLeft) const {
  if (!bytesLeft || accepted == 0 || bytes_ == 0) return 0;
  const long double perByte = static_cast<long double>(accepted) / static_cast<long double>(bytes_);
  const long double more = 1.05L * perByte * static_cast<long double>(*bytesLeft) + 1024.0L;
  const long double cap = static_cast<long double>(std::size_t{1} << 40);  // beyond any file
  return accepted + static_cast<std::size_t>(std::min(more, cap));
}

void SampleCollector::expect(std::size_t total) {
  std::size_t held = 0;
  for (const auto& block : blocks_) held += block.size();
  if (total <= held + kBlockSamples) return;
  try {
    std::vector<Sample> room;
    room.reserve(total);
    for (auto& block : blocks_) room.insert(room.end(), block.begin(), block.end());
    blocks_.clear();
    blocks_.push_back(std::move(room));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

std::vector<Sample> SampleCollector::take() {
  if (blocks_.size() == 1) {  // one block: handed over as it is
    std::vector<Sample> only = std::move(blocks_.front());
    blocks_.clear();
    // A short record's block is trimmed, and so is the room of an estimate far too
    // high; the few per cent an estimate is meant to exceed by stay untouched, which
    // costs address space but no memory.
    if (only.capacity() <= kBlockSamples || only.size() < only.capacity() / 2) only.shrink_to_fit();
    return only;
  }
  std::size_t count = 0;
  for (const auto& block : blocks_) count += block.size();
  std::vector<Sample> all;
  all.reserve(count);
  for (auto& block : blocks_) {
    all.insert(all.end(), block.begin(), block.end());
    std::vector<Sample>().swap(block);
  }
  blocks_.clear();
  return all;
}

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

bool ThreeComponentRecord::operator==(const ThreeComponentRecord& other) const {
  for (int c = 0; c < 3; ++c) {
    const auto& a = lists_[c];
    const auto& b = other.lists_[c];
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i].time != b[i].time || a[i].value != b[i].value) return false;
  }
  return true;
}

}  // namespace corvath::import
