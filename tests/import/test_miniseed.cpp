#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import/miniseed.h"
#include "import/readers.h"
#include "import/sac.h"
#include "numerics/textfile.h"
#include "seismicfixtures.h"

namespace fs = std::filesystem;
using namespace corvath::import;
using corvath::testing::MiniSeedChannel;
using corvath::testing::PackMiniSeed;
using corvath::testing::Ramp;
using corvath::testing::ScratchDir;

namespace {

const std::string kShared = CORVATH_SHARED_DATA;

std::vector<double> AllValues(const ChannelTrace& trace) {
  std::vector<double> all;
  for (const TraceSegment& s : trace.segments) all.insert(all.end(), s.values.begin(), s.values.end());
  return all;
}

std::vector<double> Values(const ThreeComponentRecord& record, Component c) {
  std::vector<double> v;
  for (const Sample& s : record.samples(c)) v.push_back(s.value);
  return v;
}

std::vector<double> Doubles(const std::vector<std::int32_t>& v) { return {v.begin(), v.end()}; }

MiniSeedChannel Channel(const std::string& code, std::vector<std::int32_t> values, std::int64_t shiftUs = 0) {
  MiniSeedChannel c;
  c.channel = code;
  c.values = std::move(values);
  c.startMicroseconds += shiftUs;
  return c;
}

// Three channels of one sensor in one file, as X, Y, Z carry 1000+i, 2000+i, 3000+i.
std::string ThreeChannels(int n = 1000) {
  return PackMiniSeed(Channel("HH1", Ramp(n, 1000))) + PackMiniSeed(Channel("HHZ", Ramp(n, 3000))) +
         PackMiniSeed(Channel("HH2", Ramp(n, 2000)));
}

}  // namespace

TEST(MiniSeed, RealRecordsOfEveryEncodingHoldOneToFifty) {
  CORVATH_REQUIRE_SHARED_DATA();
  std::vector<double> expected;
  for (int i = 1; i <= 50; ++i) expected.push_back(i);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(kShared + "/mseed/encoding")) {
    const std::string path = entry.path().string();
    const auto traces = ParseMiniSeed(corvath::numerics::ReadBinaryFile(path), path);
    ASSERT_EQ(traces.size(), 1u) << path;
    EXPECT_EQ(AllValues(traces[0]), expected) << path;
    ++files;
  }
  EXPECT_EQ(files, 6);
}

TEST(MiniSeed, RealStationGivesTheSameRecordAsItsSacFiles) {
  CORVATH_REQUIRE_SHARED_DATA();
  corvath::import::ReadControl control;
  control.notice = "unset";
  const auto mseed = ReadRecord(RecordFormat::MiniSeed, {kShared + "/mseed/UT.STN11.A2_C50.miniseed"}, {}, &control);
  ASSERT_TRUE(mseed);
  EXPECT_EQ(control.notice, "X: UT.STN11..BHN, Y: UT.STN11..BHE, Z: UT.STN11..BHZ.");  // and nothing left out
  EXPECT_EQ(mseed->size(Component::X), 180001u);
  EXPECT_EQ(mseed->sample(Component::Z, 180000).time, 1800.0);
  // The SAC files given in the order E, Z, N: their component names put them right.
  const std::string sac = kShared + "/sac/ut.stn11.a2_c50_";
  const auto fromSac = ReadRecord(RecordFormat::Sac, {sac + "e.sac", sac + "z.sac", sac + "n.sac"}, {}, &control);
  ASSERT_TRUE(fromSac);
  EXPECT_TRUE(*fromSac == *mseed);
}

TEST(MiniSeed, EveryEncodingAndByteOrderRoundTrips) {
  const std::vector<std::int32_t> values{0, 1, -1, 32767, -32768, 123, -4567, 20000, 5, 5, 5, -9};
  for (int encoding : {DE_INT16, DE_INT32, DE_FLOAT32, DE_FLOAT64, DE_STEIM1, DE_STEIM2}) {
    for (int order : {0, 1}) {
      MiniSeedChannel c = Channel("BHZ", values);
      c.encoding = encoding;
      c.byteOrder = order;
      c.recordLength = 256;
      const auto traces = ParseMiniSeed(PackMiniSeed(c), "x.mseed");
      ASSERT_EQ(traces.size(), 1u);
      EXPECT_EQ(AllValues(traces[0]), Doubles(values)) << "encoding " << encoding << " order " << order;
      EXPECT_EQ(traces[0].segments[0].startMicroseconds, c.startMicroseconds);
      EXPECT_EQ(traces[0].name, "XX.STA..BHZ");
    }
  }
}

