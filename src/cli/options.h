#pragma once
// The options shared by the subcommands that load a record: --format, --channels
// and one or three file names, and the load itself with its one-line error report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "numerics/settingtable.h"

namespace corvath::cli {

//! A command line that cannot be used; what() says why (exit status 2).
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

//! What a command line says about the record to load.
struct RecordOptions {
  std::optional<import::RecordFormat> format;  //!< --format; else the extension or three files
  import::ChannelChoice channels;              //!< --channels, standing for the "Channels" dialog
  std::vector<std::string> files;              //!< one record file, or the X, Y and Z component files
};

//! The usage lines of the record options for a command's --help text: --format with
//! every kind of record and how files go by their extension, from the one table of kinds.
const std::string& RecordOptionsHelp();

//! The one way a command reads its arguments, left to right: an option with its value
//! ("--name VALUE" or "--name=VALUE"), a flag, or a file name. Numbers are read with
//! the field readers (numerics/numberfield.h), so a refusal names the option as the
//! window's names the field. Every misuse is a UsageError with the same words for every
//! command.
class OptionScanner {
public:
  explicit OptionScanner(const std::vector<std::string>& args) : args_(args) { take(); }

  //! True when every argument has been read.
  bool done() const { return i_ >= args_.size(); }
  //! The argument now read, without an attached "=VALUE" ("--window", "-o", "a.saf").
  const std::string& name() const { return name_; }
  //! True when it is an option (a "-" and more), false for a file name.
  bool isOption() const { return name_.size() > 1 && name_[0] == '-'; }
  //! Goes on to the next argument.
  void next();

  //! The option's value: the attached one or the next argument ("NAME needs a value").
  std::string value();
  //! A non-empty value ("NAME needs a file name").
  std::string file();
  //! The value as a number, read with NumberField ("NAME: 'abc' is not a number").
  double number();
  //! The value as a whole number from lower to upper, read with WholeNumberField
  //! ("NAME: '2.5' is not a whole number", "NAME: '0' is not within 1 to 500").
  long long whole(long long lower, long long upper);
  //! The value as a whole number within a settings row's range.
  template <class S>
  int whole(const numerics::Setting<S>& row) {
    return static_cast<int>(whole(static_cast<long long>(row.range.lower), static_cast<long long>(row.range.upper)));
  }
  //! The value as any whole number from 0 to 2^64 - 1 (a seed), exactly.
  std::uint64_t unsignedWhole();
  //! The value as count numbers separated by commas, each read with NumberField, the
  //! last `wholeLast` of them whole numbers; "NAME expects EXPECTED, got 'TEXT'" for any
  //! other text.
  std::vector<double> list(std::size_t count, const std::string& expected, std::size_t wholeLast = 0);
  //! list() of a value already taken (an option whose value may also be a word).
  std::vector<double> numbers(const std::string& text, std::size_t count, const std::string& expected,
                              std::size_t wholeLast = 0) const;
  //! The value as START:END with START <= END, each read with NumberField; "NAME expects
  //! START:END in seconds with START <= END, got 'TEXT'" for any other text.
  std::pair<double, double> interval();
  //! An option that takes no value ("NAME takes no value" when one is attached).
  void flag() const;
  //! The record options --format and --channels into options; false for other names.
  bool record(RecordOptions& options);
  //! Refuses the option read now: "unknown option 'NAME'".
  [[noreturn]] void unknown() const;

private:
  void take();

  const std::vector<std::string>& args_;
  std::size_t i_ = 0;
  std::string name_;
  std::optional<std::string> attached_;
};

//! Parses "CX,CY,CZ" (three positive integers). Throws UsageError.
import::ChannelChoice ParseChannels(const std::string& text);

//! The format to read: --format, else the extension (three .sac or three miniSEED files
//! are read as such, other three files are component files). Throws UsageError when
//! the files and the format disagree.
import::RecordFormat ResolveFormat(const RecordOptions& options);

//! Loads the record into the workspace through the load command (format resolved
//! first; UsageError propagates). On a read failure, malformed content or nothing to
//! load, prints one line "corvath-cli COMMAND: FILE: MESSAGE" on stderr and returns false;
//! a notice of a successful load (what was left out) goes to stderr the same way.
bool LoadRecordOrReport(const std::string& command, const RecordOptions& options, app::Workspace& workspace);

//! Prints "corvath-cli COMMAND: MESSAGE" and then the usage text on stderr; returns 2,
//! the exit status of a usage error.
int ReportUsageError(const std::string& command, const std::string& usage, const std::string& message);

//! Prints "corvath-cli COMMAND: MESSAGE" on stderr; returns 1, the exit status of a failure.
int ReportFailure(const std::string& command, const std::string& message);

//! Reads a command's arguments into options with parse (which throws UsageError): the
//! exit status when the command ends there (0 once --help printed usage, 2 once a usage
//! error was reported), nothing when the command goes on.
template <class Options, class Parse>
std::optional<int> ParseCommandLine(const char* command, const std::string& usage, const std::vector<std::string>& args,
                                    Options& options, Parse parse) {
  try {
    parse(args, options);
  } catch (const UsageError& e) {
    return ReportUsageError(command, usage, e.what());
  }
  if (options.help) {
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  return std::nullopt;
}

//! Writes text to standard output and flushes it; false when either fails.
bool WriteStandardOutput(const std::string& text);

//! Prints a failed command's answer as one line "corvath-cli COMMAND: FILE: MESSAGE"
//! (or without FILE when the message names it already or there is none).
void ReportOutcome(const std::string& command, const app::Outcome& outcome);

}  // namespace corvath::cli
