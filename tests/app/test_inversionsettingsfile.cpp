// Inversion settings files: a file reads back to itself, its layers become the start model
// with free values in their ranges, and every refusal names the key, the layer and the file.
#include "app/inversionsettingsfile.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "import/fixtures.h"

namespace corvath::app {
namespace {

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3;

// Three layers: searched thickness and Vs, one layer with Poisson's ratio, the half-space.
const char* kSite = R"({"corvath_inversion_settings": 1, "forward": "transfer-function",
  "layers": [
    {"thickness_m": [5, 25], "vs_m_s": [150, 350], "vp_m_s": [500, 700], "density_kg_m3": 1800},
    {"thickness_m": [20, 60.5], "vs_m_s": [300, 700], "poisson": [0.25, 0.45], "density_kg_m3": [1800, 2000]},
    {"vs_m_s": [800, 1600], "vp_m_s": 2500, "density_kg_m3": 2200}],
  "fit_band_hz": [0.5, 15], "dispersion": "site-dc.txt", "dispersion_weight": 0.3, "chains": 6, "seed": 42,
  "ensemble_tolerance": 0.1})";

TEST(InversionSettingsFile, ReadsBackToItselfAndGivesTheStartModel) {
  const Result<InversionSettingsFile> read = ParseInversionSettingsText(kSite, "site.json");
  ASSERT_TRUE(read.done()) << read.message();
  const InversionSettingsFile& s = *read;
  ASSERT_EQ(s.layers.size(), 3u);
  EXPECT_EQ(s.layers[1].poisson, (SearchValue{0.25, 0.45, true}));
  EXPECT_FALSE(s.layers[2].thicknessM);
  EXPECT_EQ(s.layers[2].vpMS, (SearchValue{2500, 2500, false}));
  EXPECT_EQ(s.dispersionWeight, 0.3);
  EXPECT_EQ(s.seed, 42u);

  corvath::testing::ScratchDir dir;
  const std::string path = dir.path("again.json");
  ASSERT_TRUE(SaveInversionSettingsFile(path, s).done());
  const Result<InversionSettingsFile> again = ReadInversionSettingsFile(path);
  ASSERT_TRUE(again.done()) << again.message();
  EXPECT_EQ(*again, s);
  EXPECT_EQ(InversionSettingsText(*again), InversionSettingsText(s));
  EXPECT_EQ(DispersionPathOf(s, "/data/site/site.json"), "/data/site/site-dc.txt");

  // Missing keys keep their defaults; absent optional values are written as null and read back.
  const Result<InversionSettingsFile> bare = ParseInversionSettingsText(R"({"corvath_inversion_settings": 1})", "b");
  ASSERT_TRUE(bare.done()) << bare.message();
  EXPECT_EQ(*bare, InversionSettingsFile{});
  const std::string text = InversionSettingsText(*bare);
  EXPECT_NE(text.find("\"layers\": null"), std::string::npos) << text;
  EXPECT_EQ(*ParseInversionSettingsText(text, "b"), InversionSettingsFile{});

  // The start: the middle of every range in model units; searched values free within their range.
  const inversion::amodel m = StartModelOfLayers(s.layers, inversion::ModelTables{});
  ASSERT_EQ(m.layerCount(), 3);
  EXPECT_DOUBLE_EQ(m.values[H][0], 15.0);
  EXPECT_DOUBLE_EQ(m.values[Vs][0], 0.25);
  EXPECT_DOUBLE_EQ(m.values[Vp][0], 0.6);
  EXPECT_DOUBLE_EQ(m.values[Rho][1], 1.9);
  EXPECT_TRUE(m.invertFlags[H][0] && m.invertFlags[Vs][2] && m.invertFlags[Vp][1]);
  EXPECT_FALSE(m.invertFlags[Rho][0] || m.invertFlags[Vp][2] || m.invertFlags[H][2]);
  EXPECT_DOUBLE_EQ(m.layerLimits[H][1].im, 60.5);
  EXPECT_DOUBLE_EQ(m.layerLimits[Vs][2].re, 0.8);
  // Layer 2's Vp follows Vs 500 m/s and Poisson's ratio 0.35, and stays within what the ranges allow.
  EXPECT_NEAR(m.values[Vp][1], 0.5 * std::sqrt(1.3 / 0.3), 1e-12);
  EXPECT_NEAR(m.layerLimits[Vp][1].re, VpOfPoisson(300, 0.25) / 1000.0, 1e-12);
  EXPECT_NEAR(m.layerLimits[Vp][1].im, VpOfPoisson(700, 0.45) / 1000.0, 1e-12);
  for (int l = 0; l < 3; ++l) EXPECT_GE(m.values[Vp][l], std::sqrt(2.0) * m.values[Vs][l]) << l;
  const auto poisson = PoissonRanges(s.layers);
  ASSERT_EQ(poisson.size(), 3u);
  EXPECT_FALSE(poisson[0] || poisson[2]);
  EXPECT_EQ(poisson[1]->re, 0.25);

  // A model's layers in file units: free values searched, the rest fixed, no half-space thickness.
  const std::vector<LayerSearch> layers = LayersOfModel(m, inversion::ModelTables{});
  EXPECT_EQ(layers[0].thicknessM, (SearchValue{5, 25, true}));
  EXPECT_EQ(layers[0].densityKgM3, (SearchValue{1800, 1800, false}));
  EXPECT_FALSE(layers[2].thicknessM);
}

