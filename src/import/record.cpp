#include "import/record.h"

#include <algorithm>
#include <cmath>

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

double ThreeComponentRecord::samplingInterval(Component c) const {
  const auto& list = samples(c);
  return list.size() < 2 ? 0.0 : std::fabs(list[0].time - list[1].time);
}

std::vector<Sample> SampleCollector::take() {
  if (blocks_.size() == 1) {  // a short record: its one block, trimmed
    std::vector<Sample> only = std::move(blocks_.front());
    blocks_.clear();
    only.shrink_to_fit();
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
