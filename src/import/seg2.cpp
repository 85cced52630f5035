#include "import/seg2.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

constexpr std::uint16_t kFileBlockId = 0x3A55;
constexpr std::size_t kFileDescriptorSize = 32;
constexpr std::size_t kTraceFixedSize = 32;
constexpr std::size_t kSampleBytes = 4;
constexpr std::size_t kMaxKeywordGap = 4;  // the value must start fewer than 4 characters after the keyword

std::uint16_t u16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}
std::uint32_t u32(std::string_view bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}
float f32(std::string_view bytes, std::size_t at) {
  const std::uint32_t bits = u32(bytes, at);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

std::string traceLabel(std::size_t index, std::uint64_t offset) {
  return "SEG-2 trace " + std::to_string(index + 1) + " (descriptor at offset " + std::to_string(offset) + ")";
}

// The string area as text: letters, digits and + , - . / _ kept (letters lowered),
// a byte 0 or a space becomes a space, every other byte "_".
std::string stringAreaText(std::string_view area) {
  std::string text(area.size(), ' ');
  for (std::size_t i = 0; i < area.size(); ++i) {
    const char c = area[i];
    if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c != 0 && std::strchr("+,-./_", c))) text[i] = c;
    else if (c == 0 || c == ' ') text[i] = ' ';
    else text[i] = '_';
  }
  return text;
}

// The value of the last "sample_interval" keyword followed, fewer than four
// characters later, by a number; 0 when there is none.
double sampleInterval(std::string_view area) {
  const std::string text = stringAreaText(area);
  double interval = 0.0;
  std::size_t i = 0;
  std::size_t keywordEnd = std::string::npos;  // end of the previous word when it was the keyword
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i == start) break;
    const std::string_view word(text.data() + start, i - start);
    if (keywordEnd != std::string::npos && start - keywordEnd < kMaxKeywordGap) {
      const double value = numerics::TextToNumber(word);
      if (value != numerics::InvalidNumber) interval = value;
    }
    keywordEnd = word == "sample_interval" ? i : std::string::npos;
  }
  return interval;
}

// Codes of the SEG-2 standard whose samples are not 4 bytes wide, with their width.
const char* unsupportedWidth(std::uint8_t code) {
  switch (code) {
    case 1: return "2-byte (16-bit fixed point)";
    case 3: return "2.5-byte (20-bit floating point)";
    case 5: return "8-byte (64-bit floating point)";
    default: return nullptr;
  }
}

