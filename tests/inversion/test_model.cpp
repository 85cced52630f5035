#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "inversion/model.h"
#include "inversion/modeltable.h"
#include "inversion/modeltext.h"
#include "inversion/parametersettings.h"
#include "numerics/numbertext.h"

namespace {

using namespace corvath::inversion;
using corvath::numerics::Complex;
using corvath::numerics::InvalidNumber;
using Strings = std::vector<std::string>;

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5;

// The texts of table column c (1..6) in rows 1..n, as the table shows them.
Strings Column(const amodel& model, int c) {
  Strings cells;
  const auto rows = ModelTableRows(model);
  for (std::size_t r = 1; r < rows.size(); ++r) cells.push_back(rows[r][c]);
  return cells;
}

amodel Model(const ModelTables& tables, int n) {
  amodel model;
  ResetModel(model, tables, n);
  return model;
}

TEST(ModelTable, DefaultTenLayersAsShown) {
  const amodel model = Model(ModelTables{}, 10);
  const auto rows = ModelTableRows(model);
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0], (Strings{"N", "H(m)", "Vp(km/s)", "Vs(km/s)", "rho(g/cm)", "Qp", "Qs"}));
  EXPECT_EQ(rows[10][0], "10");
  EXPECT_EQ(Column(model, H + 1), (Strings{"1", "1.30", "1.69", "2.20", "2.86", "3.71", "4.83", "6.27", "8.16", "*"}));
  EXPECT_EQ(Column(model, Qp + 1), (Strings{"10", "10", "10", "10", "10", "10", "10", "10", "10", "*"}));
  EXPECT_EQ(Column(model, Qs + 1), (Strings{"5", "5", "5", "5", "5", "5", "5", "5", "5", "*"}));
  EXPECT_EQ(Column(model, Vp + 1)[9], "1.18");  // the half-space has velocities
  EXPECT_EQ(Column(model, Rho + 1)[9], "1.80");
  // Only the density column is silver, the heading row and number column never.
  for (int r = 0; r <= 11; ++r)
    for (int c = 0; c <= 7; ++c)
      EXPECT_EQ(IsSilverCell(model, c, r), c == Rho + 1 && r >= 1 && r <= 10) << "cell " << c << "," << r;
}

TEST(SetLayerCount, StepsFillEachNewLayerFromTheOneAbove) {
  const ModelTables tables;
  amodel model = Model(tables, 10);
  model.layerLimits[Vs][8] = Complex{0.2, 0.9};
  model.invertFlags[Qs][8] = false;
  SetLayerCount(model, tables, 9);
  SetLayerCount(model, tables, 10);
  EXPECT_EQ(Column(model, H + 1)[8], "8.16");  // the old half-space shows its thickness again
  EXPECT_DOUBLE_EQ(model.values[H][9], model.values[H][8] * 1.3);
  EXPECT_EQ(model.layerLimits[Vs][9], (Complex{0.2, 0.9}));
  EXPECT_FALSE(model.invertFlags[Qs][9]);

  // An unchanged count (the "Iter number" handler) leaves the model as it is.
  model.values[Vp][3] = 4.0;
  const amodel before = model;
  SetLayerCount(model, tables, 10);
  EXPECT_EQ(model, before);

  // Several steps at once add one layer after the other.
  amodel grown = Model(tables, 2);
  SetLayerCount(grown, tables, 5);
  EXPECT_EQ(grown, Model(tables, 5));
}

// Dialog "Apply": each row names the parameter, the dialog contents and what must happen.
TEST(ApplyParameterSettings, ValuesGroupNeedsBothFieldsInRange) {
  struct Case {
    int p;
    const char* start;
    const char* factor;
    bool applied;
    Strings column;  // first three cells afterwards
  };
  const Case cases[] = {
      {H, "2000", "1.3", false, {"1", "1.30", "1.69"}},  // above the hard maximum 1000
      {H, "2", "0,5", false, {"1", "1.30", "1.69"}},     // factor below 1
      {H, "2", "8", false, {"1", "1.30", "1.69"}},       // factor above 7
      {H, "x", "2", false, {"1", "1.30", "1.69"}},
      {H, "2", "1,5", true, {"2", "3", "4.50"}},         // decimal comma
      {Vp, "5", "2", true, {"5", "8", "8"}},             // stops at the hard maximum
      {Vs, "6", "7", true, {"6", "6", "6"}},             // both bounds are admissible
      {Qs, "0.5", "1", false, {"5", "5", "5"}},          // below the hard minimum 1
  };
  for (const Case& c : cases) {
    ModelTables tables;
    amodel model = Model(tables, 4);
    ParameterSettings settings;
    FillParameterSettings(settings, tables, c.p);
    settings.valuesEnabled = true;
    settings.startValue = c.start;
    settings.incFactor = c.factor;
    const AppliedSettings applied = ApplyParameterSettings(model, tables, c.p, settings);
    SCOPED_TRACE(std::string(c.start) + " x " + c.factor);
    EXPECT_EQ(applied, (AppliedSettings{c.applied, false, false}));
    const Strings column = Column(model, c.p + 1);
    EXPECT_EQ(Strings(column.begin(), column.begin() + 3), c.column);
    if (!c.applied) { EXPECT_EQ(tables, ModelTables{}); }
  }
}

