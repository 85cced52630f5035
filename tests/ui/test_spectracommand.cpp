// "Calculate spectra" and "Smoothed spectra" on the real main window: the spectra
// and ratio charts, their legends, the status bar and the workspace result.
#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <vector>

#include "app/commands.h"
#include "import/record.h"
#include "spectra/calculatespectra.h"
#include "charts/curvelegend.h"
#include "ui/fieldstandardview.h"
#include "ui/mainwindow.h"
#include "ui/messagearea.h"
#include "charts/spectradrawing.h"
#include "ui/windowbands.h"
#include "support/records.h"
#include "support/widgets.h"

using corvath::import::Component;
using corvath::import::ThreeComponentRecord;
using corvath::ui::MainWindow;
namespace spectra = corvath::spectra;
namespace windows = corvath::windows;

using corvath::testing::Child;

namespace {

// seconds of a 100 Hz record whose horizontal components carry a 4 Hz oscillation
// over noise; the vertical one is noise only.
ThreeComponentRecord ResonantRecord(double seconds) {
  return corvath::testing::RecordOf(
      corvath::testing::OscillationOverNoise(static_cast<int>(std::lround(seconds * 100)), 0.01, 4.0, 3.0, 2.0, 12345));
}

// 60 s at 100 Hz: horizontal components at 4.05 Hz, half-way between two frequencies
// of the 10 s segments, so their spectra fall off steadily on both sides; the
// vertical one has the same amplitude at every segment frequency up to 20 Hz.
ThreeComponentRecord SteadyRatioRecord() {
  ThreeComponentRecord record;
  for (int i = 0; i < 6000; ++i) {
    const double t = i * 0.01;
    double z = 0;
    for (int k = 1; k <= 200; ++k) z += std::cos(2 * M_PI * k * 0.1 * t + 0.37 * k * k);
    record.append(Component::X, t, 3.0 * std::sin(2 * M_PI * 4.05 * t));
    record.append(Component::Y, t, 2.0 * std::cos(2 * M_PI * 4.05 * t));
    record.append(Component::Z, t, z);
  }
  return record;
}

QStringList GraphNames(const QCustomPlot* chart) {
  QStringList names;
  for (int i = 0; i < chart->graphCount(); ++i) names << chart->graph(i)->name();
  return names;
}

QStringList LegendTexts(const corvath::charts::CurveLegend* legend) {
  QStringList texts;
  for (int i = 0; i < legend->count(); ++i) texts << legend->item(i)->text();
  return texts;
}

QCPErrorBars* ErrorBars(QCustomPlot* chart) {
  QCPErrorBars* found = nullptr;
  for (int i = 0; i < chart->plottableCount(); ++i)
    if (auto* bars = qobject_cast<QCPErrorBars*>(chart->plottable(i))) {
      if (found) qFatal("two sets of error bars");
      found = bars;
    }
  return found;
}

QCPItemText* PeakLabel(QCustomPlot* chart) {
  QCPItemText* found = nullptr;
  for (int i = 0; i < chart->itemCount(); ++i)
    if (auto* text = qobject_cast<QCPItemText*>(chart->item(i))) {
      if (found) qFatal("two peak labels");
      found = text;
    }
  return found;
}

std::vector<double> Ratios(const spectra::RatioCurve& curve) {
  std::vector<double> out;
  for (const auto& p : curve.points) out.push_back(p.ratio);
  return out;
}

}  // namespace

class SpectraCommandTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;
  QCustomPlot* chart(const char* name) { return Child<QCustomPlot>(*window, name); }
  corvath::charts::CurveLegend* legend(const char* name) { return Child<corvath::charts::CurveLegend>(*window, name); }
  QTabWidget* tabs() { return window->findChild<QTabWidget*>(); }
  QString status() { return window->statusBar()->currentMessage(); }
  void calculate() { Child<QToolButton>(*window, "SpeedButton7")->click(); }

  // A record through the load command's workspace step and the window's redraw.
  void load(ThreeComponentRecord record) {
    corvath::app::LoadRecord(window->workspace(), std::move(record));
    window->windowBands().refresh();
    window->showRecord();
  }

  // Analysis windows made through the window rules, as two drags would make them.
  void addWindows(const std::vector<std::pair<double, double>>& spans) {
    auto& state = window->workspace().windows;
    for (const auto& [from, to] : spans) {
      windows::ToggleAddMode(state);
      windows::PressAt(state, true, from, false, windows::Chart::Horizontal);
      windows::DragTo(state, true, to);
      windows::ReleaseAt(state, true, to);
    }
    window->windowBands().refresh();
  }

