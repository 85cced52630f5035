#pragma once
// A number typed into a named field or given as an option: the text becomes a number
// here, once, at the edge where it arrives, and a refusal names the field. Both faces
// use it, so the window and the batch command refuse the same texts with the same words.
#include <string_view>

#include "numerics/outcome.h"

namespace corvath::numerics {

//! The value of the text (TextToNumber's syntax: a comma reads as the point), or
//! Failed "<label>: '<text>' is not a number". With bounds (the rules of TextToNumber:
//! 0 is no bound, equal bounds no check) a number outside them is Failed
//! "<label>: '<text>' is not within <lower> to <upper>" (an absent bound reads "...").
Result<double> NumberField(std::string_view label, std::string_view text, double lower = 0.0, double upper = 0.0);

//! NumberField of a whole number (a count, a size in samples), or Failed
//! "<label>: '<text>' is not a whole number".
Result<long long> WholeNumberField(std::string_view label, std::string_view text, long long lower,
                                   long long upper);

}  // namespace corvath::numerics
