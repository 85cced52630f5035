// corvath-cli invert with an inversion settings file: the layers' search ranges, the
// ensemble sampled by Markov chains and what it says about a synthetic site whose truth
// is known, Vs30 included; and the refusals of the new inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "inversion/model.h"
#include "inversion/theoreticalcurve.h"
#include "numerics/numbertext.h"

namespace fs = std::filesystem;
using namespace corvath;

namespace {

constexpr int H = 0, Vs = 2;

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Three layers over a half-space as the settings file below makes them: Qp 10 and Qs 5 from
// the tables, Vp and density fixed.
inversion::amodel Truth() {
  inversion::amodel model;
  inversion::ResetModel(model, inversion::ModelTables{}, 3);
  const double rows[3][4] = {{15, 0.6, 0.25, 1.8}, {40, 1.2, 0.5, 1.9}, {0, 2.5, 1.2, 2.2}};
  for (int l = 0; l < 3; ++l)
    for (int p = 0; p < 4; ++p) model.values[p][l] = rows[l][p];
  return model;
}

constexpr const char* kSettings = R"({"corvath_inversion_settings": 1,
  "layers": [
    {"thickness_m": [5, 30], "vs_m_s": [100, 420], "vp_m_s": 600, "density_kg_m3": 1800},
    {"thickness_m": [20, 80], "vs_m_s": [250, 840], "vp_m_s": 1200, "density_kg_m3": 1900},
    {"vs_m_s": [800, 1700], "vp_m_s": 2500, "density_kg_m3": 2200}],
  "fit_band_hz": [0.5, 20], "chains": 2, "seed": 3})";

// The truth's curve at 0.5 to 20 Hz in 5 % steps with +-10 % bounds.
std::string BoundsTable(const inversion::amodel& truth) {
  std::vector<double> f;
  for (double x = 0.5; x <= 20.0; x *= 1.05) f.push_back(x);
  numerics::arofcomplexM curve;
  inversion::ComputeTheoreticalCurve(truth, 0.0, 0.1, f, curve);
  std::string text = "f,Hz   H/Z  lower  upper\r\n";
  for (const auto& point : curve) {
    for (double v : {point.re, point.im, point.im / 1.1, point.im * 1.1})
      text += numerics::NumberToExponentText(v) + ' ';
    text += "\r\n";
  }
  return text;
}

// The rows of a space-separated table after its heading, as numbers.
std::vector<std::vector<double>> TableRows(const std::string& text) {
  std::vector<std::vector<double>> rows;
  const auto lines = corvath::testing::CrLfLines(text);
  for (std::size_t k = 1; k < lines.size(); ++k) {
    std::istringstream fields(lines[k]);
    std::vector<double> row;
    for (std::string field; fields >> field;) row.push_back(std::stod(field));
    rows.push_back(row);
  }
  return rows;
}

// The three numbers of a line "label: p50 (5-95 %: p05 to p95)": p05, p50, p95.
std::vector<double> Spread(const std::string& out, const std::string& label) {
  const std::size_t at = out.find("\n" + label);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no line " << label << " in\n" << out;
    return {0, 0, 0};
  }
  std::string line = out.substr(at + 1 + label.size(), out.find('\n', at + 1) - at - 1 - label.size());
  double p50 = 0, p05 = 0, p95 = 0;
  EXPECT_EQ(std::sscanf(line.c_str(), "%lf (5-95 %%: %lf to %lf)", &p50, &p05, &p95), 3) << line;
  return {p05, p50, p95};
}

class JointCli : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  corvath::testing::CliRun Cli(const std::vector<std::string>& args) const {
    return corvath::testing::RunCli(scratch_, "invert", args);
  }
  corvath::testing::ScratchDir scratch_;
  const fs::path dir_ = scratch_.root();
};

}  // namespace

