#include "import/channeltraces.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace corvath::import {
namespace {

constexpr double kRateTolerance = 1e-4;   // relative, as data centres merge records
constexpr std::size_t kListedBreaks = 10;  // gaps and overlaps named one by one in a notice
constexpr std::size_t kListedChannels = 20;
// Names offered to the channel question: enough for any sensor array, bounded for a
// file that claims millions of channels.
constexpr std::size_t kOfferedNames = 1000;

const char* componentLetter(Component c) { return c == Component::X ? "X" : c == Component::Y ? "Y" : "Z"; }

// A time or length in seconds, to the microsecond, without trailing zeros.
std::string seconds(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  std::string s = text;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string rateText(double hz) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", hz);
  return text;
}

// One channel's segments as pieces on a common relative axis (µs from `origin`).
struct Piece {
  long double start = 0;  // µs from the origin
  long double end = 0;    // time of the last sample
  std::size_t segment = 0;
};

struct Coverage {
  std::vector<Piece> pieces;          // by start
  std::vector<std::size_t> furthest;  // furthest[i]: the piece among 0..i that ends last
};

Coverage coverageOf(const ChannelTrace& trace, std::int64_t origin, long double intervalUs) {
  Coverage coverage;
  for (std::size_t s = 0; s < trace.segments.size(); ++s) {
    const TraceSegment& segment = trace.segments[s];
    if (segment.values.empty()) continue;
    const long double start = static_cast<long double>(segment.startMicroseconds) - origin;
    coverage.pieces.push_back({start, start + (segment.values.size() - 1) * intervalUs, s});
  }
  std::stable_sort(coverage.pieces.begin(), coverage.pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.start < b.start; });
  for (std::size_t i = 0; i < coverage.pieces.size(); ++i) {
    const bool further = i == 0 || coverage.pieces[i].end > coverage.pieces[coverage.furthest[i - 1]].end;
    coverage.furthest.push_back(further ? i : coverage.furthest[i - 1]);
  }
  return coverage;
}

// The piece of the coverage that starts no later than `at` and ends last.
std::optional<std::size_t> pieceAt(const Coverage& coverage, long double at) {
  const auto after = std::upper_bound(coverage.pieces.begin(), coverage.pieces.end(), at,
                                      [](long double t, const Piece& p) { return t < p.start; });
  if (after == coverage.pieces.begin()) return std::nullopt;
  return coverage.furthest[static_cast<std::size_t>(after - coverage.pieces.begin()) - 1];
}

struct Span {
  std::array<std::size_t, 3> segment{};  // the segment of each channel
  std::array<std::size_t, 3> first{};    // its first sample in the span
  std::size_t count = 0;                 // samples of the span
  long double start = 0;                 // µs from the origin
};

std::string describe(const ChannelTrace& trace, Component c) {
  return std::string(componentLetter(c)) + " (" + trace.name + ")";
}

}  // namespace

std::string UtcText(std::int64_t microseconds) {
  constexpr std::int64_t kPerDay = 86'400'000'000;
  std::int64_t days = microseconds / kPerDay;
  std::int64_t rest = microseconds % kPerDay;
  if (rest < 0) {
    rest += kPerDay;
    --days;
  }
  // The proleptic Gregorian date of a day count from 1970-01-01 (eras of 400 years).
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const std::int64_t second = rest / 1'000'000;
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%06lld UTC", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(second / 3600),
                static_cast<long long>(second / 60 % 60), static_cast<long long>(second % 60),
                static_cast<long long>(rest % 1'000'000));
  return text;
}

std::optional<Component> RoleFromChannelCode(std::string_view code) {
  while (!code.empty() && (code.back() == ' ' || code.back() == '\0')) code.remove_suffix(1);
  if (code.empty()) return std::nullopt;
  switch (code.back()) {
    case 'Z': case 'z': return Component::Z;
    case 'N': case 'n': case '1': return Component::X;
    case 'E': case 'e': case '2': return Component::Y;
    default: return std::nullopt;
  }
}

bool SameRate(double a, double b) { return std::fabs(a - b) <= kRateTolerance * std::max(std::fabs(a), std::fabs(b)); }

void AppendSamples(ChannelTrace& trace, std::int64_t startMicroseconds, std::span<const double> values) {
  if (values.empty()) return;
  if (!trace.segments.empty()) {
    TraceSegment& last = trace.segments.back();
    const long double intervalUs = 1e6L / trace.samplingRateHz;
    const long double due = static_cast<long double>(last.startMicroseconds) + last.values.size() * intervalUs;
    if (std::fabs(static_cast<long double>(startMicroseconds) - due) <= intervalUs / 2) {
      last.values.insert(last.values.end(), values.begin(), values.end());
      return;
    }
  }
  trace.segments.push_back({startMicroseconds, std::vector<double>(values.begin(), values.end())});
}

