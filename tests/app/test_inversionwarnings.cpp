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
  // The half-space's Vs above its Vp stays as it is: only the top layer's H is free.
  app::Workspace workspace = Site(0.2, 2.5);
  workspace.model.invertFlags[H][0] = true;
  app::InversionRun run(workspace, Global(1));
  Quiet quiet;
  ASSERT_TRUE(run.Run(quiet).done());
  const std::vector<std::string> warnings = run.warnings();
  EXPECT_TRUE(Has(warnings, "no physical material in layer 2: Vs 2.50 >= Vp 2")) << ::testing::PrintToString(warnings);

  // A value on an end of its search range is named with the end.
  inversion::InversionState start, state;
  start.model = state.model = workspace.model;
  state.model.values[H][0] = 40.0;  // the upper end of [H/2, 2H]
  inversion::InversionSettings settings = Global(1).settings;
  EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings),
            (std::vector<std::string>{"H of layer 1 40 at its upper limit 40"}));
  state.model.values[H][0] = 30.0;
  EXPECT_TRUE(app::ValuesAtLimits(start, state, workspace.modelTables, settings).empty());
  // Vs searched between Vp/5 and Vp of its layer.
  start.model.invertFlags[Vs][0] = true;
  state.model.values[Vs][0] = 0.6;
  EXPECT_EQ(app::ValuesAtLimits(start, state, workspace.modelTables, settings),
            (std::vector<std::string>{"Vs of layer 1 0.600 at its upper limit 0.600"}));
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
