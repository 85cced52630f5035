// corvath-cli survey: a manifest of real records run locally with one and two jobs,
// each station's row against hv run on that station alone; the job-array script run
// task by task and merged against the local run; the usage errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/clirun.h"

namespace fs = std::filesystem;

namespace {

using corvath::testing::CliRun;
using corvath::testing::ReadAll;
using corvath::testing::ShellQuoted;

const std::string kData = CORVATH_SHARED_DATA;

// The cells of a CSV line (a quoted cell's doubled quote reads as one).
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"')
      cell += line[++i];
    else if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      cells.push_back(std::exchange(cell, {}));
    else
      cell += c;
  }
  cells.push_back(cell);
  return cells;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The value of "key": in a one-line JSON report, as written.
std::string JsonField(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return "<missing " + key + ">";
  const std::size_t from = at + key.size() + 3;
  return json.substr(from, json.find_first_of(",}", from) - from);
}

class SurveyCli : public ::testing::Test {
protected:
  CliRun Run(const std::string& command, const std::vector<std::string>& args) const {
    return corvath::testing::RunCli(scratch_, command, args);
  }
  std::string Write(const std::string& name, const std::string& text) const { return scratch_.write(name, text); }

  // Four real stations and one whose file is missing: a miniSEED record, a SAF
  // record copied beside the manifest under a relative name with a space, the
  // STN11 record as three SAC files, and further columns with quoted commas.
  // The real records the manifest names are beside the clone.
  static bool RealRecordsHere() {
    for (const char* record : {"/saf/mt_20211122_133110.saf", "/sac/ut.stn11.a2_c50_n.sac",
                               "/mseed/UT.STN11.A2_C50.miniseed", "/mseed/UT.STN12.A2_C50.miniseed"})
      if (!fs::exists(kData + record)) return false;
    return true;
  }

  std::string RealManifest() const {
    fs::create_directories(dir_ / "records");
    fs::copy_file(kData + "/saf/mt_20211122_133110.saf", dir_ / "records" / "site a.saf");
    const std::string sac = kData + "/sac/ut.stn11.a2_c50_";
    return Write("manifest.csv",
                 "station,files,longitude,latitude,site\n"
                 "STN11," + kData + "/mseed/UT.STN11.A2_C50.miniseed,-111.85,40.76,\"campus, north\"\n"
                 "SAF,records/site a.saf,-111.86,40.74,lab\n"
                 "LOST,records/lost.saf,-111.845,40.765,\"gone, \"\"really\"\"\"\n"
                 "SAC,\"" + sac + "n.sac;" + sac + "e.sac;" + sac + "z.sac\",-111.83,40.77,sac\n"
                 "STN12," + kData + "/mseed/UT.STN12.A2_C50.miniseed,-111.84,40.75,south\n");
  }

  corvath::testing::ScratchDir scratch_;
  const fs::path dir_ = scratch_.root();
};

