#include <QtTest>

#include <cmath>
#include <qcustomplot.h>

#include "import/record.h"
#include "spectra/calculatespectra.h"
#include "charts/palette.h"
#include "charts/peaklabel.h"
#include "app/fieldstandardhv.h"
#include "charts/spectradrawing.h"
#include "support/records.h"

using namespace corvath;

namespace {

import::ThreeComponentRecord NoisyRecord() {
  return corvath::testing::RecordOf(corvath::testing::OscillationOverNoise(6000, 0.01, 2.5, 1.0, 1.0, 7));
}

QStringList GraphNames(QCustomPlot& chart) {
  QStringList names;
  for (int i = 0; i < chart.graphCount(); ++i) names << chart.graph(i)->name();
  return names;
}

QList<QCPItemText*> PeakLabels(QCustomPlot& chart) {
  QList<QCPItemText*> labels;
  for (int i = 0; i < chart.itemCount(); ++i)
    if (auto* text = qobject_cast<QCPItemText*>(chart.item(i))) labels << text;
  return labels;
}

int ErrorBarCount(QCustomPlot& chart) {
  int count = 0;
  for (int i = 0; i < chart.plottableCount(); ++i) count += qobject_cast<QCPErrorBars*>(chart.plottable(i)) != nullptr;
  return count;
}

}  // namespace

class SpectraDrawingTest : public QObject {
  Q_OBJECT
private slots:
  void colourTables() {
    using corvath::charts::WindowColour;
    const QColor table[] = {QColor(0, 255, 0), QColor(128, 0, 160), QColor(0, 128, 0), QColor(200, 120, 0),
                            QColor(0, 0, 255)};
    for (std::size_t i = 0; i < 13; ++i) QCOMPARE(WindowColour(i), table[i % 5]);
    // No window takes a fate's colour (grey kept, red rejected) or a faint one.
    for (const QColor& c : table) {
      QVERIFY(c.hsvSaturation() > 100);
      QVERIFY(c.hue() > 20 && c.hue() < 340);
      QVERIFY(c.value() > 100 && (c.red() + c.green() + c.blue()) < 600);
    }
    using corvath::import::Component;
    QCOMPARE(corvath::charts::ComponentColour(Component::X), QColor(255, 0, 0));
    QCOMPARE(corvath::charts::ComponentColour(Component::Y), QColor(0, 0, 255));
    QCOMPARE(corvath::charts::ComponentColour(Component::Z), QColor(0, 0, 0));
  }