TEST_F(JointCli, TheSampledBandHoldsTheTruthOfASyntheticSite) {
  const inversion::amodel truth = Truth();
  WriteAll(dir_ / "observed.txt", BoundsTable(truth));
  WriteAll(dir_ / "site.json", kSettings);
  const corvath::testing::CliRun run =
      Cli({"--inversion-settings", Path("site.json"), "--curve", Path("observed.txt"), "--fixed-k", "-o",
           Path("kept.txt"), "--profile-out", Path("profile.txt"), "--ensemble", Path("ensemble.txt"),
           "--save-inversion-settings", Path("effective.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\nensemble: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(" models sampled by 2 Markov chains"), std::string::npos) << run.out;

  // Every model within the settings' ranges, Vp >= sqrt(2) Vs (Poisson's ratio >= 0).
  const auto models = TableRows(corvath::testing::ReadAll(dir_ / "ensemble.txt"));
  ASSERT_GT(models.size(), 500u);
  for (const auto& row : models) {
    ASSERT_EQ(row.size(), 9u);
    EXPECT_GE(row[4], std::sqrt(2.0) * row[5] * (1 - 1e-12));
  }

  // The band holds the truth at (nearly) every depth of the layers, away from the interfaces.
  const auto profile = TableRows(corvath::testing::ReadAll(dir_ / "profile.txt"));
  ASSERT_EQ(profile.size(), 101u);
  int depths = 0, held = 0;
  double width = 0.0;
  for (const auto& row : profile) {
    const double z = row[0];
    if (z > 60.0 || std::fabs(z - 15.0) < 3.0 || std::fabs(z - 55.0) < 6.0) continue;
    const double vs = z < 15.0 ? 0.25 : (z < 55.0 ? 0.5 : 1.2);
    ++depths;
    held += row[1] <= vs && vs <= row[3];
    width += (row[3] - row[1]) / vs;
  }
  ASSERT_GT(depths, 0);
  EXPECT_GE(held, depths * 9 / 10) << held << " of " << depths;
  std::printf("band holds the truth at %d of %d depths; mean width %.2f of the true Vs\n", held, depths,
              width / depths);

  // Vs30 of the truth: 30 / (15/250 + 15/500) = 333.3 m/s, inside its range.
  const std::vector<double> vs30 = Spread(run.out, "Vs30 m/s: ");
  EXPECT_LE(vs30[0], 333.34);
  EXPECT_GE(vs30[2], 333.33);
  std::printf("Vs30 %.0f (5-95 %%: %.0f to %.0f)\n", vs30[1], vs30[0], vs30[2]);
  const std::vector<double> depth = Spread(run.out, "depth to the half-space m: ");
  EXPECT_LE(depth[0], 55.0);
  EXPECT_GE(depth[2], 55.0);
  EXPECT_NE(run.out.find("\nVs m/s at "), std::string::npos) << run.out;

  // The settings in effect read back as a settings file that gives the same layers.
  const std::string effective = corvath::testing::ReadAll(dir_ / "effective.json");
  EXPECT_NE(effective.find("\"thickness_m\":[5.0,30.0]"), std::string::npos) << effective;
  EXPECT_NE(effective.find("\"seed\": 3"), std::string::npos) << effective;
}

TEST_F(JointCli, RefusesWhatItCannotUse) {
  WriteAll(dir_ / "observed.txt", BoundsTable(Truth()));
  WriteAll(dir_ / "bad.json", R"({"corvath_inversion_settings": 1, "layers": [
    {"thickness_m": 10, "vs_m_s": [400, 500], "vp_m_s": [300, 400], "density_kg_m3": 1800},
    {"vs_m_s": 900, "vp_m_s": 2000, "density_kg_m3": 2100}]})");
  WriteAll(dir_ / "nolayers.json", R"({"corvath_inversion_settings": 1})");
  WriteAll(dir_ / "site.json", kSettings);
  WriteAll(dir_ / "dc.txt", "wave mode frequency_hz phase_m_s\nrayleigh 0 2 x\n");
  WriteAll(dir_ / "good-dc.txt", "frequency_hz phase_m_s\n2 400\n");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"--inversion-settings", Path("bad.json")}, 1, "layer 1: 'vp_m_s' up to 400 cannot hold Vp > Vs"},
      {{"--inversion-settings", Path("nolayers.json")}, 2, "gives no layers: --model START.txt is required"},
      {{"--inversion-settings", Path("site.json"), "--dispersion", Path("dc.txt")}, 1,
       "line 2: phase_m_s \"x\" is not a number"},
      {{"--inversion-settings", Path("site.json"), "--dispersion", Path("good-dc.txt")}, 1,
       "needs the surface-wave modal engine"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--curve", Path("observed.txt")});
    const corvath::testing::CliRun run = Cli(args);
    SCOPED_TRACE(c.args[1]);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}