TEST_F(SurveyCli, RealRecordsGiveHvsNumbersAndTheSameSummaryWhateverTheJobs) {
  if (!RealRecordsHere()) GTEST_SKIP() << "the real records do not lie beside the clone";
  const std::string manifest = RealManifest();
  const std::string settings = Write("settings.json", R"({"corvath_settings": 1, "window_length_s": 50, "reject": 2.5})");
  const std::string one = (dir_ / "one").string(), two = (dir_ / "two").string();
  const CliRun first = Run("survey", {manifest, "--out", one, "--settings", settings, "--jobs", "1"});
  const CliRun second = Run("survey", {manifest, "--settings", settings, "--jobs=2", "--out", two});
  EXPECT_EQ(first.status, 1) << first.err;  // one station failed, the others completed
  EXPECT_EQ(second.status, 1) << second.err;
  EXPECT_NE(first.err.find("1 of 5 stations failed"), std::string::npos) << first.err;
  const std::string summary = ReadAll(fs::path(one) / "summary.csv");
  EXPECT_EQ(summary, ReadAll(fs::path(two) / "summary.csv"));
  EXPECT_EQ(ReadAll(fs::path(one) / "summary.geojson"), ReadAll(fs::path(two) / "summary.geojson"));

  const auto lines = Lines(summary);
  ASSERT_EQ(lines.size(), 6u) << summary;
  EXPECT_EQ(lines[0],
            "station,status,f0_hz,f0_sigma_ln,curve_f0_hz,a0,reliable,clear,windows_used,longitude,latitude,message,site");
  const std::vector<std::vector<std::string>> stationFiles = {
      {kData + "/mseed/UT.STN11.A2_C50.miniseed"},
      {(dir_ / "records" / "site a.saf").string()},
      {},
      {kData + "/sac/ut.stn11.a2_c50_n.sac", kData + "/sac/ut.stn11.a2_c50_e.sac", kData + "/sac/ut.stn11.a2_c50_z.sac"},
      {kData + "/mseed/UT.STN12.A2_C50.miniseed"}};
  const char* names[] = {"STN11", "SAF", "LOST", "SAC", "STN12"};
  for (std::size_t s = 0; s < 5; ++s) {
    SCOPED_TRACE(names[s]);
    const auto cells = Cells(lines[s + 1]);
    ASSERT_EQ(cells.size(), 13u) << lines[s + 1];
    EXPECT_EQ(cells[0], names[s]);
    if (stationFiles[s].empty()) {
      EXPECT_EQ(cells[1], "failed");
      EXPECT_EQ(cells[2], "");
      EXPECT_NE(cells[11].find("records/lost.saf: File not found"), std::string::npos) << cells[11];
      EXPECT_EQ(cells[12], "gone, \"really\"");
      continue;
    }
    // The row holds hv's own numbers for the station alone with the same settings.
    std::vector<std::string> args = {"--settings", settings, "--json"};
    args.insert(args.end(), stationFiles[s].begin(), stationFiles[s].end());
    const CliRun alone = Run("hv", args);
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(cells[1], "done");
    EXPECT_EQ(cells[2], JsonField(alone.out, "f0_hz"));
    EXPECT_EQ(cells[3], JsonField(alone.out, "f0_sigma_ln"));
    EXPECT_EQ(cells[4], JsonField(alone.out, "curve_f0_hz"));
    EXPECT_EQ(cells[5], JsonField(alone.out, "a0"));
    EXPECT_EQ(cells[6], JsonField(alone.out, "reliable"));
    EXPECT_EQ(cells[7], JsonField(alone.out, "clear"));
    EXPECT_EQ(cells[8], JsonField(alone.out, "windows_used"));
    EXPECT_EQ(ReadAll(fs::path(one) / names[s] / "report.json"), alone.out);
    EXPECT_TRUE(fs::file_size(fs::path(one) / names[s] / "curve.hv") > 0);
    EXPECT_TRUE(fs::file_size(fs::path(one) / names[s] / "hv.png") > 0);
  }
  EXPECT_EQ(Cells(lines[1])[12], "campus, north");
  EXPECT_TRUE(fs::file_size(fs::path(one) / "map.png") > 0);

  const std::string record = ReadAll(fs::path(one) / "survey.json");
  EXPECT_NE(record.find("\"window_length_s\": 50.0"), std::string::npos);
  EXPECT_NE(record.find("\"sha256\": \"3ef762521d7c16cb777e1b30351090c7e376e21f46a2f4b92f45fe292e27b648\""),
            std::string::npos);  // the STN11 miniSEED file
  EXPECT_NE(record.find("\"size\": 1141248"), std::string::npos);
  const std::string geojson = ReadAll(fs::path(one) / "summary.geojson");
  EXPECT_NE(geojson.find("\"type\": \"FeatureCollection\""), std::string::npos);
  EXPECT_NE(geojson.find("\"site\": \"campus, north\""), std::string::npos);
}

