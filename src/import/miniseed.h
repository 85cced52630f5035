#pragma once
// miniSEED files, decoded record by record by libmseed (miniSEED 2: Steim-1,
// Steim-2, 16- and 32-bit integers, 32- and 64-bit floats, either byte order).
// The records of a channel are put in time order and merged into continuous
// segments; the record is then cut from three channels (channeltraces.h).
#include <string>
#include <string_view>
#include <vector>

#include "import/channeltraces.h"

namespace corvath::import {

//! The bytes of one file and the name messages give it.
struct NamedBytes {
  std::string_view bytes;
  std::string path;
};

//! The channels of miniSEED files, records grouped by network, station, location and
//! channel code across the files, in time order, continuous records merged. Ordered by
//! station, then by band and instrument, then X, Y, Z by the last letter of the code,
//! then by name, so that channels 1, 2, 3 are the first sensor's X, Y, Z. Text (log)
//! records are skipped. Throws FormatError naming the file and the offset of a
//! truncated or corrupt record, of a sample that is not finite, of a record at another
//! rate than the rest of its channel, and for a file that is not miniSEED 2.
std::vector<ChannelTrace> ParseMiniSeed(const std::vector<NamedBytes>& files);

//! The channels of one miniSEED file held in `bytes`, as ParseMiniSeed above.
std::vector<ChannelTrace> ParseMiniSeed(std::string_view bytes, const std::string& path);

}  // namespace corvath::import
