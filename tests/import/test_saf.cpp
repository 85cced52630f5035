// SAF files: header keywords, the end-of-header line, columns vertical, X, Y.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "import/fixtures.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

using testing::ScratchDir;

struct SafCase {
  const char* name;
  std::string text;
  double intervalSeconds;  // expected dt
  std::size_t lines;       // accepted data lines
};

TEST(SafFile, SamplingIntervalAndAcceptedLines) {
  const std::string data = "1 2 3\n4 5 6\n7 8 9\n";
  const std::vector<SafCase> cases{
      {"SAMP_FREQ = 200", "SESAME ASCII\nSAMP_FREQ = 200\n####------\n" + data, 0.005, 3},
      {"the last frequency line wins", "SAMP_FREQ = 200\nsamp_freq 50\n####-\n" + data, 0.02, 3},
      {"a line without a number changes nothing", "SAMP_FREQ = 50\nSAMP_FREQ = fast\n####-\n" + data, 0.02, 3},
      {"no frequency line: 1000 Hz", "NDAT = 3\n####-\n" + data, 0.001, 3},
      {"SAMP_FREQ=100 is one word, no number", "SAMP_FREQ=100\n####-\n" + data, 0.001, 3},
      {"decimal comma, mixed case", "Samp_Freq = 62,5\n####-\n" + data, 0.016, 3},
      {"CR LF line ends", "SAMP_FREQ = 200\r\n####-\r\n1 2 3\r\n4 5 6\r\n", 0.005, 2},
      {"short lines do not advance k", "SAMP_FREQ = 10\n####-\n1 2 3\n4 5\n\nx\n7 8 9\n", 0.1, 2},
      {"further numbers are ignored", "SAMP_FREQ = 10\n####-\n1 2 3 99 98\n", 0.1, 1},
      {"only the header keywords of lines before ####- count",
       "SAMP_FREQ = 10\n####-\nSAMP_FREQ = 20\n1 2 3\n", 0.1, 1},
  };
  ScratchDir dir;
  for (const SafCase& c : cases) {
    const auto r = ReadSafFile(dir.write("r.saf", c.text));
    ASSERT_TRUE(r) << c.name;
    ASSERT_EQ(r->size(Component::Z), c.lines) << c.name;
    ASSERT_EQ(r->size(Component::X), c.lines) << c.name;
    ASSERT_EQ(r->size(Component::Y), c.lines) << c.name;
    for (std::size_t k = 0; k < c.lines; ++k)
      for (Component comp : kComponents)
        EXPECT_EQ(r->sample(comp, k).time, static_cast<double>(static_cast<long double>(k) * c.intervalSeconds))
            << c.name << " line " << k;
  }
}

