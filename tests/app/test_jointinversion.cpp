// A joint inversion of an H/V curve and a dispersion curve through the run command, with a
// stand-in for the modal engine: the sampled band holds the truth with and without the
// dispersion curve and is narrower with it, and the misfit's parts are reported.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "app/inversionrun.h"
#include "app/inversionsettingsfile.h"
#include "inversion/theoreticalcurve.h"
#include "inversion/vs30.h"

namespace corvath::app {
namespace {

constexpr int kVs = static_cast<int>(inversion::ModelParameter::Vs);

struct Quiet : inversion::InversionProgress {
  void Report(int) override {}
  void ShowState(const inversion::InversionSnapshot&) override {}
};

// The fundamental mode's phase velocity by the half-wavelength rule: 0.92 times the
// time-averaged Vs down to half a wavelength (a fixed point of c = 0.92 Vs(c / 2f)).
// Love waves and higher modes have none, so that they count as misses.
std::vector<std::optional<double>> HalfWavelengthRule(const inversion::amodel& m,
                                                      const std::vector<inversion::DispersionPoint>& at) {
  std::vector<std::optional<double>> c;
  for (const inversion::DispersionPoint& p : at) {
    if (p.wave != inversion::SurfaceWave::Rayleigh || p.mode != 0) {
      c.push_back(std::nullopt);
      continue;
    }
    double v = 1000.0 * m.values[kVs][0];
    for (int k = 0; k < 40; ++k) v = 0.92 * inversion::TimeAveragedVs(m.values, v / (2.0 * p.frequencyHz));
    c.push_back(v);
  }
  return c;
}

constexpr const char* kSettings = R"({"corvath_inversion_settings": 1, "layers": [
    {"thickness_m": [5, 30], "vs_m_s": [100, 420], "vp_m_s": 600, "density_kg_m3": 1800},
    {"thickness_m": [20, 80], "vs_m_s": [250, 840], "vp_m_s": 1200, "density_kg_m3": 1900},
    {"vs_m_s": [800, 1700], "vp_m_s": 2500, "density_kg_m3": 2200}], "fit_band_hz": [0.5, 20]})";

// The band's mean width over the layers above the true half-space (relative to the true Vs)
// and the number of depths away from the interfaces where it misses the truth.
std::pair<double, int> BandWidthAndMisses(const inversion::ProfileBand& band) {
  double width = 0.0;
  int depths = 0, misses = 0;
  for (std::size_t k = 0; k < band.depth.size(); ++k) {
    const double z = band.depth[k];
    if (z > 55.0 - 6.0 || std::fabs(z - 15.0) < 3.0) continue;
    const double vs = z < 15.0 ? 0.25 : 0.5;
    ++depths;
    width += (band.p95[k] - band.p05[k]) / vs;
    misses += !(band.p05[k] <= vs && vs <= band.p95[k]);
  }
  return {width / depths, misses};
}

TEST(JointInversion, TheDispersionCurveNarrowsTheBandThatHoldsTheTruth) {
  const Result<InversionSettingsFile> settings = ParseInversionSettingsText(kSettings, "site.json");
  ASSERT_TRUE(settings.done()) << settings.message();
  Workspace workspace;
  workspace.model = StartModelOfLayers(settings->layers, workspace.modelTables);
  inversion::amodel truth = workspace.model;
  truth.values[0] = {15.0, 40.0, truth.values[0][2]};
  truth.values[kVs] = {0.25, 0.5, 1.2};

  // H/V of the truth with +-10 % bounds, the dispersion curve at 3 to 25 Hz with a 3 % sigma.
  std::vector<double> f;
  for (double x = 0.5; x <= 20.0; x *= 1.05) f.push_back(x);
  numerics::arofcomplexM curve;
  inversion::ComputeTheoreticalCurve(truth, 0.0, 0.1, f, curve);
  spectra::SpectraResult result;
  result.ratio.hasBounds = true;
  for (const auto& p : curve) result.ratio.points.push_back({p.re, p.im, p.im / 1.1, p.im * 1.1});
  workspace.spectraResult = result;
  inversion::DispersionCurve dispersion;
  for (double x = 3.0; x <= 25.0; x *= 1.15) dispersion.points.push_back({inversion::SurfaceWave::Rayleigh, 0, x, 0, 0});
  const auto c = HalfWavelengthRule(truth, dispersion.points);
  for (std::size_t k = 0; k < c.size(); ++k) {
    dispersion.points[k].phaseMS = *c[k];
    dispersion.points[k].sigmaMS = 0.03 * *c[k];
  }

  InversionRequest request;
  request.settings.GlobalSearch = true;
  request.settings.MinFrequency = 0.5;
  request.settings.OptimizeDispersionExponent = false;
  request.chains = 2;
  request.seed = 5;
  request.posterior = PosteriorRequest{};
  request.posterior->sampler.burnIn = 400;  // short chains keep the test quick
  request.posterior->sampler.steps = 1500;
  InversionRun alone(workspace, request);
  Quiet quiet;
  ASSERT_TRUE(alone.Run(quiet).done());
  request.posterior->dispersion = dispersion;
  request.posterior->phaseVelocities = HalfWavelengthRule;
  InversionRun joint(workspace, request);
  ASSERT_TRUE(joint.Run(quiet).done());

  ASSERT_TRUE(alone.ensemble() && joint.ensemble());
  const auto [aloneWidth, aloneMisses] = BandWidthAndMisses(alone.ensemble()->profile);
  const auto [jointWidth, jointMisses] = BandWidthAndMisses(joint.ensemble()->profile);
  std::printf("5-95 %% Vs band width / true Vs above the half-space: H/V alone %.3f, with the dispersion curve %.3f\n",
              aloneWidth, jointWidth);
  EXPECT_EQ(aloneMisses, 0);
  EXPECT_EQ(jointMisses, 0);
  EXPECT_LT(jointWidth, aloneWidth);

  // The best model's misfit and its parts, reported beside one another.
  const EnsembleSummary& summary = *joint.ensemble();
  EXPECT_TRUE(summary.joint);
  const double w = inversion::BalancedDispersionWeight(f.size(), dispersion.points.size());
  EXPECT_DOUBLE_EQ(summary.bestParts.total, (1.0 - w) * summary.bestParts.hv + w * summary.bestParts.dispersion);
  EXPECT_LT(summary.bestParts.dispersion, 1.0);  // within a sigma on the whole
  const std::vector<std::string> lines = EnsembleReportLines(summary);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2].rfind("misfit dispersion: ", 0), 0u);
  EXPECT_EQ(lines.back().rfind("misfit total: ", 0), 0u);
  const inversion::Spread vs30 = summary.vs30;
  EXPECT_LE(vs30.p05, 333.34);
  EXPECT_GE(vs30.p95, 333.33);
}

}  // namespace
}  // namespace corvath::app
