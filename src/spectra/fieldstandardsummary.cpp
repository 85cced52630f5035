#include "spectra/fieldstandardsummary.h"

#include <cmath>
#include <cstdio>

#include "spectra/fieldstandardreport.h"

namespace corvath::spectra {

std::string DisplayNumber(double value, int digits) {
  if (!std::isfinite(value)) return "0";
  if (value == 0.0) return "0";
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  int decimals = digits - 1 - magnitude;
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text == "-0") text = "0";
  // Rounding may have carried into a new digit ("0.9996" to "1.000"): drop the extra zero.
  if (text.find('.') != std::string::npos) {
    std::size_t significant = 0;
    bool leading = true;
    for (char c : text) {
      if (c >= '1' && c <= '9') leading = false;
      if (c >= '0' && c <= '9' && !leading) ++significant;
    }
    if (significant > static_cast<std::size_t>(digits) && text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

namespace {

// The criterion in words, its comparison and the unit of its numbers.
struct CriterionWords {
  const char* what;
  const char* comparison;
  const char* unit;
};

CriterionWords wordsOf(SesameCriterion criterion) {
  switch (criterion) {
    case SesameCriterion::PeakAboveWindowFrequency: return {"f0 above 10 / window length", ">", " Hz"};
    case SesameCriterion::EnoughCycles: return {"enough significant cycles (window length × windows × f0)", ">", ""};
    case SesameCriterion::LowScatterAroundPeak:
      return {"windows agree from f0/2 to 2 f0 (largest σA)", "<", ""};
    case SesameCriterion::FallBelow: return {"H/V falls below A0/2 between f0/4 and f0 (lowest A/A0)", "<", ""};
    case SesameCriterion::FallAbove: return {"H/V falls below A0/2 between f0 and 4 f0 (lowest A/A0)", "<", ""};
    case SesameCriterion::AmplitudeAboveTwo: return {"A0 above 2", ">", ""};
    case SesameCriterion::StablePeak: return {"peak of the ±σ curves within 5 % of f0 (shift / f0)", "≤", ""};
    case SesameCriterion::LowFrequencyScatter: return {"σf below ε(f0)", "<", " Hz"};
    case SesameCriterion::LowAmplitudeScatter: return {"σA(f0) below θ(f0)", "<", ""};
  }
  return {"", "", ""};
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

}  // namespace

FieldStandardSummary SummarizeFieldStandard(const FieldStandardResult& r) {
  FieldStandardSummary s;
  s.f0 = DisplayNumber(r.f0.median()) + " ± " + DisplayNumber(r.sigmaF0Hz) + " Hz";
  s.f0Range = DisplayNumber(r.f0.lower()) + " to " + DisplayNumber(r.f0.upper()) + " Hz (σ ln " +
              DisplayNumber(r.f0.sigmaLn) + ")";
  s.a0 = DisplayNumber(r.a0.median());
  s.a0Range = DisplayNumber(r.a0.lower()) + " to " + DisplayNumber(r.a0.upper());
  s.curvePeak = DisplayNumber(r.curvePeakHz) + " Hz, H/V " + DisplayNumber(r.curvePeakAmplitude);
  const std::size_t outliers = r.rejectedWindows() - r.staLtaWindows();
  s.windows = std::to_string(r.usedWindows()) + " of " + std::to_string(r.windows.size()) + " kept";
  std::string dropped;
  if (outliers) dropped += std::to_string(outliers) + " f0 outlier" + (outliers > 1 ? "s" : "");
  if (r.staLtaWindows()) dropped += (dropped.empty() ? "" : ", ") + std::to_string(r.staLtaWindows()) + " STA/LTA";
  if (r.skippedWindows) dropped += (dropped.empty() ? "" : ", ") + std::to_string(r.skippedWindows) + " without signal";
  if (!dropped.empty()) s.windows += " (" + dropped + ")";
  if (!r.automaticWindows) s.ranges = WindowRangesText(r);
  s.reliable = std::string(r.sesame.reliable() ? "yes" : "no") + " (" + std::to_string(r.sesame.reliabilityPassed) +
               " of 3)";
  s.clear = std::string(r.sesame.clear() ? "yes" : "no") + " (" + std::to_string(r.sesame.clarityPassed) + " of 6)";
  for (std::size_t c = 0; c < r.sesame.checks.size(); ++c) {
    const SesameCheck& check = r.sesame.checks[c];
    const CriterionWords words = wordsOf(check.criterion);
    SummaryCheck line{check.passed, words.what,
                      DisplayNumber(check.value) + words.unit + " " + words.comparison + " " +
                          DisplayNumber(check.threshold) + words.unit};
    (c < 3 ? s.reliability : s.clarity).push_back(std::move(line));
  }
  const FieldStandardSettings& set = r.settings;
  s.settings = DisplayNumber(set.windowLengthSeconds, 4) + " s windows, " +
               HorizontalCombinationName(set.combination) + ", b = " + DisplayNumber(set.bandwidth, 4) + ", grid " +
               DisplayNumber(set.gridMinHz) + " to " + DisplayNumber(set.gridMaxHz) + " Hz (" +
               std::to_string(set.gridPoints) + ")";
  return s;
}

std::string FieldStandardSummaryHtml(const FieldStandardSummary& s) {
  std::string html = "<table cellspacing='2'>";
  auto row = [&](const char* name, const std::string& value, bool strong = false) {
    html += "<tr><td>" + std::string(name) + "</td><td>" + (strong ? "<b>" : "") + escaped(value) +
            (strong ? "</b>" : "") + "</td></tr>";
  };
  row("f0", s.f0, true);
  row("", s.f0Range);
  row("A0", s.a0, true);
  row("", s.a0Range);
  row("Mean curve peak", s.curvePeak);
  row("Windows", s.windows);
  if (!s.ranges.empty()) row("From", s.ranges);
  html += "</table>";
  auto checklist = [&](const char* title, const std::string& verdict, const std::vector<SummaryCheck>& checks) {
    html += "<p><b>" + std::string(title) + ": " + escaped(verdict) + "</b></p><table cellspacing='1'>";
    for (const SummaryCheck& check : checks)
      html += std::string("<tr><td style='color:") + (check.passed ? "#1a7f1a'>&#x2714;" : "#b00000'>&#x2718;") +
              "</td><td>" + escaped(check.what) + "</td><td align='right'>" + escaped(check.numbers) + "</td></tr>";
    html += "</table>";
  };
  checklist("Reliable curve", s.reliable, s.reliability);
  checklist("Clear peak", s.clear, s.clarity);
  html += "<p style='color:#555'>" + escaped(s.settings) + "</p>";
  return html;
}

}  // namespace corvath::spectra
