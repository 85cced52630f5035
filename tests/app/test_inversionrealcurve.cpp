// The two inversions on a real curve: STN11's field-standard H/V (stn11.hv: every second
// point of `corvath-cli hv --sta-lta default --azimuths 15 --hv-out` on the miniSEED
// record) from the window's default ten-layer start model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/inversionrun.h"
#include "app/observedcurve.h"
#include "app/workspace.h"

using namespace corvath;

namespace {

constexpr int Vp = 1, Vs = 2, Qp = 4, Qs = 5;

// Every state a run shows (the damped least squares after each iteration, the global
// search its best after each level).
struct Recording : inversion::InversionProgress {
  std::vector<inversion::InversionSnapshot> shown;
  void Report(int) override {}
  void ShowState(const inversion::InversionSnapshot& snapshot) override { shown.push_back(snapshot); }
};

app::Workspace Stn11() {
  app::Workspace workspace;  // the default ten-layer model
  const std::string path = (std::filesystem::path(CORVATH_TEST_SOURCE) / "app" / "stn11.hv").string();
  const app::Outcome loaded = app::LoadObservedCurve(workspace, path);
  EXPECT_TRUE(loaded.done()) << loaded.message;
  return workspace;
}

app::InversionRequest Band(double minHz, double maxHz, int iterations) {
  app::InversionRequest request;
  request.settings.MinFrequency = minHz;
  request.settings.MaxFrequency = maxHz;
  request.settings.IterationCount = iterations;
  return request;  // "Vp/Vs Qp/Qs constraint" ticked, "K degree" free
}

bool Finite(const inversion::amodel& model) {
  for (const auto& column : model.values)
    for (double v : column)
      if (!std::isfinite(v)) return false;
  return true;
}

// Vs below Vp in every layer, Qs not above Qp above the half-space.
std::string Unphysical(const inversion::amodel& model) {
  const auto layers = app::UnphysicalLayers(model);
  std::string text;
  for (const std::string& layer : layers) text += layer + "; ";
  return text;
}

}  // namespace

// Over 0.2-20 Hz the steps of the first iterations overflowed the forward model, and the
// run reported "Floating point overflow" as its result. Now every step that would raise
// the misfit or leave it not finite is shortened, and a run that cannot go on ends with
// its best model and says why.
TEST(InversionOnARealCurve, DampedLeastSquaresEndsWithItsBestModelNeverAnOverflow) {
  app::Workspace workspace = Stn11();
  app::InversionRun run(workspace, Band(0.2, 20.0, 20));
  Recording progress;
  const app::Outcome outcome = run.Run(progress);
  ASSERT_TRUE(outcome.done()) << outcome.message;
  EXPECT_EQ(outcome.message.find("overflow"), std::string::npos) << outcome.message;
  const inversion::InversionEnd end = run.result().end;
  ASSERT_TRUE(end == inversion::InversionEnd::Completed || end == inversion::InversionEnd::Halted);
  if (end == inversion::InversionEnd::Halted) {
    EXPECT_NE(outcome.message.find("the best model so far is kept"), std::string::npos) << outcome.message;
  }
  EXPECT_TRUE(Finite(run.state().model));
  ASSERT_TRUE(run.misfit() && run.startMisfit());
  EXPECT_TRUE(std::isfinite(*run.misfit()));
  EXPECT_LT(*run.misfit(), *run.startMisfit());
  // The misfit never rises from one iteration to the next.
  double previous = *run.startMisfit();
  for (const auto& snapshot : progress.shown) {
    const double misfit = *run.misfitOf(snapshot.theoreticalCurve);
    EXPECT_LE(misfit, previous);
    previous = misfit;
  }
  for (const auto& point : run.result().theoreticalCurve) EXPECT_TRUE(std::isfinite(point.im));
}

// Over 0.5-10 Hz the damped least squares ended with Vs above Vp in six layers and Qs
// above Qp; the global search with a half-space of Vp = Vs. With the constraint ticked
// no returned or shown model of either does so, whatever the seed.
TEST(InversionOnARealCurve, TheConstraintHoldsInEveryLayerAndEveryShownModel) {
  const app::Workspace workspace = Stn11();
  {
    SCOPED_TRACE("damped least squares");
    app::InversionRun run(workspace, Band(0.5, 10.0, 20));
    Recording progress;
    ASSERT_TRUE(run.Run(progress).done());
    EXPECT_EQ(Unphysical(run.state().model), "");
    for (const auto& snapshot : progress.shown) EXPECT_EQ(Unphysical(snapshot.state.model), "");
    // The ratio ranges too: 1 < Vp/Vs <= 5 and 1 <= Qp/Qs <= 5.
    const auto& v = run.state().model.values;
    for (int layer = 0; layer < run.state().model.layerCount(); ++layer) {
      EXPECT_LE(v[Vp][layer], 5.0 * v[Vs][layer] * (1.0 + 1e-12)) << layer;
      if (layer + 1 < run.state().model.layerCount()) {
        EXPECT_LE(v[Qp][layer], 5.0 * v[Qs][layer] * (1.0 + 1e-12)) << layer;
      }
    }
  }
  // Seeds 1 to 5 with the default free values; seed 1 with Vp and Qp free over a
  // fixed Vs and Qs (a Vp drawn in [Vp/2, 2 Vp] went below its Vs there).
  for (const bool partnersFixed : {false, true}) {
    app::Workspace start = workspace;
    if (partnersFixed)
      for (int p : {Vs, Qs}) start.model.invertFlags[p].assign(start.model.invertFlags[p].size(), false);
    for (std::uint64_t seed = 1; seed <= (partnersFixed ? 1u : 5u); ++seed) {
      SCOPED_TRACE(std::string("global search, seed ") + std::to_string(seed) + (partnersFixed ? ", Vs fixed" : ""));
      app::InversionRequest request = Band(0.5, 10.0, 1);
      request.settings.GlobalSearch = true;
      request.seed = seed;
      app::InversionRun run(start, request);
      Recording progress;
      ASSERT_TRUE(run.Run(progress).done());
      EXPECT_EQ(Unphysical(run.state().model), "");
      for (const auto& snapshot : progress.shown) EXPECT_EQ(Unphysical(snapshot.state.model), "");
      ASSERT_TRUE(run.ensemble().has_value());
      inversion::amodel drawn = run.state().model;
      for (const auto& accepted : run.ensemble()->models) {
        drawn.values = accepted.values;
        EXPECT_EQ(Unphysical(drawn), "");
      }
    }
  }
}

// A start model without physical material is refused with the constraint ticked, and
// taken as it is without it.
TEST(InversionOnARealCurve, AnUnphysicalStartIsRefusedUnderTheConstraint) {
  app::Workspace workspace = Stn11();
  workspace.model.values[Vs][3] = workspace.model.values[Vp][3];
  for (bool global : {false, true}) {
    app::InversionRequest request = Band(0.5, 10.0, 2);
    request.settings.GlobalSearch = global;
    request.seed = 1;
    app::InversionRun run(workspace, request);
    Recording progress;
    const app::Outcome outcome = run.Run(progress);
    EXPECT_TRUE(outcome.failed());
    EXPECT_NE(outcome.message.find("no physical material in layer 4: Vs 0.67 >= Vp 0.67"), std::string::npos) << outcome.message;
    EXPECT_EQ(run.state().model, workspace.model);
    EXPECT_TRUE(progress.shown.empty());
  }
}