TEST(SafFile, FirstColumnIsVerticalThenXThenY) {
  ScratchDir dir;
  const auto r = ReadSafFile(dir.write("r.saf", "SAMP_FREQ = 200\n####-\n1 2 3\n4 5\n-4 -5 -6\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sample(Component::Z, 1).value, -4);
  EXPECT_EQ(r->sample(Component::X, 1).value, -5);
  EXPECT_EQ(r->sample(Component::Y, 1).value, -6);
  EXPECT_EQ(r->sample(Component::Z, 0).value, 1);
  EXPECT_EQ(r->sample(Component::X, 0).value, 2);
  EXPECT_EQ(r->sample(Component::Y, 0).value, 3);
  EXPECT_DOUBLE_EQ(r->sample(Component::Y, 1).time, 0.005);
}

TEST(SafFile, TimesAreMultiplesOfTheIntervalWithoutDrift) {
  // 720,000 steps at 200 Hz: k * dt, not a running sum.
  std::string text = "SAMP_FREQ = 200\n####-\n";
  for (int k = 0; k < 720000; ++k) text += "1 2 3\n";
  ScratchDir dir;
  const auto r = ReadSafFile(dir.write("r.saf", text));
  ASSERT_TRUE(r);
  ASSERT_EQ(r->size(Component::X), 720000u);
  EXPECT_EQ(r->sample(Component::X, 719999).time, 3599.995);
  EXPECT_EQ(r->sample(Component::X, 200 * 1800).time, 1800.0);
}

TEST(SafFile, EverySampleInOrderWhateverTheFirstLinesSayOfTheRest) {
  // The reader judges the length of the record from its first 4096 lines; lines that
  // grow or shrink after them, or text lines among them, must not change a sample.
  const auto line = [](int k, bool wide) {
    const std::string pad = wide ? std::string(40, ' ') : "";
    return std::to_string(k) + pad + " " + std::to_string(-k) + pad + " " + std::to_string(2 * k) + "\n";
  };
  struct Case {
    const char* name;
    int narrowFirst;  // lines before the width changes
    bool wideFirst;
    bool textLines;   // a line without numbers after every tenth line
  };
  const Case cases[] = {{"narrow, then wide", 5000, false, false},
                        {"wide, then narrow", 5000, true, false},
                        {"text lines in the first part", 5000, false, true},
                        {"shorter than the judging", 3000, true, false}};
  for (const Case& c : cases) {
    std::string text = "SAMP_FREQ = 100\n####-\n";
    const int n = 150000;
    for (int k = 0; k < n; ++k) {
      text += line(k, (k < c.narrowFirst) == c.wideFirst);
      if (c.textLines && k < c.narrowFirst && k % 10 == 0) text += "gain change\n";
    }
    ScratchDir dir;
    for (const auto& r : {ReadSafFile(dir.write("r.saf", text)), ReadSafText(text, "r.saf")}) {
      ASSERT_TRUE(r) << c.name;
      ASSERT_EQ(r->size(Component::Z), static_cast<std::size_t>(n)) << c.name;
      for (int k = 0; k < n; k += 997) {
        ASSERT_EQ(r->sample(Component::Z, k).value, k) << c.name;
        ASSERT_EQ(r->sample(Component::X, k).value, -k) << c.name;
        ASSERT_EQ(r->sample(Component::Y, k).value, 2 * k) << c.name;
      }
      EXPECT_EQ(r->sample(Component::Y, n - 1).value, 2 * (n - 1)) << c.name;
    }
  }
}

TEST(SampleCollector, HandsOverThePushedSamplesWhateverWasExpected) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"nothing expected", 0},       {"exact", 200000},  {"too few", 100000},
      {"too many", 500000},          {"far too many", std::size_t{1} << 62},  // no room: ignored
  };
  for (const auto& [name, expected] : cases) {
    SampleCollector collector;
    for (int i = 0; i < 200000; ++i) {
      if (i == 5000 && expected) collector.expect(expected);
      collector.push(i * 0.5, -i);
    }
    const std::vector<Sample> all = collector.take();
    ASSERT_EQ(all.size(), 200000u) << name;
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].time != i * 0.5 || all[i].value != -static_cast<double>(i)) FAIL() << name << ": sample " << i;
  }
}

TEST(SafFile, NothingToLoadWithoutDataAfterTheEndOfTheHeader) {
  ScratchDir dir;
  for (const char* text : {"SAMP_FREQ = 100\n1 2 3\n4 5 6\n", "SAMP_FREQ = 100\n####-\n", "SAMP_FREQ = 100\n####-",
                           ""})
    EXPECT_EQ(ReadSafFile(dir.write("r.saf", text)), std::nullopt) << text;
}

TEST(SafFile, LinesAfterTheHeaderWithoutDataGiveAnEmptyRecord) {
  ScratchDir dir;
  const auto r = ReadSafFile(dir.write("r.saf", "####-\n\nno data\n"));
  ASSERT_TRUE(r);
  for (Component c : kComponents) EXPECT_EQ(r->size(c), 0u);
}

TEST(SafFile, FrequencyZeroIsADivisionByZero) {
  ScratchDir dir;
  const std::string path = dir.write("r.saf", "SAMP_FREQ = 0\n####-\n1 2 3\n");
  try {
    ReadSafFile(path);
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(),
                 "Floating point division by zero: line 1 of the header gives the sampling frequency samp_freq as 0");
    EXPECT_EQ(e.path(), path);
  }
  // Even when a later line would give a usable frequency: the fault comes first.
  EXPECT_THROW(ReadSafFile(dir.write("r.saf", "SAMP_FREQ = 0,0\nSAMP_FREQ = 50\n####-\n1 2 3\n")), FormatError);
}

TEST(SafFile, AnIntervalTooLargeForADoubleIsAnOverflow) {
  ScratchDir dir;
  EXPECT_THROW(ReadSafFile(dir.write("r.saf", "SAMP_FREQ = 1e-320\n####-\n1 2 3\n")), FormatError);
  // A tiny frequency that still gives a finite dt overflows at the second time step.
  EXPECT_THROW(ReadSafFile(dir.write("r.saf", "SAMP_FREQ = 1e-308\n####-\n1 2 3\n1 2 3\n4 5 6\n")), FormatError);
}