TEST(ApplyParameterSettings, LimitsMustLieInTheHardRangeAndIncreaseStrictly) {
  struct Case {
    const char* minimum;
    const char* maximum;
    bool applied;
  };
  const Case cases[] = {
      {"3", "3", false}, {"2", "0.5", false}, {"0.5", "2", true}, {"0,5", "2", true},
      {"0.001", "2", false}, {"0.5", "6.5", false}, {"*", "2", false}, {"0.01", "6", true},
  };
  for (const Case& c : cases) {
    ModelTables tables;
    amodel model = Model(tables, 5);
    ParameterSettings settings;
    settings.limitsEnabled = true;
    settings.minimum = c.minimum;
    settings.maximum = c.maximum;
    SCOPED_TRACE(std::string(c.minimum) + " .. " + c.maximum);
    EXPECT_EQ(ApplyParameterSettings(model, tables, Vs, settings).limits, c.applied);
    const Complex expected = c.applied ? Complex{corvath::numerics::TextToNumber(c.minimum),
                                                 corvath::numerics::TextToNumber(c.maximum)}
                                       : Complex{InvalidNumber, InvalidNumber};
    EXPECT_EQ(tables.UserLimits[Vs], expected);
    EXPECT_EQ(model.layerLimits[Vs], std::vector<Complex>(5, expected));
  }
}

TEST(ApplyParameterSettings, InvertDefaultTurnsTheColumnAndUntickedGroupsDoNothing) {
  ModelTables tables;
  amodel model = Model(tables, 3);
  ParameterSettings settings;
  FillParameterSettings(settings, tables, Vs);
  EXPECT_EQ(settings.startValue, "0.30");
  EXPECT_EQ(settings.incFactor, "1.10");
  EXPECT_EQ(settings.minimum, "*");  // unset
  EXPECT_EQ(settings.maximum, "*");
  EXPECT_TRUE(settings.invertFlag);

  // Valid fields without their switches change nothing.
  settings.startValue = "1";
  settings.minimum = "0.1";
  settings.maximum = "1";
  settings.invertFlag = false;
  EXPECT_EQ(ApplyParameterSettings(model, tables, Vs, settings), AppliedSettings{});
  EXPECT_EQ(tables, ModelTables{});

  settings.invertEnabled = true;
  EXPECT_EQ(ApplyParameterSettings(model, tables, Vs, settings), (AppliedSettings{false, false, true}));
  EXPECT_FALSE(tables.InvertDefaults[Vs]);
  for (int r = 1; r <= 3; ++r) EXPECT_TRUE(IsSilverCell(model, Vs + 1, r));
  EXPECT_TRUE(ToggleInvertFlag(model, Vs + 1, 2));  // a right click makes one cell free again
  EXPECT_FALSE(IsSilverCell(model, Vs + 1, 2));
  EXPECT_TRUE(IsSilverCell(model, Vs + 1, 1));

  // Refilling keeps the switches and shows the new tables; density limits are set by default.
  FillParameterSettings(settings, tables, Rho);
  EXPECT_TRUE(settings.invertEnabled);
  EXPECT_FALSE(settings.invertFlag);
  EXPECT_EQ(settings.minimum, "1");
  EXPECT_EQ(settings.maximum, "2.50");
  EXPECT_EQ(settings.startValue, "1.80");
}

TEST(ApplyParameterSettings, RegenerationKeepsTheOtherParametersAndTheFlags) {
  ModelTables tables;
  amodel model = Model(tables, 4);
  model.values[Vp][2] = 3.0;
  model.invertFlags[H][1] = false;
  ApplyParameterSettings(model, tables, H, SettingsSteps{.regenerate = true});
  EXPECT_EQ(model.values[Vp][2], 3.0);
  EXPECT_FALSE(model.invertFlags[H][1]);
  ApplyParameterSettings(model, tables, H, SettingsSteps{.copyInvert = true});
  EXPECT_TRUE(model.invertFlags[H][1]);
  ApplyParameterSettings(model, tables, 6, SettingsSteps{true, true, true});  // no such parameter
  EXPECT_EQ(model.layerCount(), 4);
}