TEST(InversionSettingsFile, RefusalsNameTheKeyTheLayerAndTheFile) {
  // The first layer of kSite replaced, or a key outside the layers changed.
  const std::string before = R"({"corvath_inversion_settings": 1, "layers": [)";
  const std::string after = R"(, {"vs_m_s": 900, "vp_m_s": 2000, "density_kg_m3": 2100}]})";
  const auto layer = [&](const std::string& first) { return before + first + after; };
  const struct {
    std::string text, message;
  } cases[] = {
      {R"({"corvath_inversion_settings": 1, "chain": 4})", "f.json: 'chain' is not an inversion setting"},
      {R"({"corvath_inversion_settings": 2})", "f.json: 'corvath_inversion_settings' must be 1"},
      {R"({"forward": "transfer-function"})", "f.json: not an inversion settings file (no 'corvath_inversion_settings' key)"},
      {R"({"corvath_inversion_settings": 1, "forward": "rays"})",
       "f.json: 'forward' must be \"transfer-function\" or \"diffuse-field\""},
      {R"({"corvath_inversion_settings": 1, "dispersion_weight": 1.5})",
       "f.json: 'dispersion_weight' must be from 0 to 1 (or null: balanced)"},
      {R"({"corvath_inversion_settings": 1, "fit_band_hz": [10, 2]})", "f.json: 'fit_band_hz' needs 0 < min < max"},
      {R"({"corvath_inversion_settings": 1, "layers": [{"vs_m_s": 900, "vp_m_s": 2000, "density_kg_m3": 2100}]})",
       "f.json: 'layers' must be a list of 2 to 10 layers, the last the half-space"},
      {layer(R"({"thickness_m": 10, "vs_m_s": [300, 200], "vp_m_s": 600, "density_kg_m3": 1800})"),
       "f.json: layer 1: 'vs_m_s' has min 300 above max 200"},
      {layer(R"({"thickness_m": [0.01, 10], "vs_m_s": 200, "vp_m_s": 600, "density_kg_m3": 1800})"),
       "f.json: layer 1: 'thickness_m' [0.01, 10] is not within the limits 0.1 to 1000"},
      {layer(R"({"thickness_m": 10, "vs_m_s": 200, "vp_m_s": [100, 9000], "density_kg_m3": 1800})"),
       "f.json: layer 1: 'vp_m_s' [100, 9000] is not within the limits 100 to 8000"},
      {layer(R"({"thickness_m": 10, "vs_m_s": [400, 500], "vp_m_s": [300, 400], "density_kg_m3": 1800})"),
       "f.json: layer 1: 'vp_m_s' up to 400 cannot hold Vp > Vs (Vs from 400)"},
      {layer(R"({"thickness_m": 10, "vs_m_s": [400, 500], "vp_m_s": [300, 500], "density_kg_m3": 1800})"),
       "f.json: layer 1: 'vp_m_s' up to 500 cannot hold Poisson's ratio >= 0"},
      {layer(R"({"thickness_m": 10, "vs_m_s": 200, "poisson": [0.2, 0.5], "density_kg_m3": 1800})"),
       "f.json: layer 1: 'poisson' [0.2, 0.5] is not within the limits 0 to 0.49"},
      {layer(R"({"thickness_m": 10, "vs_m_s": 200, "poisson": [0.2, 0.3], "vp_m_s": 600, "density_kg_m3": 1800})"),
       "f.json: layer 1: 'poisson' is given with 'vp_m_s': give one of them"},
      {layer(R"({"thickness_m": 10, "vs_m_s": 200, "vp_m_s": 600, "density_kg_m3": 1800, "qs": 10})"),
       "f.json: layer 1: 'qs' is not a layer setting"},
      {layer(R"({"vs_m_s": 200, "vp_m_s": 600, "density_kg_m3": 1800})"), "f.json: layer 1: 'thickness_m' is missing"},
      {before + R"({"thickness_m": 10, "vs_m_s": 200, "vp_m_s": 600, "density_kg_m3": 1800}, {"thickness_m": 5, "vs_m_s": 900, "vp_m_s": 2000, "density_kg_m3": 2100}]})",
       "f.json: layer 2: 'thickness_m' is not given for the half-space"},
      {layer(R"({"thickness_m": "ten", "vs_m_s": 200, "vp_m_s": 600, "density_kg_m3": 1800})"),
       "f.json: layer 1: 'thickness_m' must be a number or [min, max]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Result<InversionSettingsFile> read = ParseInversionSettingsText(c.text, "f.json");
    ASSERT_FALSE(read.done());
    EXPECT_EQ(read.message().rfind(c.message, 0), 0u) << read.message();
  }
}

}  // namespace
}  // namespace corvath::app
