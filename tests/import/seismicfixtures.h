#pragma once
// miniSEED and SAC files written by the tests: miniSEED through libmseed's packer,
// SAC byte by byte in either byte order.
#include <libmseed.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace corvath::testing {

//! One channel to pack as miniSEED.
struct MiniSeedChannel {
  std::string network = "XX";
  std::string station = "STA";
  std::string location = "";
  std::string channel = "HHZ";
  std::int64_t startMicroseconds = 1'600'000'000'000'000;  // 2020-09-13
  double rateHz = 100.0;
  std::vector<std::int32_t> values;
  int encoding = DE_STEIM2;
  int byteOrder = 1;  // 1 big-endian, 0 little-endian
  int recordLength = 512;
};

//! The channel packed into miniSEED 2 records (appended to `out`).
inline void PackMiniSeed(const MiniSeedChannel& spec, std::string& out) {
  MSRecord* msr = msr_init(nullptr);
  std::strncpy(msr->network, spec.network.c_str(), sizeof msr->network - 1);
  std::strncpy(msr->station, spec.station.c_str(), sizeof msr->station - 1);
  std::strncpy(msr->location, spec.location.c_str(), sizeof msr->location - 1);
  std::strncpy(msr->channel, spec.channel.c_str(), sizeof msr->channel - 1);
  msr->dataquality = 'D';
  msr->starttime = spec.startMicroseconds;
  msr->samprate = spec.rateHz;
  msr->reclen = spec.recordLength;
  msr->encoding = static_cast<int8_t>(spec.encoding);
  msr->byteorder = static_cast<int8_t>(spec.byteOrder);
  // The packer wants 32-bit integers for the integer encodings (INT16 as well) and
  // floats or doubles for the float ones.
  std::vector<std::int32_t> ints(spec.values);
  std::vector<float> floats(spec.values.begin(), spec.values.end());
  std::vector<double> doubles(spec.values.begin(), spec.values.end());
  switch (spec.encoding) {
    case DE_FLOAT32: msr->datasamples = floats.data(); msr->sampletype = 'f'; break;
    case DE_FLOAT64: msr->datasamples = doubles.data(); msr->sampletype = 'd'; break;
    default: msr->datasamples = ints.data(); msr->sampletype = 'i'; break;
  }
  msr->numsamples = static_cast<int64_t>(spec.values.size());
  std::int64_t packed = 0;
  msr_pack(
      msr, [](char* record, int length, void* data) { static_cast<std::string*>(data)->append(record, length); },
      &out, &packed, 1, 0);
  msr->datasamples = nullptr;  // owned by the vectors above
  msr_free(&msr);
}

inline std::string PackMiniSeed(const MiniSeedChannel& spec) {
  std::string out;
  PackMiniSeed(spec, out);
  return out;
}

//! Values 0, 1, 2, ... n-1 plus an offset, easy to find again in a record.
inline std::vector<std::int32_t> Ramp(int n, int offset = 0) {
  std::vector<std::int32_t> v(n);
  for (int i = 0; i < n; ++i) v[i] = offset + i;
  return v;
}

//! The header fields of a SAC file to write.
struct SacSpec {
  float delta = 0.01f;
  float b = 0.0f;
  int nz[6] = {2020, 257, 12, 26, 40, 0};  // nzyear, nzjday, nzhour, nzmin, nzsec, nzmsec
  int version = 6;
  int iftype = 1;
  int leven = 1;
  float cmpaz = -12345.0f, cmpinc = -12345.0f;
  std::string kcmpnm = "-12345";
  std::string kstnm = "STA";
  std::vector<float> values;
  bool bigEndian = false;
  std::optional<int> npts;  // unset: the number of values
};

//! A SAC file: 632 header bytes (unset fields -12345), then the samples.
inline std::string BuildSac(const SacSpec& spec) {
  std::string b(632 + 4 * spec.values.size(), '\0');
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b[at + (spec.bigEndian ? 3 - i : i)] = static_cast<char>(v >> (8 * i) & 0xFF);
  };
  auto putFloat = [&](std::size_t word, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put(4 * word, bits);
  };
  auto putInt = [&](std::size_t word, int v) { put(4 * word, static_cast<std::uint32_t>(v)); };
  auto putText = [&](std::size_t at, std::size_t length, const std::string& text) {
    std::string field = text.substr(0, length);
    field.resize(length, ' ');
    b.replace(at, length, field);
  };
  for (std::size_t w = 0; w < 70; ++w) putFloat(w, -12345.0f);
  for (std::size_t w = 70; w < 110; ++w) putInt(w, -12345);
  for (std::size_t at = 440; at < 632; at += 8) putText(at, 8, "-12345");
  putFloat(0, spec.delta);
  putFloat(5, spec.b);
  putFloat(6, spec.b + spec.delta * (spec.values.size() - 1));
  putFloat(57, spec.cmpaz);
  putFloat(58, spec.cmpinc);
  for (int i = 0; i < 6; ++i) putInt(70 + i, spec.nz[i]);
  putInt(76, spec.version);
  putInt(79, spec.npts.value_or(static_cast<int>(spec.values.size())));
  putInt(85, spec.iftype);
  putInt(105, spec.leven);
  putText(440, 8, spec.kstnm);
  putText(600, 8, spec.kcmpnm);
  for (std::size_t i = 0; i < spec.values.size(); ++i) putFloat(158 + i, spec.values[i]);
  return b;
}

}  // namespace corvath::testing
