#include "spectra/fieldstandardresults.h"

#include <locale.h>
#include <xlsxwriter.h>

#include <cmath>
#include <exception>
#include <map>
#include <optional>
#include <variant>

#include "spectra/fieldstandardreport.h"
#include "spectra/workbooknumbers.h"

namespace corvath::spectra {

namespace {

constexpr const char* kLineEnd = "\r\n";

// A cell: a number (kept exact) or a text.
using Cell = std::variant<double, std::string>;
using Row = std::vector<Cell>;

std::string cellText(const Cell& cell) {
  if (const double* number = std::get_if<double>(&cell)) return ShortestNumber(*number);
  return std::get<std::string>(cell);
}

double count(std::size_t n) { return static_cast<double>(n); }

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text.empty() ? "unknown" : text;
}

std::vector<Row> resultRows(const FieldStandardResult& r, const FieldStandardFileDetails& details) {
  std::vector<Row> rows = {
      {"record", joined(details.recordFiles)},
      {"f0_hz", r.f0.median()},
      {"f0_sigma_ln", r.f0.sigmaLn},
      {"f0_low_hz", r.f0.lower()},
      {"f0_high_hz", r.f0.upper()},
      {"f0_sigma_hz", r.sigmaF0Hz},
      {"a0", r.a0.median()},
      {"a0_sigma_ln", r.a0.sigmaLn},
      {"a0_low", r.a0.lower()},
      {"a0_high", r.a0.upper()},
      {"curve_f0_hz", r.curvePeakHz},
      {"curve_a0", r.curvePeakAmplitude},
      {"windows_used", count(r.usedWindows())},
      {"windows_rejected", count(r.rejectedWindows())},
      {"windows_sta_lta", count(r.staLtaWindows())},
      {"windows_skipped", count(r.skippedWindows)},
      {"rejection_iterations", count(static_cast<std::size_t>(r.rejectionIterations))},
      {"reliable", std::string(r.sesame.reliable() ? "yes" : "no") + " (" +
                       std::to_string(r.sesame.reliabilityPassed) + " of 3)"},
      {"clear", std::string(r.sesame.clear() ? "yes" : "no") + " (" + std::to_string(r.sesame.clarityPassed) +
                    " of 6)"},
  };
  if (!details.program.empty()) rows.push_back({"program", details.program});
  return rows;
}

std::vector<Row> criteriaRows(const FieldStandardResult& r) {
  std::vector<Row> rows = {{"criterion", "verdict", "value", "limit", "text"}};
  for (const SesameCheck& check : r.sesame.checks)
    rows.push_back({SesameCriterionKey(check.criterion), check.passed ? "pass" : "fail", check.value, check.threshold,
                    SesameCriterionText(check.criterion)});
  return rows;
}

std::vector<Row> rangeRows(const FieldStandardResult& r) {
  if (r.automaticWindows) return {};
  std::vector<Row> rows = {{"start_s", "end_s", "windows", "kept"}};
  const std::vector<std::size_t> kept = KeptWindowsPerRange(r);
  for (std::size_t i = 0; i < r.ranges.size(); ++i)
    rows.push_back({r.ranges[i].startSeconds, r.ranges[i].endSeconds, count(r.ranges[i].windows), count(kept[i])});
  return rows;
}

std::vector<Row> windowRows(const FieldStandardResult& r) {
  std::vector<Row> rows = {{"start_s", "end_s", "f0_hz", "a0", "sta_lta_min", "sta_lta_max", "status"}};
  for (const FieldStandardWindow& w : r.windows)
    rows.push_back({w.startSeconds, w.endSeconds, w.peakFrequencyHz, w.peakAmplitude, w.staLtaMin, w.staLtaMax,
                    WindowFateWord(w.fate)});
  return rows;
}

std::vector<Row> curveRows(const FieldStandardResult& r) {
  std::vector<Row> rows = {{"f_hz", "hv", "lower", "upper", "sigma_ln", "horizontal", "vertical"}};
  for (std::size_t g = 0; g < r.frequenciesHz.size(); ++g) {
    auto at = [g](const std::vector<double>& values) { return g < values.size() ? values[g] : 0.0; };
    rows.push_back({r.frequenciesHz[g], at(r.mean), at(r.lower), at(r.upper), at(r.sigmaLn),
                    at(r.meanHorizontal), at(r.meanVertical)});
  }
  return rows;
}

std::vector<Row> settingRows(const FieldStandardResult& r) {
  std::vector<Row> rows;
  for (const auto& [name, value] : FieldStandardSettingRows(r)) rows.push_back({name, value});
  return rows;
}

void writeRows(std::ostream& out, const std::vector<Row>& rows, const char* separator) {
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) out << (c ? separator : "") << cellText(row[c]);
    out << kLineEnd;
  }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FieldStandardSettingRows(const FieldStandardResult& r) {
  const FieldStandardSettings& s = r.settings;
  auto n = [](double v) { return ShortestNumber(v); };
  std::vector<std::pair<std::string, std::string>> rows = {
      {"window_length_s", n(s.windowLengthSeconds)},
      {"overlap_percent", n(s.overlapPercent)},
      {"taper", n(s.taperFraction)},
      {"ko_b", n(s.bandwidth)},
      {"grid", n(s.gridMinHz) + "," + n(s.gridMaxHz) + "," + std::to_string(s.gridPoints)},
      {"combine", HorizontalCombinationName(s.combination)},
      {"search", s.search ? n(s.search->lowHz) + "," + n(s.search->highHz) : std::string("off")},
      {"reject", s.reject ? n(s.rejectionStdDevs) : std::string("off")},
      {"reject_passes", std::to_string(s.rejectionIterations)},
      {"sta_lta", s.staLta ? n(s.staLta->staSeconds) + "," + n(s.staLta->ltaSeconds) + "," +
                                 n(s.staLta->minRatio) + "," + n(s.staLta->maxRatio)
                           : std::string("off")},
      {"azimuth_step_deg", s.azimuthStepDegrees ? n(*s.azimuthStepDegrees) : std::string("off")},
      {"windows", r.automaticWindows ? std::string("cut from the whole record")
                                     : "cut from " + std::to_string(r.ranges.size()) + " analysis windows"},
  };
  return rows;
}

