// The ".hv" curve file written and read back, a file of a peer program read, and
// the files refused.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "spectra/fieldstandard.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/hvfile.h"
#include "spectra/ratiotable.h"
#include "support/records.h"
#include "support/spectrasettings.h"

using namespace corvath;
using namespace corvath::spectra;
using corvath::testing::CoarseFieldStandardSettings;
using corvath::testing::NoiseWithResonances;

TEST(HvFile, WrittenAndReadBackEqual) {
  auto result = CalculateFieldStandard(NoiseWithResonances(300, 3.0, 3.0), {}, CoarseFieldStandardSettings(20));
  ASSERT_TRUE(result.done());
  std::stringstream file;
  WriteHvFile(file, *result, {12.5, -3.25, 100});
  const std::string text = file.str();
  const std::string used = std::to_string(result->usedWindows());
  EXPECT_EQ(text.rfind("# GEOPSY output version 1.1\n# Number of windows = " + used + "\n# f0 from average\t", 0), 0u)
      << text;
  EXPECT_NE(text.find("\n# Position\t12.5 -3.25 100\n# Category\tDefault\n# Frequency\tAverage\tMin\tMax\n"),
            std::string::npos);

  const RatioTableReading read = ReadRatioTable(file);
  ASSERT_TRUE(read.result) << read.reason;
  const auto& points = read.result->ratio.points;
  ASSERT_EQ(points.size(), result->frequenciesHz.size());
  EXPECT_TRUE(read.result->ratio.hasBounds);
  for (std::size_t g = 0; g < points.size(); ++g) {
    EXPECT_EQ(points[g].frequencyHz, result->frequenciesHz[g]);
    EXPECT_EQ(points[g].ratio, result->mean[g]);
    EXPECT_EQ(points[g].lower, result->lower[g]);
    EXPECT_EQ(points[g].upper, result->upper[g]);
  }
}

TEST(HvFile, PeerWrittenFileAndRefusals) {
  // As another tool writes it: CR LF, extra header lines, blanks around tabs.
  const std::string peer =
      "# GEOPSY output version 1.1\r\n# Number of windows = 42\r\n# f0 from average\t1.9\r\n"
      "# Number of windows for f0 = 40\r\n# f0 from windows\t1.95\t1.7\t2.2\r\n# Peak amplitude\t4.1\r\n"
      "# Position\t0 0 0\r\n# Category\tDefault\r\n# Frequency\tAverage\tMin\tMax\r\n"
      "0.5\t1.1\t0.9\t1.34\r\n1\t 2.5\t2\t3.1\r\n1.9\t4.1\t3.2\t5.2\r\n4\t1.2e0\t1\t1.44\r\n";
  std::istringstream in(peer);
  const RatioTableReading read = ReadRatioTable(in);
  ASSERT_TRUE(read.result) << read.reason;
  const auto& ratio = read.result->ratio;
  ASSERT_EQ(ratio.points.size(), 4u);
  EXPECT_EQ(ratio.points[1].ratio, 2.5);
  EXPECT_EQ(ratio.points[2].upper, 5.2);
  ASSERT_TRUE(ratio.peak);
  EXPECT_EQ(*ratio.peak, 2u);

  const std::string head = "# GEOPSY output version 1.1\n# Frequency\tAverage\tMin\tMax\n1\t2\t1.5\t3\n";
  const struct {
    std::string rows;
    std::string reason;
  } refusals[] = {
      {"2\t2\t1.5\n", "line 4: 4 numbers"},            // truncated row
      {"2\t2\t1.5\tx\n", "line 4: \"x\" is not a number"},
      {"0.5\t2\t1.5\t3\n", "line 4: the frequency \"0.5\" does not follow"},
      {"2\t2\t2.5\t3\n", "line 4: 0 < Min <= Average <= Max"},
      {"2\t2\t1\t3\n3\t1\t0\t2\n", "line 5: 0 < Min"},
  };
  for (const auto& refusal : refusals) {
    std::istringstream bad(head + refusal.rows);
    const RatioTableReading r = ReadRatioTable(bad);
    EXPECT_FALSE(r.result) << refusal.rows;
    EXPECT_NE(r.reason.find(refusal.reason), std::string::npos) << r.reason;
  }
  std::istringstream headerOnly("# GEOPSY output version 1.1\n# Frequency\tAverage\tMin\tMax\n");
  EXPECT_EQ(ReadRatioTable(headerOnly).reason, "the .hv file has no data row");
}
