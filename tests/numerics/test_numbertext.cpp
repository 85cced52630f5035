#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cstring>
#include <random>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <optional>

#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

using namespace corvath::numerics;

namespace {

struct TextCase {
  const char* text;
  double expected;
};

// Exact comparison that also tells 0 from -0 and names the case.
void ExpectSameDouble(double actual, double expected, const std::string& what) {
  EXPECT_EQ(actual, expected) << what;
  EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << what << " (sign of zero)";
}

}  // namespace

TEST(TextToNumber, ReadsTheDecimalSyntax) {
  const double inv = InvalidNumber;
  const TextCase cases[] = {
      {"3,25", 3.25},        {"3.25", 3.25},   {" 42", 42.0},    {"   -7", -7.0},
      {"2E-3", 0.002},       {"1E+2", 100.0},  {"-.5", -0.5},    {"+.5", 0.5},
      {"5.", 5.0},           {"007", 7.0},     {"0,01", 0.01},   {"-0", 0.0},
      // empty digit runs read as zero
      {".", 0.0},            {"-", 0.0},       {"e5", 0.0},      {"+.e-3", 0.0},
      {"   ", 0.0},  // only leading spaces: every part of the syntax is empty
      // rejected texts
      {"", inv},             {"42 ", inv},     {"\t42", inv},    {"1e", inv},
      {"1e+", inv},          {"1,2.5", inv},   {"1 2", inv},     {"--1", inv},
      {"1,5;2,5", inv},      {"0x10", inv},    {"inf", inv},     {"nan", inv},
      {"1.2.3", inv},        {"12a", inv},     {"+-1", inv},     {",,", inv},
  };
  for (const auto& c : cases) ExpectSameDouble(TextToNumber(c.text), c.expected, std::string("text '") + c.text + "'");
}

TEST(TextToNumber, RoundsCorrectlyAndNeverYieldsInfinity) {
  const double inv = InvalidNumber;
  const std::string longText = "1" + std::string(150, '0') + "e-150";  // longer than the on-stack copy
  const TextCase cases[] = {
      {"0.1", 0.1},
      {"0.30000000000000004440892098500626", 0.30000000000000004},
      {"1.7976931348623157e308", DBL_MAX},
      {"-1.7976931348623157e308", -DBL_MAX},
      {"1e308", 1e308},
      {"1e309", inv},
      {"-1e400", inv},
      {"123456789012345678901234567890e300", inv},
      {"1e99999999999999999999", inv},
      {"1e-400", 0.0},
      {"1e-99999999999999999999", 0.0},
      {longText.c_str(), 1.0},
  };
  for (const auto& c : cases) ExpectSameDouble(TextToNumber(c.text), c.expected, std::string("text '") + c.text + "'");
}

// The full conversion of a field: the first comma as the point, the digits (and a
// '-') handed to from_chars; what every reading of a number must agree with.
std::optional<double> FullConversion(std::string text) {
  if (const auto comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  std::size_t at = text.find_first_not_of(' ');
  if (at != std::string::npos && text[at] == '+') ++at;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data() + at, end, value);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return value;
}

TEST(ParseDecimal, ShortPlainFormsGiveTheFullConversionsBits) {
  const char* fields[] = {
      "9007199254740992",  "9007199254740993",  "-9007199254740993", "1234567890123456789", "12345678901234567890",
      "0.1",               "0,1",               "-0",                "-0,000",              "+0.5",
      "3.1416",            "-12345,678",        "  42",              "5.",                  "5,",
      ",5",                "0.0000000000000000000001",               "0.00000000000000000000001",
      "123456789012345.6", "0.30000000000000004", "4503599627370496.5", "1,7976931348623157",
  };
  for (const char* text : fields) {
    double value = 7;
    ASSERT_TRUE(ParseDecimal(text, value)) << text;
    const std::optional<double> full = FullConversion(text);
    ASSERT_TRUE(full) << text;
    ExpectSameDouble(value, *full, text);
  }
  // A sign or a point alone is 0; a second separator is no number.
  for (const char* text : {"-", "+", ".", ",", "-,", "  "}) {
    double value = 7;
    ASSERT_TRUE(ParseDecimal(text, value)) << text;
    ExpectSameDouble(value, 0.0, text);
  }
  for (const char* text : {"1,5,3", "1.5,3", "1..5", "+-5", "5-", "1 2", "0x10", "", "1,5e", "--1"}) {
    double value = 7;
    EXPECT_FALSE(ParseDecimal(text, value)) << text;
  }
  // Plain texts of every length and precision, with either separator.
  std::mt19937_64 random(3);
  char text[64];
  for (int i = 0; i < 200000; ++i) {
    const double v = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 70) - 60) *
                     ((random() & 1) ? -1.0 : 1.0);
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(random() % 24), v);
    if (i % 4 == 0)
      if (char* point = std::strchr(text, '.')) *point = ',';
    double value = 7;
    ASSERT_TRUE(ParseDecimal(text, value)) << text;
    const double full = *FullConversion(text);
    ASSERT_EQ(std::memcmp(&value, &full, sizeof value), 0) << text;
  }
}

