#pragma once
// Spectra of the analysis windows: the transform of every window's samples,
// smoothed, and all windows averaged onto the common frequency grid.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "import/record.h"
#include "numerics/outcome.h"
#include "numerics/parallel.h"
#include "spectra/curves.h"

namespace corvath::spectra {

//! An analysis window as the computation sees it: both ends inclusive, in seconds
//! on the time axis of X.
struct WindowInterval {
  double startSeconds = 0.0;
  double endSeconds = 0.0;
};

//! The smoothed spectrum of one window ("X_wnd1" ...) and the window's list position.
struct WindowSpectrum {
  SpectrumCurve curve;
  std::size_t windowPosition = 0;  //!< 0-based position in the window list (picks the marker colour)
};

//! The windowed spectra of one component.
struct ComponentSpectra {
  std::vector<WindowSpectrum> windows;  //!< windows with at least 31 samples, in list order
  SpectrumCurve averaged;               //!< "X", "Y" or "Z" on the grid
};

//! Smallest number of samples a window needs to give a spectrum.
inline constexpr std::size_t kMinimumWindowSamples = 31;

//! Index range [first, last) of the samples whose X time lies in start ... end
//! (inclusive), among the first sampleCount samples.
std::pair<std::size_t, std::size_t> WindowSampleRange(const import::ThreeComponentRecord& record,
                                                      std::size_t sampleCount, const WindowInterval& window);

//! Spectra of component c for every window (frequencies i/(N dt_c) Hz, amplitudes as
//! transform moduli) and their inverse-square grid average between max(minFrq, lowest)
//! and min(maxFrq, highest, 100 Hz); or Failed saying why there is no averaged
//! spectrum. Only sample indices present in all three components are used.
numerics::Result<ComponentSpectra> ComputeWindowSpectra(const import::ThreeComponentRecord& record,
                                                        import::Component c,
                                                        const std::vector<WindowInterval>& windows,
                                                        bool logAveraging, double minFrqHz, double maxFrqHz);

//! The same for several components at once (one result each, in the given order):
//! the windows' transforms run on up to `workers` threads (0: as many as help) with
//! results identical to one thread's; `progress` counts transformed samples and may
//! cancel (numerics::Cancelled).
std::vector<numerics::Result<ComponentSpectra>> ComputeWindowSpectra(
    const import::ThreeComponentRecord& record, const std::vector<import::Component>& components,
    const std::vector<WindowInterval>& windows, bool logAveraging, double minFrqHz, double maxFrqHz,
    numerics::Progress* progress = nullptr, std::size_t workers = 0);

}  // namespace corvath::spectra
