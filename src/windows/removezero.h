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

//! The window size (samples) taken when nobody is asked.
inline constexpr double kRemoveZeroDefaultSize = 100.0;

//! "Remove zero" needs at least this many X samples; with fewer it does nothing.
inline constexpr std::size_t kRemoveZeroMinSamples = 10;

//! Half-width (samples) of the running mean for a window size in samples (the typed
//! text as TextToNumber read it): rounded halves-to-even, halved and truncated. An
//! unreadable text (InvalidNumber) gives the half of InvalidNumber; a negative or
//! non-finite size gives nothing (no change).
std::optional<std::size_t> RunningMeanHalfWidth(double windowSize);

//! Replaces every value y_i by y_i minus the mean of y[max(i-half,0) .. min(i+half,n-1)]
//! of the original values; O(n) with a compensated sliding sum.
void SubtractRunningMean(std::vector<double>& values, std::size_t half);

//! The window-size prompt: the entered size in samples as read by TextToNumber
//! (the default 100 when cancelled).
using WindowSizePrompt = std::function<double()>;

//! "Remove zero" on X, then Y, then Z. Does nothing (and does not ask) when X holds
//! fewer than 10 samples; asks once otherwise. Returns whether the values changed.
bool RemoveZero(import::ThreeComponentRecord& record, const WindowSizePrompt& askSize);

//! "Remove zero" with an already entered window size (samples).
bool RemoveZero(import::ThreeComponentRecord& record, double windowSize);

}  // namespace corvath::windows
