#pragma once
// SEG-2 files, in two layers: the bytes of the file are checked and turned into
// raw per-trace fields (ParseSeg2), and the record is built from the three traces
// the user picks (BuildSeg2Record). Only little-endian files with 4-byte samples
// are read. No offset or size taken from the file is used before it is checked
// against the file's length.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/readers.h"

namespace corvath::import {

//! How the 4-byte samples of a trace are stored.
enum class Seg2SampleFormat { Undecided, Int32, Float32 };

//! The fields of one trace descriptor block that the reader uses.
struct Seg2Trace {
  std::uint32_t descriptorOffset = 0;  //!< byte offset of the trace descriptor block
  std::uint16_t descriptorSize = 0;    //!< bytes of the block, string area included
  std::uint32_t sampleCount = 0;       //!< samples in the data block
  std::uint8_t formatCode = 0;         //!< data format code of the descriptor
  std::uint64_t dataOffset = 0;        //!< byte offset of the first sample
  double intervalSeconds = 0.0;        //!< "sample_interval"; 0 when the trace has none
  Seg2SampleFormat sampleFormat = Seg2SampleFormat::Undecided;  //!< decided per file
};

//! The raw content of a SEG-2 file.
struct Seg2File {
  std::vector<Seg2Trace> traces;  //!< in file order
};

//! The largest string area of a trace descriptor block, in bytes.
inline constexpr std::size_t kSeg2MaxStringArea = 4096;

//! True when the bytes start with the little-endian SEG-2 block identifier 0x3A55. Never throws.
bool IsSeg2(std::string_view leadingBytes) noexcept;
//! True when the file starts with the little-endian SEG-2 block identifier. Never throws.
bool IsSeg2File(const std::string& path) noexcept;

//! The traces of a SEG-2 file held in `bytes` (IsSeg2 must hold); every trace's
//! interval (inherited from the last trace that has one) and sample format are
//! settled. Throws FormatError naming `path`, the offset and the numbers that
//! disagree when the file is truncated or malformed.
Seg2File ParseSeg2(std::string_view bytes, const std::string& path);

//! The samples of trace `index` (0-based) of a parsed file, as single-precision
//! values widened to double. Throws FormatError for a sample that is not finite.
std::vector<double> Seg2Samples(std::string_view bytes, const Seg2File& file, std::size_t index,
                                const std::string& path);

//! The record from the traces chosen by the prompt (called with the trace count);
//! nullopt with fewer than three traces. Throws FormatError for a channel outside 1..N.
std::optional<ThreeComponentRecord> BuildSeg2Record(std::string_view bytes, const Seg2File& file,
                                                    const ChannelPrompt& prompt, const std::string& path);

}  // namespace corvath::import