// A sample read as an IEEE single looks like a stored integer when it is a NaN
// or a non-zero value of magnitude below 1e-30.
Seg2SampleFormat guessFormat(float firstSample) {
  if (std::isnan(firstSample) || (firstSample != 0.0f && std::fabs(firstSample) < 1e-30f))
    return Seg2SampleFormat::Int32;
  return Seg2SampleFormat::Float32;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool IsSeg2(std::string_view leadingBytes) noexcept {
  return leadingBytes.size() >= 2 && u16(leadingBytes, 0) == kFileBlockId;
}

bool IsSeg2File(const std::string& path) noexcept {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  char head[2];
  return std::fread(head, 1, 2, f.get()) == 2 && IsSeg2(std::string_view(head, 2));
}

Seg2File ParseSeg2(std::string_view bytes, const std::string& path) {
  const std::uint64_t size = bytes.size();
  const std::string sizeText = std::to_string(size) + " bytes";
  if (size < kFileDescriptorSize)
    throw MalformedFile(path, "the SEG-2 file descriptor block needs 32 bytes, the file holds " + sizeText);
  const std::uint16_t traceCount = u16(bytes, 6);
  const std::uint64_t pointersEnd = kFileDescriptorSize + std::uint64_t{4} * traceCount;
  if (pointersEnd > size)
    throw MalformedFile(path, "the " + std::to_string(traceCount) + " SEG-2 trace pointers end at byte " +
                                  std::to_string(pointersEnd) + ", beyond the end of the file (" + sizeText + ")");

  Seg2File file;
  file.traces.resize(traceCount);  // bounded by the file size checked above
  Seg2SampleFormat guessed = Seg2SampleFormat::Undecided;
  for (std::size_t i = 0; i < traceCount; ++i) {
    Seg2Trace& trace = file.traces[i];
    trace.descriptorOffset = u32(bytes, kFileDescriptorSize + 4 * i);
    const std::uint64_t at = trace.descriptorOffset;
    const std::string label = traceLabel(i, at);
    if (at + kTraceFixedSize > size)
      throw MalformedFile(path, label + ": the 32 fixed bytes of the descriptor end at byte " +
                                    std::to_string(at + kTraceFixedSize) + ", beyond the end of the file (" +
                                    sizeText + ")");
    trace.descriptorSize = u16(bytes, at + 2);
    trace.sampleCount = u32(bytes, at + 8);
    trace.formatCode = static_cast<std::uint8_t>(bytes[at + 12]);
    if (trace.descriptorSize < kTraceFixedSize)
      throw MalformedFile(path, label + ": the descriptor size " + std::to_string(trace.descriptorSize) +
                                    " is less than its 32 fixed bytes");
    const std::size_t areaSize = trace.descriptorSize - kTraceFixedSize;
    if (areaSize > kSeg2MaxStringArea)
      throw MalformedFile(path, label + ": the string area holds " + std::to_string(areaSize) +
                                    " bytes, more than " + std::to_string(kSeg2MaxStringArea));
    trace.dataOffset = at + trace.descriptorSize;
    if (trace.dataOffset > size)
      throw MalformedFile(path, label + ": the descriptor of " + std::to_string(trace.descriptorSize) +
                                    " bytes ends at byte " + std::to_string(trace.dataOffset) +
                                    ", beyond the end of the file (" + sizeText + ")");
    if (const char* width = unsupportedWidth(trace.formatCode))
      throw MalformedFile(path, label + ": data format code " + std::to_string(trace.formatCode) + " stores " +
                                    width + " samples; only 4-byte samples (codes 2 and 4) can be read");
    const std::uint64_t dataEnd = trace.dataOffset + kSampleBytes * std::uint64_t{trace.sampleCount};
    if (dataEnd > size)
      throw MalformedFile(path, label + ": the data block of " + std::to_string(trace.sampleCount) +
                                    " samples (" + std::to_string(kSampleBytes * std::uint64_t{trace.sampleCount}) +
                                    " bytes) at offset " + std::to_string(trace.dataOffset) + " ends at byte " +
                                    std::to_string(dataEnd) + ", beyond the end of the file (" + sizeText + ")");
    trace.intervalSeconds = sampleInterval(bytes.substr(at + kTraceFixedSize, areaSize));

    // Codes 2 and 4 say how the samples are stored; for any other code the first
    // sample of the file decides once for all such traces.
    if (trace.formatCode == 2) {
      trace.sampleFormat = Seg2SampleFormat::Int32;
    } else if (trace.formatCode == 4) {
      trace.sampleFormat = Seg2SampleFormat::Float32;
    } else {
      if (guessed == Seg2SampleFormat::Undecided && trace.sampleCount > 0)
        guessed = guessFormat(f32(bytes, trace.dataOffset));
      trace.sampleFormat = guessed;
    }
  }

  // Traces without an interval take the last non-zero one in trace order.
  double lastInterval = 0.0;
  for (const Seg2Trace& trace : file.traces)
    if (trace.intervalSeconds != 0.0) lastInterval = trace.intervalSeconds;
  for (Seg2Trace& trace : file.traces)
    if (trace.intervalSeconds == 0.0) trace.intervalSeconds = lastInterval;
  return file;
}

std::vector<double> Seg2Samples(std::string_view bytes, const Seg2File& file, std::size_t index,
                                const std::string& path) {
  const Seg2Trace& trace = file.traces.at(index);
  std::vector<double> samples;
  samples.reserve(trace.sampleCount);  // ParseSeg2 checked that the file holds them
  std::size_t at = trace.dataOffset;
  for (std::uint32_t j = 0; j < trace.sampleCount; ++j, at += kSampleBytes) {
    float value;
    if (trace.sampleFormat == Seg2SampleFormat::Int32) {
      value = static_cast<float>(static_cast<std::int32_t>(u32(bytes, at)));
    } else {
      value = f32(bytes, at);
      if (!std::isfinite(value))
        throw MalformedFile(path, traceLabel(index, trace.descriptorOffset) + ": sample " + std::to_string(j + 1) +
                                      " at offset " + std::to_string(at) + " is not a finite number");
    }
    samples.push_back(value);
  }
  return samples;
}

std::optional<ThreeComponentRecord> BuildSeg2Record(std::string_view bytes, const Seg2File& file,
                                                    const ChannelPrompt& prompt, const std::string& path) {
  const std::size_t traceCount = file.traces.size();
  if (traceCount < 3) return std::nullopt;
  const ChannelChoice choice = prompt ? prompt(static_cast<int>(traceCount)) : ChannelChoice{};
  const std::array<std::pair<Component, int>, 3> picks{
      {{Component::X, choice.first}, {Component::Y, choice.second}, {Component::Z, choice.third}}};
  for (const auto& [component, channel] : picks)
    if (channel < 1 || static_cast<std::size_t>(channel) > traceCount)
      throw FormatError("File \"" + path + "\": channel " + std::to_string(channel) + " was chosen for " +
                            "XYZ"[static_cast<int>(component)] + ", but the file has the traces 1 to " +
                            std::to_string(traceCount),
                        path);

  ThreeComponentRecord record;
  for (const auto& [component, channel] : picks) {
    const std::size_t index = static_cast<std::size_t>(channel) - 1;
    const std::vector<double> values = Seg2Samples(bytes, file, index, path);
    const long double dt = file.traces[index].intervalSeconds;
    std::vector<Sample> samples;
    samples.reserve(values.size());
    for (std::size_t j = 0; j < values.size(); ++j) {
      const double t = static_cast<double>(static_cast<long double>(j) * dt);
      if (!std::isfinite(t)) throw FormatError("Floating point overflow", path);
      samples.push_back({t, values[j]});
    }
    record.assign(component, std::move(samples));
  }
  return record;
}

std::optional<ThreeComponentRecord> ReadSeg2File(const std::string& path, const ChannelPrompt& prompt) {
  const auto cannotOpen = [&](const std::string& reason) {
    return numerics::FileError("Cannot open file \"" + path + "\". " + reason, path);
  };
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) throw cannotOpen(numerics::FileError::fromErrno(errno, path).what());
  // Look at the block identifier before reading the rest, so that a foreign file
  // (or a device) is never read whole.
  std::string bytes(2, '\0');
  const std::size_t got = std::fread(bytes.data(), 1, 2, f.get());
  if (std::ferror(f.get())) throw cannotOpen(numerics::FileError::fromErrno(errno, path).what());
  bytes.resize(got);
  if (!IsSeg2(bytes)) return std::nullopt;
  char chunk[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
    bytes.append(chunk, n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(f.get())) throw numerics::FileError("Disk read error", path);
  f.reset();
  const Seg2File file = ParseSeg2(bytes, path);
  return BuildSeg2Record(bytes, file, prompt, path);
}

}  // namespace corvath::import
