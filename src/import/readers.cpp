#include "import/readers.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace corvath::import {

namespace {

constexpr RecordFormatInfo kRecordFormats[] = {
    {RecordFormat::Saf, "saf", "SAF files", "*.saf", {".saf"}, 1},
    {RecordFormat::Seg2, "seg2", "SEG2 files", "*seg2 *.sg2", {".sg2", ".seg2"}, 1},
    {RecordFormat::Delta, "delta", "Delta files", "*.dat", {".dat"}, 1},
    {RecordFormat::MiniSeed, "mseed", "miniSEED files", "*.mseed *.miniseed *.msd", {".mseed", ".miniseed", ".msd"}, 0},
    {RecordFormat::Sac, "sac", "SAC files", "*.sac", {".sac"}, 3},
    {RecordFormat::Components, "components", "Component files", "", {}, 3},
};

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return text;
}

}  // namespace

std::span<const RecordFormatInfo> RecordFormats() { return kRecordFormats; }

const RecordFormatInfo& InfoOf(RecordFormat format) {
  for (const RecordFormatInfo& info : kRecordFormats)
    if (info.format == format) return info;
  return kRecordFormats[std::size(kRecordFormats) - 1];
}

std::string DialogFilter(const RecordFormatInfo& info) {
  return std::string(info.label) + " (" + std::string(info.patterns) + ")";
}

std::optional<RecordFormat> FormatFromName(const std::string& name) {
  for (const RecordFormatInfo& info : kRecordFormats)
    if (info.name == name) return info.format;
  return std::nullopt;
}

std::optional<RecordFormat> FormatFromExtension(const std::string& path) {
  const std::string lower = LowerAscii(path);
  for (const RecordFormatInfo& info : kRecordFormats)
    for (std::string_view extension : info.extensions)
      if (!extension.empty() && lower.size() >= extension.size() &&
          lower.compare(lower.size() - extension.size(), extension.size(), extension) == 0)
        return info.format;
  return std::nullopt;
}

std::optional<RecordFormat> FormatFromContent(const std::string& path) {
  unsigned char head[632] = {};
  std::size_t got = 0;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
  }
  if (got >= 2 && head[0] == 0x55 && head[1] == 0x3A) return RecordFormat::Seg2;  // block id 0x3A55, little-endian
  constexpr std::string_view kSafHeader = "SESAME ASCII data format";
  if (got >= kSafHeader.size() && std::string_view(reinterpret_cast<const char*>(head), kSafHeader.size()) == kSafHeader)
    return RecordFormat::Saf;
  if (got >= 632) {
    // The SAC header version (6) at offset 304, in either byte order.
    const bool little = head[304] == 6 && head[305] == 0 && head[306] == 0 && head[307] == 0;
    const bool big = head[304] == 0 && head[305] == 0 && head[306] == 0 && head[307] == 6;
    if (little || big) return RecordFormat::Sac;
  }
  if (got >= 48) {
    // A miniSEED fixed header: a sequence number of digits (or blanks), the quality
    // indicator, a blank or NUL.
    bool sequence = true;
    for (int i = 0; i < 6; ++i) sequence = sequence && ((head[i] >= '0' && head[i] <= '9') || head[i] == ' ');
    const bool quality = head[6] == 'D' || head[6] == 'R' || head[6] == 'Q' || head[6] == 'M';
    if (sequence && quality && (head[7] == ' ' || head[7] == 0)) return RecordFormat::MiniSeed;
  }
  return std::nullopt;
}

std::optional<ThreeComponentRecord> ReadRecord(RecordFormat format, const std::vector<std::string>& paths,
                                               const ChannelPrompt& prompt, ReadControl* control) {
  if (control) control->notice.clear();
  if (control && control->progress) {
    double total = 0.0;
    for (const std::string& path : paths) {
      std::error_code ec;
      const auto size = std::filesystem::file_size(path, ec);
      if (!ec) total += static_cast<double>(size);
    }
    control->progress->setTotal(total);
  }
  if (format == RecordFormat::Components) {
    if (paths.size() != 3) throw FormatError("component files come in threes: X, Y and Z");
    return ReadComponentFiles(paths[0], paths[1], paths[2], control);
  }
  if (format == RecordFormat::Sac) {
    if (paths.size() != 3) throw FormatError("SAC files come in threes, one a component: choose three files");
    return ReadSacFiles(paths, prompt, control ? &control->notice : nullptr);
  }
  if (format == RecordFormat::MiniSeed) {
    if (paths.size() != 1 && paths.size() != 3) throw FormatError("one miniSEED file expected, or three of one channel each");
    return ReadMiniSeedFiles(paths, prompt, control ? &control->notice : nullptr);
  }
  if (paths.size() != 1) throw FormatError("one record file expected");
  switch (format) {
    case RecordFormat::Saf: return ReadSafFile(paths[0], control);
    case RecordFormat::Seg2: return ReadSeg2File(paths[0], prompt, control);
    case RecordFormat::Delta: return ReadDeltaFile(paths[0], prompt, control);
    default: return std::nullopt;
  }
}

}  // namespace corvath::import
