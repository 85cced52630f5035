#include "app/session.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "app/inputfile.h"
#include "inversion/model.h"
#include "numerics/numbertext.h"

namespace corvath::app {
namespace {

// A session in which every field differs from its default, with doubles that only
// survive a text round trip when it is exact.
Session RichSession() {
  Session s;
  s.record = SessionRecord{import::RecordFormat::Seg2, {"/data/records/shot 1.sg2"}, import::ChannelChoice{4, 2, 7}};
  s.windows = {{0.1 + 0.2, 1.0 / 3.0}, {5e-324, 2.5}, {17.25, 1.7976931348623157e308}};
  WindowSettings& w = s.settings;
  w.analysis.classic.minFrequencyHz = 0.30000000000000004;
  w.analysis.classic.maxFrequencyHz = 33.333333333333336;
  w.analysis.classic.smoothedSpectra = false;
  w.fieldStandard = true;
  w.analysis.fieldStandard.windowLengthSeconds = 12.000000000000002;
  w.analysis.fieldStandard.overlapPercent = 33.3;
  w.analysis.fieldStandard.taperFraction = 0.1;
  w.analysis.fieldStandard.bandwidth = 25.0;
  w.analysis.fieldStandard.gridMinHz = 0.125;
  w.analysis.fieldStandard.gridMaxHz = 49.99;
  w.analysis.fieldStandard.gridPoints = 77;
  w.analysis.fieldStandard.combination = spectra::HorizontalCombination::Quadratic;
  w.analysis.fieldStandard.rejectionStdDevs = 2.6;  // with the rejection on: off, a settings object keeps no n
  w.analysis.fieldStandard.rejectionIterations = 7;
  w.analysis.fieldStandard.search = spectra::FrequencyBand{0.1 + 0.2, 14.999999999999998};
  w.analysis.fieldStandard.staLta = spectra::StaLtaSettings{0.75, 45.000000000000007, 0.1 + 0.2, 3.1};
  w.analysis.fieldStandard.azimuthStepDegrees = 22.5;
  w.layersNumber = 4;
  w.iterNumber = 37;
  w.globalSearch = true;
  w.optimizeReferenceFrequency = true;
  w.optimizeDispersionExponent = false;
  w.ratioConstraint = false;
  w.referenceFrequencyHz = 1e-7;
  w.dispersionExponent = -0.123456789012345678;
  w.zoomFactor = 1.4000000000000001;
  inversion::ModelTables& t = s.tables;
  t.StartValues[1] = 0.7071067811865476;
  t.IncFactors[0] = 1.0 + std::numeric_limits<double>::epsilon();
  t.HardLimits[2] = {0.011, 5.9};
  t.UserLimits[0] = {2.0, numerics::InvalidNumber};
  t.InvertDefaults = {false, true, false, true, false, true};
  t.SelectedParameter = 5;
  inversion::amodel model;
  inversion::ResetModel(model, t, 4);
  model.values[2][1] = 0.1234567890123456789;
  model.values[0][0] = 100.0 / 3.0;
  model.layerLimits[3][2] = {1.1, 2.2};
  model.invertFlags[4][3] = true;
  s.model = model;
  s.computed.classic = ClassicSettings{0.5, 15.000000000000002, false};
  s.computed.fieldStandard = w.analysis.fieldStandard;
  s.computed.fieldStandard->reject = false;  // and with it no n
  s.computed.fieldStandard->rejectionStdDevs = spectra::FieldStandardSettings{}.rejectionStdDevs;
  s.computed.theoreticalCurve = ForwardModelSettings{1.0 / 7.0, 0.30000000000000004};
  return s;
}

TEST(Session, EveryFieldAndEveryDoubleComesBackExactly) {
  const Session written = RichSession();
  const std::string text = SessionJson(written);
  // Shortest round-trip decimals, not rounded ones.
  EXPECT_NE(text.find("0.30000000000000004"), std::string::npos);
  EXPECT_EQ(text.rfind("{\n  \"corvath_session\": 2,", 0), 0u);  // the marker first
  const Result<Session> read = ReadSession(text, "work.json");
  ASSERT_TRUE(read.done()) << read.message();
  EXPECT_TRUE(*read == written);
  EXPECT_EQ(read->windows[1].start, 5e-324);
  EXPECT_EQ(read->settings.dispersionExponent, written.settings.dispersionExponent);
  EXPECT_EQ(read->model->values[2][1], written.model->values[2][1]);
  EXPECT_EQ(read->tables.UserLimits[0].im, numerics::InvalidNumber);
  // Writing what was read gives the same text again.
  EXPECT_EQ(SessionJson(*read), text);

  // Through a file: written atomically, read back with the file's folder.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvath_session_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "work.json").string();
  ASSERT_TRUE(SaveSession(path, written).done());
  const Result<Session> opened = OpenSession(path);
  ASSERT_TRUE(opened.done()) << opened.message();
  EXPECT_TRUE(*opened == written);
  std::filesystem::remove_all(dir);
}

TEST(Session, MissingKeysTakeTheirDefaults) {
  const Result<Session> bare = ReadSession(R"({"corvath_session": 1})", "bare.json");
  ASSERT_TRUE(bare.done()) << bare.message();
  EXPECT_TRUE(*bare == Session{});
  EXPECT_FALSE(bare->record);
  EXPECT_FALSE(bare->model);

  const Result<Session> some = ReadSession(
      R"({"corvath_session": 1, "settings": {"iterNumber": 7, "fieldStandard": {"gridPoints": 9}},
          "tables": {"StartValues": {"Vs": 0.25}}, "computed": {"theoreticalCurve": {"dispersionExponent": 0.2}}})",
      "some.json");
  ASSERT_TRUE(some.done()) << some.message();
  Session expected;
  expected.settings.iterNumber = 7;
  expected.settings.analysis.fieldStandard.gridPoints = 9;
  expected.tables.StartValues[2] = 0.25;
  expected.computed.theoreticalCurve = ForwardModelSettings{0.0, 0.2};
  EXPECT_TRUE(*some == expected);
}

