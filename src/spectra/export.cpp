#include "spectra/export.h"

#include <locale.h>
#include <xlsxwriter.h>

#include <cmath>
#include <map>

#include "numerics/numbertext.h"

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
}  // namespace

void WriteSpectrumTable(std::ostream& out, const SpectraResult& result) {
  out << "f,Hz   X  Y  Z  H/Z" << kLineEnd;
  const SpectrumCurve& x = result.averaged[0];
  for (std::size_t i = 0; i < x.points.size(); ++i) {
    const double f = x.points[i].frequencyHz;
    const auto* y = pointAt(result.averaged[1], i, f);
    const auto* z = pointAt(result.averaged[2], i, f);
    const auto* r = pointAt(result.ratio, i, f);
    if (!y || !z || !r) continue;
    writeRow(out, {f, x.points[i].amplitude, y->amplitude, z->amplitude, r->ratio});
  }
}

const char* ResultFileTypeLabel(ResultFileType type) {
  switch (type) {
    case ResultFileType::SpectrumText: return "Spectrum to text file";
    case ResultFileType::SpectrumWorkbook: return "Spectrum to Excel file";
    case ResultFileType::ModelText: return "Model to text file";
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
  const SpectrumCurve& x = result.averaged[0];
  const std::size_t n = x.points.size();
  std::vector<numerics::arofstrM> table(n + 3, numerics::arofstrM(kWorkbookColumns));
  for (std::size_t c = 0; c < std::size(kWorkbookHeadings); ++c) table[0][c] = kWorkbookHeadings[c];
  for (std::size_t i = 0; i < n; ++i) {
    const double f = x.points[i].frequencyHz;
    const auto* y = pointAt(result.averaged[1], i, f);
    const auto* z = pointAt(result.averaged[2], i, f);
    const auto* r = pointAt(result.ratio, i, f);
    if (!y || !z || !r) continue;
    const double values[] = {f, x.points[i].amplitude, y->amplitude, z->amplitude, r->ratio};
    for (std::size_t c = 0; c < std::size(values); ++c) table[i + 1][c] = cellText(values[c]);
  }
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

numerics::Outcome writeWorkbook(const std::string& path, const std::vector<numerics::arofstrM>& table) {
  const CNumericLocale numbers;
  lxw_workbook* workbook = workbook_new(path.c_str());
  if (!workbook) return numerics::Outcome::Failed("Cannot create the workbook " + path);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  std::map<std::size_t, lxw_format*> formats;
  lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
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
  const lxw_error closed = workbook_close(workbook);  // writes the file and frees the workbook
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR)
    return numerics::Outcome::Failed("Cannot write the workbook " + path + ": " + lxw_strerror(error));
  return numerics::Outcome::Done();
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

numerics::Outcome WriteSpectrumWorkbook(const std::string& path, const SpectraResult& result) {
  try {
    return writeWorkbook(path, SpectrumWorkbookTable(result));
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
