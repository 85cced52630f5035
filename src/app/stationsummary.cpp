#include "app/stationsummary.h"

#include <charconv>
#include <cmath>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "numerics/numbertext.h"

namespace corvath::app {

namespace {

using json = nlohmann::ordered_json;

template <class T>
inline constexpr bool kAlwaysFalse = false;

std::string NumberCell(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return numerics::NumberToShortestText(value);
}

// A double from the whole of text ("nan", "inf" and "-inf" included).
std::optional<double> CellNumber(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto read = std::from_chars(text.data(), end, value);
  if (text.empty() || read.ec != std::errc() || read.ptr != end) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> CellWholeNumber(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto read = std::from_chars(text.data(), end, value);
  if (text.empty() || read.ec != std::errc() || read.ptr != end) return std::nullopt;
  return value;
}

std::optional<StationStatus> StatusNamed(const std::string& name) {
  if (name == "done") return StationStatus::Done;
  if (name == "failed") return StationStatus::Failed;
  return std::nullopt;
}

// A JSON value as a refusal quotes it, cut short when long.
std::string Quoted(const json& value) {
  std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  if (text.size() > 40) text = text.substr(0, 37) + "...";
  return text;
}

// The result columns a done station must have.
Outcome CheckDone(const StationSummary& summary, const std::string& where) {
  if (!summary.done()) return Outcome::Done();
  for (const SummaryColumn& column : kSummaryColumns) {
    if (!column.resultOfDone) continue;
    const bool present = std::visit(
        [&](auto member) {
          using Value = std::remove_cvref_t<decltype(summary.*member)>;
          if constexpr (std::is_same_v<Value, std::string> || std::is_same_v<Value, StationStatus>)
            return true;
          else
            return (summary.*member).has_value();
        },
        column.field);
    if (!present)
      return Outcome::Failed(where + (where.empty() ? "" : ".") + column.name + " is empty for a done station");
  }
  return Outcome::Done();
}

}  // namespace

const char* StationStatusName(StationStatus status) { return status == StationStatus::Done ? "done" : "failed"; }

std::vector<std::string> SummaryHeadings() {
  std::vector<std::string> headings;
  for (const SummaryColumn& column : kSummaryColumns) headings.emplace_back(column.name);
  return headings;
}

std::vector<std::string> SummaryCells(const StationSummary& summary) {
  std::vector<std::string> cells;
  cells.reserve(kSummaryColumnCount);
  for (const SummaryColumn& column : kSummaryColumns)
    cells.push_back(std::visit(
        [&](auto member) -> std::string {
          const auto& value = summary.*member;
          using Value = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, std::string>)
            return value;
          else if constexpr (std::is_same_v<Value, StationStatus>)
            return StationStatusName(value);
          else if constexpr (std::is_same_v<Value, std::optional<double>>)
            return value ? NumberCell(*value) : std::string();
          else if constexpr (std::is_same_v<Value, std::optional<bool>>)
            return value ? (*value ? "true" : "false") : std::string();
          else if constexpr (std::is_same_v<Value, std::optional<std::uint64_t>>)
            return value ? std::to_string(*value) : std::string();
          else
            static_assert(kAlwaysFalse<Value>);
        },
        column.field));
  return cells;
}

Result<StationSummary> SummaryFromCells(const std::vector<std::string>& cells) {
  if (cells.size() < kSummaryColumnCount)
    return Outcome::Failed("the row has " + std::to_string(cells.size()) + " cells, the summary " +
                           std::to_string(kSummaryColumnCount));
  StationSummary summary;
  for (std::size_t c = 0; c < kSummaryColumnCount; ++c) {
    const SummaryColumn& column = kSummaryColumns[c];
    const std::string& cell = cells[c];
    const char* expected = std::visit(
        [&](auto member) -> const char* {
          auto& value = summary.*member;
          using Value = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, std::string>) {
            value = cell;
            return nullptr;
          } else if constexpr (std::is_same_v<Value, StationStatus>) {
            const auto status = StatusNamed(cell);
            if (status) value = *status;
            return status ? nullptr : "\"done\" or \"failed\"";
          } else if constexpr (std::is_same_v<Value, std::optional<double>>) {
            if (cell.empty()) return nullptr;
            value = CellNumber(cell);
            return value ? nullptr : "a number";
          } else if constexpr (std::is_same_v<Value, std::optional<bool>>) {
            if (cell.empty()) return nullptr;
            if (cell == "true" || cell == "false") value = cell == "true";
            return value ? nullptr : "true or false";
          } else if constexpr (std::is_same_v<Value, std::optional<std::uint64_t>>) {
            if (cell.empty()) return nullptr;
            value = CellWholeNumber(cell);
            return value ? nullptr : "a whole number from 0";
          } else {
            static_assert(kAlwaysFalse<Value>);
          }
        },
        column.field);
    if (expected)
      return Outcome::Failed(std::string(column.name) + " '" + cell + "' is not " + expected);
  }
  if (Outcome checked = CheckDone(summary, ""); !checked.done()) return checked;
  return summary;
}

