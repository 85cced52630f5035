// Delta files: Windows-1251 text. Header lines holding "силен" give the gains of
// channels 1, 2, 3 (the last number of the line); the first line holding "тсчеты"
// ends the header; each data line holds at least eight words: the fifth is the
// time in s, the sixth to eighth the values of channels 1 to 3.
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "import/memorylines.h"
#include "import/readers.h"
#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::import {
namespace {

// The keywords as Windows-1251 bytes; Cyrillic letters are not case-folded.
constexpr std::string_view kGainKeyword = "\xF1\xE8\xEB\xE5\xED";                // "силен"
constexpr std::string_view kEndOfHeaderKeyword = "\xF2\xF1\xF7\xE5\xF2\xFB";     // "тсчеты"
constexpr int kChannelCount = 3;
constexpr std::size_t kDataWords = 8;
constexpr std::size_t kTimeWord = 4;  // 0-based: the fifth word

struct DeltaHeader {
  std::array<double, kChannelCount> gains{1.0, 1.0, 1.0};
  bool ended = false;
};

// Reads header lines up to and including the first end-of-header line.
template <class Lines>
DeltaHeader readHeader(Lines& reader) {
  DeltaHeader header;
  int gainLines = 0;
  std::string_view line;
  numerics::arofdoubleM numbers;
  while (reader.next(line)) {
    // Only ASCII letters would be lowered, and the keywords hold none: match the bytes.
    if (line.find(kGainKeyword) != std::string_view::npos) {
      if (gainLines < kChannelCount) {
        numerics::SplitNumbersInto(line, numbers);
        if (!numbers.empty()) header.gains[gainLines] = numbers.back();  // no number: the gain stays 1
      }
      ++gainLines;
    }
    if (line.find(kEndOfHeaderKeyword) != std::string_view::npos) {
      header.ended = true;
      break;
    }
  }
  return header;
}

// A word as a number with the rules of TextToNumber (magnitudes below 1e-30 read
// as 0), telling a word that is not a number from the value 123456789.
bool wordToNumber(std::string_view word, double& value) {
  if (!numerics::ParseDecimal(word, value)) return false;
  if (std::fabs(value) < 1e-30) value = 0.0;
  return true;
}

void checkChannel(int channel, const char* field, const std::string& path) {
  if (channel < 1 || channel > kChannelCount)
    throw FormatError("File \"" + path + "\": the " + field + " channel is " + std::to_string(channel) +
                          ", but a Delta file has the channels 1 to 3",
                      path);
}

// The lines of an open file, or of a text: the dialog, then header and data.
template <class Lines>
std::optional<ThreeComponentRecord> readDelta(Lines& reader, const ChannelPrompt& prompt, const std::string& path) {
  const ChannelChoice choice = prompt ? prompt(TraceList{}) : ChannelChoice{};
  checkChannel(choice.first, "first", path);
  checkChannel(choice.second, "second", path);
  checkChannel(choice.third, "third", path);

  const DeltaHeader header = readHeader(reader);
  if (!header.ended) return std::nullopt;
  std::string_view line;
  if (!reader.next(line)) return std::nullopt;  // nothing after the end-of-header line

  // The first field feeds Z, the second X, the third Y.
  const std::array<int, 3> channels{choice.first, choice.second, choice.third};
  std::array<SampleCollector, 3> zxy;
  do {
    const numerics::arofstrM words = numerics::SplitWords(line);
    if (words.size() < kDataWords) continue;
    double t;
    if (!wordToNumber(words[kTimeWord], t)) continue;
    std::array<double, 3> values;
    bool numeric = true;
    for (int f = 0; f < 3 && numeric; ++f) {
      const int c = channels[f];
      numeric = wordToNumber(words[kTimeWord + c], values[f]);
      values[f] *= header.gains[c - 1];
      if (numeric && !std::isfinite(values[f])) throw FormatError("Floating point overflow", path);
    }
    if (!numeric) continue;
    for (int f = 0; f < 3; ++f) zxy[f].push(t, values[f]);
  } while (reader.next(line));

  return ThreeComponentRecord::FromArrivals(zxy[1].take(), zxy[2].take(), zxy[0].take());
}

}  // namespace

std::optional<ThreeComponentRecord> ReadDeltaFile(const std::string& path, const ChannelPrompt& prompt,
                                                  ReadControl* control) {
  // A missing file fails before the dialog.
  numerics::TextLineReader reader(path, control ? control->progress : nullptr);
  return readDelta(reader, prompt, path);
}

std::optional<ThreeComponentRecord> ReadDeltaText(std::string_view text, const std::string& name,
                                                  const ChannelPrompt& prompt) {
  MemoryLineReader reader(text, name);
  return readDelta(reader, prompt, name);
}

}  // namespace corvath::import
