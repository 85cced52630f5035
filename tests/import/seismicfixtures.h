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
inline void PackMiniSeed(const MiniSeedChannel& fixture, std::string& out) {
  MSRecord* msr = msr_init(nullptr);
  std::strncpy(msr->network, fixture.network.c_str(), sizeof msr->network - 1);
  std::strncpy(msr->station, fixture.station.c_str(), sizeof msr->station - 1);
  std::strncpy(msr->location, fixture.location.c_str(), sizeof msr->location - 1);
  std::strncpy(msr->channel, fixture.channel.c_str(), sizeof msr->channel - 1);
  msr->dataquality = 'D';
  msr->starttime = fixture.startMicroseconds;
  msr->samprate = fixture.rateHz;
  msr->reclen = fixture.recordLength;
  msr->encoding = static_cast<int8_t>(fixture.encoding);
  msr->byteorder = static_cast<int8_t>(fixture.byteOrder);
  // The packer wants 32-bit integers for the integer encodings (INT16 as well) and
  // floats or doubles for the float ones.
  std::vector<std::int32_t> ints(fixture.values);
  std::vector<float> floats(fixture.values.begin(), fixture.values.end());
  std::vector<double> doubles(fixture.values.begin(), fixture.values.end());
  switch (fixture.encoding) {
    case DE_FLOAT32: msr->datasamples = floats.data(); msr->sampletype = 'f'; break;
    case DE_FLOAT64: msr->datasamples = doubles.data(); msr->sampletype = 'd'; break;
    default: msr->datasamples = ints.data(); msr->sampletype = 'i'; break;
  }
  msr->numsamples = static_cast<int64_t>(fixture.values.size());
  std::int64_t packed = 0;
  msr_pack(
      msr, [](char* record, int length, void* data) { static_cast<std::string*>(data)->append(record, length); },
      &out, &packed, 1, 0);
  msr->datasamples = nullptr;  // owned by the vectors above
  msr_free(&msr);
}

inline std::string PackMiniSeed(const MiniSeedChannel& fixture) {
  std::string out;
  PackMiniSeed(fixture, out);
  return out;
}

//! Values 0, 1, 2, ... n-1 plus an offset, easy to find again in a record.
inline std::vector<std::int32_t> Ramp(int n, int offset = 0) {
  std::vector<std::int32_t> v(n);
  for (int i = 0; i < n; ++i) v[i] = offset + i;
  return v;
}

//! The header fields of a SAC file to write.
struct SacFixture {
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
inline std::string BuildSac(const SacFixture& fixture) {
  std::string b(632 + 4 * fixture.values.size(), '\0');
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b[at + (fixture.bigEndian ? 3 - i : i)] = static_cast<char>(v >> (8 * i) & 0xFF);
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
  putFloat(0, fixture.delta);
  putFloat(5, fixture.b);
  putFloat(6, fixture.b + fixture.delta * (fixture.values.size() - 1));
  putFloat(57, fixture.cmpaz);
  putFloat(58, fixture.cmpinc);
  for (int i = 0; i < 6; ++i) putInt(70 + i, fixture.nz[i]);
  putInt(76, fixture.version);
  putInt(79, fixture.npts.value_or(static_cast<int>(fixture.values.size())));
  putInt(85, fixture.iftype);
  putInt(105, fixture.leven);
  putText(440, 8, fixture.kstnm);
  putText(600, 8, fixture.kcmpnm);
  for (std::size_t i = 0; i < fixture.values.size(); ++i) putFloat(158 + i, fixture.values[i]);
  return b;
}

}  // namespace corvath::testing
