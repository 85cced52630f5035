// SEG-2 files: trace selection, sample intervals, the int32/float32 decision, and
// the refusal of every malformed shape with a message naming the problem.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>

#include "import/fixtures.h"
#include "import/readers.h"
#include "import/seg2.h"

namespace corvath::import {
namespace {

using testing::BuildSeg2;
using testing::FloatTrace;
using testing::IntTrace;
using testing::PutU16;
using testing::PutU32;
using testing::ScratchDir;
using testing::Seg2TraceFixture;

ChannelPrompt fixedChannels(int first, int second, int third, int* askedWith = nullptr) {
  return [=](const TraceList& traces) {
    if (askedWith) *askedWith = traces.count;
    return ChannelChoice{first, second, third};
  };
}

std::vector<double> values(const ThreeComponentRecord& r, Component c) {
  std::vector<double> out;
  for (const Sample& s : r.samples(c)) out.push_back(s.value);
  return out;
}

TEST(Seg2File, ThreeFloatTracesWithTheirInterval) {
  ScratchDir dir;
  const auto file = BuildSeg2({FloatTrace({1.5f, -2.25f, 3}, {"CHANNEL_NUMBER 1", "SAMPLE_INTERVAL 0.004"}),
                               FloatTrace({4, 5, 6}, {"SAMPLE_INTERVAL 0.004"}),
                               FloatTrace({7, 8, 9.75f}, {"SAMPLE_INTERVAL 0.004", "UNITS METERS"})});
  const auto r = ReadSeg2File(dir.write("f.sg2", file.bytes), {});  // no prompt: channels 1, 2, 3
  ASSERT_TRUE(r);
  EXPECT_EQ(values(*r, Component::X), (std::vector<double>{1.5, -2.25, 3}));
  EXPECT_EQ(values(*r, Component::Y), (std::vector<double>{4, 5, 6}));
  EXPECT_EQ(values(*r, Component::Z), (std::vector<double>{7, 8, 9.75}));
  for (Component c : kComponents) {
    EXPECT_EQ(r->sample(c, 0).time, 0.0);
    EXPECT_EQ(r->sample(c, 1).time, 0.004);
    EXPECT_EQ(r->sample(c, 2).time, static_cast<double>(2.0L * 0.004));
  }
}

TEST(Seg2File, ChannelsFourFiveSixOfTwelve) {
  std::vector<Seg2TraceFixture> traces;
  for (int i = 1; i <= 12; ++i)
    traces.push_back(FloatTrace({static_cast<float>(i), static_cast<float>(10 * i)}, {"SAMPLE_INTERVAL 0.01"}));
  ScratchDir dir;
  int askedWith = -1;
  const auto r = ReadSeg2File(dir.write("f.sg2", BuildSeg2(traces).bytes), fixedChannels(4, 5, 6, &askedWith));
  ASSERT_TRUE(r);
  EXPECT_EQ(askedWith, 12);
  EXPECT_EQ(values(*r, Component::X), (std::vector<double>{4, 40}));
  EXPECT_EQ(values(*r, Component::Y), (std::vector<double>{5, 50}));
  EXPECT_EQ(values(*r, Component::Z), (std::vector<double>{6, 60}));
  // The same trace may feed two components, in any order.
  const auto again = ReadSeg2File(dir.path("f.sg2"), fixedChannels(12, 1, 12));
  EXPECT_EQ(values(*again, Component::X), (std::vector<double>{12, 120}));
  EXPECT_EQ(values(*again, Component::Z), (std::vector<double>{12, 120}));
}

TEST(Seg2File, SampleFormatIsDecidedOnceByTheFirstSampleWhenTheCodeDoesNotSay) {
  ScratchDir dir;
  // Code 0 says nothing: the first sample, the integer 5, is a tiny float, so every
  // trace is read as integers, the later ones too.
  const auto ints = BuildSeg2({IntTrace({5, 1000000, -3}, {}, 0), IntTrace({0, 7, -8}, {}, 0),
                               IntTrace({-1, 2, 3}, {}, 0)});
  const auto r = ReadSeg2File(dir.write("i.sg2", ints.bytes), {});
  ASSERT_TRUE(r);
  EXPECT_EQ(values(*r, Component::X), (std::vector<double>{5, 1000000, -3}));
  EXPECT_EQ(values(*r, Component::Y), (std::vector<double>{0, 7, -8}));
  EXPECT_EQ(values(*r, Component::Z), (std::vector<double>{-1, 2, 3}));
  // A negative integer is a NaN as a float: integers as well.
  const auto negative = BuildSeg2({IntTrace({-11, 4}, {}, 0), IntTrace({1}, {}, 0), IntTrace({2}, {}, 0)});
  EXPECT_EQ(values(*ReadSeg2File(dir.write("n.sg2", negative.bytes), {}), Component::X), (std::vector<double>{-11, 4}));
  // First sample 0 (after an empty trace): floats.
  const auto floats = BuildSeg2({FloatTrace({}, {}, 0), FloatTrace({0, 2.5f}, {}, 0), FloatTrace({1e-3f}, {}, 0)});
  const auto f = ReadSeg2File(dir.write("f.sg2", floats.bytes), {});
  ASSERT_TRUE(f);
  EXPECT_TRUE(values(*f, Component::X).empty());
  EXPECT_EQ(values(*f, Component::Y), (std::vector<double>{0, 2.5}));
  EXPECT_EQ(values(*f, Component::Z), (std::vector<double>{static_cast<double>(1e-3f)}));
}

TEST(Seg2File, CodesTwoAndFourSayHowSamplesAreStored) {
  // An int32 trace starting with 0 would pass for floats; its code says integers.
  ScratchDir dir;
  const auto file = BuildSeg2({IntTrace({0, 5, -11}, {}), FloatTrace({0, 1e-35f, 2}, {}), IntTrace({0, 1}, {})});
  const auto r = ReadSeg2File(dir.write("c.sg2", file.bytes), {});
  ASSERT_TRUE(r);
  EXPECT_EQ(values(*r, Component::X), (std::vector<double>{0, 5, -11}));
  EXPECT_EQ(values(*r, Component::Y), (std::vector<double>{0, static_cast<double>(1e-35f), 2}));
}

TEST(Seg2File, SampleIntervalKeywordRules) {
  struct Case {
    const char* name;
    std::vector<std::string> strings;
    double interval;
  };
  const std::vector<Case> cases{
      {"one blank", {"SAMPLE_INTERVAL 0.002"}, 0.002},
      {"three blanks", {"SAMPLE_INTERVAL   0.002"}, 0.002},
      {"four blanks are too many", {"SAMPLE_INTERVAL    0.002"}, 0},
      {"five blanks are too many", {"SAMPLE_INTERVAL     0.002"}, 0},
      {"a value that is not a number", {"SAMPLE_INTERVAL fast"}, 0},
      {"odd bytes turn into _ and break the word", {"SAMPLE_INTERVAL\x01 0.002"}, 0},
      {"a tab is not a blank", {"SAMPLE_INTERVAL\t0.002"}, 0},
      {"a later occurrence wins", {"SAMPLE_INTERVAL 0.002", "NOTE", "sample_interval 0.008"}, 0.008},
      {"exponent and decimal comma", {"Sample_Interval 2,5E-3"}, 0.0025},
      {"inside another keyword", {"MY_SAMPLE_INTERVAL 0.002"}, 0},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    const auto file = BuildSeg2({FloatTrace({1, 2}, c.strings), FloatTrace({1, 2}, {}), FloatTrace({1, 2}, {})});
    const auto r = ReadSeg2File(dir.write("k.sg2", file.bytes), {});
    ASSERT_TRUE(r) << c.name;
    EXPECT_DOUBLE_EQ(r->sample(Component::X, 1).time, c.interval) << c.name;
  }
}

TEST(Seg2File, TracesWithoutIntervalTakeTheLastOneFound) {
  ScratchDir dir;
  const auto file = BuildSeg2({FloatTrace({1, 2}, {"SAMPLE_INTERVAL 0.002"}), FloatTrace({1, 2}, {}),
                               FloatTrace({1, 2}, {"SAMPLE_INTERVAL 0.005"}), FloatTrace({1, 2}, {})});
  const auto r = ReadSeg2File(dir.write("i.sg2", file.bytes), fixedChannels(1, 2, 4));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sample(Component::X, 1).time, 0.002);
  EXPECT_EQ(r->sample(Component::Y, 1).time, 0.005);
  EXPECT_EQ(r->sample(Component::Z, 1).time, 0.005);

