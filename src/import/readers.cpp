#include "import/readers.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace corvath::import {

std::optional<RecordFormat> FormatFromName(const std::string& name) {
  if (name == "components") return RecordFormat::Components;
  if (name == "saf") return RecordFormat::Saf;
  if (name == "seg2") return RecordFormat::Seg2;
  if (name == "delta") return RecordFormat::Delta;
  if (name == "mseed") return RecordFormat::MiniSeed;
  if (name == "sac") return RecordFormat::Sac;
  return std::nullopt;
}

std::optional<RecordFormat> FormatFromExtension(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
  auto endsWith = [&](const std::string& suffix) {
    return lower.size() >= suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  if (endsWith(".saf")) return RecordFormat::Saf;
  if (endsWith(".sg2") || endsWith(".seg2")) return RecordFormat::Seg2;
  if (endsWith(".dat")) return RecordFormat::Delta;
  if (endsWith(".mseed") || endsWith(".miniseed") || endsWith(".msd")) return RecordFormat::MiniSeed;
  if (endsWith(".sac")) return RecordFormat::Sac;
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
