// The diffuse-field H/V against the reference tables of ../shared/data/surfacewaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "surfacewaves/diffusefield.h"
#include "surfacewaves/referencemodels.h"

namespace corvath::surfacewaves {
namespace {

// With and without the body waves: median relative error below 1e-3, none above 1e-2,
// and the peak on the table's grid frequency.
TEST(DiffuseField, MatchesTheReferenceTables) {
  for (const char* name : {"two_layer", "gradient_five", "velocity_inversion"})
   for (bool bodyWaves : {false, true}) {
    SCOPED_TRACE(std::string(name) + (bodyWaves ? " with body waves" : " surface waves"));
    const LayeredMedium medium = testing::ReadReferenceModel(name);
    const auto reference =
        testing::ReadReferenceRatio(std::string(name) + (bodyWaves ? ".dfa.csv" : ".dfa-surface.csv"));
    DiffuseFieldSettings settings;
    settings.bodyWaves = bodyWaves;
    settings.workers = 2;
    const auto points = DiffuseFieldRatio(medium, reference.frequencyHz, settings);
    ASSERT_EQ(points.size(), reference.hv.size());
    std::vector<double> errors;
    for (std::size_t i = 0; i < points.size(); ++i) {
      errors.push_back(std::abs(points[i].hv / reference.hv[i] - 1.0));
      EXPECT_GT(points[i].imG11, 0.0);
      EXPECT_GT(points[i].imG33, 0.0);
    }
    const double worst = *std::max_element(errors.begin(), errors.end());
    std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
    const double median = errors[errors.size() / 2];
    EXPECT_LT(median, 1e-3);
    EXPECT_LT(worst, 1e-2);
    auto peak = [](auto begin, auto end) { return std::distance(begin, std::max_element(begin, end)); };
    std::vector<double> hv;
    for (const auto& p : points) hv.push_back(p.hv);
    EXPECT_EQ(peak(hv.begin(), hv.end()), peak(reference.hv.begin(), reference.hv.end()));
    std::printf("%s (%s): median relative error %.2e, max %.2e\n", name, bodyWaves ? "with body waves" : "surface waves",
                median, worst);
  }
}

}  // namespace
}  // namespace corvath::surfacewaves
