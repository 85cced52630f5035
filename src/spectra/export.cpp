#include "spectra/export.h"

#include <locale.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "numerics/numbertext.h"
#include "spectra/workbooknumbers.h"

namespace corvath::spectra {

namespace {
constexpr const char* kLineEnd = "\r\n";

void writeRow(std::ostream& out, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out << ' ';
    out << numerics::NumberToExponentText(v);
    first = false;
  }
  out << kLineEnd;
}

template <typename Curve>
const auto* pointAt(const Curve& curve, std::size_t hint, double frequencyHz) {
  using Point = std::remove_reference_t<decltype(curve.points.front())>;
  if (hint < curve.points.size() && curve.points[hint].frequencyHz == frequencyHz) return &curve.points[hint];
  for (const Point& p : curve.points)
    if (p.frequencyHz == frequencyHz) return &p;
  return static_cast<const Point*>(nullptr);
}

// The rows every table of a result shares: per frequency of the averaged X spectrum,
// visit(i, f, x, y, z, ratio point) with the values of Y, Z and the ratio at the same
// frequency; a frequency one of them lacks is left out.
template <typename Visit>
void forEachTableRow(const SpectraResult& result, Visit&& visit) {
  const SpectrumCurve& x = result.averaged[0];
  for (std::size_t i = 0; i < x.points.size(); ++i) {
    const double f = x.points[i].frequencyHz;
    const auto* y = pointAt(result.averaged[1], i, f);
    const auto* z = pointAt(result.averaged[2], i, f);
    const auto* r = pointAt(result.ratio, i, f);
    if (y && z && r) visit(i, f, x.points[i].amplitude, y->amplitude, z->amplitude, *r);
  }
}
}  // namespace

namespace {
// The rows of the text table: f, X, Y, Z, H/Z, and the ratio's bounds when asked.
void writeTable(std::ostream& out, const SpectraResult& result, bool bounds) {
  out << (bounds ? "f,Hz   X  Y  Z  H/Z  lower  upper" : "f,Hz   X  Y  Z  H/Z") << kLineEnd;
  forEachTableRow(result, [&](std::size_t, double f, double x, double y, double z, const RatioPoint& r) {
    if (bounds)
      writeRow(out, {f, x, y, z, r.ratio, r.lower, r.upper});
    else
      writeRow(out, {f, x, y, z, r.ratio});
  });
}
}  // namespace

void WriteSpectrumTable(std::ostream& out, const SpectraResult& result) { writeTable(out, result, false); }

void WriteSpectrumBoundsTable(std::ostream& out, const SpectraResult& result) { writeTable(out, result, true); }

const char* ResultFileTypeLabel(ResultFileType type) {
  switch (type) {
    case ResultFileType::SpectrumText: return "Spectrum to text file";
    case ResultFileType::SpectrumWorkbook: return "Spectrum to Excel file";
    case ResultFileType::ModelText: return "Model to text file";
    case ResultFileType::SpectrumTextWithBounds: return "Spectrum with bounds to text file";
  }
  return "";
}

const char* ResultFileExtension(ResultFileType type) {
  return type == ResultFileType::SpectrumWorkbook ? ".xlsx" : ".txt";
}

std::string ReplaceExtension(std::string_view name, std::string_view extension) {
  // Only the last path component has an extension: a point in a folder name is not one.
  const std::size_t component = name.find_last_of("/\\");
  const std::size_t start = component == std::string_view::npos ? 0 : component + 1;
  const std::size_t point = name.rfind('.');
  const std::size_t stem = point != std::string_view::npos && point >= start ? point : name.size();
  std::string result(name.substr(0, stem));
  result += extension;
  return result;
}

std::string ResultFileName(std::string_view name, ResultFileType type) {
  return ReplaceExtension(name, ResultFileExtension(type));
}

namespace {
constexpr std::size_t kWorkbookColumns = 10;
constexpr const char* kWorkbookHeadings[] = {"f,Hz", "X", "Y", "Z", "H/Z"};

std::string cellText(double value) { return std::isfinite(value) ? numerics::NumberToText(1, value) : std::string(); }
}  // namespace

std::vector<numerics::arofstrM> SpectrumWorkbookTable(const SpectraResult& result) {
  const std::size_t n = result.averaged[0].points.size();
  std::vector<numerics::arofstrM> table(n + 3, numerics::arofstrM(kWorkbookColumns));
  for (std::size_t c = 0; c < std::size(kWorkbookHeadings); ++c) table[0][c] = kWorkbookHeadings[c];
  forEachTableRow(result, [&](std::size_t i, double f, double x, double y, double z, const RatioPoint& r) {
    const double values[] = {f, x, y, z, r.ratio};
    for (std::size_t c = 0; c < std::size(values); ++c) table[i + 1][c] = cellText(values[c]);
  });
  return table;
}

