// corvath-cli forward and invert, run as programs: the model text as their file
// format, the tables they write, their determinism and their exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/forwardcurve.h"
#include "app/inversionrun.h"
#include "app/modelfile.h"
#include "app/observedcurve.h"
#include "cli/clirun.h"
#include "inversion/linearizedinversion.h"
#include "inversion/modeltext.h"
#include "inversion/theoreticalcurve.h"
#include "numerics/numbertext.h"

namespace fs = std::filesystem;
using namespace corvath;

namespace {

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5;

using corvath::testing::CliRun;
using corvath::testing::CrLfLines;
using corvath::testing::ReadAll;

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The value in the 23-character field k (0-based) of a table row.
double Field(const std::string& row, int k) { return std::stod(row.substr(24 * k, 23)); }

// A model of layers given as {H, Vp, Vs, rho, Qp, Qs} rows, the last the half-space.
inversion::amodel Layers(const std::vector<std::vector<double>>& rows) {
  inversion::amodel model;
  inversion::ResetModel(model, inversion::ModelTables{}, static_cast<int>(rows.size()));
  for (std::size_t l = 0; l < rows.size(); ++l)
    for (int p = 0; p < inversion::kParameterCount; ++p) model.values[p][l] = rows[l][p];
  return model;
}

// The model as "Model to text file" writes it (two decimals, "*" for the half-space).
std::string ShownText(const inversion::amodel& model) {
  std::ostringstream out;
  inversion::WriteModelText(out, inversion::ModelTableRows(model));
  return out.str();
}

// "f,Hz   X  Y  Z  H/Z" with flat spectra and the given ratios.
std::string SpectrumTable(const std::vector<double>& f, const std::vector<double>& ratio) {
  std::string text = "f,Hz   X  Y  Z  H/Z\r\n";
  for (std::size_t k = 0; k < f.size(); ++k) {
    text += numerics::NumberToExponentText(f[k]);
    for (double v : {1.0, 1.0, 1.0, ratio[k]}) text += ' ' + numerics::NumberToExponentText(v);
    text += "\r\n";
  }
  return text;
}

// 0.5 Hz to 20 Hz in steps of 5 %.
std::vector<double> Grid() {
  std::vector<double> f;
  for (double x = 0.5; x <= 20.0; x *= 1.05) f.push_back(x);
  return f;
}

std::vector<double> Ratios(const inversion::amodel& model, const std::vector<double>& f) {
  numerics::arofcomplexM curve;
  inversion::ComputeTheoreticalCurve(model, 0.0, 0.1, f, curve);
  std::vector<double> r;
  for (const auto& point : curve) r.push_back(point.im);
  return r;
}

const inversion::amodel kTruth = Layers({{15, 0.6, 0.25, 1.8, 20, 10}, {40, 1.2, 0.5, 1.9, 40, 20}, {1, 2.5, 1.2, 2.2, 10, 5}});
const inversion::amodel kNearTruth =
    Layers({{13, 0.65, 0.27, 1.8, 22, 9}, {45, 1.1, 0.46, 1.9, 36, 22}, {1, 2.4, 1.1, 2.2, 10, 5}});

class ModelCli : public ::testing::Test {
protected:
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  CliRun Cli(const std::string& command, const std::vector<std::string>& args) const {
    return corvath::testing::RunCli(scratch_, command, args);
  }

  // Writes the truth's curve as a spectrum table (observed.txt) and the start model (start.txt).
  void WriteRecoveryInputs() const {
    WriteAll(dir_ / "observed.txt", SpectrumTable(Grid(), Ratios(kTruth, Grid())));
    WriteAll(dir_ / "start.txt", ShownText(kNearTruth));
  }

  corvath::testing::ScratchDir scratch_;
  const fs::path dir_ = scratch_.root();
};

// The three printed lines "Ref frq: V", "K degree: V", "misfit: V" as numbers.
std::vector<double> Summary(const std::string& out) {
  std::vector<double> values;
  std::istringstream lines(out);
  std::string line;
  const char* labels[] = {"Ref frq: ", "K degree: ", "misfit: "};
  for (const char* label : labels) {
    if (!std::getline(lines, line) || line.rfind(label, 0) != 0) {
      ADD_FAILURE() << "no line " << label << " in\n" << out;
      return {};
    }
    double v = 0.0;
    EXPECT_TRUE(numerics::ParseDecimal(line.substr(std::string(label).size()), v)) << line;
    values.push_back(v);
  }
  return values;
}

}  // namespace

