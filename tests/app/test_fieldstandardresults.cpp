// "Save results" while the field-standard result is shown: each form writes that
// result, not the classic table, and names the record's files.
#include "app/fieldstandardresults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/fieldstandardhv.h"

namespace fs = std::filesystem;
using corvath::app::ResultFileType;

namespace {

// Ten minutes at 50 Hz of noise, the horizontals louder near 2 Hz.
corvath::import::ThreeComponentRecord NoisyRecord() {
  corvath::import::ThreeComponentRecord record;
  unsigned long long state = 7;
  auto noise = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
  };
  for (std::size_t i = 0; i < 30000; ++i) {
    const double t = i * 0.02;
    const double hum = std::sin(2 * M_PI * 2.0 * t);
    record.append(corvath::import::Component::X, t, noise() + hum);
    record.append(corvath::import::Component::Y, t, noise() + hum);
    record.append(corvath::import::Component::Z, t, noise());
  }
  return record;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(FieldStandardResults, SaveResultsWritesTheFieldStandardResultInEachForm) {
  const fs::path folder = fs::temp_directory_path() / "corvath_fs_save";
  fs::remove_all(folder);
  fs::create_directories(folder);
  corvath::app::Workspace ws;
  const fs::path text = folder / "r.txt", book = folder / "r.xlsx", model = folder / "m.txt";
  // Nothing calculated: nothing written.
  EXPECT_TRUE(corvath::app::SaveFieldStandardResults(ws, {ResultFileType::SpectrumText, text.string(), {}}).unchanged());
  EXPECT_FALSE(fs::exists(text));

  ws.record = NoisyRecord();
  ws.recordFiles = {"n.sac", "e.sac", "z.sac"};
  corvath::app::FieldStandardSettings settings;
  settings.gridMinHz = 0.5;
  settings.gridMaxHz = 10;
  ASSERT_TRUE(corvath::app::CalculateFieldStandardHv(ws, settings).done());
  EXPECT_FALSE(ws.spectraResult);  // no classic result: the field-standard one is still saved

  for (ResultFileType type : {ResultFileType::SpectrumText, ResultFileType::SpectrumTextWithBounds}) {
    ASSERT_TRUE(corvath::app::SaveFieldStandardResults(ws, {type, text.string(), {}}).done());
    const std::string saved = ReadAll(text);
    EXPECT_EQ(saved.rfind("[result]\r\nrecord: n.sac; e.sac; z.sac\r\n", 0), 0u) << saved.substr(0, 80);
    for (const char* section : {"[criteria]", "[settings]", "[windows]", "[curve]"})
      EXPECT_NE(saved.find(section), std::string::npos) << section;
  }
  ASSERT_TRUE(corvath::app::SaveFieldStandardResults(ws, {ResultFileType::SpectrumWorkbook, book.string(), {}}).done());
  std::ifstream workbook(book, std::ios::binary);
  char magic[2] = {};
  workbook.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "PK");
  ASSERT_TRUE(corvath::app::SaveFieldStandardResults(ws, {ResultFileType::ModelText, model.string(), {}}).done());
  EXPECT_NE(ReadAll(model).find("H(m)"), std::string::npos);
  fs::remove_all(folder);
}