namespace {

// Decimals shown by a number text ("2.50" has 2, "7" has 0).
std::size_t decimalsOf(const std::string& text) {
  const std::size_t point = text.find('.');
  return point == std::string::npos ? 0 : text.size() - point - 1;
}

// A number format showing exactly `decimals` decimals ("0", "0.00" ...).
std::string numberFormat(std::size_t decimals) {
  return decimals == 0 ? std::string("0") : "0." + std::string(decimals, '0');
}

// The longest number format a spreadsheet accepts has 30 decimals.
constexpr std::size_t kMaxFormatDecimals = 30;

// The workbook library prints numbers with the C library, which follows the
// locale: under a locale with a decimal comma the workbook would hold "2,5". This
// thread uses the "C" number format while the guard lives.
class CNumericLocale {
public:
  CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
    if (c_) previous_ = uselocale(c_);
  }
  ~CNumericLocale() {
    if (!c_) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(0);
};

// A cell of a worksheet: (row, column), both from 0.
using CellPosition = std::pair<lxw_row_t, lxw_col_t>;

// The second sheet as it is built: its cells go through the workbook library, and
// every number is kept to be written again exactly once the file exists.
class FullPrecisionSheet {
public:
  FullPrecisionSheet(lxw_workbook* workbook, lxw_worksheet* sheet) : sheet_(sheet) {
    scientific_ = workbook_add_format(workbook);
    if (scientific_) format_set_num_format(scientific_, "0.00000000000000E+00");
  }

  void text(lxw_row_t row, lxw_col_t col, const std::string& text) {
    if (error_ == LXW_NO_ERROR) error_ = worksheet_write_string(sheet_, row, col, text.c_str(), nullptr);
  }
  // A finite value as a number cell (shown in 15 digits when scientific); no cell otherwise.
  void number(lxw_row_t row, lxw_col_t col, double value, bool scientific = false) {
    if (!std::isfinite(value) || error_ != LXW_NO_ERROR) return;
    error_ = worksheet_write_number(sheet_, row, col, value, scientific ? scientific_ : nullptr);
    numbers_[{row, col}] = value;
  }

