// corvath-cli dispersion and forward --kind diffuse-field on the reference models of
// ../shared/data/surfacewaves, written in the program's units (km/s, g/cm³).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli/clirun.h"
#include "surfacewaves/referencemodels.h"

namespace corvath::cli {
namespace {

using corvath::testing::CliRun;
using corvath::testing::CrLfLines;
using corvath::testing::RunCli;
using corvath::testing::ScratchDir;

std::string ModelText(const surfacewaves::LayeredMedium& medium) {
  std::ostringstream text;
  text.precision(17);
  text << " N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n";
  for (std::size_t i = 0; i < medium.size(); ++i) {
    const auto& layer = medium[i];
    const bool last = i + 1 == medium.size();
    text << ' ' << i + 1 << "  ";
    if (last) text << '*';
    else text << layer.thicknessM;
    text << "  " << layer.vpMPerS / 1000.0 << "  " << layer.vsMPerS / 1000.0 << "  " << layer.densityKgPerM3 / 1000.0
         << (last ? "  *  * \r\n" : "  20  10 \r\n");
  }
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SurfaceWaveCli, DispersionTableMatchesTheReference) {
  ScratchDir dir;
  const auto medium = surfacewaves::testing::ReadReferenceModel("gradient_five");
  const std::string model = dir.write("model.txt", ModelText(medium));
  const auto rows = surfacewaves::testing::ReadReferenceModes("gradient_five");
  const std::vector<double> picked{rows[10].frequencyHz, rows[60].frequencyHz, rows[95].frequencyHz};
  std::string freqs;
  for (double f : picked) freqs += (freqs.empty() ? "" : ",") + std::to_string(f);
  const CliRun run = RunCli(dir, "dispersion", {"--model", model, "--freqs", freqs, "--modes", "5"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "wave\tmode\tfrequency_hz\tphase_m_s\tgroup_m_s\tellipticity");
  std::size_t expected = 0;
  for (const auto& row : rows)
    for (double f : picked)
      if (std::abs(row.frequencyHz / f - 1.0) < 1e-5) {
        ++expected;
        bool seen = false;
        for (std::size_t i = 1; i < lines.size(); ++i) {
          std::istringstream fields(lines[i]);
          std::string wave, ellipticity;
          int mode = 0;
          double frequency = 0, phase = 0, group = 0;
          fields >> wave >> mode >> frequency >> phase >> group >> ellipticity;
          if (wave != row.wave || mode != row.mode || std::abs(frequency / f - 1.0) > 1e-5) continue;
          seen = true;
          // --freqs gave the frequency to six digits: the phase velocity within the dispersion there.
          EXPECT_NEAR(phase / row.phase, 1.0, 2e-5) << lines[i];
          EXPECT_EQ(ellipticity == "nan", !(wave == "rayleigh" && mode == 0)) << lines[i];
        }
        EXPECT_TRUE(seen) << row.wave << " mode " << row.mode << " at " << f;
      }
  EXPECT_GE(lines.size(), expected + 1);  // the table leaves out a few rows near cut-offs

  const CliRun love = RunCli(dir, "dispersion", {"--model", model, "--freqs", "3", "--wave", "love"});
  ASSERT_EQ(love.status, 0) << love.err;
  for (std::size_t i = 1; i < Lines(love.out).size(); ++i) EXPECT_EQ(Lines(love.out)[i].rfind("love\t", 0), 0u);
}

TEST(SurfaceWaveCli, DiffuseFieldForwardAndTheDefaultKind) {
  ScratchDir dir;
  const std::string model = dir.write("model.txt", ModelText(surfacewaves::testing::ReadReferenceModel("two_layer")));
  const auto reference = surfacewaves::testing::ReadReferenceRatio("two_layer.dfa-surface.csv");
  const CliRun run = RunCli(dir, "forward", {"--model", model, "--kind", "diffuse-field", "--surface-waves-only",
                                            "--freqs", "0.5,2.4656934788841336,9"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = CrLfLines(run.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "f,Hz  ImG11  ImG33  H/V");
  ASSERT_EQ(lines[2].size(), 4 * 23 + 3u);
  ASSERT_NEAR(reference.frequencyHz[54], 2.4656934788841336, 1e-6);
  EXPECT_NEAR(std::stod(lines[2].substr(72)) / reference.hv[54], 1.0, 1e-3);

  const CliRun plain = RunCli(dir, "forward", {"--model", model, "--freqs", "0.5,2,9"});
  const CliRun kind = RunCli(dir, "forward", {"--model", model, "--freqs", "0.5,2,9", "--kind", "transfer-function"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, kind.out);
  EXPECT_EQ(RunCli(dir, "forward", {"--model", model, "--freqs", "1", "--kind", "modal"}).status, 2);
}

// The damped least squares on the diffuse-field model recovers the layer of a curve the
// model itself made; without --forward the run is the transfer functions' one.
TEST(SurfaceWaveCli, InvertFitsTheDiffuseFieldCurve) {
  ScratchDir dir;
  const auto truth = surfacewaves::testing::ReadReferenceModel("two_layer");
  const std::string model = dir.write("truth.txt", ModelText(truth));
  std::string freqs;
  for (int i = 0; i < 40; ++i) freqs += (i ? "," : "") + std::to_string(0.8 * std::pow(20.0, i / 39.0));
  const CliRun forward = RunCli(
      dir, "forward", {"--model", model, "--kind", "diffuse-field", "--surface-waves-only", "--freqs", freqs});
  ASSERT_EQ(forward.status, 0) << forward.err;
  std::string observed = "f,Hz   X  Y  Z  H/Z\r\n";
  const auto lines = CrLfLines(forward.out);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string f = lines[i].substr(0, 23), hv = lines[i].substr(72, 23);
    observed += f + ' ' + hv + ' ' + hv + ' ' + hv + ' ' + hv + "\r\n";
  }
  const std::string curve = dir.write("observed.txt", observed);
  auto start = truth;
  start[0].thicknessM = 23.0;
  start[0].vsMPerS = 260.0;
  const std::string startModel = dir.write("start.txt", ModelText(start));
  const CliRun run = RunCli(dir, "invert", {"--model", startModel, "--curve", curve, "--forward", "diffuse-field",
                                            "--surface-waves-only", "--fixed-k", "--free", "H,Vs", "--min-frq", "0.8",
                                            "--iterations", "30", "--no-ratio-constraint", "-o", dir.path("final.txt")});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto misfit = run.out.find("misfit: ");
  ASSERT_NE(misfit, std::string::npos) << run.out;
  EXPECT_LT(std::stod(run.out.substr(misfit + 8)), 0.05) << run.out << run.err;

  const std::vector<std::string> plain{"--model", startModel, "--curve", curve, "--iterations", "3"};
  auto withKind = plain;
  withKind.insert(withKind.end(), {"--forward", "transfer-function"});
  EXPECT_EQ(RunCli(dir, "invert", plain).out, RunCli(dir, "invert", withKind).out);
}

TEST(SurfaceWaveCli, UnphysicalModelIsRefusedNamingTheLayer) {
  ScratchDir dir;
  const std::string model = dir.write(
      "model.txt", " N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n 1  20  0.5  0.2  1.8  20  10 \r\n"
                   " 2  8  0.6  0.7  1.9  20  10 \r\n 3  *  2  1  2  *  * \r\n");
  for (const char* command : {"dispersion", "forward"}) {
    std::vector<std::string> args{"--model", model, "--freqs", "1,2"};
    if (std::string(command) == "forward") args.insert(args.end(), {"--kind", "diffuse-field", "--surface-waves-only"});
    const CliRun run = RunCli(dir, command, args);
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_NE(run.err.find("Layer 2: Vs 700 m/s is not below Vp 600 m/s"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace corvath::cli
