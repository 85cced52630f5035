#include "import/miniseed.h"

#include <libmseed.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "numerics/textfile.h"

namespace corvath::import {
namespace {

constexpr std::size_t kFixedHeaderSize = 48;

// libmseed reports through its log functions; its last words go into our message
// instead of onto the terminal.
thread_local std::string libraryMessage;

void keepLibraryMessage(char* message) {
  if (!message) return;
  std::string text = message;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (!text.empty()) libraryMessage = text;
}

struct RecordFree {
  void operator()(MSRecord* msr) const { msr_free(&msr); }
};

struct ChannelKey {
  std::string network, station, location, channel;
  bool operator<(const ChannelKey& o) const {
    return std::tie(network, station, location, channel) < std::tie(o.network, o.station, o.location, o.channel);
  }
};

// One decoded record of a channel.
struct Piece {
  std::int64_t startMicroseconds = 0;
  double rateHz = 0.0;
  std::vector<double> values;
  std::size_t fileIndex = 0;
  std::size_t offset = 0;
};

std::string at(std::size_t offset) { return "the record at offset " + std::to_string(offset); }

std::string withLibraryMessage(std::string text) {
  if (!libraryMessage.empty()) text += " (" + libraryMessage + ")";
  return text;
}

bool onlyPadding(std::string_view rest) {
  return std::all_of(rest.begin(), rest.end(), [](char c) { return c == '\0' || c == ' '; });
}

// Bytes a sample takes in the fixed-width encodings; 0 for the Steim frames.
int sampleWidth(int encoding) {
  switch (encoding) {
    case DE_INT16: case DE_GEOSCOPE163: case DE_GEOSCOPE164: case DE_CDSN: case DE_SRO: case DE_DWWSSN: return 2;
    case DE_GEOSCOPE24: return 3;
    case DE_INT32: case DE_FLOAT32: return 4;
    case DE_FLOAT64: return 8;
    default: return 0;
  }
}

// The samples the header claims must fit the record's data area.
void checkSampleCount(const MSRecord& msr, const std::string& path, std::size_t offset) {
  if (!msr.fsdh || msr.reclen <= 0) return;  // the library refuses such a record itself
  const std::int64_t dataOffset = msr.fsdh->data_offset;
  const std::int64_t dataBytes = msr.reclen - dataOffset;
  if (msr.samplecnt <= 0 || msr.encoding == DE_ASCII) return;
  if (dataOffset < static_cast<std::int64_t>(kFixedHeaderSize) || dataBytes <= 0)
    throw MalformedFile(path, at(offset) + " puts its data at byte " + std::to_string(dataOffset) +
                                  " of a record of " + std::to_string(msr.reclen) + " bytes");
  const int width = sampleWidth(msr.encoding);
  // A Steim frame of 64 bytes holds at most 15 words of 7 samples.
  const std::int64_t room = width > 0 ? dataBytes / width : dataBytes / 64 * 15 * 7;
  if (msr.samplecnt > room)
    throw MalformedFile(path, at(offset) + " claims " + std::to_string(msr.samplecnt) + " samples, but its " +
                                  std::to_string(dataBytes) + " data bytes hold at most " + std::to_string(room));
}

template <class T>
void widen(const void* data, std::int64_t count, std::vector<double>& out) {
  const T* values = static_cast<const T*>(data);
  out.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) out.push_back(static_cast<double>(values[i]));
}

// Decodes the records of one file into pieces per channel.
void decodeFile(const NamedBytes& file, std::size_t fileIndex, std::map<ChannelKey, std::vector<Piece>>& channels) {
  const std::string& path = file.path;
  // libmseed wants a writable buffer. Its record detection reads the 4-byte head of a
  // blockette whose offset may equal the bytes it was given, so zeros follow the data:
  // such a read stays inside the buffer and finds no blockette.
  constexpr std::size_t kReadSlack = 64;
  std::vector<char> buffer;
  buffer.reserve(file.bytes.size() + kReadSlack);
  buffer.assign(file.bytes.begin(), file.bytes.end());
  buffer.resize(file.bytes.size() + kReadSlack, '\0');
  const std::size_t size = file.bytes.size();
  std::size_t offset = 0;
  while (offset < size) {
    const std::string_view rest(buffer.data() + offset, size - offset);
    if (onlyPadding(rest)) break;
    if (rest.size() >= 3 && rest[0] == 'M' && rest[1] == 'S' && rest[2] == 3)
      throw MalformedFile(path, at(offset) + " is miniSEED 3, which this build cannot read (miniSEED 2 only)");
    if (rest.size() < kFixedHeaderSize)
      throw MalformedFile(path, at(offset) + " is truncated: " + std::to_string(rest.size()) +
                                    " bytes are left, a record header needs 48");
    libraryMessage.clear();
    MSRecord* raw = nullptr;
    const int available = static_cast<int>(std::min<std::size_t>(rest.size(), INT_MAX));
    // The header first: the library decodes as many samples as the header claims, so
    // the claim is checked against the record's data area before any sample is read.
    int rc = msr_parse(buffer.data() + offset, available, &raw, -1, 0, 0);
    std::unique_ptr<MSRecord, RecordFree> msr(raw);
    if (rc == 0 && msr) {
      checkSampleCount(*msr, path, offset);
      if (msr->encoding != DE_ASCII) {
        raw = msr.release();
        rc = msr_parse(buffer.data() + offset, available, &raw, raw->reclen, 1, 0);
        msr.reset(raw);
      }
    }
    if (rc > 0)
      throw MalformedFile(path, at(offset) + " is truncated: it needs " + std::to_string(rc) +
                                    " more bytes than the file holds (" + std::to_string(size) + " bytes)");
    if (rc == MS_NOTSEED)
      throw MalformedFile(path, withLibraryMessage("no miniSEED 2 data record at offset " + std::to_string(offset)));
    if (rc < 0 || !msr)
      throw MalformedFile(path, withLibraryMessage(at(offset) + " cannot be decoded: " + ms_errorstr(rc)));
    if (msr->reclen <= 0 || static_cast<std::size_t>(msr->reclen) > rest.size())
      throw MalformedFile(path, at(offset) + " gives the record length " + std::to_string(msr->reclen) +
                                    ", which the file does not hold");

    const std::size_t recordOffset = offset;
    offset += static_cast<std::size_t>(msr->reclen);
    if (msr->sampletype == 'a' || msr->numsamples <= 0 || !msr->datasamples) continue;  // text or no samples
    if (msr->numsamples > msr->samplecnt)
      throw MalformedFile(path, at(recordOffset) + " decodes to " + std::to_string(msr->numsamples) +
                                    " samples, its header says " + std::to_string(msr->samplecnt));
    const double rate = msr_samprate(msr.get());
    if (!(rate > 0) || !std::isfinite(rate))
      throw MalformedFile(path, at(recordOffset) + " has no usable sampling rate (" + std::to_string(rate) + " Hz)");
    if (msr->starttime == HPTERROR) throw MalformedFile(path, at(recordOffset) + " has no valid start time");

    Piece piece;
    piece.startMicroseconds = msr->starttime;
    piece.rateHz = rate;
    piece.fileIndex = fileIndex;
    piece.offset = recordOffset;
    switch (msr->sampletype) {
      case 'i': widen<std::int32_t>(msr->datasamples, msr->numsamples, piece.values); break;
      case 'f': widen<float>(msr->datasamples, msr->numsamples, piece.values); break;
      case 'd': widen<double>(msr->datasamples, msr->numsamples, piece.values); break;
      default:
        throw MalformedFile(path, at(recordOffset) + " holds samples of the unknown type '" +
                                      std::string(1, msr->sampletype) + "'");
    }
    for (std::size_t i = 0; i < piece.values.size(); ++i)
      if (!std::isfinite(piece.values[i]))
        throw MalformedFile(path, at(recordOffset) + ": sample " + std::to_string(i + 1) + " is not a finite number");
    ChannelKey key{msr->network, msr->station, msr->location, msr->channel};
    channels[key].push_back(std::move(piece));
  }
}

std::string channelName(const ChannelKey& key) {
  return key.network + "." + key.station + "." + key.location + "." + key.channel;
}

// The order channels are offered in: by sensor (station, location, band and
// instrument), then X, Y, Z, then the rest by code.
auto sortKey(const ChannelKey& key, const std::optional<Component>& role) {
  const std::string bandInstrument = key.channel.size() > 1 ? key.channel.substr(0, key.channel.size() - 1) : "";
  return std::make_tuple(key.network, key.station, key.location, bandInstrument, role ? static_cast<int>(*role) : 3,
                         key.channel);
}

}  // namespace

