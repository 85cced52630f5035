#include "import/seg2.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

constexpr std::uint16_t kFileBlockId = 0x3A55;
constexpr std::size_t kFileDescriptorSize = 32;
constexpr std::size_t kTraceFixedSize = 32;
constexpr std::size_t kSampleBytes = 4;
constexpr std::size_t kMaxKeywordGap = 4;
constexpr std::size_t kOfferedTraceNames = 1000;  // names offered to the channel question  // the value must start fewer than 4 characters after the keyword

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

// The bytes of a SEG-2 file, read piece by piece: from memory, or from an open file
// where only the pieces asked for are ever read.
class MemorySource {
public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t size() const { return bytes_.size(); }
  // Bytes at .. at + n (checked against size() by the caller).
  std::string_view read(std::uint64_t at, std::size_t n) { return bytes_.substr(at, n); }

private:
  std::string_view bytes_;
};

class FileSource {
public:
  FileSource(std::FILE* file, std::uint64_t size, const std::string& path) : file_(file), size_(size), path_(path) {}
  std::uint64_t size() const { return size_; }
  std::string_view read(std::uint64_t at, std::size_t n) {
    buffer_.resize(n);
    if (n == 0) return {};
    if (::fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0 || std::fread(buffer_.data(), 1, n, file_) != n)
      throw numerics::FileError("Disk read error", path_);
    return buffer_;
  }

private:
  std::FILE* file_;
  std::uint64_t size_;
  const std::string& path_;
  std::string buffer_;
};

// Trace blocks (descriptor and data) that share bytes: a valid file never has
// them, and reading aliased blocks would multiply the memory a small file costs.
void refuseOverlaps(const Seg2File& file, const std::string& path) {
  struct Block {
    std::uint64_t begin, end;
    std::size_t trace;
  };
  std::vector<Block> blocks;
  blocks.reserve(file.traces.size());
  for (std::size_t i = 0; i < file.traces.size(); ++i) {
    const Seg2Trace& t = file.traces[i];
    blocks.push_back({t.descriptorOffset, t.dataOffset + kSampleBytes * std::uint64_t{t.sampleCount}, i});
  }
  std::sort(blocks.begin(), blocks.end(),
            [](const Block& a, const Block& b) { return a.begin != b.begin ? a.begin < b.begin : a.trace < b.trace; });
  for (std::size_t k = 1; k < blocks.size(); ++k) {
    const Block& a = blocks[k - 1];
    const Block& b = blocks[k];
    if (b.begin < a.end) {
      const Block& first = a.trace < b.trace ? a : b;
      const Block& second = a.trace < b.trace ? b : a;
      throw MalformedFile(path, "the blocks of SEG-2 traces " + std::to_string(first.trace + 1) + " (bytes " +
                                    std::to_string(first.begin) + " to " + std::to_string(first.end) + ") and " +
                                    std::to_string(second.trace + 1) + " (bytes " + std::to_string(second.begin) +
                                    " to " + std::to_string(second.end) + ") overlap");
    }
  }
}

template <class Source>
Seg2File parseSeg2(Source& source, const std::string& path);
template <class Source>
std::optional<ThreeComponentRecord> buildSeg2Record(Source& source, const Seg2File& file,
                                                    const ChannelPrompt& prompt, const std::string& path,
                                                    numerics::Progress* progress);

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

