#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "inversion/model.h"
#include "inversion/modeltable.h"
#include "inversion/modeltext.h"

namespace {

using namespace corvath::inversion;

constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3, Qp = 4, Qs = 5;

const std::string kHeading = " N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n";

ModelTextReading Read(const std::string& text, const ModelTables& tables = ModelTables{}) {
  std::istringstream in(text);
  return ReadModelText(in, tables);
}

std::string Written(const std::vector<corvath::numerics::arofstrM>& rows) {
  std::ostringstream out;
  WriteModelText(out, rows);
  return out.str();
}

TEST(ReadModelText, ExactTextReadsBackToTheSameModel) {
  ModelTables tables;
  amodel model;
  ResetModel(model, tables, 10);  // H 1.3^k: values with all their bits in use
  model.values[Vs][3] = 0.1 + 0.2;
  model.values[Qp][0] = 5.0;      // the hard minimum itself
  model.values[Vp][9] = 8.0;      // the hard maximum itself
  const ModelTextReading back = Read(Written(ExactModelTableRows(model)), tables);
  ASSERT_TRUE(back.model) << back.reason;
  EXPECT_EQ(*back.model, model);

  // The shown form (two decimals) reads back as the rounded values.
  amodel two;
  ResetModel(two, tables, 3);
  const ModelTextReading shown = Read(Written(ModelTableRows(two)), tables);
  ASSERT_TRUE(shown.model) << shown.reason;
  EXPECT_EQ(shown.model->values[H][2], two.values[H][2]);  // hidden: generated as ResetModel does
  EXPECT_EQ(shown.model->values[Vp][2], 0.61);             // 0.605 shown as 0.61
  EXPECT_EQ(shown.model->values[Vs][1], 0.33);
}

TEST(ReadModelText, SettingLinesCarryRefFrqAndKDegreeExactly) {
  ModelTables tables;
  amodel model;
  ResetModel(model, tables, 4);
  model.values[Vs][1] = 0.1 + 0.2;
  const std::vector<ModelTextSettings> cases{
      {0.1 + 0.7, 1.0 / 3.0}, {-2.5, 0.0}, {0.0, std::nullopt}, {std::nullopt, 2.5e-7}, {}};
  for (const ModelTextSettings& settings : cases) {
    std::ostringstream out;
    WriteModelText(out, ExactModelTableRows(model));
    const std::string rows = out.str();
    WriteModelTextSettings(out, settings);
    const ModelTextReading back = Read(out.str(), tables);
    ASSERT_TRUE(back.model) << back.reason;
    EXPECT_EQ(*back.model, model);
    EXPECT_EQ(back.settings, settings);  // to the last bit
    // The setting lines follow the rows, which stay as they were.
    EXPECT_EQ(out.str().substr(0, rows.size()), rows);
  }
  std::ostringstream lines;
  WriteModelTextSettings(lines, {0.5, 0.1});
  EXPECT_EQ(lines.str(), "Ref frq: 0.5\r\nK degree: 0.1\r\n");

  // Typed by hand: without the colon, a comma as the point, anywhere after the heading.
  const ModelTextReading typed =
      Read(kHeading + "K degree 0,25\n1 20 0.5 0.2 1.8 20 10\n  Ref frq:   1,5 \n2 * 2 1 2 * *\n", tables);
  ASSERT_TRUE(typed.model) << typed.reason;
  EXPECT_EQ(typed.settings.referenceFrequencyHz, 1.5);
  EXPECT_EQ(typed.settings.dispersionExponent, 0.25);
  EXPECT_EQ(typed.model->layerCount(), 2);
  // A text without them reads as before, with neither set.
  const ModelTextReading plain = Read(kHeading + "1 20 0.5 0.2 1.8 20 10\n2 * 2 1 2 * *\n", tables);
  ASSERT_TRUE(plain.model) << plain.reason;
  EXPECT_EQ(plain.settings, ModelTextSettings{});
}

TEST(ReadModelText, FlagsAndLimitsComeFromTheTables) {
  ModelTables tables;
  tables.InvertDefaults[Rho] = true;
  tables.InvertDefaults[Qs] = false;
  tables.UserLimits[Vs] = {0.5, 2.0};
  const ModelTextReading read = Read(std::string(kHeading) +
                                     "1 20 0.5 0.2 1.8 20 10\n"
                                     "\t\n"                      // blank lines are skipped
                                     " 2 15,5 0.9 0.4 1.9 30 12\r\n"  // a comma reads as the point
                                     "3 * 2 1 2 * *\n\n",
                                     tables);
  ASSERT_TRUE(read.model) << read.reason;
  amodel expected;
  ResetModel(expected, tables, 3);
  EXPECT_EQ(read.model->invertFlags, expected.invertFlags);
  EXPECT_EQ(read.model->layerLimits, expected.layerLimits);
  EXPECT_EQ(read.model->values[H][1], 15.5);
  EXPECT_EQ(read.model->values[Qp][2], expected.values[Qp][2]);
  EXPECT_EQ(read.model->values[Vs][2], 1.0);

  // A number under a "*" cell is stored, as a typed table edit would be.
  const ModelTextReading typed = Read(kHeading + "1 20 0.5 0.2 1.8 20 10\n2 300 2 1 2 7 8\n");
  ASSERT_TRUE(typed.model) << typed.reason;
  EXPECT_EQ(typed.model->values[H][1], 300.0);
  EXPECT_EQ(typed.model->values[Qs][1], 8.0);
}

TEST(ReadModelText, RefusalsNameTheLine) {
  const std::string two = "1 20 0.5 0.2 1.8 20 10\n";
  const std::string half = "2 * 2 1 2 * *\n";
  std::string eleven = kHeading;
  for (int k = 1; k <= 11; ++k) eleven += std::to_string(k) + " 20 0.5 0.2 1.8 20 10\n";
  std::string blanks = kHeading + two + half;
  for (int k = 0; k < 70; ++k) blanks += "\n";
  struct Case {
    std::string text;
    const char* reason;
  };
  const std::vector<Case> cases{
      {"", "no heading row: the text is empty"},
      {"\r\n  \r\n", "no heading row: the text is empty"},
      {"f,Hz   X  Y  Z  H/Z\r\n", "line 1: the heading \"N H(m) Vp(km/s) Vs(km/s) rho(g/cm) Qp Qs\" is expected"},
      {kHeading + two, "the model has 1 layer; 2 to 10 are needed"},
      {kHeading, "the model has 0 layers; 2 to 10 are needed"},
      {kHeading + two + "2 * 2 1 2 *\n", "line 3 (layer 2): a layer row holds its number and six values, this one has 6 fields"},
      {kHeading + two + "3 * 2 1 2 * *\n", "line 3 (layer 2): the layer number is \"3\" where 2 is expected"},
      {kHeading + "1 20 0.5 7 1.8 20 10\n" + half, "line 2 (layer 1): Vs(km/s) \"7\" is outside its limits 0.01 to 6"},
      {kHeading + "1 20 0.5 0.2 1.8 20 0\n" + half, "line 2 (layer 1): Qs \"0\" is outside its limits 1 to 200"},
      {kHeading + "1 20 0.5 0.2 1.8 20 10\n2 * 2 1 2 * 201\n", "line 3 (layer 2): Qs \"201\" is outside its limits 1 to 200"},
      {kHeading + "1 20 0.5 0.2 abc 20 10\n" + half, "line 2 (layer 1): rho(g/cm) \"abc\" is not a number"},
      {kHeading + "1 20 nan 0.2 1.8 20 10\n" + half, "line 2 (layer 1): Vp(km/s) \"nan\" is not a number"},
      {kHeading + "1 20 0.5 0.2 1.8 1e999 10\n" + half, "line 2 (layer 1): Qp \"1e999\" is not a number"},
      {kHeading + "1 * 0.5 0.2 1.8 20 10\n" + half,
       "line 2 (layer 1): H(m) is \"*\", but only the half-space's H(m), Qp and Qs have no value"},
      {kHeading + two + "2 * * 1 2 * *\n", "line 3 (layer 2): Vp(km/s) is \"*\", but only the half-space's"},
      {eleven, "line 12: more than 10 layers"},
      {kHeading + std::string(2000, '1') + "\n", "line 2 is longer than 1024 characters"},
      {blanks, "more than 64 lines: this is no model text"},
      {kHeading + two + "Ref frq: abc\n" + half, "line 3: Ref frq takes one number, not \"Ref frq: abc\""},
      {kHeading + two + half + "K degree:\n", "line 4: K degree takes one number, not"},
      {kHeading + two + half + "K degree: 1 2\n", "line 4: K degree takes one number, not"},
      {kHeading + two + half + "Ref frq: 1e999\n", "line 4: Ref frq takes one number"},
      {kHeading + two + half + "Ref frq: 1\nRef frq 2\n", "line 5: Ref frq is given twice"},
      {kHeading + "Ref frq: 1\n" + two, "the model has 1 layer"},
      {std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(3, '\0') + "\n", "line 1: the heading"},
  };
  for (const Case& c : cases) {
    const ModelTextReading read = Read(c.text);
    EXPECT_FALSE(read.model) << c.reason;
    EXPECT_EQ(read.reason.rfind(c.reason, 0), 0u) << "expected: " << c.reason << "\n     got: " << read.reason;
  }
}

}  // namespace