TEST(TextToNumber, DropsMagnitudesBelow1eMinus30) {
  ExpectSameDouble(TextToNumber("1e-40"), 0.0, "1e-40");
  ExpectSameDouble(TextToNumber("-9.9e-31"), 0.0, "-9.9e-31 loses its sign");
  ExpectSameDouble(TextToNumber("1e-30"), 1e-30, "1e-30 is kept");
  ExpectSameDouble(TextToNumber("-1e-30"), -1e-30, "-1e-30 is kept");
}

TEST(TextToNumber, AppliesBoundsWhereNonZeroAndDifferent) {
  struct BoundCase {
    const char* text;
    double lower, upper, expected;
  };
  const double inv = InvalidNumber;
  const BoundCase cases[] = {
      {"-5", 0, 7, -5},     // a lower bound of 0 is no bound
      {"8", 0, 7, inv},     {"7", 0, 7, 7},       {"0.5", 1, 10, inv},
      {"1", 1, 10, 1},      {"10,0", 1, 10, 10},  {"10.000001", 1, 10, inv},
      {"5", 5, 5, 5},       {"-50", 3, 3, -50},   // equal bounds: no check at all
      {"-3", -2, 0, inv},   {"100", -2, 0, 100},  // an upper bound of 0 is no bound
      {"1e-40", 1, 10, inv},                      // the 1e-30 rule comes first
      {"abc", 0, 7, inv},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextToNumber(c.text, c.lower, c.upper), c.expected)
        << "text '" << c.text << "' bounds " << c.lower << ", " << c.upper;
  }
}

TEST(NumberToText, UsesMagnitudeDependentDecimals) {
  struct Case {
    int base;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {1, 345.678, "345.68"},  {1, 2.5, "2.50"},       {1, 0.5, "0.50"},      {1, 0.0345, "0.035"},
      {1, 0.00123, "0.0012"},  {1, -0.75, "-0.75"},    {0, 2.37, "2.4"},      {1, -0.0345, "-0.035"},
      {2, 0.0345, "0.0345"},   {2, 1.23456, "1.235"},  {0, 0.5, "0.5"},       {1, 0.1, "0.10"},
      {1, 0.00001, "0.000010"}, {2, -1234.56789, "-1234.568"},
      // whole numbers never get a point
      {0, 3.0, "3"},           {1, 3.0, "3"},          {2, 3.0, "3"},         {1, -12.0, "-12"},
      {1, 0.0, "0"},           {1, -0.0, "0"},         {1, 1e20, "100000000000000000000"},
      // the rounding carries into a new digit
      {0, 9.96, "10.0"},       {0, 0.96, "1.0"},       {1, -99.999, "-100.00"},
      // halves go away from zero, judged on 18 significant digits
      {1, 0.125, "0.13"},      {1, -0.125, "-0.13"},   {0, 2.25, "2.3"},
      {1, 1.005, "1.00"},      // 1.00499999999999989...: below the half even at 18 digits
      {1, 1000.005, "1000.01"},  // 1000.00499999999999545...: a half at 18 digits
      {1, InvalidNumber, "*"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToText(c.base, c.value), c.expected) << "base " << c.base << " value " << c.value;
}

TEST(NumberToText, KeepsNonFiniteValuesOutOfText) {
  EXPECT_EQ(NumberToText(1, std::numeric_limits<double>::infinity()), "*");
  EXPECT_EQ(NumberToText(1, std::numeric_limits<double>::quiet_NaN()), "*");
}

TEST(NumberToText, ShowsTinyValuesDownToTheirFirstDigit) {
  const std::string text = NumberToText(1, 1.5e-300);
  ASSERT_EQ(text.size(), 2u + 301u);  // "0." and 301 decimals
  EXPECT_EQ(text.substr(text.size() - 3), "015");
}

TEST(NumberToExponentText, WritesTheFixedWidthForm) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {2.5, " 2.50000000000000E+0000"},
      {-0.0123, "-1.23000000000000E-0002"},
      {0.0, " 0.00000000000000E+0000"},
      {-0.0, " 0.00000000000000E+0000"},
      {123456.789, " 1.23456789000000E+0005"},
      {9.9999999999999996, " 1.00000000000000E+0001"},  // carry into the exponent
      {std::nextafter(1.0, 0.0), " 1.00000000000000E+0000"},
      {1234567890123.125, " 1.23456789012313E+0012"},  // an exact half goes away from zero
      {-1234567890123.125, "-1.23456789012313E+0012"},
      {1e300, " 1.00000000000000E+0300"},
      {-DBL_MAX, "-1.79769313486232E+0308"},
      {std::numeric_limits<double>::denorm_min(), " 4.94065645841247E-0324"},
  };
  for (const auto& c : cases) {
    const std::string text = NumberToExponentText(c.value);
    EXPECT_EQ(text, c.expected) << "value " << c.value;
    EXPECT_EQ(text.size(), 23u);
  }
}

