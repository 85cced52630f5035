#include "cli/options.h"

#include <charconv>
#include <cstdio>

#include <utility>

#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::cli {

const char* const kRecordOptionsHelp =
    "  --format components|saf|seg2|delta|mseed|sac\n"
    "                                       the kind of the record file(s); by default files go\n"
    "                                       by their extension (.saf, .sg2/.seg2, .dat, .mseed/\n"
    "                                       .miniseed/.msd, three .sac) and other three files are\n"
    "                                       component files (X, Y, Z)\n"
    "  --channels CX,CY,CZ                  the channels of the \"Channels\" dialog (default 1,2,3)\n";

std::optional<std::string> TakeOptionValue(const std::vector<std::string>& args, std::size_t& i,
                                           const std::string& name) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
    i += 2;
    return args[i - 1];
  }
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
    ++i;
    return arg.substr(name.size() + 1);
  }
  return std::nullopt;
}

double ParseNumberOption(const std::string& option, const std::string& text) {
  const numerics::Result<double> value = numerics::NumberField(option, text);
  if (!value.done()) throw UsageError(value.message());
  return *value;
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

double OptionScanner::number() { return ParseNumberOption(name_, value()); }

void OptionScanner::flag() const {
  if (attached_) throw UsageError(name_ + " takes no value");
}

bool OptionScanner::record(RecordOptions& options) {
  std::size_t next = i_;
  if (!TakeRecordOption(args_, next, options)) return false;
  i_ = next - 1;  // next() moves past the value
  return true;
}

void OptionScanner::unknown() const { throw UsageError("unknown option '" + name_ + "'"); }

std::string FileOption(const std::string& option, const std::string& name) {
  if (name.empty()) throw UsageError(option + " needs a file name");
  return name;
}


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

bool TakeRecordOption(const std::vector<std::string>& args, std::size_t& i, RecordOptions& options) {
  if (const auto name = TakeOptionValue(args, i, "--format")) {
    options.format = import::FormatFromName(*name);
    if (!options.format)
      throw UsageError("unknown --format '" + *name + "' (components, saf, seg2, delta, mseed or sac)");
    return true;
  }
  if (const auto text = TakeOptionValue(args, i, "--channels")) {
    options.channels = ParseChannels(*text);
    return true;
  }
  return false;
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

int ReportUsageError(const std::string& command, const char* usage, const std::string& message) {
  std::fprintf(stderr, "corvath-cli %s: %s\n", command.c_str(), message.c_str());
  std::fputs(usage, stderr);
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