TEST(SafFile, ANonFiniteOrNegativeFrequencyIsRefusedNamingLineAndValue) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"SAMP_FREQ = NaN", "line 2: the sampling frequency samp_freq \"NaN\" is not a finite number"},
      {"SAMP_FREQ = inf", "line 2: the sampling frequency samp_freq \"inf\" is not a finite number"},
      {"SAMP_FREQ = -Infinity", "\"-Infinity\" is not a finite number"},
      {"SAMP_FREQ = 1e5000", "\"1e5000\" is not a finite number"},
      {"SAMP_FREQ = 2,5E+999", "\"2,5E+999\" is not a finite number"},
      {"SAMP_FREQ = -200", "line 2: the sampling frequency samp_freq is -200 Hz; it must be positive"},
  };
  ScratchDir dir;
  for (const auto& [line, message] : cases) {
    const std::string path = dir.write("r.saf", "SESAME\n" + line + "\n####-\n1 2 3\n4 5 6\n");
    try {
      ReadSafFile(path);
      ADD_FAILURE() << line << ": no error";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << line << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST(SafFile, TheAssumedRateIsANotice) {
  const std::string data = "####-\n1 2 3\n4 5 6\n";
  struct Case {
    std::string header;
    std::string notice;  // empty: none
  };
  const std::vector<Case> cases{
      {"SAMP_FREQ = 200\n", ""},
      {"NDAT = 2\n", "no samp_freq line; the sampling rate 1000 Hz was assumed"},
      {"SAMP_FREQ=100\n", "line 1 holds no readable samp_freq number; the sampling rate 1000 Hz was assumed"},
      {"SAMP_FREQ = 50\nSAMP_FREQ = fast\n", "line 2 holds no readable samp_freq number; the sampling rate 50 Hz"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.write("r.saf", c.header + data);
    ReadControl control;
    const auto r = ReadSafFile(path, &control);
    ASSERT_TRUE(r) << c.header;
    if (c.notice.empty()) {
      EXPECT_EQ(control.notice, "") << c.header;
    } else {
      EXPECT_NE(control.notice.find(c.notice), std::string::npos) << control.notice;
      EXPECT_NE(control.notice.find("\"" + path + "\""), std::string::npos) << control.notice;
    }
  }
}

TEST(SafFile, AMissingFileThrowsFileError) {
  ScratchDir dir;
  EXPECT_THROW(ReadSafFile(dir.path("none.saf")), numerics::FileError);
}

TEST(SafFile, TheRealRecordLoadsWithItsHeaderFrequency) {
  CORVATH_REQUIRE_SHARED_DATA();
  const auto r = ReadSafFile(CORVATH_SHARED_DATA "/saf/mt_20211122_133110.saf");
  ASSERT_TRUE(r);
  for (Component c : kComponents) ASSERT_EQ(r->size(c), 45000u);
  // First line "11940 -11239 -11261" and last line "1203 -23847 19466": V, N, E.
  EXPECT_EQ(r->sample(Component::Z, 0).value, 11940);
  EXPECT_EQ(r->sample(Component::X, 0).value, -11239);
  EXPECT_EQ(r->sample(Component::Y, 0).value, -11261);
  EXPECT_EQ(r->sample(Component::Z, 44999).value, 1203);
  EXPECT_EQ(r->sample(Component::X, 44999).value, -23847);
  EXPECT_EQ(r->sample(Component::Y, 44999).value, 19466);
  EXPECT_DOUBLE_EQ(r->samplingInterval(Component::X), 0.02);
  EXPECT_DOUBLE_EQ(r->sample(Component::Y, 44999).time, 899.98);
}

}  // namespace
}  // namespace corvath::import

namespace corvath::import {
namespace {

// The data lines read one by one, as the rules say: each line without its CRs, its
// numeric fields, the first three of a line that has three.
std::array<std::vector<double>, 3> LineByLine(std::string_view data) {
  std::array<std::vector<double>, 3> zxy;
  std::string scratch;
  while (!data.empty()) {
    const std::size_t lf = data.find('\n');
    const std::string_view line = data.substr(0, lf);
    data = lf == std::string_view::npos ? std::string_view() : data.substr(lf + 1);
    const numerics::arofdoubleM numbers = numerics::SplitNumbers(numerics::WithoutCarriageReturns(line, scratch));
    if (numbers.size() < 3) continue;
    for (int c = 0; c < 3; ++c) zxy[c].push_back(numbers[c]);
  }
  return zxy;
}

// More data than one block of the reader, in every form a line may take.
std::string ManyForms(std::size_t bytes) {
  std::string data;
  std::mt19937 random(5);
  std::uniform_int_distribution<int> counts(-30000, 30000);
  char line[96];
  for (int k = 0; data.size() < bytes; ++k) {
    const int a = counts(random), b = counts(random), c = counts(random);
    switch (k % 10) {
      case 0: std::snprintf(line, sizeof line, "%d\t%d  %d,%d\n", a, b, c, k % 100); break;
      case 1: std::snprintf(line, sizeof line, "%d %d\r%d %d\r\n", a, b, c, a); break;  // a CR joins 2 and 3
      case 2: std::snprintf(line, sizeof line, "\r\r\n"); break;
      case 3: std::snprintf(line, sizeof line, "%.5e %+d -.%d x\n", a * 1e-7, b, std::abs(c)); break;
      case 4: std::snprintf(line, sizeof line, "%d %d\n", a, b); break;
      case 5: std::snprintf(line, sizeof line, "\n"); break;
      case 6: std::snprintf(line, sizeof line, " - . , %d 9007199254740993 %d\n", a, b); break;
      case 7: std::snprintf(line, sizeof line, "%d %d %d\r", a, b, c); break;  // runs on into the next line
      default: std::snprintf(line, sizeof line, "%d %d %d\n", a, b, c); break;
    }
    data += line;
  }
  return data;
}

TEST(SafFile, DataReadInBlocksGiveWhatLineByLineReadingGives) {
  const std::string header = "SAMP_FREQ = 200\n####-\n";
  const std::string data = ManyForms(std::size_t{10} << 20);  // more than two blocks
  ScratchDir dir;
  // The last line with a LF, without one, and followed by the end-of-file byte.
  for (const std::string& tail : {std::string("\n"), std::string("1 2 3"), std::string("4 5 6\r\x1A" "7 8 9\n")}) {
    const std::string text = header + data + tail;
    const auto want = LineByLine(std::string_view(text).substr(header.size(), text.find('\x1A') - header.size()));
    ASSERT_GT(want[0].size(), 250000u);
    const auto fromFile = ReadSafFile(dir.write("day.saf", text));
    const auto fromMemory = ReadSafText(text, "day.saf");
    for (const auto* r : {&fromFile, &fromMemory}) {
      ASSERT_TRUE(*r);
      for (Component c : {Component::Z, Component::X, Component::Y}) {
        const int column = c == Component::Z ? 0 : c == Component::X ? 1 : 2;
        const std::span<const double> values = (*r)->samples(c).values();
        ASSERT_EQ(values.size(), want[column].size()) << tail;
        EXPECT_TRUE(std::equal(values.begin(), values.end(), want[column].begin(),
                               [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }))
            << tail;
      }
      EXPECT_EQ((*r)->sample(Component::X, 234567).time, static_cast<double>(234567 * static_cast<long double>(0.005)));
    }
  }
}

TEST(SafFile, ALineBeyondTheLimitIsNamedWhereverItFalls) {
  const std::string header = "SAMP_FREQ = 200\n####-\n";
  ScratchDir dir;
  // Early in the first block, in its second half, and in a later block.
  for (const std::size_t before : {std::size_t{100}, std::size_t{3} << 20, std::size_t{9} << 20}) {
    std::string data(before, 'x');
    for (std::size_t i = 63; i < data.size(); i += 64) data[i] = '\n';
    data.back() = '\n';
    const std::size_t line = 2 + static_cast<std::size_t>(std::count(data.begin(), data.end(), '\n')) + 1;
    const std::string text = header + data + std::string(numerics::kMaxLineBytes + 1, '7') + "\n1 2 3\n";
    for (int fromFile = 0; fromFile < 2; ++fromFile) {
      try {
        if (fromFile)
          ReadSafFile(dir.write("long.saf", text));
        else
          ReadSafText(text, "long.saf");
        ADD_FAILURE() << "no error for a line of more than 1 MiB after " << before << " bytes";
      } catch (const numerics::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("line " + std::to_string(line) + " is longer"), std::string::npos)
            << e.what() << " (expected line " << line << ")";
      }
    }
  }
}

}  // namespace
}  // namespace corvath::import