TEST(NumberToShortestText, IsTheShortestTextThatReadsBackExactly) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {0.1, "0.1"},
      {1.3, "1.3"},
      {1.3 * 1.3, "1.6900000000000002"},  // the generated H of layer 3 keeps its last bit
      {10.0, "10"},
      {-0.0, "-0"},
      {2.5e-5, "2.5e-05"},
      {123456789.0, "123456789"},  // InvalidNumber reads back as itself
      {1e22, "1e+22"},
      {std::nextafter(1.0, 2.0), "1.0000000000000002"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToShortestText(c.value), c.expected) << c.value;

  // Round trip through the readers of the program over awkward values.
  std::vector<double> values{DBL_MAX, -DBL_MAX, 1e-30, 5e-300, 0.30000000000000004, 1.0 / 3.0, 999999.0};
  double v = 0.001;
  for (int i = 0; i < 200; ++i, v *= 1.1373) values.push_back(v);
  for (double value : values) {
    const std::string text = NumberToShortestText(value);
    double parsed = 0.0;
    ASSERT_TRUE(ParseDecimal(text, parsed)) << text;
    ExpectSameDouble(parsed, value, text);
    if (std::fabs(value) >= 1e-30) ExpectSameDouble(TextToNumber(text), value, text);
    // Nothing shorter would do: one significant digit less already names another double.
    const std::string mantissa = text.substr(0, text.find('e'));
    const std::size_t first = mantissa.find_first_of("123456789");
    std::string digits;
    for (std::size_t i = first; i < mantissa.size(); ++i)
      if (mantissa[i] != '.') digits += mantissa[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    if (digits.size() > 1) {
      char shorter[40];
      std::snprintf(shorter, sizeof shorter, "%.*e", static_cast<int>(digits.size()) - 2, value);
      EXPECT_NE(std::strtod(shorter, nullptr), value) << text << " could be " << shorter;
    }
  }

  EXPECT_EQ(NumberToShortestText(std::numeric_limits<double>::quiet_NaN()), "*");
  EXPECT_EQ(NumberToShortestText(std::numeric_limits<double>::infinity()), "*");
  EXPECT_EQ(NumberToShortestText(-std::numeric_limits<double>::infinity()), "*");
}

TEST(SplitWords, SplitsAtRunsOfSpacesAndTabs) {
  struct Case {
    const char* line;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"  a\tb   c  ", {"a", "b", "c"}},
      {"     ", {}},
      {"\t \t", {}},
      {"", {}},
      {"x", {"x"}},
      {"1,5;2,5", {"1,5;2,5"}},
      {"\xC0\xE1 \xE2", {"\xC0\xE1", "\xE2"}},  // 8-bit text passes unchanged
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.line), c.expected) << "line '" << c.line << "'";
}

