#include "app/fields.h"

#include <string>

#include "numerics/numbertext.h"

namespace corvath::app {

Outcome ReadNumberField(std::string_view label, std::string_view text, double& value) {
  const double number = numerics::TextToNumber(text);
  if (number == numerics::InvalidNumber)
    return Outcome::Failed(std::string(label) + " \"" + std::string(text) + "\" is not a number");
  value = number;
  return Outcome::Done();
}

Outcome ReadSpectraSettings(std::string_view minFrqText, std::string_view maxFrqText, bool logAveraging,
                            SpectraSettings& settings) {
  SpectraSettings read;
  read.logAveraging = logAveraging;
  if (Outcome o = ReadNumberField("Min frq", minFrqText, read.minFrequencyHz); !o.done()) return o;
  if (Outcome o = ReadNumberField("Max frq", maxFrqText, read.maxFrequencyHz); !o.done()) return o;
  settings = read;
  return Outcome::Done();
}

}  // namespace corvath::app
