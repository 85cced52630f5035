#include "spectra/export.h"

#include "numerics/numbertext.h"

namespace corvath::spectra {

namespace {
constexpr const char* kLineEnd = "\r\n";

void writeRow(std::ostream& out, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out << ' ';
    out << numerics::NumberToExponentText(v);
    first = false;
  }
  out << kLineEnd;
}

template <typename Curve>
const auto* pointAt(const Curve& curve, std::size_t hint, double frequencyHz) {
  using Point = std::remove_reference_t<decltype(curve.points.front())>;
  if (hint < curve.points.size() && curve.points[hint].frequencyHz == frequencyHz) return &curve.points[hint];
  for (const Point& p : curve.points)
    if (p.frequencyHz == frequencyHz) return &p;
  return static_cast<const Point*>(nullptr);
}
}  // namespace

void WriteSpectrumTable(std::ostream& out, const SpectraResult& result) {
  out << "f,Hz   X  Y  Z  H/Z" << kLineEnd;
  const SpectrumCurve& x = result.averaged[0];
  for (std::size_t i = 0; i < x.points.size(); ++i) {
    const double f = x.points[i].frequencyHz;
    const auto* y = pointAt(result.averaged[1], i, f);
    const auto* z = pointAt(result.averaged[2], i, f);
    const auto* r = pointAt(result.ratio, i, f);
    if (!y || !z || !r) continue;
    writeRow(out, {f, x.points[i].amplitude, y->amplitude, z->amplitude, r->ratio});
  }
}

void WriteBoundsTable(std::ostream& out, const RatioCurve& ratio) {
  out << "f,Hz   H/Z  lower  upper" << kLineEnd;
  for (const RatioPoint& p : ratio.points) writeRow(out, {p.frequencyHz, p.ratio, p.lower, p.upper});
}

}  // namespace corvath::spectra