TEST(SplitNumbers, KeepsTheNumericFieldsInOrder) {
  struct Case {
    const char* line;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"0,01 -3.5e2 x 7", {0.01, -350.0, 7.0}},
      {"1;2", {}},
      {"1,5;2,5", {}},
      {"", {}},
      {" \t1\t\t2   ", {1.0, 2.0}},
      {"1e-40 2", {1e-40, 2.0}},  // no 1e-30 rule here
      {"1e400 5 -1e999", {5.0}},  // overflowing fields are skipped
      {"1,2,3 4", {4.0}},
      {"123456789", {123456789.0}},  // no marker here either
      {"0.005000 -1234.5678", {0.005, -1234.5678}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitNumbers(c.line), c.expected) << "line '" << c.line << "'";
}

TEST(SplitNumbers, IntoClearsTheCallersVector) {
  arofdoubleM out{9.0, 9.0, 9.0};
  SplitNumbersInto("4 x 5", out);
  EXPECT_EQ(out, (arofdoubleM{4.0, 5.0}));
  SplitNumbersInto("", out);
  EXPECT_TRUE(out.empty());
}

TEST(Fill, SetsEveryElement) {
  arofdoubleM d(3, 1.0);
  FillDouble(d, -2.5);
  EXPECT_EQ(d, arofdoubleM(3, -2.5));
  arofboolM b(4, false);
  FillBool(b, true);
  EXPECT_EQ(b, arofboolM(4, true));
  arofcomplexM c(2);
  FillComplex(c, Complex{1.0, -1.0});
  EXPECT_EQ(c, arofcomplexM(2, Complex{1.0, -1.0}));
  ararofdoubleM m{{1.0, 2.0}, {}, {3.0}};
  FillMatrix(m, 7.0);
  EXPECT_EQ(m, (ararofdoubleM{{7.0, 7.0}, {}, {7.0}}));
  arofdoubleM empty;
  FillDouble(empty, 1.0);
  EXPECT_TRUE(empty.empty());
}

// A named field's text becomes a number once, at the edge; a refusal names the field
// and quotes the text, so both faces say the same thing.
TEST(NumberField, ReadsOrNamesTheField) {
  using corvath::numerics::NumberField;
  using corvath::numerics::WholeNumberField;
  struct Case {
    const char* label;
    const char* text;
    double lower, upper;
    std::optional<double> value;
    const char* message;
  };
  const Case cases[] = {
      {"Min frq", "0,5", 0, 0, 0.5, ""},
      {"Max frq", "abc", 0, 0, std::nullopt, "Max frq: 'abc' is not a number"},
      {"Max frq", "", 0, 0, std::nullopt, "Max frq: '' is not a number"},
      {"Max frq", "1e999", 0, 0, std::nullopt, "Max frq: '1e999' is not a number"},
      {"Inc factor", "7", 1, 7, 7.0, ""},
      {"Inc factor", "8", 1, 7, std::nullopt, "Inc factor: '8' is not within 1 to 7"},
      {"Minimum", "-1", 0, 5, -1.0, ""},  // a lower bound of 0 is no bound
      {"Start value", "0.05", 0.1, 0, std::nullopt, "Start value: '0.05' is not within 0.1 to ..."},
  };
  for (const Case& c : cases) {
    const auto read = NumberField(c.label, c.text, c.lower, c.upper);
    EXPECT_EQ(read.done(), c.value.has_value()) << c.label << " " << c.text;
    if (c.value) EXPECT_EQ(*read, *c.value);
    else EXPECT_EQ(read.message(), c.message);
  }
  EXPECT_EQ(*WholeNumberField("Iter number", "12", 1, 500), 12);
  EXPECT_EQ(WholeNumberField("Iter number", "1.5", 1, 500).message(), "Iter number: '1.5' is not a whole number");
  EXPECT_EQ(WholeNumberField("Iter number", "501", 1, 500).message(), "Iter number: '501' is not within 1 to 500");
}
