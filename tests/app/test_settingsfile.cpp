#include "app/settingsfile.h"

#include <string>

#include <gtest/gtest.h>

#include "import/fixtures.h"

namespace corvath::app {
namespace {

bool Same(const AnalysisSettings& a, const AnalysisSettings& b) {
  const auto &f = a.fieldStandard, &g = b.fieldStandard;
  const bool sameSearch = f.search.has_value() == g.search.has_value() &&
                          (!f.search || (f.search->lowHz == g.search->lowHz && f.search->highHz == g.search->highHz));
  return f.windowLengthSeconds == g.windowLengthSeconds && f.overlapPercent == g.overlapPercent &&
         f.taperFraction == g.taperFraction && f.combination == g.combination && f.bandwidth == g.bandwidth &&
         f.gridMinHz == g.gridMinHz && f.gridMaxHz == g.gridMaxHz && f.gridPoints == g.gridPoints && sameSearch &&
         f.reject == g.reject && f.rejectionStdDevs == g.rejectionStdDevs &&
         f.rejectionIterations == g.rejectionIterations && a.classic.minFrequencyHz == b.classic.minFrequencyHz &&
         a.classic.maxFrequencyHz == b.classic.maxFrequencyHz && a.classic.smoothedSpectra == b.classic.smoothedSpectra &&
         f.staLta.has_value() == g.staLta.has_value() &&
         (!f.staLta || (f.staLta->staSeconds == g.staLta->staSeconds && f.staLta->ltaSeconds == g.staLta->ltaSeconds &&
                        f.staLta->minRatio == g.staLta->minRatio && f.staLta->maxRatio == g.staLta->maxRatio)) &&
         f.azimuthStepDegrees == g.azimuthStepDegrees;
}

TEST(SettingsFile, EveryValueSurvivesTheRoundTripExactly) {
  AnalysisSettings s;
  auto& f = s.fieldStandard;
  f.windowLengthSeconds = 0.1 + 0.2;
  f.overlapPercent = 100.0 / 3.0;
  f.taperFraction = 0.07;
  f.bandwidth = 25.000000000000004;
  f.gridMinHz = 0.125;
  f.gridMaxHz = 49.99;
  f.gridPoints = 77;
  f.combination = spectra::HorizontalCombination::Arithmetic;
  f.search = spectra::FrequencyBand{0.3, 12.5};
  f.rejectionStdDevs = 2.6;
  f.rejectionIterations = 7;
  f.staLta = spectra::StaLtaSettings{0.75, 45.000000000000007, 0.1 + 0.2, 3.1};
  f.azimuthStepDegrees = 22.5;
  s.classic = {0.5, 33.333333333333336, false};

  corvath::testing::ScratchDir dir;
  const std::string path = dir.path("s.json");
  ASSERT_TRUE(SaveSettingsFile(path, s).done());
  const Result<AnalysisSettings> read = ReadSettingsFile(path);
  ASSERT_TRUE(read.done()) << read.message();
  EXPECT_TRUE(Same(*read, s));
  EXPECT_EQ(SettingsText(*read), SettingsText(s));

  // No rejection and no search band are written as null and read back as such (the
  // rejection's n, unused, goes back to its default).
  f.reject = false;
  f.rejectionStdDevs = spectra::FieldStandardSettings{}.rejectionStdDevs;
  f.search.reset();
  const std::string text = SettingsText(s);
  EXPECT_NE(text.find("\"reject\": null"), std::string::npos) << text;
  EXPECT_NE(text.find("\"search\": null"), std::string::npos) << text;
  const auto again = ParseSettingsText(text, "t.json");
  ASSERT_TRUE(again.done()) << again.message();
  EXPECT_TRUE(Same(*again, s));
}

TEST(SettingsFile, MissingKeysKeepTheirDefaultsAndNullSwitchesOff) {
  const auto read = ParseSettingsText(
      R"({"corvath_settings": 1, "window_length_s": 30, "grid": {"points": 64}, "reject": null})", "a.json");
  ASSERT_TRUE(read.done()) << read.message();
  AnalysisSettings expected;
  expected.fieldStandard.windowLengthSeconds = 30;
  expected.fieldStandard.gridPoints = 64;
  expected.fieldStandard.reject = false;
  EXPECT_TRUE(Same(*read, expected));
}

TEST(SettingsFile, RefusalsNameTheKeyAndTheFile) {
  const struct {
    const char* body;
    const char* message;
  } cases[] = {
      {R"("ko_b": 40, "colour": "red")", "s.json: 'colour' is not a setting"},
      {R"("taper": "0.05")", "s.json: 'taper' must be a number"},
      {R"("sta_lta": {"sta_s": 1, "short": 2})", "s.json: 'sta_lta' has no key 'short'"},
      {R"("sta_lta": {"sta_s": 40})", "s.json: 'sta_lta' is refused: the LTA length must be longer"},
      {R"("azimuth_step_deg": 0)", "s.json: 'azimuth_step_deg' must be from 0.5 to 180 degrees"},
      {R"("grid": {"min_hz": 0.2, "points": 2.5})", "s.json: 'grid.points' must be a whole number"},
      {R"("grid": {"min_hz": 0.2, "step": 2})", "s.json: 'grid' has no key 'step'"},
      {R"("grid": {"min_hz": 30})", "s.json: 'grid' needs 0 < min_hz < max_hz"},
      {R"("overlap_percent": 100)", "s.json: 'overlap_percent' must be at least 0 and below 100"},
      {R"("taper": 1.5)", "s.json: 'taper' must be from 0 to 1"},
      {R"("reject": -1)", "s.json: 'reject' must be positive (or null for no rejection)"},
      {R"("reject": true)", "s.json: 'reject' must be a number or null"},
      {R"("combine": "median")", "s.json: 'combine' must be \"geometric\", \"quadratic\" or \"arithmetic\""},
      {R"("classic_smoothed": 1)", "s.json: 'classic_smoothed' must be true or false"},
      {R"("search": {"min_hz": 30, "max_hz": 40})", "s.json: no grid frequency lies in the search band"},
      {R"("ko_b": 1e400)", "s.json: not a settings file: "},  // beyond a double: refused, not thrown
  };
  for (const auto& c : cases) {
    const auto read = ParseSettingsText(std::string(R"({"corvath_settings": 1, )") + c.body + "}", "s.json");
    ASSERT_TRUE(read.failed()) << c.body;
    EXPECT_EQ(read.message().rfind(c.message, 0), 0u) << read.message();
    EXPECT_EQ(read.outcome.path, "s.json");
  }
  for (const char* text : {"[1, 2]", R"({"window_length_s": 60})", "{\"corvath_settings\": 1,", R"({"corvath_settings": 2})"})
    EXPECT_TRUE(ParseSettingsText(text, "s.json").failed()) << text;
  EXPECT_TRUE(ReadSettingsFile("/no/such/settings.json").failed());
}

}  // namespace
}  // namespace corvath::app
