#pragma once
// The three-component record: X, Y (horizontal) and Z (vertical), each a list of
// timed samples in ascending time order. Sample i of Y and Z is taken to belong to
// the time of sample i of X.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <vector>

namespace corvath::import {

struct Sample {
  double time;   //!< seconds on the record's own time axis
  double value;  //!< amplitude in the units of the source
};

enum class Component { X = 0, Y = 1, Z = 2 };
inline constexpr std::array<Component, 3> kComponents{Component::X, Component::Y, Component::Z};

//! One component's samples in ascending time order. The values are held in one list;
//! the times either follow a start and an interval (time i is start + i * interval,
//! formed in long double and rounded once, as the readers of evenly spaced sources
//! form them) or are held one by one, beside the values, when nothing shorter
//! reproduces every one of them to the bit.
class SampleList {
public:
  //! Walks the samples as (time, value) pairs; a sample is formed when it is read.
  class const_iterator {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Sample;
    using difference_type = std::ptrdiff_t;
    using reference = Sample;
    struct pointer {
      Sample sample;
      const Sample* operator->() const { return &sample; }
    };

    const_iterator() = default;
    const_iterator(const SampleList* list, std::size_t i) : list_(list), i_(i) {}
    Sample operator*() const { return (*list_)[i_]; }
    pointer operator->() const { return {(*list_)[i_]}; }
    Sample operator[](difference_type n) const { return (*list_)[i_ + static_cast<std::size_t>(n)]; }
    const_iterator& operator++() { return ++i_, *this; }
    const_iterator operator++(int) { return {list_, i_++}; }
    const_iterator& operator--() { return --i_, *this; }
    const_iterator operator--(int) { return {list_, i_--}; }
    const_iterator& operator+=(difference_type n) { return i_ += static_cast<std::size_t>(n), *this; }
    const_iterator& operator-=(difference_type n) { return i_ -= static_cast<std::size_t>(n), *this; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
      return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.i_ == b.i_; }
    friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.i_ <=> b.i_; }

  private:
    const SampleList* list_ = nullptr;
    std::size_t i_ = 0;
  };
  using iterator = const_iterator;
  using value_type = Sample;
  using size_type = std::size_t;

  SampleList() = default;
  //! Samples at start + i * interval.
  static SampleList Even(double start, long double interval, std::vector<double> values);
  //! Samples at the given times (ascending, as many as values); held as a start and an
  //! interval when those give every time to the bit.
  static SampleList Timed(std::vector<double> times, std::vector<double> values);

  std::size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  double time(std::size_t i) const {
    return times_.empty() ? static_cast<double>(static_cast<long double>(start_) +
                                                static_cast<long double>(i) * interval_)
                          : times_[i];
  }
  double value(std::size_t i) const { return values_[i]; }
  Sample operator[](std::size_t i) const { return {time(i), values_[i]}; }
  Sample front() const { return (*this)[0]; }
  Sample back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  //! The values, to read or to change in place (the times stay).
  std::span<const double> values() const { return values_; }
  std::span<double> values() {
    touch();
    return values_;
  }
  void setValue(std::size_t i, double value) {
    touch();
    values_[i] = value;
  }
  //! Differs from every earlier answer of any list once this one may have changed
  //! (what is drawn from it can be kept until then).
  std::uint64_t version() const { return version_; }

  //! True when the times follow a start and an interval (nothing is held per time).
  bool evenlySpaced() const { return times_.empty(); }
  //! Appends a sample, or inserts it directly after the last sample whose time is
  //! not greater, so equal times keep their arrival order.
  void insert(double time, double value);
  //! Keeps the first n samples (n not above size()).
  void resize(std::size_t n);
  //! Room for n values (and, once times are held one by one, n times).
  void reserve(std::size_t n);
  void clear() { *this = SampleList(); }
  //! The samples as (time, value) pairs.
  std::vector<Sample> pairs() const;

  bool operator==(const SampleList& other) const;

private:
  void holdTimes();  // from here on every time is held one by one
  void touch() { version_ = NextVersion(); }
  static std::uint64_t NextVersion();

  std::vector<double> values_;
  std::vector<double> times_;  // empty while the times follow start_ and interval_
  double start_ = 0.0;
  long double interval_ = 0.0L;
  std::uint64_t version_ = NextVersion();
};

