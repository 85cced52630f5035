#include "numerics/numberfield.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <string>

#include "numerics/numbertext.h"

namespace corvath::numerics {
namespace {

std::string Quoted(std::string_view label, std::string_view text) {
  return std::string(label) + ": '" + std::string(text) + "'";
}

std::string Bound(double value, bool present) { return present ? NumberToShortestText(value) : std::string("..."); }

}  // namespace

Result<double> NumberField(std::string_view label, std::string_view text, double lower, double upper) {
  const double value = TextToNumber(text);
  if (value == InvalidNumber || !std::isfinite(value)) return Outcome::Failed(Quoted(label, text) + " is not a number");
  if (lower != upper) {
    const bool hasLower = lower != 0.0;
    const bool hasUpper = upper != 0.0;
    if ((hasLower && value < lower) || (hasUpper && value > upper))
      return Outcome::Failed(Quoted(label, text) + " is not within " + Bound(lower, hasLower) + " to " +
                             Bound(upper, hasUpper));
  }
  return value;
}

Result<long long> WholeNumberField(std::string_view label, std::string_view text, long long lower,
                                   long long upper) {
  const Result<double> number = NumberField(label, text);
  if (!number.done()) return number.outcome;
  if (*number != std::nearbyint(*number) || std::fabs(*number) > 9.0e15)
    return Outcome::Failed(Quoted(label, text) + " is not a whole number");
  const auto whole = static_cast<long long>(*number);
  if (whole < lower || whole > upper)
    return Outcome::Failed(Quoted(label, text) + " is not within " + std::to_string(lower) + " to " +
                           std::to_string(upper));
  return whole;
}

}  // namespace corvath::numerics
