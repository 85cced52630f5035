// What the inversion run says about a weak result, and the ensemble it keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/inversionrun.h"
#include "app/workspace.h"
#include "inversion/theoreticalcurve.h"

using namespace corvath;

namespace {

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5;

struct Quiet : inversion::InversionProgress {
  void Report(int) override {}
  void ShowState(const inversion::InversionSnapshot&) override {}
};

// One layer over a half-space; the observed curve is the model's own at 1 to 20 Hz.
app::Workspace Site(double topVs, double halfSpaceVs) {
  app::Workspace workspace;
  inversion::ResetModel(workspace.model, workspace.modelTables, 2);
  auto& v = workspace.model.values;
  v[H] = {20.0, 1.0};
  v[Vp] = {0.6, 2.0};
  v[Vs] = {topVs, halfSpaceVs};
  v[Rho] = {1.8, 2.1};
  v[Qp] = {20.0, 10.0};
  v[Qs] = {10.0, 5.0};
  for (auto& flags : workspace.model.invertFlags) flags.assign(2, false);
  std::vector<double> f;
  for (int k = 0; k <= 100; ++k) f.push_back(1.0 + 0.19 * k);
  numerics::arofcomplexM curve;
  inversion::ComputeTheoreticalCurve(workspace.model, 0.0, 0.1, f, curve);
  auto& ratio = workspace.spectraResult.emplace().ratio;
  for (const auto& point : curve) ratio.points.push_back({point.re, point.im, point.im, point.im});
  return workspace;
}

bool Has(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts)
    if (t.find(part) != std::string::npos) return true;
  return false;
}

app::InversionRequest Global(int chains) {
  app::InversionRequest request;
  request.settings.GlobalSearch = true;
  request.settings.OptimizeDispersionExponent = false;
  request.chains = chains;
  request.seed = 3;
  return request;
}

}  // namespace

TEST(InversionWarnings, NameUnphysicalLayersAndValuesAtTheirLimits) {
  // The half-space's Vs above its Vp stays as it is: only the top layer's H is free, and
  // without the constraint the start is taken as it is.
  app::Workspace workspace = Site(0.2, 2.5);
  workspace.model.invertFlags[H][0] = true;
  app::InversionRequest request = Global(1);
  request.settings.RatioConstraint = false;
  app::InversionRun run(workspace, request);
  Quiet quiet;
  ASSERT_TRUE(run.Run(quiet).done());
  const std::vector<std::string> warnings = run.warnings();
  EXPECT_TRUE(Has(warnings, "no physical material in layer 2 (Vs 2.50 >= Vp 2)")) << ::testing::PrintToString(warnings);

  // A value on an end of its search range is named with the end, one line per end.
  inversion::InversionState start, state;
  start.model = state.model = workspace.model;
  state.model.values[H][0] = 40.0;  // the upper end of [H/2, 2H]
  inversion::InversionSettings settings = Global(1).settings;
  EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings),
            (std::vector<std::string>{"at its upper limit: H of layer 1 (40)"}));
  state.model.values[H][0] = 30.0;
  EXPECT_TRUE(app::ValuesAtLimits(start, state, workspace.modelTables, settings).empty());
  // Vs searched between Vp/5 and just below Vp of its layer.
  start.model.invertFlags[Vs][0] = true;
  state.model.values[Vs][0] = 0.599;
  EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings),
            (std::vector<std::string>{"at its upper limit: Vs of layer 1 (0.599)"}));
}