TEST_F(ModelCli, ForwardReproducesTheOneLayerExample) {
  // One layer over a half-space, written as "Model to text file" writes it.
  WriteAll(dir_ / "one.txt", ShownText(Layers({{20, 0.5, 0.2, 1.8, 20, 10}, {1, 2.0, 1.0, 2.0, 10, 5}})));
  const CliRun run = Cli("forward", {"--model", Path("one.txt"), "--freqs", "2.5,5", "--k-degree", "0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty());
  const auto lines = CrLfLines(run.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "f,Hz   S  P  H/Zc");
  for (int k = 1; k <= 2; ++k) ASSERT_EQ(lines[k].size(), 4 * 23 + 3u) << lines[k];
  EXPECT_EQ(Field(lines[1], 0), 2.5);
  EXPECT_NEAR(Field(lines[1], 1), 3.8657, 5e-5);   // S at the resonance V/(4H)
  EXPECT_NEAR(Field(lines[1], 2), 1.2181, 5e-5);   // P
  EXPECT_NEAR(Field(lines[1], 3), 3.1736, 5e-5);   // H/Zc
  EXPECT_NEAR(Field(lines[2], 1), 0.96103, 5e-6);
  EXPECT_NEAR(Field(lines[2], 3), 0.37605, 5e-6);

  // The frequencies of a results table give the same table; -o writes the same bytes.
  WriteAll(dir_ / "table.txt", SpectrumTable({2.5, 5.0}, {1.0, 1.0}));
  const CliRun fromTable = Cli("forward", {"--model", Path("one.txt"), "--curve", Path("table.txt"), "--k-degree=0",
                                           "-o", Path("forward.txt")});
  ASSERT_EQ(fromTable.status, 0) << fromTable.err;
  EXPECT_TRUE(fromTable.out.empty());
  EXPECT_EQ(ReadAll(dir_ / "forward.txt"), run.out);

  // Defaults "Ref frq" 0 and "K degree" 0.1: the 2.5 Hz S value of the forward-model example.
  const CliRun defaults = Cli("forward", {"--model", Path("one.txt"), "--freqs", "2.5"});
  ASSERT_EQ(defaults.status, 0) << defaults.err;
  EXPECT_NEAR(Field(CrLfLines(defaults.out)[1], 1), 3.9715, 5e-5);
  const CliRun dispersion = Cli("forward", {"--model", Path("one.txt"), "--freqs", "3", "--ref-frq", "1"});
  EXPECT_NEAR(Field(CrLfLines(dispersion.out)[1], 1), 2.6906, 5e-5);
}

TEST_F(ModelCli, ModelTextChainsThroughSpectraForwardAndInvert) {
  // The window's "Save results" as "Model to text file" is read by forward, which gives
  // the digits of the app command for the same (rounded) model.
  app::Workspace window;
  window.model = kNearTruth;
  window.spectraResult.emplace();
  ASSERT_TRUE(app::SaveResults(window, {app::ResultFileType::ModelText, Path("saved.txt"), {}}).done());
  const CliRun forward = Cli("forward", {"--model", Path("saved.txt"), "--freqs", "1,2,3.5,8"});
  ASSERT_EQ(forward.status, 0) << forward.err;
  app::Workspace back;
  ASSERT_TRUE(app::LoadModelText(back, Path("saved.txt")).done());
  EXPECT_EQ(back.model.values[H][0], 13.0);
  EXPECT_EQ(back.model.values[Vs][1], 0.46);
  std::vector<app::ForwardPoint> points;
  ASSERT_TRUE(app::ForwardCurve(back, {}, {1, 2, 3.5, 8}, points).done());
  EXPECT_EQ(forward.out, app::ForwardTableText(points));

  // The observed curve as spectra writes it; invert writes its model with exact values and
  // the curve it ends on: forward from that model and the printed values gives that curve.
  WriteRecoveryInputs();
  const CliRun invert = Cli("invert", {"--model", Path("saved.txt"), "--curve", Path("observed.txt"), "--iterations",
                                       "3", "--optimize-ref", "-o", Path("final.txt"), "--curve-out", Path("final_curve.txt")});
  ASSERT_EQ(invert.status, 0) << invert.err;
  EXPECT_TRUE(invert.err.empty()) << invert.err;  // no progress off a terminal
  const std::vector<double> summary = Summary(invert.out);
  ASSERT_EQ(summary.size(), 3u);
  const CliRun again = Cli("forward", {"--model", Path("final.txt"), "--curve", Path("observed.txt"), "--ref-frq",
                                       numerics::NumberToShortestText(summary[0]), "--k-degree",
                                       numerics::NumberToShortestText(summary[1])});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, ReadAll(dir_ / "final_curve.txt"));
  // The final model file carries the values the run ended on, exactly; forward takes
  // them from it, and an option still wins over them.
  const std::string finalText = ReadAll(dir_ / "final.txt");
  const std::string settingLines = "Ref frq: " + numerics::NumberToShortestText(summary[0]) + "\r\nK degree: " +
                                   numerics::NumberToShortestText(summary[1]) + "\r\n";
  ASSERT_GE(finalText.size(), settingLines.size());
  EXPECT_EQ(finalText.substr(finalText.size() - settingLines.size()), settingLines);
  const CliRun fromFile = Cli("forward", {"--model", Path("final.txt"), "--curve", Path("observed.txt")});
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromFile.out, again.out);
  const CliRun overridden =
      Cli("forward", {"--model", Path("final.txt"), "--curve", Path("observed.txt"), "--k-degree", "0.5"});
  ASSERT_EQ(overridden.status, 0) << overridden.err;
  EXPECT_NE(overridden.out, again.out);
  const auto rows = CrLfLines(again.out);
  EXPECT_EQ(rows.size(), Grid().size() + 1);

  // The final model reads back to the very doubles the run kept.
  app::Workspace direct;
  ASSERT_TRUE(app::LoadModelText(direct, Path("saved.txt")).done());
  ASSERT_TRUE(app::LoadObservedCurve(direct, Path("observed.txt")).done());
  app::InversionRequest request;
  request.settings.IterationCount = 3;
  request.settings.OptimizeReferenceFrequency = true;
  app::InversionRun run(direct, request);
  struct Quiet : inversion::InversionProgress {
    void Report(int) override {}
    void ShowState(const inversion::InversionSnapshot&) override {}
  } quiet;
  ASSERT_TRUE(run.Run(quiet).done());
  run.Apply(direct);
  app::Workspace reread;
  ASSERT_TRUE(app::LoadModelText(reread, Path("final.txt")).done());
  EXPECT_EQ(reread.model.values, direct.model.values);
  EXPECT_EQ(summary[0], direct.referenceFrequency);
  EXPECT_EQ(summary[1], direct.dispersionExponent);
  EXPECT_EQ(summary[2], *run.misfit());
}