TEST(MiniSeed, ChannelCodesChooseXYZAndRecordsMergeIntoOneSegment) {
  ScratchDir dir;
  const std::string path = dir.write("three.mseed", ThreeChannels(5000));  // ten records a channel
  bool asked = false;
  std::string notice;
  const auto record = ReadMiniSeedFiles({path}, [&](const TraceList&) { asked = true; return ChannelChoice{}; }, &notice);
  ASSERT_TRUE(record);
  EXPECT_FALSE(asked);
  EXPECT_EQ(notice, "X: XX.STA..HH1, Y: XX.STA..HH2, Z: XX.STA..HHZ.");
  EXPECT_EQ(Values(*record, Component::X), Doubles(Ramp(5000, 1000)));
  EXPECT_EQ(Values(*record, Component::Y), Doubles(Ramp(5000, 2000)));
  EXPECT_EQ(Values(*record, Component::Z), Doubles(Ramp(5000, 3000)));
  EXPECT_DOUBLE_EQ(record->sample(Component::Y, 4999).time, 49.99);
}

TEST(MiniSeed, ThreeSingleChannelFilesGoByCodeOrElseInTheOrderGiven) {
  ScratchDir dir;
  const std::string e = dir.write("e.mseed", PackMiniSeed(Channel("BHE", Ramp(300, 2000))));
  const std::string z = dir.write("z.mseed", PackMiniSeed(Channel("BHZ", Ramp(300, 3000))));
  const std::string n = dir.write("n.mseed", PackMiniSeed(Channel("BHN", Ramp(300, 1000))));
  const auto byCode = ReadRecord(RecordFormat::MiniSeed, {z, e, n}, {});
  ASSERT_TRUE(byCode);
  EXPECT_EQ(byCode->sample(Component::X, 0).value, 1000);
  EXPECT_EQ(byCode->sample(Component::Z, 0).value, 3000);

  const std::string a = dir.write("a.mseed", PackMiniSeed(Channel("AAA", Ramp(300, 7))));
  const std::string b = dir.write("b.mseed", PackMiniSeed(Channel("BBB", Ramp(300, 8))));
  const std::string c = dir.write("c.mseed", PackMiniSeed(Channel("CCC", Ramp(300, 9))));
  const auto inOrder = ReadRecord(RecordFormat::MiniSeed, {c, a, b}, {});
  ASSERT_TRUE(inOrder);
  EXPECT_EQ(inOrder->sample(Component::X, 0).value, 9);
  EXPECT_EQ(inOrder->sample(Component::Y, 0).value, 7);
  EXPECT_EQ(inOrder->sample(Component::Z, 0).value, 8);

  // One channel alone is nothing to load.
  EXPECT_FALSE(ReadRecord(RecordFormat::MiniSeed, {a}, {}));
}

TEST(MiniSeed, TwoStationsAskForTheChannelsAndListThemWhenTheChoiceIsOutOfRange) {
  std::string bytes = ThreeChannels(400);
  for (const char* code : {"HHE", "HHN", "HHZ"}) {
    MiniSeedChannel c = Channel(code, Ramp(400, 5000));
    c.station = "STB";
    PackMiniSeed(c, bytes);
  }
  ScratchDir dir;
  const std::string path = dir.write("two.mseed", bytes);
  int offered = 0;
  std::vector<std::string> names;
  std::string notice;
  // Channels in order: STA HH1 HH2 HHZ, then STB HHN HHE HHZ.
  const auto record = ReadMiniSeedFiles(
      {path},
      [&](const TraceList& traces) {
        offered = traces.count;
        names = traces.names;
        return ChannelChoice{4, 5, 3};
      },
      &notice);
  EXPECT_EQ(offered, 6);
  // The question lists the channels by their codes, and the load says which became which.
  EXPECT_EQ(names, (std::vector<std::string>{"XX.STA..HH1", "XX.STA..HH2", "XX.STA..HHZ", "XX.STB..HHN",
                                             "XX.STB..HHE", "XX.STB..HHZ"}));
  EXPECT_EQ(notice.rfind("X: XX.STB..HHN, Y: XX.STB..HHE, Z: XX.STA..HHZ.", 0), 0u) << notice;
  ASSERT_TRUE(record);
  EXPECT_EQ(record->sample(Component::X, 0).value, 5000);
  EXPECT_EQ(record->sample(Component::Z, 0).value, 3000);

  try {
    ReadMiniSeedFiles({path}, [](const TraceList&) { return ChannelChoice{1, 2, 7}; });
    FAIL() << "channel 7 of 6 was accepted";
  } catch (const FormatError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("channel 7 was chosen for Z"), std::string::npos) << message;
    EXPECT_NE(message.find("5 XX.STB..HHE"), std::string::npos) << message;
  }
}