namespace {

template <class Source>
Seg2File parseSeg2(Source& source, const std::string& path) {
  const std::uint64_t size = source.size();
  const std::string sizeText = std::to_string(size) + " bytes";
  if (size < kFileDescriptorSize)
    throw MalformedFile(path, "the SEG-2 file descriptor block needs 32 bytes, the file holds " + sizeText);
  const std::uint16_t traceCount = u16(source.read(0, kFileDescriptorSize), 6);
  const std::uint64_t pointersEnd = kFileDescriptorSize + std::uint64_t{4} * traceCount;
  if (pointersEnd > size)
    throw MalformedFile(path, "the " + std::to_string(traceCount) + " SEG-2 trace pointers end at byte " +
                                  std::to_string(pointersEnd) + ", beyond the end of the file (" + sizeText + ")");

  const std::string pointers(source.read(kFileDescriptorSize, std::size_t{4} * traceCount));
  Seg2File file;
  file.traces.resize(traceCount);  // bounded by the file size checked above
  Seg2SampleFormat guessed = Seg2SampleFormat::Undecided;
  for (std::size_t i = 0; i < traceCount; ++i) {
    Seg2Trace& trace = file.traces[i];
    trace.descriptorOffset = u32(pointers, 4 * i);
    const std::uint64_t at = trace.descriptorOffset;
    const std::string label = traceLabel(i, at);
    if (at < pointersEnd)
      throw MalformedFile(path, label + ": the descriptor lies inside the file descriptor block and trace pointers, "
                                        "which end at byte " + std::to_string(pointersEnd));
    if (at + kTraceFixedSize > size)
      throw MalformedFile(path, label + ": the 32 fixed bytes of the descriptor end at byte " +
                                    std::to_string(at + kTraceFixedSize) + ", beyond the end of the file (" +
                                    sizeText + ")");
    const std::string fixed(source.read(at, kTraceFixedSize));
    trace.descriptorSize = u16(fixed, 2);
    trace.sampleCount = u32(fixed, 8);
    trace.formatCode = static_cast<std::uint8_t>(fixed[12]);
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
    trace.intervalSeconds = sampleInterval(source.read(at + kTraceFixedSize, areaSize));
    if (trace.intervalSeconds < 0.0 || !std::isfinite(trace.intervalSeconds))
      throw MalformedFile(path, label + ": the sample interval " + numerics::NumberToShortestText(trace.intervalSeconds) +
                                    " s is not a positive number");

    // Codes 2 and 4 say how the samples are stored; for any other code the first
    // sample of the file decides once for all such traces.
    if (trace.formatCode == 2) {
      trace.sampleFormat = Seg2SampleFormat::Int32;
    } else if (trace.formatCode == 4) {
      trace.sampleFormat = Seg2SampleFormat::Float32;
    } else {
      if (guessed == Seg2SampleFormat::Undecided && trace.sampleCount > 0)
        guessed = guessFormat(f32(source.read(trace.dataOffset, kSampleBytes), 0));
      trace.sampleFormat = guessed;
    }
  }

  refuseOverlaps(file, path);

  // Traces without an interval take the last non-zero one in trace order.
  double lastInterval = 0.0;
  for (const Seg2Trace& trace : file.traces)
    if (trace.intervalSeconds != 0.0) lastInterval = trace.intervalSeconds;
  for (Seg2Trace& trace : file.traces)
    if (trace.intervalSeconds == 0.0) trace.intervalSeconds = lastInterval;
  return file;
}

}  // namespace

Seg2File ParseSeg2(std::string_view bytes, const std::string& path) {
  MemorySource source(bytes);
  return parseSeg2(source, path);
}

namespace {

constexpr std::size_t kChunkSamples = 1 << 16;  // samples read from the file at a time

// Calls take(j, value) for every sample of trace `index`, in order, reading the
// data block in chunks. Throws FormatError for a float sample that is not finite.
template <class Source, class Take>
void forEachSample(Source& source, const Seg2File& file, std::size_t index, const std::string& path,
                   numerics::Progress* progress, Take take) {
  const Seg2Trace& trace = file.traces.at(index);
  for (std::uint32_t first = 0; first < trace.sampleCount;) {
    const std::uint32_t count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(kChunkSamples, std::uint64_t{trace.sampleCount} - first));
    const std::uint64_t chunkAt = trace.dataOffset + kSampleBytes * std::uint64_t{first};
    const std::string_view chunk = source.read(chunkAt, kSampleBytes * count);  // checked by parseSeg2
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t j = first + k;
      float value;
      if (trace.sampleFormat == Seg2SampleFormat::Int32) {
        value = static_cast<float>(static_cast<std::int32_t>(u32(chunk, kSampleBytes * k)));
      } else {
        value = f32(chunk, kSampleBytes * k);
        if (!std::isfinite(value))
          throw MalformedFile(path, traceLabel(index, trace.descriptorOffset) + ": sample " + std::to_string(j + 1) +
                                        " at offset " + std::to_string(chunkAt + kSampleBytes * k) +
                                        " is not a finite number");
      }
      take(j, value);
    }
    numerics::Advance(progress, static_cast<double>(kSampleBytes * count));
    first += count;
  }
}

