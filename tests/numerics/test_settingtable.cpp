// A settings row's range: which values it takes, its words in refusals, and the
// field reader that refuses naming the field.
#include "numerics/settingtable.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace corvath::numerics {
namespace {

TEST(SettingRange, TakesFiniteValuesWithinItsEndsAndSaysThemInWords) {
  const struct {
    SettingRange range;
    const char* unit;
    const char* words;
    double inside, outside;
  } cases[] = {
      {kPositive, "", "positive", 1e-300, 0.0},
      {kPositive, "s", "a positive number of seconds", 60.0, -1.0},
      {Between(2, 100000), "", "from 2 to 100000", 100000, 100001},
      {Between(0.5, 180), "deg", "from 0.5 to 180 degrees", 0.5, 0.4},
      {{0.0, true, 100.0, false}, "%", "at least 0 and below 100", 0.0, 100.0},
      {{0.0, false, 100.0, true}, "Hz", "above 0 and at most 100", 100.0, 0.0},
      {kAnyNumber, "", "a number", -1e308, std::numeric_limits<double>::infinity()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    EXPECT_EQ(c.range.text(c.unit), c.words);
    EXPECT_TRUE(c.range.contains(c.inside));
    EXPECT_FALSE(c.range.contains(c.outside));
    EXPECT_FALSE(c.range.contains(std::nan("")));
  }
}

TEST(SettingField, RefusesNamingTheFieldAndTheRange) {
  const struct {
    SettingKind kind;
    SettingRange range;
    const char* text;
    const char* message;  // empty: taken
  } cases[] = {
      {SettingKind::Number, Between(0, 1), "0,5", ""},
      {SettingKind::Number, Between(0, 1), "2", "Taper: '2' must be from 0 to 1"},
      {SettingKind::Number, Between(0, 1), "abc", "Taper: 'abc' is not a number"},
      {SettingKind::Whole, Between(2, 100000), "256", ""},
      {SettingKind::Whole, Between(2, 100000), "2.5", "Taper: '2.5' is not a whole number"},
      {SettingKind::Whole, Between(2, 100000), "1", "Taper: '1' is not within 2 to 100000"},
  };
  for (const auto& c : cases) {
    const Result<double> read = SettingField(c.kind, c.range, "", "Taper", c.text);
    EXPECT_EQ(read.done() ? std::string() : read.message(), c.message) << c.text;
  }
  EXPECT_EQ(SettingRefusal(SettingKind::Whole, Between(1, 10), "", 2.5), "must be a whole number");
  EXPECT_EQ(SettingRefusal(SettingKind::Number, kPositive, "s", -1), "must be a positive number of seconds");
  EXPECT_EQ(SettingRefusal(SettingKind::Number, kPositive, "s", 1), "");
}

}  // namespace
}  // namespace corvath::numerics