TEST(Session, RelativeRecordFilesAreTakenFromTheSessionFolder) {
  const Result<Session> read = ReadSession(
      R"({"corvath_session": 1, "record": {"format": "components", "files": ["x.txt", "../y.txt", "/abs/z.txt"]}})",
      "s.json", "/work/sessions");
  ASSERT_TRUE(read.done()) << read.message();
  ASSERT_TRUE(read->record);
  EXPECT_EQ(read->record->format, import::RecordFormat::Components);
  EXPECT_EQ(read->record->paths, (std::vector<std::string>{"/work/sessions/x.txt", "/work/y.txt", "/abs/z.txt"}));
  EXPECT_FALSE(read->record->channels);
}

TEST(Session, RefusesWhatItDoesNotKnowNamingTheKeyAndTheFile) {
  struct Case {
    const char* json;
    const char* named;  // what the message must name besides the file
  };
  const Case cases[] = {
      {R"({"corvath_session": 1, "extra": 1})", "'extra'"},
      {R"({"corvath_session": 1, "settings": {"minFrequency": 1}})", "'settings.minFrequency'"},
      {R"({"corvath_session": 1, "settings": {"fieldStandard": {"grid": 3}}})", "'settings.fieldStandard.grid'"},
      {R"({"corvath_session": 1, "settings": {"fieldStandard": {"staLta": {"sta": 1}}}})",
       "'settings.fieldStandard.staLta.sta'"},
      {R"({"corvath_session": 1, "settings": {"fieldStandard": {"search": {"lowHz": 1, "to": 2}}}})",
       "'settings.fieldStandard.search.to'"},
      {R"({"corvath_session": 1, "settings": {"fieldStandard": {"rejectPasses": 0}}})",
       "'settings.fieldStandard.rejectPasses'"},
      {R"({"corvath_session": 1, "settings": {"fieldStandard": {"azimuthStepDegrees": "15"}}})",
       "'settings.fieldStandard.azimuthStepDegrees' must be a number"},
      {R"({"corvath_session": 1, "settings": {"minFrequencyHz": "1"}})", "'settings.minFrequencyHz' must be a number"},
      {R"({"corvath_session": 1, "settings": {"smoothedSpectra": 1}})", "'settings.smoothedSpectra' must be true"},
      {R"({"corvath_session": 1, "settings": {"iterNumber": 2.5}})", "'settings.iterNumber' must be a whole"},
      {R"({"corvath_session": 1, "settings": {"layersNumber": 11}})", "'settings.layersNumber' must be from 2 to 10"},
      {R"({"corvath_session": 1, "settings": {"zoomFactor": 0.5}})", "'settings.zoomFactor'"},
      {R"({"corvath_session": 1, "settings": {"method": "fancy"}})", "'settings.method'"},
      {R"({"corvath_session": 1, "settings": []})", "'settings' must be an object"},
      {R"({"corvath_session": 1, "windows": [[2, 1]]})", "'windows'"},
      {R"({"corvath_session": 1, "windows": {"a": 1}})", "'windows' must be a list"},
      {R"({"corvath_session": 1, "record": {"format": "tiff", "files": ["a"]}})", "'record.format'"},
      {R"({"corvath_session": 1, "record": {"format": "saf"}})", "'record.files' is missing"},
      {R"({"corvath_session": 1, "record": {"files": ["a"], "channels": [1, 2]}})", "'record.channels'"},
      {R"({"corvath_session": 1, "tables": {"HardLimits": {"Vp": [1]}}})", "'tables.HardLimits.Vp'"},
      {R"({"corvath_session": 1, "tables": {"SelectedParameter": 6}})", "'tables.SelectedParameter'"},
      {R"({"corvath_session": 1, "model": {"values": {}}})", "'model.limits' is missing"},
      {R"({"corvath_session": 1, "computed": {"classic": {"minFrequencyHz": null}}})",
       "'computed.classic.minFrequencyHz'"},
      {R"({"corvath_session": "1"})", "'corvath_session'"},
      {R"({"corvath_session": 3})", "later version"},
      {R"({"settings": {}})", "not a Corvath session"},
      {R"({"corvath_session": 1,)", "not a JSON text"},
      {R"({"corvath_session": 1, "windows": [[1, 1e400]]})", "not a JSON text"},
  };
  for (const Case& c : cases) {
    const Result<Session> read = ReadSession(c.json, "bad.json");
    ASSERT_TRUE(read.failed()) << c.json;
    EXPECT_NE(read.message().find(c.named), std::string::npos) << read.message();
    EXPECT_NE(read.message().find("bad.json"), std::string::npos) << read.message();
    EXPECT_EQ(read.outcome.path, "bad.json");
  }
}

