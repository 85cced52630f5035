#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <utility>

#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

const std::string& RecordOptionsHelp() {
  static const std::string help = [] {
    // One line per kind of record: its word, its name, its extensions and its file count.
    std::string text = "  --format KIND                        the kind of the record file(s):\n";
    for (const import::RecordFormatInfo& info : import::RecordFormats()) {
      std::string line = "      " + std::string(info.name);
      line.resize(std::max<std::size_t>(line.size() + 1, 20), ' ');
      line += std::string(info.label);
      std::string extensions;
      for (std::string_view extension : info.extensions)
        if (!extension.empty()) extensions += (extensions.empty() ? "" : " ") + std::string(extension);
      if (!extensions.empty()) line += " (" + extensions + ")";
      line += info.files == 3 ? ", three files" : info.files == 0 ? ", one file or three" : "";
      text += line + "\n";
    }
    return text +
           "                                       by default a file goes by what its first bytes show,\n"
           "                                       else by its extension; other three files are component\n"
           "                                       files (X, Y, Z)\n"
           "  --channels CX,CY,CZ                  the channels of the \"Channels\" dialog (default 1,2,3)\n";
  }();
  return help;
}

void OptionScanner::take() {
  attached_.reset();
  name_.clear();
  if (done()) return;
  name_ = args_[i_];
  const std::size_t equals = name_.find('=');
  if (name_.rfind("--", 0) == 0 && equals != std::string::npos) {
    attached_ = name_.substr(equals + 1);
    name_.resize(equals);
  }
}

void OptionScanner::next() {
  ++i_;
  take();
}

std::string OptionScanner::value() {
  if (attached_) return *std::exchange(attached_, std::nullopt);
  if (i_ + 1 >= args_.size()) throw UsageError(name_ + " needs a value");
  return args_[++i_];
}

std::string OptionScanner::file() {
  const bool missing = !attached_ && i_ + 1 >= args_.size();
  const std::string text = missing ? std::string() : value();
  if (text.empty()) throw UsageError(name_ + " needs a file name");
  return text;
}

double OptionScanner::number() {
  const numerics::Result<double> read = numerics::NumberField(name_, value());
  if (!read.done()) throw UsageError(read.message());
  return *read;
}

long long OptionScanner::whole(long long lower, long long upper) {
  const numerics::Result<long long> read = numerics::WholeNumberField(name_, value(), lower, upper);
  if (!read.done()) throw UsageError(read.message());
  return *read;
}

std::uint64_t OptionScanner::unsignedWhole() {
  const std::string text = value();
  std::uint64_t read = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), read);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    throw UsageError(name_ + ": '" + text + "' is not a whole number from 0 to " +
                     std::to_string(UINT64_MAX));
  return read;
}

std::vector<double> OptionScanner::list(std::size_t count, const std::string& expected, std::size_t wholeLast) {
  return numbers(value(), count, expected, wholeLast);
}

std::vector<double> OptionScanner::numbers(const std::string& text, std::size_t count, const std::string& expected,
                                           std::size_t wholeLast) const {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    parts.push_back(text.substr(start, comma - start));
  parts.push_back(text.substr(start));
  const UsageError refused(name_ + " expects " + expected + ", got '" + text + "'");
  if (parts.size() != count) throw refused;
  std::vector<double> values;
  for (std::size_t k = 0; k < count; ++k) {
    if (k + wholeLast >= count) {
      const numerics::Result<long long> whole = numerics::WholeNumberField(name_, parts[k], 0, 999'999'999);
      if (!whole.done()) throw refused;
      values.push_back(static_cast<double>(*whole));
    } else {
      const numerics::Result<double> number = numerics::NumberField(name_, parts[k]);
      if (!number.done()) throw refused;
      values.push_back(*number);
    }
  }
  return values;
}

std::pair<double, double> OptionScanner::interval() {
  const std::string text = value();
  const std::size_t colon = text.find(':');
  const auto refuse = [&] {
    return UsageError(name_ + " expects START:END in seconds with START <= END, got '" + text + "'");
  };
  if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) throw refuse();
  const numerics::Result<double> start = numerics::NumberField(name_, text.substr(0, colon));
  const numerics::Result<double> end = numerics::NumberField(name_, text.substr(colon + 1));
  if (!start.done() || !end.done() || *start > *end) throw refuse();
  return {*start, *end};
}