std::vector<ChannelTrace> ParseMiniSeed(const std::vector<NamedBytes>& files) {
  ms_loginit(keepLibraryMessage, nullptr, keepLibraryMessage, nullptr);
  // A record without an encoding blockette is read as Steim-1, whose frames the
  // sample-count check bounds.
  MS_UNPACKENCODINGFALLBACK(DE_STEIM1);
  std::map<ChannelKey, std::vector<Piece>> channels;
  for (std::size_t f = 0; f < files.size(); ++f) decodeFile(files[f], f, channels);

  std::vector<std::pair<ChannelKey, ChannelTrace>> traces;
  for (auto& [key, pieces] : channels) {
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.startMicroseconds < b.startMicroseconds; });
    ChannelTrace trace;
    trace.name = channelName(key);
    trace.station = key.network + "." + key.station + "." + key.location;
    trace.role = RoleFromChannelCode(key.channel);
    trace.samplingRateHz = pieces.front().rateHz;
    trace.fileIndex = pieces.front().fileIndex;
    trace.utcTimes = true;
    for (const Piece& piece : pieces) {
      if (!SameRate(piece.rateHz, trace.samplingRateHz)) {
        char text[160];
        std::snprintf(text, sizeof text, " is at %.10g Hz, earlier records of %s at %.10g Hz", piece.rateHz,
                      trace.name.c_str(), trace.samplingRateHz);
        throw MalformedFile(files[piece.fileIndex].path, at(piece.offset) + text);
      }
      AppendSamples(trace, piece.startMicroseconds, piece.values);
    }
    traces.emplace_back(key, std::move(trace));
  }
  std::stable_sort(traces.begin(), traces.end(), [](const auto& a, const auto& b) {
    return sortKey(a.first, a.second.role) < sortKey(b.first, b.second.role);
  });
  std::vector<ChannelTrace> result;
  result.reserve(traces.size());
  for (auto& entry : traces) result.push_back(std::move(entry.second));
  return result;
}