private slots:
  void init() {
    window = std::make_unique<MainWindow>();
    Child<QLineEdit>(*window, "Edit4")->setText("11");  // a 0.1 Hz grid from 1 Hz: 4 Hz is a grid frequency
  }
  void cleanup() { window.reset(); }

  void automaticSegmentationDrawsAveragesAndErrorBars() {
    load(ResonantRecord(60));
    QCustomPlot* ratio = chart("Chart5");
    ratio->graph(1)->setData(QVector<double>{1, 2, 3}, QVector<double>{1.5, 2.5, 1.5});  // a theoretical curve
    QVERIFY(!window->workspace().spectraResult);

    calculate();
    QCOMPARE(status(), QString());
    const auto& result = window->workspace().spectraResult;
    QVERIFY(result);
    QVERIFY(result->automatic);
    QVERIFY(result->ratio.hasBounds);

    QCOMPARE(GraphNames(chart("Chart3")), QStringList({"X", "Y"}));
    QCOMPARE(GraphNames(chart("Chart4")), QStringList({"Z"}));
    QCOMPARE(GraphNames(ratio), QStringList({"H/Z", "H/Zc"}));
    QCOMPARE(ratio->graph(1)->dataCount(), 3);  // "H/Zc" untouched
    QCOMPARE(ratio->graph(1)->pen().width(), 2);
    QCOMPARE(ratio->graph(1)->pen().color(), QColor(0, 0, 255));
    QCOMPARE(ratio->graph(0)->dataCount(), int(result->ratio.points.size()));
    QCOMPARE(chart("Chart3")->graph(0)->dataCount(), int(result->averaged[0].points.size()));
    QCOMPARE(chart("Chart3")->graph(0)->pen().width(), 2);
    QCOMPARE(chart("Chart3")->graph(0)->scatterStyle().shape(), QCPScatterStyle::ssNone);

    QCPErrorBars* bars = ErrorBars(ratio);
    QVERIFY(bars);
    QCOMPARE(bars->name(), QString("StdError"));
    QCOMPARE(bars->dataPlottable(), static_cast<QCPAbstractPlottable*>(ratio->graph(0)));
    QCOMPARE(bars->dataCount(), int(result->ratio.points.size()));

    QCPItemText* label = PeakLabel(ratio);
    QVERIFY(label);
    QCOMPARE(label->text(), QString("4Hz"));
    QCOMPARE(label->position->coords().x(), 4.0);
    QCOMPARE(label->position->coords().y(), result->ratio.points[*result->ratio.peak].ratio);

    // Bottom axes span exactly the result's frequencies; amplitude axes stay logarithmic.
    const struct {
      const char* chart;
      spectra::AxisSpan span;
    } spans[] = {{"Chart3", result->horizontalSpan}, {"Chart4", result->verticalSpan}, {"Chart5", result->ratioSpan}};
    for (const auto& s : spans) {
      QCOMPARE(chart(s.chart)->xAxis->range().lower, s.span.lowHz);
      QCOMPARE(chart(s.chart)->xAxis->range().upper, s.span.highHz);
      QVERIFY(!chart(s.chart)->xAxis->grid()->visible() && !chart(s.chart)->yAxis->grid()->visible());
    }
    QCOMPARE(result->ratioSpan.lowHz, 1.0);
    QCOMPARE(result->ratioSpan.highHz, 11.0);
    for (const char* name : {"Chart3", "Chart4"}) QCOMPARE(chart(name)->yAxis->scaleType(), QCPAxis::stLogarithmic);

    QCOMPARE(LegendTexts(legend("Chart3Legend")), QStringList({"X", "Y"}));
    QCOMPARE(LegendTexts(legend("Chart4Legend")), QStringList({"Z"}));
    QCOMPARE(LegendTexts(legend("Chart5Legend")), QStringList({"H/Z", "H/Zc"}));  // no "StdError" entry

    // The ratio's check box hides the curve with its error bars and its peak label.
    legend("Chart5Legend")->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY(!ratio->graph(0)->visible() && !bars->visible() && !label->visible());
    QVERIFY(ratio->graph(1)->visible());
    legend("Chart5Legend")->item(0)->setCheckState(Qt::Checked);
    QVERIFY(ratio->graph(0)->visible() && bars->visible() && label->visible());
  }

  void windowsGiveOneCurvePerWindowAndNoErrorBars() {
    load(ResonantRecord(60));
    calculate();  // first automatic, so the error bars must go again
    QVERIFY(ErrorBars(chart("Chart5")));
    addWindows({{5.0, 25.0}, {30.0, 55.0}});
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t(2));

    calculate();
    QCOMPARE(status(), QString());
    const auto& result = window->workspace().spectraResult;
    QVERIFY(result && !result->automatic);
    QVERIFY(!result->ratio.hasBounds);
    const QStringList horizontal{"X_wnd1", "X_wnd2", "X", "Y_wnd1", "Y_wnd2", "Y"};
    const QStringList vertical{"Z_wnd1", "Z_wnd2", "Z"};
    QCOMPARE(GraphNames(chart("Chart3")), horizontal);
    QCOMPARE(GraphNames(chart("Chart4")), vertical);
    QCOMPARE(GraphNames(chart("Chart5")), QStringList({"H/Z", "H/Zc"}));
    QVERIFY(!ErrorBars(chart("Chart5")));
    QCOMPARE(LegendTexts(legend("Chart3Legend")), horizontal);
    QCOMPARE(LegendTexts(legend("Chart4Legend")), vertical);
    QCOMPARE(LegendTexts(legend("Chart5Legend")), QStringList({"H/Z", "H/Zc"}));

    // Window curves: component line, markers in the colour of the window's position.
    QCPGraph* second = chart("Chart4")->graph(1);
    QCOMPARE(second->pen().color(), QColor(0, 0, 0));
    QCOMPARE(second->scatterStyle().shape(), QCPScatterStyle::ssPixmap);
    QCOMPARE(second->scatterStyle().pixmap().toImage().pixelColor(2, 2), QColor(128, 0, 160));
    QCOMPARE(second->scatterStyle().pixmap().toImage().pixelColor(0, 0).alpha() < 64, true);  // round, not square
    QCOMPARE(chart("Chart3")->graph(3)->scatterStyle().pixmap().toImage().pixelColor(2, 2), QColor(0, 255, 0));
    QCOMPARE(chart("Chart3")->graph(3)->pen().color(), QColor(0, 0, 255));
    // 20 s and 25 s at 100 Hz: 2001 and 2501 samples, bins up to 1000 and 1250.
    QCOMPARE(chart("Chart3")->graph(0)->dataCount(), 1000);
    QCOMPARE(chart("Chart3")->graph(1)->dataCount(), 1250);
    QCOMPARE(PeakLabel(chart("Chart5"))->text(), QString("4Hz"));
    QCOMPARE(chart("Chart3")->xAxis->range().lower, result->horizontalSpan.lowHz);
    QCOMPARE(chart("Chart3")->xAxis->range().upper, result->horizontalSpan.highHz);
    QCOMPARE(chart("Chart5")->xAxis->range().upper, result->ratioSpan.highHz);

    // Unticking a legend entry hides exactly that curve.
    legend("Chart3Legend")->item(1)->setCheckState(Qt::Unchecked);
    for (int i = 0; i < chart("Chart3")->graphCount(); ++i) QCOMPARE(chart("Chart3")->graph(i)->visible(), i != 1);
    legend("Chart4Legend")->item(2)->setCheckState(Qt::Unchecked);
    QVERIFY(!chart("Chart4")->graph(2)->visible());
    QVERIFY(chart("Chart4")->graph(0)->visible());
  }

  void inversionTabReadsItsFieldsAndLeavesSpectraAlone() {
    load(ResonantRecord(60));
    calculate();
    const std::vector<double> before = Ratios(window->workspace().spectraResult->ratio);
    const QStringList curves = GraphNames(chart("Chart3"));
    addWindows({{5.0, 25.0}});

    tabs()->setCurrentIndex(3);
    Child<QLineEdit>(*window, "Edit1")->setText("2,5");
    Child<QLineEdit>(*window, "Edit2")->setText("0.3");
    calculate();
    QCOMPARE(window->workspace().referenceFrequency, 2.5);
    QCOMPARE(window->workspace().dispersionExponent, 0.3);
    QVERIFY(window->workspace().spectraResult->automatic);
    QCOMPARE(Ratios(window->workspace().spectraResult->ratio), before);
    QCOMPARE(GraphNames(chart("Chart3")), curves);
    QVERIFY(ErrorBars(chart("Chart5")));
    QCOMPARE(status(), QString());

    // A field that is not a number keeps its value and says so.
    Child<QLineEdit>(*window, "Edit1")->setText("abc");
    Child<QLineEdit>(*window, "Edit2")->setText("0.5");
    calculate();
    QCOMPARE(window->workspace().referenceFrequency, 2.5);
    QCOMPARE(window->workspace().dispersionExponent, 0.5);
    QVERIFY2(status().contains("Ref frq"), qPrintable(status()));

    // Back on another tab the same button computes the windowed spectra.
    tabs()->setCurrentIndex(2);
    calculate();
    QVERIFY(!window->workspace().spectraResult->automatic);
    QCOMPARE(status(), QString());
  }

  // A failed run, field standard or classic, leaves no curve, band or report of an
  // earlier field-standard run in view.
  void aFailedRunLeavesNoFieldStandardDrawing() {
    auto drawn = [this] {
      int own = 0;
      QCustomPlot* ratio = chart("Chart5");
      for (int i = 0; i < ratio->plottableCount(); ++i)
        own += ratio->plottable(i)->objectName() == QLatin1String(corvath::ui::kFieldStandardDrawingName);
      for (int i = 0; i < ratio->itemCount(); ++i)
        own += ratio->item(i)->objectName() == QLatin1String(corvath::ui::kFieldStandardDrawingName);
      return own;
    };
    auto* report = Child<QPlainTextEdit>(*window, "fieldStandardReport");
    auto* method = Child<QComboBox>(*window, "spectraMethod");
    auto* windowLength = Child<QLineEdit>(*window, "fieldStandardWindow");
    const QString length = windowLength->text();
    load(ResonantRecord(240));
    method->setCurrentIndex(1);  // "Field standard"
    calculate();
    QVERIFY2(drawn() > 0 && !report->toPlainText().isEmpty(), qPrintable(status()));

    windowLength->setText("abc");
    calculate();
    QVERIFY2(status().contains("Window, s"), qPrintable(status()));
    QCOMPARE(drawn(), 0);
    QVERIFY(report->toPlainText().isEmpty());

    windowLength->setText(length);
    calculate();
    QVERIFY(drawn() > 0);
    method->setCurrentIndex(0);  // "Classic", over an empty band
    Child<QLineEdit>(*window, "Edit3")->setText("70");
    Child<QLineEdit>(*window, "Edit4")->setText("80");
    calculate();
    QVERIFY(status().startsWith("Calculate spectra: "));
    QCOMPARE(drawn(), 0);
    QVERIFY(report->toPlainText().isEmpty());
  }

  // A failure's reason stays in the message area when a hover hint takes the status
  // line, goes into the log, and is replaced by the next command's answer.
  void aFailureStaysUntilTheNextAnswer() {
    auto* area = Child<corvath::ui::MessageArea>(*window, "messageArea");
    load(ResonantRecord(60));
    Child<QLineEdit>(*window, "Edit4")->setText("abc");
    calculate();
    const QString said = "Calculate spectra: Max frq: 'abc' is not a number";
    QCOMPARE(area->text(), said);
    window->statusBar()->showMessage("Zoom in");  // what a hover does
    QCOMPARE(area->text(), said);
    QVERIFY(!area->isHidden());
    QCOMPARE(area->log().size(), 1);
    QVERIFY(area->log().back().endsWith(said));
    Child<QLineEdit>(*window, "Edit4")->setText("20");
    calculate();
    QVERIFY(area->text().isEmpty() || area->text().startsWith("no peak inside the band"));
  }

  void failureKeepsThePreviousSpectraAndSaysWhy_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("minFrq");
    QTest::addColumn<QString>("maxFrq");
    QTest::addColumn<QString>("says");
    QTest::newRow("one sample") << 0.01 << "1" << "11" << "fewer than two";
    QTest::newRow("Min frq unreadable") << 60.0 << "one" << "11" << "Min frq";
    QTest::newRow("Max frq unreadable") << 60.0 << "1" << "" << "Max frq";
    QTest::newRow("Min frq above every frequency") << 60.0 << "70" << "80" << "empty";
  }
  void failureKeepsThePreviousSpectraAndSaysWhy() {
    QFETCH(double, seconds);
    QFETCH(QString, minFrq);
    QFETCH(QString, maxFrq);
    QFETCH(QString, says);
    load(ResonantRecord(60));
    calculate();
    const std::vector<double> before = Ratios(window->workspace().spectraResult->ratio);
    const QCPRange shown = chart("Chart5")->xAxis->range();

    // A new load keeps the spectra and the ratio.
    load(ResonantRecord(seconds));
    QVERIFY(window->workspace().spectraResult);
    QCOMPARE(GraphNames(chart("Chart3")), QStringList({"X", "Y"}));

    Child<QLineEdit>(*window, "Edit3")->setText(minFrq);
    Child<QLineEdit>(*window, "Edit4")->setText(maxFrq);
    calculate();
    QVERIFY2(status().startsWith("Calculate spectra: ") && status().contains(says), qPrintable(status()));
    // The stored result stays, but the charts no longer show it as if it were this
    // record's, and "Save results" is off while nothing shown matches it.
    QVERIFY(window->workspace().spectraResult);
    QCOMPARE(Ratios(window->workspace().spectraResult->ratio), before);
    QVERIFY(!window->findChild<QAction*>("SpeedButton10")->isEnabled());
    QCOMPARE(chart("Chart5")->graph(0)->dataCount(), 0);
    QCOMPARE(chart("Chart5")->graph(1)->name(), QString("H/Zc"));
    QCOMPARE(chart("Chart5")->xAxis->range(), shown);
    QVERIFY(!ErrorBars(chart("Chart5")));
    QCOMPARE(chart("Chart3")->graphCount(), 0);
    QCOMPARE(LegendTexts(legend("Chart3Legend")), QStringList());

    // The next good computation clears the message.
    Child<QLineEdit>(*window, "Edit3")->setText("1");
    Child<QLineEdit>(*window, "Edit4")->setText("11");
    load(ResonantRecord(30));
    calculate();
    QCOMPARE(status(), QString());
    QVERIFY(Ratios(window->workspace().spectraResult->ratio) != before);
  }

  void smoothedSpectraOffGivesLinearMeans() {
    const ThreeComponentRecord record = ResonantRecord(60);
    load(record);
    auto* smoothed = Child<QToolButton>(*window, "SpeedButton6");
    QVERIFY(smoothed->isChecked());
    calculate();
    const auto logarithmic = *window->workspace().spectraResult;

    smoothed->click();
    QVERIFY(!smoothed->isChecked());
    QVERIFY(!window->workspace().smoothedSpectra);
    QCOMPARE(Ratios(window->workspace().spectraResult->ratio), Ratios(logarithmic.ratio));  // nothing recomputed
    calculate();
    const auto& linear = *window->workspace().spectraResult;
    const auto expected = spectra::CalculateSpectra(record, {}, false, 1.0, 11.0);
    QVERIFY(expected.value);
    QCOMPARE(Ratios(linear.ratio), Ratios(expected.value->ratio));
    QVERIFY(Ratios(linear.ratio) != Ratios(logarithmic.ratio));
    QCOMPARE(linear.averaged[0].points.size(), expected.value->averaged[0].points.size());
    for (std::size_t i = 0; i < linear.averaged[0].points.size(); ++i)
      QCOMPARE(linear.averaged[0].points[i].amplitude, expected.value->averaged[0].points[i].amplitude);

    // The button keeps showing the mode; on again, the next result is the logarithmic one.
    smoothed->click();
    QVERIFY(smoothed->isChecked() && window->workspace().smoothedSpectra);
    calculate();
    QCOMPARE(Ratios(window->workspace().spectraResult->ratio), Ratios(logarithmic.ratio));
  }

  void aLargestRatioAtAnEndOfTheBandIsNoPeak_data() {
    QTest::addColumn<QString>("minFrq");
    QTest::addColumn<QString>("maxFrq");
    QTest::addColumn<bool>("inside");
    QTest::addColumn<QString>("said");
    QTest::newRow("around the 4.05 Hz line") << "1" << "11" << true << QString();
    QTest::newRow("band above it: largest at the first point")
        << "4.6" << "11" << false << "the peak may lie below Min frq";
    QTest::newRow("band below it: largest at the last point") << "1" << "3.5" << false << "the peak may lie above Max frq";
  }
  void aLargestRatioAtAnEndOfTheBandIsNoPeak() {
    QFETCH(QString, minFrq);
    QFETCH(QString, maxFrq);
    QFETCH(bool, inside);
    QFETCH(QString, said);
    load(SteadyRatioRecord());
    Child<QLineEdit>(*window, "Edit3")->setText(minFrq);
    Child<QLineEdit>(*window, "Edit4")->setText(maxFrq);
    calculate();
    const auto& result = window->workspace().spectraResult;
    QVERIFY(result && result->ratio.peak);
    QCOMPARE(corvath::charts::PeakInsideBand(result->ratio), inside);
    if (!inside) {
      const std::size_t peak = *result->ratio.peak;
      QVERIFY(peak == 0 || peak == result->ratio.points.size() - 1);
    }
    QCOMPARE(PeakLabel(chart("Chart5")) != nullptr, inside);
    QCOMPARE(status().isEmpty(), inside);
    if (!inside) {
      QVERIFY2(status().startsWith("no peak inside the band: the ratio rises to the band's"), qPrintable(status()));
      QVERIFY2(status().endsWith(said), qPrintable(status()));
    }
  }
};

QTEST_MAIN(SpectraCommandTest)
#include "test_spectracommand.moc"

using namespace corvath::charts;
