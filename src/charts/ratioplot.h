#pragma once
// The ratio chart written to a picture file without a window, for the batch
// command. The header is free of Qt so that the batch command can call it.
#include <string>

#include "spectra/calculatespectra.h"

namespace corvath::charts {

//! Draws the ratio of a result ("H/Z" with its error gates and peak label) on a chart
//! made as the window's "Ratio" chart and writes it to path: PNG, SVG or PDF by the
//! extension, widthPx x heightPx pixels. Starts an application on the offscreen
//! platform when none runs (QT_QPA_PLATFORM, when set, chooses another). Empty on
//! success, otherwise the reason.
std::string WriteRatioChart(const spectra::SpectraResult& result, const std::string& path, int widthPx, int heightPx);

}  // namespace corvath::charts