json SummaryJson(const StationSummary& summary) {
  json object = json::object();
  for (const SummaryColumn& column : kSummaryColumns)
    object[column.name] = std::visit(
        [&](auto member) -> json {
          const auto& value = summary.*member;
          using Value = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, std::string>)
            return value;
          else if constexpr (std::is_same_v<Value, StationStatus>)
            return StationStatusName(value);
          else if constexpr (std::is_same_v<Value, std::optional<double>>)
            return !value ? json(nullptr) : std::isfinite(*value) ? json(*value) : json(NumberCell(*value));
          else if constexpr (std::is_same_v<Value, std::optional<bool>>)
            return value ? json(*value) : json(nullptr);
          else if constexpr (std::is_same_v<Value, std::optional<std::uint64_t>>)
            return value ? json(*value) : json(nullptr);
          else
            static_assert(kAlwaysFalse<Value>);
        },
        column.field);
  return object;
}

Result<StationSummary> SummaryFromJson(const json& object, const std::string& where) {
  if (!object.is_object()) return Outcome::Failed(where + " is not an object");
  for (const auto& [key, value] : object.items()) {
    bool known = false;
    for (const SummaryColumn& column : kSummaryColumns) known = known || key == column.name;
    if (!known) return Outcome::Failed(where + "." + key + " is not a column of the summary");
  }
  StationSummary summary;
  for (const SummaryColumn& column : kSummaryColumns) {
    const std::string name = where + "." + column.name;
    const auto found = object.find(column.name);
    if (found == object.end()) return Outcome::Failed(name + " is missing");
    const json& given = *found;
    const char* expected = std::visit(
        [&](auto member) -> const char* {
          auto& value = summary.*member;
          using Value = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<Value, std::string>) {
            if (!given.is_string()) return "text";
            value = given.get<std::string>();
            return nullptr;
          } else if constexpr (std::is_same_v<Value, StationStatus>) {
            const auto status = given.is_string() ? StatusNamed(given.get<std::string>()) : std::nullopt;
            if (status) value = *status;
            return status ? nullptr : "\"done\" or \"failed\"";
          } else if constexpr (std::is_same_v<Value, std::optional<double>>) {
            if (given.is_null()) return nullptr;
            if (given.is_number()) {
              value = given.get<double>();
            } else if (given.is_string()) {
              const std::string text = given.get<std::string>();
              if (text == "nan" || text == "inf" || text == "-inf") value = CellNumber(text);
            }
            return value ? nullptr : "a number, \"nan\", \"inf\", \"-inf\" or null";
          } else if constexpr (std::is_same_v<Value, std::optional<bool>>) {
            if (given.is_null()) return nullptr;
            if (given.is_boolean()) value = given.get<bool>();
            return value ? nullptr : "true, false or null";
          } else if constexpr (std::is_same_v<Value, std::optional<std::uint64_t>>) {
            if (given.is_null()) return nullptr;
            if (given.is_number_unsigned()) value = given.get<std::uint64_t>();
            return value ? nullptr : "a whole number from 0 or null";
          } else {
            static_assert(kAlwaysFalse<Value>);
          }
        },
        column.field);
    if (expected) return Outcome::Failed(name + " must be " + expected + ", not " + Quoted(given));
  }
  if (Outcome checked = CheckDone(summary, where); !checked.done()) return checked;
  return summary;
}

}  // namespace corvath::app