std::vector<ChannelTrace> ParseMiniSeed(std::string_view bytes, const std::string& path) {
  return ParseMiniSeed(std::vector<NamedBytes>{{bytes, path}});
}

std::optional<ThreeComponentRecord> ReadMiniSeedFiles(const std::vector<std::string>& paths,
                                                      const ChannelPrompt& prompt, std::string* notice) {
  if (paths.empty()) throw FormatError("no miniSEED file given");
  std::vector<std::string> contents;
  contents.reserve(paths.size());
  for (const std::string& path : paths) contents.push_back(numerics::ReadBinaryFile(path));
  std::vector<NamedBytes> files;
  for (std::size_t i = 0; i < paths.size(); ++i) files.push_back({contents[i], paths[i]});
  std::vector<ChannelTrace> traces = ParseMiniSeed(files);
  contents.clear();

  // Three files of one channel each stand in the order given when the codes do not decide.
  bool oneEach = paths.size() == 3 && traces.size() == 3;
  for (std::size_t i = 0; oneEach && i < traces.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (traces[i].fileIndex == traces[j].fileIndex) oneEach = false;
  if (oneEach)
    std::sort(traces.begin(), traces.end(),
              [](const ChannelTrace& a, const ChannelTrace& b) { return a.fileIndex < b.fileIndex; });
  return RecordFromChannels(traces, oneEach, prompt, paths.front(), notice);
}

}  // namespace corvath::import
