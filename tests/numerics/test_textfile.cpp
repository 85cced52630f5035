#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "numerics/textfile.h"

using namespace corvath::numerics;
namespace fs = std::filesystem;

namespace {

// A fresh temporary folder per test, removed afterwards.
class TextFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("corvath_textfile_" + std::to_string(rd()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  static std::vector<std::string> readLines(const std::string& path) {
    TextLineReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
  }

  fs::path dir_;
};

}  // namespace

TEST_F(TextFileTest, SplitsLinesAtLineFeedsOnly) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"lf", "a\nb\n", {"a", "b"}},
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"cr inside a line is dropped", "a\rb\nc\r\r\n", {"ab", "c"}},
      {"last line without lf", "a\nb", {"a", "b"}},
      {"empty file", "", {}},
      {"one empty line", "\n", {""}},
      {"empty lines", "a\r\n\r\n\nb", {"a", "", "", "b"}},
      {"a lone cr", "\r", {""}},
      {"eof mark after a line", std::string("a\n\x1A") + "b\n", {"a"}},
      {"eof mark inside a line", std::string("ab\x1A") + "cd\nef\n", {"ab"}},
      {"eof mark first", std::string("\x1A") + "a\n", {}},
      {"8-bit text", "\xC2\xF0\xE5\xEC\xFF\t1\r\n", {"\xC2\xF0\xE5\xEC\xFF\t1"}},
      {"nul byte", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
  };
  for (const auto& c : cases) EXPECT_EQ(readLines(write("case.txt", c.bytes)), c.expected) << c.name;
}

TEST_F(TextFileTest, ReadsLinesAcrossBufferRefills) {
  // About 2.9 MB: lines straddle the ends of several buffer fills, CR LF pairs too.
  std::string bytes;
  const int count = 200000;
  for (int i = 0; i < count; ++i) bytes += std::to_string(i) + " line\r\n";
  const auto lines = readLines(write("many.txt", bytes));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ASSERT_EQ(lines[i], std::to_string(i) + " line") << "line " << i;
}

TEST_F(TextFileTest, ReadsLinesUpToTheCapAcrossBufferRefills) {
  // A line of exactly the cap, one with a CR inside, and lines
  // that straddle the buffer's refills.
  const std::string capLine(kMaxLineBytes, 'x');
  const std::string withCr = std::string(kMaxLineBytes / 2, 'y') + "\r" + std::string(kMaxLineBytes / 2 - 1, 'z');
  const auto lines = readLines(write("long.txt", "a\n" + capLine + "\n" + withCr + "\n" + capLine + "\nend"));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], capLine);
  EXPECT_EQ(lines[2], std::string(kMaxLineBytes / 2, 'y') + std::string(kMaxLineBytes / 2 - 1, 'z'));
  EXPECT_EQ(lines[3], capLine);
  EXPECT_EQ(lines[4], "end");
}

TEST_F(TextFileTest, ALineAboveTheCapEndsTheReadNamingFileAndLine) {
  // Just above the cap, far above it (a file without any line end) and at the end
  // of the file without a final LF.
  const std::vector<std::pair<std::string, std::string>> cases{
      {"h\n" + std::string(kMaxLineBytes + 1, 'x') + "\nnext\n", "line 2 "},
      {"h\nh\n" + std::string(5 * kMaxLineBytes, '0'), "line 3 "},
      {std::string(kMaxLineBytes + 1, 'x'), "line 1 "},
  };
  for (const auto& [bytes, where] : cases) {
    const std::string path = write("over.txt", bytes);
    try {
      readLines(path);
      ADD_FAILURE() << where << ": no error";
    } catch (const FileError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(where), std::string::npos) << what;
      EXPECT_NE(what.find("\"" + path + "\""), std::string::npos) << what;
      EXPECT_NE(what.find("1 MiB"), std::string::npos) << what;
      EXPECT_EQ(e.path(), path);
    }
  }
}

TEST_F(TextFileTest, StopsAtAnEndOfFileMarkBeyondTheFirstBuffer) {
  std::string bytes;
  for (int i = 0; i < 150000; ++i) bytes += "0.5 1.5\n";  // 1.2 MB
  bytes += "last\x1A";
  bytes += "after\n";
  const auto lines = readLines(write("late_eof.txt", bytes));
  ASSERT_EQ(lines.size(), 150001u);
  EXPECT_EQ(lines.back(), "last");
}

TEST_F(TextFileTest, ReportsFilesThatCannotBeOpened) {
  struct Case {
    std::string path;
    const char* message;
  };
  const Case cases[] = {
      {(dir_ / "missing.txt").string(), "File not found"},
      {(dir_ / "no_such_folder" / "x.txt").string(), "File not found"},
      {dir_.string(), "File access denied"},
  };
  for (const auto& c : cases) {
    try {
      TextLineReader reader(c.path);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const FileError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.path;
      EXPECT_EQ(e.path(), c.path);
    }
    try {
      (void)ReadBinaryFile(c.path);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const FileError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.path;
    }
  }
}

TEST_F(TextFileTest, ReadBinaryFileKeepsEveryByte) {
  std::string bytes = std::string("a\r\n\x1A", 4) + std::string(1, '\0') + "\xFF";
  bytes += std::string(200000, 'q');  // more than one read chunk
  EXPECT_EQ(ReadBinaryFile(write("bin.dat", bytes)), bytes);
  EXPECT_EQ(ReadBinaryFile(write("empty.dat", "")), "");
}

TEST(LowerAscii, LowersOnlyTheLettersAToZ) {
  std::string text = "SAMP_Freq 1Z@[\xC0\xC1\xDF";
  LowerAscii(text);
  EXPECT_EQ(text, "samp_freq 1z@[\xC0\xC1\xDF");
}
