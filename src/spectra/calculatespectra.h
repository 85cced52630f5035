#pragma once
// "Calculate spectra": the windowed or automatic spectra of a record, the H/Z ratio,
// its peak and the frequency spans of the three charts, as one result or a reason.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "import/record.h"
#include "numerics/outcome.h"
#include "spectra/automaticspectra.h"
#include "spectra/curves.h"
#include "spectra/windowspectra.h"

namespace corvath::spectra {

//! What a result was computed with: the "Min frq" and "Max frq" asked for (Hz), the
//! "Smoothed spectra" toggle and the analysis windows (none: automatic segmentation).
struct SpectraSettingsUsed {
  double minFrequencyHz = 0.0;
  double maxFrequencyHz = 0.0;
  bool logAveraging = true;
  std::vector<WindowInterval> windows;
};

struct SpectraResult {
  std::vector<WindowSpectrum> windowSpectra;  //!< X, then Y, then Z windows, each in list order
  std::array<SpectrumCurve, 3> averaged;      //!< "X", "Y", "Z" on the common grid
  RatioCurve ratio;                           //!< "H/Z", peak marked
  AxisSpan horizontalSpan;                    //!< frequencies of the averaged X (horizontal spectra chart)
  AxisSpan verticalSpan;                      //!< frequencies of the averaged Z (vertical spectra chart)
  AxisSpan ratioSpan;                         //!< frequencies of the ratio (ratio chart)
  bool automatic = false;                     //!< computed by automatic segmentation
  SegmentationPlan plan;                      //!< segmentation used (automatic only)
  //! The settings of the computation; unset for a table read back from a file.
  std::optional<SpectraSettingsUsed> computedWith;
  std::vector<std::string> recordFiles;       //!< the files of the record computed on, when known

  const SpectrumCurve& averagedOf(import::Component c) const { return averaged[static_cast<int>(c)]; }
};

//! Windowed ratio (X + Y)/Z/2 of the averaged spectra, pairing points by equal
//! frequency; a frequency missing in one spectrum or with a zero Z value gives no point.
RatioCurve WindowedRatio(const SpectrumCurve& x, const SpectrumCurve& y, const SpectrumCurve& z);

//! Spectra and H/Z of the record: per window (windows in list order, both ends
//! inclusive, seconds) or, with no window, by automatic segmentation, between the
//! "Min frq" and "Max frq" values (Hz; InvalidNumber for an unreadable field). A
//! failure names its cause in the samples when there is one (a component all 0 or
//! constant, values too large to transform). The transforms run on up to `workers`
//! threads (0: as many as help) with results identical to one thread's; `progress`
//! may cancel, and the computation then throws numerics::Cancelled.
numerics::Result<SpectraResult> CalculateSpectra(const import::ThreeComponentRecord& record,
                                                 const std::vector<WindowInterval>& windows, bool logAveraging,
                                                 double minFrequencyHz, double maxFrequencyHz,
                                                 numerics::Progress* progress = nullptr, std::size_t workers = 0);

}  // namespace corvath::spectra
