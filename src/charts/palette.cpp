#include "charts/palette.h"

#include <array>

#include "spectra/curves.h"

namespace corvath::charts {

QColor WindowColour(std::size_t position) {
  static const std::array<QColor, 5> table{QColor(0, 255, 0), QColor(192, 192, 192), QColor(0, 128, 0),
                                           QColor(255, 255, 0), QColor(0, 0, 255)};
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
