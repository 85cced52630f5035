#include "spectra/hvfile.h"

#include <cmath>
#include <utility>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::spectra {

namespace {

std::string number(double value) { return numerics::NumberToShortestText(std::isfinite(value) ? value : 0.0); }

RatioTableReading refuse(std::size_t line, std::string reason) {
  return {std::nullopt, "line " + std::to_string(line) + ": " + std::move(reason)};
}

}  // namespace

void WriteHvFile(std::ostream& out, const FieldStandardResult& result, const HvPosition& position) {
  const std::size_t used = result.usedWindows();
  out << "# GEOPSY output version 1.1\n";
  out << "# Number of windows = " << used << "\n";
  out << "# f0 from average\t" << number(result.curvePeakHz) << "\n";
  out << "# Number of windows for f0 = " << used << "\n";
  out << "# f0 from windows\t" << number(result.f0.median()) << "\t" << number(result.f0.lower()) << "\t"
      << number(result.f0.upper()) << "\n";
  out << "# Peak amplitude\t" << number(result.curvePeakAmplitude) << "\n";
  out << "# Position\t" << number(position.x) << " " << number(position.y) << " " << number(position.z) << "\n";
  out << "# Category\tDefault\n";
  out << "# Frequency\tAverage\tMin\tMax\n";
  for (std::size_t g = 0; g < result.frequenciesHz.size(); ++g)
    out << number(result.frequenciesHz[g]) << "\t" << number(result.mean[g]) << "\t" << number(result.lower[g])
        << "\t" << number(result.upper[g]) << "\n";
}

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
      const numerics::BoundedLineRead read = numerics::ReadBoundedLine(in, line, kMaxRatioTableLineLength);
      if (read == numerics::BoundedLineRead::End) break;
      if (read == numerics::BoundedLineRead::TooLong)
        return refuse(number, "longer than " + std::to_string(kMaxRatioTableLineLength) + " characters");
    }
    const numerics::arofstrM words = numerics::SplitWords(line);
    if (words.empty() || words[0].front() == '#') continue;
    if (result.ratio.points.size() >= kMaxRatioTableRows)
      return refuse(number, "more than " + std::to_string(kMaxRatioTableRows) + " rows");
    if (words.size() != 4)
      return refuse(number, "4 numbers (frequency, average, min, max) expected, found " +
                                std::to_string(words.size()) + " fields");
    for (std::size_t k = 0; k < 4; ++k)
      if (!numerics::ParseDecimal(words[k], row[k]) || !std::isfinite(row[k]))
        return refuse(number, numerics::QuotedExcerpt(words[k]) + " is not a number");
    if (!(row[0] > 0.0)) return refuse(number, "the frequency " + numerics::QuotedExcerpt(words[0]) + " is not positive");
    if (!result.ratio.points.empty() && !(row[0] > result.ratio.points.back().frequencyHz))
      return refuse(number, "the frequency " + numerics::QuotedExcerpt(words[0]) + " does not follow the one above it");
    if (!(row[2] > 0.0 && row[2] <= row[1] && row[1] <= row[3]))
      return refuse(number, "0 < Min <= Average <= Max does not hold");
    result.ratio.points.push_back({row[0], row[1], row[2], row[3]});
  }
  if (in.bad()) return {std::nullopt, "the file could not be read to its end"};
  if (result.ratio.points.empty()) return {std::nullopt, "the .hv file has no data row"};
  MarkPeak(result.ratio);
  result.ratioSpan = FrequencySpan(result.ratio);
  return {std::move(result), {}};
}

}  // namespace corvath::spectra
