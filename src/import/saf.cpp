// SAF files: a header of keyword lines, an end-of-header line holding "####-",
// then one time step per line with the vertical, X and Y values.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "import/memorylines.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/parallel.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

constexpr double kDefaultIntervalSeconds = 0.001;  // 1000 Hz when the header names no frequency

struct SafHeader {
  double intervalSeconds = kDefaultIntervalSeconds;
  bool rateRead = false;  // a "samp_freq" line gave the interval
  std::size_t unreadableLine = 0;  // the last "samp_freq" line without a number (1-based), 0 for none
  bool ended = false;     // the end-of-header line was found
};

// A word written as a number that a double cannot hold: NaN, an infinity, or
// decimal digits whose exponent overflows (TextToNumber rejected it already).
bool nonFiniteNumberWord(std::string_view word) {
  std::string lower(word);
  numerics::LowerAscii(lower);
  std::string_view w = lower;
  if (!w.empty() && (w.front() == '+' || w.front() == '-')) w.remove_prefix(1);
  if (w == "nan" || w == "inf" || w == "infinity") return true;
  std::size_t i = 0, digits = 0;
  while (i < w.size() && w[i] >= '0' && w[i] <= '9') ++i, ++digits;
  if (i < w.size() && (w[i] == '.' || w[i] == ',')) ++i;
  while (i < w.size() && w[i] >= '0' && w[i] <= '9') ++i, ++digits;
  if (digits == 0 || i == w.size() || w[i] != 'e') return false;
  ++i;
  if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
  const std::size_t exponentStart = i;
  while (i < w.size() && w[i] >= '0' && w[i] <= '9') ++i;
  return i == w.size() && i > exponentStart;
}

std::string rateText(double hz) { return numerics::NumberToShortestText(hz) + " Hz"; }

// Reads header lines up to and including the first "####-" line. The last
// "samp_freq" line that holds a number sets the sampling interval; a value that is
// not a positive finite frequency is refused.
template <class Lines>
SafHeader readHeader(Lines& reader, const std::string& path) {
  SafHeader header;
  std::string_view line;
  numerics::arofdoubleM numbers;
  std::size_t lineNumber = 0;
  while (reader.next(line)) {
    ++lineNumber;
    if (numerics::ContainsLoweredAscii(line, "samp_freq")) {
      numerics::SplitNumbersInto(line, numbers);
      if (!numbers.empty()) {
        const double frequency = numbers.front();
        if (frequency == 0.0)
          throw FormatError("Floating point division by zero: line " + std::to_string(lineNumber) +
                                " of the header gives the sampling frequency samp_freq as 0",
                            path);
        if (frequency < 0.0)
          throw MalformedFile(path, "line " + std::to_string(lineNumber) + ": the sampling frequency samp_freq is " +
                                        rateText(frequency) + "; it must be positive");
        header.intervalSeconds = 1.0 / frequency;
        if (!std::isfinite(header.intervalSeconds)) throw FormatError("Floating point overflow", path);
        header.rateRead = true;
        header.unreadableLine = 0;
      } else {
        for (const std::string& word : numerics::SplitWords(line))
          if (nonFiniteNumberWord(word))
            throw MalformedFile(path, "line " + std::to_string(lineNumber) + ": the sampling frequency samp_freq \"" +
                                          word + "\" is not a finite number");
        header.unreadableLine = lineNumber;
      }
    }
    if (numerics::ContainsLoweredAscii(line, "####-")) {
      header.ended = true;
      break;
    }
  }
  return header;
}

// What the user should know about the rate: the one assumed when the header names none.
std::string rateNotice(const SafHeader& header, const std::string& path) {
  if (header.rateRead && header.unreadableLine == 0) return {};
  const std::string assumed = rateText(1.0 / header.intervalSeconds);
  const std::string file = "\"" + path + "\"";
  if (header.unreadableLine != 0)
    return file + ": line " + std::to_string(header.unreadableLine) +
           " holds no readable samp_freq number; the sampling rate " + assumed + " was assumed";
  return file + ": no samp_freq line; the sampling rate " + assumed + " was assumed";
}

// The data lines one at a time: the way for a rate so low that a time may overflow
// (the line where it does is the one to report).
template <class Lines>
std::optional<ThreeComponentRecord> readDataLines(Lines& reader, const SafHeader& header, long long overflowAt,
                                                  const std::string& path) {
  std::string_view line;
  if (!reader.next(line)) return std::nullopt;  // nothing after the end-of-header line

  ValueCollector x, y, z;
  numerics::arofdoubleM numbers;
  LineCountEstimate estimate;
  long long k = 0;
  do {
    if (estimate.count(line.size())) {
      const std::size_t expected = estimate.expectedSamples(static_cast<std::size_t>(k), reader.bytesLeft());
      for (ValueCollector* c : {&x, &y, &z}) c->expect(expected);
    }
    numerics::SplitNumbersInto(line, numbers);
    if (numbers.size() < 3) continue;
    if (k == overflowAt) throw FormatError("Floating point overflow", path);
    z.push(numbers[0]);
    x.push(numbers[1]);
    y.push(numbers[2]);
    ++k;
  } while (reader.next(line));

  ThreeComponentRecord record;
  record.assignEven(Component::X, 0.0, header.intervalSeconds, x.take());
  record.assignEven(Component::Y, 0.0, header.intervalSeconds, y.take());
  record.assignEven(Component::Z, 0.0, header.intervalSeconds, z.take());
  return record;
}