  void drawsWindowedAndAutomaticResults() {
    QCustomPlot horizontal, vertical, ratio;
    ratio.addGraph()->setName("H/Z");
    ratio.addGraph()->setName("H/Zc");  // the theoretical curve stays where it is
    const auto record = NoisyRecord();

    // Six windows: the sixth wraps round to the first colour of the table.
    std::vector<spectra::WindowInterval> windows;
    for (int w = 0; w < 6; ++w) windows.push_back({w * 9.0, w * 9.0 + 8.0});
    const auto windowed = spectra::CalculateSpectra(record, windows, true, 1.0, 20.0);
    QVERIFY(windowed.value);
    for (int round = 0; round < 2; ++round) {  // drawing twice leaves one set of curves
      charts::DrawSpectraResult(&horizontal, &vertical, &ratio, *windowed.value);
      QCOMPARE(horizontal.graphCount(), 14);
      QCOMPARE(vertical.graphCount(), 7);
      QCOMPARE(GraphNames(vertical),
               QStringList({"Z_wnd1", "Z_wnd2", "Z_wnd3", "Z_wnd4", "Z_wnd5", "Z_wnd6", "Z"}));
      QCOMPARE(GraphNames(horizontal).mid(5, 3), QStringList({"X_wnd6", "X", "Y_wnd1"}));
      QCOMPARE(GraphNames(horizontal).last(), QString("Y"));
      QCOMPARE(GraphNames(ratio), QStringList({"H/Z", "H/Zc"}));
      QCOMPARE(ErrorBarCount(ratio), 0);
      QCOMPARE(PeakLabels(ratio).size(), 1);
    }
    QCOMPARE(horizontal.graph(0)->pen().color(), QColor(255, 0, 0));
    QCOMPARE(horizontal.graph(0)->scatterStyle().shape(), QCPScatterStyle::ssPixmap);  // a painted circle
    QCOMPARE(horizontal.graph(0)->scatterStyle().pixmap().toImage().pixelColor(2, 2), QColor(0, 255, 0));
    QCOMPARE(horizontal.graph(0)->scatterStyle().brush().color(), QColor(0, 255, 0));
    QCOMPARE(horizontal.graph(1)->scatterStyle().brush().color(), QColor(128, 0, 160));
    QCOMPARE(horizontal.graph(5)->scatterStyle().brush().color(), QColor(0, 255, 0));
    QCOMPARE(horizontal.graph(6)->pen().width(), 2);
    QCOMPARE(horizontal.graph(6)->pen().color(), QColor(255, 0, 0));
    QCOMPARE(horizontal.graph(13)->pen().color(), QColor(0, 0, 255));
    QCOMPARE(vertical.graph(6)->pen().color(), QColor(0, 0, 0));
    QCOMPARE(horizontal.yAxis->scaleType(), QCPAxis::stLogarithmic);
    QCOMPARE(vertical.yAxis->scaleType(), QCPAxis::stLogarithmic);
    QCOMPARE(horizontal.xAxis->range().lower, windowed.value->horizontalSpan.lowHz);
    QCOMPARE(horizontal.xAxis->range().upper, windowed.value->horizontalSpan.highHz);
    QCOMPARE(ratio.graph(0)->pen().width(), 2);
    QCOMPARE(ratio.graph(0)->data()->size(), int(windowed.value->ratio.points.size()));
    const QString label = QString::fromStdString(windowed.value->ratio.peakLabel);
    QVERIFY(label.endsWith("Hz"));
    QCOMPARE(PeakLabels(ratio).first()->text(), label);

    // Automatic segmentation: no window curves, bounds drawn as error bars.
    const auto automatic = spectra::CalculateSpectra(record, {}, true, 1.0, 20.0);
    QVERIFY(automatic.value);
    charts::DrawSpectraResult(&horizontal, &vertical, &ratio, *automatic.value);
    QCOMPARE(GraphNames(horizontal), QStringList({"X", "Y"}));
    QCOMPARE(GraphNames(vertical), QStringList({"Z"}));
    QCOMPARE(GraphNames(ratio), QStringList({"H/Z", "H/Zc"}));
    QCOMPARE(ErrorBarCount(ratio), 1);
    QCOMPARE(PeakLabels(ratio).size(), 1);
    QCOMPARE(PeakLabels(ratio).first()->text(), QString::fromStdString(automatic.value->ratio.peakLabel));
    QCOMPARE(PeakLabels(ratio).first()->position->coords().x(),
             automatic.value->ratio.points[*automatic.value->ratio.peak].frequencyHz);
    QCOMPARE(ratio.xAxis->range().lower, automatic.value->ratioSpan.lowHz);
    QCOMPARE(ratio.xAxis->range().upper, automatic.value->ratioSpan.highHz);

    // Back to windows: the error bars go again.
    charts::DrawSpectraResult(&horizontal, &vertical, &ratio, *windowed.value);
    QCOMPARE(ErrorBarCount(ratio), 0);
  }

  void peakLabelOnAHandMadeCurve() {
    QCustomPlot horizontal, vertical, ratio;
    spectra::SpectraResult result;
    for (auto c : import::kComponents) {
      result.averaged[static_cast<int>(c)].title = spectra::ComponentName(c);
      result.averaged[static_cast<int>(c)].component = c;
      result.averaged[static_cast<int>(c)].points = {{1.0, 1.0}, {2.5, 3.0}, {4.0, 2.0}};
    }
    result.ratio.points = {{1.0, 1.0, 1.0, 1.0}, {2.5, 3.0, 3.0, 3.0}, {4.0, 3.0, 3.0, 3.0}};
    spectra::MarkPeak(result.ratio);
    result.horizontalSpan = result.verticalSpan = result.ratioSpan = {1.0, 4.0};
    charts::DrawSpectraResult(&horizontal, &vertical, &ratio, result);
    QCOMPARE(ratio.graphCount(), 1);
    QCOMPARE(ratio.graph(0)->name(), QString("H/Z"));
    QCOMPARE(PeakLabels(ratio).first()->text(), QString("2.5Hz"));
  }

