#pragma once
// The frequency list of --freqs: numbers in Hz separated by commas.
#include <string>
#include <vector>

namespace corvath::cli {

//! The frequencies of "F1,F2,..." (a point as decimal separator); UsageError naming
//! the option when a piece is not a number.
std::vector<double> ParseFrequencyList(const std::string& option, const std::string& text);

}  // namespace corvath::cli
