#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "import/readers.h"
#include "spectra/calculatespectra.h"
#include "spectra/export.h"
#include "windows/removezero.h"

namespace fs = std::filesystem;
using namespace corvath;

namespace {

using corvath::testing::CliRun;
using corvath::testing::CrLfLines;
using corvath::testing::ReadAll;

class SpectraCli : public ::testing::Test {
protected:
  void SetUp() override { corvath::testing::WriteThreeHertzRecord(scratch_.root()); }

  std::vector<std::string> Components() const {
    return {(dir_ / "x.txt").string(), (dir_ / "y.txt").string(), (dir_ / "z.txt").string()};
  }

  CliRun Spectra(const std::vector<std::string>& args) const { return corvath::testing::RunCli(scratch_, "spectra", args); }

  // The table the library writes for the same record and settings.
  std::string Expected(const std::vector<spectra::WindowInterval>& windows, bool logAveraging,
                       const char* removeZeroSize = nullptr) const {
    const auto c = Components();
    auto record = import::ReadComponentFiles(c[0], c[1], c[2]);
    if (removeZeroSize) EXPECT_TRUE(windows::RemoveZero(record, numerics::TextToNumber(removeZeroSize)));
    const auto outcome = spectra::CalculateSpectra(record, windows, logAveraging, 1.0, 20.0);
    EXPECT_TRUE(outcome.value) << outcome.message();
    std::ostringstream table;
    if (outcome.value) spectra::WriteSpectrumTable(table, *outcome.value);
    return table.str();
  }

  corvath::testing::ScratchDir scratch_;
  const fs::path dir_ = scratch_.root();
};

}  // namespace

TEST_F(SpectraCli, AutomaticTableMatchesSaveResults) {
  auto args = Components();
  args.insert(args.begin(), {"-o", (dir_ / "table.txt").string(), "--bounds", (dir_ / "bounds.txt").string()});
  const CliRun run = Spectra(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  const std::string table = ReadAll(dir_ / "table.txt");
  EXPECT_EQ(table, Expected({}, true));
  const auto lines = CrLfLines(table);
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines[0], "f,Hz   X  Y  Z  H/Z");
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 119u) << lines[i];

  const auto bounds = CrLfLines(ReadAll(dir_ / "bounds.txt"));
  ASSERT_EQ(bounds.size(), 102u);
  EXPECT_EQ(bounds[0], "f,Hz   H/Z  lower  upper");
  for (std::size_t i = 1; i < bounds.size(); ++i) {
    ASSERT_EQ(bounds[i].size(), 4 * 23 + 3u);
    const double ratio = std::stod(bounds[i].substr(24, 23));
    EXPECT_LE(std::stod(bounds[i].substr(48, 23)), ratio);
    EXPECT_GE(std::stod(bounds[i].substr(72, 23)), ratio);
    EXPECT_EQ(bounds[i].substr(0, 23), lines[i].substr(0, 23));  // same grid
  }
}

TEST_F(SpectraCli, WindowsAndLinearToStandardOutput) {
  auto args = Components();
  args.insert(args.begin(), {"--window", "0:40", "--window", "50,5:100", "--linear", "--min-frq", "1", "--max-frq=20"});
  const CliRun run = Spectra(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Expected({{0, 40}, {50.5, 100}}, false));
  EXPECT_NE(run.out, Expected({{0, 40}, {50.5, 100}}, true));
}

TEST_F(SpectraCli, UsageErrors) {
  const auto c = Components();
  const std::vector<std::vector<std::string>> cases{
      {},
      {c[0], c[1]},
      {"--bogus", c[0], c[1], c[2]},
      {"--window", "5", c[0], c[1], c[2]},
      {"--window", "9:3", c[0], c[1], c[2]},
      {"--window", "0:40", "--bounds", (dir_ / "b.txt").string(), c[0], c[1], c[2]},
      {"--format", "wav", c[0], c[1], c[2]},
      {"--format", "saf", c[0], c[1], c[2]},
      {c[0]},  // .txt says nothing about the kind
      {"--min-frq", "abc", c[0], c[1], c[2]},
      {"--channels", "1,2", "--format", "seg2", c[0]},
      {"--remove-zero", "0", c[0], c[1], c[2]},
      {"-o"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CliRun run = Spectra(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.out.empty());
  }
  const CliRun help = Spectra({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--bounds FILE"), std::string::npos);
}

TEST_F(SpectraCli, UnreadableInputOrNoResult) {
  const auto c = Components();
  std::ofstream(dir_ / "record.saf") << "samp_freq 100\n####-\n1 2 3\n";
  const std::vector<std::vector<std::string>> cases{
      {c[0], c[1], (dir_ / "missing.txt").string()},
      {(dir_ / "record.saf").string()},                // its reader may refuse; never a crash
      {"--min-frq", "60", "--max-frq", "70", c[0], c[1], c[2]},  // nothing in range
      {"--window", "0:0.2", c[0], c[1], c[2]},                   // too short a window
      {"-o", (dir_ / "no" / "such" / "dir.txt").string(), c[0], c[1], c[2]},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CliRun run = Spectra(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;  // one line
  }
}

TEST_F(SpectraCli, RemoveZeroRunsBeforeTheSpectra) {
  auto args = Components();
  args.insert(args.begin(), {"--remove-zero", "50"});
  const CliRun run = Spectra(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Expected({}, true, "50"));
  EXPECT_NE(run.out, Expected({}, true));
}