TEST(MiniSeed, GapsAndOverlapsAreReportedAndTheLongestCommonSpanIsLoaded) {
  struct Case {
    const char* name;
    std::int64_t secondPartShiftUs;  // where Z's second part starts, relative to continuing on time
    const char* expected;
  };
  // Z: 600 samples, then 1400 more; X and Y: 2500 samples without a break.
  const Case cases[] = {{"gap", 2'500'000, "gap of 2.5 s at 6 s in Z (XX.STA..HHZ)"},
                        {"overlap", -1'000'000, "overlap of 1 s at 5 s in Z (XX.STA..HHZ)"}};
  for (const Case& c : cases) {
    std::string bytes = PackMiniSeed(Channel("HHN", Ramp(2500, 1000))) + PackMiniSeed(Channel("HHE", Ramp(2500, 2000)));
    PackMiniSeed(Channel("HHZ", Ramp(600, 3000)), bytes);
    PackMiniSeed(Channel("HHZ", Ramp(1400, 3600), 6'000'000 + c.secondPartShiftUs), bytes);
    ScratchDir dir;
    std::string notice;
    const auto record = ReadMiniSeedFiles({dir.write("z.mseed", bytes)}, {}, &notice);
    ASSERT_TRUE(record) << c.name;
    EXPECT_NE(notice.find(c.expected), std::string::npos) << notice;
    // The longer part of Z (1400 samples) decides; X is cut to the same span.
    ASSERT_EQ(record->size(Component::Z), 1400u) << c.name;
    EXPECT_EQ(record->size(Component::X), 1400u);
    EXPECT_EQ(record->sample(Component::Z, 0).value, 3600);
    const double firstX = 1000 + 600 + c.secondPartShiftUs / 10'000;
    EXPECT_EQ(record->sample(Component::X, 0).value, firstX) << c.name;
    EXPECT_EQ(record->sample(Component::X, 0).time, 0.0);
    EXPECT_NE(notice.find("left out 11 s of X (XX.STA..HHN)"), std::string::npos) << notice;
  }
}

TEST(MiniSeed, DifferentStartsAreAlignedToTheLatestCommonStart) {
  // Y starts 1.5 s late, Z ends 2 s early; the common span is samples 150 to 799 of X.
  const std::string bytes = PackMiniSeed(Channel("EHN", Ramp(1000, 1000))) +
                            PackMiniSeed(Channel("EHE", Ramp(850, 2000), 1'500'000)) +
                            PackMiniSeed(Channel("EHZ", Ramp(800, 3000)));
  std::string notice;
  const auto traces = ParseMiniSeed(bytes, "s.mseed");
  const ChannelRecord r = AssembleChannels(traces[0], traces[1], traces[2], "s.mseed");
  ASSERT_EQ(r.record.size(Component::X), 650u);
  EXPECT_EQ(r.record.sample(Component::X, 0).value, 1150);
  EXPECT_EQ(r.record.sample(Component::Y, 0).value, 2000);
  EXPECT_EQ(r.record.sample(Component::Z, 0).value, 3150);
  EXPECT_NE(r.notice.find("Loaded 6.49 s from 1.5 s (times from the earliest sample, 2020-09-13 12:26:40.000000 UTC)"),
            std::string::npos)
      << r.notice;
  EXPECT_NE(r.notice.find("left out 3.5 s of X"), std::string::npos) << r.notice;
  EXPECT_EQ(r.notice.find("Breaks"), std::string::npos) << r.notice;
}

