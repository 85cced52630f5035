#include "charts/palette.h"

#include <array>

#include "spectra/curves.h"

namespace corvath::charts {

QColor WindowColour(std::size_t position) {
  // None is a window fate's colour (grey kept, red rejected) or too faint on white.
  static const std::array<QColor, 5> table{QColor(0, 255, 0), QColor(128, 0, 160), QColor(0, 128, 0),
                                           QColor(200, 120, 0), QColor(0, 0, 255)};
  return table[position % table.size()];
}

QColor ComponentColour(import::Component component) {
  switch (component) {
    case import::Component::X: return QColor(255, 0, 0);
    case import::Component::Y: return QColor(0, 0, 255);
    case import::Component::Z: return QColor(0, 0, 0);
  }
  return QColor(0, 0, 0);
}

QColor CurveColour(const spectra::SpectrumCurve& curve) { return ComponentColour(curve.component); }

}  // namespace corvath::charts
