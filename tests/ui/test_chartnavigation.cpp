// Navigating the charts of the real main window: the one time range of the two
// time-series charts, zoom and pan of the spectra and ratio charts, the view that
// a double click and Home bring back, aligned plot areas and tick labels that
// never run into each other.
#include <QtTest>

#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <cmath>
#include <vector>

#include "charts/charts.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/timerange.h"

using corvath::ui::MainWindow;

namespace {

// Three component files of n samples dt apart, loaded through "Load components".
void LoadRecord(MainWindow& window, QTemporaryDir& dir, int n, double dt) {
  const char* names[] = {"x.txt", "y.txt", "z.txt"};
  for (int c = 0; c < 3; ++c) {
    QFile file(dir.filePath(names[c]));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray text = "component\nunits\n-\n";
    for (int i = 0; i < n; ++i) {
      const double t = i * dt;
      const double v = c == 2 ? 100 + std::sin(7.0 * i) : (c + 1) * std::sin(2 * M_PI * 2.5 * t) + 0.3 * std::cos(13.0 * i);
      text += QByteArray::number(t, 'g', 12) + ' ' + QByteArray::number(v, 'g', 17) + '\n';
    }
    file.write(text);
  }
  window.setDialogRunner([&dir, names](QDialog& dialog) {
    auto* form = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog);
    if (!form) return int(QDialog::Rejected);
    for (int c = 0; c < 3; ++c) form->setFileName(c, dir.filePath(names[c]));
    return int(QDialog::Accepted);
  });
  window.loadComponents();
  QCoreApplication::processEvents();
}

void Wheel(QCustomPlot* chart, QPoint at, int steps) {
  QWheelEvent event(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(chart, &event);
}

void Drag(QCustomPlot* chart, QPoint from, QPoint to) {
  QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(chart, (from + to) / 2);
  QTest::mouseMove(chart, to);
  QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, to);
}

// What a real double click sends: press, release, double click, release.
void DoubleClick(QWidget* widget, QPoint at) {
  QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
}

// Ranges compared to a fraction of their size.
bool Same(const QCPRange& a, const QCPRange& b) {
  const double tolerance = 1e-9 * std::max(std::fabs(a.size()), 1e-300);
  return std::fabs(a.lower - b.lower) <= tolerance && std::fabs(a.upper - b.upper) <= tolerance;
}

// Every pair of neighbouring tick labels of the axis, as drawn, keeps apart.
QString OverlappingLabels(QCPAxis* axis) {
  const QVector<double> ticks = axis->tickVector();
  const QVector<QString> labels = axis->tickVectorLabels();
  const QFontMetricsF metrics(axis->tickLabelFont());
  const bool horizontal = axis->orientation() == Qt::Horizontal;
  for (int i = 1; i < ticks.size(); ++i) {
    const double distance = std::fabs(axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]));
    const double needed = horizontal ? (metrics.horizontalAdvance(labels[i]) + metrics.horizontalAdvance(labels[i - 1])) / 2
                                     : metrics.height();
    if (distance < needed)
      return QString("%1: '%2' and '%3' %4 px apart, need %5")
          .arg(axis->parentPlot()->objectName(), labels[i - 1], labels[i])
          .arg(distance)
          .arg(needed);
  }
  return QString();
}

}  // namespace

class ChartNavigationTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;
  QTemporaryDir dir;

  QCustomPlot* chart(const char* name) {
    auto* c = window->findChild<QCustomPlot*>(name);
    if (!c) qFatal("no chart %s", name);
    return c;
  }
  QPoint centre(QCustomPlot* c) { return c->axisRect()->center(); }
  void settle() {
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
  }