std::optional<std::array<std::size_t, 3>> ChooseChannels(const std::vector<ChannelTrace>& traces, bool givenOrder,
                                                         const ChannelPrompt& prompt, const std::string& path) {
  const std::size_t count = traces.size();
  if (count < 3) return std::nullopt;
  if (count == 3 && traces[0].station == traces[1].station && traces[1].station == traces[2].station) {
    std::array<std::optional<std::size_t>, 3> byRole;
    bool decided = true;
    for (std::size_t i = 0; i < 3; ++i) {
      const auto role = traces[i].role;
      if (!role || byRole[static_cast<int>(*role)]) {
        decided = false;
        break;
      }
      byRole[static_cast<int>(*role)] = i;
    }
    if (decided) return std::array<std::size_t, 3>{*byRole[0], *byRole[1], *byRole[2]};
  }
  if (givenOrder && count == 3) return std::array<std::size_t, 3>{0, 1, 2};

  TraceList offered{static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max())), {}};
  for (std::size_t i = 0; i < count && i < kOfferedNames; ++i) offered.names.push_back(traces[i].name);
  const ChannelChoice choice = prompt ? prompt(offered) : ChannelChoice{};
  const std::array<int, 3> picks{choice.first, choice.second, choice.third};
  std::array<std::size_t, 3> chosen{};
  for (int c = 0; c < 3; ++c) {
    if (picks[c] < 1 || static_cast<std::size_t>(picks[c]) > count) {
      std::string list;
      for (std::size_t i = 0; i < count && i < kListedChannels; ++i)
        list += (i ? ", " : "") + std::to_string(i + 1) + " " + traces[i].name;
      if (count > kListedChannels) list += ", ...";
      throw FormatError("File \"" + path + "\": channel " + std::to_string(picks[c]) + " was chosen for " +
                            componentLetter(static_cast<Component>(c)) + ", but the record has the channels 1 to " +
                            std::to_string(count) + " (" + list + ")",
                        path);
    }
    chosen[c] = static_cast<std::size_t>(picks[c]) - 1;
  }
  return chosen;
}

