#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
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

// Dialog "Apply" on numbers: each row names the parameter, the numbers and what must happen.
TEST(ApplyParameterSettings, ValuesGroupNeedsBothNumbersInRange) {
  struct Case {
    int p;
    double start, factor;
    Strings column;    // first three cells afterwards; the unchanged defaults when refused
    Strings refusals;  // empty: the group was taken
  };
  const Strings defaultH{"1", "1.30", "1.69"};
  const Case cases[] = {
      {H, 2000, 1.3, defaultH, {"Start value: 2000 is not within 0.1 to 1000"}},
      {H, 2, 0.5, defaultH, {"Inc factor: 0.5 is not within 1 to 7"}},
      {H, 2, 8, defaultH, {"Inc factor: 8 is not within 1 to 7"}},
      {H, 5000, 0, defaultH, {"Start value: 5000 is not within 0.1 to 1000", "Inc factor: 0 is not within 1 to 7"}},
      {H, std::nan(""), 2, defaultH, {"Start value: * is not a number"}},
      {H, InvalidNumber, 2, defaultH, {"Start value: 123456789 is not a number"}},
      {H, 2, 1.5, {"2", "3", "4.50"}, {}},
      {Vp, 5, 2, {"5", "8", "8"}, {}},  // stops at the hard maximum
      {Vs, 6, 7, {"6", "6", "6"}, {}},  // both bounds are admissible
      {Qs, 0.5, 1, {"5", "5", "5"}, {"Start value: 0.5 is not within 1 to 200"}},
  };
  for (const Case& c : cases) {
    ModelTables tables;
    amodel model = Model(tables, 4);
    ParameterSettings settings;
    FillParameterSettings(settings, tables, c.p);
    settings.valuesEnabled = true;
    settings.startValue = c.start;
    settings.incFactor = c.factor;
    SCOPED_TRACE(std::to_string(c.start) + " x " + std::to_string(c.factor));
    const AppliedSettings applied = ApplyParameterSettings(model, tables, c.p, settings);
    EXPECT_EQ(applied, (AppliedSettings{c.refusals.empty(), false, false, c.refusals}));
    const Strings column = Column(model, c.p + 1);
    EXPECT_EQ(Strings(column.begin(), column.begin() + 3), c.column);
    if (!c.refusals.empty()) { EXPECT_EQ(tables, ModelTables{}); }
  }
}

TEST(ApplyParameterSettings, LimitsMustBeSetLieInTheHardRangeAndIncreaseStrictly) {
  struct Case {
    std::optional<double> minimum, maximum;
    const char* refusal;  // nullptr: taken
  };
  const Case cases[] = {
      {3, 3, "Maximum: 3 is not above the Minimum 3"},
      {2, 0.5, "Maximum: 0.5 is not above the Minimum 2"},
      {0.5, 2, nullptr},
      {0.001, 2, "Minimum: 0.001 is not within 0.01 to 6"},
      {0.5, 6.5, "Maximum: 6.5 is not within 0.01 to 6"},
      {std::nullopt, 2, "Minimum: not set"},
      {0.5, std::nullopt, "Maximum: not set"},
      {0.01, 6, nullptr},
  };
  for (const Case& c : cases) {
    ModelTables tables;
    amodel model = Model(tables, 5);
    ParameterSettings settings;
    settings.limitsEnabled = true;
    settings.minimum = c.minimum;
    settings.maximum = c.maximum;
    SCOPED_TRACE(c.refusal ? c.refusal : "taken");
    const AppliedSettings applied = ApplyParameterSettings(model, tables, Vs, settings);
    EXPECT_EQ(applied.limits, c.refusal == nullptr);
    EXPECT_EQ(applied.refusals, c.refusal ? Strings{c.refusal} : Strings{});
    const Complex expected = c.refusal ? Complex{InvalidNumber, InvalidNumber} : Complex{*c.minimum, *c.maximum};
    EXPECT_EQ(tables.UserLimits[Vs], expected);
    EXPECT_EQ(model.layerLimits[Vs], std::vector<Complex>(5, expected));
  }
}

