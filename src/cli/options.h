#pragma once
// The options shared by the subcommands that load a record: --format, --channels
// and one or three file names, and the load itself with its one-line error report.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/commands.h"

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

//! The usage lines of the record options, for a command's --help text.
extern const char* const kRecordOptionsHelp;

//! If args[i] is the option name, as "NAME VALUE" or "NAME=VALUE", returns its value and
//! advances i past it; nothing (i unchanged) for any other argument. Throws UsageError
//! when the value is missing.
std::optional<std::string> TakeOptionValue(const std::vector<std::string>& args, std::size_t& i,
                                           const std::string& name);

//! The number in text (TextToNumber: a comma reads as the point). Throws UsageError
//! naming the option when it is not a number.
double ParseNumberOption(const std::string& option, const std::string& text);

//! The file name given to option; throws UsageError when it is empty.
std::string FileOption(const std::string& option, const std::string& name);

//! If args[i] is --format NAME, --format=NAME, --channels CX,CY,CZ or --channels=CX,CY,CZ,
//! stores it, advances i past its value and returns true; false for any other argument.
//! Throws UsageError for a missing or bad value.
bool TakeRecordOption(const std::vector<std::string>& args, std::size_t& i, RecordOptions& options);

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
int ReportUsageError(const std::string& command, const char* usage, const std::string& message);

//! Prints "corvath-cli COMMAND: MESSAGE" on stderr; returns 1, the exit status of a failure.
int ReportFailure(const std::string& command, const std::string& message);

//! Writes text to standard output and flushes it; false when either fails.
bool WriteStandardOutput(const std::string& text);

//! Prints a failed command's answer as one line "corvath-cli COMMAND: FILE: MESSAGE"
//! (or without FILE when the message names it already or there is none).
void ReportOutcome(const std::string& command, const app::Outcome& outcome);

}  // namespace corvath::cli
