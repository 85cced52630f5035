#pragma once
// The colours of the program in one place: the window colour table and the
// colours of the record components and their spectra.
#include <cstddef>

#include <QColor>

#include "import/record.h"

namespace corvath::spectra {
struct SpectrumCurve;
}

namespace corvath::charts {

//! The window colour table entry for a list position (lime, purple, green, orange,
//! blue; used cyclically).
QColor WindowColour(std::size_t position);
//! The colour of a component's curves: X red, Y blue, Z black.
QColor ComponentColour(import::Component component);
//! Display colour of a spectrum curve (its component's colour).
QColor CurveColour(const spectra::SpectrumCurve& curve);

}  // namespace corvath::charts
