#pragma once
// "Remove zero": subtracts a centred running mean from every component of the
// record, taking a slowly varying offset out of the samples.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/record.h"

namespace corvath::windows {

//! Texts of the window-size prompt the user interface shows.
inline constexpr std::string_view kRemoveZeroCaption = "Set window size";
inline constexpr std::string_view kRemoveZeroPrompt = "5-200";
inline constexpr std::string_view kRemoveZeroDefault = "100";

//! "Remove zero" needs at least this many X samples; with fewer it does nothing.
inline constexpr std::size_t kRemoveZeroMinSamples = 10;

//! Half-width (samples) of the running mean for the typed size: the size read with
//! TextToNumber, rounded halves-to-even, halved and truncated. An unreadable text
//! gives the half of InvalidNumber; a negative size gives nothing (no change).
std::optional<std::size_t> RunningMeanHalfWidth(std::string_view sizeText);

//! Replaces every value y_i by y_i minus the mean of y[max(i-half,0) .. min(i+half,n-1)]
//! of the original values; O(n) with a compensated sliding sum.
void SubtractRunningMean(std::vector<double>& values, std::size_t half);

//! The window-size prompt: returns the entered text, or the default when cancelled.
using WindowSizePrompt = std::function<std::string()>;

//! "Remove zero" on X, then Y, then Z. Does nothing (and does not ask) when X holds
//! fewer than 10 samples; asks once otherwise. Returns whether the values changed.
bool RemoveZero(import::ThreeComponentRecord& record, const WindowSizePrompt& askSize);

//! "Remove zero" with an already entered size text.
bool RemoveZero(import::ThreeComponentRecord& record, std::string_view sizeText);

}  // namespace corvath::windows