TEST(Session, ModelMustBeOneLayerCountThroughout) {
  Session s = RichSession();
  // A model of four layers with "Layers number" 5.
  s.settings.layersNumber = 5;
  Result<Session> read = ReadSession(SessionJson(s), "m.json");
  ASSERT_TRUE(read.failed());
  EXPECT_NE(read.message().find("'settings.layersNumber'"), std::string::npos) << read.message();
  // One parameter with a layer fewer.
  s = RichSession();
  s.model->values[3].pop_back();
  read = ReadSession(SessionJson(s), "m.json");
  ASSERT_TRUE(read.failed());
  EXPECT_NE(read.message().find("'model.Rho'"), std::string::npos) << read.message();
}

// A session brings no model the table would refuse: its limits lie within the program's,
// its values within its limits (the half-space's H has none); files are read whole only
// up to a bound.
TEST(Session, ModelAndLimitsWithinTheProgramsBounds) {
  Session s = RichSession();
  s.model->values[1][2] = 9.0;  // Vp above 8 km/s
  Result<Session> read = ReadSession(SessionJson(s), "m.json");
  ASSERT_TRUE(read.failed());
  EXPECT_NE(read.message().find("'model.values.Vp' holds 9 in layer 3, outside its limits 0.1 to 8"), std::string::npos)
      << read.message();

  s = RichSession();
  s.model->values[0][3] = -1.0;  // the half-space's H is not a value
  EXPECT_TRUE(ReadSession(SessionJson(s), "m.json").done());

  s = RichSession();
  s.tables.HardLimits[5] = {0.0, 1e9};
  read = ReadSession(SessionJson(s), "m.json");
  ASSERT_TRUE(read.failed());
  EXPECT_NE(read.message().find("'tables.HardLimits.Qs' must lie within"), std::string::npos) << read.message();

  const std::filesystem::path big = std::filesystem::temp_directory_path() / "corvath_session_too_large.json";
  {
    std::ofstream out(big, std::ios::binary);
    out << R"({"corvath_session": 1, "windows": [)";
    const std::string row = "[1, 2],";
    for (std::uintmax_t n = 0; n < (kMaxSmallTextFileBytes / row.size()) + 1; ++n) out << row;
    out << "[1, 2]]}";
  }
  read = OpenSession(big.string());
  std::filesystem::remove(big);
  ASSERT_TRUE(read.failed());
  EXPECT_NE(read.message().find("too large to be read whole"), std::string::npos) << read.message();
}

TEST(Session, WindowSettingsAloneRoundTrip) {
  const WindowSettings settings = RichSession().settings;
  const Result<WindowSettings> read = ReadWindowSettings(WindowSettingsJson(settings), "remembered settings");
  ASSERT_TRUE(read.done()) << read.message();
  EXPECT_TRUE(*read == settings);
  const Result<WindowSettings> bad = ReadWindowSettings(R"({"zoom": 2})", "remembered settings");
  ASSERT_TRUE(bad.failed());
  EXPECT_NE(bad.message().find("'zoom'"), std::string::npos);
}

}  // namespace
}  // namespace corvath::app