// What a stretch of data lines gave: the first three numbers of every line that has
// three, column by column, into the record's collectors (the first half of a block)
// or into lists of its own (the second half, added once the first is in).
struct DataLines {
  ValueCollector *z = nullptr, *x = nullptr, *y = nullptr;  // null: the lists below
  std::vector<double> zs, xs, ys;
  std::size_t lines = 0;     // lines seen
  std::size_t accepted = 0;  // lines that gave three numbers
  std::size_t tooLong = 0;   // the line (1-based in the stretch) longer than the limit; 0 for none

  void push(const double (&v)[3]) {
    ++accepted;
    if (z) {
      z->push(v[0]);
      x->push(v[1]);
      y->push(v[2]);
    } else {
      zs.push_back(v[0]);
      xs.push_back(v[1]);
      ys.push_back(v[2]);
    }
  }
  void clear() {
    zs.clear();
    xs.clear();
    ys.clear();
    lines = accepted = tooLong = 0;
  }
};

// Reads the lines of `text` (each ends at a LF, the last one perhaps not) exactly as
// SplitNumbersInto reads each line without its CRs. A line's end is found with one
// vectorised search; its fields are read in place, and only a line with a CR inside
// it is copied.
void readLines(std::string_view text, DataLines& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  std::string scratch;
  numerics::arofdoubleM numbers;
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* const lineEnd = lf ? lf : end;
    ++out.lines;
    if (static_cast<std::size_t>(lineEnd - p) > numerics::kMaxLineBytes) {
      out.tooLong = out.lines;
      return;
    }
    const char* e = lineEnd;
    while (e > p && e[-1] == '\r') --e;  // CR LF line ends
    double v[3];
    int found = 0;
    bool carriageReturn = false;
    for (const char* q = p; q < e && found < 3 && !carriageReturn;) {
      while (q < e && (*q == ' ' || *q == '\t')) ++q;
      const char* const field = q;
      while (q < e && *q != ' ' && *q != '\t') carriageReturn |= *q++ == '\r';
      if (!carriageReturn && q > field &&
          numerics::ParseDecimal(std::string_view(field, static_cast<std::size_t>(q - field)), v[found]))
        ++found;
    }
    if (carriageReturn) {  // a CR within the line joins what it separates
      numerics::SplitNumbersInto(
          numerics::WithoutCarriageReturns(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), scratch),
          numbers);
      found = static_cast<int>(std::min<std::size_t>(numbers.size(), 3));
      std::copy(numbers.begin(), numbers.begin() + found, v);
    }
    if (found == 3) out.push(v);
    p = lf ? lf + 1 : end;
  }
}

// Text read per block of this size; each block is parsed in two halves side by side.
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

template <class Lines>
std::optional<ThreeComponentRecord> readSaf(Lines& reader, const std::string& path, ReadControl* control) {
  const SafHeader header = readHeader(reader, path);
  if (!header.ended) return std::nullopt;

  // Columns: vertical (Z), X, Y; the k-th accepted line has the time k * dt.
  const long long overflowAt = FirstOverflowingSample(header.intervalSeconds);
  if (overflowAt <= (1LL << 50)) {
    auto record = readDataLines(reader, header, overflowAt, path);
    if (record && control) control->notice = rateNotice(header, path);
    return record;
  }

  std::string_view block;
  if (!reader.nextBlock(block, kBlockBytes)) return std::nullopt;  // nothing after the end-of-header line
  ValueCollector x, y, z;
  std::array<DataLines, 2> halves;
  halves[0].z = &z;
  halves[0].x = &x;
  halves[0].y = &y;
  std::size_t linesBefore = reader.lineNumber();
  bool estimated = false;
  const std::size_t workers = numerics::WorkerCount(control ? control->workers : 0);
  do {
    // Halves that meet at a line end.
    std::size_t middle = block.size();
    if (block.size() > 4096) {
      const auto lf = block.find('\n', block.size() / 2);
      if (lf != std::string_view::npos) middle = lf + 1;
    }
    const std::array<std::string_view, 2> texts{block.substr(0, middle), block.substr(middle)};
    numerics::ParallelFor(2, workers, [&](std::size_t h) {
      halves[h].clear();
      readLines(texts[h], halves[h]);
    });
    for (const DataLines& half : halves) {
      if (half.tooLong) throw numerics::LineTooLong(path, linesBefore + half.tooLong);
      linesBefore += half.lines;
    }
    if (!estimated) {  // the first block tells how many samples the rest will bring
      estimated = true;
      LineCountEstimate estimate;
      estimate.countLines(halves[0].lines + halves[1].lines, block.size());
      const std::size_t expected =
          estimate.expectedSamples(halves[0].accepted + halves[1].accepted, reader.bytesLeft());
      for (ValueCollector* c : {&x, &y, &z}) c->expect(expected);
    }
    z.append(halves[1].zs.data(), halves[1].zs.size());
    x.append(halves[1].xs.data(), halves[1].xs.size());
    y.append(halves[1].ys.data(), halves[1].ys.size());
  } while (reader.nextBlock(block, kBlockBytes));

  ThreeComponentRecord record;
  record.assignEven(Component::X, 0.0, header.intervalSeconds, x.take());
  record.assignEven(Component::Y, 0.0, header.intervalSeconds, y.take());
  record.assignEven(Component::Z, 0.0, header.intervalSeconds, z.take());
  if (control) control->notice = rateNotice(header, path);
  return record;
}

}  // namespace

std::optional<ThreeComponentRecord> ReadSafFile(const std::string& path, ReadControl* control) {
  numerics::TextLineReader reader(path, control ? control->progress : nullptr);
  return readSaf(reader, path, control);
}

std::optional<ThreeComponentRecord> ReadSafText(std::string_view text, const std::string& name,
                                                ReadControl* control) {
  MemoryLineReader reader(text, name);
  return readSaf(reader, name, control);
}

}  // namespace corvath::import