  void onlyAPeakInsideTheBandIsLabelled_data() {
    QTest::addColumn<QVector<double>>("ratios");
    QTest::addColumn<bool>("labelled");
    QTest::addColumn<QString>("notice");
    const QString none = "no peak inside the band";
    QTest::newRow("inside") << QVector<double>{1, 3, 2} << true << QString();
    QTest::newRow("first point") << QVector<double>{4, 3, 2} << false
                                 << none + ": the ratio rises to the band's low edge (1 Hz), the peak may lie below Min frq";
    QTest::newRow("last point") << QVector<double>{1, 2, 5} << false
                                << none + ": the ratio rises to the band's high edge (3 Hz), the peak may lie above Max frq";
    QTest::newRow("flat: the first of equal maxima") << QVector<double>{2, 2, 2} << false << none;
    QTest::newRow("equal maxima inside and at the end") << QVector<double>{1, 3, 3} << true << QString();
    QTest::newRow("one point") << QVector<double>{2} << false << none;
  }
  void onlyAPeakInsideTheBandIsLabelled() {
    QFETCH(QVector<double>, ratios);
    QFETCH(bool, labelled);
    QFETCH(QString, notice);
    QCustomPlot ratio;
    spectra::SpectraResult result;
    for (int i = 0; i < ratios.size(); ++i) result.ratio.points.push_back({1.0 + i, ratios[i], ratios[i], ratios[i]});
    spectra::MarkPeak(result.ratio);
    result.ratioSpan = spectra::FrequencySpan(result.ratio);
    charts::DrawRatio(&ratio, result);
    QCOMPARE(spectra::PeakInsideBand(result.ratio), labelled);
    QCOMPARE(PeakLabels(ratio).size(), labelled ? 1 : 0);
    QCOMPARE(ratio.itemCount(), labelled ? 2 : 0);  // the mark goes with the label
    QCOMPARE(QString::fromStdString(app::PeakNotice(result.ratio)), notice);
  }

  void thePeakLabelStaysInsideThePlotAreaOnALightBox_data() {
    QTest::addColumn<int>("peakIndex");
    QTest::newRow("near the left axis") << 1;
    QTest::newRow("in the middle") << 20;
    QTest::newRow("near the right edge") << 39;
  }
  void thePeakLabelStaysInsideThePlotAreaOnALightBox() {
    QFETCH(int, peakIndex);
    QCustomPlot ratio;
    ratio.resize(260, 160);  // small: the label is wide beside the plot area
    spectra::SpectraResult result;
    for (int i = 0; i <= 40; ++i) {
      const double r = i == peakIndex ? 9.0 : 1.0 + 0.1 * (i % 3);
      result.ratio.points.push_back({0.5 + 0.25 * i, r, r - 0.5, r + 0.5});
    }
    result.ratio.hasBounds = true;
    spectra::MarkPeak(result.ratio);
    result.ratioSpan = spectra::FrequencySpan(result.ratio);
    charts::DrawRatio(&ratio, result);
    ratio.replot();
    auto* label = qobject_cast<charts::PeakLabel*>(PeakLabels(ratio).value(0));
    QVERIFY(label);
    QCOMPARE(label->text(), QString::fromStdString(result.ratio.peakLabel));
    QVERIFY(label->brush().color().lightness() > 220 && label->brush().color().alpha() > 200);
    const QRectF area = QRectF(ratio.axisRect()->rect()).adjusted(charts::PeakLabel::kInset, charts::PeakLabel::kInset,
                                                                   -charts::PeakLabel::kInset, -charts::PeakLabel::kInset);
    const QRectF box = label->drawnBox();
    QVERIFY(!box.isEmpty());
    QVERIFY2(area.contains(box), qPrintable(QString("box %1,%2 %3x%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
    // The box leaves the peak itself visible.
    const QPointF peak(ratio.xAxis->coordToPixel(result.ratio.points[peakIndex].frequencyHz),
                       ratio.yAxis->coordToPixel(9.0));
    QVERIFY(!box.contains(peak));

    // Panned away from the peak, the label is not drawn at an edge.
    ratio.xAxis->setRange(result.ratio.points[peakIndex].frequencyHz + 1, result.ratio.points[peakIndex].frequencyHz + 3);
    ratio.replot();
    QVERIFY(label->drawnBox().isEmpty());
  }
};

QTEST_MAIN(SpectraDrawingTest)
#include "test_spectradrawing.moc"

using namespace corvath::charts;