template <class Source>
std::optional<ThreeComponentRecord> buildSeg2Record(Source& source, const Seg2File& file,
                                                    const ChannelPrompt& prompt, const std::string& path,
                                                    numerics::Progress* progress) {
  const std::size_t traceCount = file.traces.size();
  if (traceCount < 3) return std::nullopt;
  TraceList offered{static_cast<int>(traceCount), {}};
  for (std::size_t i = 0; i < traceCount && i < kOfferedTraceNames; ++i) {
    // A SEG-2 trace is told by what it holds: its samples and their rate.
    const Seg2Trace& trace = file.traces[i];
    std::string name = std::to_string(trace.sampleCount) + " samples";
    if (trace.intervalSeconds > 0)
      name += " at " + numerics::NumberToShortestText(1.0 / trace.intervalSeconds) + " Hz";
    offered.names.push_back(std::move(name));
  }
  const ChannelChoice choice = prompt ? prompt(offered) : ChannelChoice{};
  const std::array<std::pair<Component, int>, 3> picks{
      {{Component::X, choice.first}, {Component::Y, choice.second}, {Component::Z, choice.third}}};
  for (const auto& [component, channel] : picks)
    if (channel < 1 || static_cast<std::size_t>(channel) > traceCount)
      throw FormatError("File \"" + path + "\": channel " + std::to_string(channel) + " was chosen for " +
                            "XYZ"[static_cast<int>(component)] + ", but the file has the traces 1 to " +
                            std::to_string(traceCount),
                        path);
  if (progress) {
    double total = 0.0;
    for (const auto& [component, channel] : picks)
      total += static_cast<double>(kSampleBytes * std::uint64_t{file.traces[channel - 1].sampleCount});
    progress->setTotal(total);
  }

  ThreeComponentRecord record;
  for (const auto& [component, channel] : picks) {
    const std::size_t index = static_cast<std::size_t>(channel) - 1;
    const long double dt = file.traces[index].intervalSeconds;
    std::vector<double> values;
    values.reserve(file.traces[index].sampleCount);  // parseSeg2 checked that the file holds them
    const long long overflowAt = FirstOverflowingSample(dt);
    forEachSample(source, file, index, path, progress, [&](std::uint32_t j, float value) {
      if (j == overflowAt) throw FormatError("Floating point overflow", path);
      values.push_back(value);
    });
    record.assignEven(component, 0.0, dt, std::move(values));
  }
  return record;
}

}  // namespace

std::vector<double> Seg2Samples(std::string_view bytes, const Seg2File& file, std::size_t index,
                                const std::string& path) {
  MemorySource source(bytes);
  std::vector<double> samples;
  samples.reserve(file.traces.at(index).sampleCount);
  forEachSample(source, file, index, path, nullptr, [&](std::uint32_t, float value) { samples.push_back(value); });
  return samples;
}

std::optional<ThreeComponentRecord> BuildSeg2Record(std::string_view bytes, const Seg2File& file,
                                                    const ChannelPrompt& prompt, const std::string& path) {
  MemorySource source(bytes);
  return buildSeg2Record(source, file, prompt, path, nullptr);
}

std::optional<ThreeComponentRecord> ReadSeg2File(const std::string& path, const ChannelPrompt& prompt,
                                                 ReadControl* control) {
  const auto cannotOpen = [&](const std::string& reason) {
    return numerics::FileError("Cannot open file \"" + path + "\". " + reason, path);
  };
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) throw cannotOpen(numerics::FileError::fromErrno(errno, path).what());
  // The block identifier first, so that a foreign file (or a device) is never read.
  char head[2];
  const std::size_t got = std::fread(head, 1, 2, f.get());
  if (std::ferror(f.get())) throw cannotOpen(numerics::FileError::fromErrno(errno, path).what());
  if (!IsSeg2(std::string_view(head, got))) return std::nullopt;
  struct stat info;
  if (::fstat(::fileno(f.get()), &info) != 0) throw cannotOpen(numerics::FileError::fromErrno(errno, path).what());
  if (!S_ISREG(info.st_mode)) throw cannotOpen("Not a regular file");
  // The header, the trace pointers and the descriptors are checked against the
  // file's size before anything else is read; then only the chosen traces' blocks.
  FileSource source(f.get(), static_cast<std::uint64_t>(info.st_size), path);
  const Seg2File file = parseSeg2(source, path);
  return buildSeg2Record(source, file, prompt, path, control ? control->progress : nullptr);
}

}  // namespace corvath::import