ChannelRecord AssembleChannels(const ChannelTrace& x, const ChannelTrace& y, const ChannelTrace& z,
                               const std::string& path) {
  const std::array<const ChannelTrace*, 3> traces{&x, &y, &z};
  const double rate = x.samplingRateHz;
  if (!(rate > 0) || !std::isfinite(rate) || !SameRate(rate, y.samplingRateHz) || !SameRate(rate, z.samplingRateHz)) {
    std::string list;
    for (Component c : kComponents)
      list += (c == Component::X ? "" : ", ") + describe(*traces[static_cast<int>(c)], c) + " " +
              rateText(traces[static_cast<int>(c)]->samplingRateHz) + " Hz";
    throw FormatError("File \"" + path + "\": the components have different sampling rates: " + list, path);
  }
  const long double intervalUs = 1e6L / rate;
  const long double half = intervalUs / 2;

  // The earliest sample of the three is the origin of every time in the notice.
  std::int64_t origin = std::numeric_limits<std::int64_t>::max();
  for (const ChannelTrace* trace : traces)
    for (const TraceSegment& segment : trace->segments)
      if (!segment.values.empty()) origin = std::min(origin, segment.startMicroseconds);
  std::array<Coverage, 3> coverage;
  for (int c = 0; c < 3; ++c) coverage[c] = coverageOf(*traces[c], origin, intervalUs);

  // Each sample stands for half an interval either side of it. A common span
  // starts where one of the pieces starts; at each such start take, for every
  // channel, the piece that reaches furthest.
  Span best;
  for (int lead = 0; lead < 3; ++lead) {
    for (const Piece& candidate : coverage[lead].pieces) {
      const long double at = candidate.start;
      Span span;
      span.start = at;
      span.count = std::numeric_limits<std::size_t>::max();
      bool covered = true;
      for (int c = 0; c < 3 && covered; ++c) {
        const auto index = pieceAt(coverage[c], at + half);
        if (!index || coverage[c].pieces[*index].end + half <= at) {
          covered = false;
          break;
        }
        const Piece& piece = coverage[c].pieces[*index];
        const std::size_t size = traces[c]->segments[piece.segment].values.size();
        const long double offset = std::floor((at - piece.start + half) / intervalUs);
        const std::size_t first = offset <= 0 ? 0 : static_cast<std::size_t>(offset);
        if (first >= size) {
          covered = false;
          break;
        }
        span.segment[c] = piece.segment;
        span.first[c] = first;
        span.count = std::min(span.count, size - first);
      }
      if (covered && (span.count > best.count || (span.count == best.count && span.start < best.start))) best = span;
    }
  }
  if (best.count == 0) {
    std::string list;
    for (Component c : kComponents) list += (c == Component::X ? "" : ", ") + describe(*traces[static_cast<int>(c)], c);
    throw FormatError("File \"" + path + "\": the components " + list + " share no time", path);
  }

  ChannelRecord result;
  const long double dt = 1.0L / rate;
  for (Component c : kComponents) {
    const int k = static_cast<int>(c);
    const std::vector<double>& values = traces[k]->segments[best.segment[k]].values;
    const auto first = values.begin() + static_cast<std::ptrdiff_t>(best.first[k]);
    result.record.assignEven(c, 0.0, dt, std::vector<double>(first, first + static_cast<std::ptrdiff_t>(best.count)));
  }

  // What was left out: the breaks of each channel, then the samples not loaded.
  std::vector<std::string> breaks;
  std::size_t breakCount = 0;
  std::string leftOut;
  for (Component c : kComponents) {
    const ChannelTrace& trace = *traces[static_cast<int>(c)];
    std::size_t total = 0;
    for (std::size_t s = 0; s < trace.segments.size(); ++s) {
      const TraceSegment& segment = trace.segments[s];
      total += segment.values.size();
      if (s == 0 || segment.values.empty() || trace.segments[s - 1].values.empty()) continue;
      const TraceSegment& previous = trace.segments[s - 1];
      const long double due = static_cast<long double>(previous.startMicroseconds) - origin +
                              previous.values.size() * intervalUs;
      const long double start = static_cast<long double>(segment.startMicroseconds) - origin;
      ++breakCount;
      if (breaks.size() < kListedBreaks) {
        const bool gap = start > due;
        breaks.push_back(std::string(gap ? "gap" : "overlap") + " of " +
                         seconds(static_cast<double>(std::fabs(start - due) / 1e6L)) + " s at " +
                         seconds(static_cast<double>((gap ? due : start) / 1e6L)) + " s in " + describe(trace, c));
      }
    }
    if (total > best.count)
      leftOut += std::string(leftOut.empty() ? "" : ", ") + seconds(static_cast<double>((total - best.count) / rate)) +
                 " s of " + describe(trace, c);
  }
  if (leftOut.empty()) return result;
  const long double spanSeconds = static_cast<long double>(best.count - 1) / rate;
  const bool utc = x.utcTimes && y.utcTimes && z.utcTimes;
  result.notice = "Loaded " + seconds(static_cast<double>(spanSeconds)) + " s from " +
                  seconds(static_cast<double>(best.start / 1e6L)) + " s (times from the earliest sample" +
                  (utc ? ", " + UtcText(origin) : std::string()) + "), the " +
                  "longest span all three components cover without a break; left out " + leftOut + ".";
  if (breakCount > 0) {
    result.notice += " Breaks: ";
    for (std::size_t i = 0; i < breaks.size(); ++i) result.notice += (i ? "; " : "") + breaks[i];
    if (breakCount > breaks.size()) result.notice += "; and " + std::to_string(breakCount - breaks.size()) + " more";
    result.notice += ".";
  }
  return result;
}

std::optional<ThreeComponentRecord> RecordFromChannels(const std::vector<ChannelTrace>& traces, bool givenOrder,
                                                       const ChannelPrompt& prompt, const std::string& path,
                                                       std::string* notice) {
  const auto chosen = ChooseChannels(traces, givenOrder, prompt, path);
  if (!chosen) return std::nullopt;
  ChannelRecord assembled = AssembleChannels(traces[(*chosen)[0]], traces[(*chosen)[1]], traces[(*chosen)[2]], path);
  if (notice) {
    // Which trace became which component, then what was left out.
    *notice = "X: " + traces[(*chosen)[0]].name + ", Y: " + traces[(*chosen)[1]].name + ", Z: " +
              traces[(*chosen)[2]].name + ".";
    if (!assembled.notice.empty()) *notice += " " + assembled.notice;
  }
  return std::move(assembled.record);
}

}  // namespace corvath::import