private slots:
  void init() {
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() { window.reset(); }

  void timeSeriesChartsShareOneTimeRangeInsideTheRecord() {
    LoadRecord(*window, dir, 1001, 0.01);  // 0 .. 10 s
    QCustomPlot* top = chart("Chart1");
    QCustomPlot* bottom = chart("Chart2");
    const QCPRange whole(0, 10);
    QVERIFY(Same(top->xAxis->range(), whole));
    const QCPRange topValues = top->yAxis->range();
    const QCPRange bottomValues = bottom->yAxis->range();

    // The wheel over the lower chart zooms the time of both, and only the time.
    Wheel(bottom, centre(bottom), 3);
    settle();
    QVERIFY(bottom->xAxis->range().size() < 9.0);
    QVERIFY(Same(top->xAxis->range(), bottom->xAxis->range()));
    QCOMPARE(top->yAxis->range(), topValues);
    QCOMPARE(bottom->yAxis->range(), bottomValues);
    // The zoom factor follows what is shown, on its 0.2 steps, and is shown.
    const double shown = 10.0 / top->xAxis->range().size();
    QVERIFY(std::fabs(window->workspace().zoomFactor - shown) <= 0.1 + 1e-9);
    QCOMPARE(window->findChild<QLabel*>("zoomFactorLabel")->text(), QString("\u00D7%1").arg(shown, 0, 'f', 1));

    // A drag on the upper chart pans both, and never past the record's start or end.
    Drag(top, centre(top), centre(top) + QPoint(top->axisRect()->width(), 0));
    settle();
    QCOMPARE(top->xAxis->range().lower, 0.0);
    QVERIFY(Same(bottom->xAxis->range(), top->xAxis->range()));
    Drag(bottom, centre(bottom), centre(bottom) - QPoint(3 * bottom->axisRect()->width(), 0));
    settle();
    QVERIFY(std::fabs(top->xAxis->range().upper - 10.0) < 1e-9);
    QCOMPARE(top->yAxis->range(), topValues);  // panning moves the time only

    // Zooming out never goes beyond the whole record.
    Wheel(top, centre(top), -30);
    settle();
    QVERIFY(Same(top->xAxis->range(), whole) && Same(bottom->xAxis->range(), whole));
    QCOMPARE(window->workspace().zoomFactor, 1.0);
  }

  void doubleClickAndHomeRestoreTheWholeRecordOutsideTheWindowModes() {
    LoadRecord(*window, dir, 1001, 0.01);
    QCustomPlot* top = chart("Chart1");
    QCustomPlot* bottom = chart("Chart2");
    auto zoomIn = [&] {
      Wheel(top, centre(top) + QPoint(40, 0), 4);
      settle();
      QVERIFY(top->xAxis->range().size() < 9.0);
    };
    zoomIn();
    DoubleClick(bottom, centre(bottom));
    settle();
    QVERIFY(Same(top->xAxis->range(), QCPRange(0, 10)) && Same(bottom->xAxis->range(), QCPRange(0, 10)));
    QCOMPARE(window->workspace().zoomFactor, 1.0);

    zoomIn();
    QTest::keyClick(top, Qt::Key_Home);
    settle();
    QVERIFY(Same(bottom->xAxis->range(), QCPRange(0, 10)));

    // "Add window" on: the wheel zooms nothing, and a double click makes a window
    // (its presses belong to the windows) without touching the view.
    zoomIn();
    const QCPRange zoomed = top->xAxis->range();
    window->findChild<QToolButton*>("SpeedButton2")->click();
    Wheel(top, centre(top), 3);
    settle();
    QCOMPARE(top->xAxis->range(), zoomed);
    DoubleClick(top, centre(top));
    settle();
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t{1});
    QCOMPARE(top->xAxis->range(), zoomed);
    QCOMPARE(bottom->xAxis->range(), zoomed);
  }

  void zoomButtonsGoOnFromWhatTheWheelShows() {
    LoadRecord(*window, dir, 1001, 0.01);
    QCustomPlot* top = chart("Chart1");
    Wheel(top, centre(top), 6);
    settle();
    const double before = top->xAxis->range().size();
    window->zoomIn();
    QVERIFY(top->xAxis->range().size() < before);
    window->zoomOut();
    window->zoomOut();
    QVERIFY(top->xAxis->range().size() > before);
    QVERIFY(Same(chart("Chart2")->xAxis->range(), top->xAxis->range()));
  }

  void spectraAndRatioChartsZoomAndPanBothAxesAndComeBack() {
    LoadRecord(*window, dir, 3001, 0.01);
    window->findChild<QTabWidget*>()->setCurrentIndex(2);
    window->calculateSpectra();
    QVERIFY(window->workspace().spectraResult.has_value());
    settle();
    for (const char* name : {"Chart3", "Chart4", "Chart5"}) {
      QCustomPlot* c = chart(name);
      window->findChild<QTabWidget*>()->setCurrentIndex(name == QByteArray("Chart5") ? 2 : 1);
      settle();
      c->replot();
      const QCPRange keys = c->xAxis->range();
      const QCPRange values = c->yAxis->range();

      Wheel(c, centre(c) + QPoint(20, 10), 2);
      QVERIFY2(c->xAxis->range().size() < keys.size(), name);
      QVERIFY2(c->yAxis->range() != values, name);
      Drag(c, centre(c), centre(c) + QPoint(-30, 25));
      DoubleClick(c, centre(c));
      QVERIFY2(Same(c->xAxis->range(), keys) && Same(c->yAxis->range(), values), name);

      Wheel(c, centre(c), -2);
      QTest::keyClick(c, Qt::Key_Home);
      QVERIFY2(Same(c->xAxis->range(), keys) && Same(c->yAxis->range(), values), name);
    }
  }

  void spectraPlotAreasLineUp() {
    window->findChild<QTabWidget*>()->setCurrentIndex(1);
    QCustomPlot* upper = chart("Chart3");
    QCustomPlot* lower = chart("Chart4");
    // Amplitude labels of very different widths on the two charts.
    upper->yAxis->setRange(0.5, 2);
    lower->yAxis->setRange(1e-7, 1e-2);
    upper->replot();
    lower->replot();
    settle();
    QCOMPARE(upper->axisRect()->left(), lower->axisRect()->left());
    QCOMPARE(upper->axisRect()->right(), lower->axisRect()->right());
    lower->yAxis->setRange(10, 1000);
    lower->replot();
    settle();
    QCOMPARE(upper->axisRect()->left(), lower->axisRect()->left());
  }

  void oneLabelStylePerLogarithmicAxis_data() {
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<bool>("powers");
    QTest::newRow("tenths to thousands") << 0.1 << 1000.0 << false;
    QTest::newRow("across 1e-5") << 1e-7 << 1e-3 << true;
    QTest::newRow("short range of small values") << 2e-6 << 9e-6 << true;
    QTest::newRow("up to millions") << 10.0 << 1e7 << true;
    QTest::newRow("short plain range") << 3.0 << 40.0 << false;
  }
  void oneLabelStylePerLogarithmicAxis() {
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(bool, powers);
    window->findChild<QTabWidget*>()->setCurrentIndex(1);
    QCustomPlot* c = chart("Chart3");
    c->yAxis->setRange(lower, upper);
    c->replot();
    const QVector<QString> labels = c->yAxis->tickVectorLabels();
    QVERIFY(labels.size() >= 2);
    static const QRegularExpression power(QString::fromUtf8("^([1-9](\\.[0-9]+)?·)?10⁻?[⁰¹²³⁴⁵⁶⁷⁸⁹]+$"));
    static const QRegularExpression plain("^[0-9]+(\\.[0-9]+)?$");
    for (const QString& label : labels)
      QVERIFY2((powers ? power : plain).match(label).hasMatch(), qPrintable(labels.toList().join(" ")));
  }

  void tickLabelsNeverOverlapDownToTheSmallestWindow() {
    LoadRecord(*window, dir, 3001, 0.01);
    window->findChild<QTabWidget*>()->setCurrentIndex(2);
    window->calculateSpectra();
    auto* tabs = window->findChild<QTabWidget*>();
    for (QSize size : {QSize(1, 1), QSize(520, 380), QSize(868, 563), QSize(1280, 900)}) {
      window->resize(size);
      for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        settle();
        for (QCustomPlot* c : tabs->currentWidget()->findChildren<QCustomPlot*>()) {
          if (!c->isVisible()) continue;
          c->replot();
          for (QCPAxis* axis : {c->xAxis, c->yAxis}) {
            const QString overlap = OverlappingLabels(axis);
            QVERIFY2(overlap.isEmpty(), qPrintable(QString("%1x%2 %3").arg(window->width()).arg(window->height()).arg(overlap)));
          }
        }
      }
    }
  }
};

QTEST_MAIN(ChartNavigationTest)
#include "test_chartnavigation.moc"

using namespace corvath::charts;
