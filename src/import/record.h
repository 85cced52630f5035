#pragma once
// The three-component record: X, Y (horizontal) and Z (vertical), each a list of
// timed samples in ascending time order. Sample i of Y and Z is taken to belong to
// the time of sample i of X.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvath::import {

struct Sample {
  double time;   //!< seconds on the record's own time axis
  double value;  //!< amplitude in the units of the source
};

enum class Component { X = 0, Y = 1, Z = 2 };
inline constexpr std::array<Component, 3> kComponents{Component::X, Component::Y, Component::Z};

class ThreeComponentRecord {
public:
  //! Empties all three components.
  void clear();
  //! Appends a sample, or inserts it directly after the last sample whose time is
  //! not greater, so equal times keep their arrival order.
  void append(Component c, double time, double value);

  std::size_t size(Component c) const { return samples(c).size(); }
  const Sample& sample(Component c, std::size_t i) const { return samples(c)[i]; }
  void setValue(Component c, std::size_t i, double value) { samples(c)[i].value = value; }

  const std::vector<Sample>& samples(Component c) const { return lists_[static_cast<int>(c)]; }
  std::vector<Sample>& samples(Component c) { return lists_[static_cast<int>(c)]; }

  //! Both X and Z hold at least one sample (the rule for mouse actions on the charts).
  bool present() const { return !samples(Component::X).empty() && !samples(Component::Z).empty(); }
  //! |t(0) - t(1)| of a component, 0 with fewer than two samples.
  double samplingInterval(Component c) const;

  //! Replaces a component by samples given in arrival order, placed exactly as
  //! append() one by one would place them (a stable sort by time).
  void assign(Component c, std::vector<Sample> arrivals);
  //! A record from the arrival lists of X, Y and Z (each put in time order as by append).
  static ThreeComponentRecord FromArrivals(std::vector<Sample> x, std::vector<Sample> y, std::vector<Sample> z);

  //! Reserves room for n samples in every component (a reader that knows its size).
  void reserve(std::size_t n);

  bool operator==(const ThreeComponentRecord& other) const;

private:
  std::array<std::vector<Sample>, 3> lists_;
};

//! The samples all three components have: the length of the shortest one.
std::size_t CommonSampleCount(const ThreeComponentRecord& record);

//! How many samples a line-per-sample text holds, judged from its first lines and
//! the bytes left after them.
class LineCountEstimate {
public:
  //! The lines looked at before judging.
  static constexpr std::size_t kLines = 4096;
  //! Counts a line of `bytes` bytes (without its end); true once, at the kLines-th line.
  bool count(std::size_t bytes) {
    bytes_ += bytes + 1;
    return ++lines_ == kLines;
  }
  //! The samples to expect in all when `accepted` of the lines counted gave one each
  //! and `bytesLeft` bytes follow (a little more than the same rate predicts); 0 when
  //! nothing can be said.
  std::size_t expectedSamples(std::size_t accepted, std::optional<std::uint64_t> bytesLeft) const;

private:
  std::size_t lines_ = 0;
  std::uint64_t bytes_ = 0;
};

//! Samples gathered one at a time by a reader that does not know how many will come.
//! They are kept in blocks that never move, and handed over once in a list of the
//! exact size: a growing list would copy a day-long component several times over
//! and, while it grows, hold up to three times its size.
class SampleCollector {
public:
  void push(double time, double value) {
    if (blocks_.empty() || blocks_.back().size() == blocks_.back().capacity()) {
      // Small first blocks keep short records cheap; they double up to the full size.
      const std::size_t size = blocks_.empty() ? kFirstBlockSamples
                                               : std::min(kBlockSamples, 2 * blocks_.back().capacity());
      blocks_.emplace_back();
      blocks_.back().reserve(size);
    }
    blocks_.back().push_back({time, value});
  }
  //! A reader's estimate of how many samples will come in all: room for that many is
  //! taken at once, so that nothing is copied at the end when the estimate holds. Room
  //! that cannot be had is not taken (the blocks go on as before).
  void expect(std::size_t total);
  //! The samples in the order pushed; the collector is empty afterwards.
  std::vector<Sample> take();

private:
  static constexpr std::size_t kFirstBlockSamples = 1024;
  static constexpr std::size_t kBlockSamples = std::size_t{1} << 16;
  std::vector<std::vector<Sample>> blocks_;
};

}  // namespace corvath::import