void WriteFieldStandardResultsText(std::ostream& out, const FieldStandardResult& r,
                                   const FieldStandardFileDetails& details) {
  out << "[result]" << kLineEnd;
  for (const Row& row : resultRows(r, details)) out << cellText(row[0]) << ": " << cellText(row[1]) << kLineEnd;
  out << kLineEnd << "[criteria]" << kLineEnd;
  writeRows(out, criteriaRows(r), "\t");
  out << kLineEnd << "[settings]" << kLineEnd;
  for (const auto& [name, value] : FieldStandardSettingRows(r)) out << name << ": " << value << kLineEnd;
  if (!r.automaticWindows) {
    out << kLineEnd << "[ranges]" << kLineEnd;
    writeRows(out, rangeRows(r), " ");
  }
  out << kLineEnd << "[windows]" << kLineEnd;
  writeRows(out, windowRows(r), " ");
  out << kLineEnd << "[curve]" << kLineEnd;
  writeRows(out, curveRows(r), " ");
}

namespace {

// The workbook library prints numbers through the C library, which follows the
// locale: this thread uses the "C" number format while the guard lives.
class CNumbers {
public:
  CNumbers() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
    if (c_) previous_ = uselocale(c_);
  }
  ~CNumbers() {
    if (!c_) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumbers(const CNumbers&) = delete;
  CNumbers& operator=(const CNumbers&) = delete;

private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(0);
};

// One sheet as it is built, its finite numbers kept to be written again exactly.
struct Sheet {
  lxw_worksheet* sheet = nullptr;
  std::map<WorkbookCell, double> numbers;
};

lxw_error fill(Sheet& sheet, const std::vector<Row>& rows, std::uint32_t firstRow = 0) {
  lxw_error error = LXW_NO_ERROR;
  for (std::size_t r = 0; r < rows.size() && error == LXW_NO_ERROR; ++r)
    for (std::size_t c = 0; c < rows[r].size() && error == LXW_NO_ERROR; ++c) {
      const auto row = static_cast<lxw_row_t>(firstRow + r);
      const auto col = static_cast<lxw_col_t>(c);
      if (const double* number = std::get_if<double>(&rows[r][c])) {
        if (!std::isfinite(*number)) continue;
        error = worksheet_write_number(sheet.sheet, row, col, *number, nullptr);
        sheet.numbers[{row, col}] = *number;
      } else {
        error = worksheet_write_string(sheet.sheet, row, col, std::get<std::string>(rows[r][c]).c_str(), nullptr);
      }
    }
  return error;
}

numerics::Outcome writeWorkbook(const std::string& path, const FieldStandardResult& r,
                                const FieldStandardFileDetails& details) {
  const CNumbers cNumbers;
  lxw_workbook* workbook = workbook_new(path.c_str());
  if (!workbook) return numerics::Outcome::Failed("Cannot create the workbook " + path);
  const char* names[] = {"Curve", "Result", "Windows", "Settings"};  // no "/" in a sheet name
  Sheet sheets[4];
  lxw_error error = LXW_NO_ERROR;
  for (int k = 0; k < 4; ++k)
    if (!(sheets[k].sheet = workbook_add_worksheet(workbook, names[k]))) error = LXW_ERROR_MEMORY_MALLOC_FAILED;
  if (error == LXW_NO_ERROR) error = fill(sheets[0], curveRows(r));
  std::vector<Row> result = resultRows(r, details);
  result.push_back({});
  for (Row& row : criteriaRows(r)) result.push_back(std::move(row));
  if (error == LXW_NO_ERROR) error = fill(sheets[1], result);
  std::vector<Row> windows = windowRows(r);
  if (!r.automaticWindows) {
    windows.push_back({});
    windows.push_back({"analysis windows"});
    for (Row& row : rangeRows(r)) windows.push_back(std::move(row));
  }
  if (error == LXW_NO_ERROR) error = fill(sheets[2], windows);
  if (error == LXW_NO_ERROR) error = fill(sheets[3], settingRows(r));
  const lxw_error closed = workbook_close(workbook);  // writes the file and frees the workbook
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR)
    return numerics::Outcome::Failed("Cannot write the workbook " + path + ": " + lxw_strerror(error));
  for (int k = 0; k < 4; ++k) {
    if (sheets[k].numbers.empty()) continue;
    const std::string member = "xl/worksheets/sheet" + std::to_string(k + 1) + ".xml";
    if (numerics::Outcome exact = RewriteExactWorkbookNumbers(path, member.c_str(), sheets[k].numbers);
        !exact.done())
      return exact;
  }
  return numerics::Outcome::Done();
}

}  // namespace

numerics::Outcome WriteFieldStandardWorkbook(const std::string& path, const FieldStandardResult& result,
                                             const FieldStandardFileDetails& details) {
  try {
    return writeWorkbook(path, result, details);
  } catch (const std::exception& e) {
    return numerics::Outcome::Failed("Cannot write the workbook " + path + ": " + e.what());
  } catch (...) {
    return numerics::Outcome::Failed("Cannot write the workbook " + path);
  }
}

}  // namespace corvath::spectra