TEST_F(SurveyCli, JobArrayTasksMergedEqualALocalRun) {
  if (!RealRecordsHere()) GTEST_SKIP() << "the real records do not lie beside the clone";
  const std::string manifest = RealManifest();
  const std::string local = (dir_ / "local").string(), cluster = (dir_ / "cluster").string();
  ASSERT_EQ(Run("survey", {manifest, "--out", local}).status, 1);

  const CliRun recipe = Run("survey", {manifest, "--out", cluster, "--slurm"});
  ASSERT_EQ(recipe.status, 0) << recipe.err;
  EXPECT_FALSE(fs::exists(fs::path(cluster) / "STN11"));  // --slurm computes nothing
  const std::string script = ReadAll(fs::path(cluster) / "survey.sbatch");
  EXPECT_EQ(script.rfind("#!/bin/bash\n", 0), 0u);
  EXPECT_NE(script.find("#SBATCH --array=0-4\n"), std::string::npos) << script;
  EXPECT_NE(script.find(ShellQuoted(fs::absolute(CORVATH_CLI).string()) + " survey "), std::string::npos) << script;
  EXPECT_NE(script.find("--station \"$SLURM_ARRAY_TASK_ID\""), std::string::npos) << script;

  // Each task as the scheduler starts it: the script with its task number.
  for (int task = 0; task < 5; ++task) {
    const std::string line = "SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " bash " +
                             ShellQuoted((fs::path(cluster) / "survey.sbatch").string()) + " 2>/dev/null";
    EXPECT_EQ(corvath::testing::ExitStatus(std::system(line.c_str())), task == 2 ? 1 : 0) << task;
  }
  const CliRun merged = Run("survey", {"--merge", cluster});
  EXPECT_EQ(merged.status, 1) << merged.err;
  for (const char* file : {"summary.csv", "summary.geojson", "survey.json"})
    EXPECT_EQ(ReadAll(fs::path(cluster) / file), ReadAll(fs::path(local) / file)) << file;
  EXPECT_TRUE(fs::exists(fs::path(cluster) / "map.png"));

  // A task that left nothing fails its station in the merge and says so.
  fs::remove(fs::path(cluster) / "SAF" / "station.json");
  ASSERT_EQ(Run("survey", {"--merge", cluster}).status, 1);
  const auto row = Cells(Lines(ReadAll(fs::path(cluster) / "summary.csv"))[2]);
  EXPECT_EQ(row[1], "failed");
  EXPECT_NE(row[11].find("did not finish"), std::string::npos) << row[11];
}

