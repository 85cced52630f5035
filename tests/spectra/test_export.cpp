#include <gtest/gtest.h>
#include <zlib.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "spectra/export.h"

namespace {

using namespace corvath::spectra;
namespace fs = std::filesystem;

TEST(ResultFileName, ReplacesOrAppendsTheExtensionOfTheFileNameOnly) {
  struct Case {
    const char* name;
    ResultFileType type;
    const char* written;
  };
  const Case cases[] = {
      {"result.dat", ResultFileType::SpectrumText, "result.txt"},
      {"result", ResultFileType::SpectrumWorkbook, "result.xlsx"},
      {"result.txt", ResultFileType::SpectrumWorkbook, "result.xlsx"},
      {"model.XLS", ResultFileType::ModelText, "model.txt"},
      {"a.tar.gz", ResultFileType::SpectrumText, "a.tar.txt"},
      {"result.", ResultFileType::SpectrumText, "result.txt"},
      {"/data/site.2024/result", ResultFileType::SpectrumWorkbook, "/data/site.2024/result.xlsx"},
      {"/data/site.2024/r.dat", ResultFileType::SpectrumText, "/data/site.2024/r.txt"},
      {"C:\\site.1\\result", ResultFileType::ModelText, "C:\\site.1\\result.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResultFileName(c.name, c.type), c.written) << c.name;
  EXPECT_EQ(ReplaceExtension("/tmp/out.xls", ".csv"), "/tmp/out.csv");
  EXPECT_STREQ(ResultFileTypeLabel(ResultFileType::SpectrumWorkbook), "Spectrum to Excel file");
}

// Two grid points: 2.5 Hz and 3.0 Hz with a small and a negative value.
SpectraResult TwoPoints() {
  SpectraResult result;
  result.averaged[0].points = {{2.5, 1.0}, {3.0, -0.0123}};
  result.averaged[1].points = {{2.5, 2.0}, {3.0, 0.0345}};
  result.averaged[2].points = {{2.5, 4.0}, {3.0, 345.678}};
  result.ratio.points = {{2.5, 0.375, 0.3, 0.4}, {3.0, 1.5, 1.0, 2.0}};
  return result;
}

TEST(SpectrumWorkbookTable, HeadingThenNumberTextsInTenColumns) {
  const auto table = SpectrumWorkbookTable(TwoPoints());
  ASSERT_EQ(table.size(), 2u + 3);
  for (const auto& row : table) EXPECT_EQ(row.size(), 10u);
  using Row = std::vector<std::string>;
  EXPECT_EQ(table[0], (Row{"f,Hz", "X", "Y", "Z", "H/Z", "", "", "", "", ""}));
  EXPECT_EQ(table[1], (Row{"2.50", "1", "2", "4", "0.38", "", "", "", "", ""}));
  EXPECT_EQ(table[2], (Row{"3", "-0.012", "0.035", "345.68", "1.50", "", "", "", "", ""}));
  EXPECT_EQ(table[3], Row(10));
  EXPECT_EQ(table[4], Row(10));
}

TEST(WriteSpectrumCsv, OneLinePerTableRowWithTheHeadingQuoted) {
  std::ostringstream out;
  WriteSpectrumCsv(out, TwoPoints());
  EXPECT_EQ(out.str(),
            "\"f,Hz\",X,Y,Z,H/Z,,,,,\r\n"
            "2.50,1,2,4,0.38,,,,,\r\n"
            "3,-0.012,0.035,345.68,1.50,,,,,\r\n"
            ",,,,,,,,,\r\n"
            ",,,,,,,,,\r\n");
}

// The members of a zip archive, inflated (enough of the format for the workbook test).
std::map<std::string, std::string> Unzip(const std::string& bytes) {
  auto u16 = [&](std::size_t at) { return std::uint32_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::map<std::string, std::string> members;
  const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) return members;
  std::size_t at = u32(end + 16);
  for (std::uint32_t i = 0; i < u16(end + 10) && bytes.compare(at, 4, "PK\x01\x02") == 0; ++i) {
    const std::uint32_t method = u16(at + 10), packed = u32(at + 20), size = u32(at + 24);
    const std::uint32_t nameLength = u16(at + 28), extra = u16(at + 30), comment = u16(at + 32);
    const std::uint32_t local = u32(at + 42);
    const std::string name = bytes.substr(at + 46, nameLength);
    const std::size_t data = local + 30 + u16(local + 26) + u16(local + 28);
    std::string content(size, '\0');
    if (method == 0) {
      content = bytes.substr(data, size);
    } else {
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + data));
      z.avail_in = packed;
      z.next_out = reinterpret_cast<Bytef*>(content.data());
      z.avail_out = size;
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
    }
    members[name] = content;
    at += 46 + nameLength + extra + comment;
  }
  return members;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WriteSpectrumWorkbook, FirstSheetFromA1WithNumbersShownAsTheirTexts) {
  const fs::path dir = fs::temp_directory_path() / ("corvath_workbook_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path path = dir / "result.xls";
  const corvath::numerics::Outcome outcome = WriteSpectrumWorkbook(path.string(), TwoPoints());
  EXPECT_TRUE(outcome.done()) << outcome.message;
  EXPECT_TRUE(outcome.message.empty());
  const std::string bytes = ReadAll(path);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4));

