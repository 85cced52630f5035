#include "numerics/settingtable.h"

#include <cmath>
#include <sstream>

#include "numerics/numberfield.h"
#include "numerics/numbertext.h"

namespace corvath::numerics {
namespace {

// The word a unit takes after a number in messages; none for a unit read as a sign.
std::string_view UnitWord(std::string_view unit) {
  if (unit == "s") return "seconds";
  if (unit == "deg") return "degrees";
  return {};
}

// A whole bound as its digits ("100000"), another in its shortest exact text.
std::string BoundText(double bound) {
  if (bound == std::nearbyint(bound) && std::fabs(bound) < 1e15) return std::to_string(static_cast<long long>(bound));
  return NumberToShortestText(bound);
}

long long WholeBound(double bound, long long none) {
  return std::isfinite(bound) ? static_cast<long long>(bound) : none;
}

}  // namespace

bool SettingRange::contains(double value) const {
  if (!std::isfinite(value)) return false;
  const bool aboveLower = lowerIncluded ? value >= lower : value > lower;
  const bool belowUpper = upperIncluded ? value <= upper : value < upper;
  return aboveLower && belowUpper;
}

std::string SettingRange::text(std::string_view unit) const {
  const std::string word(UnitWord(unit));
  const std::string after = word.empty() ? std::string() : " " + word;
  const std::string lo = BoundText(lower), hi = BoundText(upper);
  const bool hasLower = std::isfinite(lower), hasUpper = std::isfinite(upper);
  if (hasLower && !hasUpper) {
    if (lower == 0.0 && !lowerIncluded) return word.empty() ? "positive" : "a positive number of " + word;
    return (lowerIncluded ? "at least " : "above ") + lo + after;
  }
  if (!hasLower && hasUpper) return (upperIncluded ? "at most " : "below ") + hi + after;
  if (!hasLower && !hasUpper) return "a number";
  if (lowerIncluded && upperIncluded) return "from " + lo + " to " + hi + after;
  return (lowerIncluded ? "at least " : "above ") + lo + (upperIncluded ? " and at most " : " and below ") + hi + after;
}

std::string SettingValueText(double value) {
  std::ostringstream s;
  s << value;
  return s.str();
}

std::string SettingRefusal(SettingKind kind, const SettingRange& range, std::string_view unit, double value) {
  if (!std::isfinite(value)) return "must be a number";
  if (kind == SettingKind::Whole && value != std::nearbyint(value)) return "must be a whole number";
  if (!range.contains(value)) return "must be " + range.text(unit);
  return {};
}

Result<double> SettingField(SettingKind kind, const SettingRange& range, std::string_view unit,
                            std::string_view label, std::string_view text) {
  if (kind == SettingKind::Whole) {
    const Result<long long> whole =
        WholeNumberField(label, text, WholeBound(range.lower, -9'000'000'000'000'000LL),
                         WholeBound(range.upper, 9'000'000'000'000'000LL));
    if (!whole.done()) return whole.outcome;
    if (!range.contains(static_cast<double>(*whole)))
      return Outcome::Failed(std::string(label) + ": '" + std::string(text) + "' must be " + range.text(unit));
    return static_cast<double>(*whole);
  }
  const Result<double> number = NumberField(label, text);
  if (!number.done()) return number;
  if (!range.contains(*number))
    return Outcome::Failed(std::string(label) + ": '" + std::string(text) + "' must be " + range.text(unit));
  return number;
}

}  // namespace corvath::numerics