  const auto none = BuildSeg2({FloatTrace({1, 2}, {}), FloatTrace({3, 4}, {}), FloatTrace({5, 6}, {})});
  const auto zero = ReadSeg2File(dir.write("z.sg2", none.bytes), {});
  for (Component c : kComponents) EXPECT_EQ(zero->sample(c, 1).time, 0.0);
}

TEST(Seg2File, NothingToLoadForForeignFilesAndFewerThanThreeTraces) {
  ScratchDir dir;
  const auto two = BuildSeg2({FloatTrace({1}, {}), FloatTrace({2}, {})});
  std::string bigEndian = BuildSeg2({FloatTrace({1}, {}), FloatTrace({2}, {}), FloatTrace({3}, {})}).bytes;
  std::swap(bigEndian[0], bigEndian[1]);
  bool asked = false;
  const ChannelPrompt prompt = [&](const TraceList&) {
    asked = true;
    return ChannelChoice{};
  };
  for (const std::string& bytes : {two.bytes, bigEndian, std::string("U"), std::string(), std::string("hello world")})
    EXPECT_EQ(ReadSeg2File(dir.write("n.sg2", bytes), prompt), std::nullopt);
  EXPECT_FALSE(asked);
  EXPECT_THROW(ReadSeg2File(dir.path("missing.sg2"), prompt), numerics::FileError);
}

TEST(Seg2File, AMissingFileNamesItInTheMessage) {
  ScratchDir dir;
  const std::string path = dir.path("missing.sg2");
  try {
    ReadSeg2File(path, {});
    FAIL() << "no error";
  } catch (const numerics::FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". File not found");
  }
}

