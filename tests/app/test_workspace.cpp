#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/workspace.h"
#include "inversion/model.h"

namespace {

using corvath::app::LoadRecord;
using corvath::app::ResetWorkspace;
using corvath::app::Workspace;
using corvath::import::Component;
using corvath::import::ThreeComponentRecord;
using corvath::inversion::amodel;
using corvath::inversion::ModelCellText;
using corvath::inversion::ModelParameter;
using corvath::inversion::ModelTables;
using corvath::inversion::ResetModel;

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5;

std::vector<std::string> Column(const amodel& model, int p) {
  std::vector<std::string> cells;
  for (int i = 0; i < model.layerCount(); ++i) cells.push_back(ModelCellText(model, p, i));
  return cells;
}

TEST(ResetModel, DefaultTenLayerModelAsShownInTheTable) {
  amodel model;
  ResetModel(model, ModelTables{}, 10);
  ASSERT_EQ(model.layerCount(), 10);
  EXPECT_EQ(Column(model, H), (std::vector<std::string>{"1", "1.30", "1.69", "2.20", "2.86", "3.71", "4.83",
                                                         "6.27", "8.16", "*"}));
  EXPECT_NEAR(model.values[H][9], 10.604499373, 1e-8);  // stored even though shown "*"
  EXPECT_EQ(Column(model, Vp)[0], "0.50");
  EXPECT_EQ(Column(model, Vp)[1], "0.55");
  EXPECT_EQ(Column(model, Vs)[1], "0.33");
  EXPECT_EQ(Column(model, Rho), std::vector<std::string>(10, "1.80"));
  EXPECT_EQ(Column(model, Qp), (std::vector<std::string>{"10", "10", "10", "10", "10", "10", "10", "10", "10", "*"}));
  EXPECT_EQ(Column(model, Qs), (std::vector<std::string>{"5", "5", "5", "5", "5", "5", "5", "5", "5", "*"}));
  for (int p = 0; p < 6; ++p) {
    ASSERT_EQ(model.invertFlags[p].size(), 10u);
    ASSERT_EQ(model.layerLimits[p].size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(model.invertFlags[p][i], p != Rho) << "parameter " << p << " layer " << i;
  }
  EXPECT_EQ(model.layerLimits[Rho][3], (corvath::numerics::Complex{1.0, 2.5}));
  EXPECT_EQ(model.layerLimits[Vs][3].re, corvath::numerics::InvalidNumber);
}

TEST(ResetModel, GeneratedValuesStayInsideTheHardLimits) {
  ModelTables tables;
  tables.StartValues[Vp] = 5;
  tables.IncFactors[Vp] = 2;
  amodel model;
  ResetModel(model, tables, 4);
  EXPECT_EQ(model.values[Vp], (std::vector<double>{5, 8, 8, 8}));
  // A lower limit above the upper one wins: the upper limit is applied first.
  tables.HardLimits[Vs] = {3.0, 2.0};
  ResetModel(model, tables, 3);
  EXPECT_EQ(model.values[Vs], (std::vector<double>{0.3, 3.0, 3.0}));
}

TEST(ResetModel, LayerCountIsKeptWithinTwoToTen) {
  amodel model;
  ResetModel(model, ModelTables{}, 1);
  EXPECT_EQ(model.layerCount(), 2);
  EXPECT_EQ(ModelCellText(model, H, 1), "*");
  EXPECT_EQ(ModelCellText(model, Vs, 1), "0.33");
  ResetModel(model, ModelTables{}, 40);
  EXPECT_EQ(model.layerCount(), 10);
}

TEST(SetLayerCount, StepsKeepTheLayersAndTheNewHalfSpaceCopiesTheOneAbove) {
  ModelTables tables;
  amodel model;
  ResetModel(model, tables, 10);
  model.values[Vs][8] = 2.0;
  model.invertFlags[Vp][8] = false;
  corvath::inversion::SetLayerCount(model, tables, 9);
  ASSERT_EQ(model.layerCount(), 9);
  EXPECT_EQ(ModelCellText(model, H, 8), "*");
  corvath::inversion::SetLayerCount(model, tables, 10);
  ASSERT_EQ(model.layerCount(), 10);
  EXPECT_EQ(ModelCellText(model, H, 8), "8.16");  // the old half-space is an ordinary layer again
  EXPECT_DOUBLE_EQ(model.values[H][9], model.values[H][8] * 1.3);
  EXPECT_DOUBLE_EQ(model.values[Vs][9], 2.2);
  EXPECT_FALSE(model.invertFlags[Vp][9]);
  EXPECT_FALSE(model.invertFlags[Rho][9]);
  for (int p = 0; p < 6; ++p) {
    EXPECT_EQ(model.layerLimits[p].size(), 10u);
    EXPECT_EQ(model.invertFlags[p].size(), 10u);
  }
  // Beyond the range: 2..10.
  corvath::inversion::SetLayerCount(model, tables, 1);
  EXPECT_EQ(model.layerCount(), 2);
  EXPECT_DOUBLE_EQ(model.values[H][1], 1.3);
}

TEST(ProfilePoints, StaircaseDownToTheHalfSpaceThicknessAndHDrawsVp) {
  amodel model;
  ResetModel(model, ModelTables{}, 3);
  const auto points = corvath::inversion::ProfilePoints(model, H);
  ASSERT_EQ(points.size(), 6u);
  EXPECT_DOUBLE_EQ(points[0].first, 0.5);
  EXPECT_DOUBLE_EQ(points[0].second, 0.0);
  EXPECT_DOUBLE_EQ(points[1].second, 1.0);
  EXPECT_DOUBLE_EQ(points[2].first, 0.55);
  EXPECT_DOUBLE_EQ(points[3].second, 2.3);
  EXPECT_NEAR(points[5].second, 1.0 + 1.3 + 1.69, 1e-12);
}

TEST(Workspace, StartState) {
  Workspace ws;
  EXPECT_EQ(ws.record.size(Component::X), 0u);
  EXPECT_TRUE(ws.windows.windows.empty());
  EXPECT_FALSE(ws.windows.addMode || ws.windows.removeMode || ws.windows.creating);
  EXPECT_EQ(ws.zoomFactor, 1.0);
  EXPECT_TRUE(ws.smoothedSpectra);
  EXPECT_EQ(ws.referenceFrequency, 0.0);
  EXPECT_EQ(ws.dispersionExponent, 0.0);
  EXPECT_TRUE(ws.theoreticalCurve.empty());
  EXPECT_EQ(ws.modelTables.SelectedParameter, Vp);
  EXPECT_EQ(ws.model.layerCount(), 10);
  EXPECT_FALSE(ws.spectraResult);
}

TEST(Workspace, ResetRebuildsTheModelForItsLayerCountAndKeepsTheTables) {
  Workspace ws;
  ws.modelTables.StartValues[Vs] = 0.2;
  ResetModel(ws.model, ws.modelTables, 5);
  ws.model.values[Vp][2] = 7.5;
  ws.model.invertFlags[H][0] = false;
  const ModelTables tables = ws.modelTables;
  ResetWorkspace(ws);
  EXPECT_EQ(ws.modelTables, tables);
  amodel expected;
  ResetModel(expected, tables, 5);
  EXPECT_EQ(ws.model, expected);
  EXPECT_DOUBLE_EQ(ws.model.values[Vs][0], 0.2);
}

TEST(LoadRecord, ReplacesTheRecordInPlaceAndResetsTheModel) {
  Workspace ws;
  ws.record.append(Component::X, 0.0, 1.0);
  const auto* xSamples = &ws.record.samples(Component::X);
  ws.model.values[Qs][0] = 99;
  ThreeComponentRecord fresh;
  fresh.append(Component::X, 0.0, 5.0);
  fresh.append(Component::X, 0.01, 6.0);
  fresh.append(Component::Z, 0.0, 7.0);
  const ThreeComponentRecord copy = fresh;
  LoadRecord(ws, std::move(fresh));
  EXPECT_EQ(ws.record, copy);
  EXPECT_EQ(&ws.record.samples(Component::X), xSamples);  // the charts keep pointing at it
  EXPECT_EQ(ws.model.values[Qs][0], 5.0);
}

TEST(LoadRecord, DeletesEveryWindowAndKeepsTheModesZoomAndSpectra) {
  Workspace ws;
  ws.record.append(Component::X, 0.0, 1.0);
  ws.record.append(Component::Z, 0.0, 1.0);
  namespace windows = corvath::windows;
  for (double from : {1.0, 5.0}) {
    windows::ToggleAddMode(ws.windows);
    windows::PressAt(ws.windows, true, from, false, windows::Chart::Horizontal);
    windows::ReleaseAt(ws.windows, true, from + 2);
  }
  ASSERT_EQ(ws.windows.windows.size(), 2u);
  windows::ToggleRemoveMode(ws.windows);
  ws.zoomFactor = 2.4;
  ws.spectraResult.emplace().ratio.points.push_back({2.0, 3.0, 3.0, 3.0});
  ThreeComponentRecord fresh;
  fresh.append(Component::X, 0.0, 5.0);
  fresh.append(Component::Z, 0.0, 7.0);
  LoadRecord(ws, std::move(fresh));
  EXPECT_TRUE(ws.windows.windows.empty());
  EXPECT_TRUE(ws.windows.removeMode);
  EXPECT_FALSE(ws.windows.addMode);
  EXPECT_EQ(ws.zoomFactor, 2.4);
  ASSERT_TRUE(ws.spectraResult);  // the spectra and the ratio stay until the next computation
  EXPECT_EQ(ws.spectraResult->ratio.points.size(), 1u);
}

}  // namespace
