// The typed summary row: summary.csv's cells and station.json's object written and
// read back, and the cells and values either reader refuses.
#include "app/stationsummary.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/stationfile.h"

namespace corvath::app {
namespace {

StationSummary DoneRow() {
  StationSummary row;
  row.station = "S, 1";
  row.status = StationStatus::Done;
  row.f0Hz = 2.5;
  row.f0SigmaLn = 0.1;
  row.curveF0Hz = std::numeric_limits<double>::infinity();
  row.a0 = 3.0;
  row.reliable = true;
  row.clear = false;
  row.windowsUsed = 12;
  row.longitude = -8.5;
  row.latitude = 47.25;
  row.message = "gap of 2 s";
  return row;
}

TEST(StationSummary, CellsAndStationFileReadBackToTheSameRow) {
  StationSummary failed;
  failed.station = "F";
  failed.message = "a.saf: File not found";
  for (const StationSummary& row : {DoneRow(), failed}) {
    SCOPED_TRACE(row.station);
    const Result<StationSummary> fromCells = SummaryFromCells(SummaryCells(row));
    ASSERT_TRUE(fromCells.done()) << fromCells.message();
    EXPECT_EQ(*fromCells, row);
    const StationFile file{3, row, {{"/d/a.saf", 10, std::string(64, 'a')}, {"/d/b.saf", std::nullopt, ""}}};
    const Result<StationFile> back = ParseStationFile(StationFileText(file), "station.json");
    ASSERT_TRUE(back.done()) << back.message();
    EXPECT_EQ(*back, file);
  }
  EXPECT_EQ(SummaryCells(DoneRow()), (std::vector<std::string>{"S, 1", "done", "2.5", "0.1", "inf", "3", "true",
                                                               "false", "12", "-8.5", "47.25", "gap of 2 s"}));
  EXPECT_EQ(SummaryCells(failed), (std::vector<std::string>{"F", "failed", "", "", "", "", "", "", "", "", "",
                                                            "a.saf: File not found"}));
  // A value that is no number is written as such, never as a plausible number.
  StationSummary nan = DoneRow();
  nan.a0 = std::nan("");
  EXPECT_EQ(SummaryCells(nan)[5], "nan");
  const std::string text = StationFileText({0, nan, {}});
  EXPECT_NE(text.find("\"a0\": \"nan\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"windows_used\": 12"), std::string::npos) << text;  // numbers as JSON numbers
  EXPECT_TRUE(std::isnan(*ParseStationFile(text, "s.json")->summary.a0));
}

TEST(StationSummary, CellsThatDoNotReadAsTheirColumnAreRefusedByName) {
  const struct {
    std::size_t column;
    const char* cell;
    const char* message;
  } cases[] = {
      {8, "abc", "windows_used 'abc' is not a whole number from 0"},
      {8, "-1", "windows_used '-1' is not a whole number from 0"},
      {2, "2x6abc", "f0_hz '2x6abc' is not a number"},
      {6, "yes", "reliable 'yes' is not true or false"},
      {1, "ok", "status 'ok' is not \"done\" or \"failed\""},
      {3, "", "f0_sigma_ln is empty for a done station"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> cells = SummaryCells(DoneRow());
    cells[c.column] = c.cell;
    const Result<StationSummary> read = SummaryFromCells(cells);
    ASSERT_TRUE(read.failed()) << c.cell;
    EXPECT_EQ(read.message(), c.message);
  }
  EXPECT_TRUE(SummaryFromCells({"A", "done"}).failed());
}

TEST(StationSummary, StationFileRefusalsNameTheFileAndTheKey) {
  const std::string good = StationFileText({0, DoneRow(), {{"/d/a.saf", 10, ""}}});
  auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {with("\"f0_hz\": 2.5", "\"f0_hz\": null"), "s.json: summary.f0_hz is empty for a done station"},
      {with("\"f0_hz\": 2.5", "\"f0_hz\": true"), "s.json: summary.f0_hz must be a number, \"nan\", \"inf\", \"-inf\" or null, not true"},
      {with("\"windows_used\": 12", "\"windows_used\": 12.5"), "s.json: summary.windows_used must be a whole number from 0 or null, not 12.5"},
      {with("\"clear\": false", "\"clear\": false, \"depth\": 3"), "s.json: summary.depth is not a column of the summary"},
      {with("\"status\": \"done\"", "\"status\": 1"), "s.json: summary.status must be \"done\" or \"failed\", not 1"},
      {with("\"size\": 10", "\"size\": -10"), "s.json: files[0].size is not a whole number from 0 or null"},
      {with("\"sha256\": null", "\"sha256\": \"ABC\""), "s.json: files[0].sha256 is not 64 lower-case hex digits or null"},
      {with("\"corvath_station\": 1", "\"corvath_station\": 2"), "s.json: a station file of format 2, this program reads format 1"},
      {with("\"index\": 0", "\"index\": \"0\""), "s.json: index is not a whole number from 0"},
      {"[1, 2]", "s.json: not a station file (no \"corvath_station\" key)"},
      {"", "s.json: not JSON (parse error"},
  };
  for (const auto& c : cases) {
    const Result<StationFile> read = ParseStationFile(c.text, "s.json");
    ASSERT_TRUE(read.failed()) << c.text;
    EXPECT_EQ(read.message().rfind(c.message, 0), 0u) << read.message();
    EXPECT_EQ(read.outcome.path, "s.json");
  }
}

}  // namespace
}  // namespace corvath::app