TEST_F(SurveyCli, MergeFailsEachMalformedStationFileAloneAndWritesTheSummary) {
  // A survey folder whose station tasks left one good station.json and broken ones.
  std::string manifest = "station,files,longitude,latitude,site\nGOOD,a.saf,8.5,47.25,hill\n";
  const std::string good =
      R"({"corvath_station": 1, "station": "GOOD", "index": 0, "summary": {"station": "GOOD", "status": "done",)"
      R"( "f0_hz": 2.5, "f0_sigma_ln": 0.125, "curve_f0_hz": 2.4, "a0": 3.5, "reliable": true, "clear": false,)"
      R"( "windows_used": 12, "longitude": 8.5, "latitude": 47.25, "message": ""},)"
      R"( "files": [{"path": "/data/a.saf", "size": 10, "sha256": null}]})";
  auto replaced = [&](const std::string& from, const std::string& to) {  // every occurrence
    std::string text = good;
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  const struct {
    const char* station;
    std::string text;
    const char* why;
  } broken[] = {
      {"WORD", replaced("\"windows_used\": 12", "\"windows_used\": \"abc\""),
       "summary.windows_used must be a whole number from 0 or null, not \"abc\""},
      {"GLUED", replaced("\"f0_hz\": 2.5", "\"f0_hz\": \"2x6abc\""), "summary.f0_hz must be a number"},
      {"NO_A0", replaced("\"a0\": 3.5, ", ""), "summary.a0 is missing"},
      {"CUT", good.substr(0, good.size() / 2), "not JSON (parse error"},
      {"FOREIGN", R"({"type": "FeatureCollection", "features": []})", "not a station file"},
      {"OLD", R"({"station": "OLD", "index": 6, "summary": ["OLD", "done"], "files": []})", "not a station file"},
      {"OTHER", replaced("GOOD", "ELSE"), "holds the station 'ELSE', not 'OTHER'"},
  };
  for (const auto& b : broken) manifest += std::string(b.station) + ",a.saf,1,2,x\n";
  const std::string out = (dir_ / "out").string();
  ASSERT_EQ(Run("survey", {Write("m.csv", manifest), "--out", out, "--slurm"}).status, 0);
  fs::create_directories(fs::path(out) / "GOOD");
  std::ofstream(fs::path(out) / "GOOD" / "station.json") << good;
  for (const auto& b : broken) {
    fs::create_directories(fs::path(out) / b.station);
    std::ofstream(fs::path(out) / b.station / "station.json") << b.text;
  }

  const CliRun merged = Run("survey", {"--merge", out});
  EXPECT_EQ(merged.status, 1) << merged.err;
  EXPECT_NE(merged.err.find("7 of 8 stations failed"), std::string::npos) << merged.err;
  const auto lines = Lines(ReadAll(fs::path(out) / "summary.csv"));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "GOOD,done,2.5,0.125,2.4,3.5,true,false,12,8.5,47.25,,hill");
  for (std::size_t s = 0; s < std::size(broken); ++s) {
    SCOPED_TRACE(broken[s].station);
    const auto cells = Cells(lines[s + 2]);
    ASSERT_EQ(cells.size(), 13u) << lines[s + 2];
    EXPECT_EQ(cells[0], broken[s].station);
    EXPECT_EQ(cells[1], "failed");
    EXPECT_EQ(cells[2] + cells[8], "");  // nothing of the broken file passes into the row
    EXPECT_EQ(cells[9] + "," + cells[10], "1,2");
    const std::string file = (fs::path(out) / broken[s].station / "station.json").string();
    EXPECT_EQ(cells[11].rfind(file + ": ", 0), 0u) << cells[11];
    EXPECT_NE(cells[11].find(broken[s].why), std::string::npos) << cells[11];
  }
  const std::string geojson = ReadAll(fs::path(out) / "summary.geojson");
  EXPECT_NE(geojson.find("\"windows_used\": 12"), std::string::npos) << geojson;
  EXPECT_NE(ReadAll(fs::path(out) / "survey.json").find("\"status\": \"failed\""), std::string::npos);
}

TEST_F(SurveyCli, UsageErrorsAndUnreadableInputs) {
  const std::string manifest = Write("m.csv", "station,files,longitude,latitude\nA,a.saf,1,2\n");
  const std::string bad = Write("bad.json", R"({"corvath_settings": 1, "grid": {"points": 1}})");
  const std::vector<std::vector<std::string>> usage{
      {manifest},
      {"--out", "o"},
      {manifest, "--out", "o", "--jobs", "0"},
      {manifest, "--out", "o", "--jobs", "1.5"},
      {manifest, manifest, "--out", "o"},
      {"--merge", "o", manifest},
      {manifest, "--out", "o", "--slurm", "--station", "0"},
      {manifest, "--out", "o", "--station", "1"},
      {manifest, "--out", "o", "--settings", bad},
      {manifest, "--out", "o", "--fast"},
  };
  for (const auto& args : usage) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const CliRun run = Run("survey", args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: corvath-cli survey"), std::string::npos) << run.err;
  }
  const CliRun settings = Run("survey", {manifest, "--out", "o", "--settings", bad});
  EXPECT_NE(settings.err.find(bad + ": 'grid.points' must be from 2 to 100000"), std::string::npos) << settings.err;
  const CliRun missing = Run("survey", {(dir_ / "none.csv").string(), "--out", (dir_ / "o").string()});
  EXPECT_EQ(missing.status, 1);
  const CliRun malformed = Run("survey", {Write("x.csv", "name,files\nA,a.saf\n"), "--out", (dir_ / "o").string()});
  EXPECT_EQ(malformed.status, 1);
  EXPECT_NE(malformed.err.find("x.csv: line 1: the heading has no 'station' column"), std::string::npos) << malformed.err;
  const CliRun notSurvey = Run("survey", {"--merge", dir_.string()});
  EXPECT_EQ(notSurvey.status, 1);
  EXPECT_NE(notSurvey.err.find("is not a survey folder"), std::string::npos) << notSurvey.err;
}

}  // namespace