  lxw_error error() const { return error_; }
  const std::map<CellPosition, double>& numbers() const { return numbers_; }

private:
  lxw_worksheet* sheet_;
  lxw_format* scientific_ = nullptr;
  lxw_error error_ = LXW_NO_ERROR;
  std::map<CellPosition, double> numbers_;
};

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

// The curves from A1 and, from column I, label and value rows of what the result was
// computed with.
void fillFullPrecisionSheet(FullPrecisionSheet& sheet, const SpectraResult& result, const WorkbookDetails& details) {
  const bool bounds = result.ratio.hasBounds;
  std::vector<const char*> headings{"f,Hz", "X", "Y", "Z", "H/Z"};
  if (bounds) headings.insert(headings.end(), {"H/Z lower", "H/Z upper"});
  for (std::size_t c = 0; c < headings.size(); ++c) sheet.text(0, static_cast<lxw_col_t>(c), headings[c]);
  forEachTableRow(result, [&](std::size_t i, double f, double x, double y, double z, const RatioPoint& r) {
    std::vector<double> values{f, x, y, z, r.ratio};
    if (bounds) values.insert(values.end(), {r.lower, r.upper});
    for (std::size_t c = 0; c < values.size(); ++c)
      sheet.number(static_cast<lxw_row_t>(i + 1), static_cast<lxw_col_t>(c), values[c], true);
  });

  constexpr lxw_col_t kLabel = 8, kValue = 9;  // columns I and J
  lxw_row_t row = 0;
  const auto label = [&](const char* text) { sheet.text(row, kLabel, text); };
  if (result.computedWith) {
    const SpectraSettingsUsed& used = *result.computedWith;
    label("Min frq");
    sheet.number(row++, kValue, used.minFrequencyHz);
    label("Max frq");
    sheet.number(row++, kValue, used.maxFrequencyHz);
    label("Smoothed spectra");
    sheet.text(row++, kValue, used.logAveraging ? "on" : "off");
    label("Windows");
    sheet.number(row, kValue, static_cast<double>(used.windows.size()));
    if (used.windows.empty()) sheet.text(row, kValue + 1, "automatic segmentation");
    ++row;
    for (std::size_t w = 0; w < used.windows.size(); ++w, ++row) {
      sheet.text(row, kLabel, "Window " + std::to_string(w + 1) + " (s)");
      sheet.number(row, kValue, used.windows[w].startSeconds);
      sheet.number(row, kValue + 1, used.windows[w].endSeconds);
    }
  }
  if (result.automatic) {
    label("Segments");
    sheet.number(row, kValue, static_cast<double>(result.plan.count));
    sheet.text(row, kValue + 1, "of " + std::to_string(result.plan.length) + " samples, every " +
                                    std::to_string(result.plan.step));
    ++row;
  }
  label("Record files");
  sheet.text(row++, kValue, result.recordFiles.empty() ? std::string("unknown") : joined(result.recordFiles, "; "));
  label("Bounds");
  sheet.text(row++, kValue, bounds ? "H/Z lower and upper: the robust mean of the segment ratios and its error"
                                   : "none: the ratio of windowed spectra has no error estimate");
  if (!details.program.empty()) {
    label("Program");
    sheet.text(row++, kValue, details.program);
  }
}

// The shortest text that reads back to exactly value ("0.30000000000000004"), without locale.
std::string exactNumberText(double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  if (ec != std::errc()) return std::string();
  std::string exact(text, end);
  for (char& c : exact)
    if (c == 'e') c = 'E';  // as the workbook library writes exponents
  return exact;
}

// A cell reference "B12" as (row 11, column 1); false when it is none.
bool parseCellReference(std::string_view reference, CellPosition& position) {
  std::size_t k = 0;
  unsigned long col = 0, row = 0;
  for (; k < reference.size() && reference[k] >= 'A' && reference[k] <= 'Z'; ++k)
    col = col * 26 + static_cast<unsigned long>(reference[k] - 'A' + 1);
  const std::size_t letters = k;
  for (; k < reference.size() && reference[k] >= '0' && reference[k] <= '9'; ++k)
    row = row * 10 + static_cast<unsigned long>(reference[k] - '0');
  if (letters == 0 || k == letters || k != reference.size() || row == 0) return false;
  position = {static_cast<lxw_row_t>(row - 1), static_cast<lxw_col_t>(col - 1)};
  return true;
}

// The sheet's XML with the value of every kept number cell in its exact text; the
// count of cells so rewritten goes to rewritten.
std::string exactNumbers(const std::string& xml, const std::map<CellPosition, double>& numbers,
                         std::size_t& rewritten) {
  std::string out;
  out.reserve(xml.size() + numbers.size() * 4);
  rewritten = 0;
  std::size_t at = 0;
  for (;;) {
    const std::size_t cell = xml.find("<c r=\"", at);
    if (cell == std::string::npos) break;
    const std::size_t refStart = cell + 6;
    const std::size_t refEnd = xml.find('"', refStart);
    const std::size_t close = xml.find("</c>", refStart);
    const std::size_t value = xml.find("<v>", refStart);
    CellPosition position;
    if (refEnd == std::string::npos || close == std::string::npos || value == std::string::npos || value > close ||
        !parseCellReference(std::string_view(xml).substr(refStart, refEnd - refStart), position)) {
      out.append(xml, at, refStart - at);
      at = refStart;
      continue;
    }
    const auto kept = numbers.find(position);
    const std::size_t valueEnd = xml.find("</v>", value);
    if (kept == numbers.end() || valueEnd == std::string::npos || valueEnd > close) {
      out.append(xml, at, close - at);
      at = close;
      continue;
    }
    out.append(xml, at, value + 3 - at);
    out += exactNumberText(kept->second);
    at = valueEnd;
    ++rewritten;
  }
  out.append(xml, at, std::string::npos);
  return out;
}

// The workbook library prints a number with 16 significant digits, which does not
// carry every double: the second sheet's numbers are written again in their exact text.
numerics::Outcome rewriteExactNumbers(const std::string& path, const char* member,
                                      const std::map<CellPosition, double>& numbers) {
  const auto failed = [&](const std::string& why) {
    return numerics::Outcome::Failed("Cannot write the full-precision sheet of " + path + ": " + why);
  };
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), 0, &code);
  if (!archive) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    return failed(why);
  }
  std::string xml;
  const zip_int64_t index = zip_name_locate(archive, member, 0);
  zip_stat_t stat;
  zip_file_t* file = nullptr;
  if (index < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
      !(stat.valid & ZIP_STAT_SIZE) || !(file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0))) {
    zip_discard(archive);
    return failed(std::string("no sheet ") + member);
  }
  xml.resize(stat.size);
  const zip_int64_t read = zip_fread(file, xml.data(), stat.size);
  zip_fclose(file);
  if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) {
    zip_discard(archive);
    return failed(std::string("cannot read ") + member);
  }
  std::size_t rewritten = 0;
  const std::string exact = exactNumbers(xml, numbers, rewritten);
  if (rewritten != numbers.size()) {
    zip_discard(archive);
    return failed("not every number cell was found");
  }
  // The archive frees the copy when it is closed or discarded.
  void* copy = std::malloc(exact.size() ? exact.size() : 1);
  if (!copy) {
    zip_discard(archive);
    return failed("not enough memory");
  }
  std::memcpy(copy, exact.data(), exact.size());
  zip_source_t* source = zip_source_buffer(archive, copy, exact.size(), 1);
  if (!source) std::free(copy);
  if (!source || zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) != 0) {
    if (source) zip_source_free(source);
    const std::string why = zip_strerror(archive);
    zip_discard(archive);
    return failed(why);
  }
  if (zip_close(archive) != 0) {
    const std::string why = zip_strerror(archive);
    zip_discard(archive);
    return failed(why);
  }
  return numerics::Outcome::Done();
}