class ThreeComponentRecord {
public:
  //! Empties all three components.
  void clear();
  //! Appends a sample, or inserts it directly after the last sample whose time is
  //! not greater, so equal times keep their arrival order.
  void append(Component c, double time, double value) { samples(c).insert(time, value); }

  std::size_t size(Component c) const { return samples(c).size(); }
  Sample sample(Component c, std::size_t i) const { return samples(c)[i]; }
  void setValue(Component c, std::size_t i, double value) { samples(c).setValue(i, value); }

  const SampleList& samples(Component c) const { return lists_[static_cast<int>(c)]; }
  SampleList& samples(Component c) { return lists_[static_cast<int>(c)]; }

  //! Both X and Z hold at least one sample (the rule for mouse actions on the charts).
  bool present() const { return !samples(Component::X).empty() && !samples(Component::Z).empty(); }
  //! |t(0) - t(1)| of a component, 0 with fewer than two samples.
  double samplingInterval(Component c) const;

  //! Replaces a component by samples given in arrival order, placed exactly as
  //! append() one by one would place them (a stable sort by time).
  void assign(Component c, std::vector<Sample> arrivals);
  //! Replaces a component by samples at start + i * interval.
  void assignEven(Component c, double start, long double interval, std::vector<double> values) {
    samples(c) = SampleList::Even(start, interval, std::move(values));
  }
  //! Reserves room for n samples in every component (a caller that knows its size).
  void reserve(std::size_t n);
  //! A record from the arrival lists of X, Y and Z (each put in time order as by append).
  static ThreeComponentRecord FromArrivals(std::vector<Sample> x, std::vector<Sample> y, std::vector<Sample> z);

  bool operator==(const ThreeComponentRecord& other) const;

private:
  std::array<SampleList, 3> lists_;
};

//! The first sample number whose time k * interval (formed as SampleList forms it)
//! is not finite; beyond any record when every time is.
long long FirstOverflowingSample(long double interval);

//! The samples all three components have: the length of the shortest one.
std::size_t CommonSampleCount(const ThreeComponentRecord& record);

//! How many samples a line-per-sample text holds, judged from its first lines and
//! the bytes left after them.
class LineCountEstimate {
public:
  //! The lines looked at before judging.
  static constexpr std::size_t kLines = 4096;
  //! Counts a line of `bytes` bytes (without its end); true once, at the kLines-th line.
  //! Counts `lines` lines of `bytes` bytes in all (their ends included).
  void countLines(std::size_t lines, std::uint64_t bytes) {
    lines_ += lines;
    bytes_ += bytes;
  }
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
template <class Item>
class BlockCollector {
public:
  void push(const Item& item) {
    if (blocks_.empty() || blocks_.back().size() == blocks_.back().capacity()) {
      // Small first blocks keep short records cheap; they double up to the full size.
      const std::size_t size = blocks_.empty() ? kFirstBlockSamples
                                               : std::min(kBlockSamples, 2 * blocks_.back().capacity());
      blocks_.emplace_back();
      blocks_.back().reserve(size);
    }
    blocks_.back().push_back(item);
  }
  //! A reader's estimate of how many samples will come in all: room for that many is
  //! taken at once, so that nothing is copied at the end when the estimate holds. Room
  //! that cannot be had is not taken (the blocks go on as before).
  void expect(std::size_t total);
  //! Pushes n items in order.
  void append(const Item* items, std::size_t n) {
    if (!blocks_.empty() && blocks_.back().capacity() - blocks_.back().size() >= n) {
      blocks_.back().insert(blocks_.back().end(), items, items + n);
      return;
    }
    for (std::size_t i = 0; i < n; ++i) push(items[i]);
  }
  //! The items in the order pushed; the collector is empty afterwards.
  std::vector<Item> take();

private:
  static constexpr std::size_t kFirstBlockSamples = 1024;
  static constexpr std::size_t kBlockSamples = std::size_t{1} << 16;
  std::vector<std::vector<Item>> blocks_;
};

//! Samples gathered one at a time (a reader of timed samples).
class SampleCollector : public BlockCollector<Sample> {
public:
  using BlockCollector<Sample>::push;
  void push(double time, double value) { push(Sample{time, value}); }
};
//! Values gathered one at a time (a reader of evenly spaced samples).
using ValueCollector = BlockCollector<double>;

}  // namespace corvath::import
