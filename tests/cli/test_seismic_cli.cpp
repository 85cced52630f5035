// corvath-cli with miniSEED and SAC records: format by extension or --format, the
// notice of what was left out, failures naming the file and offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "import/seismicfixtures.h"

namespace {

using corvath::testing::CliRun;
using corvath::testing::MiniSeedChannel;
using corvath::testing::PackMiniSeed;
using corvath::testing::Ramp;
using corvath::testing::RunCli;
using corvath::testing::ScratchDir;

MiniSeedChannel Channel(const std::string& code, int n, int offset, std::int64_t shiftUs = 0) {
  MiniSeedChannel c;
  c.channel = code;
  c.values = Ramp(n, offset);
  c.startMicroseconds += shiftUs;
  return c;
}

}  // namespace

TEST(SeismicCli, SpectraOfTheRealStationAreTheSameFromMiniSeedAndFromSac) {
  CORVATH_REQUIRE_SHARED_DATA();
  ScratchDir dir;
  const std::string data = CORVATH_SHARED_DATA;
  const CliRun mseed = RunCli(dir, "spectra", {data + "/mseed/UT.STN11.A2_C50.miniseed"});
  ASSERT_EQ(mseed.status, 0) << mseed.err;
  // Nothing was left out: the one line says which channel became which component.
  EXPECT_EQ(mseed.err, "corvath-cli spectra: " + data + "/mseed/UT.STN11.A2_C50.miniseed: X: UT.STN11..BHN, "
                       "Y: UT.STN11..BHE, Z: UT.STN11..BHZ.\n");
  const std::string sac = data + "/sac/ut.stn11.a2_c50_";
  const CliRun fromSac = RunCli(dir, "spectra", {sac + "n.sac", sac + "e.sac", sac + "z.sac"});
  ASSERT_EQ(fromSac.status, 0) << fromSac.err;
  EXPECT_GT(mseed.out.size(), 1000u);
  EXPECT_EQ(fromSac.out, mseed.out);
}

TEST(SeismicCli, AGapIsANoticeOnStandardErrorAndTheCommonSpanIsDumped) {
  ScratchDir dir;
  std::string bytes;
  PackMiniSeed(Channel("HHN", 500, 1000), bytes);
  PackMiniSeed(Channel("HHE", 500, 2000), bytes);
  PackMiniSeed(Channel("HHZ", 100, 3000), bytes);
  PackMiniSeed(Channel("HHZ", 300, 3200, 2'000'000), bytes);  // 1 s missing after 1 s
  const std::string path = dir.write("gap.msd", bytes);
  for (const std::vector<std::string>& args : {std::vector<std::string>{path},
                                               std::vector<std::string>{"--format", "mseed", path}}) {
    const CliRun r = RunCli(dir, "dump", args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("gap of 1 s at 1 s in Z (XX.STA..HHZ)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 3 * 300);  // heading, X, Y, Z
  }
}

TEST(SeismicCli, BrokenRecordsAndWrongCountsOfFiles) {
  ScratchDir dir;
  const std::string good = PackMiniSeed(Channel("HHN", 500, 0)) + PackMiniSeed(Channel("HHE", 500, 0)) +
                           PackMiniSeed(Channel("HHZ", 500, 0));
  const std::string cut = dir.write("cut.mseed", good.substr(0, 700));
  const CliRun broken = RunCli(dir, "spectra", {cut});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find(cut), std::string::npos) << broken.err;
  EXPECT_NE(broken.err.find("offset 512"), std::string::npos) << broken.err;
  EXPECT_TRUE(broken.out.empty());

  corvath::testing::SacFixture fixture;
  fixture.values = {1, 2, 3};
  const std::string sac = dir.write("one.sac", corvath::testing::BuildSac(fixture));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{sac}, std::vector<std::string>{"--format", "sac", sac},
        std::vector<std::string>{"--format", "mseed", sac, sac}}) {
    const CliRun r = RunCli(dir, "dump", args);
    EXPECT_EQ(r.status, 2) << args.front();
    EXPECT_FALSE(r.err.empty());
  }
}
