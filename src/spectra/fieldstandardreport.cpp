#include "spectra/fieldstandardreport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "numerics/numbertext.h"

namespace corvath::spectra {

namespace {

std::string criterionValue(const SesameCheck& check) {
  return std::string(check.passed ? "pass " : "fail ") + ReportNumber(check.value) + " (" +
         SesameCriterionText(check.criterion) + ", limit " + ReportNumber(check.threshold) + ")";
}

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

}  // namespace

std::string ReportNumber(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string ShortestNumber(double value) {
  return std::isfinite(value) ? numerics::NumberToShortestText(value) : NonFiniteText(value);
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return value > 0 ? "inf" : "-inf";
}

std::vector<ReportLine> FieldStandardReport(const FieldStandardResult& r) {
  std::vector<ReportLine> lines = {
      {"f0_hz", ReportNumber(r.f0.median())},
      {"f0_sigma_ln", ReportNumber(r.f0.sigmaLn)},
      {"f0_low_hz", ReportNumber(r.f0.lower())},
      {"f0_high_hz", ReportNumber(r.f0.upper())},
      {"f0_sigma_hz", ReportNumber(r.sigmaF0Hz)},
      {"a0", ReportNumber(r.a0.median())},
      {"a0_sigma_ln", ReportNumber(r.a0.sigmaLn)},
      {"a0_low", ReportNumber(r.a0.lower())},
      {"a0_high", ReportNumber(r.a0.upper())},
      {"curve_f0_hz", ReportNumber(r.curvePeakHz)},
      {"curve_a0", ReportNumber(r.curvePeakAmplitude)},
      {"windows_used", std::to_string(r.usedWindows())},
      {"windows_rejected", std::to_string(r.rejectedWindows())},
      {"windows_skipped", std::to_string(r.skippedWindows)},
      {"rejection_iterations", std::to_string(r.rejectionIterations)},
      {"combine", HorizontalCombinationName(r.settings.combination)},
      {"ko_b", ReportNumber(r.settings.bandwidth)},
      {"grid", ReportNumber(r.settings.gridMinHz) + "," + ReportNumber(r.settings.gridMaxHz) + "," +
                   std::to_string(r.settings.gridPoints)},
      {"search", ReportNumber(r.search.lowHz) + "," + ReportNumber(r.search.highHz)},
      {"reliable", std::string(r.sesame.reliable() ? "yes" : "no") + " (" +
                       std::to_string(r.sesame.reliabilityPassed) + " of 3)"},
      {"clear", std::string(r.sesame.clear() ? "yes" : "no") + " (" + std::to_string(r.sesame.clarityPassed) +
                    " of 6)"},
  };
  if (r.settings.staLta) {
    const StaLtaSettings& s = *r.settings.staLta;
    lines.insert(lines.begin() + 15, {{"windows_sta_lta", std::to_string(r.staLtaWindows())},
                                      {"sta_lta", ReportNumber(s.staSeconds) + "," + ReportNumber(s.ltaSeconds) + "," +
                                                      ReportNumber(s.minRatio) + "," + ReportNumber(s.maxRatio)}});
  }
  if (!r.automaticWindows) {
    const auto skipped = std::find_if(lines.begin(), lines.end(),
                                      [](const ReportLine& line) { return line.key == "windows_skipped"; });
    lines.insert(skipped + 1, {"windows_from_ranges", WindowRangesText(r)});
  }
  for (const SesameCheck& check : r.sesame.checks)
    lines.push_back({SesameCriterionKey(check.criterion), criterionValue(check)});
  return lines;
}

std::vector<std::size_t> KeptWindowsPerRange(const FieldStandardResult& r) {
  std::vector<std::size_t> kept(r.ranges.size(), 0);
  for (const FieldStandardWindow& w : r.windows)
    if (!w.rejected && w.rangeIndex < kept.size()) ++kept[w.rangeIndex];
  return kept;
}

std::string WindowRangesText(const FieldStandardResult& r) {
  const std::vector<std::size_t> kept = KeptWindowsPerRange(r);
  std::string text;
  for (std::size_t i = 0; i < r.ranges.size(); ++i) {
    const WindowRange& range = r.ranges[i];
    if (!text.empty()) text += "; ";
    text += ReportNumber(range.startSeconds) + "-" + ReportNumber(range.endSeconds) + " s: " +
            std::to_string(range.windows) +
            (range.windows ? " (" + std::to_string(kept[i]) + " kept)" : std::string(" (shorter than one window)"));
  }
  return text;
}

std::vector<ReportLine> AzimuthalReport(const AzimuthalHv& hv) {
  std::string f0s, peaks;
  for (const AzimuthCurve& curve : hv.azimuths) {
    if (!f0s.empty()) f0s += ' ', peaks += ' ';
    f0s += ReportNumber(curve.azimuthDegrees) + ":" + ReportNumber(curve.result.f0.median());
    peaks += ReportNumber(curve.azimuthDegrees) + ":" + ReportNumber(curve.result.curvePeakAmplitude);
  }
  return {{"azimuth_f0_hz", f0s},
          {"azimuth_curve_a0", peaks},
          {"directional", std::string(hv.directional ? "yes" : "no") + " (" + hv.directionality + ")"}};
}

void WriteFieldStandardReport(std::ostream& out, const FieldStandardResult& result, const AzimuthalHv* azimuthal) {
  for (const ReportLine& line : FieldStandardReport(result)) out << line.key << ": " << line.value << '\n';
  if (azimuthal)
    for (const ReportLine& line : AzimuthalReport(*azimuthal)) out << line.key << ": " << line.value << '\n';
}

void WriteFieldStandardJson(std::ostream& out, const FieldStandardResult& r, const AzimuthalHv* azimuthal) {
  // JSON has no text for NaN or an infinity: such a value is null.
  auto number = [](double v) { return std::isfinite(v) ? ShortestNumber(v) : std::string("null"); };
  out << "{\"f0_hz\":" << number(r.f0.median()) << ",\"f0_sigma_ln\":" << number(r.f0.sigmaLn)
      << ",\"f0_low_hz\":" << number(r.f0.lower()) << ",\"f0_high_hz\":" << number(r.f0.upper())
      << ",\"f0_sigma_hz\":" << number(r.sigmaF0Hz) << ",\"a0\":" << number(r.a0.median())
      << ",\"a0_sigma_ln\":" << number(r.a0.sigmaLn) << ",\"a0_low\":" << number(r.a0.lower())
      << ",\"a0_high\":" << number(r.a0.upper()) << ",\"curve_f0_hz\":" << number(r.curvePeakHz)
      << ",\"curve_a0\":" << number(r.curvePeakAmplitude) << ",\"windows_used\":" << r.usedWindows()
      << ",\"windows_rejected\":" << r.rejectedWindows() << ",\"windows_skipped\":" << r.skippedWindows
      << ",\"rejection_iterations\":" << r.rejectionIterations;
  if (!r.automaticWindows) {
    const std::vector<std::size_t> kept = KeptWindowsPerRange(r);
    out << ",\"ranges\":[";
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
      out << (i ? "," : "") << "{\"start_s\":" << number(r.ranges[i].startSeconds)
          << ",\"end_s\":" << number(r.ranges[i].endSeconds) << ",\"windows\":" << r.ranges[i].windows
          << ",\"kept\":" << kept[i] << '}';
    out << ']';
  }
  if (r.settings.staLta) {
    const StaLtaSettings& s = *r.settings.staLta;
    out << ",\"windows_sta_lta\":" << r.staLtaWindows() << ",\"sta_lta\":{\"sta_s\":" << number(s.staSeconds)
        << ",\"lta_s\":" << number(s.ltaSeconds) << ",\"min\":" << number(s.minRatio) << ",\"max\":"
        << number(s.maxRatio) << '}';
  }
  out
      << ",\"combine\":" << jsonString(HorizontalCombinationName(r.settings.combination))
      << ",\"ko_b\":" << number(r.settings.bandwidth) << ",\"grid\":[" << number(r.settings.gridMinHz) << ','
      << number(r.settings.gridMaxHz) << ',' << r.settings.gridPoints << "],\"search\":[" << number(r.search.lowHz)
      << ',' << number(r.search.highHz) << "],\"reliable\":" << (r.sesame.reliable() ? "true" : "false")
      << ",\"clear\":" << (r.sesame.clear() ? "true" : "false") << ",\"criteria\":{";
  bool first = true;
  for (const SesameCheck& check : r.sesame.checks) {
    if (!first) out << ',';
    first = false;
    out << jsonString(SesameCriterionKey(check.criterion)) << ":{\"passed\":" << (check.passed ? "true" : "false")
        << ",\"value\":" << number(check.value) << ",\"threshold\":" << number(check.threshold)
        << ",\"text\":" << jsonString(SesameCriterionText(check.criterion)) << '}';
  }
  out << '}';
  if (azimuthal) {
    out << ",\"azimuths\":[";
    for (std::size_t a = 0; a < azimuthal->azimuths.size(); ++a) {
      const FieldStandardResult& curve = azimuthal->azimuths[a].result;
      out << (a ? "," : "") << "{\"azimuth_deg\":" << number(azimuthal->azimuths[a].azimuthDegrees)
          << ",\"f0_hz\":" << number(curve.f0.median()) << ",\"f0_sigma_ln\":" << number(curve.f0.sigmaLn)
          << ",\"curve_f0_hz\":" << number(curve.curvePeakHz) << ",\"curve_a0\":" << number(curve.curvePeakAmplitude)
          << '}';
    }
    out << "],\"directional\":" << (azimuthal->directional ? "true" : "false")
        << ",\"directionality\":" << jsonString(azimuthal->directionality);
  }
  out << "}\n";
}

void WriteFieldStandardCurve(std::ostream& out, const FieldStandardResult& r) {
  out << "f,Hz   H/V  lower  upper\r\n";
  for (std::size_t g = 0; g < r.frequenciesHz.size(); ++g)
    out << numerics::NumberToExponentText(r.frequenciesHz[g]) << ' ' << numerics::NumberToExponentText(r.mean[g])
        << ' ' << numerics::NumberToExponentText(r.lower[g]) << ' ' << numerics::NumberToExponentText(r.upper[g])
        << "\r\n";
}

}  // namespace corvath::spectra

namespace corvath::spectra {

void WriteWindowTable(std::ostream& out, const FieldStandardResult& r) {
  out << "start_s end_s f0_hz a0 sta_lta_min sta_lta_max status\n";
  for (const FieldStandardWindow& w : r.windows)
    out << ShortestNumber(w.startSeconds) << ' ' << ShortestNumber(w.endSeconds) << ' ' << ShortestNumber(w.peakFrequencyHz) << ' '
        << ShortestNumber(w.peakAmplitude) << ' ' << ShortestNumber(w.staLtaMin) << ' ' << ShortestNumber(w.staLtaMax) << ' '
        << WindowFateWord(w.fate) << '\n';
}

void WriteWindowCurves(std::ostream& out, const FieldStandardResult& r) {
  out << "f_hz";
  for (const FieldStandardWindow& w : r.windows) out << ' ' << ShortestNumber(w.startSeconds);
  out << '\n';
  for (std::size_t g = 0; g < r.frequenciesHz.size(); ++g) {
    out << ShortestNumber(r.frequenciesHz[g]);
    for (const FieldStandardWindow& w : r.windows) out << ' ' << ShortestNumber(w.ratio[g]);
    out << '\n';
  }
}

void WriteAzimuthTable(std::ostream& out, const AzimuthalHv& hv) {
  out << "azimuth_deg f_hz hv lower upper\n";
  for (const AzimuthCurve& curve : hv.azimuths) {
    const FieldStandardResult& r = curve.result;
    for (std::size_t g = 0; g < r.frequenciesHz.size(); ++g)
      out << ShortestNumber(curve.azimuthDegrees) << ' ' << ShortestNumber(r.frequenciesHz[g]) << ' ' << ShortestNumber(r.mean[g])
          << ' ' << ShortestNumber(r.lower[g]) << ' ' << ShortestNumber(r.upper[g]) << '\n';
  }
}

}  // namespace corvath::spectra