TEST(ValidateCellEdit, AcceptsNumbersWithinTheHardLimitsOnly) {
  struct Case {
    int c, r;
    const char* text;
    bool accepted;
    double stored;  // value of the cell's parameter afterwards (when it is a data cell)
  };
  const Case cases[] = {
      {Vs + 1, 2, "1,5", true, 1.5},   {Vs + 1, 2, "7", false, 0.33},   {Vs + 1, 2, "6", true, 6.0},
      {Vs + 1, 2, "0.01", true, 0.01}, {Vs + 1, 2, "", false, 0.33},    {Vs + 1, 2, "1.5 ", false, 0.33},
      {Rho + 1, 1, "3", true, 3.0},    {H + 1, 3, "20", true, 20.0},  // a "*" cell stores the value
      {0, 1, "5", false, 0},           {Vs + 1, 0, "1", false, 0},      {Vs + 1, 4, "1", false, 0},
      {7, 1, "1", false, 0},
  };
  for (const Case& c : cases) {
    const ModelTables tables;
    amodel model = Model(tables, 3);
    const amodel before = model;
    SCOPED_TRACE(std::string("cell ") + std::to_string(c.c) + "," + std::to_string(c.r) + " '" + c.text + "'");
    const CellEdit edit = ValidateCellEdit(model, tables, c.c, c.r, c.text, "old");
    EXPECT_EQ(edit.accepted, c.accepted);
    EXPECT_EQ(edit.shownText, c.accepted ? c.text : "old");
    if (!c.accepted) { EXPECT_EQ(model, before); }
    if (IsDataCell(model, c.c, c.r)) { EXPECT_DOUBLE_EQ(model.values[c.c - 1][c.r - 1], c.stored); }
  }
}

TEST(ToggleInvertFlag, OnlyDataCells) {
  amodel model = Model(ModelTables{}, 2);
  const amodel before = model;
  for (auto [c, r] : {std::pair{0, 1}, {1, 0}, {7, 1}, {1, 3}, {-1, -1}}) EXPECT_FALSE(ToggleInvertFlag(model, c, r));
  EXPECT_EQ(model, before);
  EXPECT_TRUE(ToggleInvertFlag(model, Qs + 1, 2));
  EXPECT_FALSE(model.invertFlags[Qs][1]);
  EXPECT_TRUE(ToggleInvertFlag(model, Qs + 1, 2));
  EXPECT_EQ(model, before);
}

TEST(ModelText, CentringRule) {
  struct Case {
    const char* text;
    std::size_t width;
    const char* field;
  };
  const Case cases[] = {
      {"H(m)", 4, "H(m) "}, {"1.30", 4, "1.30 "}, {"*", 4, "  *  "},       {"1", 9, "    1     "},
      {"10", 9, "    10    "}, {"", 0, " "},     {"", 3, "    "},
  };
  for (const Case& c : cases) EXPECT_EQ(CentredField(c.text, c.width), c.field) << c.text << " in " << c.width;
}

TEST(ModelText, TwoLayerDefaultModelByteExact) {
  std::ostringstream out;
  WriteModelText(out, ModelTableRows(Model(ModelTables{}, 2)));
  // Widths: N 1, H(m) 4, Vp 8, Vs 8, rho(g/cm) 9, Qp 2, Qs 2.
  const std::string expected = std::string("N ") + "H(m) " + "Vp(km/s) " + "Vs(km/s) " + "rho(g/cm) " + "Qp " + "Qs " +
                               "\r\n" + "1 " + "  1  " + "  0.50   " + "  0.30   " + "   1.80   " + "10 " + " 5 " +
                               "\r\n" + "2 " + "  *  " + "  0.55   " + "  0.33   " + "   1.80   " + " * " + " * " +
                               "\r\n";
  EXPECT_EQ(out.str(), expected);
}

TEST(ModelText, TenLayersAndTypedTexts) {
  amodel model = Model(ModelTables{}, 10);
  auto rows = ModelTableRows(model);
  rows[3][3] = "1,5";  // a typed text stays as shown until the table is refreshed
  std::ostringstream out;
  WriteModelText(out, rows);
  std::istringstream lines(out.str());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), " \r");  // a space before every CR LF
    // N 3 (for "10"), H 5, Vp 9, Vs 9, rho 10, Qp 3, Qs 3 characters.
    EXPECT_EQ(line.size(), 3u + 5 + 9 + 9 + 10 + 3 + 3 + 1);
    if (count == 4) { EXPECT_EQ(line.substr(3 + 5 + 9, 9), "   1,5   "); }
    if (count == 11) { EXPECT_EQ(line.substr(0, 3 + 5), "10   *  "); }
  }
  EXPECT_EQ(count, 11);

  // Rows of unequal length get empty fields.
  std::ostringstream ragged;
  WriteModelText(ragged, {{"ab", "c"}, {"d"}});
  EXPECT_EQ(ragged.str(), "ab c \r\n d   \r\n");
}

}  // namespace
