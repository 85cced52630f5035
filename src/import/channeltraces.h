#pragma once
// Channels of a seismological record (miniSEED, SAC) on their way to a record.
// Each channel is a list of continuous segments on the file's absolute time axis.
// Three channels are chosen (by their codes, by the order of the files or through
// the "Channels" prompt) and cut to the longest span that all three cover without
// a break; gaps and overlaps are reported, never filled.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/readers.h"
#include "import/record.h"

namespace corvath::import {

//! A run of samples at the channel's rate without a break.
struct TraceSegment {
  std::int64_t startMicroseconds = 0;  //!< time of the first sample (µs; UTC since 1970 when the file says so)
  std::vector<double> values;          //!< amplitudes in the units of the source
};

//! One channel of a record file.
struct ChannelTrace {
  std::string name;     //!< how messages name it: "UT.STN11..BHZ", or a SAC file's name and component
  std::string station;  //!< network, station and location: the channels of one sensor share it
  std::optional<Component> role;  //!< the component its code or orientation names, if any
  double samplingRateHz = 0.0;    //!< samples per second (> 0)
  std::vector<TraceSegment> segments;  //!< in time order; a gap or an overlap between consecutive ones
  std::size_t fileIndex = 0;           //!< which of the files read holds it (0-based)
  bool utcTimes = false;               //!< the segments' start times are UTC since 1970
};

//! The component a channel code names by its last letter: Z -> Z, N or 1 -> X,
//! E or 2 -> Y; nothing for any other letter.
std::optional<Component> RoleFromChannelCode(std::string_view code);

//! Adds samples that start at startMicroseconds: they continue the last segment when
//! they start within half a sampling interval of the time its next sample is due,
//! otherwise they open a new segment. Calls must come in order of start time.
void AppendSamples(ChannelTrace& trace, std::int64_t startMicroseconds, std::span<const double> values);

//! True when two rates (Hz) are one rate (relative difference at most 1e-4).
bool SameRate(double a, double b);

//! Which channels (0-based indices into traces) feed X, Y and Z: by their codes when
//! there are exactly three, of one station, naming Z, N or 1, and E or 2; else in the
//! given order when each of three files holds one channel (givenOrder); else the
//! prompt's 1-based choice (called with the number of channels). nullopt with fewer
//! than three channels. Throws FormatError naming `path` and listing the channels for
//! a choice outside 1..N.
std::optional<std::array<std::size_t, 3>> ChooseChannels(const std::vector<ChannelTrace>& traces, bool givenOrder,
                                                         const ChannelPrompt& prompt, const std::string& path);

//! A record cut from three channels, with what was left out.
struct ChannelRecord {
  ThreeComponentRecord record;
  std::string notice;  //!< the gaps, overlaps and samples left out; empty when every sample was loaded
};

//! "YYYY-MM-DD hh:mm:ss.ffffff UTC" for microseconds since 1970-01-01 00:00 UTC.
std::string UtcText(std::int64_t microseconds);

//! The record from channels x, y, z: one sampling rate (FormatError naming the three
//! rates otherwise), the longest span all three cover without a gap or overlap, its
//! first samples at the latest common start (to within half a sampling interval) and
//! times k / rate from 0 (s). The notice names each gap and overlap (time from the
//! earliest sample and length, s), the earliest sample's UTC time when all three
//! channels give UTC times, and how much of each channel was left out.
//! FormatError naming `path` when the three share no time.
ChannelRecord AssembleChannels(const ChannelTrace& x, const ChannelTrace& y, const ChannelTrace& z,
                               const std::string& path);

//! Chooses and assembles in one step (ChooseChannels, then AssembleChannels); nullopt
//! with fewer than three channels. The notice goes to *notice when given.
std::optional<ThreeComponentRecord> RecordFromChannels(const std::vector<ChannelTrace>& traces, bool givenOrder,
                                                       const ChannelPrompt& prompt, const std::string& path,
                                                       std::string* notice);

}  // namespace corvath::import
