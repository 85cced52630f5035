#include "import/sac.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "numerics/textfile.h"

namespace corvath::import {
namespace {

// Header words (4 bytes each) and string offsets used by the reader.
constexpr std::size_t kDelta = 0, kB = 5, kCmpaz = 57, kCmpinc = 58;
constexpr std::size_t kNzyear = 70, kNvhdr = 76, kNpts = 79, kIftype = 85, kLeven = 105;
constexpr std::size_t kStationAt = 440, kHoleAt = 464, kComponentAt = 600, kNetworkAt = 608;
constexpr int kTimeSeries = 1;                  // iftype ITIME
constexpr double kMaxOffsetSeconds = 1e10;      // |b| beyond this is not a time
constexpr std::int64_t kMicros = 1000000;

struct Header {
  std::string_view bytes;
  bool bigEndian = false;

  std::uint32_t word(std::size_t index) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + 4 * index);
    return bigEndian ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                     : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
  }
  std::int32_t integer(std::size_t index) const { return static_cast<std::int32_t>(word(index)); }
  float real(std::size_t index) const {
    const std::uint32_t bits = word(index);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::string text(std::size_t at, std::size_t length) const {
    std::string s(bytes.substr(at, length));
    const std::size_t end = s.find_last_not_of(std::string(" \0", 2));
    s.erase(end == std::string::npos ? 0 : end + 1);
    if (const std::size_t nul = s.find('\0'); nul != std::string::npos) s.erase(nul);
    return s == "-12345" ? std::string() : s;
  }
};

bool plausibleVersion(std::int32_t v) { return v >= 1 && v <= 20; }

std::string offsetOf(std::size_t word) { return "offset " + std::to_string(4 * word); }

// Days from 1970-01-01 to the first of January of `year` (proleptic Gregorian).
std::int64_t daysToYear(std::int64_t year) {
  const std::int64_t y = year - 1;
  return 365 * (year - 1970) + (y / 4 - y / 100 + y / 400) - (1969 / 4 - 1969 / 100 + 1969 / 400);
}

bool undefined(float v) { return v == static_cast<float>(kSacUndefined); }

// delta as the shortest decimal that its float holds (0.01, not 0.0099999998).
double decimalOf(float value) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  if (ec != std::errc()) return value;
  *end = '\0';
  return std::strtod(text, nullptr);
}

std::optional<Component> roleFromOrientation(float azimuth, float incidence) {
  if (undefined(incidence)) return std::nullopt;
  const auto near = [](float a, double b) { return std::fabs(a - b) < 0.01; };
  if (near(incidence, 0) || near(incidence, 180)) return Component::Z;
  if (!near(incidence, 90) || undefined(azimuth)) return std::nullopt;
  if (near(azimuth, 0) || near(azimuth, 180) || near(azimuth, 360)) return Component::X;
  if (near(azimuth, 90) || near(azimuth, 270)) return Component::Y;
  return std::nullopt;
}

Header headerOf(std::string_view bytes, const std::string& path) {
  if (bytes.size() < kSacHeaderSize)
    throw MalformedFile(path, "the SAC header needs 632 bytes, the file holds " + std::to_string(bytes.size()) +
                                  " bytes");
  Header header{bytes, false};
  const std::int32_t little = header.integer(kNvhdr);
  if (plausibleVersion(little)) return header;
  header.bigEndian = true;
  const std::int32_t big = header.integer(kNvhdr);
  if (plausibleVersion(big)) return header;
  throw MalformedFile(path, "not a SAC file: the header version at offset 304 reads " + std::to_string(little) +
                                " (little-endian) or " + std::to_string(big) + " (big-endian), not 1 to 20");
}

}  // namespace

bool SacHasReferenceTime(std::string_view bytes) {
  if (bytes.size() < kSacHeaderSize) return false;
  Header header{bytes, false};
  if (!plausibleVersion(header.integer(kNvhdr))) header.bigEndian = true;
  for (std::size_t w = kNzyear; w < kNzyear + 6; ++w)
    if (header.integer(w) == kSacUndefined) return false;
  return true;
}