TEST(Seg2File, IsSeg2NeverThrows) {
  EXPECT_TRUE(IsSeg2(std::string("\x55\x3A", 2)));
  EXPECT_FALSE(IsSeg2(std::string("\x3A\x55", 2)));
  EXPECT_FALSE(IsSeg2("\x55"));
  EXPECT_FALSE(IsSeg2(""));
  EXPECT_FALSE(IsSeg2File("/nonexistent/file.sg2"));
  EXPECT_FALSE(IsSeg2File("/"));
  ScratchDir dir;
  EXPECT_TRUE(IsSeg2File(dir.write("s.sg2", BuildSeg2({FloatTrace({1}, {})}).bytes)));
  EXPECT_FALSE(IsSeg2File(dir.write("t.sg2", "U")));
}

// Every malformed shape: the file, bent, and a piece of the expected message.
TEST(Seg2File, MalformedFilesAreRefusedWithAMessageNamingTheProblem) {
  const auto base = BuildSeg2({FloatTrace({1, 2, 3}, {"SAMPLE_INTERVAL 0.01"}), FloatTrace({4, 5, 6}, {}),
                               FloatTrace({7, 8, 9}, {})});
  const std::size_t t2 = base.traceOffsets[1];
  struct Case {
    const char* name;
    std::function<void(std::string&)> bend;
    std::string message;
  };
  const std::vector<Case> cases{
      {"shorter than the file descriptor", [](std::string& b) { b.resize(20); },
       "the SEG-2 file descriptor block needs 32 bytes, the file holds 20 bytes"},
      {"more trace pointers than the file holds", [](std::string& b) { PutU16(b, 6, 60000); },
       "the 60000 SEG-2 trace pointers end at byte 240032"},
      {"a trace pointer beyond the end", [](std::string& b) { PutU32(b, 36, 0xFFFFFFF0u); },
       "SEG-2 trace 2 (descriptor at offset 4294967280): the 32 fixed bytes of the descriptor end at byte 4294967312"},
      {"a descriptor smaller than its fixed part", [&](std::string& b) { PutU16(b, t2 + 2, 20); },
       "the descriptor size 20 is less than its 32 fixed bytes"},
      {"a string area above 4096 bytes", [&](std::string& b) { PutU16(b, t2 + 2, 32 + 4097); },
       "the string area holds 4097 bytes, more than 4096"},
      {"a descriptor beyond the end", [&](std::string& b) { PutU16(b, base.traceOffsets[2] + 2, 4000); },
       "SEG-2 trace 3 (descriptor at offset " + std::to_string(base.traceOffsets[2]) + "): the descriptor of 4000 bytes ends at byte"},
      {"a huge sample count", [&](std::string& b) { PutU32(b, t2 + 8, 0xFFFFFFFFu); },
       "the data block of 4294967295 samples (17179869180 bytes)"},
      {"a data block cut short", [](std::string& b) { b.resize(b.size() - 1); },
       "SEG-2 trace 3 (descriptor at offset " + std::to_string(base.traceOffsets[2]) + "): the data block of 3 samples (12 bytes)"},
      {"16-bit samples", [&](std::string& b) { b[t2 + 12] = 1; }, "data format code 1 stores 2-byte"},
      {"20-bit samples", [&](std::string& b) { b[t2 + 12] = 3; }, "data format code 3 stores 2.5-byte"},
      {"64-bit samples", [&](std::string& b) { b[t2 + 12] = 5; }, "data format code 5 stores 8-byte"},
      {"a NaN float sample", [&](std::string& b) { PutU32(b, t2 + 36 + 4, 0x7FC00000u); },
       "SEG-2 trace 2 (descriptor at offset " + std::to_string(t2) + "): sample 2 at offset"},
      {"an infinite float sample", [&](std::string& b) { PutU32(b, t2 + 36, 0x7F800000u); },
       "sample 1 at offset"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    std::string bytes = base.bytes;
    c.bend(bytes);
    const std::string path = dir.write("bad.sg2", bytes);
    try {
      ReadSeg2File(path, {});
      ADD_FAILURE() << c.name << ": no error";
    } catch (const FormatError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(c.message), std::string::npos) << c.name << ": " << what;
      EXPECT_NE(what.find(path), std::string::npos) << c.name << ": " << what;
      EXPECT_EQ(e.path(), path);
    }
  }
}