TEST(ChannelTraces, UtcTextIsTheGregorianDateAndTimeOfDay) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "1970-01-01 00:00:00.000000 UTC"},
      {1'600'000'000'123'456, "2020-09-13 12:26:40.123456 UTC"},
      {951'782'400'000'000, "2000-02-29 00:00:00.000000 UTC"},
      {4'107'456'000'000'000, "2100-02-28 00:00:00.000000 UTC"},
      {4'107'542'400'000'000, "2100-03-01 00:00:00.000000 UTC"},  // 2100 has no 29 February
      {-1, "1969-12-31 23:59:59.999999 UTC"},
      {-62'135'596'800'000'000, "0001-01-01 00:00:00.000000 UTC"},
      {253'402'300'799'000'000, "9999-12-31 23:59:59.000000 UTC"},
  };
  for (const auto& [microseconds, text] : cases) EXPECT_EQ(UtcText(microseconds), text) << microseconds;
}

TEST(MiniSeed, DifferentRatesAreRefusedNamingThem) {
  MiniSeedChannel slow = Channel("HHE", Ramp(500));
  slow.rateHz = 50;
  const std::string bytes = PackMiniSeed(Channel("HHN", Ramp(500))) + PackMiniSeed(slow) +
                            PackMiniSeed(Channel("HHZ", Ramp(500)));
  ScratchDir dir;
  try {
    ReadMiniSeedFiles({dir.write("r.mseed", bytes)}, {});
    FAIL() << "different rates were accepted";
  } catch (const FormatError& error) {
    EXPECT_NE(std::string(error.what()).find("different sampling rates: X (XX.STA..HHN) 100 Hz, Y (XX.STA..HHE) 50 Hz, "
                                             "Z (XX.STA..HHZ) 100 Hz"),
              std::string::npos)
        << error.what();
  }
}

TEST(MiniSeed, TruncatedOrForeignBytesNameTheFileAndOffset) {
  const std::string good = ThreeChannels(1000);  // records of 512 bytes
  struct Case {
    std::string bytes;
    std::string expected;
  };
  std::string third = good.substr(0, 1024) + "MS\x03" + std::string(100, 'x');
  // A header claiming more samples than its data area holds (the library would read on).
  MiniSeedChannel shortInts = Channel("HHZ", Ramp(50));
  shortInts.encoding = DE_INT16;
  std::string claims = PackMiniSeed(shortInts);
  claims[30] = static_cast<char>(0xEA);  // sample count, big-endian: 60000
  claims[31] = static_cast<char>(0x60);
  // The first blockette placed at the very end of a cut record: the library's record
  // detection reads its head just past the bytes it was given (seen under valgrind).
  std::string blocketteAtEnd = good.substr(0, 256);
  blocketteAtEnd[46] = 0x01;  // offset of the first blockette, big-endian: 256
  blocketteAtEnd[47] = 0x00;
  const Case cases[] = {
      {blocketteAtEnd, "the record at offset 0"},
      {good.substr(0, 1024 + 300), "the record at offset 1024 is truncated"},
      {good.substr(0, 1024 + 20), "the record at offset 1024 is truncated: 20 bytes are left"},
      {std::string(600, 'x'), "no miniSEED 2 data record at offset 0"},
      {good.substr(0, 512) + std::string(512, '\x7f'), "at offset 512"},
      {third, "the record at offset 1024 is miniSEED 3"},
      {claims, "the record at offset 0 claims 60000 samples"},
  };
  for (const Case& c : cases) {
    try {
      ParseMiniSeed(c.bytes, "bad.mseed");
      ADD_FAILURE() << "accepted: " << c.expected;
    } catch (const FormatError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind("File \"bad.mseed\": ", 0), 0u) << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
      EXPECT_EQ(error.path(), "bad.mseed");
    }
  }
  // Zero padding after the last record is not a record.
  EXPECT_EQ(ParseMiniSeed(good + std::string(300, '\0'), "padded.mseed").size(), 3u);
}
