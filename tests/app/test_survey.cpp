#include "app/survey.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/csvtext.h"
#include "app/filesha256.h"
#include "import/fixtures.h"

namespace corvath::app {
namespace {

namespace fs = std::filesystem;

TEST(SurveyManifest, QuotedCellsRelativePathsThreeFilesAndFurtherColumns) {
  const std::string text =
      "\xEF\xBB\xBFstation,files,longitude,latitude,site,\"note, free\"\r\n"
      "A,rec/a.saf,8.5,47.25,\"hill, top\",\"said \"\"ok\"\"\"\r\n"
      "\r\n"
      "B,\"x.txt; y.txt ;/abs/z.txt\",\"8,75\",-47,valley,\"two\nlines\"\r\n"
      "C,c.saf;d.saf,200,47,,\n"
      "D,d.saf,east,47,,";
  const Result<SurveyManifest> m = ParseSurveyManifest(text, "/survey/plan/m.csv");
  ASSERT_TRUE(m.done()) << m.message();
  EXPECT_EQ(m->path, "/survey/plan/m.csv");
  EXPECT_EQ(m->extraColumns, (std::vector<std::string>{"site", "note, free"}));
  ASSERT_EQ(m->stations.size(), 4u);
  const SurveyStation& a = m->stations[0];
  EXPECT_EQ(a.name, "A");
  EXPECT_EQ(a.files, std::vector<std::string>{"/survey/plan/rec/a.saf"});
  EXPECT_EQ(*a.longitude, 8.5);
  EXPECT_EQ(*a.latitude, 47.25);
  EXPECT_EQ(a.extra, (std::vector<std::string>{"hill, top", "said \"ok\""}));
  const SurveyStation& b = m->stations[1];
  EXPECT_EQ(b.files, (std::vector<std::string>{"/survey/plan/x.txt", "/survey/plan/y.txt", "/abs/z.txt"}));
  EXPECT_EQ(*b.longitude, 8.75);  // a comma reads as the decimal point
  EXPECT_EQ(b.extra[1], "two\nlines");
  EXPECT_TRUE(b.filesError.empty() && b.coordinateError.empty());
  // Cells a station cannot use fail that station only, saying why.
  EXPECT_NE(m->stations[2].filesError.find("one record file or three"), std::string::npos);
  EXPECT_NE(m->stations[2].coordinateError.find("longitude '200'"), std::string::npos);
  EXPECT_NE(m->stations[3].coordinateError.find("longitude 'east' is not a number"), std::string::npos);
}

TEST(SurveyManifest, RefusalsNameTheFileAndLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"station,files,latitude\nA,a.saf,1\n", "m.csv: line 1: the heading has no 'longitude' column"},
      {"station,files,longitude,latitude\nA,a.saf,1\n", "m.csv: line 2: has 3 cells, the heading 4"},
      {"station,files,longitude,latitude\nA,\"a.saf,1,2\n", "m.csv: line 2: a quote is not closed"},
      {"station,files,longitude,latitude\nA,a.saf,1,2\nA,b.saf,1,2\n", "m.csv: line 3: the station 'A' is listed twice"},
      {"station,files,longitude,latitude\n../up,a.saf,1,2\n", "m.csv: line 2: the station name '../up' cannot name"},
      {"station,files,longitude,latitude\n,a.saf,1,2\n", "m.csv: line 2: the station has no name"},
      {"station,files,longitude,latitude\n", "m.csv: the manifest lists no station"},
      {"", "m.csv: the manifest is empty"},
  };
  for (const auto& c : cases) {
    const Result<SurveyManifest> m = ParseSurveyManifest(c.text, "m.csv");
    ASSERT_TRUE(m.failed()) << c.text;
    EXPECT_EQ(m.message().rfind(c.message, 0), 0u) << m.message();
  }
}

TEST(SurveyManifest, CsvLinesReadBackCellForCell) {
  const std::vector<std::string> heading{"station", "files", "longitude", "latitude", "x"};
  const std::vector<std::string> row{"S 1", "a.saf", "1", "2", "comma, \"quote\"\r\nand line"};
  const Result<SurveyManifest> m = ParseSurveyManifest(CsvLine(heading) + CsvLine(row), "/m.csv");
  ASSERT_TRUE(m.done()) << m.message();
  EXPECT_EQ(m->stations[0].name, "S 1");
  EXPECT_EQ(m->stations[0].extra[0], row[4]);
  EXPECT_EQ(CsvLine({"plain", ""}), "plain,\r\n");
}

TEST(SurveyFiles, Sha256OfKnownContentAndMissingFile) {
  corvath::testing::ScratchDir dir;
  EXPECT_EQ(*FileSha256(dir.write("abc", "abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(*FileSha256(dir.write("empty", "")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_TRUE(FileSha256(dir.path("none")).failed());
}

TEST(SurveyFolder, MergeWithoutAPlanIsRefused) {
  corvath::testing::ScratchDir dir;
  const Result<SurveyTotals> merged = MergeSurvey(dir.root().string(), {});
  ASSERT_TRUE(merged.failed());
  EXPECT_NE(merged.message().find("is not a survey folder"), std::string::npos) << merged.message();
  EXPECT_TRUE(ReadSurveyFolder(dir.root().string()).failed());
}

}  // namespace
}  // namespace corvath::app
