#pragma once
// A station's row of a survey summary, typed: numbers as numbers, the status as an
// enum. One table of columns drives summary.csv's cells (written and read back), the
// summary object of station.json and the properties of summary.geojson, so that a
// column is added in one place: a field here and its row in kSummaryColumns.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/outcome.h"

namespace corvath::app {

enum class StationStatus { Done, Failed };

//! "done" or "failed", as summary.csv writes the status.
const char* StationStatusName(StationStatus status);

struct StationSummary {
  std::string station;
  StationStatus status = StationStatus::Failed;
  std::optional<double> f0Hz;           //!< the median of the windows' peaks
  std::optional<double> f0SigmaLn;      //!< their log-normal spread
  std::optional<double> curveF0Hz;      //!< the peak of the mean curve
  std::optional<double> a0;             //!< the median amplitude at the peaks
  std::optional<bool> reliable;         //!< the curve's reliability criteria
  std::optional<bool> clear;            //!< the clear-peak criteria
  std::optional<std::uint64_t> windowsUsed;
  std::optional<double> longitude;      //!< degrees, from the manifest
  std::optional<double> latitude;       //!< degrees, from the manifest
  std::string message;                  //!< why a station failed, or what its load told

  bool done() const { return status == StationStatus::Done; }
  bool operator==(const StationSummary&) const = default;
};

//! One column of the summary: its heading (also its key in station.json and the
//! GeoJSON) and the field it shows.
struct SummaryColumn {
  using Field = std::variant<std::string StationSummary::*, StationStatus StationSummary::*,
                             std::optional<double> StationSummary::*, std::optional<bool> StationSummary::*,
                             std::optional<std::uint64_t> StationSummary::*>;
  const char* name;
  Field field;
  bool resultOfDone = false;  //!< a done station always has it
  bool number = false;        //!< sorts as a number
};

//! The columns of summary.csv before the manifest's further ones, in order.
inline constexpr SummaryColumn kSummaryColumns[] = {
    {"station", &StationSummary::station},
    {"status", &StationSummary::status},
    {"f0_hz", &StationSummary::f0Hz, true, true},
    {"f0_sigma_ln", &StationSummary::f0SigmaLn, true, true},
    {"curve_f0_hz", &StationSummary::curveF0Hz, true, true},
    {"a0", &StationSummary::a0, true, true},
    {"reliable", &StationSummary::reliable, true},
    {"clear", &StationSummary::clear, true},
    {"windows_used", &StationSummary::windowsUsed, true, true},
    {"longitude", &StationSummary::longitude, false, true},
    {"latitude", &StationSummary::latitude, false, true},
    {"message", &StationSummary::message},
};
inline constexpr std::size_t kSummaryColumnCount = std::size(kSummaryColumns);

//! The summary's headings, kSummaryColumns' names in order.
std::vector<std::string> SummaryHeadings();

//! The row's cells as summary.csv writes them: numbers in the shortest text that reads
//! back, "nan", "inf" or "-inf" for a value that is no number, "true"/"false", and an
//! empty cell for a value the station does not have.
std::vector<std::string> SummaryCells(const StationSummary& summary);

//! The row back from kSummaryColumnCount cells of summary.csv; Failed naming the
//! column and its text when a cell does not read as its column's kind.
Result<StationSummary> SummaryFromCells(const std::vector<std::string>& cells);

//! The row as a JSON object keyed by the column names: numbers as JSON numbers ("nan",
//! "inf" or "-inf" as text), null for a value the station does not have.
nlohmann::ordered_json SummaryJson(const StationSummary& summary);

//! The row back from SummaryJson's object; Failed naming the key (as "where.key") when a
//! key is missing or unknown, its value is of the wrong kind or out of range, or a done
//! station lacks a result.
Result<StationSummary> SummaryFromJson(const nlohmann::ordered_json& object, const std::string& where);

}  // namespace corvath::app