TEST(Seg2File, ChannelsOutsideTheTracesAreRefused) {
  ScratchDir dir;
  const std::string path =
      dir.write("c.sg2", BuildSeg2({FloatTrace({1}, {}), FloatTrace({2}, {}), FloatTrace({3}, {})}).bytes);
  for (const ChannelChoice& c : {ChannelChoice{0, 2, 3}, ChannelChoice{1, 4, 3}, ChannelChoice{1, 2, -1}}) {
    try {
      ReadSeg2File(path, fixedChannels(c.first, c.second, c.third));
      ADD_FAILURE() << "no error";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("but the file has the traces 1 to 3"), std::string::npos) << e.what();
    }
  }
}

TEST(Seg2File, AHugeIntervalOverflowsInsteadOfGivingInfiniteTimes) {
  ScratchDir dir;
  const auto file = BuildSeg2({FloatTrace({1, 2, 3}, {"SAMPLE_INTERVAL 1e308"}), FloatTrace({1}, {}), FloatTrace({1}, {})});
  EXPECT_THROW(ReadSeg2File(dir.write("h.sg2", file.bytes), {}), FormatError);
}

TEST(Seg2File, TheRealInt32FileMatchesItsExport) {
  CORVATH_REQUIRE_SHARED_DATA();
  const auto r = ReadSeg2File(CORVATH_SHARED_DATA "/seg2/20130107_103041000.CET.3c.cont.0.seg2", {});
  ASSERT_TRUE(r);
  // The export is counts x DESCALING_FACTOR x 1000; the reader keeps the counts.
  const double factors[3] = {2.17378e-05, 2.19941e-05, 2.14815e-05};
  std::ifstream expected(CORVATH_SHARED_DATA "/seg2/20130107_103041000.CET.3c.cont.0.expected.txt");
  ASSERT_TRUE(expected);
  std::string line;
  std::size_t j = 0;
  for (; std::getline(expected, line); ++j) {
    std::istringstream fields(line);
    for (Component c : kComponents) {
      double exported;
      ASSERT_TRUE(fields >> exported) << "row " << j;
      ASSERT_LT(j, r->size(c));
      const double counts = exported / (factors[static_cast<int>(c)] * 1000);
      EXPECT_NEAR(r->sample(c, j).value, counts, 1e-3) << "component " << static_cast<int>(c) << " row " << j;
      EXPECT_EQ(r->sample(c, j).value, std::nearbyint(r->sample(c, j).value));
    }
  }
  EXPECT_EQ(j, 2000u);
  for (Component c : kComponents) {
    EXPECT_EQ(r->size(c), 2000u);
    EXPECT_DOUBLE_EQ(r->sample(c, 1999).time, 1.999);
  }
}

TEST(Seg2File, TheRealFloatGatherLoadsTracesFourFiveSix) {
  CORVATH_REQUIRE_SHARED_DATA();
  int askedWith = 0;
  const auto r = ReadSeg2File(CORVATH_SHARED_DATA "/seg2/wghs_6.sg2", fixedChannels(4, 5, 6, &askedWith));
  ASSERT_TRUE(r);
  EXPECT_EQ(askedWith, 24);
  EXPECT_TRUE(IsSeg2File(CORVATH_SHARED_DATA "/seg2/wghs_6.sg2"));
  for (Component c : kComponents) {
    ASSERT_EQ(r->size(c), 1500u);
    EXPECT_DOUBLE_EQ(r->samplingInterval(c), 0.001);
    EXPECT_EQ(r->sample(c, 0).time, 0.0);  // the DELAY of -0.5 s is not applied
  }
  // Values read independently from the file's float32 samples.
  EXPECT_EQ(r->sample(Component::X, 0).value, -22.61386489868164);
  EXPECT_EQ(r->sample(Component::X, 1499).value, 0.8554542660713196);
  EXPECT_EQ(r->sample(Component::Y, 1).value, -59.6350212097168);
  EXPECT_EQ(r->sample(Component::Z, 1499).value, 13.297682762145996);
}

TEST(Seg2File, TheReal20BitFileIsRefused) {
  CORVATH_REQUIRE_SHARED_DATA();
  try {
    ReadSeg2File(CORVATH_SHARED_DATA "/seg2/20180307_031245000.0.seg2", {});
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("data format code 3"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace corvath::import
