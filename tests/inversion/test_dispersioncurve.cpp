// The observed dispersion-curve table: the columns named by its heading, the defaults of
// the optional ones, what a modal computation writes, and the refusal of bad rows.
#include "inversion/dispersioncurve.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace corvath::inversion;

namespace {

DispersionReading Read(const std::string& text) {
  std::istringstream in(text);
  return ReadDispersionTable(in);
}

}  // namespace

TEST(DispersionTable, ReadsTheModalOutputLayoutIgnoringItsExtraColumns) {
  // Tab-separated, "nan" in the ellipticity of most rows, CR LF on one line.
  const DispersionReading reading = Read(
      "wave\tmode\tfrequency_hz\tphase_m_s\tgroup_m_s\tellipticity\n"
      "rayleigh\t0\t2.5\t410.25\t300\t1.7\r\n"
      "rayleigh\t1\t8\t620\t400\tnan\n"
      "\n"
      "# a comment\n"
      "love\t0\t3\t380\tnan\tnan\n");
  ASSERT_TRUE(reading.curve) << reading.reason;
  const std::vector<DispersionPoint> expected{{SurfaceWave::Rayleigh, 0, 2.5, 410.25, 0.05 * 410.25},
                                              {SurfaceWave::Rayleigh, 1, 8.0, 620.0, 0.05 * 620.0},
                                              {SurfaceWave::Love, 0, 3.0, 380.0, 0.05 * 380.0}};
  EXPECT_EQ(reading.curve->points, expected);
}

TEST(DispersionTable, OptionalColumnsInAnyOrderAndTheTextReadsBack) {
  // Only the two required columns, in another order: Rayleigh, mode 0, sigma 5 %.
  DispersionReading reading = Read("phase_m_s frequency_hz\n500 1\n450 2.5\n");
  ASSERT_TRUE(reading.curve) << reading.reason;
  EXPECT_EQ(reading.curve->points[1], (DispersionPoint{SurfaceWave::Rayleigh, 0, 2.5, 450.0, 22.5}));

  reading = Read("sigma_m_s wave frequency_hz mode phase_m_s\n12.5 LOVE 4 2 333.3\n");
  ASSERT_TRUE(reading.curve) << reading.reason;
  const DispersionCurve curve = *reading.curve;
  EXPECT_EQ(curve.points[0], (DispersionPoint{SurfaceWave::Love, 2, 4.0, 333.3, 12.5}));
  const DispersionReading back = Read(DispersionTableText(curve));
  ASSERT_TRUE(back.curve) << back.reason;
  EXPECT_EQ(*back.curve, curve);
}

TEST(DispersionTable, RefusesAMalformedTableNamingTheLine) {
  const std::string heading = "wave mode frequency_hz phase_m_s sigma_m_s\n";
  const struct {
    std::string text, reason;
  } cases[] = {
      {"", "no heading: the table is empty"},
      {heading, "the table has no data row"},
      {"f,Hz H/Z\n1 2\n", "line 1: a heading naming the columns frequency_hz and phase_m_s is expected"},
      {"frequency_hz phase_m_s frequency_hz\n", "line 1: the column frequency_hz is named twice"},
      {heading + "rayleigh 0 1 400\n", "line 2: 5 fields expected"},
      {heading + "rayleigh 0 1 400 20\nrayleigh 0 x 400 20\n", "line 3: frequency_hz \"x\" is not a number"},
      {heading + "rayleigh 0 nan 400 20\n", "line 2: frequency_hz \"nan\" is not a number"},
      {heading + "rayleigh 0 1 -400 20\n", "line 2: phase_m_s \"-400\" is not positive"},
      {heading + "rayleigh 0 1 400 0\n", "line 2: sigma_m_s \"0\" is not positive"},
      {heading + "scholte 0 1 400 20\n", "line 2: wave \"scholte\" is not rayleigh or love"},
      {heading + "rayleigh 1.5 1 400 20\n", "line 2: mode \"1.5\" is not a whole number from 0 to 100"},
      {heading + "rayleigh 101 1 400 20\n", "line 2: mode \"101\" is not a whole number"},
      {heading + "rayleigh 0 1 " + std::string(5000, '4') + " 20\n", "line 2: longer than 4096 characters"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    const DispersionReading reading = Read(c.text);
    EXPECT_FALSE(reading.curve);
    EXPECT_EQ(reading.reason.rfind(c.reason, 0), 0u) << reading.reason;
  }
}

TEST(DispersionTable, StopsAtTheRowLimit) {
  std::string text = "frequency_hz phase_m_s\n";
  for (std::size_t k = 0; k <= kMaxDispersionRows; ++k) text += "1 400\n";
  const DispersionReading reading = Read(text);
  EXPECT_FALSE(reading.curve);
  EXPECT_EQ(reading.reason, "line " + std::to_string(kMaxDispersionRows + 2) + ": more than " +
                                std::to_string(kMaxDispersionRows) + " rows");
}
