// The modes against the independent tables of ../shared/data/surfacewaves, the
// closed forms of simple media, and a brute-force count of the roots where modes
// are easily skipped or swapped.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

#include "surfacewaves/modes.h"
#include "surfacewaves/referencemodels.h"
#include "surfacewaves/secularfunction.h"

namespace corvath::surfacewaves {
namespace {

using testing::ReadReferenceModel;
using testing::ReadReferenceModes;

const Mode* ModeOf(const FrequencyModes& at, const std::string& wave, int mode) {
  const auto& list = wave == "rayleigh" ? at.rayleigh : at.love;
  return mode < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(mode)] : nullptr;
}

// The tables' group velocities are central differences of the phase velocity over
// ±2.5 % of the frequency (the reference program's default step): they are checked
// against our phase velocities differenced the same way, and our group velocity
// (implicit differentiation) against a fine difference of our own phase velocities.
TEST(SurfaceWaveModes, MatchTheReferenceTables) {
  constexpr double kTableStep = 0.025;
  constexpr double kFineStep = 1e-4;
  for (const char* name : {"two_layer", "gradient_five", "velocity_inversion"}) {
    SCOPED_TRACE(name);
    const LayeredMedium medium = ReadReferenceModel(name);
    const auto rows = ReadReferenceModes(name);
    std::vector<double> frequencies;
    for (const auto& row : rows)
      if (frequencies.empty() || row.frequencyHz > frequencies.back()) frequencies.push_back(row.frequencyHz);
    ASSERT_EQ(frequencies.size(), 100u);
    auto scaled = [&](double factor) {
      std::vector<double> f(frequencies);
      for (double& x : f) x *= factor;
      return FindModes(medium, f, {5, 5, 2});
    };
    const auto modes = scaled(1.0);
    const auto tableUp = scaled(1.0 + kTableStep), tableDown = scaled(1.0 - kTableStep);
    const auto fineUp = scaled(1.0 + kFineStep), fineDown = scaled(1.0 - kFineStep);
    std::map<double, std::size_t> index;
    for (std::size_t i = 0; i < frequencies.size(); ++i) index[frequencies[i]] = i;
    auto difference = [&](const std::vector<FrequencyModes>& up, const std::vector<FrequencyModes>& down, double step,
                          std::size_t i, const std::string& wave, int mode) {
      const Mode* a = ModeOf(up[i], wave, mode);
      const Mode* b = ModeOf(down[i], wave, mode);
      if (!a || !b) return std::nan("");
      const double w1 = (1.0 + step), w2 = (1.0 - step);
      return (w1 - w2) / (w1 / a->phaseVelocityMPerS - w2 / b->phaseVelocityMPerS);
    };
    double worstPhase = 0.0, worstGroup = 0.0, worstOwnGroup = 0.0, worstEllipticity = 0.0;
    for (const auto& row : rows) {
      const std::size_t i = index.at(row.frequencyHz);
      const Mode* mode = ModeOf(modes[i], row.wave, row.mode);
      ASSERT_NE(mode, nullptr) << row.wave << " mode " << row.mode << " at " << row.frequencyHz << " Hz";
      const std::string where = row.wave + " mode " + std::to_string(row.mode) + " at " + std::to_string(row.frequencyHz);
      const double phase = std::abs(mode->phaseVelocityMPerS / row.phase - 1.0);
      EXPECT_LT(phase, 1e-5) << where;
      worstPhase = std::max(worstPhase, phase);
      const double tableGroup = difference(tableUp, tableDown, kTableStep, i, row.wave, row.mode);
      if (std::isfinite(tableGroup)) {
        const double group = std::abs(tableGroup / row.group - 1.0);
        EXPECT_LT(group, 1e-3) << where;
        worstGroup = std::max(worstGroup, group);
      }
      const double fineGroup = difference(fineUp, fineDown, kFineStep, i, row.wave, row.mode);
      if (std::isfinite(fineGroup)) {
        const double group = std::abs(mode->groupVelocityMPerS / fineGroup - 1.0);
        EXPECT_LT(group, 1e-3) << where;
        worstOwnGroup = std::max(worstOwnGroup, group);
      }
      EXPECT_EQ(mode->ellipticity.has_value(), row.wave == "rayleigh" && row.mode == 0) << where;
      // Away from the singular points, where the table's own value is least sure.
      if (mode->ellipticity && std::abs(row.ellipticity) < 20.0 && std::abs(row.ellipticity) > 0.05) {
        const double e = std::abs(*mode->ellipticity / row.ellipticity - 1.0);
        EXPECT_LT(e, 1e-3) << where;
        worstEllipticity = std::max(worstEllipticity, e);
      }
    }
    std::printf("%s: worst relative error: phase %.2e, group (table's difference) %.2e, group (fine) %.2e, "
                "ellipticity %.2e\n",
                name, worstPhase, worstGroup, worstOwnGroup, worstEllipticity);
  }
}

TEST(SurfaceWaveModes, HalfSpaceRayleighVelocityAndEllipticity) {
  // Poisson's ratio 0.25: c = β √(2 − 2/√3) = 0.9194 β; and a second ratio.
  for (double vpOverVs : {std::sqrt(3.0), 2.5}) {
    const LayeredMedium medium{{0.0, 1000.0 * vpOverVs, 1000.0, 2000.0}};
    const auto modes = FindModes(medium, std::vector<double>{0.5, 7.0}, {3, 3, 1});
    for (const auto& at : modes) {
      ASSERT_EQ(at.rayleigh.size(), 1u);
      EXPECT_TRUE(at.love.empty());
      const double c = at.rayleigh[0].phaseVelocityMPerS;
      const double a = std::sqrt(1.0 - std::pow(c / medium[0].vpMPerS, 2));
      const double b = std::sqrt(1.0 - std::pow(c / 1000.0, 2));
      // Rayleigh's equation (2 − c²/β²)² = 4 να νβ, and H/V = (1 + νβ² − 2 να νβ) / (να (1 − νβ²)).
      EXPECT_NEAR(std::pow(2.0 - c * c / 1e6, 2), 4.0 * a * b, 1e-9);
      EXPECT_NEAR(at.rayleigh[0].groupVelocityMPerS / c, 1.0, 1e-6);
      EXPECT_NEAR(*at.rayleigh[0].ellipticity, (1.0 + b * b - 2.0 * a * b) / (a * (1.0 - b * b)), 1e-7);
      if (vpOverVs == std::sqrt(3.0)) {
        EXPECT_NEAR(c / 1000.0, std::sqrt(2.0 - 2.0 / std::sqrt(3.0)), 1e-9);
        EXPECT_NEAR(*at.rayleigh[0].ellipticity, 0.6812, 1e-4);
      }
    }
  }
}

TEST(SurfaceWaveModes, LoveModesOfOneLayerSolveTheClosedForm) {
  const LayeredMedium medium{{20.0, 800.0, 200.0, 1800.0}, {0.0, 1500.0, 600.0, 2100.0}};
  const double mu1 = 1800.0 * 200.0 * 200.0, mu2 = 2100.0 * 600.0 * 600.0;
  for (double f : {1.0, 4.0, 23.0, 60.0}) {
    const double omega = 2.0 * std::numbers::pi * f;
    const auto modes = FindModes(medium, std::vector<double>{f}, {0, 40, 1});
    // tan(ωh √(1/β1² − 1/c²)) = μ2 √(1/c² ... ): one mode per π of the layer's phase at c = β2.
    const double phaseAtCutoff = omega * 20.0 * std::sqrt(1.0 / (200.0 * 200.0) - 1.0 / (600.0 * 600.0));
    EXPECT_EQ(static_cast<int>(modes[0].love.size()), static_cast<int>(phaseAtCutoff / std::numbers::pi) + 1) << f;
    for (const Mode& mode : modes[0].love) {
      const double c = mode.phaseVelocityMPerS;
      const double s1 = std::sqrt(1.0 / (200.0 * 200.0) - 1.0 / (c * c));
      const double s2 = std::sqrt(1.0 / (c * c) - 1.0 / (600.0 * 600.0));
      const double phase = omega * 20.0 * s1;
      EXPECT_NEAR(mu1 * s1 * std::sin(phase) - mu2 * s2 * std::cos(phase), 0.0, 1e-7 * (mu1 * s1 + mu2 * s2)) << f;
    }
  }
}

// Every sign change of the secular function on a grid of 20000 phase velocities is one
// mode, in the same order, at media where modes crowd: a soft thin top layer, a
// low-velocity layer at depth, a strong contrast, and a close approach of the first
// two Rayleigh modes.
TEST(SurfaceWaveModes, NoModeIsSkippedOrSwapped) {
  const std::vector<std::pair<const char*, LayeredMedium>> media{
      {"soft thin top", {{1.5, 300.0, 80.0, 1600.0}, {30.0, 1200.0, 450.0, 1900.0}, {0.0, 3000.0, 1400.0, 2300.0}}},
      {"low-velocity layer", {{6.0, 900.0, 400.0, 1950.0}, {10.0, 500.0, 180.0, 1750.0}, {20.0, 1200.0, 550.0, 2000.0},
                              {0.0, 2600.0, 1300.0, 2350.0}}},
      {"strong contrast", {{30.0, 1500.0, 150.0, 1800.0}, {0.0, 4000.0, 2000.0, 2400.0}}},
      // Rayleigh modes 0 and 1 within 25 m/s of each other at 5.967 Hz, closer than a scan step.
      {"close approach", {{9.28, 510.0, 232.0, 1800.0}, {25.5, 1133.0, 459.0, 1950.0}, {0.0, 2704.0, 1260.0, 2300.0}}},
  };
  for (const auto& [name, medium] : media) {
    for (double f : {2.0, 5.96729, 7.3, 19.0}) {
      const auto modes = FindModes(medium, std::vector<double>{f}, {20, 20, 1});
      const double omega = 2.0 * std::numbers::pi * f;
      for (Wave wave : {Wave::Rayleigh, Wave::Love}) {
        const auto& found = wave == Wave::Rayleigh ? modes[0].rayleigh : modes[0].love;
        double slowest = 1e9;
        for (const Layer& layer : medium) slowest = std::min(slowest, layer.vsMPerS);
        const double low = wave == Wave::Rayleigh ? 0.85 * slowest : slowest;
        const double high = medium.back().vsMPerS * (1.0 - 1e-10);
        auto secular = [&](double c) {
          return wave == Wave::Rayleigh ? RayleighSurfaceMinors(medium, omega / c, omega).m34
                                        : LoveSurfaceVector(medium, omega / c, omega).traction;
        };
        std::vector<double> roots;
        constexpr int kPoints = 20000;
        double previous = secular(low);
        for (int i = 1; i <= kPoints && roots.size() < 20; ++i) {
          const double c0 = low + (high - low) * (i - 1) / kPoints, c1 = low + (high - low) * i / kPoints;
          const double value = secular(c1);
          if ((value < 0.0) != (previous < 0.0)) roots.push_back(0.5 * (c0 + c1));
          previous = value;
        }
        SCOPED_TRACE(std::string(name) + " " + WaveName(wave) + " at " + std::to_string(f) + " Hz");
        ASSERT_EQ(found.size(), roots.size());
        for (std::size_t m = 0; m < roots.size(); ++m)
          EXPECT_NEAR(found[m].phaseVelocityMPerS, roots[m], (high - low) / kPoints) << "mode " << m;
      }
    }
  }
}

// Near f0 the fundamental mode's vertical motion vanishes and its ellipticity passes
// through a pole (and the horizontal motion through zero above it): the mode followed
// there stays the fundamental one, and the ellipticity changes sign across the pole.
TEST(SurfaceWaveModes, FundamentalModeThroughTheEllipticitySingularities) {
  const LayeredMedium medium = ReadReferenceModel("two_layer");
  std::vector<double> frequencies;
  for (int i = 0; i <= 400; ++i) frequencies.push_back(2.0 + 4.0 * i / 400.0);
  const auto modes = FindModes(medium, frequencies, {2, 0, 2});
  int signChanges = 0;
  double largest = 0.0;
  for (std::size_t i = 1; i < modes.size(); ++i) {
    const Mode& a = modes[i - 1].rayleigh.at(0);
    const Mode& b = modes[i].rayleigh.at(0);
    EXPECT_LT(b.phaseVelocityMPerS, a.phaseVelocityMPerS) << frequencies[i];  // normal dispersion, no jump
    if (modes[i].rayleigh.size() > 1) {
      EXPECT_GT(modes[i].rayleigh[1].phaseVelocityMPerS, b.phaseVelocityMPerS);
    }
    ASSERT_TRUE(std::isfinite(*b.ellipticity));
    if ((*a.ellipticity < 0.0) != (*b.ellipticity < 0.0)) ++signChanges;
    largest = std::max(largest, std::abs(*b.ellipticity));
  }
  EXPECT_EQ(signChanges, 2);  // the pole near 2.8 Hz, the zero above it
  EXPECT_GT(largest, 100.0);
}

TEST(SurfaceWaveModes, RefusesUnphysicalMedia) {
  const std::vector<std::pair<LayeredMedium, std::string>> cases{
      {{{10.0, 500.0, 500.0, 1800.0}, {0.0, 2000.0, 900.0, 2000.0}}, "Layer 1: Vs 500 m/s is not below Vp 500 m/s"},
      {{{10.0, 500.0, 200.0, 1800.0}, {0.0, 2000.0, 900.0, 0.0}}, "Layer 2 (the half-space): density 0"},
      {{{0.0, 500.0, 200.0, 1800.0}, {0.0, 2000.0, 900.0, 2000.0}}, "Layer 1: thickness 0 m is not positive"},
      {{}, "The model has no layer"},
  };
  for (const auto& [medium, message] : cases) {
    try {
      FindModes(medium, std::vector<double>{1.0}, {});
      ADD_FAILURE() << message;
    } catch (const SurfaceWaveError& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
  const LayeredMedium medium{{10.0, 500.0, 200.0, 1800.0}, {0.0, 2000.0, 900.0, 2000.0}};
  EXPECT_THROW(FindModes(medium, std::vector<double>{0.0}, {}), SurfaceWaveError);
}

}  // namespace
}  // namespace corvath::surfacewaves
