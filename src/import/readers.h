#pragma once
// The record readers and the one table through which the program and the batch
// command pick them. Every reader builds a complete new record or throws; it never
// touches the workspace. "Nothing to load" is a result (std::nullopt), not an error.
#include <array>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/errors.h"
#include "import/record.h"
#include "numerics/parallel.h"

namespace corvath::import {

//! How a load runs, and what a reader has to say besides the record.
struct ReadControl {
  //! Counts the bytes read (ReadRecord sets the total to the files' sizes) and may
  //! cancel: the reader then throws numerics::Cancelled. Null: no progress.
  numerics::Progress* progress = nullptr;
  //! Threads for the three component files: 0 as many as help (at most 2), 1 none.
  std::size_t workers = 0;
  //! Filled by a reader with what the user should know about a record it did load,
  //! such as the sampling rate it assumed; empty otherwise.
  std::string notice;
};

enum class RecordFormat { Components, Saf, Seg2, Delta, MiniSeed, Sac };

//! 1-based channel (trace) numbers from the "Channels" dialog, in the order of its
//! three fields.
struct ChannelChoice {
  int first = 1;
  int second = 2;
  int third = 3;
};

//! What a file offers to the "Channels" question: count is the number of traces of a
//! SEG-2 file or of channels of a miniSEED record (the new upper limit of the
//! fields), 0 for a Delta file (the limit stays as it is); names, in trace order,
//! tell each one as the file does ("UT.STN11..HHZ", or a SEG-2 trace's samples and
//! rate), empty when the file tells nothing.
struct TraceList {
  int count = 0;
  std::vector<std::string> names;
};

//! Asks the user for the channels mid-way through a load.
//! The prompt throws LoadCancelled when the user cancels: nothing is loaded.
using ChannelPrompt = std::function<ChannelChoice(const TraceList& traces)>;

//! Thrown by a ChannelPrompt whose question was cancelled; the load ends unchanged.
class LoadCancelled : public numerics::Cancelled {
public:
  const char* what() const noexcept override { return "the choice of channels was cancelled"; }
};

//! Reads three component files (X, Y, Z): three header lines, then "time amplitude"
//! lines (s, source units). All three are read (on up to two threads) before the
//! record is returned; throws FileError when a file cannot be read or holds a line
//! longer than numerics::kMaxLineBytes.
ThreeComponentRecord ReadComponentFiles(const std::string& xPath, const std::string& yPath,
                                        const std::string& zPath, ReadControl* control = nullptr);

//! SAF file: columns vertical, X, Y at times k / samp_freq (s). nullopt when it has no
//! end-of-header line or nothing after it; FormatError("Floating point division by
//! zero") for a sampling frequency of 0, FormatError for a negative or non-finite one.
//! Without a readable samp_freq the rate is 1000 Hz and control->notice says so.
std::optional<ThreeComponentRecord> ReadSafFile(const std::string& path, ReadControl* control = nullptr);

//! Little-endian SEG-2 file: the traces chosen by the prompt (called with the trace
//! count) as X, Y, Z at times j * sample_interval (s). Only the header, the trace
//! descriptors and the three chosen data blocks are read. nullopt when it is not
//! SEG-2 or has fewer than 3 traces; FormatError for a malformed file (blocks beyond
//! its end or overlapping, a sample interval of 0 or less) or a channel outside
//! 1..N; FileError "Cannot open file ..." when it cannot be read.
std::optional<ThreeComponentRecord> ReadSeg2File(const std::string& path, const ChannelPrompt& prompt,
                                                 ReadControl* control = nullptr);

//! Delta file: channels of the prompt's first, second, third field (called with 0) feed
//! Z, X, Y, times from the file (s), values times the channel gains. nullopt when it has
//! no end-of-header line or nothing after it; FormatError for a channel outside 1..3.
std::optional<ThreeComponentRecord> ReadDeltaFile(const std::string& path, const ChannelPrompt& prompt,
                                                  ReadControl* control = nullptr);

//! miniSEED file(s) (one, or three of one channel each): X, Y, Z chosen by channel
//! code, by the order of three files, or through the prompt (called with the number
//! of channels); cut to the longest span all three cover without a break, times from
//! 0 (s). nullopt with fewer than three channels. The notice of what was left out
//! goes to *notice when given. FormatError naming the file and offset for a truncated
//! or corrupt record; FileError when a file cannot be read.
std::optional<ThreeComponentRecord> ReadMiniSeedFiles(const std::vector<std::string>& paths,
                                                      const ChannelPrompt& prompt, std::string* notice = nullptr);

//! Three SAC files, one component each (either byte order): X, Y, Z by the component
//! names or orientations when they decide it, else in the order given; the rules of
//! ReadMiniSeedFiles otherwise.
std::optional<ThreeComponentRecord> ReadSacFiles(const std::vector<std::string>& paths, const ChannelPrompt& prompt,
                                                 std::string* notice = nullptr);

// The same readers over text already in memory; `name` stands for the file name in
// messages. The fuzz targets run these.

//! Component texts (X, Y, Z) with the rules of ReadComponentFiles.
ThreeComponentRecord ReadComponentTexts(std::string_view x, std::string_view y, std::string_view z);
//! SAF text with the rules of ReadSafFile.
std::optional<ThreeComponentRecord> ReadSafText(std::string_view text, const std::string& name,
                                                ReadControl* control = nullptr);
//! Delta text with the rules of ReadDeltaFile.
std::optional<ThreeComponentRecord> ReadDeltaText(std::string_view text, const std::string& name,
                                                  const ChannelPrompt& prompt);

//! One kind of record as both faces know it: the one table behind the open dialog's
//! filters, the batch command's --format words and the choice by extension.
struct RecordFormatInfo {
  RecordFormat format;
  std::string_view name;      //!< on a command line: "components", "saf", "seg2", "delta", "mseed", "sac"
  std::string_view label;     //!< in the open dialog: "SAF files"
  std::string_view patterns;  //!< the open dialog's patterns ("*.saf"); empty: not in that dialog
  std::array<std::string_view, 3> extensions;  //!< lower case, with the dot; unused entries empty
  //! How many files make a record: 1, 3 (one a component), or 0 for one or three.
  int files;
};

//! Every kind of record, in the order of the open dialog's filters (component
//! files, which have their own dialog, last).
std::span<const RecordFormatInfo> RecordFormats();
//! The table's entry of a format.
const RecordFormatInfo& InfoOf(RecordFormat format);
//! The open dialog's filter of a format: "SAF files (*.saf)".
std::string DialogFilter(const RecordFormatInfo& info);

//! The format named on a command line ("components", "saf", "seg2", "delta", "mseed", "sac").
std::optional<RecordFormat> FormatFromName(const std::string& name);
//! The format of a record file by its extension (.saf, .sg2/.seg2, .dat,
//! .mseed/.miniseed/.msd, .sac).
std::optional<RecordFormat> FormatFromExtension(const std::string& path);

//! The format a file's first bytes show: a miniSEED record header, a SAC header
//! (either byte order), a SEG-2 file descriptor, the SAF header line. Nothing for
//! other files (component and Delta text) and for files that cannot be read; never throws.
std::optional<RecordFormat> FormatFromContent(const std::string& path);

//! Dispatches to the reader of the format: three paths for component and SAC files,
//! one or three for miniSEED, one otherwise. With a progress in control, its total
//! becomes the files' size in bytes; a notice the user should read (what a reader
//! left out, a rate it assumed) goes to control->notice.
std::optional<ThreeComponentRecord> ReadRecord(RecordFormat format, const std::vector<std::string>& paths,
                                               const ChannelPrompt& prompt, ReadControl* control = nullptr);

}  // namespace corvath::import