void OptionScanner::flag() const {
  if (attached_) throw UsageError(name_ + " takes no value");
}

bool OptionScanner::record(RecordOptions& options) {
  if (name_ == "--format") {
    const std::string text = value();
    options.format = import::FormatFromName(text);
    if (!options.format) {
      const auto formats = import::RecordFormats();
      std::string names;
      for (std::size_t k = 0; k < formats.size(); ++k)
        names += (k == 0 ? "" : k + 1 == formats.size() ? " or " : ", ") + std::string(formats[k].name);
      throw UsageError("unknown --format '" + text + "' (" + names + ")");
    }
    return true;
  }
  if (name_ == "--channels") {
    options.channels = ParseChannels(value());
    return true;
  }
  return false;
}

void OptionScanner::unknown() const { throw UsageError("unknown option '" + name_ + "'"); }

import::ChannelChoice ParseChannels(const std::string& text) {
  int values[3];
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int k = 0; k < 3; ++k) {
    const auto [next, ec] = std::from_chars(p, end, values[k]);
    const bool separatorOk = k < 2 ? (next < end && *next == ',') : next == end;
    if (ec != std::errc() || next == p || !separatorOk || values[k] < 1)
      throw UsageError("--channels takes three channel numbers from 1 on, as in 1,2,3 (got '" + text + "')");
    p = next + 1;
  }
  return {values[0], values[1], values[2]};
}

import::RecordFormat ResolveFormat(const RecordOptions& options) {
  const std::size_t count = options.files.size();
  if (count != 1 && count != 3) throw UsageError("give one record file or three component files (X, Y, Z)");
  if (options.format) {
    switch (*options.format) {
      case import::RecordFormat::Components:
      case import::RecordFormat::Sac:
        if (count != 3)
          throw UsageError(std::string("--format ") + std::string(import::InfoOf(*options.format).name) + " needs three files (X, Y, Z)");
        break;
      case import::RecordFormat::MiniSeed: break;  // one file, or three of one channel each
      default:
        if (count != 1) throw UsageError(std::string("--format ") + std::string(import::InfoOf(*options.format).name) + " reads one file");
    }
    return *options.format;
  }
  const app::Result<import::RecordFormat> format = app::FormatOfFiles(options.files);
  if (format.done()) return *format;
  throw UsageError(format.message() + "; give --format saf, seg2, delta or mseed");
}

void ReportOutcome(const std::string& command, const app::Outcome& outcome) {
  // One line naming the file; messages that already quote it are printed as they are.
  const std::string& file = outcome.path;
  if (file.empty() || outcome.message.find('"' + file + '"') != std::string::npos ||
      outcome.message.rfind(file + ":", 0) == 0)
    std::fprintf(stderr, "corvath-cli %s: %s\n", command.c_str(), outcome.message.c_str());
  else
    std::fprintf(stderr, "corvath-cli %s: %s: %s\n", command.c_str(), file.c_str(), outcome.message.c_str());
}

bool LoadRecordOrReport(const std::string& command, const RecordOptions& options, app::Workspace& workspace) {
  app::LoadRequest request;
  request.format = ResolveFormat(options);
  request.paths = options.files;
  const import::ChannelChoice channels = options.channels;
  request.channels = [channels](const import::TraceList&) { return channels; };
  app::Outcome outcome = app::LoadRecord(workspace, request);
  if (outcome.done()) {
    if (!outcome.message.empty()) ReportOutcome(command, outcome);  // the notice of what was left out
    return true;
  }
  if (outcome.path.empty()) outcome.path = options.files.front();
  ReportOutcome(command, outcome);
  return false;
}

int ReportUsageError(const std::string& command, const std::string& usage, const std::string& message) {
  std::fprintf(stderr, "corvath-cli %s: %s\n", command.c_str(), message.c_str());
  std::fputs(usage.c_str(), stderr);
  return 2;
}

int ReportFailure(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "corvath-cli %s: %s\n", command.c_str(), message.c_str());
  return 1;
}

bool WriteStandardOutput(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

}  // namespace corvath::cli