numerics::Outcome writeWorkbook(const std::string& path, const std::vector<numerics::arofstrM>& table,
                                const SpectraResult& result, const WorkbookDetails& details) {
  const CNumericLocale numbers;
  lxw_workbook* workbook = workbook_new(path.c_str());
  if (!workbook) return numerics::Outcome::Failed("Cannot create the workbook " + path);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  lxw_worksheet* full = workbook_add_worksheet(workbook, kFullPrecisionSheet);
  std::map<std::size_t, lxw_format*> formats;
  lxw_error error = sheet && full ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
  for (std::size_t r = 0; r < table.size() && error == LXW_NO_ERROR; ++r) {
    for (std::size_t c = 0; c < table[r].size() && error == LXW_NO_ERROR; ++c) {
      const std::string& text = table[r][c];
      if (text.empty()) continue;
      const auto row = static_cast<lxw_row_t>(r);
      const auto col = static_cast<lxw_col_t>(c);
      double value = 0.0;
      const std::size_t decimals = decimalsOf(text);
      if (r > 0 && decimals <= kMaxFormatDecimals && numerics::ParseDecimal(text, value) && std::isfinite(value)) {
        lxw_format*& format = formats[decimals];
        if (!format) {
          format = workbook_add_format(workbook);
          if (format) format_set_num_format(format, numberFormat(decimals).c_str());
        }
        error = worksheet_write_number(sheet, row, col, value, format);
      } else {
        error = worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
      }
    }
  }
  std::map<CellPosition, double> exact;
  if (error == LXW_NO_ERROR) {
    FullPrecisionSheet second(workbook, full);
    fillFullPrecisionSheet(second, result, details);
    error = second.error();
    exact = second.numbers();
  }
  const lxw_error closed = workbook_close(workbook);  // writes the file and frees the workbook
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR)
    return numerics::Outcome::Failed("Cannot write the workbook " + path + ": " + lxw_strerror(error));
  return rewriteExactNumbers(path, "xl/worksheets/sheet2.xml", exact);
}

void writeCsvCell(std::ostream& out, const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) {
    out << text;
    return;
  }
  out << '"';
  for (char ch : text) {
    if (ch == '"') out << '"';
    out << ch;
  }
  out << '"';
}

}  // namespace

numerics::Outcome WriteSpectrumWorkbook(const std::string& path, const SpectraResult& result,
                                        const WorkbookDetails& details) {
  try {
    return writeWorkbook(path, SpectrumWorkbookTable(result), result, details);
  } catch (const std::exception& e) {
    return numerics::Outcome::Failed("Cannot write the workbook " + path + ": " + e.what());
  } catch (...) {
    return numerics::Outcome::Failed("Cannot write the workbook " + path);
  }
}

void WriteSpectrumCsv(std::ostream& out, const SpectraResult& result) {
  for (const auto& row : SpectrumWorkbookTable(result)) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) out << ',';
      writeCsvCell(out, row[c]);
    }
    out << kLineEnd;
  }
}

void WriteBoundsTable(std::ostream& out, const RatioCurve& ratio) {
  out << "f,Hz   H/Z  lower  upper" << kLineEnd;
  for (const RatioPoint& p : ratio.points) writeRow(out, {p.frequencyHz, p.ratio, p.lower, p.upper});
}

}  // namespace corvath::spectra

namespace corvath::spectra {

numerics::Outcome RewriteExactWorkbookNumbers(const std::string& path, const char* member,
                                              const std::map<WorkbookCell, double>& numbers) {
  return rewriteExactNumbers(path, member, numbers);
}

}  // namespace corvath::spectra
