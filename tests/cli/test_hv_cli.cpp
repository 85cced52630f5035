// corvath-cli hv: the report of the field-standard H/V, its JSON form, the curve
// file, and the refusals, compared with the app command run in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "cli/clirun.h"

namespace fs = std::filesystem;
using namespace corvath;

namespace {

using corvath::testing::CliRun;
using corvath::testing::CrLfLines;
using corvath::testing::ReadAll;

class HvCli : public ::testing::Test {
protected:
  void SetUp() override {
    // 300 s at 50 Hz; X and Y carry noise through a band-pass resonator at 2 Hz.
    corvath::testing::WriteComponentFiles(scratch_.root(), corvath::testing::ResonantNoise(15000, 0.02, 2.0, 0.3, 11));
  }

  std::vector<std::string> Components() const {
    return {(dir_ / "x.txt").string(), (dir_ / "y.txt").string(), (dir_ / "z.txt").string()};
  }

  CliRun Hv(const std::vector<std::string>& args) const { return corvath::testing::RunCli(scratch_, "hv", args); }

  // The report the app command gives for the same record and settings.
  std::string Expected(const app::FieldStandardSettings& settings, bool json) const {
    app::Workspace workspace;
    app::LoadRequest request;
    request.paths = Components();
    EXPECT_TRUE(app::LoadRecord(workspace, request).done());
    const app::Outcome outcome = app::CalculateFieldStandardHv(workspace, settings);
    EXPECT_TRUE(outcome.done()) << outcome.message;
    std::ostringstream report;
    app::WriteFieldStandardReport(workspace, report, json);
    return report.str();
  }

  // The starting model as "Model to text file" writes it, at dir_/model.txt.
  void WriteModel() const {
    app::Workspace workspace;
    workspace.spectraResult.emplace();
    ASSERT_TRUE(app::SaveResults(workspace, {app::ResultFileType::ModelText, (dir_ / "model.txt").string(), {}}).done());
  }

  corvath::testing::ScratchDir scratch_;
  const fs::path dir_ = scratch_.root();
};

}  // namespace

TEST_F(HvCli, ReportMatchesTheCommandAndNamesEveryCriterion) {
  const CliRun run = Hv(Components());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Expected({}, false));
  for (const char* key : {"f0_hz: ", "f0_sigma_ln: ", "a0: ", "a0_sigma_ln: ", "windows_used: 5\n",
                          "windows_rejected: 0\n", "reliability_1: ", "reliability_3: ", "clarity_1: ",
                          "clarity_6: ", "reliable: "})
    EXPECT_NE(run.out.find(key), std::string::npos) << key;
  const double f0 = std::stod(run.out.substr(run.out.find("f0_hz: ") + 7));
  EXPECT_NEAR(f0, 2.0, 0.1);
}

TEST_F(HvCli, OptionsReachTheSettingsAndJson) {
  auto args = Components();
  args.insert(args.begin(), {"--window-length", "30", "--overlap=50", "--taper", "0,1", "--ko-b", "20", "--grid",
                             "0.5,10,64", "--combine", "quadratic", "--search", "1,5", "--no-reject", "--json"});
  const CliRun run = Hv(args);
  ASSERT_EQ(run.status, 0) << run.err;
  app::FieldStandardSettings s;
  s.windowLengthSeconds = 30, s.overlapPercent = 50, s.taperFraction = 0.1, s.bandwidth = 20;
  s.gridMinHz = 0.5, s.gridMaxHz = 10, s.gridPoints = 64;
  s.combination = app::HorizontalCombination::Quadratic;
  s.search = spectra::FrequencyBand{1, 5};
  s.reject = false;
  EXPECT_EQ(run.out, Expected(s, true));
  EXPECT_EQ(run.out.front(), '{');
  EXPECT_EQ(run.out.substr(run.out.size() - 3), "}}\n");
  EXPECT_NE(run.out.find("\"windows_used\":19,"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"grid\":[0.5,10,64]"), std::string::npos);
  EXPECT_NE(run.out.find("\"clarity_6\":{\"passed\":"), std::string::npos);
  EXPECT_EQ(run.out.find("nan"), std::string::npos);
}

