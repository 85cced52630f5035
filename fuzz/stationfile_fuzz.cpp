// station.json, what a survey's station task leaves for the merge. A file accepted must
// be usable as it stands: written again it reads back to the same text, and its summary
// row survives summary.csv (cells, one CSV line, cells) unchanged.
#include <cstdint>
#include <string>

#include "app/csvtext.h"
#include "app/stationfile.h"

namespace {

using namespace corvath;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const app::Result<app::StationFile> read = app::ParseStationFile(text, "station.json");
  if (!read.done()) {
    if (read.message().empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  const std::string written = app::StationFileText(*read);
  const app::Result<app::StationFile> again = app::ParseStationFile(written, "station.json");
  if (!again.done() || app::StationFileText(*again) != written) __builtin_trap();

  const std::vector<std::string> cells = app::SummaryCells(read->summary);
  if (cells.size() != app::kSummaryColumnCount) __builtin_trap();
  const app::Result<std::vector<app::CsvRow>> rows = app::ParseCsv(app::CsvLine(cells), "summary.csv");
  if (!rows.done() || rows->size() != 1 || rows->front().cells != cells) __builtin_trap();
  const app::Result<app::StationSummary> row = app::SummaryFromCells(cells);
  if (!row.done() || app::SummaryCells(*row) != cells) __builtin_trap();
  return 0;
}
