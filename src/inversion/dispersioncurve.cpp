#include "inversion/dispersioncurve.h"

#include <array>
#include <cmath>
#include <utility>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::inversion {

namespace {

// The columns the reader takes; any other is ignored.
enum Column { kWave, kMode, kFrequency, kPhase, kSigma, kColumnCount };
constexpr std::array<const char*, kColumnCount> kColumnNames{"wave", "mode", "frequency_hz", "phase_m_s",
                                                             "sigma_m_s"};
constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

DispersionReading Refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

std::string AtLine(std::size_t number) { return "line " + std::to_string(number) + ": "; }

std::string Quoted(std::string_view text) { return numerics::QuotedExcerpt(text); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsComment(const numerics::arofstrM& words) { return !words.empty() && words[0].front() == '#'; }

}  // namespace

const char* SurfaceWaveName(SurfaceWave wave) { return wave == SurfaceWave::Love ? "love" : "rayleigh"; }

std::optional<SurfaceWave> SurfaceWaveOfWord(std::string_view word) {
  std::string lowered(word);
  for (char& c : lowered) c = Lower(c);
  if (lowered == "rayleigh") return SurfaceWave::Rayleigh;
  if (lowered == "love") return SurfaceWave::Love;
  return std::nullopt;
}

DispersionReading ReadDispersionTable(std::istream& in) {
  std::array<std::size_t, kColumnCount> at;
  at.fill(kAbsent);
  std::size_t columns = 0;  // 0 before the heading
  DispersionCurve curve;
  std::string line;
  for (std::size_t number = 1;; ++number) {
    const numerics::BoundedLineRead read = numerics::ReadBoundedLine(in, line, kMaxDispersionLineLength);
    if (read == numerics::BoundedLineRead::End) break;
    if (read == numerics::BoundedLineRead::TooLong)
      return Refuse(AtLine(number) + "longer than " + std::to_string(kMaxDispersionLineLength) + " characters");
    const numerics::arofstrM words = numerics::SplitWords(line);
    if (words.empty() || IsComment(words)) continue;
    if (columns == 0) {
      for (std::size_t k = 0; k < words.size(); ++k)
        for (int c = 0; c < kColumnCount; ++c)
          if (words[k] == kColumnNames[c]) {
            if (at[c] != kAbsent) return Refuse(AtLine(number) + "the column " + kColumnNames[c] + " is named twice");
            at[c] = k;
          }
      if (at[kFrequency] == kAbsent || at[kPhase] == kAbsent)
        return Refuse(AtLine(number) + "a heading naming the columns frequency_hz and phase_m_s is expected, not " +
                      Quoted(line));
      columns = words.size();
      continue;
    }
    if (curve.points.size() >= kMaxDispersionRows)
      return Refuse(AtLine(number) + "more than " + std::to_string(kMaxDispersionRows) + " rows");
    if (words.size() != columns)
      return Refuse(AtLine(number) + std::to_string(columns) + " fields expected, as in the heading, found " +
                    std::to_string(words.size()));
    DispersionPoint point;
    // A positive finite number of column c.
    const auto positive = [&](int c, double& value) -> std::string {
      const std::string& word = words[at[c]];
      if (!numerics::ParseDecimal(word, value) || !std::isfinite(value))
        return AtLine(number) + kColumnNames[c] + " " + Quoted(word) + " is not a number";
      if (!(value > 0.0)) return AtLine(number) + kColumnNames[c] + " " + Quoted(word) + " is not positive";
      return {};
    };
    if (std::string why = positive(kFrequency, point.frequencyHz); !why.empty()) return Refuse(std::move(why));
    if (std::string why = positive(kPhase, point.phaseMS); !why.empty()) return Refuse(std::move(why));
    point.sigmaMS = kDefaultDispersionSigmaFraction * point.phaseMS;
    if (at[kSigma] != kAbsent)
      if (std::string why = positive(kSigma, point.sigmaMS); !why.empty()) return Refuse(std::move(why));
    if (at[kWave] != kAbsent) {
      const std::optional<SurfaceWave> wave = SurfaceWaveOfWord(words[at[kWave]]);
      if (!wave) return Refuse(AtLine(number) + "wave " + Quoted(words[at[kWave]]) + " is not rayleigh or love");
      point.wave = *wave;
    }
    if (at[kMode] != kAbsent) {
      double mode = 0.0;
      const std::string& word = words[at[kMode]];
      if (!numerics::ParseDecimal(word, mode) || !(mode >= 0.0 && mode <= kMaxDispersionMode) ||
          mode != std::floor(mode))
        return Refuse(AtLine(number) + "mode " + Quoted(word) + " is not a whole number from 0 to " +
                      std::to_string(kMaxDispersionMode));
      point.mode = static_cast<int>(mode);
    }
    curve.points.push_back(point);
  }
  if (in.bad()) return Refuse("the table could not be read to its end");
  if (columns == 0) return Refuse("no heading: the table is empty");
  if (curve.points.empty()) return Refuse("the table has no data row");
  return {std::move(curve), {}};
}

std::string DispersionTableText(const DispersionCurve& curve) {
  std::string text = "wave\tmode\tfrequency_hz\tphase_m_s\tsigma_m_s\n";
  for (const DispersionPoint& p : curve.points)
    text += std::string(SurfaceWaveName(p.wave)) + "\t" + std::to_string(p.mode) + "\t" +
            numerics::NumberToShortestText(p.frequencyHz) + "\t" + numerics::NumberToShortestText(p.phaseMS) + "\t" +
            numerics::NumberToShortestText(p.sigmaMS) + "\n";
  return text;
}

}  // namespace corvath::inversion
