#include "spectra/fieldstandardreport.h"

#include <charconv>
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
  if (!std::isfinite(value)) return "0";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string ShortestNumber(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
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
  for (const SesameCheck& check : r.sesame.checks)
    lines.push_back({SesameCriterionKey(check.criterion), criterionValue(check)});
  return lines;
}

void WriteFieldStandardReport(std::ostream& out, const FieldStandardResult& result) {
  for (const ReportLine& line : FieldStandardReport(result)) out << line.key << ": " << line.value << '\n';
}

void WriteFieldStandardJson(std::ostream& out, const FieldStandardResult& r) {
  auto number = [](double v) { return ShortestNumber(v); };
  out << "{\"f0_hz\":" << number(r.f0.median()) << ",\"f0_sigma_ln\":" << number(r.f0.sigmaLn)
      << ",\"f0_low_hz\":" << number(r.f0.lower()) << ",\"f0_high_hz\":" << number(r.f0.upper())
      << ",\"f0_sigma_hz\":" << number(r.sigmaF0Hz) << ",\"a0\":" << number(r.a0.median())
      << ",\"a0_sigma_ln\":" << number(r.a0.sigmaLn) << ",\"a0_low\":" << number(r.a0.lower())
      << ",\"a0_high\":" << number(r.a0.upper()) << ",\"curve_f0_hz\":" << number(r.curvePeakHz)
      << ",\"curve_a0\":" << number(r.curvePeakAmplitude) << ",\"windows_used\":" << r.usedWindows()
      << ",\"windows_rejected\":" << r.rejectedWindows() << ",\"windows_skipped\":" << r.skippedWindows
      << ",\"rejection_iterations\":" << r.rejectionIterations
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
  out << "}}\n";
}

void WriteFieldStandardCurve(std::ostream& out, const FieldStandardResult& r) {
  out << "f,Hz   H/V  lower  upper\r\n";
  for (std::size_t g = 0; g < r.frequenciesHz.size(); ++g)
    out << numerics::NumberToExponentText(r.frequenciesHz[g]) << ' ' << numerics::NumberToExponentText(r.mean[g])
        << ' ' << numerics::NumberToExponentText(r.lower[g]) << ' ' << numerics::NumberToExponentText(r.upper[g])
        << "\r\n";
}

}  // namespace corvath::spectra