  const auto members = Unzip(bytes);
  ASSERT_TRUE(members.count("xl/worksheets/sheet1.xml"));
  ASSERT_TRUE(members.count("xl/sharedStrings.xml"));
  const std::string& sheet = members.at("xl/worksheets/sheet1.xml");
  const std::string& strings = members.at("xl/sharedStrings.xml");
  const std::string& styles = members.at("xl/styles.xml");
  // The headings are text cells of row 1 from A1, in the shared strings in order.
  EXPECT_NE(sheet.find("<c r=\"A1\" t=\"s\"><v>0</v></c>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<c r=\"E1\" t=\"s\"><v>4</v></c>"), std::string::npos);
  EXPECT_NE(strings.find("<t>f,Hz</t><"), std::string::npos) << strings;
  EXPECT_NE(strings.find("<t>H/Z</t>"), std::string::npos);
  // Values are numbers rounded as their texts, each with a format of as many decimals.
  for (const char* value : {"<v>2.5</v>", "<v>0.38</v>", "<v>-0.012</v>", "<v>0.035</v>", "<v>345.68</v>"})
    EXPECT_NE(sheet.find(value), std::string::npos) << value;
  EXPECT_EQ(sheet.find("0.0123"), std::string::npos);
  EXPECT_EQ(sheet.find("0.375"), std::string::npos);
  EXPECT_EQ(sheet.find("r=\"F"), std::string::npos);  // columns 5 to 9 stay empty
  EXPECT_EQ(sheet.find("r=\"A4\""), std::string::npos);
  for (const char* format : {"formatCode=\"0.00\"", "formatCode=\"0.000\"", "formatCode=\"0\""})
    EXPECT_NE(styles.find(format), std::string::npos) << format;
  fs::remove_all(dir);
}

// The value texts of a sheet's cells by reference ("B2"), and which of them are shared strings.
struct SheetCells {
  std::map<std::string, std::string> values;
  std::map<std::string, bool> isText;
};

SheetCells CellsOf(const std::string& sheet) {
  SheetCells cells;
  for (std::size_t at = sheet.find("<c r=\""); at != std::string::npos; at = sheet.find("<c r=\"", at + 1)) {
    const std::size_t refEnd = sheet.find('"', at + 6);
    const std::string reference = sheet.substr(at + 6, refEnd - at - 6);
    const std::size_t close = sheet.find("</c>", at);
    const std::size_t open = sheet.find('>', at);
    const std::size_t v = sheet.find("<v>", at);
    if (v == std::string::npos || v > close) continue;
    cells.values[reference] = sheet.substr(v + 3, sheet.find("</v>", v) - v - 3);
    cells.isText[reference] = sheet.substr(at, open - at).find("t=\"s\"") != std::string::npos;
  }
  return cells;
}

// The shared strings in order.
std::vector<std::string> SharedStrings(const std::string& xml) {
  std::vector<std::string> strings;
  for (std::size_t at = xml.find("<t>"); at != std::string::npos; at = xml.find("<t>", at + 1))
    strings.push_back(xml.substr(at + 3, xml.find("</t>", at) - at - 3));
  return strings;
}

// Values that need all 17 digits, the extremes of double and a negative one.
SpectraResult HardToPrint(bool bounds) {
  SpectraResult result;
  const double third = 1.0 / 3.0;
  result.averaged[0].points = {{0.1 + 0.2, 1e-310}, {2.0 / 3.0, -0.0123}, {97.00000000000001, 5e-324}};
  result.averaged[1].points = {{0.1 + 0.2, third}, {2.0 / 3.0, 1.0 + 2.220446049250313e-16}, {97.00000000000001, 7}};
  result.averaged[2].points = {{0.1 + 0.2, 123456789.12345679}, {2.0 / 3.0, 0.1}, {97.00000000000001, 1e22}};
  result.ratio.points = {{0.1 + 0.2, 0.7 + 0.1, 0.1 * 3, 1.1 * 1.1},
                         {2.0 / 3.0, third * 3, third, 2 * third},
                         {97.00000000000001, 4.35, 4.349999999999999, 4.350000000000001}};
  result.ratio.hasBounds = bounds;
  return result;
}

