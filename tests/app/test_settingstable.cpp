// The settings' tables drive every reader: for each row, values at and beyond the ends of
// its range are accepted or refused alike by the settings file, the session (which
// embeds the settings file's object) and the computation's own check.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/session.h"
#include "app/settingsfile.h"
#include "numerics/numbertext.h"

namespace corvath::app {
namespace {

// Values that probe a row's range: its ends, just beyond them, a value inside, and for a
// whole number one that is not.
std::vector<double> Probes(const numerics::SettingRange& range, numerics::SettingKind kind) {
  std::vector<double> values;
  if (std::isfinite(range.lower)) values.insert(values.end(), {range.lower, std::nextafter(range.lower, -1e300), range.lower - 1});
  if (std::isfinite(range.upper)) values.insert(values.end(), {range.upper, std::nextafter(range.upper, 1e300), range.upper + 1});
  if (std::isfinite(range.lower) && std::isfinite(range.upper)) values.push_back((range.lower + range.upper) / 2);
  values.insert(values.end(), {1.0, -1.0, 0.0, 1e9});
  if (kind == numerics::SettingKind::Whole) values.push_back(2.5);
  return values;
}

// The value as a JSON number: a whole value of a whole row without a point.
std::string JsonNumber(double v, numerics::SettingKind kind) {
  if (kind == numerics::SettingKind::Whole && v == std::floor(v)) return std::to_string(static_cast<long long>(v));
  return numerics::NumberToShortestText(v);
}

// The settings object with the row's key at v: a row of a group inside the group's
// object, its other members at the values a form starts from.
std::string ObjectWithKey(const numerics::Setting<spectra::FieldStandardSettings>& row, double v) {
  const auto& table = spectra::FieldStandardSettingTable();
  const auto* group = table.groupOf(row);
  if (!group) return std::string("{\"corvath_settings\": 1, \"") + row.key + "\": " + JsonNumber(v, row.kind) + "}";
  std::string members;
  for (const auto& member : table.settings) {
    if (table.groupOf(member) != group) continue;
    const double value = &member == &row ? v : member.get(spectra::FieldStandardSettings{});
    members += std::string(members.empty() ? "" : ", ") + "\"" + (member.key + std::strlen(group->key) + 1) +
               "\": " + JsonNumber(value, member.kind);
  }
  return std::string("{\"corvath_settings\": 1, \"") + group->key + "\": {" + members + "}}";
}

std::string ObjectWithKey(const numerics::Setting<ClassicSettings>& row, double v) {
  return std::string("{\"corvath_settings\": 1, \"") + row.key + "\": " + JsonNumber(v, row.kind) + "}";
}

struct Verdicts {
  bool file;
  bool session;
};

Verdicts Read(const std::string& object) {
  const bool file = ParseSettingsText(object, "s.json").done();
  const bool session =
      ReadSession("{\"corvath_session\": 2, \"settings\": {\"analysis\": " + object + "}}", "s.corvath").done();
  return {file, session};
}

TEST(SettingsTable, FileSessionAndCheckAcceptTheSameValues) {
  std::size_t probed = 0;
  for (const auto& row : spectra::FieldStandardSettingTable().settings) {
    if (row.kind != numerics::SettingKind::Number && row.kind != numerics::SettingKind::Whole) continue;
    for (double v : Probes(row.range, row.kind)) {
      SCOPED_TRACE(std::string(row.key) + " = " + numerics::NumberToShortestText(v));
      const Verdicts read = Read(ObjectWithKey(row, v));
      EXPECT_EQ(read.file, read.session);
      // The computation's check says the same of the settings the row would make.
      const auto& table = spectra::FieldStandardSettingTable();
      spectra::FieldStandardSettings s;
      if (const auto* group = table.groupOf(row)) {
        if (group->switchOn) group->switchOn(s);
        for (const auto& member : table.settings)
          if (table.groupOf(member) == group) member.set(s, member.get(spectra::FieldStandardSettings{}));
      }
      const bool whole = row.kind != numerics::SettingKind::Whole || v == std::floor(v);
      row.set(s, v);
      EXPECT_EQ(read.file, whole && spectra::CheckFieldStandardSettings(s).done());
      ++probed;
    }
  }
  for (const auto& row : ClassicSettingTable().settings) {
    if (row.kind != numerics::SettingKind::Number) continue;
    for (double v : Probes(row.range, row.kind)) {
      SCOPED_TRACE(std::string(row.key) + " = " + numerics::NumberToShortestText(v));
      const Verdicts read = Read(ObjectWithKey(row, v));
      EXPECT_EQ(read.file, read.session);
      ++probed;
    }
  }
  EXPECT_GT(probed, 100u);
}

TEST(SettingsTable, EveryRowIsWrittenAndReadBackAtItsDefault) {
  // A default-made object is every row's default: the file of the defaults reads back equal.
  const AnalysisSettings defaults;
  const Result<AnalysisSettings> read = ParseSettingsText(SettingsText(defaults), "d.json");
  ASSERT_TRUE(read.done()) << read.message();
  EXPECT_EQ(*read, defaults);
  // Every key of the table is in the file, once.
  const std::string text = SettingsText(defaults);
  for (const auto& row : spectra::FieldStandardSettingTable().settings) {
    const std::string key = std::string(row.key);
    const std::string top = key.substr(0, key.find('.'));
    EXPECT_NE(text.find("\"" + top + "\""), std::string::npos) << key;
  }
}

TEST(SettingsTable, FormatOneSessionsOpenAndSaveAsFormatTwo) {
  const std::string formatOne = R"({"corvath_session": 1, "settings": {"minFrequencyHz": 0.5, "smoothedSpectra": false,
      "method": "fieldStandard", "iterNumber": 12,
      "fieldStandard": {"windowSeconds": 30, "gridPoints": 64, "reject": false, "rejectSigmas": 3,
                        "search": {"lowHz": 1, "highHz": 5}, "staLta": null, "azimuthStepDegrees": 10}},
      "computed": {"classic": {"minFrequencyHz": 2, "maxFrequencyHz": 9, "smoothedSpectra": true},
                   "fieldStandard": {"windowSeconds": 20, "staLta": {"staSeconds": 2, "ltaSeconds": 40, "min": 0.1, "max": 3}}}})";
  const Result<Session> read = ReadSession(formatOne, "old.corvath");
  ASSERT_TRUE(read.done()) << read.message();
  const WindowSettings& w = read->settings;
  EXPECT_EQ(w.analysis.classic.minFrequencyHz, 0.5);
  EXPECT_FALSE(w.analysis.classic.smoothedSpectra);
  EXPECT_TRUE(w.fieldStandard);
  EXPECT_EQ(w.iterNumber, 12);
  EXPECT_EQ(w.analysis.fieldStandard.windowLengthSeconds, 30);
  EXPECT_EQ(w.analysis.fieldStandard.gridPoints, 64);
  EXPECT_FALSE(w.analysis.fieldStandard.reject);
  EXPECT_EQ(w.analysis.fieldStandard.search, (spectra::FrequencyBand{1, 5}));
  EXPECT_EQ(w.analysis.fieldStandard.azimuthStepDegrees, 10.0);
  ASSERT_TRUE(read->computed.classic && read->computed.fieldStandard);
  EXPECT_EQ(read->computed.classic->maxFrequencyHz, 9);
  EXPECT_EQ(read->computed.fieldStandard->staLta, (spectra::StaLtaSettings{2, 40, 0.1, 3}));

  // Saved again: format 2, the analysis settings as a settings file's object.
  const std::string saved = SessionJson(*read);
  EXPECT_EQ(saved.rfind("{\n  \"corvath_session\": 2,", 0), 0u) << saved;
  EXPECT_NE(saved.find("\"analysis\": {\n      \"corvath_settings\": 1,"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"window_length_s\": 30.0"), std::string::npos) << saved;
  const Result<Session> again = ReadSession(saved, "new.corvath");
  ASSERT_TRUE(again.done()) << again.message();
  EXPECT_EQ(again->settings, read->settings);
  EXPECT_EQ(again->computed, read->computed);
}