// All three groups used at once: a group refused on its own leaves the others applied.
TEST(ApplyParameterSettings, EachRefusedGroupLeavesTheOthersApplied) {
  enum Fault { None, StartTooLarge, FactorTooSmall, MinimumBelowHard, MaximumNotAbove, MaximumUnset, ValuesAndLimits };
  struct Case {
    Fault fault;
    bool values, limits;  // taken (invert is always taken)
    std::size_t refusals;
  };
  const Case cases[] = {
      {None, true, true, 0},           {StartTooLarge, false, true, 1}, {FactorTooSmall, false, true, 1},
      {MinimumBelowHard, true, false, 1}, {MaximumNotAbove, true, false, 1}, {MaximumUnset, true, false, 1},
      {ValuesAndLimits, false, false, 2},
  };
  for (const Case& c : cases) {
    ModelTables tables;
    amodel model = Model(tables, 4);
    ParameterSettings settings{.startValue = 2.0,
                               .incFactor = 2.0,
                               .minimum = 0.2,
                               .maximum = 4.0,
                               .invertFlag = false,
                               .valuesEnabled = true,
                               .limitsEnabled = true,
                               .invertEnabled = true};
    if (c.fault == StartTooLarge || c.fault == ValuesAndLimits) settings.startValue = 9.0;  // Vp at most 8
    if (c.fault == FactorTooSmall) settings.incFactor = 0.9;
    if (c.fault == MinimumBelowHard) settings.minimum = 0.05;
    if (c.fault == MaximumNotAbove || c.fault == ValuesAndLimits) settings.maximum = 0.2;
    if (c.fault == MaximumUnset) settings.maximum.reset();
    SCOPED_TRACE(static_cast<int>(c.fault));

    const AppliedSettings applied = ApplyParameterSettings(model, tables, Vp, settings);
    EXPECT_EQ(applied.values, c.values);
    EXPECT_EQ(applied.limits, c.limits);
    EXPECT_TRUE(applied.invert);
    EXPECT_EQ(applied.refusals.size(), c.refusals);

    const ModelTables defaults;
    EXPECT_EQ(tables.StartValues[Vp], c.values ? 2.0 : defaults.StartValues[Vp]);
    EXPECT_EQ(tables.IncFactors[Vp], c.values ? 2.0 : defaults.IncFactors[Vp]);
    EXPECT_EQ(Column(model, Vp + 1), c.values ? (Strings{"2", "4", "8", "8"}) : Column(Model(defaults, 4), Vp + 1));
    const Complex limits = c.limits ? Complex{0.2, 4.0} : defaults.UserLimits[Vp];
    EXPECT_EQ(tables.UserLimits[Vp], limits);
    EXPECT_EQ(model.layerLimits[Vp], std::vector<Complex>(4, limits));
    EXPECT_FALSE(tables.InvertDefaults[Vp]);
    EXPECT_EQ(model.invertFlags[Vp], std::vector<bool>(4, false));
    // Other parameters are never touched.
    for (int p : {H, Vs, Rho, Qp, Qs}) {
      EXPECT_EQ(model.values[p], Model(defaults, 4).values[p]);
      EXPECT_EQ(tables.UserLimits[p], defaults.UserLimits[p]);
    }
  }
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// A number read without bounds (the 1e-30 rule included) is taken by Apply exactly when
// TextToNumber with the bounds took its text, and the same double is stored: checking
// the range on the number refuses what reading the field within it refused.
TEST(ApplyParameterSettings, RangesOnNumbersRefuseWhatBoundedReadingRefused) {
  const char* texts[] = {"2",      "0,1",    "0.1",   "0.0999999", "1000", "1000.0000001", "1e3", "-5",
                         "0",      "-0",     "1e-40", ".",         "abc",  "",             "*",   " 7",
                         "7 ",     "+6,5",   "1e999", "123456789", "5",    "4.999999999",  "6",   "7"};
  const Complex ranges[] = {{0.1, 1000.0}, {0.0, 5.0}, {5.0, 0.0}, {2.0, 2.0}, {-1.0, 1.0}};
  for (const Complex range : ranges) {
    for (const char* text : texts) {
      SCOPED_TRACE(std::string("'") + text + "' within " + std::to_string(range.re) + " to " +
                   std::to_string(range.im));
      const double bounded = corvath::numerics::TextToNumber(text, range.re, range.im);
      const double unbounded = corvath::numerics::TextToNumber(text);
      if (unbounded == InvalidNumber) {  // the dialog refuses it before any Apply
        EXPECT_EQ(bounded, InvalidNumber);
        continue;
      }
      ModelTables tables;
      tables.HardLimits[Qp] = range;
      amodel model = Model(tables, 3);
      ParameterSettings settings;
      settings.valuesEnabled = settings.limitsEnabled = true;
      settings.startValue = unbounded;
      settings.incFactor = 1.0;
      settings.minimum = unbounded;
      settings.maximum = unbounded + 1000.0;  // above the minimum; admissible where no upper bound is checked
      const AppliedSettings applied = ApplyParameterSettings(model, tables, Qp, settings);
      EXPECT_EQ(applied.values, bounded != InvalidNumber);
      if (applied.values) { EXPECT_EQ(Bits(tables.StartValues[Qp]), Bits(bounded)); }
      if (applied.limits) { EXPECT_EQ(Bits(tables.UserLimits[Qp].re), Bits(bounded)); }
      if (bounded == InvalidNumber) { EXPECT_FALSE(applied.limits); }
    }
  }
}

TEST(ApplyParameterSettings, InvertDefaultTurnsTheColumnAndUnusedGroupsDoNothing) {
  ModelTables tables;
  amodel model = Model(tables, 3);
  ParameterSettings settings;
  FillParameterSettings(settings, tables, Vs);
  EXPECT_EQ(settings.startValue, 0.3);
  EXPECT_EQ(settings.incFactor, 1.1);
  EXPECT_EQ(settings.minimum, std::nullopt);  // unset
  EXPECT_EQ(settings.maximum, std::nullopt);
  EXPECT_TRUE(settings.invertFlag);

  // Valid numbers without their switches change nothing.
  settings.startValue = 1;
  settings.minimum = 0.1;
  settings.maximum = 1;
  settings.invertFlag = false;
  EXPECT_EQ(ApplyParameterSettings(model, tables, Vs, settings), AppliedSettings{});
  EXPECT_EQ(tables, ModelTables{});

  settings.invertEnabled = true;
  EXPECT_EQ(ApplyParameterSettings(model, tables, Vs, settings), (AppliedSettings{false, false, true, {}}));
  EXPECT_FALSE(tables.InvertDefaults[Vs]);
  for (int r = 1; r <= 3; ++r) EXPECT_TRUE(IsSilverCell(model, Vs + 1, r));
  EXPECT_TRUE(ToggleInvertFlag(model, Vs + 1, 2));  // a right click makes one cell free again
  EXPECT_FALSE(IsSilverCell(model, Vs + 1, 2));
  EXPECT_TRUE(IsSilverCell(model, Vs + 1, 1));

  // Refilling keeps the switches and shows the new tables; density limits are set by default.
  FillParameterSettings(settings, tables, Rho);
  EXPECT_TRUE(settings.invertEnabled);
  EXPECT_FALSE(settings.invertFlag);
  EXPECT_EQ(settings.minimum, 1.0);
  EXPECT_EQ(settings.maximum, 2.5);
  EXPECT_EQ(settings.startValue, 1.8);

  // One bound set, the other not: only the unset one is none.
  tables.UserLimits[Qp] = Complex{7.0, InvalidNumber};
  FillParameterSettings(settings, tables, Qp);
  EXPECT_EQ(settings.minimum, 7.0);
  EXPECT_EQ(settings.maximum, std::nullopt);
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
    double value;
    const char* reason;  // nullptr: accepted
    double stored;       // value of the cell's parameter afterwards (when it is a data cell)
  };
  const Case cases[] = {
      {Vs + 1, 2, 0.5, nullptr, 0.5},
      {Vs + 1, 2, 7, "Vs(km/s): 7 is not within 0.01 to 6", 0.33},
      // The partner of the same layer: Vs below Vp (0.55 in layer 2), Qs not above Qp (10).
      {Vs + 1, 2, 0.55, "Vs(km/s): 0.55 is not below Vp 0.55 of layer 2 (S waves are slower than P waves)", 0.33},
      {Vs + 1, 2, 6, "Vs(km/s): 6 is not below Vp 0.55 of layer 2 (S waves are slower than P waves)", 0.33},
      {Vp + 1, 1, 0.3, "Vp(km/s): 0.30 is not above Vs 0.30 of layer 1 (P waves are faster than S waves)", 0.5},
      {Vp + 1, 1, 0.31, nullptr, 0.31},
      {Qs + 1, 1, 10.5, "Qs: 10.50 is above Qp 10 of layer 1 (S waves are damped at least as much as P waves)", 5.0},
      {Qs + 1, 1, 10, nullptr, 10.0},
      {Qp + 1, 2, 5, nullptr, 5.0},  // equal quality factors are allowed
      {Qs + 1, 3, 50, nullptr, 50.0},  // the half-space's quality factors are no model values
      {Vs + 1, 3, 0.7, "Vs(km/s): 0.70 is not below Vp 0.61 of layer 3 (S waves are slower than P waves)", 0.363},
      {Vs + 1, 2, 0.01, nullptr, 0.01},
      {Vs + 1, 2, 0.0099, "Vs(km/s): 0.0099 is not within 0.01 to 6", 0.33},
      {Vs + 1, 2, std::nan(""), "Vs(km/s): * is not a number", 0.33},
      {Rho + 1, 1, 3, nullptr, 3.0},
      {H + 1, 3, 20, nullptr, 20.0},  // a "*" cell stores the value
      {0, 1, 5, "", 0},               // not data cells: refused without a reason
      {Vs + 1, 0, 1, "", 0},
      {Vs + 1, 4, 1, "", 0},
      {7, 1, 1, "", 0},
  };
  for (const Case& c : cases) {
    const ModelTables tables;
    amodel model = Model(tables, 3);
    const amodel before = model;
    SCOPED_TRACE(std::string("cell ") + std::to_string(c.c) + "," + std::to_string(c.r) + " " +
                 std::to_string(c.value));
    const CellEdit edit = ValidateCellEdit(model, tables, c.c, c.r, c.value);
    EXPECT_EQ(edit.accepted, c.reason == nullptr);
    EXPECT_EQ(edit.reason, c.reason ? c.reason : "");
    if (c.reason) { EXPECT_EQ(model, before); }
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