TEST(WriteSpectrumWorkbook, SecondSheetHoldsEveryValueToTheLastBitAndTheSettings) {
  const fs::path dir = fs::temp_directory_path() / ("corvath_full_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const bool bounds : {true, false}) {
    SpectraResult result = HardToPrint(bounds);
    result.computedWith = SpectraSettingsUsed{0.1 + 0.2, 20.000000000000004, bounds, {}};
    if (!bounds) result.computedWith->windows = {{1.5, 2.0000000000000004}, {10, 20}};
    result.automatic = bounds;
    result.plan = {4096, 2048, 51};
    result.recordFiles = {"/data/x.txt", "/data/y.txt", "/data/z.txt"};
    const fs::path path = dir / (bounds ? "bounds.xlsx" : "windows.xlsx");
    const corvath::numerics::Outcome outcome = WriteSpectrumWorkbook(path.string(), result, {"Corvath 9.8.7"});
    ASSERT_TRUE(outcome.done()) << outcome.message;
    auto members = Unzip(ReadAll(path));
    ASSERT_TRUE(members.count("xl/worksheets/sheet2.xml"));
    EXPECT_NE(members["xl/workbook.xml"].find("name=\"Full precision\""), std::string::npos);
    const SheetCells cells = CellsOf(members["xl/worksheets/sheet2.xml"]);
    const std::vector<std::string> strings = SharedStrings(members["xl/sharedStrings.xml"]);
    auto text = [&](const std::string& reference) {
      if (!cells.isText.count(reference) || !cells.isText.at(reference)) return std::string("<no text>");
      return strings.at(std::stoul(cells.values.at(reference)));
    };
    // A number cell: its text read back is the very double.
    auto number = [&](const std::string& reference, double expected) {
      ASSERT_TRUE(cells.values.count(reference)) << reference;
      EXPECT_FALSE(cells.isText.at(reference)) << reference;
      const std::string& written = cells.values.at(reference);
      const double back = std::strtod(written.c_str(), nullptr);
      EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0) << reference << ": " << written << " for " << expected;
    };

    const char* headings[] = {"f,Hz", "X", "Y", "Z", "H/Z", "H/Z lower", "H/Z upper"};
    for (int c = 0; c < (bounds ? 7 : 5); ++c) EXPECT_EQ(text(std::string(1, char('A' + c)) + "1"), headings[c]);
    if (!bounds) {
      EXPECT_FALSE(cells.values.count("F1"));
    }
    for (std::size_t i = 0; i < 3; ++i) {
      const std::string row = std::to_string(i + 2);
      const RatioPoint& r = result.ratio.points[i];
      number("A" + row, result.averaged[0].points[i].frequencyHz);
      for (int c = 0; c < 3; ++c) number(std::string(1, char('B' + c)) + row, result.averaged[c].points[i].amplitude);
      number("E" + row, r.ratio);
      if (bounds) {
        number("F" + row, r.lower);
        number("G" + row, r.upper);
      } else {
        EXPECT_FALSE(cells.values.count("F" + row));
      }
    }
    EXPECT_FALSE(cells.values.count("A5"));

    // The settings, label in column I and value in J (K).
    EXPECT_EQ(text("I1"), "Min frq");
    number("J1", 0.1 + 0.2);
    EXPECT_EQ(text("I2"), "Max frq");
    number("J2", 20.000000000000004);
    EXPECT_EQ(text("I3"), "Smoothed spectra");
    EXPECT_EQ(text("J3"), bounds ? "on" : "off");
    EXPECT_EQ(text("I4"), "Windows");
    number("J4", bounds ? 0 : 2);
    int row = 5;
    if (bounds) {
      EXPECT_EQ(text("K4"), "automatic segmentation");
      EXPECT_EQ(text("I5"), "Segments");
      number("J5", 51);
      EXPECT_EQ(text("K5"), "of 4096 samples, every 2048");
      row = 6;
    } else {
      EXPECT_EQ(text("I5"), "Window 1 (s)");
      number("J5", 1.5);
      number("K5", 2.0000000000000004);
      EXPECT_EQ(text("I6"), "Window 2 (s)");
      number("K6", 20);
      row = 7;
    }
    EXPECT_EQ(text("I" + std::to_string(row)), "Record files");
    EXPECT_EQ(text("J" + std::to_string(row)), "/data/x.txt; /data/y.txt; /data/z.txt");
    EXPECT_EQ(text("I" + std::to_string(row + 1)), "Bounds");
    EXPECT_EQ(text("J" + std::to_string(row + 1)).rfind(bounds ? "H/Z lower and upper" : "none", 0), 0u);
    EXPECT_EQ(text("I" + std::to_string(row + 2)), "Program");
    EXPECT_EQ(text("J" + std::to_string(row + 2)), "Corvath 9.8.7");

    // The first sheet is the one a workbook of the rounded texts always had.
    const SheetCells first = CellsOf(members["xl/worksheets/sheet1.xml"]);
    EXPECT_EQ(first.values.size(), 5u * 4);
  }
  fs::remove_all(dir);
}

