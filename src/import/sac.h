#pragma once
// SAC binary files: a 632-byte header of 70 floats, 40 integers and 24 strings,
// then npts 4-byte float samples, all in one byte order (told by the header
// version at offset 304). One file is one channel. No count or offset taken from
// the file is used before it is checked against the file's length.
#include <cstddef>
#include <string>
#include <string_view>

#include "import/channeltraces.h"

namespace corvath::import {

//! Bytes of the SAC header before the first sample.
inline constexpr std::size_t kSacHeaderSize = 632;
//! The value SAC writes into a header field that is not set.
inline constexpr int kSacUndefined = -12345;

//! The channel of a SAC file held in `bytes`: rate 1 / delta (delta as the shortest
//! decimal its float holds), one segment of npts samples starting at the reference
//! time (nzyear, nzjday, nzhour, nzmin, nzsec, nzmsec; the epoch when not set) plus b,
//! role from the last letter of kcmpnm or else from cmpaz/cmpinc. Throws FormatError
//! naming `path`, the offset and the numbers that disagree for a file that is not a
//! SAC time series, is truncated or holds a sample that is not finite. Without
//! useReferenceTime the segment starts at b alone.
ChannelTrace ParseSac(std::string_view bytes, const std::string& path, bool useReferenceTime = true);

//! True when the SAC file in `bytes` sets its reference time (all six nz fields).
bool SacHasReferenceTime(std::string_view bytes);

}  // namespace corvath::import
