// Delta files: Windows-1251 keywords, gains, words 5 to 8, the channel mapping.
#include <gtest/gtest.h>

#include <string>

#include "import/fixtures.h"
#include "import/readers.h"

namespace corvath::import {
namespace {

using testing::ScratchDir;

// The keywords in Windows-1251: "усиление" holds "силен"; "Отсчеты" holds "тсчеты".
const std::string kGain = "\xF3\xF1\xE8\xEB\xE5\xED\xE8\xE5";
const std::string kEnd = "\xCE\xF2\xF1\xF7\xE5\xF2\xFB";

ChannelPrompt fixedChannels(int first, int second, int third, int* askedWith = nullptr) {
  return [=](const TraceList& traces) {
    if (askedWith) *askedWith = traces.count;
    return ChannelChoice{first, second, third};
  };
}

struct Expected {
  double t, z, x, y;
};

void expectSamples(const ThreeComponentRecord& r, const std::vector<Expected>& samples, const char* name) {
  ASSERT_EQ(r.size(Component::Z), samples.size()) << name;
  ASSERT_EQ(r.size(Component::X), samples.size()) << name;
  ASSERT_EQ(r.size(Component::Y), samples.size()) << name;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(r.sample(Component::Z, i).time, samples[i].t) << name << " sample " << i;
    EXPECT_EQ(r.sample(Component::X, i).time, samples[i].t) << name << " sample " << i;
    EXPECT_EQ(r.sample(Component::Z, i).value, samples[i].z) << name << " sample " << i;
    EXPECT_EQ(r.sample(Component::X, i).value, samples[i].x) << name << " sample " << i;
    EXPECT_EQ(r.sample(Component::Y, i).value, samples[i].y) << name << " sample " << i;
  }
}

TEST(DeltaFile, GainsChannelsAndDataLines) {
  struct Case {
    const char* name;
    std::string text;
    ChannelChoice channels;
    std::vector<Expected> samples;
  };
  const std::string line = "1 2 3 4 0.01 5 6 7\n";
  const std::vector<Case> cases{
      {"default channels: Z, X, Y from channels 1, 2, 3",
       kGain + " 1: 2\n" + kGain + " 2: 3\n" + kGain + " 3: 4\n" + kEnd + "\n" + line, {1, 2, 3}, {{0.01, 10, 18, 28}}},
      {"two gain lines: the third gain is 1", "x " + kGain + " 10\n" + kGain + " ch 20\n" + kEnd + "\n" + line,
       {1, 2, 3}, {{0.01, 50, 120, 7}}},
      {"a fourth gain line changes nothing",
       kGain + " 2\n" + kGain + " 3\n" + kGain + " 4\n" + kGain + " 100\n" + kEnd + "\n" + line, {1, 2, 3},
       {{0.01, 10, 18, 28}}},
      {"the last number of a gain line", kGain + " 1 2 3,5 dB\n" + kEnd + "\n" + line, {1, 2, 3},
       {{0.01, 17.5, 6, 7}}},
      {"a gain line without a number leaves its gain at 1 and counts",
       kGain + " 2\n" + kGain + " none\n" + kGain + " 4\n" + kEnd + "\n" + line, {1, 2, 3}, {{0.01, 10, 6, 28}}},
      {"channel 2 in the third field", kGain + " 2\n" + kGain + " 3\n" + kEnd + "\n" + line, {1, 2, 2},
       {{0.01, 10, 18, 18}}},
      {"channels reversed", kEnd + "\n" + line, {3, 2, 1}, {{0.01, 7, 6, 5}}},
      {"seven words are skipped, further words ignored",
       kEnd + "\n1 2 3 4 0.01 5 6\n1 2 3 4 0.02 5 6 7 8 9\n", {1, 2, 3}, {{0.02, 5, 6, 7}}},
      {"a time or channel word that is not a number skips the line",
       kEnd + "\na b c d t 5 6 7\na b c d 0.1 5 x 7\na b c d 0.2 5 6 7\n", {1, 2, 3}, {{0.2, 5, 6, 7}}},
      {"a word no channel reads may be anything", kEnd + "\na b c d 0.1 5 x 7\n", {1, 3, 3}, {{0.1, 5, 7, 7}}},
      {"the value 123456789 is a number", kEnd + "\na b c d 0.1 123456789 6 7\n", {1, 2, 3},
       {{0.1, 123456789, 6, 7}}},
      {"times out of order are sorted, ties keep file order",
       kEnd + "\na b c d 0,2 1 1 1\na b c d 0,1 2 2 2\na b c d 0,2 3 3 3\n", {1, 2, 3},
       {{0.1, 2, 2, 2}, {0.2, 1, 1, 1}, {0.2, 3, 3, 3}}},
      {"capital Cyrillic keywords do not match",
       "\xD1\xC8\xCB\xC5\xCD 5\n" + kEnd + "\n" + line, {1, 2, 3}, {{0.01, 5, 6, 7}}},
      {"keywords on the end-of-header line count", kGain + " 3 " + kEnd + "\n" + line, {1, 2, 3},
       {{0.01, 15, 6, 7}}},
      {"CR LF line ends", kGain + " 2\r\n" + kEnd + "\r\n1 2 3 4 0.01 5 6 7\r\n", {1, 2, 3}, {{0.01, 10, 6, 7}}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    int askedWith = -1;
    const auto r = ReadDeltaFile(dir.write("d.dat", c.text),
                                 fixedChannels(c.channels.first, c.channels.second, c.channels.third, &askedWith));
    ASSERT_TRUE(r) << c.name;
    EXPECT_EQ(askedWith, 0) << c.name;
    expectSamples(*r, c.samples, c.name);
  }
}

TEST(DeltaFile, NothingToLoadWithoutDataAfterTheEndOfTheHeader) {
  ScratchDir dir;
  for (const std::string& text : {kGain + " 2\n1 2 3 4 0.01 5 6 7\n", kGain + " 2\n" + kEnd + "\n", kEnd,
                                  std::string("\xD0\xF2\xF1\xF7\xE5\xF2\xDB\n1 2 3 4 5 6 7 8\n")}) {
    bool asked = false;
    const auto r = ReadDeltaFile(dir.write("d.dat", text), [&](const TraceList&) {
      asked = true;
      return ChannelChoice{};
    });
    EXPECT_EQ(r, std::nullopt);
    EXPECT_TRUE(asked);  // the dialog comes before the header is read
  }
}

TEST(DeltaFile, AMissingFileFailsBeforeTheDialog) {
  ScratchDir dir;
  bool asked = false;
  EXPECT_THROW(ReadDeltaFile(dir.path("none.dat"),
                             [&](const TraceList&) {
                               asked = true;
                               return ChannelChoice{};
                             }),
               numerics::FileError);
  EXPECT_FALSE(asked);
}

TEST(DeltaFile, ChannelsOutsideOneToThreeAreRefused) {
  ScratchDir dir;
  const std::string path = dir.write("d.dat", kEnd + "\n1 2 3 4 0.01 5 6 7\n");
  for (const ChannelChoice& c : {ChannelChoice{4, 2, 3}, ChannelChoice{1, 0, 3}, ChannelChoice{1, 2, 100}}) {
    try {
      ReadDeltaFile(path, fixedChannels(c.first, c.second, c.third));
      ADD_FAILURE() << "no error";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("but a Delta file has the channels 1 to 3"), std::string::npos) << e.what();
      EXPECT_EQ(e.path(), path);
    }
  }
}

TEST(DeltaFile, AGainThatOverflowsAValueIsAnOverflow) {
  ScratchDir dir;
  try {
    ReadDeltaFile(dir.write("d.dat", kGain + " 1e300\n" + kEnd + "\n1 2 3 4 0.01 1e10 6 7\n"), {});
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "Floating point overflow");
  }
}

}  // namespace
}  // namespace corvath::import