TEST(SettingsTable, SessionRefusalsNameTheKeyOfTheEmbeddedObject) {
  const struct {
    const char* settings;
    const char* message;
  } cases[] = {
      {R"({"analysis": {"corvath_settings": 1, "grid": {"points": 1}}})",
       "s.corvath: 'settings.analysis.grid.points' must be from 2 to 100000"},
      {R"({"analysis": {"corvath_settings": 1, "taper": 2}})", "s.corvath: 'settings.analysis.taper' must be from 0 to 1"},
      {R"({"analysis": {"corvath_settings": 1, "sta_lta": {"sta_s": 40}}})",
       "s.corvath: 'settings.analysis.sta_lta' is refused: the LTA length must be longer"},
      {R"({"iterNumber": 501})", "s.corvath: 'settings.iterNumber' must be from 1 to 500"},
      {R"({"fieldStandard": {}})", "s.corvath: 'settings.fieldStandard' is not a key of a session"},
  };
  for (const auto& c : cases) {
    const Result<Session> read =
        ReadSession(std::string(R"({"corvath_session": 2, "settings": )") + c.settings + "}", "s.corvath");
    ASSERT_TRUE(read.failed()) << c.settings;
    EXPECT_EQ(read.message().rfind(c.message, 0), 0u) << read.message();
  }
}

}  // namespace
}  // namespace corvath::app