TEST_F(ModelCli, InvertAcceptsTheBoundsTableOfSpectra) {
  // A record whose X and Y carry a 3 Hz oscillation: spectra writes its table and bounds.
  corvath::testing::WriteThreeHertzRecord(scratch_.root());
  const CliRun spectra = Cli("spectra", {"-o", Path("table.txt"), "--bounds", Path("bounds.txt"), Path("x.txt"),
                                         Path("y.txt"), Path("z.txt")});
  ASSERT_EQ(spectra.status, 0) << spectra.err;
  WriteAll(dir_ / "start.txt", ShownText(kNearTruth));

  const CliRun plain = Cli("invert", {"--model", Path("start.txt"), "--curve", Path("table.txt"), "--iterations", "2"});
  const CliRun weighted = Cli("invert", {"--model", Path("start.txt"), "--curve", Path("bounds.txt"), "--iterations", "2"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(weighted.status, 0) << weighted.err;
  // The bounds weight the points, so the two fits differ.
  EXPECT_NE(plain.out, weighted.out);
  app::Workspace workspace;
  ASSERT_TRUE(app::LoadObservedCurve(workspace, Path("bounds.txt")).done());
  EXPECT_TRUE(workspace.spectraResult->ratio.hasBounds);
  ASSERT_TRUE(app::LoadObservedCurve(workspace, Path("table.txt")).done());
  EXPECT_FALSE(workspace.spectraResult->ratio.hasBounds);
}

TEST_F(ModelCli, RefusedRowsAreNamed) {
  const std::string heading = " N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n";
  struct Case {
    std::string model;
    const char* message;
  };
  const Case cases[] = {
      {heading + " 1  20  0.5  0.2  1.8  20  10 \r\n 2  *  9  1  2  *  * \r\n",
       "line 3 (layer 2): Vp(km/s) \"9\" is outside its limits 0.1 to 8"},
      {heading + " 1  20  0.5  0.2  1.8  20 \r\n 2  *  2  1  2  *  * \r\n",
       "line 2 (layer 1): a layer row holds its number and six values, this one has 6 fields"},
      {heading + " 1  20  0.5  0.2  1.8  20  10 \r\n", "the model has 1 layer; 2 to 10 are needed"},
  };
  for (const Case& c : cases) {
    WriteAll(dir_ / "bad.txt", c.model);
    for (const char* command : {"forward", "invert"}) {
      const CliRun run = Cli(command, {"--model", Path("bad.txt"), command == std::string("forward") ? "--freqs" : "--curve",
                                       command == std::string("forward") ? "1,2" : Path("bad.txt")});
      EXPECT_EQ(run.status, 1) << command;
      EXPECT_TRUE(run.out.empty());
      EXPECT_EQ(run.err, "corvath-cli " + std::string(command) + ": " + Path("bad.txt") + ": " + c.message + "\n");
    }
  }
}

TEST_F(ModelCli, InvertWithASeedRepeatsItself) {
  WriteRecoveryInputs();
  auto global = [&](const char* seed, const char* out) {
    return Cli("invert", {"--model", Path("start.txt"), "--curve", Path("observed.txt"), "--global", "--seed", seed,
                          "--free", "vs,H", "-o", Path(out)});
  };
  const CliRun first = global("42", "a.txt");
  const CliRun second = global("42", "b.txt");
  const CliRun other = global("43", "c.txt");
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(first.out, second.out);
  EXPECT_EQ(ReadAll(dir_ / "a.txt"), ReadAll(dir_ / "b.txt"));
  EXPECT_NE(ReadAll(dir_ / "a.txt"), ReadAll(dir_ / "c.txt"));

  // --free vs,H: only Vs and H (and "K degree") move.
  app::Workspace start, found;
  ASSERT_TRUE(app::LoadModelText(start, Path("start.txt")).done());
  ASSERT_TRUE(app::LoadModelText(found, Path("a.txt")).done());
  for (int p : {Vp, Rho, Qp, Qs}) EXPECT_EQ(found.model.values[p], start.model.values[p]) << p;
  EXPECT_NE(found.model.values[Vs], start.model.values[Vs]);
  EXPECT_NE(found.model.values[H][0], start.model.values[H][0]);
  EXPECT_EQ(found.model.values[H][2], start.model.values[H][2]);  // never the half-space's
}

TEST_F(ModelCli, ATerminationRequestStopsTheRunAndWritesTheModelReachedSoFar) {
  // Ten layers and 500 iterations: seconds of work, stopped after half a second.
  std::vector<std::vector<double>> rows;
  for (int l = 0; l < 10; ++l) rows.push_back({8.0 + l, 0.5 + 0.2 * l, 0.2 + 0.1 * l, 1.8, 20, 10});
  WriteAll(dir_ / "observed.txt", SpectrumTable(Grid(), Ratios(kTruth, Grid())));
  WriteAll(dir_ / "start.txt", ShownText(Layers(rows)));
  std::string command = corvath::testing::ShellQuoted(CORVATH_CLI) + " invert --model " +
                        corvath::testing::ShellQuoted(Path("start.txt")) + " --curve " +
                        corvath::testing::ShellQuoted(Path("observed.txt")) + " --iterations 500 -o " +
                        corvath::testing::ShellQuoted(Path("final.txt"));
  command += " >" + corvath::testing::ShellQuoted(Path("out.txt")) + " 2>" +
             corvath::testing::ShellQuoted(Path("err.txt")) + " & pid=$!; sleep 0.5; kill -TERM $pid; wait $pid";
  const int status = corvath::testing::ExitStatus(std::system(("sh -c " + corvath::testing::ShellQuoted(command)).c_str()));
  const std::string err = ReadAll(dir_ / "err.txt");
  ASSERT_EQ(status, 143) << err;
  EXPECT_NE(err.find("corvath-cli invert: stopped before the end; the model reached so far is written"),
            std::string::npos)
      << err;
  EXPECT_EQ(Summary(ReadAll(dir_ / "out.txt")).size(), 3u);
  app::Workspace start, reached;
  ASSERT_TRUE(app::LoadModelText(start, Path("start.txt")).done());
  ASSERT_TRUE(app::LoadModelText(reached, Path("final.txt")).done());
  EXPECT_EQ(reached.model.layerCount(), 10);
  EXPECT_NE(reached.model.values[Vs], start.model.values[Vs]);
}

TEST_F(ModelCli, DampedLeastSquaresRecoversANearbyModel) {
  WriteRecoveryInputs();
  const CliRun run = Cli("invert", {"--model", Path("start.txt"), "--curve", Path("observed.txt"), "--iterations",
                                    "30", "-o", Path("final.txt"), "--curve-out", Path("curve.txt")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<double> summary = Summary(run.out);
  ASSERT_EQ(summary.size(), 3u);

  // The misfit of the start, measured as the run measures it.
  app::Workspace start;
  ASSERT_TRUE(app::LoadModelText(start, Path("start.txt")).done());
  ASSERT_TRUE(app::LoadObservedCurve(start, Path("observed.txt")).done());
  numerics::arofcomplexM startCurve;
  inversion::ComputeTheoreticalCurve(start.model, 0.0, 0.1, Grid(), startCurve);
  const inversion::FitWeights weights =
      inversion::ComputeFitWeights(start.spectraResult->ratio, inversion::InversionSettings{});
  const double startMisfit = inversion::LinearizedMisfit(
      startCurve, inversion::ObservedLogarithms(start.spectraResult->ratio, weights), weights);
  EXPECT_LT(summary[2], startMisfit - 5.0) << "ln of the sum of squares, from " << startMisfit;

  app::Workspace final;
  ASSERT_TRUE(app::LoadModelText(final, Path("final.txt")).done());
  // Thicknesses and velocities within 5 %; the quality factors, which shape the ratio
  // far less, within 15 %.
  for (int p : {H, Vp, Vs, Qp, Qs})
    for (int l = 0; l < 2; ++l)
      EXPECT_NEAR(final.model.values[p][l] / kTruth.values[p][l], 1.0, p >= Qp ? 0.15 : 0.05)
          << "parameter " << p << " layer " << l;
  EXPECT_NEAR(final.model.values[Vs][2] / kTruth.values[Vs][2], 1.0, 0.05);
  EXPECT_NEAR(summary[1], 0.1, 0.01);

  // The fundamental peak of the final curve sits where the truth's does.
  const auto rows = CrLfLines(ReadAll(dir_ / "curve.txt"));
  const std::vector<double> truth = Ratios(kTruth, Grid());
  std::size_t peak = 1, truthPeak = 0;
  for (std::size_t k = 1; k < rows.size(); ++k)
    if (Field(rows[k], 3) > Field(rows[peak], 3)) peak = k;
  for (std::size_t k = 0; k < truth.size(); ++k)
    if (truth[k] > truth[truthPeak]) truthPeak = k;
  EXPECT_EQ(peak - 1, truthPeak);
}

TEST_F(ModelCli, UsageErrors) {
  WriteRecoveryInputs();
  const std::string m = Path("start.txt"), c = Path("observed.txt");
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases{
      {"forward", {}},
      {"forward", {"--model", m}},
      {"forward", {"--freqs", "1,2"}},
      {"forward", {"--model", m, "--freqs", "1,2", "--curve", c}},
      {"forward", {"--model", m, "--freqs", "1,,2"}},
      {"forward", {"--model", m, "--freqs", "one"}},
      {"forward", {"--model", m, "--freqs", "1", "--k-degree", "x"}},
      {"forward", {"--model", m, "--freqs", "1", "extra"}},
      {"forward", {"--model", m, "--freqs", "1", "--bogus"}},
      {"forward", {"--model", m, "--freqs", "1", "-o"}},
      {"forward", {"--model=", "--freqs", "1"}},
      {"invert", {}},
      {"invert", {"--model", m}},
      {"invert", {"--curve", c}},
      {"invert", {"--model", m, "--curve", c, "--iterations", "0"}},
      {"invert", {"--model", m, "--curve", c, "--iterations", "501"}},
      {"invert", {"--model", m, "--curve", c, "--seed", "-1"}},
      {"invert", {"--model", m, "--curve", c, "--seed", "12x"}},
      {"invert", {"--model", m, "--curve", c, "--free", "Vs,density"}},
      {"invert", {"--model", m, "--curve", c, "--free", ""}},
      {"invert", {"--model", m, "--curve", c, "--min-frq", "low"}},
      {"invert", {"--model", m, "--curve", c, "--global=yes"}},
      {"invert", {"--model", m, "--curve", c, "--curve-out"}},
      {"invert", {"--model", m, "--curve", c, "--chains", "2"}},  // chains are global searches
      {"invert", {"--model", m, "--curve", c, "--ensemble", Path("e.txt")}},
      {"invert", {"--model", m, "--curve", c, "--global", "--chains", "0"}},
      {"invert", {"--model", m, "--curve", c, "--global", "--workers", "0"}},
      {"invert", {"--model", m, "--curve", c, "--global", "--ensemble-tolerance", "-0.1"}},
  };
  for (const auto& [command, args] : cases) {
    std::string joined = command;
    for (const auto& a : args) joined += " " + a;
    SCOPED_TRACE(joined);
    const CliRun run = Cli(command, args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: corvath-cli " + std::string(command)), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  for (const char* command : {"forward", "invert"}) {
    const CliRun help = Cli(command, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: corvath-cli ") + command, 0), 0u);
  }
  const CliRun top = Cli("--help", {});
  EXPECT_NE(top.out.find("forward"), std::string::npos);
  EXPECT_NE(top.out.find("invert"), std::string::npos);
}

TEST_F(ModelCli, UnreadableInputOrNoResultIsOneLine) {
  WriteRecoveryInputs();
  const std::string m = Path("start.txt"), c = Path("observed.txt");
  WriteAll(dir_ / "garbage.txt", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + std::string(5000, 'x'));
  WriteAll(dir_ / "unsorted.txt", SpectrumTable({2.0, 1.0}, {1.0, 1.0}));
  WriteAll(dir_ / "empty.txt", "");
  fs::create_directories(dir_ / "folder");
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases{
      {"forward", {"--model", Path("missing.txt"), "--freqs", "1"}},
      {"forward", {"--model", Path("folder"), "--freqs", "1"}},
      {"forward", {"--model", Path("garbage.txt"), "--freqs", "1"}},
      {"forward", {"--model", m, "--curve", Path("garbage.txt")}},
      {"forward", {"--model", m, "--curve", Path("unsorted.txt")}},
      {"forward", {"--model", m, "--curve", Path("empty.txt")}},
      {"forward", {"--model", m, "--freqs", "-1,2"}},  // a negative frequency faults the power
      {"forward", {"--model", m, "--freqs", "1", "-o", Path("no/such/dir.txt")}},
      {"invert", {"--model", m, "--curve", Path("missing.txt")}},
      {"invert", {"--model", Path("empty.txt"), "--curve", c}},
      {"invert", {"--model", m, "--curve", c, "--min-frq", "50", "--max-frq", "60"}},  // nothing in the band
      {"invert", {"--model", m, "--curve", c, "--iterations", "1", "-o", Path("no/such/dir.txt")}},
  };
  for (const auto& [command, args] : cases) {
    std::string joined = command;
    for (const auto& a : args) joined += " " + a;
    SCOPED_TRACE(joined);
    const CliRun run = Cli(command, args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind(std::string("corvath-cli ") + command + ": ", 0), 0u) << run.err;
  }
}

namespace {

// The rows of a space-separated table after its heading, as numbers.
std::vector<std::vector<double>> TableRows(const std::string& text, const std::string& heading) {
  const auto lines = CrLfLines(text);
  std::vector<std::vector<double>> rows;
  if (lines.empty() || lines[0] != heading) {
    ADD_FAILURE() << "heading '" << (lines.empty() ? "" : lines[0]) << "' instead of '" << heading << "'";
    return rows;
  }
  for (std::size_t k = 1; k < lines.size(); ++k) {
    std::istringstream fields(lines[k]);
    std::vector<double> row;
    for (std::string field; fields >> field;) {
      double v = 0.0;
      EXPECT_TRUE(numerics::ParseDecimal(field, v)) << lines[k];
      row.push_back(v);
    }
    rows.push_back(row);
  }
  return rows;
}

// The number in the line of out that starts with label ("ensemble: 57 models ..." -> 57).
double Reported(const std::string& out, const std::string& label) {
  const std::size_t at = out.find("\n" + label);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no line " << label << " in\n" << out;
    return -1.0;
  }
  return std::stod(out.substr(at + 1 + label.size()));
}

}  // namespace

TEST_F(ModelCli, OneChainIsTheSearchWithoutChains) {
  WriteRecoveryInputs();
  for (const char* seed : {"1", "2", "3"}) {
    SCOPED_TRACE(seed);
    auto run = [&](std::vector<std::string> extra, const char* model, const char* curve) {
      std::vector<std::string> args{"--model", Path("start.txt"), "--curve", Path("observed.txt"), "--global", "--seed",
                                    seed, "--fixed-k", "-o", Path(model), "--curve-out", Path(curve)};
      args.insert(args.end(), extra.begin(), extra.end());
      return Cli("invert", args);
    };
    const CliRun plain = run({}, "plain.txt", "plain-curve.txt");
    const CliRun one = run({"--chains", "1"}, "one.txt", "one-curve.txt");
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, plain.out);
    EXPECT_EQ(one.err, plain.err);
    EXPECT_EQ(ReadAll(dir_ / "one.txt"), ReadAll(dir_ / "plain.txt"));
    EXPECT_EQ(ReadAll(dir_ / "one-curve.txt"), ReadAll(dir_ / "plain-curve.txt"));
  }
}

TEST_F(ModelCli, ChainsWriteTheSameBytesWhateverTheWorkersAndAnOrderedEnsemble) {
  WriteRecoveryInputs();
  const std::vector<std::string> outputs{"model", "curve", "ensemble", "profile"};
  auto run = [&](const std::string& workers, const std::string& tag) {
    return Cli("invert", {"--model", Path("start.txt"), "--curve", Path("observed.txt"), "--global", "--seed", "11",
                          "--chains", "4", "--workers", workers, "--free", "vs,h,qs", "-o", Path((tag + "model").c_str()),
                          "--curve-out", Path((tag + "curve").c_str()), "--ensemble",
                          Path((tag + "ensemble").c_str()), "--profile-out", Path((tag + "profile").c_str())});
  };
  const CliRun first = run("2", "a-"), second = run("2", "b-"), single = run("1", "c-");
  for (const CliRun* r : {&first, &second, &single}) ASSERT_EQ(r->status, 0) << r->err;
  EXPECT_EQ(second.out, first.out);
  EXPECT_EQ(single.out, first.out);
  for (const std::string& name : outputs) {
    const std::string bytes = ReadAll(dir_ / ("a-" + name));
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(ReadAll(dir_ / ("b-" + name)), bytes) << name;
    EXPECT_EQ(ReadAll(dir_ / ("c-" + name)), bytes) << name;
  }

  // The ensemble: whole models of three layers, numbered from 1, within 1.2 times the best
  // misfit, as many as reported; the half-space's H written as 0.
  const double best = Summary(first.out).at(2);
  const auto rows = TableRows(ReadAll(dir_ / "a-ensemble"), "model misfit layer H Vp Vs rho Qp Qs");
  ASSERT_FALSE(rows.empty());
  ASSERT_EQ(rows.size() % 3, 0u);
  EXPECT_EQ(Reported(first.out, "ensemble: "), static_cast<double>(rows.size() / 3));
  bool bestIsIn = false;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ASSERT_EQ(rows[k].size(), 9u);
    EXPECT_EQ(rows[k][0], static_cast<double>(k / 3 + 1));
    EXPECT_EQ(rows[k][2], static_cast<double>(k % 3 + 1));
    EXPECT_LE(rows[k][1], 1.2 * best);
    bestIsIn = bestIsIn || rows[k][1] == best;
    if (k % 3 == 2) EXPECT_EQ(rows[k][3], 0.0);
  }
  EXPECT_TRUE(bestIsIn);

  // The profile: 101 depths down to 1.5 times the best model's depth to the half-space,
  // percentiles in order.
  app::Workspace kept;
  ASSERT_TRUE(app::LoadModelText(kept, Path("a-model")).done());
  const double depth = kept.model.values[H][0] + kept.model.values[H][1];
  const auto profile = TableRows(ReadAll(dir_ / "a-profile"), "depth_m vs_p05 vs_p50 vs_p95");
  ASSERT_EQ(profile.size(), 101u);
  EXPECT_EQ(profile.front()[0], 0.0);
  EXPECT_DOUBLE_EQ(profile.back()[0], 1.5 * depth);
  for (const auto& row : profile) {
    ASSERT_EQ(row.size(), 4u);
    EXPECT_LE(row[1], row[2]);
    EXPECT_LE(row[2], row[3]);
  }
}

TEST_F(ModelCli, TheTruthOfASyntheticSiteLiesInsideItsTopLayerBand) {
  // One layer (H 20 m, Vs 0.2 km/s) over a half-space; its curve with a 5 % ripple, so that
  // no model fits exactly and the ensemble spreads. The search starts 10 % off in Vs.
  const inversion::amodel truth = Layers({{20, 0.6, 0.2, 1.8, 20, 10}, {1, 2.0, 0.8, 2.1, 10, 5}});
  std::vector<double> f, ratio = Ratios(truth, Grid());
  f = Grid();
  for (std::size_t k = 0; k < ratio.size(); ++k) ratio[k] *= 1.0 + 0.05 * std::sin(1.7 * static_cast<double>(k));
  WriteAll(dir_ / "observed.txt", SpectrumTable(f, ratio));
  WriteAll(dir_ / "start.txt", ShownText(Layers({{20, 0.6, 0.22, 1.8, 20, 10}, {1, 2.0, 0.72, 2.1, 10, 5}})));
  const CliRun run = Cli("invert", {"--model", Path("start.txt"), "--curve", Path("observed.txt"), "--global",
                                    "--fixed-k", "--seed", "5", "--chains", "4", "--free", "vs,h", "-o",
                                    Path("kept.txt"), "--profile-out", Path("profile.txt")});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto profile = TableRows(ReadAll(dir_ / "profile.txt"), "depth_m vs_p05 vs_p50 vs_p95");
  ASSERT_EQ(profile.size(), 101u);
  EXPECT_LE(profile[0][1], 0.2);
  EXPECT_GE(profile[0][3], 0.2);
  EXPECT_LT(profile[0][3] - profile[0][1], 0.05);  // and the band is narrow there
  EXPECT_GT(Reported(run.out, "ensemble: "), 1.0);
  EXPECT_NE(run.out.find("\nf0 Hz: "), std::string::npos);
  EXPECT_NE(run.out.find("\ndepth to the half-space m: "), std::string::npos);
}
