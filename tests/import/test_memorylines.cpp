// The in-memory line reader gives the same lines as the file reader.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "import/fixtures.h"
#include "import/memorylines.h"
#include "import/readers.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

std::vector<std::string> fileLines(const std::string& path) {
  numerics::TextLineReader reader(path);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> memoryLines(std::string_view text) {
  MemoryLineReader reader(text);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  return lines;
}

TEST(MemoryLines, SameLinesAsTheFileReader) {
  std::vector<std::string> texts{"",          "\n",          "a",          "a\n",         "a\r\nb\r\n",
                                 "\r\r\n\r",  "a\n\nb",      "a\x1A\nb\n", "\x1A",        "a b\tc\n\n\n",
                                 "x\ry\rz\n", std::string(numerics::kMaxLineBytes, 'q') + "\nend"};  // the longest line
  std::mt19937 random(3);
  const char alphabet[] = {'a', ' ', '\r', '\n', '\x1A', '1', ',', '\t'};
  for (int i = 0; i < 300; ++i) {
    std::string t;
    const int length = static_cast<int>(random() % 40);
    for (int k = 0; k < length; ++k) t += alphabet[random() % sizeof alphabet];
    texts.push_back(t);
  }
  testing::ScratchDir dir;
  for (const std::string& text : texts) {
    const std::string path = dir.write("t.txt", text);
    ASSERT_EQ(memoryLines(text), fileLines(path)) << "text of " << text.size() << " bytes: " << text.substr(0, 40);
  }
}

TEST(MemoryLines, ALineAboveTheCapIsRefusedLikeTheFileReaderDoes) {
  const std::string text = "a\n" + std::string(numerics::kMaxLineBytes + 1, 'q') + "\nend";
  testing::ScratchDir dir;
  EXPECT_THROW(fileLines(dir.write("t.txt", text)), numerics::FileError);
  try {
    MemoryLineReader reader(text, "t.saf");
    std::string_view line;
    while (reader.next(line)) {
    }
    ADD_FAILURE() << "no error";
  } catch (const numerics::FileError& e) {
    EXPECT_NE(std::string(e.what()).find("\"t.saf\": line 2 is longer than 1048576 bytes"), std::string::npos)
        << e.what();
  }
}

TEST(MemoryLines, TextReadersMatchTheFileReaders) {
  testing::ScratchDir dir;
  const std::string saf = "SAMP_FREQ = 200\r\n####-\r\n1 2 3\r\n4 5\r\n7 8 9\x1A" "10 11 12\n";
  EXPECT_EQ(ReadSafText(saf, "t.saf"), ReadSafFile(dir.write("t.saf", saf)));
  const std::string delta = "\xF1\xE8\xEB\xE5\xED 2\n\xF2\xF1\xF7\xE5\xF2\xFB\n1 2 3 4 0.01 5 6 7\n";
  EXPECT_EQ(ReadDeltaText(delta, "t.dat", {}), ReadDeltaFile(dir.write("t.dat", delta), {}));
  const std::string c = "h\nh\nh\n2 1\n1 2\n";
  const std::string p = dir.write("c.csv", c);
  EXPECT_EQ(ReadComponentTexts(c, "", c), ReadComponentFiles(p, dir.write("e.csv", ""), p));
}

}  // namespace
}  // namespace corvath::import