// "At its limit" only for a value inside its range and within 0.5 % of the limit itself:
// H 0.824 m is 0.5 % of the width of [0.1, 1000] from its end, but eight times that end;
// a Vp of 0.408 under a limit of 0.410 lies outside it.
TEST(InversionWarnings, AValueInsideItsLimitsIsNeverCalledAtItsLimit) {
  app::Workspace workspace = Site(0.2, 0.8);
  inversion::InversionState start;
  start.model = workspace.model;
  for (int layer : {0, 1})
    for (int p : {H, Vp, Vs, Qp, Qs}) start.model.invertFlags[p][layer] = !(layer == 1 && (p == H || p == Qp || p == Qs));
  inversion::InversionSettings settings;  // damped least squares, constraint ticked
  struct Case {
    const char* name;
    int p, layer;
    double value;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"H well above its lower limit", H, 0, 0.824, {}},
      {"H at its lower limit", H, 0, 0.1004, {"at its lower limit: H of layer 1 (0.100)"}},
      {"H at its upper limit", H, 0, 999.0, {"at its upper limit: H of layer 1 (1000)"}},
      {"Vp below its lower limit (Vs 0.410)", Vp, 0, 0.408, {}},
      // A pair at the constraint: each at the limit the other sets.
      {"Vp just above 1.001 Vs", Vp, 0, 0.4110,
       {"at its lower limit: Vp of layer 1 (0.410)", "at its upper limit: Vs of layer 1 (0.411)"}},
      {"Qs at Qp", Qs, 0, 20.0, {"at its lower limit: Qp of layer 1 (20)", "at its upper limit: Qs of layer 1 (20)"}},
      {"Qs inside", Qs, 0, 15.0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    inversion::InversionState state = start;
    state.model.values[Vs][0] = 0.41;
    state.model.values[c.p][c.layer] = c.value;
    EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings), c.expected);
  }
  // Several values at one end: one line, grouped by parameter in table order.
  inversion::InversionState state = start;
  state.model.values[H][0] = 0.1;
  state.model.values[Vs][0] = 0.5992;
  state.model.values[Vs][1] = 1.997;
  EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings),
            (std::vector<std::string>{"at its lower limit: H of layer 1 (0.100); Vp of layers 1, 2 (0.600, 1.999)",
                                      "at its upper limit: Vs of layers 1, 2 (0.599, 1.998)"}));
}

TEST(InversionWarnings, TheEnsembleAndDisagreeingChainsAreReported) {
  app::Workspace workspace = Site(0.2, 0.8);
  workspace.model.values[Vs][0] = 0.24;  // the search starts off the truth
  for (int p : {H, Vs}) workspace.model.invertFlags[p][0] = true;
  app::InversionRun run(workspace, Global(4));
  Quiet quiet;
  ASSERT_TRUE(run.Run(quiet).done());
  ASSERT_TRUE(run.ensemble().has_value());
  const app::EnsembleSummary& ensemble = *run.ensemble();
  ASSERT_EQ(ensemble.chainMisfits.size(), 4u);
  EXPECT_EQ(ensemble.bestMisfit, ensemble.chainMisfits[ensemble.bestChain]);
  EXPECT_EQ(*run.misfit(), ensemble.bestMisfit);
  for (const auto& model : ensemble.models) EXPECT_LE(model.misfit, 1.2 * ensemble.bestMisfit);
  EXPECT_LE(ensemble.peakFrequency.p05, ensemble.peakFrequency.p50);
  EXPECT_LE(ensemble.peakFrequency.p50, ensemble.peakFrequency.p95);
  EXPECT_LE(ensemble.halfSpaceDepth.p05, ensemble.halfSpaceDepth.p95);
  EXPECT_EQ(ensemble.curveLower.size(), workspace.spectraResult->ratio.points.size());
  EXPECT_DOUBLE_EQ(ensemble.profileDepth, 1.5 * run.state().model.values[H][0]);

  bool disagree = false;
  for (double misfit : ensemble.chainMisfits) disagree = disagree || misfit > 1.2 * ensemble.bestMisfit;
  EXPECT_EQ(Has(run.warnings(), "chains disagree"), disagree);

  // Stopped at a tenth of the run, the chains that had not begun are not said to
  // disagree with those that had searched.
  struct StopAtATenth : Quiet {
    void Report(int percent) override {
      if (percent >= 10) RequestStop();
    }
  } stopped;
  app::InversionRequest request = Global(4);
  request.workers = 2;
  app::InversionRun cut(workspace, request);
  ASSERT_TRUE(cut.Run(stopped).done());
  EXPECT_FALSE(Has(cut.warnings(), "chains disagree")) << ::testing::PrintToString(cut.warnings());

  // The damped least squares keeps no ensemble.
  app::InversionRequest linear;
  linear.settings.IterationCount = 1;
  app::InversionRun damped(workspace, linear);
  ASSERT_TRUE(damped.Run(quiet).done());
  EXPECT_FALSE(damped.ensemble().has_value());
}