ChannelTrace ParseSac(std::string_view bytes, const std::string& path, bool useReferenceTime) {
  const Header header = headerOf(bytes, path);

  const std::int32_t type = header.integer(kIftype);
  if (type != kTimeSeries && type != kSacUndefined)
    throw MalformedFile(path, "iftype " + std::to_string(type) + " at " + offsetOf(kIftype) +
                                  ": not a time series (1), which is all a record can hold");
  if (header.integer(kLeven) == 0)
    throw MalformedFile(path, "leven at " + offsetOf(kLeven) + " says the samples are not evenly spaced");
  const float delta = header.real(kDelta);
  if (!(delta > 0) || !std::isfinite(delta))
    throw MalformedFile(path, "the sampling interval delta at offset 0 is " + std::to_string(delta) +
                                  "; it must be a positive number");
  const std::int32_t npts = header.integer(kNpts);
  const std::uint64_t size = bytes.size();
  if (npts < 0) throw MalformedFile(path, "npts at " + offsetOf(kNpts) + " is " + std::to_string(npts));
  const std::uint64_t dataEnd = kSacHeaderSize + std::uint64_t{4} * static_cast<std::uint32_t>(npts);
  if (dataEnd > size)
    throw MalformedFile(path, "npts at " + offsetOf(kNpts) + " is " + std::to_string(npts) +
                                  ": the samples end at byte " + std::to_string(dataEnd) +
                                  ", beyond the end of the file (" + std::to_string(size) + " bytes)");

  // The reference time; the epoch when it is not set.
  std::int64_t reference = 0;
  const bool referenced = useReferenceTime && SacHasReferenceTime(bytes);
  if (referenced) {
    struct Field {
      const char* name;
      int low, high;
    };
    static constexpr Field fields[6] = {{"nzyear", 0, 9999}, {"nzjday", 1, 366}, {"nzhour", 0, 23},
                                        {"nzmin", 0, 59},   {"nzsec", 0, 60},   {"nzmsec", 0, 999}};
    std::int64_t v[6];
    for (std::size_t i = 0; i < 6; ++i) {
      v[i] = header.integer(kNzyear + i);
      if (v[i] < fields[i].low || v[i] > fields[i].high)
        throw MalformedFile(path, std::string(fields[i].name) + " at " + offsetOf(kNzyear + i) + " is " +
                                      std::to_string(v[i]) + ", outside " + std::to_string(fields[i].low) + " to " +
                                      std::to_string(fields[i].high));
    }
    const std::int64_t days = daysToYear(v[0]) + v[1] - 1;
    reference = (((days * 24 + v[2]) * 60 + v[3]) * 60 + v[4]) * kMicros + v[5] * 1000;
  }
  const float begin = header.real(kB);
  double offsetSeconds = 0.0;
  if (!undefined(begin)) {
    if (!std::isfinite(begin) || std::fabs(begin) > kMaxOffsetSeconds)
      throw MalformedFile(path, "the begin time b at " + offsetOf(kB) + " is " + std::to_string(begin) + " s");
    offsetSeconds = begin;
  }

  ChannelTrace trace;
  const std::string component = header.text(kComponentAt, 8);
  trace.name = std::filesystem::path(path).filename().string() + (component.empty() ? "" : " (" + component + ")");
  trace.station = header.text(kNetworkAt, 8) + "." + header.text(kStationAt, 8) + "." + header.text(kHoleAt, 8);
  trace.role = component.empty() ? roleFromOrientation(header.real(kCmpaz), header.real(kCmpinc))
                                  : RoleFromChannelCode(component);
  trace.samplingRateHz = 1.0 / decimalOf(delta);
  trace.utcTimes = referenced;

  std::vector<double> values;
  values.reserve(static_cast<std::size_t>(npts));  // the file holds them (checked above)
  for (std::int32_t i = 0; i < npts; ++i) {
    const float value = header.real(kSacHeaderSize / 4 + static_cast<std::size_t>(i));
    if (!std::isfinite(value))
      throw MalformedFile(path, "sample " + std::to_string(i + 1) + " at offset " +
                                    std::to_string(kSacHeaderSize + 4 * static_cast<std::uint64_t>(i)) +
                                    " is not a finite number");
    values.push_back(value);
  }
  const std::int64_t start = reference + std::llround(offsetSeconds * kMicros);
  trace.segments.push_back({start, std::move(values)});
  return trace;
}

std::optional<ThreeComponentRecord> ReadSacFiles(const std::vector<std::string>& paths, const ChannelPrompt& prompt,
                                                 std::string* notice) {
  if (paths.empty()) throw FormatError("no SAC file given");
  std::vector<std::string> contents;
  bool allReferenced = true;
  for (const std::string& path : paths) {
    contents.push_back(numerics::ReadBinaryFile(path));
    allReferenced = allReferenced && SacHasReferenceTime(contents.back());
  }
  // When one file sets no reference time, the files are lined up by b alone.
  std::vector<ChannelTrace> traces;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    traces.push_back(ParseSac(contents[i], paths[i], allReferenced));
    traces.back().fileIndex = i;
    contents[i] = std::string();
  }
  return RecordFromChannels(traces, true, prompt, paths.front(), notice);
}

}  // namespace corvath::import
