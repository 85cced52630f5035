#include "spectra/ratiotable.h"

#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::spectra {

namespace {

using numerics::BoundedLineRead;

// The next line without CR and LF, at most kMaxRatioTableLineLength characters.
BoundedLineRead NextLine(std::istream& in, std::string& line) {
  return numerics::ReadBoundedLine(in, line, kMaxRatioTableLineLength);
}

RatioTableReading Refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

std::string AtLine(std::size_t number) { return "line " + std::to_string(number) + ": "; }

std::string Quoted(std::string_view text) { return numerics::QuotedExcerpt(text); }

}  // namespace

RatioTableReading ReadHvRows(std::istream& in, const std::string& firstLine, std::size_t number) {
  SpectraResult result;
  for (const import::Component c : import::kComponents) {
    result.averaged[static_cast<int>(c)].title = ComponentName(c);
    result.averaged[static_cast<int>(c)].component = c;
  }
  result.ratio.hasBounds = true;
  std::string line = firstLine;
  double row[4];
  for (bool first = true;; first = false, ++number) {
    if (!first) {
      const BoundedLineRead read = NextLine(in, line);
      if (read == BoundedLineRead::End) break;
      if (read == BoundedLineRead::TooLong)
        return Refuse(AtLine(number) + "longer than " + std::to_string(kMaxRatioTableLineLength) + " characters");
    }
    const numerics::arofstrM words = numerics::SplitWords(line);
    if (words.empty() || words[0].front() == '#') continue;
    if (result.ratio.points.size() >= kMaxRatioTableRows)
      return Refuse(AtLine(number) + "more than " + std::to_string(kMaxRatioTableRows) + " rows");
    if (words.size() != 4)
      return Refuse(AtLine(number) + "4 numbers (frequency, average, min, max) expected, found " +
                    std::to_string(words.size()) + " fields");
    for (std::size_t k = 0; k < 4; ++k)
      if (!numerics::ParseDecimal(words[k], row[k]) || !std::isfinite(row[k]))
        return Refuse(AtLine(number) + Quoted(words[k]) + " is not a number");
    if (!(row[0] > 0.0)) return Refuse(AtLine(number) + "the frequency " + Quoted(words[0]) + " is not positive");
    if (!result.ratio.points.empty() && !(row[0] > result.ratio.points.back().frequencyHz))
      return Refuse(AtLine(number) + "the frequency " + Quoted(words[0]) + " does not follow the one above it");
    if (!(row[2] > 0.0 && row[2] <= row[1] && row[1] <= row[3]))
      return Refuse(AtLine(number) + "0 < Min <= Average <= Max does not hold");
    result.ratio.points.push_back({row[0], row[1], row[2], row[3]});
  }
  if (in.bad()) return Refuse("the file could not be read to its end");
  if (result.ratio.points.empty()) return Refuse("the .hv file has no data row");
  MarkPeak(result.ratio);
  result.ratioSpan = FrequencySpan(result.ratio);
  return {std::move(result), {}};
}

RatioTableReading ReadRatioTable(std::istream& in) {
  const numerics::arofstrM spectrumHeading{"f,Hz", "X", "Y", "Z", "H/Z"};
  const numerics::arofstrM boundsHeading{"f,Hz", "H/Z", "lower", "upper"};
  const numerics::arofstrM spectrumBoundsHeading{"f,Hz", "X", "Y", "Z", "H/Z", "lower", "upper"};
  SpectraResult result;
  for (const import::Component c : import::kComponents) {
    result.averaged[static_cast<int>(c)].title = ComponentName(c);
    result.averaged[static_cast<int>(c)].component = c;
  }
  // 5 for a spectrum table, 4 for a bounds table, 7 for a spectrum table with bounds; 0 before the heading
  std::size_t columns = 0;
  std::string line;
  std::vector<double> row;
  for (std::size_t number = 1;; ++number) {
    const BoundedLineRead read = NextLine(in, line);
    if (read == BoundedLineRead::End) break;
    if (read == BoundedLineRead::TooLong)
      return Refuse(AtLine(number) + "longer than " + std::to_string(kMaxRatioTableLineLength) + " characters");
    const numerics::arofstrM words = numerics::SplitWords(line);
    if (words.empty()) continue;
    if (columns == 0) {
      if (words[0].front() == '#') return ReadHvRows(in, line, number);  // a ".hv" file
      if (words == spectrumHeading) {
        columns = 5;
      } else if (words == boundsHeading) {
        columns = 4;
        result.ratio.hasBounds = true;
      } else if (words == spectrumBoundsHeading) {
        columns = 7;
        result.ratio.hasBounds = true;
      } else {
        return Refuse(AtLine(number) + "the heading \"f,Hz   X  Y  Z  H/Z\" or \"f,Hz   H/Z  lower  upper\" or \"f,Hz   X  Y  Z  H/Z  lower  upper\" is expected, not " +
                      Quoted(line));
      }
      continue;
    }
    if (result.ratio.points.size() >= kMaxRatioTableRows)
      return Refuse(AtLine(number) + "more than " + std::to_string(kMaxRatioTableRows) + " rows");
    if (words.size() != columns)
      return Refuse(AtLine(number) + std::to_string(columns) + " numbers expected, found " +
                    std::to_string(words.size()) + " fields");
    row.assign(columns, 0.0);
    for (std::size_t k = 0; k < columns; ++k)
      if (!numerics::ParseDecimal(words[k], row[k]))
        return Refuse(AtLine(number) + Quoted(words[k]) + " is not a number");
    const double f = row[0];
    if (!(f > 0.0)) return Refuse(AtLine(number) + "the frequency " + Quoted(words[0]) + " is not positive");
    if (!result.ratio.points.empty() && !(f > result.ratio.points.back().frequencyHz))
      return Refuse(AtLine(number) + "the frequency " + Quoted(words[0]) + " does not follow the one above it");
    if (columns == 5 || columns == 7) {
      for (int c = 0; c < 3; ++c) result.averaged[c].points.push_back({f, row[c + 1]});
      result.ratio.points.push_back({f, row[4], columns == 7 ? row[5] : row[4], columns == 7 ? row[6] : row[4]});
    } else {
      result.ratio.points.push_back({f, row[1], row[2], row[3]});
    }
  }
  if (in.bad()) return Refuse("the table could not be read to its end");
  if (columns == 0) return Refuse("no heading: the table is empty");
  if (result.ratio.points.empty()) return Refuse("the table has no data row");
  MarkPeak(result.ratio);
  result.horizontalSpan = FrequencySpan(result.averaged[0]);
  result.verticalSpan = FrequencySpan(result.averaged[2]);
  result.ratioSpan = FrequencySpan(result.ratio);
  return {std::move(result), {}};
}

}  // namespace corvath::spectra
