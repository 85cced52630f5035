#pragma once
// A chart curve that draws one component of the record straight from the
// workspace's sample list (no copy). Only the visible time range is visited, and
// where more samples than pixels are in view each pixel column is drawn as the
// vertical stroke from its minimum to its maximum, so every peak stays visible.
// A long record seen whole is drawn from its envelope: the lowest, highest, first
// and last value of every block of samples, formed once per change of the list.
#include <cstdint>
#include <vector>

#include <qcustomplot.h>

#include "import/record.h"

namespace corvath::ui {

class RecordCurve : public QCPAbstractPlottable {
  Q_OBJECT
public:
  //! Registers itself with the plot of the axes; samples may be null (draws nothing).
  RecordCurve(QCPAxis* keyAxis, QCPAxis* valueAxis, const import::SampleList* samples = nullptr);

  //! The list drawn; it must outlive the curve or be replaced first.
  void setSamples(const import::SampleList* samples);
  const import::SampleList* samples() const { return samples_; }

  double selectTest(const QPointF& pos, bool onlySelectable, QVariant* details = nullptr) const override;
  QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
  QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                         const QCPRange& inKeyRange = QCPRange()) const override;

  //! The polyline draw() would produce, in pixels (exposed for checks of the thinning).
  QVector<QPointF> screenPoints() const;

protected:
  void draw(QCPPainter* painter) override;
  void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

  //! Samples per block of the envelope; columns of at least four blocks are drawn from it.
  static constexpr std::size_t kEnvelopeBlock = 256;

private:
  struct Block {
    double low, high;    // extremes of the finite values; low > high when there is none
    double first, last;  // the first and last finite value
  };
  const std::vector<Block>& envelope() const;

  const import::SampleList* samples_ = nullptr;
  mutable std::vector<Block> envelope_;
  mutable const import::SampleList* envelopeOf_ = nullptr;
  mutable std::uint64_t envelopeVersion_ = 0;
};

}  // namespace corvath::ui