TEST_F(HvCli, CurveFile) {
  auto args = Components();
  args.insert(args.begin(), {"--curve-out", (dir_ / "curve.txt").string(), "--grid", "0.2,20,50"});
  const CliRun run = Hv(args);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = CrLfLines(ReadAll(dir_ / "curve.txt"));
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "f,Hz   H/V  lower  upper");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 4 * 23 + 3u) << lines[i];
    const double mean = std::stod(lines[i].substr(24, 23));
    EXPECT_LE(std::stod(lines[i].substr(48, 23)), mean);
    EXPECT_GE(std::stod(lines[i].substr(72, 23)), mean);
  }
  EXPECT_NEAR(std::stod(lines[1].substr(0, 23)), 0.2, 1e-12);
  EXPECT_NEAR(std::stod(lines[50].substr(0, 23)), 20, 1e-12);
}

TEST_F(HvCli, AuditFilesAndTheHvFileChainIntoForward) {
  auto args = Components();
  const std::string windows = (dir_ / "windows.txt").string(), curves = (dir_ / "curves.txt").string(),
                    azimuths = (dir_ / "azimuths.txt").string(), hv = (dir_ / "site.hv").string();
  args.insert(args.begin(), {"--window-length", "30", "--grid", "0.5,20,40", "--sta-lta", "1,20,0.2,2.5",
                             "--windows-out", windows, "--window-curves-out", curves, "--azimuths", "45",
                             "--azimuth-out", azimuths, "--hv-out", hv, "--json"});
  const CliRun run = Hv(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"sta_lta\":{\"sta_s\":1,\"lta_s\":20,\"min\":0.2,\"max\":2.5}"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"azimuths\":[{\"azimuth_deg\":0,"), std::string::npos);
  EXPECT_NE(run.out.find("\"directional\":"), std::string::npos);

  // Ten windows of 30 s in time order, each with its fate.
  auto lines = [](const std::string& text) {  // these tables end their lines with LF alone
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  };
  const auto rows = lines(ReadAll(windows));
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0], "start_s end_s f0_hz a0 sta_lta_min sta_lta_max status");
  EXPECT_EQ(rows[1].substr(0, 8), "0 29.98 ");
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const std::string status = rows[i].substr(rows[i].rfind(' ') + 1);
    EXPECT_TRUE(status == "kept" || status == "sta-lta" || status == "f0-outlier") << rows[i];
  }
  // One column per window after the frequency; four azimuths over the grid.
  const auto curveRows = lines(ReadAll(curves));
  ASSERT_EQ(curveRows.size(), 41u);
  EXPECT_EQ(curveRows[0], "f_hz 0 30 60 90 120 150 180 210 240 270");
  const auto azimuthRows = lines(ReadAll(azimuths));
  ASSERT_EQ(azimuthRows.size(), 1 + 4 * 40u);
  EXPECT_EQ(azimuthRows[0], "azimuth_deg f_hz hv lower upper");
  EXPECT_EQ(azimuthRows[1 + 3 * 40].substr(0, 8), "135 0.5 ");

  // The .hv file is an observed curve: forward takes its frequencies.
  WriteModel();
  const CliRun forward = corvath::testing::RunCli(scratch_, "forward", {"--model", (dir_ / "model.txt").string(),
                                                                         "--curve", hv});
  ASSERT_EQ(forward.status, 0) << forward.err;
  const auto forwardRows = CrLfLines(forward.out);
  ASSERT_EQ(forwardRows.size(), 41u);
  EXPECT_EQ(std::stod(forwardRows[1].substr(0, 23)), 0.5);
}

