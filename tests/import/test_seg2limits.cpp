// What a SEG-2 file costs is bounded by the three traces it gives, not by the file:
// a huge tail is never read, and trace pointers aimed at one block are refused.
// The bound is checked by recording the largest single allocation during a load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "import/fixtures.h"
#include "import/readers.h"

namespace {
thread_local bool recording = false;
thread_local std::size_t largestAllocation = 0;
}  // namespace

// AddressSanitizer brings its own allocator, whose other forms of new would not pair
// with these; there the bound is left to the plain build.
#if !defined(__SANITIZE_ADDRESS__)
void* operator new(std::size_t bytes) {
  if (recording && bytes > largestAllocation) largestAllocation = bytes;
  if (void* p = std::malloc(bytes ? bytes : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace corvath::import {
namespace {

using testing::BuildSeg2;
using testing::FloatTrace;
using testing::PutU16;
using testing::PutU32;
using testing::ScratchDir;

TEST(Seg2Limits, AHugeTailIsNeverRead) {
  // A valid 3-trace record followed by 2 GB of zeros (a sparse file: no disk used).
  const auto file = BuildSeg2({FloatTrace(std::vector<float>(1000, 1.0f), {"SAMPLE_INTERVAL 0.01"}),
                               FloatTrace(std::vector<float>(1000, 2.0f), {}),
                               FloatTrace(std::vector<float>(1000, 3.0f), {})});
  ScratchDir dir;
  const std::string path = dir.write("tail.sg2", file.bytes);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(file.bytes.size()) + (off_t{2} << 30)), 0);

  largestAllocation = 0;
  recording = true;
  const auto record = ReadSeg2File(path, {});
  recording = false;
  ASSERT_TRUE(record);
  EXPECT_EQ(record->size(Component::Z), 1000u);
  EXPECT_NEAR(record->sample(Component::Y, 999).time, 9.99, 1e-12);
  // The samples (16 KB a component) and read buffers of 256 KB at most.
  EXPECT_LT(largestAllocation, std::size_t{1} << 20);
}

TEST(Seg2Limits, AliasedOrOverlappingTraceBlocksAreRefused) {
  // 16,000 pointers to one trace of 250,000 samples: a 1 MB file that, read trace by
  // trace, would cost 16 GB.
  const auto one = BuildSeg2({FloatTrace(std::vector<float>(250000, 1.0f), {"SAMPLE_INTERVAL 0.01"})});
  const std::size_t n = 16000;
  std::string aliased(32 + 4 * n, '\0');
  PutU16(aliased, 0, 0x3A55);
  PutU16(aliased, 6, static_cast<std::uint16_t>(n));
  for (std::size_t i = 0; i < n; ++i) PutU32(aliased, 32 + 4 * i, static_cast<std::uint32_t>(32 + 4 * n));
  aliased += one.bytes.substr(one.traceOffsets[0]);

  const auto three = BuildSeg2({FloatTrace({1, 2, 3, 4}, {}), FloatTrace({5, 6, 7, 8}, {}), FloatTrace({9}, {})});
  std::string overlapping = three.bytes;  // trace 2's data block grows into trace 3's descriptor
  PutU32(overlapping, three.traceOffsets[1] + 8, 5);
  std::string intoPointers = three.bytes;  // trace 3's pointer aims at trace 1's pointer
  PutU32(intoPointers, 32 + 8, 32);

  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  };
  const std::vector<Case> cases{
      {"aliased", aliased, "the blocks of SEG-2 traces 1 (bytes 64032 to "},
      {"overlapping", overlapping, "the blocks of SEG-2 traces 2 (bytes " + std::to_string(three.traceOffsets[1])},
      {"inside the pointers", intoPointers, "SEG-2 trace 3 (descriptor at offset 32): the descriptor lies inside"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.write("bad.sg2", c.bytes);
    largestAllocation = 0;
    recording = true;
    try {
      ReadSeg2File(path, {});
      ADD_FAILURE() << c.name << ": no error";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
      EXPECT_EQ(e.path(), path);
    }
    recording = false;
    EXPECT_LT(largestAllocation, std::size_t{1} << 20) << c.name;
  }
}

// An interval of 0 is the format's "not given": such a trace takes another trace's.
TEST(Seg2Limits, ANegativeSampleIntervalIsRefused) {
  ScratchDir dir;
  for (const char* interval : {"SAMPLE_INTERVAL -0.004", "SAMPLE_INTERVAL -1e-3"}) {
    const auto file =
        BuildSeg2({FloatTrace({1, 2}, {}), FloatTrace({1, 2}, {interval}), FloatTrace({1, 2}, {})});
    try {
      ReadSeg2File(dir.write("n.sg2", file.bytes), {});
      ADD_FAILURE() << interval << ": no error";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("SEG-2 trace 2"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("is not a positive number"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace corvath::import
