#include <gtest/gtest.h>
#include <zlib.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
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
