#pragma once
// Small files written by the tests themselves: a scratch folder removed at the end,
// and a SEG-2 writer whose traces can be bent into every malformed shape.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

// Tests of the real records skip, saying so, when the folder of real records is
// not there at all (a build configured elsewhere); a file missing from it fails.
#define CORVATH_REQUIRE_SHARED_DATA()                                        \
  if (!std::filesystem::is_directory(CORVATH_SHARED_DATA))                   \
  GTEST_SKIP() << "no real records at " CORVATH_SHARED_DATA                  \
               << " (configure with -DCORVATH_SHARED_DATA=...)"

namespace corvath::testing {

//! A fresh folder under the system's temporary folder, removed with its content.
class ScratchDir {
public:
  ScratchDir() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("corvath_test_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  //! Writes `bytes` to the file `name` in the folder and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string p = (path_ / name).string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string path(const std::string& name) const { return (path_ / name).string(); }
  //! The folder itself.
  const std::filesystem::path& root() const { return path_; }

private:
  std::filesystem::path path_;
};

inline void PutU16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
inline std::uint32_t FloatBits(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

//! One trace of a SEG-2 file to write.
struct Seg2TraceFixture {
  std::vector<std::string> strings;  //!< keyword strings ("SAMPLE_INTERVAL 0.004")
  std::uint8_t formatCode = 4;
  std::vector<std::uint32_t> words;  //!< the 4-byte samples as stored
};

inline Seg2TraceFixture FloatTrace(const std::vector<float>& samples, std::vector<std::string> strings,
                                std::uint8_t code = 4) {
  Seg2TraceFixture t{std::move(strings), code, {}};
  for (float f : samples) t.words.push_back(FloatBits(f));
  return t;
}
inline Seg2TraceFixture IntTrace(const std::vector<std::int32_t>& samples, std::vector<std::string> strings,
                              std::uint8_t code = 2) {
  Seg2TraceFixture t{std::move(strings), code, {}};
  for (std::int32_t v : samples) t.words.push_back(static_cast<std::uint32_t>(v));
  return t;
}

//! A little-endian SEG-2 file and the offsets of its trace descriptor blocks.
struct Seg2Bytes {
  std::string bytes;
  std::vector<std::size_t> traceOffsets;
};

//! Writes the file descriptor block, the pointers, then per trace its descriptor
//! (32 fixed bytes and the strings, each a 2-byte length, text, 0, then a 0 length)
//! and its samples.
inline Seg2Bytes BuildSeg2(const std::vector<Seg2TraceFixture>& traces) {
  const std::size_t n = traces.size();
  Seg2Bytes out;
  out.bytes.assign(32 + 4 * n, '\0');
  PutU16(out.bytes, 0, 0x3A55);
  PutU16(out.bytes, 2, 1);
  PutU16(out.bytes, 4, static_cast<std::uint16_t>(4 * n));
  PutU16(out.bytes, 6, static_cast<std::uint16_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    const Seg2TraceFixture& t = traces[i];
    std::string area;
    for (const std::string& s : t.strings) {
      const std::size_t len = s.size() + 3;
      area += static_cast<char>(len & 0xFF);
      area += static_cast<char>(len >> 8);
      area += s;
      area += '\0';
    }
    area.append(2, '\0');
    while (area.size() % 4) area += '\0';
    const std::size_t at = out.bytes.size();
    out.traceOffsets.push_back(at);
    PutU32(out.bytes, 32 + 4 * i, static_cast<std::uint32_t>(at));
    std::string block(32, '\0');
    PutU16(block, 0, 0x4422);
    PutU16(block, 2, static_cast<std::uint16_t>(32 + area.size()));
    PutU32(block, 4, static_cast<std::uint32_t>(4 * t.words.size()));
    PutU32(block, 8, static_cast<std::uint32_t>(t.words.size()));
    block[12] = static_cast<char>(t.formatCode);
    out.bytes += block + area;
    std::string data(4 * t.words.size(), '\0');
    for (std::size_t j = 0; j < t.words.size(); ++j) PutU32(data, 4 * j, t.words[j]);
    out.bytes += data;
  }
  return out;
}

}  // namespace corvath::testing