TEST_F(HvCli, UsageErrorsAndRefusals) {
  const auto c = Components();
  const std::vector<std::vector<std::string>> usage{
      {c[0], c[1]},
      {"--combine", "median", c[0], c[1], c[2]},
      {"--grid", "0.2,20", c[0], c[1], c[2]},
      {"--grid", "0.2,20,x", c[0], c[1], c[2]},
      {"--search", "5", c[0], c[1], c[2]},
      {"--reject", "2", "--no-reject", c[0], c[1], c[2]},
      {"--overlap", "100", c[0], c[1], c[2]},
      {"--ko-b", "abc", c[0], c[1], c[2]},
      {"--window", "9:3", c[0], c[1], c[2]},
      {"--json=1", c[0], c[1], c[2]},
      {"--bogus", c[0], c[1], c[2]},
      {"--sta-lta", "1,30,0.2", c[0], c[1], c[2]},
      {"--sta-lta", "30,1,0.2,2.5", c[0], c[1], c[2]},
      {"--azimuths", "0", c[0], c[1], c[2]},
  };
  for (const auto& args : usage) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CliRun run = Hv(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.out.empty());
  }
  const std::vector<std::vector<std::string>> refused{
      {"--window-length", "600", c[0], c[1], c[2]},  // longer than the record
      {"--grid", "0.2,40,256", c[0], c[1], c[2]},    // above Nyquist (25 Hz)
      {c[0], c[1], (dir_ / "missing.txt").string()},
      {"--curve-out", (dir_ / "no" / "dir" / "c.txt").string(), c[0], c[1], c[2]},
      {"--hv-out", (dir_ / "no" / "dir" / "c.hv").string(), c[0], c[1], c[2]},
      {"--sta-lta", "1,30,5,6", c[0], c[1], c[2]},  // keeps no window
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CliRun run = Hv(args);
    EXPECT_EQ(run.status, 1);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  const CliRun help = Hv({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--curve-out FILE"), std::string::npos);
}

TEST_F(HvCli, SettingsFileStandsForItsOptionsAndLaterOptionsOverrideIt) {
  // Options saved to a file, then the file read back: the same report as the options.
  const std::string file = (dir_ / "settings.json").string();
  const CliRun saved = Hv({"--window-length", "30", "--grid", "0.5,10,64", "--combine", "quadratic", "--search",
                           "1,5", "--no-reject", "--save-settings", file});
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_TRUE(saved.out.empty());
  app::FieldStandardSettings s;
  s.windowLengthSeconds = 30;
  s.gridMinHz = 0.5, s.gridMaxHz = 10, s.gridPoints = 64;
  s.combination = app::HorizontalCombination::Quadratic;
  s.search = spectra::FrequencyBand{1, 5};
  s.reject = false;
  auto args = Components();
  args.insert(args.begin(), {"--settings", file, "--json"});
  const CliRun fromFile = Hv(args);
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromFile.out, Expected(s, true));

  // An option after the file wins; one before it is replaced by the file.
  args = Components();
  args.insert(args.begin(), {"--ko-b", "10", "--settings", file, "--reject", "1.5", "--save-settings",
                             (dir_ / "effective.json").string()});
  const CliRun overridden = Hv(args);
  ASSERT_EQ(overridden.status, 0) << overridden.err;
  s.reject = true;
  s.rejectionStdDevs = 1.5;
  EXPECT_EQ(overridden.out, Expected(s, false));
  const std::string effective = ReadAll(dir_ / "effective.json");
  EXPECT_NE(effective.find("\"reject\": 1.5"), std::string::npos) << effective;
  EXPECT_NE(effective.find("\"ko_b\": 40.0"), std::string::npos) << effective;

  // A file that cannot be used is a usage error naming the file and the key.
  const std::string bad = (dir_ / "bad.json").string();
  std::ofstream(bad) << R"({"corvath_settings": 1, "taper": "wide"})";
  args = Components();
  args.insert(args.begin(), {"--settings", bad});
  const CliRun refused = Hv(args);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find(bad + ": 'taper' must be a number"), std::string::npos) << refused.err;
}

TEST_F(HvCli, JsonNumbersReadBackToTheComputedDoubles) {
  auto args = Components();
  args.push_back("--json");
  const CliRun run = Hv(args);
  ASSERT_EQ(run.status, 0) << run.err;
  app::Workspace workspace;
  app::LoadRequest request;
  request.paths = Components();
  ASSERT_TRUE(app::LoadRecord(workspace, request).done());
  ASSERT_TRUE(app::CalculateFieldStandardHv(workspace, {}).done());
  const auto& r = *workspace.fieldStandardResult;
  auto field = [&](const std::string& key) {
    const std::size_t at = run.out.find("\"" + key + "\":");
    EXPECT_NE(at, std::string::npos) << key;
    return std::strtod(run.out.c_str() + at + key.size() + 3, nullptr);
  };
  EXPECT_EQ(field("f0_hz"), r.f0.median());
  EXPECT_EQ(field("f0_sigma_ln"), r.f0.sigmaLn);
  EXPECT_EQ(field("a0"), r.a0.median());
  EXPECT_EQ(field("curve_f0_hz"), r.curvePeakHz);
  EXPECT_EQ(field("curve_a0"), r.curvePeakAmplitude);
}