TEST(WriteSpectrumWorkbook, ATableReadBackHasNoSettingsButItsCurves) {
  // A result without computation settings or files (a table read back) still writes.
  const fs::path path = fs::temp_directory_path() / ("corvath_nosettings_" + std::to_string(::getpid()) + ".xlsx");
  ASSERT_TRUE(WriteSpectrumWorkbook(path.string(), TwoPoints()).done());
  auto members = Unzip(ReadAll(path));
  fs::remove(path);
  const SheetCells cells = CellsOf(members["xl/worksheets/sheet2.xml"]);
  const std::vector<std::string> strings = SharedStrings(members["xl/sharedStrings.xml"]);
  EXPECT_EQ(cells.values.at("B3"), "-0.0123");
  EXPECT_EQ(strings.at(std::stoul(cells.values.at("I1"))), "Record files");
  EXPECT_EQ(strings.at(std::stoul(cells.values.at("J1"))), "unknown");
  EXPECT_FALSE(cells.values.count("I3"));  // no program named
}

TEST(WriteSpectrumBoundsTable, SevenValuesARowInTheExponentForm) {
  std::ostringstream out;
  WriteSpectrumBoundsTable(out, TwoPoints());
  EXPECT_EQ(out.str(),
            "f,Hz   X  Y  Z  H/Z  lower  upper\r\n"
            " 2.50000000000000E+0000  1.00000000000000E+0000  2.00000000000000E+0000  4.00000000000000E+0000"
            "  3.75000000000000E-0001  3.00000000000000E-0001  4.00000000000000E-0001\r\n"
            " 3.00000000000000E+0000 -1.23000000000000E-0002  3.45000000000000E-0002  3.45678000000000E+0002"
            "  1.50000000000000E+0000  1.00000000000000E+0000  2.00000000000000E+0000\r\n");
  std::ostringstream plain;
  WriteSpectrumTable(plain, TwoPoints());
  EXPECT_EQ(plain.str().find("lower"), std::string::npos);
}

TEST(WriteSpectrumWorkbook, NumbersKeepTheirPointUnderACommaLocale) {
  std::string previous = setlocale(LC_NUMERIC, nullptr);
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "ru_RU.UTF-8", "fr_FR.UTF-8"})
    if (setlocale(LC_NUMERIC, name)) {
      comma = name;
      break;
    }
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma installed";
  const fs::path path = fs::temp_directory_path() / ("corvath_locale_" + std::to_string(::getpid()) + ".xls");
  const corvath::numerics::Outcome outcome = WriteSpectrumWorkbook(path.string(), TwoPoints());
  setlocale(LC_NUMERIC, previous.c_str());
  ASSERT_TRUE(outcome.done()) << outcome.message;
  const std::string sheet = Unzip(ReadAll(path))["xl/worksheets/sheet1.xml"];
  fs::remove(path);
  EXPECT_NE(sheet.find("<v>2.5</v>"), std::string::npos) << comma << ": " << sheet;
  EXPECT_EQ(sheet.find("<v>2,5</v>"), std::string::npos);
}

TEST(WriteSpectrumWorkbook, UnwritablePathIsAMessageNotAnException) {
  const std::string path = "/nonexistent-corvath-dir/sub/result.xls";
  corvath::numerics::Outcome outcome;
  EXPECT_NO_THROW(outcome = WriteSpectrumWorkbook(path, TwoPoints()));
  EXPECT_FALSE(outcome.done());
  EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
